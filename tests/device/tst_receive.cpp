// Inbound dispatch into the store (each command, compared with the whole
// store byte for byte), malformed frames from the unit, and the exact bytes of
// every request builder.

#include "commands.h"
#include "devicestore.h"
#include "fakeunit.h"
#include "frame.h"
#include "usbreceivethread.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <random>

using namespace Kt900;

namespace {

// What the window is told for each inbound command code.
UnitChange expectedChange(int code)
{
    static const QMap<int, UnitChange> table = {
        {0x01, UnitChange::DeviceInfo},    {0x02, UnitChange::Page},           {0x03, UnitChange::Module},
        {0x04, UnitChange::Module},        {0x05, UnitChange::Module},         {0x06, UnitChange::Module},
        {0x07, UnitChange::Module},        {0x08, UnitChange::Module},         {0x09, UnitChange::Module},
        {0x0A, UnitChange::Module},        {0x0B, UnitChange::Module},         {0x0C, UnitChange::Module},
        {0x0D, UnitChange::Module},        {0x0E, UnitChange::Rhythm},         {0x0F, UnitChange::VolumeTempo},
        {0x10, UnitChange::ChainOrder},    {0x11, UnitChange::SystemSettings}, {0x12, UnitChange::MidiEntry},
        {0x13, UnitChange::GlobalEq},      {0x14, UnitChange::CtrlSet},        {0x15, UnitChange::Switches},
        {0x16, UnitChange::ExpVolume},     {0x17, UnitChange::ExpAssign},      {0x1A, UnitChange::SlotName},
        {0x1C, UnitChange::Transfer},      {0x1F, UnitChange::SyncDone},       {0x20, UnitChange::PresetStored},
        {0x22, UnitChange::PresetSelected}, {0x24, UnitChange::MidiList},      {0x25, UnitChange::ToneCapture},
        {0x26, UnitChange::ToneCapture},   {0x27, UnitChange::ToneCapture},    {0x28, UnitChange::CaptureAmpList},
        {0x29, UnitChange::BackupMode},    {0xEA, UnitChange::Ack},
    };
    return table.value(code, UnitChange::Other);
}

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

QByteArray u16(int v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF)); }
QByteArray u32(quint32 v) { return u16(int(v & 0xFFFF)) + u16(int(v >> 16)); }

// Bit-by-bit CRC-16/GSM, independent of the table-driven one under test.
quint16 refCrc(const QByteArray &data)
{
    quint16 crc = 0;
    for (char ch : data) {
        crc ^= quint16(quint8(ch) << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return quint16(~crc);
}

QByteArray refFrame(const QByteArray &payload)
{
    const QByteArray body = u16(payload.size()) + payload;
    const quint16 crc = refCrc(body);
    return hex("aa55") + body + QByteArray(1, char(crc >> 8)) + QByteArray(1, char(crc & 0xFF));
}

// The whole store as bytes, area by area, so that a comparison catches any
// stray write.
struct Area {
    QString name;
    QByteArray bytes;
};

QList<Area> dump(const DeviceStore &s)
{
    QList<Area> a;
    for (int i = 0; i < kRecordCount; ++i)
        a.append({QStringLiteral("record %1").arg(i), QByteArray(reinterpret_cast<const char *>(s.record(i)->data()), kRecordSize)});
    QByteArray g;
    g += char(s.currentPresetIndex() & 0xFF);
    g += char(s.lastStoredPreset() & 0xFF);
    g += u32(s.screenCode());
    g += u32(s.lastMidiChange());
    g += u16(s.globalTempoRaw());
    for (int i = 0; i < kToneCaptureValues; ++i)
        g += u16(s.toneCaptureValue(i));
    g += char(s.globalEqOutput());
    for (int i = 0; i < kGlobalEqWords; ++i)
        g += u16(s.globalEqWord(i));
    g += u16(s.expGlobalWord());
    g += char(s.expGlobalByte());
    g += char(s.isModified() ? 1 : 0);
    a.append({QStringLiteral("globals"), g});
    a.append({QStringLiteral("system"), QByteArray(reinterpret_cast<const char *>(s.systemBlock()), kSystemSize)});
    a.append({QStringLiteral("midi"), QByteArray(reinterpret_cast<const char *>(s.midiBlock()), kMidiSize)});
    a.append({QStringLiteral("rhythm"), QByteArray(reinterpret_cast<const char *>(s.rhythmBlock()), kRhythmSize)});
    a.append({QStringLiteral("capture amp"), QByteArray(reinterpret_cast<const char *>(s.captureAmpList()), 140)});
    for (int i = 0; i < kCaptureSlots; ++i) {
        a.append({QStringLiteral("capture %1").arg(i), QByteArray(reinterpret_cast<const char *>(s.captureData(i)), kCaptureBytes)
                                                         + char(s.captureUsed(i) ? 1 : 0)});
    }
    for (int list : {int(ListNr), int(ListIr), int(ListCapture)}) {
        for (int i = 0; i < DeviceStore::slotCount(list); ++i)
            a.append({QStringLiteral("name %1/%2").arg(list).arg(i), QByteArray(reinterpret_cast<const char *>(s.slotNameBytes(list, i)), kNameSize)});
    }
    return a;
}

// Empty when equal, else the first differing area and offset.
QString difference(const DeviceStore &actual, const DeviceStore &expected)
{
    const QList<Area> a = dump(actual);
    const QList<Area> e = dump(expected);
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].bytes == e[i].bytes)
            continue;
        int k = 0;
        while (k < a[i].bytes.size() && a[i].bytes[k] == e[i].bytes[k])
            ++k;
        return QStringLiteral("%1, byte 0x%2: %3 instead of %4")
            .arg(a[i].name).arg(k, 0, 16)
            .arg(quint8(a[i].bytes[k]), 2, 16, QLatin1Char('0'))
            .arg(quint8(e[i].bytes[k]), 2, 16, QLatin1Char('0'));
    }
    return QString();
}

void fillRandom(DeviceStore &s, unsigned seed)
{
    std::mt19937 rng(seed);
    for (int i = 0; i < kRecordCount; ++i) {
        for (auto &b : *s.record(i))
            b = std::uint8_t(rng());
    }
    for (int i = 0; i < kSystemSize; ++i)
        s.systemBlock()[i] = std::uint8_t(rng());
    for (int i = 0; i < kMidiSize; ++i)
        s.midiBlock()[i] = std::uint8_t(rng());
    for (int i = 0; i < kRhythmSize; ++i)
        s.rhythmBlock()[i] = std::uint8_t(rng());
    for (int i = 0; i < 140; ++i)
        s.captureAmpList()[i] = std::uint8_t(rng());
    for (int c = 0; c < kCaptureSlots; ++c) {
        for (int i = 0; i < kCaptureBytes; ++i)
            s.captureData(c)[i] = std::uint8_t(rng());
    }
    s.setGlobalTempoRaw(std::uint16_t(rng()));
    s.setScreenCode(rng());
    s.setLastMidiChange(rng());
    for (int i = 0; i < kToneCaptureValues; ++i)
        s.setToneCaptureValue(i, std::uint16_t(rng()));
    s.setGlobalEqOutput(1);
    for (int i = 0; i < kGlobalEqWords; ++i)
        s.setGlobalEqWord(i, std::uint16_t(rng()));
    s.setExpGlobals(std::uint16_t(rng()), std::uint8_t(rng()));
    s.setSlotName(ListNr, 1, QStringLiteral("nr one"));
    s.setSlotName(ListIr, 2, QStringLiteral("ir two"));
    s.setSlotName(ListCapture, 3, QStringLiteral("cap three"));
    s.setCurrentIndex(9);
}

// A 64-byte report carrying these stream bytes, zero padding after them.
QByteArray reportOf(const QByteArray &stream)
{
    QByteArray r(64, '\0');
    r[0] = char(stream.size());
    r.replace(1, stream.size(), stream);
    return r;
}

QByteArray name16(const char *text) { return QByteArray(text).leftJustified(16, '\0', true); }

} // namespace

class TestReceive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dispatch_data();
    void dispatch();
    void moduleParamsSavedTimes_data();
    void moduleParamsSavedTimes();
    void slotNames();
    void captureNamesFetchData();
    void presetRecords();
    void readoutChunks();
    void readoutFinishedAndAcks();
    void unknownCodeStillNotified();
    void emptyFrameIgnored();
    void badCrcNotDispatched();
    void downloadCompleteness();
    void slotChunkCompleteness();
    void falseStartWithHugeLength();
    void receiverDeletesObject();

    void malformed_data();
    void malformed();
    void moduleParamsTooManyWords();
    void readoutChunksOutOfRange();

    void signalsAndSlot();
    void builders();
    void toneCaptureBuilder();
    void slotAndPresetBuilders();
    void presetFrames();
    void writeFailureReported();

private:
    // Delivers one frame through the report path and returns the changes
    // reported by SendDataToUi (their modules go to m_modules).
    QList<UnitChange> deliver(const QByteArray &payload);
    QList<QByteArray> sent(); // payloads written since the last call (frames checked)

    std::unique_ptr<DeviceStore> m_store;
    std::unique_ptr<DeviceStore> m_expected;
    std::unique_ptr<FakeUnit> m_unit;
    std::unique_ptr<usbReceiveThread> m_recv;
    QList<std::tuple<int, int, QString>> m_typeNames;
    QList<int> m_modules;
};

void TestReceive::init()
{
    m_store = std::make_unique<DeviceStore>();
    fillRandom(*m_store, 7);
    m_expected = std::make_unique<DeviceStore>(*m_store);
    m_unit = std::make_unique<FakeUnit>();
    m_recv = std::make_unique<usbReceiveThread>(m_unit.get(), m_store.get());
    m_typeNames.clear();
    m_recv->setTypeNameHandler([this](int m, int t, const QString &s) { m_typeNames.append({m, t, s}); });
}

void TestReceive::cleanup()
{
    m_recv.reset();
    m_unit.reset();
}

QList<UnitChange> TestReceive::deliver(const QByteArray &payload)
{
    QSignalSpy spy(m_recv.get(), &usbReceiveThread::SendDataToUi);
    const QByteArray frame = Frame::build(payload);
    for (int pos = 0; pos < frame.size(); pos += 63) {
        QByteArray report(64, '\0');
        const QByteArray piece = frame.mid(pos, 63);
        report[0] = char(piece.size());
        report.replace(1, piece.size(), piece);
        m_recv->processReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
    }
    QList<UnitChange> changes;
    m_modules.clear();
    for (const auto &args : spy) {
        changes.append(args.at(0).value<UnitChange>());
        m_modules.append(args.at(1).toInt());
    }
    return changes;
}

QList<QByteArray> TestReceive::sent()
{
    QList<QByteArray> payloads;
    for (const QByteArray &f : m_unit->written()) {
        // Every frame on the wire is exactly the reference framing of its payload.
        const QByteArray payload = f.mid(4, f.size() - 6);
        if (f != refFrame(payload))
            payloads.append(QByteArray("<bad frame ") + f.toHex() + ">");
        else
            payloads.append(payload);
    }
    m_unit->clearWritten();
    return payloads;
}

// Each row: a payload, and what it must change (applied to the expected store
// by a small edit program identified by the row name).
void TestReceive::dispatch_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("CurrentUi") << hex("02") + u32(0x2050D) + hex("00");
    QTest::newRow("ModuleParams FXA") << hex("0301070000") + u16(11) + u16(22) + u16(33) + u16(44);
    QTest::newRow("ModuleParams DS/OD") << hex("0400020000") + u16(1) + u16(2) + u16(3);
    QTest::newRow("ModuleParams AMP") << hex("0501450000") + u16(1) + u16(2) + u16(3) + u16(4) + u16(5) + u16(6);
    QTest::newRow("ModuleParams CAB") << hex("0701210000") + u16(9) + u16(8) + u16(7) + u16(6) + u16(5) + u16(4);
    QTest::newRow("ModuleParams NS GATE") << hex("0801020000") + u16(20) + u16(0) + u16(1);
    QTest::newRow("ModuleParams EQ") << hex("0901030000") + u16(1) + u16(2) + u16(3) + u16(4) + u16(5) + u16(6) + u16(7) + u16(8) + u16(9);
    QTest::newRow("ModuleParams FX LOOP") << hex("0A01070000") + u16(60) + u16(61) + u16(100) + u16(1);
    QTest::newRow("ModuleParams REVERB") << hex("0D00060000") + u16(5) + u16(35) + u16(55) + u16(60);
    QTest::newRow("ModuleParams TONE CAP") << hex("0601130000") + u16(7);
    QTest::newRow("RhythmSettings") << hex("0E0102030405060708090A0B0C");
    QTest::newRow("GlobalBpm") << hex("0F37") + u16(80) + u16(60);
    QTest::newRow("ChainOrder") << hex("10") + hex("0A09080706050403020100") + hex("0100010001000100010001");
    QTest::newRow("SystemSettings") << hex("11") + hex("000102030405060708090A0B0C0D0E0F1011");
    QTest::newRow("MidiMapEntry first table") << hex("1204054D00");
    QTest::newRow("MidiMapEntry second table") << hex("1205FE0C01");
    QTest::newRow("MidiMapEntry other table") << hex("1206054D00");
    QTest::newRow("GlobalEq output 1") << [] { QByteArray p = hex("1301000000"); for (int i = 0; i < 18; ++i) p += u16(500 + i); return p; }();
    QTest::newRow("GlobalEq output 2") << [] { QByteArray p = hex("1302000000"); for (int i = 0; i < 18; ++i) p += u16(500 + i); return p; }();
    QTest::newRow("CtrlSet") << hex("14020507");
    QTest::newRow("ModuleSwitches") << hex("15") + hex("0100010100010101000001");
    QTest::newRow("ExpVolume") << hex("16") + hex("0102030405060708090A") + u16(0x1234) + hex("56");
    QTest::newRow("ExpAssign CAB 2") << hex("170302") + u32(0x00AB00CD) + u32(0x00EF0012) + u32(0x77003301);
    QTest::newRow("ExpAssign FX LOOP return") << hex("170A01") + u32(0x00020001) + u32(0x00040003) + u32(0x06010500);
    QTest::newRow("ExpAssign TONE CAP stores nothing") << hex("170B00") + u32(1) + u32(2) + u32(0x01010101);
    QTest::newRow("StorePreset") << hex("2000FE") + name16("My Lead");
    QTest::newRow("SelectPreset") << hex("2203");
    QTest::newRow("MidiList") << hex("24") + [] { QByteArray m; for (int i = 0; i < 512; ++i) m += char(i * 5); return m; }();
    QTest::newRow("CaptureSettingsA") << hex("2502");
    QTest::newRow("CaptureSettingsB") << hex("2600050000") + u16(300) + u16(301) + u16(302) + u16(303) + u16(304) + u16(305);
    QTest::newRow("CaptureSettingsC") << hex("2704030109");
    QTest::newRow("CaptureAmpList") << hex("28") + [] { QByteArray m; for (int i = 0; i < 140; ++i) m += char(255 - i); return m; }();
}

void TestReceive::dispatch()
{
    QFETCH(QByteArray, payload);
    const QString row = QString::fromLatin1(QTest::currentDataTag());
    DeviceStore &e = *m_expected;
    Record &edit = *e.record(kEditBuffer);
    const auto *p = reinterpret_cast<const std::uint8_t *>(payload.constData());

    if (row == "CurrentUi") {
        e.setScreenCode(0x2050D);
    } else if (row.startsWith("ModuleParams")) {
        const int module = Cmd::commandModule(p[0]);
        const bool loop = module == 9;
        e.setBlockWord(kEditBuffer, module, 0, p[1]);
        if (!loop)
            e.setBlockWord(kEditBuffer, module, 1, p[2]);
        for (int i = 0; i < (payload.size() - 5) / 2; ++i)
            e.setBlockWord(kEditBuffer, module, (loop ? 1 : 2) + i, getU16(p + 5 + 2 * i));
    } else if (row == "RhythmSettings") {
        std::memcpy(e.rhythmBlock(), p + 1, 12);
    } else if (row == "GlobalBpm") {
        edit[Rec::Volume] = 0x37;
        putU16(edit.data() + Rec::Tempo, 80);
        e.setGlobalTempoRaw(60);
    } else if (row == "ChainOrder") {
        for (int i = 0; i < 11; ++i) {
            edit[std::size_t(Rec::Chain + 2 * i)] = std::uint8_t(10 - i);
            edit[std::size_t(Rec::Chain + 2 * i + 1)] = std::uint8_t(i % 2 == 0 ? 1 : 0);
        }
    } else if (row == "SystemSettings") {
        for (int i = 0; i < 18; ++i)
            e.systemBlock()[i] = std::uint8_t(i);
    } else if (row == "MidiMapEntry first table") {
        e.midiBlock()[5] = 0x4D;
        e.setLastMidiChange(0x1205);
    } else if (row == "MidiMapEntry second table") {
        e.midiBlock()[256 + 254] = 0x0C;
        e.setLastMidiChange(0x13FE);
    } else if (row == "GlobalEq output 1") {
        e.setGlobalEqOutput(1);
        for (int i = 0; i < 18; ++i)
            e.setGlobalEqWord(i, std::uint16_t(500 + i));
    } else if (row == "GlobalEq output 2") {
        e.setGlobalEqOutput(2); // the words are not taken
    } else if (row == "CtrlSet") {
        edit[Rec::CtrlMode] = 2;
        edit[Rec::CtrlMask] = 5;
        edit[Rec::CtrlMask + 1] = 7;
    } else if (row == "ModuleSwitches") {
        // Switch order 0 1 2 11 3 4 5 9 6 7 8 with bytes 01 00 01 01 00 01 01 01 00 00 01.
        const int order[11] = {0, 1, 2, 11, 3, 4, 5, 9, 6, 7, 8};
        const int on[11] = {1, 0, 1, 1, 0, 1, 1, 1, 0, 0, 1};
        for (int i = 0; i < 11; ++i)
            e.setBlockWord(kEditBuffer, order[i], 0, std::uint16_t(on[i]));
    } else if (row == "ExpVolume") {
        for (int i = 0; i < 10; ++i)
            edit[std::size_t(Rec::ExpSettings + i)] = std::uint8_t(i + 1);
        e.setExpGlobals(0x1234, 0x56);
    } else if (row == "ExpAssign CAB 2") {
        const int k = 13 + 2;
        edit[std::size_t(194 + 2 * k)] = 0xCD;
        edit[std::size_t(195 + 2 * k)] = 0xAB;
        edit[std::size_t(341 + 2 * k)] = 0x12;
        edit[std::size_t(342 + 2 * k)] = 0xEF;
        edit[std::size_t(292 + k)] = 0x33;   // c bits 0-7 non-zero: bits 8-15
        edit[std::size_t(439 + k)] = 0;      // c bits 16-23 zero
    } else if (row == "ExpAssign FX LOOP return") {
        const int k = 45 + 1;
        edit[std::size_t(194 + 2 * k)] = 0x01;
        edit[std::size_t(195 + 2 * k)] = 0x02;
        edit[std::size_t(341 + 2 * k)] = 0x03;
        edit[std::size_t(342 + 2 * k)] = 0x04;
        edit[std::size_t(292 + k)] = 0;      // c bits 0-7 zero
        edit[std::size_t(439 + k)] = 0x06;   // c bits 16-23 non-zero: bits 24-31
    } else if (row == "StorePreset") {
        *e.record(254) = edit;
        std::memcpy(e.record(254)->data(), name16("My Lead").constData(), 16);
        e.setLastStoredPreset(254);
        e.setCurrentIndex(254);
        e.setModified(false);
    } else if (row == "SelectPreset") {
        e.selectPreset(3);
    } else if (row == "MidiList") {
        std::memcpy(e.midiBlock(), p + 1, 512);
    } else if (row == "CaptureSettingsA") {
        e.setToneCaptureValue(0, 2);
    } else if (row == "CaptureSettingsB") {
        e.setToneCaptureValue(1, 5);
        for (int i = 0; i < 6; ++i)
            e.setToneCaptureValue(2 + i, std::uint16_t(300 + i));
    } else if (row == "CaptureSettingsC") {
        e.setToneCaptureValue(8, 4);
        e.setToneCaptureValue(9, 3);
        e.setToneCaptureValue(10, 1);
        e.setToneCaptureValue(11, 9);
    } else if (row == "CaptureAmpList") {
        std::memcpy(e.captureAmpList(), p + 1, 140);
    }

    const QList<UnitChange> changes = deliver(payload);
    QCOMPARE(changes, QList<UnitChange>{expectedChange(p[0])});
    QCOMPARE(m_modules, QList<int>{Cmd::commandModule(p[0])});
    const QString diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QVERIFY(m_unit->written().isEmpty()); // none of these sends anything
}

void TestReceive::moduleParamsSavedTimes_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("fxa");
    QTest::addColumn<int>("fxb");
    QTest::addColumn<int>("delay1");
    QTest::addColumn<int>("delay2");
    // -1: unchanged.
    QTest::newRow("FXA type 25, word 5 zero") << hex("0301190000") + u16(20) + u16(27) + u16(460) + u16(0) << 460 << -1 << -1 << -1;
    QTest::newRow("FXA type 25, word 5 set") << hex("0301190000") + u16(20) + u16(27) + u16(460) + u16(3) << -1 << -1 << -1 << -1;
    QTest::newRow("FXA type 24") << hex("0301180000") + u16(20) + u16(27) + u16(460) + u16(0) << -1 << -1 << -1 << -1;
    QTest::newRow("FXB type 26") << hex("0B011A0000") + u16(20) + u16(27) + u16(333) + u16(0) << -1 << 333 << -1 << -1;
    QTest::newRow("FXB type 25") << hex("0B01190000") + u16(20) + u16(27) + u16(333) + u16(0) << -1 << -1 << -1 << -1;
    QTest::newRow("DELAY type 8 both") << hex("0C01080000") + u16(25) + u16(27) + u16(460) + u16(0) + u16(65) + u16(0) << -1 << -1 << 460 << 65;
    QTest::newRow("DELAY type 7 first only") << hex("0C01070000") + u16(25) + u16(27) + u16(460) + u16(0) + u16(65) + u16(0) << -1 << -1 << 460 << -1;
    QTest::newRow("DELAY type 8 synced") << hex("0C01080000") + u16(25) + u16(27) + u16(460) + u16(4) + u16(65) + u16(2) << -1 << -1 << -1 << -1;
}

void TestReceive::moduleParamsSavedTimes()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, fxa);
    QFETCH(int, fxb);
    QFETCH(int, delay1);
    QFETCH(int, delay2);
    const Record before = *m_store->record(kEditBuffer);
    deliver(payload);
    const Record &after = *m_store->record(kEditBuffer);
    const std::pair<int, int> checks[] = {{Rec::FxATime, fxa}, {Rec::FxBTime, fxb}, {Rec::DelayTime1, delay1}, {Rec::DelayTime2, delay2}};
    for (const auto &c : checks)
        QCOMPARE(int(getU16(after.data() + c.first)), c.second < 0 ? int(getU16(before.data() + c.first)) : c.second);
}

void TestReceive::slotNames()
{
    QSignalSpy tone(m_recv.get(), &usbReceiveThread::ToneNameChanged);
    QCOMPARE(deliver(hex("1A0309") + name16(" Plexi Crunch ")), QList<UnitChange>{UnitChange::SlotName});
    QCOMPARE(deliver(hex("1A0400") + name16("Greenback 4x12 SM57")), QList<UnitChange>{UnitChange::SlotName});
    QCOMPARE(deliver(hex("1A0400") + name16("V30")), QList<UnitChange>{UnitChange::SlotName});
    QCOMPARE(deliver(hex("1A0513") + name16("Marshall")), QList<UnitChange>{UnitChange::SlotName});

    DeviceStore &e = *m_expected;
    e.setSlotName(ListNr, 9, QStringLiteral(" Plexi Crunch "));
    e.setSlotName(ListIr, 0, QStringLiteral("V30"));
    e.setSlotName(ListCapture, 19, QStringLiteral("Marshall"));
    e.setCaptureUsed(19, true);
    const QString diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    QCOMPARE(m_recv->irNameCount(), 2);
    QCOMPARE(m_typeNames.size(), 3);
    QCOMPARE(m_typeNames[0], std::make_tuple(2, 79, QStringLiteral("80: Plexi Crunch")));
    QCOMPARE(m_typeNames[1], std::make_tuple(3, 32, QStringLiteral("33:Greenback 4x12 S")));
    QCOMPARE(m_typeNames[2], std::make_tuple(3, 32, QStringLiteral("33:V30")));
    QCOMPARE(tone.size(), 1);
    QCOMPARE(tone[0].at(0).toInt(), 19);
    QCOMPARE(tone[0].at(1).toString(), QStringLiteral("Marshall"));
    QVERIFY(m_unit->written().isEmpty()); // no data requests before the edit buffer arrived
}

void TestReceive::captureNamesFetchData()
{
    QVERIFY(!m_recv->fetchCaptures());
    deliver(hex("1A0502") + name16("before"));
    QVERIFY(sent().isEmpty());

    // The edit buffer arrives: all capture data is requested, and from then on
    // each capture name asks for that one slot's data, exactly once.
    QByteArray editFrame = hex("1C01FF00020201") + QByteArray(kWireRecordSize, '\0');
    QCOMPARE(deliver(editFrame), QList<UnitChange>{UnitChange::Transfer});
    QVERIFY(m_recv->fetchCaptures());
    QCOMPARE(sent(), QList<QByteArray>{hex("1B050100")});
    deliver(hex("1A0507") + name16("later"));
    QCOMPARE(sent(), QList<QByteArray>{hex("1B050007")});
    deliver(hex("1A0400") + name16("ir"));   // other kinds request nothing
    QVERIFY(sent().isEmpty());
}

void TestReceive::presetRecords()
{
    Record source{};
    for (int i = 0; i < kRecordSize; ++i)
        source[std::size_t(i)] = std::uint8_t(i * 13 + 5);
    for (int m = 0; m < kModuleCount; ++m)
        putU16(source.data() + moduleBlockOffset(m), m % 2);
    QByteArray wire(kWireRecordSize, '\0');
    encodeWireRecord(source, reinterpret_cast<std::uint8_t *>(wire.data()));

    // A stored preset: becomes current (copied to the edit buffer first), then
    // the record is decoded into its slot.
    DeviceStore &e = *m_expected;
    e.selectPreset(42);
    decodeWireRecord(reinterpret_cast<const std::uint8_t *>(wire.constData()), *e.record(42));
    QCOMPARE(deliver(hex("1C022A00020201") + wire), QList<UnitChange>{UnitChange::Transfer});
    QString diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QVERIFY(sent().isEmpty());

    // The edit buffer (slot byte 255): decoded into record 255, current unchanged.
    decodeWireRecord(reinterpret_cast<const std::uint8_t *>(wire.constData()), *e.record(kEditBuffer));
    QCOMPARE(deliver(hex("1C01FF00020201") + wire), QList<UnitChange>{UnitChange::Transfer});
    diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(m_store->currentPresetIndex(), 42);
    QCOMPARE(sent(), QList<QByteArray>{hex("1B050100")});

    // Chunk index 0 carries no record.
    QCOMPARE(deliver(hex("1C020500020200") + wire), QList<UnitChange>{UnitChange::Transfer});
    diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestReceive::readoutChunks()
{
    // Without read-out buffers IR/NR chunks only clear the pending flags.
    QByteArray irChunk = hex("1C04030002110A") + QByteArray(512, '\x3C');
    deliver(irChunk);
    QVERIFY(!m_recv->hasReadoutBuffers());

    m_recv->prepareReadout();
    QVERIFY(m_recv->hasReadoutBuffers());
    QVERIFY(!m_recv->readoutFinished());
    for (int i = 0; i < 10; ++i) {
        QVERIFY(m_recv->irPending(i));
        QVERIFY(m_recv->nrPending(i));
    }
    QByteArray ir(512, '\0');
    for (int i = 0; i < 512; ++i)
        ir[i] = char(i);
    deliver(hex("1C04030002110A") + ir);          // IR slot 3, chunk 10 of 17
    QVERIFY(!m_recv->irPending(3));
    QVERIFY(m_recv->irPending(2));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->irReadout()) + 3 * 8192 + 9 * 512, 512), ir);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->irReadout()) + 3 * 8192 + 8 * 512, 512), QByteArray(512, '\0'));

    deliver(hex("1C040410001100") + name16("name"));  // name chunk: pending cleared, nothing copied
    QVERIFY(!m_recv->irPending(4));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->irReadout()) + 4 * 8192, 8192), QByteArray(8192, '\0'));

    QByteArray nr(396, '\x5A');
    deliver(hex("1C03098C010504") + nr);          // NR slot 9, chunk 4 of 5
    QVERIFY(!m_recv->nrPending(9));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->nrReadout()) + 9 * 1584 + 3 * 396, 396), nr);

    // Capture chunks go to the store's capture area.
    QByteArray cap(512, '\x77');
    deliver(hex("1C0511000209 08") + cap);          // slot 17, chunk 8: the last 512 bytes
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_store->captureData(17)) + 3584, 512), cap);

    m_recv->releaseReadout();
    QVERIFY(!m_recv->irReadout());
    deliver(hex("1C04030002110A") + ir);          // no buffer: nothing stored, no crash
}

void TestReceive::readoutFinishedAndAcks()
{
    QCOMPARE(m_recv->lastAckedPreset(), std::uint16_t(0xAAAA));
    deliver(hex("290001"));
    QVERIFY(!m_recv->readoutFinished());
    deliver(hex("290000"));
    QVERIFY(m_recv->readoutFinished());

    QCOMPARE(deliver(hex("EA1C040307")), QList<UnitChange>{UnitChange::Ack});
    QCOMPARE(m_recv->ackSubKind(), 4);
    QCOMPARE(m_recv->ackSlot(), 3);
    QCOMPARE(m_recv->ackChunkIndex(), 7);
    QCOMPARE(m_recv->lastAckedPreset(), std::uint16_t(0xAAAA));
    deliver(hex("EA1C02FE01"));
    QCOMPARE(m_recv->lastAckedPreset(), std::uint16_t(254));
    deliver(hex("EA1B020501"));                   // not a DataTransfer ack
    QCOMPARE(m_recv->lastAckedPreset(), std::uint16_t(254));
    QCOMPARE(m_recv->ackSubKind(), 2);
    const QString diff = difference(*m_store, *m_expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestReceive::unknownCodeStillNotified()
{
    QCOMPARE(deliver(hex("1F00")), QList<UnitChange>{UnitChange::SyncDone});
    QCOMPARE(deliver(hex("77AABBCC")), QList<UnitChange>{UnitChange::Other});
    QCOMPARE(deliver(hex("01")), QList<UnitChange>{UnitChange::DeviceInfo});
    const QString diff = difference(*m_store, *m_expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestReceive::emptyFrameIgnored()
{
    QSignalSpy spy(m_recv.get(), &usbReceiveThread::SendDataToUi);
    QByteArray empty = hex("aa550000");
    const quint16 crc = refCrc(hex("0000"));
    empty += char(crc >> 8);
    empty += char(crc & 0xFF);
    const QByteArray report = reportOf(empty + Frame::build(hex("2201")));
    m_recv->processReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
    QCOMPARE(spy.size(), 1);           // only the SelectPreset that follows
    QCOMPARE(spy[0].at(0).value<UnitChange>(), UnitChange::PresetSelected);
}

void TestReceive::badCrcNotDispatched()
{
    QSignalSpy spy(m_recv.get(), &usbReceiveThread::SendDataToUi);
    QByteArray bad = Frame::build(hex("2207"));
    bad[5] = 0x08;                     // payload damaged: CRC no longer matches
    const QByteArray report = reportOf(bad + Frame::build(hex("220A")));
    m_recv->processReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0].at(0).value<UnitChange>(), UnitChange::PresetSelected);
    QCOMPARE(m_store->currentPresetIndex(), 10);
}

// After a download every preset, the edit buffer and each global block a
// backup carries must have come; a damaged frame is counted.
void TestReceive::downloadCompleteness()
{
    QVERIFY(!m_recv->downloadChecked());
    m_recv->beginDownloadCheck();
    QVERIFY(m_recv->downloadChecked());
    QStringList missing = m_recv->missingRecords();
    QCOMPARE(missing.size(), 255 + 1 + 7);
    QCOMPARE(missing.first(), QStringLiteral("preset 01A"));
    QVERIFY(missing.contains(QStringLiteral("preset 85C")));

    const QByteArray wire(kWireRecordSize, '\0');
    for (int i = 0; i < kPresetCount; ++i) {
        if (i != 13)
            deliver(hex("1C02") + QByteArray(1, char(i)) + hex("00020201") + wire);
    }
    deliver(hex("1C01FF00020201") + wire);
    deliver(QByteArray(1, char(0x11)) + QByteArray(18, '\1'));          // system settings
    deliver(hex("0F00000000"));                                          // too short: not applied
    deliver(hex("0F0000000000"));                                        // global tempo
    deliver(hex("1302000000") + QByteArray(36, '\0'));                   // global EQ of output 2: not taken
    deliver(QByteArray(1, char(0x24)) + QByteArray(512, '\0'));         // MIDI table
    deliver(QByteArray(1, char(0x0E)) + QByteArray(12, '\0'));          // rhythm
    deliver(QByteArray(1, char(0x16)) + QByteArray(13, '\0'));          // pedal volume
    deliver(QByteArray(1, char(0x28)) + QByteArray(140, '\0'));         // capture amp list
    missing = m_recv->missingRecords();
    QCOMPARE(missing, (QStringList{QStringLiteral("preset 05B"), QStringLiteral("the global EQ")}));
    QCOMPARE(m_recv->damagedFrames(), 0);

    // A damaged frame is dropped and counted; its record stays missing.
    QByteArray bad = Frame::build(hex("1C020D00020201") + wire);
    bad[20] = char(bad[20] ^ 0x40);
    for (int pos = 0; pos < bad.size(); pos += 63) {
        const QByteArray report = reportOf(bad.mid(pos, 63));
        m_recv->processReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
    }
    QVERIFY(m_recv->damagedFrames() >= 1);
    QVERIFY(m_recv->missingRecords().contains(QStringLiteral("preset 05B")));
    deliver(hex("130000000000") + QByteArray(36, '\0'));
    deliver(hex("1C020D00020201") + wire);
    QVERIFY(m_recv->missingRecords().isEmpty());
    // A new download starts from nothing again.
    m_recv->beginDownloadCheck();
    QCOMPARE(m_recv->damagedFrames(), 0);
    QCOMPARE(m_recv->missingRecords().size(), 263);
}

// Slot data is whole only when every data chunk came; a one-slot request
// asks for what is missing, and only for filled slots.
void TestReceive::slotChunkCompleteness()
{
    m_recv->beginDownloadCheck();
    for (int s = 0; s < kCaptureSlots; ++s)
        m_store->setCaptureUsed(s, s == 4);
    const QByteArray cap(512, '\x11');
    for (int chunk = 1; chunk <= 8; ++chunk) {
        if (chunk != 6)
            deliver(hex("1C0504000209") + QByteArray(1, char(chunk)) + cap);
    }
    QVERIFY(!m_recv->slotDataComplete(Cmd::KindCapture, 4));
    QCOMPARE(m_recv->incompleteSlots(Cmd::KindCapture), QList<int>{4});
    deliver(hex("1C050400020906") + cap);
    QVERIFY(m_recv->slotDataComplete(Cmd::KindCapture, 4));
    QVERIFY(m_recv->incompleteSlots(Cmd::KindCapture).isEmpty());

    // IR read-out: only named slots are expected.
    m_recv->prepareReadout();
    m_store->setSlotName(ListIr, 2, QStringLiteral("Cab"));
    for (int s = 0; s < kIrSlots; ++s) {
        if (s != 2)
            m_store->setSlotName(ListIr, s, QString());
    }
    for (int chunk = 1; chunk <= 15; ++chunk)
        deliver(hex("1C0402000211") + QByteArray(1, char(chunk)) + QByteArray(512, '\x22'));
    QCOMPARE(m_recv->incompleteSlots(Cmd::KindIr), QList<int>{2});

    // The unit answers the one-slot request with the slot's chunks (here at
    // once, through the same report path); a unit that sends only part of
    // them is asked the given number of times, then the slot is reported.
    int requests = 0;
    int lastChunk = 16;
    m_unit->responder = [this, &requests, &lastChunk](const QByteArray &f) {
        if (f.mid(4, 4) != hex("1B040002"))
            return;
        ++requests;
        for (int chunk = 1; chunk <= lastChunk; ++chunk) {
            const QByteArray frame = Frame::build(hex("1C0402000211") + QByteArray(1, char(chunk)) + QByteArray(512, '\x23'));
            for (int pos = 0; pos < frame.size(); pos += 63) {
                const QByteArray report = reportOf(frame.mid(pos, 63));
                m_recv->processReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
            }
        }
    };
    lastChunk = 15;
    QCOMPARE(m_recv->refetchIncompleteSlots(Cmd::KindIr, 2, 50), QList<int>{2});
    QCOMPARE(requests, 2);
    lastChunk = 16;
    QVERIFY(m_recv->refetchIncompleteSlots(Cmd::KindIr, 2, 50).isEmpty());
    QCOMPARE(requests, 3);
    QVERIFY(m_recv->slotDataComplete(Cmd::KindIr, 2));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->irReadout()) + 2 * 8192, 8192), QByteArray(8192, '\x23'));
    // Nothing is asked for when everything is whole.
    QVERIFY(m_recv->refetchIncompleteSlots(Cmd::KindIr).isEmpty());
    QCOMPARE(requests, 3);
}

// A false start whose length field announces more than any message holds
// does not hold the frames after it back.
void TestReceive::falseStartWithHugeLength()
{
    QSignalSpy spy(m_recv.get(), &usbReceiveThread::SendDataToUi);
    const QByteArray stream = hex("AA55FFFF01") + Frame::build(hex("2209"));
    const QByteArray report = reportOf(stream);
    m_recv->processReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(m_store->currentPresetIndex(), 9);
    QVERIFY(m_recv->damagedFramesTotal() >= 1);
}

// A receiver of the notifications may delete the receive object (the main
// window does so on a disconnect, possibly from a nested event loop): the
// frames still queued are dropped, nothing is touched afterwards (ASan).
void TestReceive::receiverDeletesObject()
{
    int notices = 0;
    auto *recv = m_recv.release();
    QObject::connect(recv, &usbReceiveThread::SendDataToUi, this, [&](UnitChange, int) {
        ++notices;
        delete recv;
    });
    const QByteArray report = reportOf(Frame::build(hex("2201")) + Frame::build(hex("2202")) + Frame::build(hex("2203")));
    recv->processReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
    QCOMPARE(notices, 1);
    QCOMPARE(m_store->currentPresetIndex(), 1);

    // The same from a capture name's notice.
    recv = new usbReceiveThread(m_unit.get(), m_store.get());
    recv->setFetchCaptures(true);
    QObject::connect(recv, &usbReceiveThread::ToneNameChanged, this, [&] { delete recv; });
    const QByteArray names = reportOf(Frame::build(hex("1A0501") + name16("a")) + Frame::build(hex("2204")));
    recv->processReport(reinterpret_cast<const std::uint8_t *>(names.constData()), 64);
    QCOMPARE(m_store->slotName(ListCapture, 1), QStringLiteral("a"));
    QCOMPARE(m_store->currentPresetIndex(), 1);
    QVERIFY(m_unit->written().isEmpty());
}

// Frames that pass the CRC but do not hold what their command needs: nothing
// is stored, nothing is read or written out of bounds (ASan), and the code is
// still reported.
void TestReceive::malformed_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("CurrentUi short") << hex("02010203");
    QTest::newRow("ModuleParams header short") << hex("03011900");
    QTest::newRow("Rhythm short") << hex("0E0102030405060708090A0B");
    QTest::newRow("GlobalBpm short") << hex("0F3750003C");
    QTest::newRow("ChainOrder short") << hex("10") + QByteArray(21, '\1');
    QTest::newRow("System short") << hex("11") + QByteArray(17, '\1');
    QTest::newRow("MidiMapEntry short") << hex("120405");
    QTest::newRow("GlobalEq no output") << hex("13");
    QTest::newRow("CtrlSet short") << hex("140205");
    QTest::newRow("ModuleSwitches short") << hex("15") + QByteArray(10, '\1');
    QTest::newRow("ExpVolume short") << hex("16") + QByteArray(12, '\1');
    QTest::newRow("ExpAssign short") << hex("170302") + QByteArray(11, '\1');
    QTest::newRow("ExpAssign module 12") << hex("170C00") + QByteArray(12, '\1');
    QTest::newRow("ExpAssign module 255") << hex("17FF00") + QByteArray(12, '\1');
    QTest::newRow("ExpAssign slot 49") << hex("170904") + QByteArray(12, '\1');
    QTest::newRow("ExpAssign index 255") << hex("1708FF") + QByteArray(12, '\1');
    QTest::newRow("SlotName short") << hex("1A0301") + QByteArray(15, 'a');
    QTest::newRow("SlotName NR slot 10") << hex("1A030A") + name16("x");
    QTest::newRow("SlotName IR slot 255") << hex("1A04FF") + name16("x");
    QTest::newRow("SlotName capture slot 20") << hex("1A0514") + name16("x");
    QTest::newRow("SlotName kind 6") << hex("1A0600") + name16("x");
    QTest::newRow("DataTransfer header short") << hex("1C020500");
    QTest::newRow("preset record short") << hex("1C020500020201") + QByteArray(474, '\1');
    QTest::newRow("preset index 255") << hex("1C02FF00020201") + QByteArray(475, '\1');
    QTest::newRow("capture slot 20") << hex("1C05140002090 1") + QByteArray(512, '\1');
    QTest::newRow("capture chunk 9") << hex("1C05000002090 9") + QByteArray(512, '\1');
    QTest::newRow("capture chunk 255") << hex("1C050000020AFF") + QByteArray(512, '\1');
    QTest::newRow("capture chunk short") << hex("1C05000002090 1") + QByteArray(506, '\1');
    QTest::newRow("StorePreset short") << hex("200003") + QByteArray(15, 'a');
    QTest::newRow("StorePreset index 255") << hex("2000FF") + name16("x");
    QTest::newRow("SelectPreset 255") << hex("22FF");
    QTest::newRow("SelectPreset short") << hex("22");
    QTest::newRow("MidiList short") << hex("24") + QByteArray(511, '\1');
    QTest::newRow("CaptureSettingsA short") << hex("25");
    QTest::newRow("CaptureSettingsB short") << hex("26") + QByteArray(15, '\1');
    QTest::newRow("CaptureSettingsC short") << hex("27010203");
    QTest::newRow("CaptureAmpList short") << hex("28") + QByteArray(139, '\1');
    QTest::newRow("Ack short") << hex("EA1C0403");
}

void TestReceive::malformed()
{
    QFETCH(QByteArray, payload);
    m_recv->prepareReadout();
    const QByteArray ir(reinterpret_cast<const char *>(m_recv->irReadout()), 81920);
    QCOMPARE(deliver(payload), QList<UnitChange>{expectedChange(quint8(payload[0]))});
    const QString diff = difference(*m_store, *m_expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->irReadout()), 81920), ir);
    QCOMPARE(m_recv->ackChunkIndex(), 0);
    QCOMPARE(m_recv->irNameCount(), 0);
    QVERIFY(m_unit->written().isEmpty());
}

void TestReceive::moduleParamsTooManyWords()
{
    QByteArray payload = hex("0301070000");
    for (int i = 0; i < 40; ++i)
        payload += u16(1000 + i);
    DeviceStore &e = *m_expected;
    e.setBlockWord(kEditBuffer, 0, 0, 1);
    e.setBlockWord(kEditBuffer, 0, 1, 7);
    for (int i = 0; i < 4; ++i)
        e.setBlockWord(kEditBuffer, 0, 2 + i, std::uint16_t(1000 + i));
    QCOMPARE(deliver(payload), QList<UnitChange>{UnitChange::Module});
    QString diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff)); // DS/OD block after it untouched

    // An even payload length: only whole words present are taken.
    const QByteArray even = hex("0D01020000") + u16(5) + u16(6) + hex("09");
    e.setBlockWord(kEditBuffer, 8, 0, 1);
    e.setBlockWord(kEditBuffer, 8, 1, 2);
    e.setBlockWord(kEditBuffer, 8, 2, 5);
    e.setBlockWord(kEditBuffer, 8, 3, 6);
    deliver(even);
    diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    // TONE CAP with a long payload stays inside its 6-byte block.
    QByteArray tone = hex("0601040000");
    for (int i = 0; i < 10; ++i)
        tone += u16(0xF000 + i);
    e.setBlockWord(kEditBuffer, 11, 0, 1);
    e.setBlockWord(kEditBuffer, 11, 1, 4);
    e.setBlockWord(kEditBuffer, 11, 2, 0xF000);
    deliver(tone);
    diff = difference(*m_store, e);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestReceive::readoutChunksOutOfRange()
{
    m_recv->prepareReadout();
    const QByteArray ir(reinterpret_cast<const char *>(m_recv->irReadout()), 81920);
    const QByteArray nr(reinterpret_cast<const char *>(m_recv->nrReadout()), 15840);
    const QByteArray rows[] = {
        hex("1C040A000211 01") + QByteArray(512, '\1'),   // IR slot 10
        hex("1C04FF000211 10") + QByteArray(512, '\1'),   // IR slot 255
        hex("1C04000002C8 11") + QByteArray(512, '\1'),   // IR chunk 17 of a claimed 200
        hex("1C04000002FF FE") + QByteArray(512, '\1'),   // IR chunk 254
        hex("1C040000021101") + QByteArray(505, '\1'),     // IR chunk short
        hex("1C030C8C010501") + QByteArray(396, '\1'),     // NR slot 12
        hex("1C03008C010905") + QByteArray(396, '\1'),     // NR chunk 5 of a claimed 9
        hex("1C03008C010501") + QByteArray(395, '\1'),     // NR chunk short
    };
    for (const QByteArray &r : rows)
        QCOMPARE(deliver(r), QList<UnitChange>{UnitChange::Transfer});
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->irReadout()), 81920), ir);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_recv->nrReadout()), 15840), nr);
    const QString diff = difference(*m_store, *m_expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

// The receiver's contract with the main window: three signals in this order,
// then the loop slot.
void TestReceive::signalsAndSlot()
{
    const QMetaObject *mo = m_recv->metaObject();
    const QStringList expected = {"DeviceDisconnect(bool)", "SendDataToUi(Kt900::UnitChange,int)",
                                  "ToneNameChanged(int,QString)", "ReadThread()"};
    QCOMPARE(mo->methodCount() - mo->methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod m = mo->method(mo->methodOffset() + i);
        QCOMPARE(QString::fromLatin1(m.methodSignature()), expected[i]);
        QCOMPARE(m.methodType(), i < 3 ? QMetaMethod::Signal : QMetaMethod::Slot);
    }
    const QMetaMethod disconnect = mo->method(mo->indexOfSignal("DeviceDisconnect(bool)"));
    QCOMPARE(disconnect.parameterNames().value(0), QByteArray("Dis"));
    QCOMPARE(mo->method(mo->indexOfSignal("SendDataToUi(Kt900::UnitChange,int)")).parameterNames().value(0),
             QByteArray("what"));
}

// --- builders ---------------------------------------------------------------

void TestReceive::builders()
{
    DeviceStore &s = *m_store;
    s.reset();
    Record &edit = *s.record(kEditBuffer);
    s.setBlockWord(kEditBuffer, 0, 0, 1);
    s.setBlockWord(kEditBuffer, 0, 1, 25);
    for (int i = 0; i < 4; ++i)
        s.setBlockWord(kEditBuffer, 0, 2 + i, std::uint16_t(i == 3 ? 0 : 100 * (i + 1)));
    s.setBlockWord(kEditBuffer, 9, 0, 1);
    for (int i = 0; i < 4; ++i)
        s.setBlockWord(kEditBuffer, 9, 1 + i, std::uint16_t(60 + i));
    s.setBlockWord(kEditBuffer, 11, 0, 1);
    s.setBlockWord(kEditBuffer, 11, 1, 3);
    s.setBlockWord(kEditBuffer, 11, 2, 7);
    for (int i = 0; i < 12; ++i)
        s.rhythmBlock()[i] = std::uint8_t(i + 1);
    edit[Rec::Volume] = 55;
    putU16(edit.data() + Rec::Tempo, 80);
    s.setGlobalTempoRaw(60);
    const std::uint8_t order[11] = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    s.setChainOrder(order);
    for (int i = 0; i < 11; ++i)
        edit[std::size_t(Rec::Chain + 2 * i + 1)] = 0x11;   // stale chain switch bytes are not sent
    for (int i = 0; i < 18; ++i)
        s.systemBlock()[i] = std::uint8_t(i * 2);
    s.setGlobalEqOutput(1);
    for (int i = 0; i < 18; ++i)
        s.setGlobalEqWord(i, std::uint16_t(100 + i));
    s.setControl(0, 2);
    s.setControl(1, 0x0705);
    for (int i = 0; i < 10; ++i) {
        edit[std::size_t(Rec::ExpSettings + i)] = std::uint8_t(i + 1);
        (*s.record(7))[std::size_t(Rec::ExpSettings + i)] = std::uint8_t(i + 11);
    }
    s.setExpGlobals(0x1234, 0x56);
    for (int i = 0; i < 512; ++i)
        s.midiBlock()[i] = std::uint8_t(i);
    for (int i = 0; i < 140; ++i)
        s.captureAmpList()[i] = std::uint8_t(i);
    usbReceiveThread &r = *m_recv;

    QCOMPARE(r.sendDeviceInfoRequest(), 1);
    QCOMPARE(m_unit->written().first(), hex("AA55020000001297"));
    QCOMPARE(sent(), QList<QByteArray>{hex("0000")});

    QCOMPARE(r.sendCurrentUi(12), 1);
    QCOMPARE(r.sendCurrentUi(12), 0);                       // unchanged: nothing sent
    QCOMPARE(r.sendCurrentUi(0x2050D), 1);
    QCOMPARE(s.screenCode(), 0x2050Du);
    QCOMPARE(sent(), (QList<QByteArray>{hex("020C00000000"), hex("020D05020000")}));

    QCOMPARE(r.sendModuleParams(0), 1);
    QCOMPARE(r.sendModuleParams(9), 1);
    QCOMPARE(r.sendModuleParams(10), 1);
    QCOMPARE(r.sendModuleParams(11), 1);
    QCOMPARE(r.sendModuleParams(12), -1);
    QCOMPARE(r.sendModuleParams(-1), -1);
    QCOMPARE(sent(), (QList<QByteArray>{hex("0301190000" "6400" "C800" "2C01" "0000"),
                                        hex("0A01000000" "3C00" "3D00" "3E00" "3F00"),
                                        hex("0A01000000" "3C00" "3D00" "3E00" "3F00"),
                                        hex("0601030000" "0700")}));
    // Payload lengths: block + 1, FX LOOP block + 3, TONE CAP block + 1.
    for (int m = 0; m < 12; ++m) {
        r.sendModuleParams(m);
        const QByteArray p = sent().value(0);
        QCOMPARE(p.size(), moduleBlockSize(m) + (m == 9 || m == 10 ? 3 : 1));
        QCOMPARE(int(quint8(p[0])), Cmd::moduleCommand(m));
    }

    QCOMPARE(r.sendRhythmSettings(), 1);
    QCOMPARE(r.sendGlobalBpm(), 1);
    QCOMPARE(r.sendChainOrder(), 1);
    QCOMPARE(sent(), (QList<QByteArray>{hex("0E0102030405060708090A0B0C"),
                                        hex("0F37" "5000" "3C00"),
                                        hex("10" "0A09080706050403020100" "0100000000000000000101")}));

    QCOMPARE(r.sendSystemSetting(3, 9), 1);
    QCOMPARE(s.systemSetting(3), 9);
    QCOMPARE(r.sendSystemSetting(19, (7 << 8) | 33), 1);   // a MIDI table entry, then the block
    QCOMPARE(int(s.midiBlock()[256 + 7]), 33);
    QCOMPARE(r.sendSystemSetting(20, 1), -1);
    QCOMPARE(r.sendSystemSetting(-1, 1), -1);
    QCOMPARE(r.sendSystemSettings(), 1);
    const QByteArray sys = hex("11" "000204090 80A0C0E10121416181A1C1E2022");
    QCOMPARE(sent(), (QList<QByteArray>{sys, sys, sys}));

    QCOMPARE(r.sendMidiMapEntry(18, 5, 77), 1);
    QCOMPARE(r.sendMidiMapEntry(19, 254, 300), 1);
    QCOMPARE(r.sendMidiMapEntry(17, 5, 77), -1);
    QCOMPARE(r.sendMidiMapEntry(20, 5, 77), -1);
    QCOMPARE(r.sendMidiMapEntry(18, 256, 1), -1);
    QCOMPARE(sent(), (QList<QByteArray>{hex("1204054D00"), hex("1205FE2C01")}));

    QCOMPARE(r.sendGlobalEq(), 1);
    QByteArray eq = hex("1301000000");
    for (int i = 0; i < 18; ++i)
        eq += u16(100 + i);
    QCOMPARE(r.sendCtrlSet(), 1);
    QCOMPARE(r.sendExpVolume(), 1);
    QCOMPARE(r.sendExpVolume(7), 1);
    QCOMPARE(r.sendExpVolume(256), -1);
    QCOMPARE(r.sendFactoryReset(), 1);
    QCOMPARE(r.sendRequestData(5, 1, 0), 1);
    QCOMPARE(r.sendRequestData(4, 0, 9), 1);
    QCOMPARE(r.sendRequestSync(), 1);
    QCOMPARE(r.sendEditorAttach(), 1);
    QCOMPARE(r.sendMidiList(), 1);
    QCOMPARE(r.sendCaptureAmpList(), 1);
    QCOMPARE(r.sendBackupMode(0, 1), 1);
    QCOMPARE(r.sendBackupMode(1, 0), 1);
    QByteArray midi = hex("24");
    for (int i = 0; i < 512; ++i)
        midi += char(i == 256 + 7 ? 33 : i);
    QByteArray amp = hex("28");
    for (int i = 0; i < 140; ++i)
        amp += char(i);
    QCOMPARE(sent(), (QList<QByteArray>{eq, hex("14020507"),
                                        hex("16" "0102030405060708090A" "3412" "56"),
                                        hex("16" "0B0C0D0E0F1011121314" "3412" "56"),
                                        hex("18"), hex("1B050100"), hex("1B040009"), hex("1E01"), hex("3101"),
                                        midi, amp, hex("290001"), hex("290100")}));
    QCOMPARE(m_unit->written().isEmpty(), true);
    r.sendEditorAttach();
    QCOMPARE(m_unit->written().first(), refFrame(hex("3101")));
}

void TestReceive::toneCaptureBuilder()
{
    DeviceStore &s = *m_store;
    s.setToneCaptureValue(0, 1);
    s.setToneCaptureValue(1, 2);
    for (int i = 0; i < 6; ++i)
        s.setToneCaptureValue(2 + i, std::uint16_t(300 + i));
    s.setToneCaptureValue(8, 4);
    s.setToneCaptureValue(9, 3);
    s.setToneCaptureValue(10, 0);
    s.setToneCaptureValue(11, 9);
    s.setBlockWord(kEditBuffer, 11, 0, 1);
    s.setBlockWord(kEditBuffer, 11, 1, 5);
    s.setBlockWord(kEditBuffer, 11, 2, 0x0203);
    usbReceiveThread &r = *m_recv;
    QCOMPARE(r.sendToneCapture(0), 1);
    for (int n = 1; n <= 7; ++n)
        QCOMPARE(r.sendToneCapture(n), 1);
    QCOMPARE(r.sendToneCapture(8), 1);                      // value 9 = 3 with value 10 = 0: sent as 0
    s.setToneCaptureValue(10, 5);
    QCOMPARE(r.sendToneCapture(11), 1);                     // value 10 non-zero: sent as 1, value 9 as it is
    QCOMPARE(r.sendToneCapture(12), 1);
    QCOMPARE(r.sendToneCapture(14), 1);
    QCOMPARE(r.sendToneCapture(15), -1);
    QCOMPARE(r.sendToneCapture(-1), -1);
    const QByteArray b = hex("2600020000" "2C01" "2D01" "2E01" "2F01" "3001" "3101");
    QCOMPARE(sent(), (QList<QByteArray>{hex("2501"), b, b, b, b, b, b, b, hex("2704000009"), hex("2704030109"),
                                        hex("0601050000" "0302"), hex("0601050000" "0302")}));
}

void TestReceive::slotAndPresetBuilders()
{
    usbReceiveThread &r = *m_recv;
    QCOMPARE(r.sendSlotName(ListNr, 9, QStringLiteral("Plexi")), 1);
    QCOMPARE(r.sendSlotName(ListIr, 0, QStringLiteral("Greenback 4x12 SM57")), 1);
    QCOMPARE(r.sendSlotName(ListCapture, 19, QStringLiteral("Cap")), 1);
    QCOMPARE(r.sendSlotName(ListCapture, 20, QStringLiteral("Cap")), -1);
    QCOMPARE(r.sendSlotName(ListIr, 10, QStringLiteral("x")), -1);
    QCOMPARE(r.sendSlotName(ListNr, -1, QStringLiteral("x")), -1);
    QCOMPARE(r.sendSlotName(ListNr, 0, QString()), -1);
    QCOMPARE(r.sendSlotName(4, 0, QStringLiteral("x")), -1);
    QCOMPARE(m_store->slotName(ListNr, 9), QStringLiteral("Plexi"));
    QCOMPARE(m_store->slotName(ListIr, 0), QStringLiteral("Greenback 4x12 S"));
    QCOMPARE(m_store->slotName(ListCapture, 19), QStringLiteral("Cap"));
    QCOMPARE(m_store->slotName(ListNr, 0), QStringLiteral(""));
    QCOMPARE(sent(), (QList<QByteArray>{hex("1A0309") + name16("Plexi"), hex("1A0400") + name16("Greenback 4x12 S"),
                                        hex("1A0513") + name16("Cap")}));

    QCOMPARE(r.sendDeleteSlot(3, 32), 1);
    QCOMPARE(r.sendDeleteSlot(3, 41), 1);
    QCOMPARE(r.sendDeleteSlot(2, 70), 1);
    QCOMPARE(r.sendDeleteSlot(2, 79), 1);
    for (auto bad : {std::make_pair(3, 31), std::make_pair(3, 42), std::make_pair(2, 69), std::make_pair(2, 80),
                     std::make_pair(2, 32), std::make_pair(3, 70), std::make_pair(0, 32)})
        QCOMPARE(r.sendDeleteSlot(bad.first, bad.second), -1);
    QCOMPARE(sent(), (QList<QByteArray>{hex("1D0400"), hex("1D0409"), hex("1D0300"), hex("1D0309")}));

    QCOMPARE(r.sendStorePreset(254, QStringLiteral("ABCDEFGHIJKLMNOPQR")), 1);
    QCOMPARE(r.sendStorePreset(0, QStringLiteral("Clean")), 1);
    QCOMPARE(r.sendStorePreset(255, QStringLiteral("x")), -1);
    QCOMPARE(r.sendSelectPreset(0), 1);
    QCOMPARE(r.sendSelectPreset(254), 1);
    QCOMPARE(r.sendSelectPreset(255), -1);
    QCOMPARE(r.sendSelectPreset(-1), -1);
    QCOMPARE(sent(), (QList<QByteArray>{hex("2000FE") + "ABCDEFGHIJKLMNOP", hex("200000") + name16("Clean"),
                                        hex("2200"), hex("22FE")}));
}

void TestReceive::presetFrames()
{
    usbReceiveThread &r = *m_recv;
    auto wire = [this](int index) {
        QByteArray w(kWireRecordSize, '\0');
        encodeWireRecord(*m_store->record(index), reinterpret_cast<std::uint8_t *>(w.data()));
        return w;
    };
    QCOMPARE(r.writeEditBuffer(), 1);
    QCOMPARE(r.writePreset(3), 1);
    QCOMPARE(r.writePreset(255), -1);
    QList<QByteArray> p = sent();
    QCOMPARE(p.size(), 2);
    QCOMPARE(p[0].size(), 482);
    QCOMPARE(p[0], hex("1C01FF00020201") + wire(255));
    QCOMPARE(p[1], hex("1C020300020201") + wire(3));

    QCOMPARE(r.writePresets(253, 4), 4);                  // 253, 254, then around to 0, 1
    p = sent();
    QCOMPARE(p.size(), 4);
    const int indexes[] = {253, 254, 0, 1};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(p[i], hex("1C02") + QByteArray(1, char(indexes[i])) + hex("00020201") + wire(indexes[i]));
    QCOMPARE(r.writePresets(0, 254), 254);
    p = sent();
    QCOMPARE(p.size(), 254);
    QCOMPARE(int(quint8(p.last()[2])), 253);
    QCOMPARE(r.writePresets(0, 255), -1);
    QCOMPARE(r.writePresets(0, 0), 0);
    QCOMPARE(r.writePresets(255, 1), -1);
    QCOMPARE(r.writePresets(5, -1), -1);
    QVERIFY(sent().isEmpty());
}

void TestReceive::writeFailureReported()
{
    m_unit->setFailWrites(true);
    QCOMPARE(m_recv->sendSelectPreset(1), -1);
    QCOMPARE(m_recv->writePresets(0, 3), -1);
    QCOMPARE(m_recv->sendCurrentUi(99), -1);
    QCOMPARE(m_store->screenCode(), 99u);                  // stored before sending
    usbReceiveThread orphan(nullptr, m_store.get());       // no connection at all
    QCOMPARE(orphan.sendRequestSync(), -1);
}

QTEST_GUILESS_MAIN(TestReceive)
#include "tst_receive.moc"
