#include "memorydiff.h"

#include <cstring>

namespace Kt900Sim {

bool isChainSwitchCopy(int offset)
{
    return Kt900::isChainEntryOnByte(offset);
}

QString presetDifference(const Kt900::Record &a, const Kt900::Record &b, bool withName)
{
    for (int o = withName ? 0 : Kt900::kNameSize; o < Kt900::kRecordSize; ++o) {
        const auto i = static_cast<std::size_t>(o);
        if (!isChainSwitchCopy(o) && a[i] != b[i])
            return QStringLiteral("byte %1: %2 != %3").arg(o).arg(a[i]).arg(b[i]);
    }
    return QString();
}

QStringList backupAreaDifferences(const UnitMemory &a, const UnitMemory &b)
{
    QStringList diff;
    const Kt900::DeviceStore &x = a.store;
    const Kt900::DeviceStore &y = b.store;
    for (int i = 0; i < Kt900::kPresetCount; ++i) {
        const QString d = presetDifference(*x.record(i), *y.record(i));
        if (!d.isEmpty())
            diff << QStringLiteral("preset %1 %2").arg(i).arg(d);
    }
    if (x.expGlobalWord() != y.expGlobalWord() || x.expGlobalByte() != y.expGlobalByte())
        diff << QStringLiteral("expression globals");
    if (x.globalTempoRaw() != y.globalTempoRaw())
        diff << QStringLiteral("global tempo");
    if (std::memcmp(x.systemBlock(), y.systemBlock(), Kt900::kSystemSize) != 0)
        diff << QStringLiteral("system");
    if (x.globalEqOutput() != y.globalEqOutput())
        diff << QStringLiteral("EQ output");
    for (int i = 0; i < Kt900::kGlobalEqWords; ++i) {
        if (x.globalEqWord(i) != y.globalEqWord(i))
            diff << QStringLiteral("EQ word %1").arg(i);
    }
    if (std::memcmp(x.midiBlock(), y.midiBlock(), Kt900::kMidiSize) != 0)
        diff << QStringLiteral("MIDI");
    if (std::memcmp(x.rhythmBlock(), y.rhythmBlock(), Kt900::kRhythmSize) != 0)
        diff << QStringLiteral("rhythm");
    if (std::memcmp(x.captureAmpList(), y.captureAmpList(), Kt900::kCaptureSlots * Kt900::kCaptureAmpEntry) != 0)
        diff << QStringLiteral("capture amp list");
    for (int s = 0; s < Kt900::kCaptureSlots; ++s) {
        if (x.captureUsed(s) != y.captureUsed(s) || x.slotName(Kt900::ListCapture, s) != y.slotName(Kt900::ListCapture, s)
            || (x.captureUsed(s) && std::memcmp(x.captureData(s), y.captureData(s), Kt900::kCaptureBytes) != 0))
            diff << QStringLiteral("capture %1").arg(s);
    }
    for (int s = 0; s < Kt900::kIrSlots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        if (a.irFilled(s) != b.irFilled(s) || x.slotName(Kt900::ListIr, s) != y.slotName(Kt900::ListIr, s)
            || (a.irFilled(s) && a.irData[i] != b.irData[i]))
            diff << QStringLiteral("IR %1").arg(s);
    }
    for (int s = 0; s < Kt900::kNrSlots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        if (a.nrFilled(s) != b.nrFilled(s) || x.slotName(Kt900::ListNr, s) != y.slotName(Kt900::ListNr, s)
            || (a.nrFilled(s) && a.nrData[i] != b.nrData[i]))
            diff << QStringLiteral("NR %1").arg(s);
    }
    return diff;
}

} // namespace Kt900Sim
