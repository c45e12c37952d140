#pragma once

// The effect catalogue: every module position of the signal chain, every
// effect type (model) a position can hold and every parameter of a type with
// its range, step, unit or option labels, read once from the embedded XML
// document ":/preset/preset/preset.xml".
//
// Lookups take the 0-based module index (0 FXA ... 10 FX LOOP, 11 GLB EQ),
// the 0-based type index within the chain and the 0-based parameter index
// within the list the type uses (resolved through paraPos). Out-of-range
// lookups return an empty string, an empty list, -1, nullptr or false.

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

enum class ParamKind : std::int32_t {
    Range = 0,
    Options = 1,
    RangeWithOptions = 2,
};

struct ParaInfo {
    QString name;
    ParamKind kind = ParamKind::Range;
    std::int16_t controlled = -1; // stored as 65535 when absent
    // Range and RangeWithOptions
    std::int32_t min = 0;
    std::int32_t max = 100;
    float step = 1.0f;
    std::int32_t decimals = 0;
    QString unit; // shown after the number exactly as stored (" ms", ".Wet")
    // Options
    QStringList options;
    // RangeWithOptions
    QStringList prefixOptions;
    QStringList suffixOptions;

    bool isControlled() const { return static_cast<std::uint16_t>(controlled) < 65535; }
};

struct TypeInfo {
    QString name;           // as written, number prefix included ("01:CRY WAH")
    std::uint16_t import = 0;
    std::uint16_t paraPos = 1; // 1-based position of the type whose list this one uses
    std::vector<ParaInfo> params;
};

struct ChainInfo {
    QString name;
    std::vector<TypeInfo> types;
};

class EffectCatalogue
{
public:
    static constexpr const char *kResourcePath = ":/preset/preset/preset.xml";

    static EffectCatalogue &instance();

    // Reads the document; false when the file cannot be opened or the XML
    // reader ends with an error. Replaces whatever was loaded before.
    bool load(const QString &path);
    void clear();

    int chainCount() const;
    QString chainName(int module) const;
    QStringList typeNames(int module) const;
    int typeCount(int module) const;       // -1 out of range
    QString typeName(int module, int type) const;
    void setTypeName(int module, int type, const QString &name);
    int paramCount(int module, int type) const;
    const ParaInfo *param(int module, int type, int index) const;
    int paramIndexByName(int module, int type, const QString &name) const;
    bool isValueValid(int raw, int module, int type, int index) const;
    bool isImportSlot(int module, int type) const;
    int maxParamCount() const;

    // The records themselves (read-only); nullptr out of range. typeInfo()
    // gives the type as declared: its own paraPos, import flag and the
    // parameters it declares (empty when it uses another type's list).
    const ChainInfo *chain(int module) const;
    const TypeInfo *typeInfo(int module, int type) const;

    // A separate, empty catalogue (tests, benchmarks); the program uses instance().
    EffectCatalogue() = default;
    ~EffectCatalogue();
    EffectCatalogue(const EffectCatalogue &) = delete;
    EffectCatalogue &operator=(const EffectCatalogue &) = delete;

private:
    const std::vector<ParaInfo> *paramList(int module, int type) const;

    std::vector<ChainInfo> m_chains;
};
