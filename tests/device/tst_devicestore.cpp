// The device data store: record layout, the 475-byte wire record, the empty
// preset and the store operations with their range checks.

#include "devicestore.h"

#include <QtTest>

#include <memory>
#include <random>

using namespace Kt900;

namespace {

Record randomRecord(unsigned seed)
{
    std::mt19937 rng(seed);
    Record r;
    for (auto &b : r)
        b = static_cast<std::uint8_t>(rng());
    // On/off words are 0 or 1 on the unit.
    for (int m = 0; m < kModuleCount; ++m)
        putU16(r.data() + moduleBlockOffset(m), static_cast<std::uint16_t>(rng() & 1));
    return r;
}

QByteArray encode(const Record &r)
{
    QByteArray out(kWireRecordSize, '\x5A');
    encodeWireRecord(r, reinterpret_cast<std::uint8_t *>(out.data()));
    return out;
}

} // namespace

class TestDeviceStore : public QObject
{
    Q_OBJECT

private slots:
    void blockLayout_data();
    void blockLayout();
    void wireRoundTrip();
    void wireLayout();
    void wireMask_data();
    void wireMask();
    void decodeKeepsChainSwitches();
    void emptyPreset();
    void presetSelection();
    void recordOperations();
    void systemSettings_data();
    void systemSettings();
    void tempoAndControl();
    void names();
    void slotNames();
    void captureArea();
    void reset();
};

void TestDeviceStore::blockLayout_data()
{
    QTest::addColumn<int>("module");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("words");
    QTest::newRow("FXA") << 0 << 0x010 << 12 << 4;
    QTest::newRow("DS/OD") << 1 << 0x01C << 10 << 3;
    QTest::newRow("AMP") << 2 << 0x026 << 16 << 6;
    QTest::newRow("CAB") << 3 << 0x036 << 16 << 6;
    QTest::newRow("NS GATE") << 4 << 0x046 << 10 << 3;
    QTest::newRow("EQ") << 5 << 0x050 << 22 << 9;
    QTest::newRow("FXB") << 6 << 0x066 << 12 << 4;
    QTest::newRow("DELAY") << 7 << 0x072 << 16 << 6;
    QTest::newRow("REVERB") << 8 << 0x082 << 12 << 4;
    QTest::newRow("FX LOOP send") << 9 << 0x08E << 10 << 4;
    QTest::newRow("FX LOOP return") << 10 << 0x08E << 10 << 4;
    QTest::newRow("TONE CAP") << 11 << 0x098 << 6 << 1;
    QTest::newRow("12 out of range") << 12 << -1 << 0 << 0;
    QTest::newRow("-1 out of range") << -1 << -1 << 0 << 0;
}

void TestDeviceStore::blockLayout()
{
    QFETCH(int, module);
    QFETCH(int, offset);
    QFETCH(int, size);
    QFETCH(int, words);
    QCOMPARE(moduleBlockOffset(module), offset);
    QCOMPARE(moduleBlockSize(module), size);
    QCOMPARE(moduleParamWords(module), words);
    auto store = std::make_unique<DeviceStore>();
    if (offset < 0) {
        QVERIFY(!store->moduleBlock(kEditBuffer, module));
        QCOMPARE(store->blockWord(kEditBuffer, module, 0), -1);
        return;
    }
    QCOMPARE(store->moduleBlock(7, module), store->record(7)->data() + offset);
    QVERIFY(!store->moduleBlock(256, module));
    // The last word of the block is addressable, the one after it is not.
    QVERIFY(store->setBlockWord(kEditBuffer, module, size / 2 - 1, 0xBEEF));
    QCOMPARE(store->blockWord(kEditBuffer, module, size / 2 - 1), 0xBEEF);
    QVERIFY(!store->setBlockWord(kEditBuffer, module, size / 2, 1));
    QCOMPARE(store->blockWord(kEditBuffer, module, size / 2), -1);
}

void TestDeviceStore::wireRoundTrip()
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const Record original = randomRecord(seed);
        const QByteArray wire = encode(original);
        QCOMPARE(wire.size(), kWireRecordSize);
        Record decoded = randomRecord(seed + 1000);
        decodeWireRecord(reinterpret_cast<const std::uint8_t *>(wire.constData()), decoded);
        // Equal except the chain entries' on/off bytes, which the wire does not carry.
        for (int i = 0; i < kRecordSize; ++i) {
            const bool chainSwitch = i >= Rec::Chain && i < Rec::Chain + 22 && (i - Rec::Chain) % 2 == 1;
            if (!chainSwitch && original[std::size_t(i)] != decoded[std::size_t(i)])
                QFAIL(qPrintable(QStringLiteral("seed %1: record byte 0x%2 differs").arg(seed).arg(i, 0, 16)));
        }
        QCOMPARE(encode(decoded), wire);
    }
}

void TestDeviceStore::wireLayout()
{
    Record r{};
    for (int i = 0; i < kRecordSize; ++i)
        r[std::size_t(i)] = static_cast<std::uint8_t>(i * 3 + 1);
    for (int m = 0; m < kModuleCount; ++m)
        putU16(r.data() + moduleBlockOffset(m), 0);
    const QByteArray w = encode(r);
    auto rec = [&](int off, int len) { return QByteArray(reinterpret_cast<const char *>(r.data()) + off, len); };

    QCOMPARE(w.mid(0, 16), rec(Rec::Name, 16));
    QCOMPARE(w.mid(16, 4), QByteArray(4, '\0'));
    // Module data: each block from its type word, FX LOOP from its first
    // parameter word, TONE CAP last.
    QCOMPARE(w.mid(20, 10), rec(0x012, 10));    // FXA
    QCOMPARE(w.mid(30, 8), rec(0x01E, 8));      // DS/OD
    QCOMPARE(w.mid(38, 14), rec(0x028, 14));    // AMP
    QCOMPARE(w.mid(52, 14), rec(0x038, 14));    // CAB
    QCOMPARE(w.mid(66, 8), rec(0x048, 8));      // NS GATE
    QCOMPARE(w.mid(74, 20), rec(0x052, 20));    // EQ
    QCOMPARE(w.mid(94, 10), rec(0x068, 10));    // FXB
    QCOMPARE(w.mid(104, 14), rec(0x074, 14));   // DELAY
    QCOMPARE(w.mid(118, 10), rec(0x084, 10));   // REVERB
    QCOMPARE(w.mid(128, 8), rec(0x090, 8));     // FX LOOP: 4 words, no type word
    QCOMPARE(w.mid(136, 4), rec(0x09A, 4));     // TONE CAP
    QCOMPARE(w.mid(140, 1), rec(Rec::CtrlMode, 1));
    QCOMPARE(w.mid(141, 2), rec(Rec::CtrlMask, 2));
    QCOMPARE(w.mid(143, 1), rec(Rec::Volume, 1));
    for (int i = 0; i < 11; ++i)
        QCOMPARE(w.at(144 + i), char(r[std::size_t(Rec::Chain + 2 * i)]));
    QCOMPARE(w.mid(155, 304), rec(Rec::Expression, 304));
    QCOMPARE(w.mid(459, 2), rec(Rec::Tempo, 2));
    QCOMPARE(w.mid(461, 1), rec(Rec::LedColor, 1));
    QCOMPARE(w.mid(462, 8), rec(Rec::FxATime, 8));
    QCOMPARE(w.mid(470, 5), rec(Rec::Version, 5));
}

void TestDeviceStore::wireMask_data()
{
    QTest::addColumn<QList<int>>("modulesOn");
    QTest::addColumn<quint32>("mask");
    QTest::newRow("none") << QList<int>{} << quint32(0);
    QTest::newRow("tone cap only") << QList<int>{11} << quint32(1u << 3);
    QTest::newRow("fx loop") << QList<int>{9} << quint32(1u << 7);
    QTest::newRow("fxa amp reverb") << QList<int>{0, 2, 8} << quint32(1u | 4u | (1u << 10));
    QTest::newRow("cab delay") << QList<int>{3, 7} << quint32((1u << 4) | (1u << 9));
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11} << quint32(0x7FF);
}

void TestDeviceStore::wireMask()
{
    QFETCH(QList<int>, modulesOn);
    QFETCH(quint32, mask);
    Record r{};
    for (int m : modulesOn)
        putU16(r.data() + moduleBlockOffset(m), 1);
    const QByteArray w = encode(r);
    QCOMPARE(getU32(reinterpret_cast<const std::uint8_t *>(w.constData()) + 16), mask);

    // Decoding sets every on/off word from the mask, on and off.
    Record back{};
    for (int m = 0; m < kModuleCount; ++m)
        putU16(back.data() + moduleBlockOffset(m), 1);
    decodeWireRecord(reinterpret_cast<const std::uint8_t *>(w.constData()), back);
    for (int m = 0; m < kModuleCount; ++m) {
        const int expected = (modulesOn.contains(m) || (m == 10 && modulesOn.contains(9))) ? 1 : 0;
        QCOMPARE(int(getU16(back.data() + moduleBlockOffset(m))), expected);
    }
}

void TestDeviceStore::decodeKeepsChainSwitches()
{
    Record target{};
    for (int i = 0; i < 11; ++i)
        target[std::size_t(Rec::Chain + 2 * i + 1)] = static_cast<std::uint8_t>(0x40 + i);
    QByteArray w(kWireRecordSize, '\0');
    for (int i = 0; i < 11; ++i)
        w[144 + i] = static_cast<char>(10 - i);
    decodeWireRecord(reinterpret_cast<const std::uint8_t *>(w.constData()), target);
    for (int i = 0; i < 11; ++i) {
        QCOMPARE(int(target[std::size_t(Rec::Chain + 2 * i)]), 10 - i);
        QCOMPARE(int(target[std::size_t(Rec::Chain + 2 * i + 1)]), 0x40 + i);
    }
}

void TestDeviceStore::emptyPreset()
{
    const Record &e = Kt900::emptyPreset();
    QCOMPARE(nameFromBytes(e.data()), QStringLiteral("EMPTY"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(e.data()), 16), QByteArray("EMPTY").leftJustified(16, '\0'));
    for (int m = 0; m < kModuleCount; ++m)
        QCOMPARE(int(getU16(e.data() + moduleBlockOffset(m))), 0);
    // First type of each module with its defaults.
    const QList<QList<int>> defaults = {{90, 25, 40, 65}, {35, 30, 40}, {80, 50, 50, 50, 50, 73},
                                        {4, 5, 0, 30, 0, 50}, {20, 0, 0}, {32, 32, 32, 32, 32, 50, 0, 0, 0},
                                        {320, 50, 55, 0}, {40, 27, 460, 0, 0, 0}, {5, 35, 55, 60}};
    for (int m = 0; m < 9; ++m) {
        QCOMPARE(int(getU16(e.data() + moduleBlockOffset(m) + 2)), 0);
        for (int i = 0; i < defaults[m].size(); ++i)
            QCOMPARE(int(getU16(e.data() + moduleBlockOffset(m) + 4 + 2 * i)), defaults[m][i]);
    }
    for (int i = 0; i < 11; ++i)
        QCOMPARE(int(e[std::size_t(Rec::Chain + 2 * i)]), i);
    QCOMPARE(int(e[Rec::Volume]), 50);
    QCOMPARE(int(getU16(e.data() + Rec::Tempo)), 80);
    for (int off : {Rec::FxATime, Rec::FxBTime, Rec::DelayTime1, Rec::DelayTime2})
        QCOMPARE(int(getU16(e.data() + off)), 500);

    auto store = std::make_unique<DeviceStore>();
    *store->record(3) = randomRecord(3);
    QVERIFY(store->clearRecord(3));
    QVERIFY(*store->record(3) == e);
    QVERIFY(!store->clearRecord(255));
    QVERIFY(!store->clearRecord(-1));
}

void TestDeviceStore::presetSelection()
{
    auto store = std::make_unique<DeviceStore>();
    QCOMPARE(store->currentPresetIndex(), -1);
    *store->record(254) = randomRecord(254);
    store->setModified(true);
    QVERIFY(store->selectPreset(254));
    QCOMPARE(store->currentPresetIndex(), 254);
    QVERIFY(*store->record(kEditBuffer) == *store->record(254));
    QVERIFY(!store->isModified());
    QVERIFY(!store->selectPreset(255));
    QVERIFY(!store->selectPreset(-1));
    QCOMPARE(store->currentPresetIndex(), 254);
    QVERIFY(store->setCurrentIndex(0));
    QCOMPARE(store->currentPresetIndex(), 0);
    QVERIFY(*store->record(kEditBuffer) == *store->record(254)); // not copied
    QVERIFY(!store->setCurrentIndex(255));
    QCOMPARE(store->currentPresetIndex(), 0);
}

void TestDeviceStore::recordOperations()
{
    auto store = std::make_unique<DeviceStore>();
    QVERIFY(store->record(0));
    QVERIFY(store->record(255));
    QVERIFY(!store->record(256));
    QVERIFY(!store->record(-1));
    *store->record(10) = randomRecord(10);
    QVERIFY(store->copyRecord(10, 20));
    QVERIFY(*store->record(20) == *store->record(10));
    QVERIFY(!store->copyRecord(10, 255));
    QVERIFY(!store->copyRecord(255, 10));
    QVERIFY(store->setPresetName(20, QStringLiteral("Lead Tone")));
    QCOMPARE(store->presetName(20), QStringLiteral("Lead Tone"));
    QCOMPARE(store->presetName(300), QString());
    QVERIFY(!store->setPresetName(300, QStringLiteral("x")));

    // Chain and switches of the edit buffer.
    const std::uint8_t order[11] = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    store->setChainOrder(order);
    QCOMPARE(store->chainModuleAt(0), 10);
    QCOMPARE(store->chainModuleAt(10), 0);
    QCOMPARE(store->chainModuleAt(11), -1);
    store->setBlockWord(kEditBuffer, 9, 0, 1);
    QVERIFY(store->moduleSwitch(9));
    QVERIFY(store->moduleSwitch(10));
    QVERIFY(!store->moduleSwitch(12));
}

void TestDeviceStore::systemSettings_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("input level") << 0 << 7 << true;
    QTest::newRow("brightness") << 17 << 3 << true;
    QTest::newRow("first midi table") << 18 << ((5 << 8) | 77) << true;
    QTest::newRow("second midi table") << 19 << ((254 << 8) | 12) << true;
    QTest::newRow("20 refused") << 20 << 1 << false;
    QTest::newRow("-1 refused") << -1 << 1 << false;
}

void TestDeviceStore::systemSettings()
{
    QFETCH(int, number);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    auto store = std::make_unique<DeviceStore>();
    QCOMPARE(store->setSystemSetting(number, value), accepted);
    if (number >= 0 && number < 18) {
        QCOMPARE(store->systemSetting(number), value);
    } else if (number == 18 || number == 19) {
        QCOMPARE(int(store->midiBlock()[(number == 18 ? 0 : 256) + (value >> 8)]), value & 0xFF);
        QCOMPARE(store->systemSetting(number), -1);
    }
}

void TestDeviceStore::tempoAndControl()
{
    auto store = std::make_unique<DeviceStore>();
    putU16(store->record(kEditBuffer)->data() + Rec::Tempo, 80);
    store->setGlobalTempoRaw(60);
    QCOMPARE(store->presetTempoBpm(), 120);
    QCOMPARE(store->globalTempoBpm(), 100);
    QCOMPARE(store->effectiveTempoBpm(), 120);
    store->setSystemSetting(7, 1);
    QCOMPARE(store->effectiveTempoBpm(), 100);

    QVERIFY(store->setControl(2, 140));            // global tempo in force
    QCOMPARE(int(store->globalTempoRaw()), 100);
    QCOMPARE(store->presetTempoBpm(), 120);
    store->setSystemSetting(7, 0);
    QVERIFY(store->setControl(2, 260));
    QCOMPARE(store->presetTempoBpm(), 260);
    QVERIFY(store->setControl(2, 40));
    QCOMPARE(store->presetTempoBpm(), 40);
    QVERIFY(!store->setControl(2, 39));
    QVERIFY(!store->setControl(2, 261));
    QCOMPARE(store->control(2), 40);

    QVERIFY(store->setControl(0, 2));
    QVERIFY(store->setControl(1, 0x0705));
    QCOMPARE(store->control(0), 2);
    QCOMPARE(store->control(1), 0x0705);
    QCOMPARE(int(store->record(kEditBuffer)->at(Rec::CtrlMask)), 0x05);
    QCOMPARE(int(store->record(kEditBuffer)->at(Rec::CtrlMask + 1)), 0x07);
    QVERIFY(!store->setControl(3, 1));
    QCOMPARE(store->control(3), -1);
}

void TestDeviceStore::names()
{
    std::uint8_t out[16];
    nameToBytes(QStringLiteral("ABCDEFGHIJKLMNOPQRS"), out);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 16), QByteArray("ABCDEFGHIJKLMNOP"));
    nameToBytes(QString::fromUtf8("Cl\xC3\xA9" "an\xE2\x82\xAC"), out);   // é = U+00E9, € = U+20AC
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 16), QByteArray::fromHex("436ce9616eac") + QByteArray(10, '\0'));
    const std::uint8_t full[16] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    QCOMPARE(nameFromBytes(full), QStringLiteral("0123456789abcdef"));
    const std::uint8_t early[16] = {'a', 'b', 0, 'c'};
    QCOMPARE(nameFromBytes(early), QStringLiteral("ab"));
}

void TestDeviceStore::slotNames()
{
    auto store = std::make_unique<DeviceStore>();
    QCOMPARE(DeviceStore::slotCount(ListNr), 10);
    QCOMPARE(DeviceStore::slotCount(ListIr), 10);
    QCOMPARE(DeviceStore::slotCount(ListCapture), 20);
    QCOMPARE(DeviceStore::slotCount(4), 0);
    QVERIFY(store->setSlotName(ListIr, 9, QStringLiteral("Greenback 4x12 SM57")));
    QCOMPARE(store->slotName(ListIr, 9), QStringLiteral("Greenback 4x12 S"));
    QVERIFY(!store->setSlotName(ListIr, 10, QStringLiteral("x")));
    QVERIFY(store->setSlotName(ListCapture, 19, QStringLiteral("Plexi")));
    QVERIFY(!store->setSlotName(ListCapture, 20, QStringLiteral("x")));
    QCOMPARE(store->slotName(ListNr, 0), QString());
    QVERIFY(!store->slotNameBytes(ListNr, 10));
    QVERIFY(!store->slotNameBytes(5, 0));
    const std::uint8_t raw[20] = {'a', 'b', 'c'};
    QVERIFY(store->setSlotNameBytes(ListNr, 2, raw, 20));  // cut to 16
    QCOMPARE(store->slotName(ListNr, 2), QStringLiteral("abc"));
}

void TestDeviceStore::captureArea()
{
    auto store = std::make_unique<DeviceStore>();
    QVERIFY(store->captureData(0));
    QVERIFY(store->captureData(19));
    QVERIFY(!store->captureData(20));
    QCOMPARE(store->captureData(1) - store->captureData(0), 4096);
    store->setCaptureUsed(19, true);
    QVERIFY(store->captureUsed(19));
    store->setCaptureUsed(20, true);
    QVERIFY(!store->captureUsed(20));
    QCOMPARE(store->toneCaptureValue(12), 0);
    store->setToneCaptureValue(11, 9);
    QCOMPARE(int(store->toneCaptureValue(11)), 9);
}

void TestDeviceStore::reset()
{
    auto store = std::make_unique<DeviceStore>();
    store->selectPreset(3);
    store->setScreenCode(12);
    store->setSlotName(ListIr, 1, QStringLiteral("x"));
    store->captureData(2)[5] = 1;
    store->reset();
    QCOMPARE(store->currentPresetIndex(), -1);
    QCOMPARE(store->screenCode(), 0u);
    QCOMPARE(store->slotName(ListIr, 1), QString());
    QCOMPARE(int(store->captureData(2)[5]), 0);
}

QTEST_GUILESS_MAIN(TestDeviceStore)
#include "tst_devicestore.moc"
