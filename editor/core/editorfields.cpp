#include "editorfields.h"

#include "devicestore.h"

#include <QCoreApplication>

using namespace Kt900;

namespace EditorFields {

QString presetPrefix(int row)
{
    static const char letters[] = {'A', 'B', 'C'};
    if (row < 0)
        return QString();
    return QStringLiteral("%1%2").arg(row / 3 + 1, 2, 10, QLatin1Char('0')).arg(QLatin1Char(letters[row % 3]));
}

QString presetLabel(int row, const QString &name)
{
    return QStringLiteral("%1 %2").arg(presetPrefix(row), name.trimmed()).trimmed();
}

const QRegularExpression &nameRule()
{
    static const QRegularExpression rule(QStringLiteral("^[a-zA-Z0-9 ]+$"));
    return rule;
}

bool isValidName(const QString &name)
{
    return name.size() <= kNameMaxLength && nameRule().match(name).hasMatch();
}

int expField(const DeviceStore &store, int index)
{
    if (index < 0 || index >= kExpFieldCount)
        return -1;
    if (index < 10)
        return store.editBuffer().expSetting(index);
    if (index == 10)
        return store.expGlobalWord() & 0xFF;
    if (index == 11)
        return store.expGlobalWord() >> 8;
    return store.expGlobalByte();
}

bool setExpField(DeviceStore &store, int index, int value)
{
    if (index < 0 || index >= kExpFieldCount || value < 0 || value > 255)
        return false;
    const auto byte = static_cast<std::uint8_t>(value);
    if (index < 10) {
        PresetEdit edit = store.editBufferEdit();
        edit.setExpSetting(index, byte);
        if (index == 6 || index == 8)
            edit.setExpSetting(index + 1, 0);
        return true;
    }
    std::uint16_t word = store.expGlobalWord();
    std::uint8_t global = store.expGlobalByte();
    if (index == 10)
        word = static_cast<std::uint16_t>((word & 0xFF00) | byte);
    else if (index == 11)
        word = static_cast<std::uint16_t>((word & 0x00FF) | (byte << 8));
    else
        global = byte;
    store.setExpGlobals(word, global);
    return true;
}

QString cabLabel(int output, int value)
{
    const QString state = value != 0 ? QCoreApplication::translate("Core", "ON")
                                     : QCoreApplication::translate("Core", "THRU");
    return output == 0 ? QStringLiteral("OUTPUT: %1").arg(state) : QStringLiteral("XLROUT: %1").arg(state);
}

int systemSettingMaximum(int index)
{
    static const int maxima[18] = {21, 1, 1, 1, 100, 100, 100, 1, 1, 16, 1, 15, 1, 1, 1, 1, 1, 19};
    return (index >= 0 && index < 18) ? maxima[index] : -1;
}

bool isValidSystemSetting(int index, int value)
{
    const int maximum = systemSettingMaximum(index);
    return maximum >= 0 && value >= 0 && value <= maximum;
}

bool isValidCtrlValue(int index, int value)
{
    switch (index) {
    case 0: return value >= 0 && value <= 2;
    case 1: return value >= 0 && value < (1 << 11);
    case 2: return value >= 40 && value <= 260;
    default: return false;
    }
}

bool isValidMidiEntry(int type, int value)
{
    if (type == 18)
        return value >= 0 && value <= 254;
    if (type == 19)
        return value >= 0 && value <= 127;
    return false;
}

} // namespace EditorFields
