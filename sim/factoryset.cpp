#include "factoryset.h"

#include "effectcatalogue.h"
#include "resources.h"
#include "valuemodel.h"

#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <memory>

Q_LOGGING_CATEGORY(lcFactory, "kt900.sim")

namespace Kt900Sim {

using namespace Kt900;

namespace {

// xorshift32: the same sequence on every platform and compiler.
class Rng
{
public:
    explicit Rng(std::uint32_t seed) : m_state(seed ? seed : 0x9E3779B9u) {}
    std::uint32_t next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int below(int n) { return n > 0 ? static_cast<int>(next() % static_cast<std::uint32_t>(n)) : 0; }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint32_t m_state;
};

// 17 x 15 = 255 names; preset i takes adjective i mod 17 and noun i mod 15,
// which are all different pairs because 17 and 15 share no factor.
constexpr std::array<const char *, 17> kAdjectives = {
    "GLASS", "VELVET", "TWEED", "BRIT", "ROYAL", "DUSTY", "SILVER", "MIDNITE", "GOLDEN",
    "RUSTY", "ELECTRIC", "BOLD", "SMOKY", "ARCTIC", "COPPER", "STELLAR", "DESERT"};

enum Style { Clean, Crunch, Lead, Ambient };

struct Noun {
    const char *text;
    Style style;
};

constexpr std::array<Noun, 15> kNouns = {{
    {"CLEAN", Clean}, {"CRUNCH", Crunch}, {"LEAD", Lead}, {"CHIME", Clean}, {"STACK", Lead},
    {"SWELL", Ambient}, {"DRIVE", Crunch}, {"FUNK", Clean}, {"SOLO", Lead}, {"PAD", Ambient},
    {"BLUES", Crunch}, {"FUZZ", Lead}, {"ECHO", Ambient}, {"RHYTHM", Crunch}, {"JAZZ", Clean},
}};

// Chain orders the factory presets use (module number at positions 0..10).
constexpr std::array<std::array<std::uint8_t, 11>, 7> kChains = {{
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
    {4, 0, 1, 2, 3, 5, 6, 7, 8, 9, 10},
    {0, 1, 9, 10, 2, 3, 4, 5, 6, 7, 8},
    {0, 1, 5, 2, 3, 4, 6, 7, 8, 9, 10},
    {1, 0, 2, 3, 4, 5, 6, 8, 7, 9, 10},
    {0, 1, 2, 3, 4, 5, 9, 10, 6, 7, 8},
    {4, 1, 0, 2, 3, 6, 5, 7, 8, 9, 10},
}};

// Length of each pedal module's parameter list (EXP1 / EXP2 assignment).
constexpr std::array<int, 10> kPedalParams = {20, 3, 6, 3, 4, 15, 18, 6, 5, 3};

constexpr const char *kIrNames[] = {"GREEN 412 SM57", "BLUE 212 R121", "OPEN BACK 112", "", "", "OVERSIZE 412",
                                    "", "", "BASS 810 D112", ""};
constexpr const char *kNrNames[] = {"BRIT 800 CAP", "", "TWEED LOW", "MODERN HIGAIN", "", "", "", "", "", ""};
constexpr const char *kCaptureNames[] = {"WARM CLEAN", "CRUNCH 30W", "", "", "HOT ROD", "", "", "", "",
                                         "DARK LEAD", "", "", "", "BOUTIQUE OD", "", "", "", "", "", ""};

// (time index, subdivision index, saved delay time) of the tempo-synced delays.
struct Triple {
    int time;
    int sub;
    int saved;
};

int triplesOf(int module, int type, Triple out[2])
{
    if (module == ModFxa && type == 25) {
        out[0] = {2, 3, SavedFxa};
        return 1;
    }
    if (module == ModFxb && type == 26) {
        out[0] = {2, 3, SavedFxb};
        return 1;
    }
    if (module == ModDelay && type >= 0 && type <= 7) {
        out[0] = {2, 3, SavedDelay1};
        return 1;
    }
    if (module == ModDelay && type == 8) {
        out[0] = {2, 3, SavedDelay1};
        out[1] = {4, 5, SavedDelay2};
        return 2;
    }
    return 0;
}

constexpr std::array<double, 10> kSubdivision = {1.0, 1.0, 0.6666667, 1.5, 0.5, 0.33333334, 0.75, 0.25, 0.16666667, 0.375};

// Time word for a subdivision at a tempo: 60000 / bpm times the factor,
// 40..2500 ms, stored as ms - 40.
int syncedTime(int bpm, int sub)
{
    const int base = (bpm >= 40 && bpm <= 260) ? 60000 / bpm : 1500;
    const float factor = static_cast<float>(kSubdivision[static_cast<std::size_t>(std::min(sub, 9))]);
    int ms = static_cast<int>(static_cast<double>(base) * static_cast<double>(factor));
    ms = std::clamp(ms, 40, 2500);
    return ms - 40;
}

int clampRaw(int v, int steps) { return std::clamp(v, 0, std::max(steps, 0)); }

// Varies a default raw value within the parameter's range.
int vary(Rng &rng, const ParaInfo &p, int value)
{
    const int steps = ValueModel::stepCount(p);
    if (p.kind == ParamKind::Options)
        return rng.below(steps + 1);
    const int spread = std::max(1, steps / 5);
    return clampRaw(value + rng.below(2 * spread + 1) - spread, steps);
}

// Picks a type of a module; import slots only when their slot is filled.
int pickType(Rng &rng, const EffectCatalogue &cat, int module, const UnitMemory &mem)
{
    const int count = cat.typeCount(module);
    if (count <= 0)
        return 0;
    if (module == ModAmp || module == ModCab) {
        const int firstSlot = module == ModAmp ? 70 : 32;
        const int slotTotal = module == ModAmp ? kNrSlots : kIrSlots;
        if (rng.chance(12)) {
            const int slot = rng.below(slotTotal);
            const bool filled = module == ModAmp ? mem.nrFilled(slot) : mem.irFilled(slot);
            if (filled && firstSlot + slot < count)
                return firstSlot + slot;
        }
        int t = 0;
        do {
            t = rng.below(std::min(count, firstSlot));
        } while (cat.isImportSlot(module, t));
        return t;
    }
    return rng.below(count);
}

void fillModule(Rng &rng, const EffectCatalogue &cat, Record &r, int module, int type, bool on, int bpm, Style style)
{
    PresetEdit e(r);
    e.setModuleOn(module, on);
    e.setBlockWord(module, 1, static_cast<std::uint16_t>(type));
    const int words = moduleParamWords(module);
    const QList<int> defaults = ValueModel::typeDefaults(module, type);
    const int params = std::max(0, cat.paramCount(module, type));
    for (int i = 0; i < words; ++i) {
        int v = i < defaults.size() ? defaults.at(i) : 0;
        if (i < params) {
            const ParaInfo *p = cat.param(module, type, i);
            if (p) {
                v = clampRaw(v, ValueModel::stepCount(*p));
                if (rng.chance(60))
                    v = vary(rng, *p, v);
            }
        } else {
            v = 0; // words the type does not use
        }
        e.setBlockWord(module, 2 + i, static_cast<std::uint16_t>(v));
    }
    // Amp gain follows the preset's style.
    if (module == ModAmp && params > 0) {
        const ParaInfo *gain = cat.param(module, type, 0);
        if (gain && gain->kind != ParamKind::Options) {
            const int steps = ValueModel::stepCount(*gain);
            static constexpr int lo[] = {10, 40, 65, 20};
            static constexpr int hi[] = {35, 65, 95, 50};
            const int pct = lo[style] + rng.below(hi[style] - lo[style] + 1);
            e.setBlockWord(module, 2, static_cast<std::uint16_t>(clampRaw(steps * pct / 100, steps)));
        }
    }
    // Tempo-synced delays: mostly free-running; some follow the tempo.
    Triple triples[2];
    const int n = triplesOf(module, type, triples);
    for (int k = 0; k < n; ++k) {
        const Triple &t = triples[k];
        if (t.time >= params || t.sub >= params)
            continue;
        const int manual = e.paramWord(module, t.time);
        e.setSavedDelayTime(t.saved, static_cast<std::uint16_t>(manual));
        const int sub = rng.chance(25) ? 1 + rng.below(9) : 0;
        e.setBlockWord(module, 2 + t.sub, static_cast<std::uint16_t>(sub));
        if (sub != 0)
            e.setBlockWord(module, 2 + t.time, static_cast<std::uint16_t>(syncedTime(bpm, sub)));
    }
}

void fillFxLoop(Rng &rng, const EffectCatalogue &cat, Record &r, bool on)
{
    PresetEdit e(r);
    e.setModuleOn(ModFxLoopSend, on);
    static constexpr int defaults[4] = {60, 60, 100, 0};
    for (int i = 0; i < 4; ++i) {
        int v = defaults[i];
        const ParaInfo *p = cat.param(ModFxLoopSend, 0, i);
        if (p) {
            v = clampRaw(v, ValueModel::stepCount(*p));
            if (rng.chance(40))
                v = vary(rng, *p, v);
        }
        e.setBlockWord(ModFxLoopSend, 1 + i, static_cast<std::uint16_t>(v));
    }
}

Record makePreset(int index, const EffectCatalogue &cat, const UnitMemory &mem)
{
    Rng rng(0x4B543930u ^ (static_cast<std::uint32_t>(index + 1) * 2654435761u));
    Record r = emptyPreset();
    PresetEdit e(r);
    const Noun &noun = kNouns[static_cast<std::size_t>(index % 15)];
    const QString name = QStringLiteral("%1 %2").arg(QLatin1String(kAdjectives[static_cast<std::size_t>(index % 17)]),
                                                     QLatin1String(noun.text));
    e.setName(name);

    const int bpm = 70 + rng.below(91);
    e.setTempoRaw(static_cast<std::uint16_t>(bpm - 40));
    e.setVolume(45 + rng.below(36));

    const Style style = noun.style;
    static constexpr int onChance[4][9] = {
        // FXA DS/OD AMP CAB NS  EQ  FXB DELAY REVERB
        {30, 15, 100, 95, 20, 30, 50, 45, 85},  // clean
        {25, 70, 100, 95, 40, 25, 25, 40, 60},  // crunch
        {30, 85, 100, 95, 85, 35, 35, 65, 55},  // lead
        {45, 20, 100, 95, 20, 20, 70, 100, 100} // ambient
    };
    for (int m = 0; m <= ModReverb; ++m) {
        const int type = pickType(rng, cat, m, mem);
        fillModule(rng, cat, r, m, type, rng.chance(onChance[style][m]), bpm, style);
    }
    fillFxLoop(rng, cat, r, rng.chance(5));

    // Tone capture block: on for a few presets, always naming a filled slot.
    const int capSlot = kFactoryCaptureSlots[rng.below(static_cast<int>(std::size(kFactoryCaptureSlots)))];
    const bool capOn = rng.chance(8) && mem.captureFilled(capSlot);
    e.setModuleOn(ModToneCap, capOn);
    e.setBlockWord(ModToneCap, 1, static_cast<std::uint16_t>(capOn ? capSlot : 0));
    e.setBlockWord(ModToneCap, 2, static_cast<std::uint16_t>(capOn ? rng.below(2) : 0));

    // Chain order; the on/off byte of entry i mirrors module i.
    const auto &chain = kChains[static_cast<std::size_t>(rng.chance(55) ? 0 : 1 + rng.below(static_cast<int>(kChains.size()) - 1))];
    for (int i = 0; i < kChainLength; ++i) {
        e.setChainModuleAt(i, chain[static_cast<std::size_t>(i)]);
        e.setChainEntryOn(i, e.moduleOn(i) ? 1 : 0);
    }

    // CTRL footswitch: nothing, a set of modules, or tap tempo.
    const int ctrl = rng.below(10);
    if (ctrl < 3) {
        e.setCtrlMode(1);
        e.setCtrlMask(static_cast<std::uint16_t>((1u << ModDsOd) | (rng.chance(50) ? (1u << ModDelay) : (1u << ModFxb))));
    } else if (ctrl == 3) {
        e.setCtrlMode(2);
    }

    // Pedal settings: volume pedal on/off, EXP1 / EXP2 assignments.
    e.setExpSetting(5, rng.chance(50) ? 1 : 0);
    e.setExpSetting(6, rng.below(10));
    e.setExpSetting(7, rng.below(kPedalParams[e.expSetting(6)]));
    e.setExpSetting(8, rng.below(10));
    e.setExpSetting(9, rng.below(kPedalParams[e.expSetting(8)]));

    e.setLedColor(rng.below(7));
    const std::uint8_t version[5] = {'V', '1', '.', '1', 0};
    e.setVersionBytes(version);
    return r;
}

void fillGlobals(const EffectCatalogue &cat, UnitMemory &mem)
{
    DeviceStore &s = mem.store;
    static constexpr std::uint8_t system[kSystemSize] = {9, 0, 0, 0, 80, 50, 80, 0, 0, 16, 0, 0, 0, 1, 1, 1, 0, 14};
    std::copy(system, system + kSystemSize, s.systemBlock());
    s.setGlobalTempoRaw(120 - 40);
    s.setScreenCode(0);

    // Global EQ: flat, 100 Hz / 800 Hz / 5 kHz bands, the XLR output with a
    // low cut; every value checked against the GLB EQ chain.
    static constexpr int eq[2][9] = {
        {100, 40, 100, 740, 100, 4940, 0, 0, 1},
        {100, 60, 100, 940, 100, 5940, 80, 8001, 1},
    };
    s.setGlobalEqOutput(0);
    for (int o = 0; o < 2; ++o) {
        for (int i = 0; i < 9; ++i) {
            int v = eq[o][i];
            if (const ParaInfo *p = cat.param(11, 0, i))
                v = clampRaw(v, ValueModel::stepCount(*p));
            s.setGlobalEqWord(9 * o + i, static_cast<std::uint16_t>(v));
        }
    }

    // MIDI: program change r recalls preset r (the last ones preset 254);
    // preset p sends program p mod 128.
    std::uint8_t *midi = s.midiBlock();
    for (int r = 0; r < 256; ++r)
        midi[r] = static_cast<std::uint8_t>(std::min(r, kPresetCount - 1));
    for (int p = 0; p < kPresetCount; ++p)
        midi[256 + p] = static_cast<std::uint8_t>(p % 128);

    std::uint8_t *rhythm = s.rhythmBlock();
    putU32(rhythm, 1);
    putU32(rhythm + 4, 50);
    putU32(rhythm + 8, 0);

    s.setExpGlobals(static_cast<std::uint16_t>(0 | (100 << 8)), 0);

    // Tone capture: internal cab, SOURCE amp type 4 with its defaults, slot 0.
    const QList<int> source = ValueModel::typeDefaults(ModAmp, 4);
    s.setToneCaptureValue(0, 0);
    s.setToneCaptureValue(1, 4);
    for (int i = 0; i < 6; ++i)
        s.setToneCaptureValue(2 + i, static_cast<std::uint16_t>(i < source.size() ? source.at(i) : 50));
    s.setToneCaptureValue(8, 0);
    s.setToneCaptureValue(9, 0);
    s.setToneCaptureValue(10, mem.captureFilled(0) ? 1 : 0);
    s.setToneCaptureValue(11, 0);
}

void fillSlots(UnitMemory &mem)
{
    DeviceStore &s = mem.store;
    for (int slot = 0; slot < kIrSlots; ++slot) {
        s.setSlotName(ListIr, slot, QLatin1String(kIrNames[slot]));
        if (!mem.irFilled(slot))
            continue;
        // A decaying noise burst: 24-bit samples in the low three bytes of
        // each little-endian 32-bit word.
        Rng rng(0x1000u + static_cast<std::uint32_t>(slot));
        std::int32_t amp = 0x7FFFFF;
        auto &data = mem.irData[static_cast<std::size_t>(slot)];
        for (int k = 0; k < kIrBytes / 4; ++k) {
            const std::int32_t v = k == 0 ? amp : static_cast<std::int32_t>(rng.below(2 * amp + 1)) - amp;
            putU32(data.data() + 4 * k, static_cast<std::uint32_t>(v) & 0x00FFFFFFu);
            amp -= amp / 96;
        }
    }
    for (int slot = 0; slot < kNrSlots; ++slot) {
        s.setSlotName(ListNr, slot, QLatin1String(kNrNames[slot]));
        if (!mem.nrFilled(slot))
            continue;
        Rng rng(0x2000u + static_cast<std::uint32_t>(slot));
        for (auto &b : mem.nrData[static_cast<std::size_t>(slot)])
            b = static_cast<std::uint8_t>(rng.next());
    }
    std::uint8_t *ampList = s.captureAmpList();
    for (int slot = 0; slot < kCaptureSlots; ++slot) {
        const QString name = QLatin1String(kCaptureNames[slot]);
        s.setSlotName(ListCapture, slot, name);
        s.setCaptureUsed(slot, !name.isEmpty());
        if (name.isEmpty())
            continue;
        Rng rng(0x3000u + static_cast<std::uint32_t>(slot));
        std::uint8_t *data = s.captureData(slot);
        for (int k = 0; k < kCaptureBytes; ++k)
            data[k] = static_cast<std::uint8_t>(rng.next());
        std::uint8_t *entry = ampList + slot * kCaptureAmpEntry;
        putU32(entry, static_cast<std::uint32_t>(rng.below(70)));
        putU16(entry + 4, static_cast<std::uint16_t>(0x0100 + slot));
        entry[6] = 1;
    }
}

} // namespace

void buildFactoryMemory(const EffectCatalogue &catalogue, UnitMemory &out)
{
    out = UnitMemory();
    fillSlots(out);
    fillGlobals(catalogue, out);
    for (int i = 0; i < kPresetCount; ++i)
        *out.store.record(i) = makePreset(i, catalogue, out);
    out.store.selectPreset(0);
    out.store.setLastStoredPreset(0);
}

const EffectCatalogue *unitCatalogue()
{
    static const std::unique_ptr<EffectCatalogue> catalogue = []() -> std::unique_ptr<EffectCatalogue> {
        kt900InitResources();
        auto c = std::make_unique<EffectCatalogue>();
        if (!c->load(QString::fromLatin1(EffectCatalogue::kResourcePath)) || c->chainCount() < 12) {
            qCWarning(lcFactory) << "the effect catalogue cannot be read: the virtual unit starts empty";
            return nullptr;
        }
        return c;
    }();
    return catalogue.get();
}

const UnitMemory &factoryMemory()
{
    static const std::unique_ptr<UnitMemory> memory = [] {
        auto m = std::make_unique<UnitMemory>();
        if (const EffectCatalogue *catalogue = unitCatalogue())
            buildFactoryMemory(*catalogue, *m);
        return m;
    }();
    return *memory;
}

} // namespace Kt900Sim
