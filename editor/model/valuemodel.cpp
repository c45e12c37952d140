#include "valuemodel.h"

#include "devicestore.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ValueModel {

namespace {

// Subdivision option index -> fraction of a quarter note.
constexpr float kSubdivisionFactor[10] = {
    1.0f,        // OFF (not used)
    1.0f,        // 1/4
    0.6666667f,  // 1/4T
    1.5f,        // 1/4D
    0.5f,        // 1/8
    0.33333334f, // 1/8T
    0.75f,       // 1/8D
    0.25f,       // 1/16
    0.16666667f, // 1/16T
    0.375f,      // 1/16D
};

constexpr int kMinDelayMs = 40;
constexpr int kMaxDelayMs = 2500;
constexpr int kSavedTimeReset = 500; // raw 500 = 540 ms

// A delay whose time follows a tempo subdivision while the subdivision is
// on, and whose manually set time is kept in a saved delay time word.
struct DelayTriple {
    int module;
    int firstType;
    int lastType;
    int timeIndex;
    int subIndex;
    int saved; // Kt900::SavedTime
};

constexpr DelayTriple kDelayTriples[] = {
    {Kt900::ModFxa, 25, 25, 2, 3, Kt900::SavedFxa},     // 26:DIGITAL DELAY
    {Kt900::ModFxb, 26, 26, 2, 3, Kt900::SavedFxb},     // 27:ANALOG DELAY
    {Kt900::ModDelay, 0, 7, 2, 3, Kt900::SavedDelay1},  // 01:DIGITAL .. 08:DYNAMIC
    {Kt900::ModDelay, 8, 8, 2, 3, Kt900::SavedDelay1},  // 09:DUAL DELAY, A
    {Kt900::ModDelay, 8, 8, 4, 5, Kt900::SavedDelay2},  // 09:DUAL DELAY, B
};

const DelayTriple *findTriple(int module, int type, int index, bool bySubdivision)
{
    for (const DelayTriple &t : kDelayTriples) {
        if (t.module != module || type < t.firstType || type > t.lastType)
            continue;
        if ((bySubdivision ? t.subIndex : t.timeIndex) == index)
            return &t;
    }
    return nullptr;
}

// Word number of parameter index within a module block: after the on/off
// and type words, or only the on/off word for the FX LOOP block.
int paramWord(int module, int index)
{
    return (Kt900::moduleHasTypeWord(module) ? 2 : 1) + index;
}

bool validAddress(const Kt900::DeviceStore &store, int preset, int module, int index)
{
    return module >= 0 && module < Kt900::kModuleCount && store.record(preset) != nullptr
        && index >= 0 && index < Kt900::moduleParamWords(module);
}

int savedTime(const Kt900::DeviceStore &store, int preset, int which)
{
    return store.preset(preset).savedDelayTime(which);
}

void setSavedTime(Kt900::DeviceStore &store, int preset, int which, int raw)
{
    store.presetEdit(preset).setSavedDelayTime(which, static_cast<std::uint16_t>(raw));
}

} // namespace

// ---------------------------------------------------------------------------
// Raw and display values

int stepCount(const ParaInfo &p)
{
    if (p.kind == ParamKind::Options)
        return static_cast<int>(p.options.size()) - 1;
    const double steps = (static_cast<double>(p.max) - static_cast<double>(p.min))
            / static_cast<double>(p.step)
        + 0.5;
    // A zero or broken step would give no usable range; raw values are
    // 16-bit, so larger counts mean nothing either.
    if (!std::isfinite(steps))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(steps, -65536.0, 65535.0)));
}

double displayNumber(const ParaInfo &p, int raw)
{
    return static_cast<double>(p.min) + static_cast<double>(raw) * static_cast<double>(p.step);
}

QString displayText(const ParaInfo &p, int raw)
{
    if (p.kind == ParamKind::Options)
        return (raw >= 0 && raw < p.options.size()) ? p.options.at(raw) : QString();

    QString text;
    if (p.decimals > 0) {
        text = QString::number(displayNumber(p, raw), 'f', p.decimals);
        // A value that rounds to zero from below shows as zero, not "-0.0".
        if (text.startsWith(QLatin1Char('-')) && text.count(QLatin1Char('0')) == text.size() - 2)
            text.remove(0, 1);
    } else {
        const int prefixes = p.prefixOptions.size();
        const int suffixes = p.suffixOptions.size();
        const int firstSuffixRaw = stepCount(p) - suffixes + 1;
        if (raw >= 0 && raw < prefixes)
            text = p.prefixOptions.at(raw);
        else if (suffixes > 0 && raw >= firstSuffixRaw && raw - firstSuffixRaw < suffixes)
            text = p.suffixOptions.at(raw - firstSuffixRaw);
        else
            text = QString::number(displayNumber(p, raw), 'g', 6);
    }
    if (!p.unit.isEmpty())
        text += p.unit;
    return text;
}

float subdivisionFactor(int index)
{
    if (index < 0)
        return kSubdivisionFactor[0];
    return kSubdivisionFactor[std::min(index, 9)];
}

int syncedTimeRaw(int bpm, int subdivision)
{
    const int base = (bpm >= 40 && bpm <= 260) ? static_cast<int>(60000.0 / bpm) : 1500;
    const double exact = static_cast<double>(base) * static_cast<double>(subdivisionFactor(subdivision));
    const int ms = std::clamp(static_cast<int>(std::trunc(exact)), kMinDelayMs, kMaxDelayMs);
    return ms - kMinDelayMs;
}

int syncedTimeIndex(int module, int type, int subdivisionIndex)
{
    const DelayTriple *t = findTriple(module, type, subdivisionIndex, true);
    return t ? t->timeIndex : -1;
}

int subdivisionIndexForTime(int module, int type, int timeIndex)
{
    const DelayTriple *t = findTriple(module, type, timeIndex, false);
    return t ? t->subIndex : -1;
}

int savedDelayTimeOffset(int module, int type, int index)
{
    const DelayTriple *t = findTriple(module, type, index, true);
    if (!t)
        t = findTriple(module, type, index, false);
    return t ? Kt900::savedTimeOffset(t->saved) : -1;
}

// ---------------------------------------------------------------------------
// Values in preset records

int tempoInEffect(const Kt900::DeviceStore &store, int preset)
{
    return store.effectiveTempoBpm(preset);
}

int getParam(const Kt900::DeviceStore &store, int preset, int module, int index)
{
    if (!validAddress(store, preset, module, index))
        return -1;
    return store.blockWord(preset, module, paramWord(module, index));
}

bool setParam(Kt900::DeviceStore &store, int preset, int module, int type, int index, int raw)
{
    if (!validAddress(store, preset, module, index) || raw < 0 || raw > 0xFFFF)
        return false;

    if (const DelayTriple *t = findTriple(module, type, index, true)) {
        // Subdivision: OFF brings back the manually set time, anything else
        // derives the time from the tempo in force.
        store.setBlockWord(preset, module, paramWord(module, t->subIndex), static_cast<std::uint16_t>(raw));
        const int time = raw == 0 ? savedTime(store, preset, t->saved)
                                   : syncedTimeRaw(tempoInEffect(store, preset), raw);
        store.setBlockWord(preset, module, paramWord(module, t->timeIndex), static_cast<std::uint16_t>(time));
        return true;
    }
    if (const DelayTriple *t = findTriple(module, type, index, false)) {
        // Time: follows the tempo while the subdivision is on.
        if (store.blockWord(preset, module, paramWord(module, t->subIndex)) != 0)
            return true;
        store.setBlockWord(preset, module, paramWord(module, t->timeIndex), static_cast<std::uint16_t>(raw));
        setSavedTime(store, preset, t->saved, raw);
        return true;
    }
    return store.setBlockWord(preset, module, paramWord(module, index), static_cast<std::uint16_t>(raw));
}

bool setSwitch(Kt900::DeviceStore &store, int preset, int module, int on)
{
    if (module < 0 || module >= Kt900::kModuleCount)
        return false;
    return store.setBlockWord(preset, module, 0, on != 0 ? 1 : 0);
}

bool setType(Kt900::DeviceStore &store, int preset, int module, int type)
{
    if (module < 0 || module >= Kt900::kModuleCount || !store.record(preset) || type < 0 || type > 0xFFFF)
        return false;
    if (!Kt900::moduleHasTypeWord(module))
        return true;
    return store.setBlockWord(preset, module, 1, static_cast<std::uint16_t>(type));
}

bool changeType(Kt900::DeviceStore &store, int module, int type)
{
    constexpr int buf = Kt900::kEditBuffer;
    const EffectCatalogue &cat = EffectCatalogue::instance();

    if (module == Kt900::ModToneCap) {
        // The tone-capture block's type is the capture slot it uses.
        if (type < 0 || type >= Kt900::kCaptureSlots)
            return false;
        store.setBlockWord(buf, module, paramWord(module, 0), 0);
        return setType(store, buf, module, type);
    }
    if (module < 0 || module > Kt900::ModReverb)
        return false;

    const QList<int> defaults = typeDefaults(module, type);
    const int n = std::min(cat.paramCount(module, type), static_cast<int>(defaults.size()));
    if (defaults.isEmpty() || n < 0)
        return false;

    if (module == Kt900::ModCab) {
        const int current = store.blockWord(buf, module, 1);
        const bool keep = cat.isImportSlot(module, type) && cat.isImportSlot(module, current);
        if (!keep) {
            for (int i = 0; i < n; ++i) {
                if (i != 4) // Sync of the built-in cabinets keeps its value
                    setParam(store, buf, module, type, i, defaults.at(i));
            }
        }
    } else {
        for (int i = 0; i < n; ++i)
            store.setBlockWord(buf, module, paramWord(module, i), static_cast<std::uint16_t>(defaults.at(i)));
        if (module == Kt900::ModFxa) {
            setSavedTime(store, buf, Kt900::SavedFxa, kSavedTimeReset);
        } else if (module == Kt900::ModFxb) {
            setSavedTime(store, buf, Kt900::SavedFxb, kSavedTimeReset);
        } else if (module == Kt900::ModDelay) {
            setSavedTime(store, buf, Kt900::SavedDelay1, kSavedTimeReset);
            setSavedTime(store, buf, Kt900::SavedDelay2, kSavedTimeReset);
        }
    }
    return setType(store, buf, module, type);
}

} // namespace ValueModel
