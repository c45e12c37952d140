// The virtual unit at the report level: hand-made reports in, reports out.

#include "factoryset.h"
#include "unithelpers.h"
#include "virtualunit.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <thread>

using namespace Kt900Sim;
using namespace TestUnit;
using Kt900::getU16;

class TestVirtualUnit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deviceInfoReply_data();
    void deviceInfoReply();
    void deviceInfoOnBulkType();
    void reportCountByteIsHonoured();
    void frameSplitAcrossReports();
    void frameCutIntoReports_data();
    void frameCutIntoReports();
    void fullSync();
    void syncCarriesCurrentPresetInEditBuffer();
    void moduleParamsAreStored_data();
    void moduleParamsAreStored();
    void savedDelayTimesFollowManualTime();
    void malformedFramesAreRefused_data();
    void malformedFramesAreRefused();
    void globalCommandsAreStored();
    void presetTransferIsAcknowledged();
    void slotUploadIsAcknowledgedChunkByChunk();
    void slotUploadWithMissingChunkIsNotCommitted();
    void requestDataAllSlots();
    void requestDataOneSlot();
    void backupReadOut();
    void recallStoresAndReloadsCurrentPreset();
    void storeSelectDelete();
    void factoryReset();
    void footswitchActions();
    void faultNoAck();
    void faultAckLimit();
    void faultCorruptFrame();
    void faultReplyDelay();
    void faultUnplugAfterReports();
    void faultNoInfo();
    void toneCapture();
    void loaderMode();
    void loaderRefusesApply();
    void loaderCodesFromFirmwareFile();
    void hostAttachDropsStaleAnswers();
    void stateFileRoundTrip();
    void concurrentUse();
};

// ---------------------------------------------------------------------------

void TestVirtualUnit::deviceInfoReply_data()
{
    QTest::addColumn<char>("mode");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("crc");
    QTest::newRow("normal mode") << 'A' << QStringLiteral("TOVAK_KT900") << 0x154A;
    QTest::newRow("loader mode") << 'B' << QStringLiteral("TOVAK_KT900") << 0x2529;
}

void TestVirtualUnit::deviceInfoReply()
{
    QFETCH(char, mode);
    QFETCH(QString, model);
    QFETCH(int, crc);
    UnitOptions o;
    o.mode = mode;
    VirtualUnit unit(o);
    // The identify sequence: one report of eight zero bytes, then the request.
    sendReports(unit, {bytes({8, 0, 0, 0, 0, 0, 0, 0, 0}).leftJustified(64, '\0')});
    QVERIFY(takeReports(unit).isEmpty());
    sendReports(unit, {bytes({8, 0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97}).leftJustified(64, '\0')});
    const QVector<QByteArray> reports = takeReports(unit);
    QCOMPARE(reports.size(), 1);
    const QByteArray r = reports.first();
    QCOMPARE(r.size(), 64);
    QCOMPARE(u8(r, 0), 61);                       // 55-byte payload + 6
    QCOMPARE(r.mid(1, 5), bytes({0xAA, 0x55, 55, 0, 0x01}));
    QCOMPARE(r.mid(6, 32), model.toLatin1().leftJustified(32, '\0'));
    QCOMPARE(r.mid(38, 7), QByteArray("HW1.2\0\0", 7));
    QCOMPARE(r.mid(45, 7), QByteArray("V1.1.0\0", 7));
    QCOMPARE(r.mid(52, 7), QByteArray("BL1.0\0\0", 7));
    QCOMPARE(r.at(59), mode);
    QCOMPARE((u8(r, 60) << 8) | u8(r, 61), crc);
    QCOMPARE(r.mid(62), QByteArray(2, '\0'));    // padding
    QVERIFY(unit.protocolErrors().isEmpty());
}

void TestVirtualUnit::deviceInfoOnBulkType()
{
    UnitOptions o;
    o.deviceType = 6;
    o.version = QStringLiteral("v1.1.0");
    VirtualUnit unit(o);
    QCOMPARE(unit.reportSize(), 512);
    // The host writes 512-byte blocks of raw frame bytes, zero padded.
    QByteArray block(512, '\0');
    unit.receiveReport(reinterpret_cast<const std::uint8_t *>(block.constData()), block.size());
    block.replace(0, 8, bytes({0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97}));
    unit.receiveReport(reinterpret_cast<const std::uint8_t *>(block.constData()), block.size());
    const QVector<QByteArray> blocks = takeReports(unit);
    QCOMPARE(blocks.size(), 1);
    const QByteArray b = blocks.first();
    QCOMPARE(b.size(), 61);                       // no count byte: every offset one less
    QCOMPARE(b.mid(5, 11), QByteArray("TOVAK_KT900"));
    QCOMPARE(b.mid(44, 6), QByteArray("v1.1.0"));
    QCOMPARE(b.at(58), 'A');
}

void TestVirtualUnit::reportCountByteIsHonoured()
{
    VirtualUnit unit;
    // A report counting two bytes whose stale tail holds a whole request: only
    // the counted bytes belong to the stream.
    QByteArray r(64, '\0');
    r[0] = 2;
    r[1] = 0x11;
    r[2] = 0x22;
    r.replace(3, 8, bytes({0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97}));
    sendReports(unit, {r});
    QVERIFY(takeReports(unit).isEmpty());
    // A count byte of 0 or above 63 is not a report the host can make.
    r[0] = 0;
    sendReports(unit, {r});
    r[0] = 64;
    sendReports(unit, {r});
    QCOMPARE(unit.protocolErrors().size(), 2);
}

void TestVirtualUnit::frameSplitAcrossReports()
{
    VirtualUnit unit;
    const QByteArray frame = bytes({0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97});
    for (int i = 0; i < frame.size(); i += 3) {
        QByteArray r(64, '\x55');
        const QByteArray piece = frame.mid(i, 3);
        r[0] = static_cast<char>(piece.size());
        r.replace(1, piece.size(), piece);
        sendReports(unit, {r});
    }
    QCOMPARE(takePayloads(unit).size(), 1);
}

void TestVirtualUnit::frameCutIntoReports_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<int>>("counts");
    QTest::newRow("device info reply, 61 bytes") << 0x01 << QVector<int>{61};
    QTest::newRow("slot name, 25 bytes") << 0x1A << QVector<int>{25};
    QTest::newRow("preset, 488 bytes") << 0x1C << QVector<int>{63, 63, 63, 63, 63, 63, 63, 47};
    QTest::newRow("MIDI list, 519 bytes") << 0x24 << QVector<int>{63, 63, 63, 63, 63, 63, 63, 63, 15};
}

void TestVirtualUnit::frameCutIntoReports()
{
    QFETCH(int, code);
    QFETCH(QVector<int>, counts);
    VirtualUnit unit;
    sendPayload(unit, bytes({0x00, 0x00}));
    sendPayload(unit, bytes({0x1E, 0x01}));
    const QVector<QByteArray> reports = takeReports(unit);
    // Every frame starts in a new report: walk them frame by frame.
    int i = 0;
    while (i < reports.size()) {
        const QByteArray &first = reports.at(i);
        QCOMPARE(u8(first, 1), 0xAA);
        QCOMPARE(u8(first, 2), 0x55);
        const int frameLen = u16(first, 3) + 6;
        const int reportCount = (frameLen + 62) / 63;
        if (u8(first, 5) == code) {
            QVector<int> seen;
            for (int k = 0; k < reportCount; ++k) {
                seen.append(u8(reports.at(i + k), 0));
                QCOMPARE(reports.at(i + k).size(), 64);
            }
            QCOMPARE(seen, counts);
            // The rest of the last report is zero.
            const QByteArray &last = reports.at(i + reportCount - 1);
            QCOMPARE(last.mid(1 + counts.last()), QByteArray(63 - counts.last(), '\0'));
            return;
        }
        i += reportCount;
    }
    QFAIL("no frame with that code");
}

void TestVirtualUnit::fullSync()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x31, 0x01}));     // EditorAttach
    sendPayload(unit, bytes({0x1E, 0x01}));     // RequestSync
    int bad = 0;
    const QVector<QByteArray> frames = takePayloads(unit, &bad);
    QCOMPARE(bad, 0);
    QVERIFY(frames.size() > 256);
    QCOMPARE(u8(frames.last(), 0), 0x1F);       // SyncDone ends it
    QCOMPARE(unit.syncCount(), 1);

    // Replay the download into a store, as a host would.
    Kt900::DeviceStore store;
    int presets = 0;
    int editBuffers = 0;
    QVector<int> codes;
    for (const QByteArray &p : frames) {
        const int code = u8(p, 0);
        codes.append(code);
        const auto *d = reinterpret_cast<const std::uint8_t *>(p.constData());
        switch (code) {
        case 0x1C: {
            QCOMPARE(p.size(), 482);
            QCOMPARE(p.mid(3, 4), bytes({0x00, 0x02, 0x02, 0x01}));
            const int sub = u8(p, 1);
            const int slot = u8(p, 2);
            if (sub == 2) {
                QCOMPARE(slot, presets);
                ++presets;
                Kt900::decodeWireRecord(d + 7, *store.record(slot));
            } else {
                QCOMPARE(sub, 1);
                ++editBuffers;
                if (slot <= 254)
                    store.selectPreset(slot);
                Kt900::decodeWireRecord(d + 7, *store.record(Kt900::kEditBuffer));
            }
            break;
        }
        case 0x11:
            QCOMPARE(p.size(), 19);
            std::memcpy(store.systemBlock(), d + 1, 18);
            break;
        case 0x24:
            QCOMPARE(p.size(), 513);
            std::memcpy(store.midiBlock(), d + 1, 512);
            break;
        case 0x13:
            QCOMPARE(p.size(), 41);
            QCOMPARE(p.mid(2, 3), QByteArray(3, '\0'));
            store.setGlobalEqOutput(d[1]);
            for (int i = 0; i < 18; ++i)
                store.setGlobalEqWord(i, getU16(d + 5 + 2 * i));
            break;
        case 0x0F:
            QCOMPARE(p.size(), 6);
            store.setGlobalTempoRaw(getU16(d + 4));
            break;
        case 0x0E:
            QCOMPARE(p.size(), 13);
            std::memcpy(store.rhythmBlock(), d + 1, 12);
            break;
        case 0x16:
            QCOMPARE(p.size(), 14);
            store.setExpGlobals(getU16(d + 11), d[13]);
            break;
        case 0x28:
            QCOMPARE(p.size(), 141);
            std::memcpy(store.captureAmpList(), d + 1, 140);
            break;
        case 0x1A: {
            QCOMPARE(p.size(), 19);
            const int kind = u8(p, 1);
            const int list = kind == 3 ? Kt900::ListNr : kind == 4 ? Kt900::ListIr : Kt900::ListCapture;
            QVERIFY(kind >= 3 && kind <= 5);
            store.setSlotNameBytes(list, u8(p, 2), d + 3, 16);
            break;
        }
        default:
            break;
        }
    }
    QCOMPARE(presets, 255);
    QCOMPARE(editBuffers, 1);
    QCOMPARE(codes.count(0x1C), 256);
    // Settings and names come before the presets, the edit buffer after them.
    QVERIFY(codes.indexOf(0x11) < codes.indexOf(0x1C));
    QVERIFY(codes.lastIndexOf(0x1A) < codes.indexOf(0x1C));

    const UnitMemory mem = unit.memory();
    for (int i = 0; i <= Kt900::kEditBuffer; ++i) {
        Kt900::Record expected = *mem.store.record(i);
        Kt900::Record got = *store.record(i);
        // The chain entries' on/off bytes do not travel in the wire record.
        for (int c = 0; c < Kt900::kChainLength; ++c)
            expected[static_cast<std::size_t>(Kt900::Rec::Chain + 2 * c + 1)] = got[static_cast<std::size_t>(Kt900::Rec::Chain + 2 * c + 1)] = 0;
        QVERIFY2(expected == got, qPrintable(QStringLiteral("record %1 differs").arg(i)));
    }
    QCOMPARE(store.currentPresetIndex(), mem.store.currentPresetIndex());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(store.systemBlock()), 18), QByteArray(reinterpret_cast<const char *>(mem.store.systemBlock()), 18));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(store.midiBlock()), 512), QByteArray(reinterpret_cast<const char *>(mem.store.midiBlock()), 512));
    for (int i = 0; i < 18; ++i)
        QCOMPARE(store.globalEqWord(i), mem.store.globalEqWord(i));
    QCOMPARE(store.globalTempoRaw(), mem.store.globalTempoRaw());
    for (int list : {Kt900::ListNr, Kt900::ListIr, Kt900::ListCapture})
        for (int s = 0; s < Kt900::DeviceStore::slotCount(list); ++s)
            QCOMPARE(store.slotName(list, s), mem.store.slotName(list, s));
    QVERIFY(unit.protocolErrors().isEmpty());
}

void TestVirtualUnit::syncCarriesCurrentPresetInEditBuffer()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x22, 42}));        // SelectPreset 42
    sendPayload(unit, bytes({0x1E, 0x01}));
    const QVector<QByteArray> frames = takePayloads(unit);
    QByteArray edit;
    for (const QByteArray &p : frames)
        if (u8(p, 0) == 0x1C && u8(p, 1) == 1)
            edit = p;
    QVERIFY(!edit.isEmpty());
    QCOMPARE(u8(edit, 2), 42);
    QCOMPARE(edit.mid(7, 16), QByteArray(reinterpret_cast<const char *>(unit.memory().store.record(42)->data()), 16));
}

void TestVirtualUnit::moduleParamsAreStored_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("module");
    QTest::addColumn<QVector<int>>("words");   // the block's words after the change
    // AMP: on, type 4, six parameters.
    QTest::newRow("AMP") << bytes({0x05, 1, 4, 0, 0, 80, 0, 50, 0, 40, 0, 55, 0, 70, 0, 50, 0}) << 2
                         << QVector<int>{1, 4, 80, 50, 40, 55, 70, 50};
    // FX LOOP: on/off, type byte 0, then its four parameter words (two bytes
    // longer than the block would suggest).
    QTest::newRow("FX LOOP") << bytes({0x0A, 1, 0, 0, 0, 60, 0, 55, 0, 100, 0, 1, 0}) << 9
                             << QVector<int>{1, 60, 55, 100, 1};
    // TONE CAP: on, capture slot 4, source sync on.
    QTest::newRow("TONE CAP") << bytes({0x06, 1, 4, 0, 0, 1, 0}) << 11 << QVector<int>{1, 4, 1};
    // EQ: off, type 0, nine bands.
    QTest::newRow("EQ") << bytes({0x09, 0, 0, 0, 0, 32, 0, 33, 0, 34, 0, 35, 0, 36, 0, 50, 0, 0, 0, 0, 0, 0, 0}) << 5
                        << QVector<int>{0, 0, 32, 33, 34, 35, 36, 50, 0, 0, 0};
}

void TestVirtualUnit::moduleParamsAreStored()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, module);
    QFETCH(QVector<int>, words);
    VirtualUnit unit;
    sendPayload(unit, payload);
    QVERIFY2(unit.protocolErrors().isEmpty(), qPrintable(unit.protocolErrors().join(QLatin1Char('\n'))));
    const UnitMemory mem = unit.memory();
    for (int w = 0; w < words.size(); ++w)
        QCOMPARE(mem.store.blockWord(Kt900::kEditBuffer, module, w), words.at(w));
    // The unit answers nothing.
    QVERIFY(takeReports(unit).isEmpty());
}

void TestVirtualUnit::savedDelayTimesFollowManualTime()
{
    VirtualUnit unit;
    // DELAY type 8 (dual): Time A 300, Sub A off, Time B 700, Sub B 1/4.
    sendPayload(unit, bytes({0x0C, 1, 8, 0, 0, 25, 0, 27, 0, 0x2C, 0x01, 0, 0, 0xBC, 0x02, 1, 0}));
    UnitMemory mem = unit.memory();
    const auto *rec = mem.store.record(Kt900::kEditBuffer)->data();
    QCOMPARE(getU16(rec + Kt900::Rec::DelayTime1), 300);
    QVERIFY(getU16(rec + Kt900::Rec::DelayTime2) != 700); // Sub B is on: the time follows the tempo
    // FXA DIGITAL DELAY (type 25) with Sub D off keeps Time.
    sendPayload(unit, bytes({0x03, 1, 25, 0, 0, 20, 0, 27, 0, 0xF4, 0x01, 0, 0}));
    mem = unit.memory();
    QCOMPARE(getU16(mem.store.record(Kt900::kEditBuffer)->data() + Kt900::Rec::FxATime), 500);
}

void TestVirtualUnit::malformedFramesAreRefused_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("AMP one byte short") << bytes({0x05, 1, 4, 0, 0, 80, 0, 50, 0, 40, 0, 55, 0, 70, 0, 50});
    QTest::newRow("SystemSettings short") << bytes({0x11, 1, 2, 3});
    QTest::newRow("SelectPreset 255") << bytes({0x22, 255});
    QTest::newRow("StorePreset 255") << (bytes({0x20, 0, 255}) + QByteArray(16, 'A'));
    QTest::newRow("ChainOrder twice module 9") << (bytes({0x10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9}) + QByteArray(11, '\0'));
    QTest::newRow("GlobalEq output 2") << (bytes({0x13, 2, 0, 0, 0}) + QByteArray(36, '\0'));
    QTest::newRow("unknown code") << bytes({0x7E, 0});
    QTest::newRow("IR chunk of wrong size") << (bytes({0x1C, 4, 0, 0x00, 0x01, 17, 1}) + QByteArray(256, 'x'));
    QTest::newRow("IR slot 10") << (bytes({0x1C, 4, 10, 16, 0, 17, 0}) + QByteArray(16, 'x'));
    QTest::newRow("AMP type out of catalogue") << bytes({0x05, 1, 99, 0, 0, 80, 0, 50, 0, 40, 0, 55, 0, 70, 0, 50, 0});
    QTest::newRow("AMP gain out of range") << bytes({0x05, 1, 4, 0, 0, 0xFF, 0, 50, 0, 40, 0, 55, 0, 70, 0, 50, 0});
}

void TestVirtualUnit::malformedFramesAreRefused()
{
    QFETCH(QByteArray, payload);
    VirtualUnit unit;
    const UnitMemory before = unit.memory();
    sendPayload(unit, payload);
    QCOMPARE(unit.protocolErrors().size(), 1);
    QVERIFY(takeReports(unit).isEmpty()); // not acknowledged either
    const UnitMemory after = unit.memory();
    // Length and range errors change nothing (catalogue checks only report).
    if (!QByteArray(QTest::currentDataTag()).contains("catalogue") && !QByteArray(QTest::currentDataTag()).contains("range"))
        QVERIFY(before.serialize() == after.serialize());
}

void TestVirtualUnit::globalCommandsAreStored()
{
    VirtualUnit unit;
    QByteArray sys = bytes({0x11});
    for (int i = 0; i < 18; ++i)
        sys.append(static_cast<char>(i + 1));
    sendPayload(unit, sys);
    sendPayload(unit, bytes({0x0F, 77, 60, 0, 100, 0}));            // volume 77, 100 / 140 bpm
    sendPayload(unit, bytes({0x12, 4, 10, 33, 0}));                 // MIDI IN PC 10 -> preset 33
    sendPayload(unit, bytes({0x12, 5, 254, 127, 0}));               // preset 254 -> PC 127
    sendPayload(unit, bytes({0x14, 1, 0x03, 0x04}));                // CtrlSet mode 1, mask 0x0403
    sendPayload(unit, bytes({0x16, 1, 2, 3, 4, 5, 1, 2, 1, 3, 2, 10, 90, 7}));
    sendPayload(unit, bytes({0x02, 0x0D, 0x05, 0x01, 0x00, 0x00}));  // CurrentUi 0x1050D
    sendPayload(unit, bytes({0x10, 4, 0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
    sendPayload(unit, bytes({0x25, 1}));
    sendPayload(unit, bytes({0x26, 0, 12, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0}));
    QByteArray eq = bytes({0x13, 1, 0, 0, 0});
    for (int i = 0; i < 18; ++i)
        eq.append(static_cast<char>(100 + i)).append('\0');
    sendPayload(unit, eq);
    QByteArray rhythm = bytes({0x0E});
    rhythm.append(QByteArray("ABCDEFGHIJKL"));
    sendPayload(unit, rhythm);
    QVERIFY2(unit.protocolErrors().isEmpty(), qPrintable(unit.protocolErrors().join(QLatin1Char('\n'))));
    QVERIFY(takeReports(unit).isEmpty());

    const UnitMemory m = unit.memory();
    const Kt900::DeviceStore &s = m.store;
    const auto *edit = s.record(Kt900::kEditBuffer)->data();
    for (int i = 0; i < 18; ++i)
        QCOMPARE(s.systemSetting(i), i + 1);
    QCOMPARE(int(edit[Kt900::Rec::Volume]), 77);
    QCOMPARE(getU16(edit + Kt900::Rec::Tempo), 60);
    QCOMPARE(int(s.globalTempoRaw()), 100);
    QCOMPARE(int(s.midiBlock()[10]), 33);
    QCOMPARE(int(s.midiBlock()[256 + 254]), 127);
    QCOMPARE(int(edit[Kt900::Rec::CtrlMode]), 1);
    QCOMPARE(getU16(edit + Kt900::Rec::CtrlMask), 0x0403);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(edit + Kt900::Rec::ExpSettings), 10), bytes({1, 2, 3, 4, 5, 1, 2, 1, 3, 2}));
    QCOMPARE(int(s.expGlobalWord()), 10 | (90 << 8));
    QCOMPARE(int(s.expGlobalByte()), 7);
    QCOMPARE(s.screenCode(), 0x1050Du);
    QCOMPARE(int(edit[Kt900::Rec::Chain]), 4);
    QCOMPARE(int(edit[Kt900::Rec::Chain + 2 * 10]), 10);
    QCOMPARE(int(edit[Kt900::Rec::Chain + 2 * 4 + 1]), 1);
    QCOMPARE(int(s.toneCaptureValue(0)), 1);
    QCOMPARE(int(s.toneCaptureValue(1)), 12);
    QCOMPARE(int(s.toneCaptureValue(7)), 6);
    QCOMPARE(s.globalEqOutput(), 1);
    QCOMPARE(int(s.globalEqWord(17)), 117);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(s.rhythmBlock()), 12), QByteArray("ABCDEFGHIJKL"));
}

void TestVirtualUnit::presetTransferIsAcknowledged()
{
    VirtualUnit unit;
    Kt900::Record r = Kt900::emptyPreset();
    Kt900::nameToBytes(QStringLiteral("SENT BY HOST"), r.data());
    std::uint8_t wire[Kt900::kWireRecordSize];
    Kt900::encodeWireRecord(r, wire);
    QByteArray p = bytes({0x1C, 2, 3, 0x00, 0x02, 0x02, 0x01});
    p.append(reinterpret_cast<const char *>(wire), sizeof wire);
    sendReports(unit, cutReports(Frame::build(p)));
    const QVector<QByteArray> reports = takeReports(unit);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().left(12), bytes({11, 0xAA, 0x55, 0x05, 0x00, 0xEA, 0x1C, 0x02, 0x03, 0x01, 0x84, 0x7D}));
    QCOMPARE(unit.memory().store.presetName(3), QStringLiteral("SENT BY HOST"));
    // The edit buffer (sub-kind 1, slot 255).
    p[1] = 1;
    p[2] = static_cast<char>(255);
    sendPayload(unit, p);
    const QVector<QByteArray> acks = takePayloads(unit);
    QCOMPARE(acks.size(), 1);
    QCOMPARE(acks.first(), bytes({0xEA, 0x1C, 1, 255, 1}));
    QCOMPARE(unit.memory().store.presetName(Kt900::kEditBuffer), QStringLiteral("SENT BY HOST"));
}

void TestVirtualUnit::slotUploadIsAcknowledgedChunkByChunk()
{
    VirtualUnit unit;
    QByteArray data(8192, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    for (int chunk = 0; chunk < 17; ++chunk) {
        QByteArray p = bytes({0x1C, 4, 1});
        const int count = chunk == 0 ? 16 : 512;
        p.append(static_cast<char>(count & 0xFF)).append(static_cast<char>(count >> 8));
        p.append(static_cast<char>(17)).append(static_cast<char>(chunk));
        p.append(chunk == 0 ? QByteArray("MY CAB IR").leftJustified(16, '\0') : data.mid((chunk - 1) * 512, 512));
        sendPayload(unit, p);
        const QVector<QByteArray> reports = takeReports(unit);
        QCOMPARE(reports.size(), 1);
        const QByteArray ack = decodePayloads(reports).value(0);
        QCOMPARE(ack, bytes({0xEA, 0x1C, 4, 1, chunk}));
        if (chunk == 16)
            QCOMPARE(reports.first().left(12), bytes({11, 0xAA, 0x55, 0x05, 0x00, 0xEA, 0x1C, 0x04, 0x01, 0x10, 0x52, 0xAF}));
    }
    const UnitMemory m = unit.memory();
    QVERIFY(m.irFilled(1));
    QCOMPARE(m.store.slotName(Kt900::ListIr, 1), QStringLiteral("MY CAB IR"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(m.irData[1].data()), 8192), data);
    QVERIFY(unit.protocolErrors().isEmpty());
}

void TestVirtualUnit::slotUploadWithMissingChunkIsNotCommitted()
{
    VirtualUnit unit;
    const UnitMemory before = unit.memory();
    for (int chunk : {0, 1, 2, 4}) { // NR: chunk 3 never arrives
        QByteArray p = bytes({0x1C, 3, 1});
        const int count = chunk == 0 ? 16 : 396;
        p.append(static_cast<char>(count & 0xFF)).append(static_cast<char>(count >> 8));
        p.append(static_cast<char>(5)).append(static_cast<char>(chunk));
        p.append(QByteArray(count, 'n'));
        sendPayload(unit, p);
    }
    QCOMPARE(takePayloads(unit).size(), 4);
    QVERIFY(!unit.memory().nrFilled(1));
    QCOMPARE(before.nrFilled(1), false);
    QCOMPARE(unit.protocolErrors().size(), 1);
}

void TestVirtualUnit::requestDataAllSlots()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x1B, 4, 1, 0}));
    const QVector<QByteArray> frames = takePayloads(unit);
    const int filled = int(std::size(kFactoryIrSlots));
    QCOMPARE(frames.size(), filled + filled * 17);
    // Names first, then each slot's 17 chunks.
    for (int i = 0; i < filled; ++i) {
        QCOMPARE(u8(frames.at(i), 0), 0x1A);
        QCOMPARE(u8(frames.at(i), 1), 4);
        QCOMPARE(u8(frames.at(i), 2), kFactoryIrSlots[i]);
    }
    const UnitMemory m = unit.memory();
    for (int s = 0; s < filled; ++s) {
        const int slot = kFactoryIrSlots[s];
        QByteArray data;
        for (int c = 0; c < 17; ++c) {
            const QByteArray &p = frames.at(filled + s * 17 + c);
            QCOMPARE(u8(p, 0), 0x1C);
            QCOMPARE(u8(p, 1), 4);
            QCOMPARE(u8(p, 2), slot);
            QCOMPARE(u16(p, 3), c == 0 ? 16 : 512);
            QCOMPARE(u8(p, 5), 17);
            QCOMPARE(u8(p, 6), c);
            QCOMPARE(p.size(), 7 + (c == 0 ? 16 : 512));
            if (c == 0)
                QCOMPARE(p.mid(7), QByteArray(reinterpret_cast<const char *>(m.store.slotNameBytes(Kt900::ListIr, slot)), 16));
            else
                data += p.mid(7);
        }
        QCOMPARE(data, QByteArray(reinterpret_cast<const char *>(m.irData[static_cast<std::size_t>(slot)].data()), 8192));
    }
}

void TestVirtualUnit::requestDataOneSlot()
{
    VirtualUnit unit;
    // A filled capture slot: its nine chunks only, no SlotName (a host that
    // asks for a capture on every name it gets must not loop).
    const int slot = kFactoryCaptureSlots[1];
    sendPayload(unit, bytes({0x1B, 5, 0, slot}));
    const QVector<QByteArray> frames = takePayloads(unit);
    QCOMPARE(frames.size(), 9);
    for (int c = 0; c < 9; ++c) {
        QCOMPARE(u8(frames.at(c), 0), 0x1C);
        QCOMPARE(u8(frames.at(c), 1), 5);
        QCOMPARE(u8(frames.at(c), 6), c);
    }
    QCOMPARE(frames.first().mid(7).left(10), QByteArray("CRUNCH 30W"));
    // An empty slot sends nothing.
    sendPayload(unit, bytes({0x1B, 5, 0, 19}));
    QVERIFY(takeReports(unit).isEmpty());
    // NR slot 0: five chunks of 16 and 396 bytes.
    sendPayload(unit, bytes({0x1B, 3, 0, 0}));
    const QVector<QByteArray> nr = takePayloads(unit);
    QCOMPARE(nr.size(), 5);
    QCOMPARE(nr.at(1).size(), 7 + 396);
    QVERIFY(unit.protocolErrors().isEmpty());
}

void TestVirtualUnit::backupReadOut()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x29, 0, 1}));
    sendPayload(unit, bytes({0x1B, 4, 1, 0}));
    sendPayload(unit, bytes({0x1B, 3, 1, 0}));
    sendPayload(unit, bytes({0x29, 0, 0}));
    const QVector<QByteArray> reports = takeReports(unit);
    const QVector<QByteArray> frames = decodePayloads(reports);
    const int ir = int(std::size(kFactoryIrSlots));
    const int nr = int(std::size(kFactoryNrSlots));
    QCOMPARE(frames.size(), ir * 18 + nr * 6 + 1);
    QCOMPARE(frames.last(), bytes({0x29, 0, 0}));
    QCOMPARE(reports.last().left(8), bytes({9, 0xAA, 0x55, 0x03, 0x00, 0x29, 0x00, 0x00}));
    QCOMPARE(reports.last().mid(8, 2), bytes({0x09, 0x7A}));
    // IR data before NR data.
    QCOMPARE(u8(frames.at(ir * 18 - 1), 1), 4);
    QCOMPARE(u8(frames.at(ir * 18), 1), 3);
}

void TestVirtualUnit::recallStoresAndReloadsCurrentPreset()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x22, 0})); // current preset 0
    sendPayload(unit, bytes({0x29, 1, 1}));
    Kt900::Record r = Kt900::emptyPreset();
    Kt900::nameToBytes(QStringLiteral("RECALLED"), r.data());
    std::uint8_t wire[Kt900::kWireRecordSize];
    Kt900::encodeWireRecord(r, wire);
    QByteArray p = bytes({0x1C, 2, 0, 0x00, 0x02, 0x02, 0x01});
    p.append(reinterpret_cast<const char *>(wire), sizeof wire);
    sendPayload(unit, p);
    QCOMPARE(takePayloads(unit), QVector<QByteArray>{bytes({0xEA, 0x1C, 2, 0, 1})});
    // Capture upload: nine chunks, each acknowledged.
    for (int chunk = 0; chunk < 9; ++chunk) {
        QByteArray c = bytes({0x1C, 5, 7});
        const int count = chunk == 0 ? 16 : 512;
        c.append(static_cast<char>(count & 0xFF)).append(static_cast<char>(count >> 8)).append(char(9)).append(static_cast<char>(chunk));
        c.append(chunk == 0 ? QByteArray("RECALLED CAP").leftJustified(16, '\0') : QByteArray(512, static_cast<char>(chunk)));
        sendPayload(unit, c);
    }
    QCOMPARE(takePayloads(unit).size(), 9);
    QVERIFY(unit.memory().store.presetName(Kt900::kEditBuffer) != QStringLiteral("RECALLED"));
    sendPayload(unit, bytes({0x29, 1, 0}));
    const UnitMemory m = unit.memory();
    QCOMPARE(m.store.presetName(Kt900::kEditBuffer), QStringLiteral("RECALLED"));
    QVERIFY(m.captureFilled(7));
    QCOMPARE(m.store.slotName(Kt900::ListCapture, 7), QStringLiteral("RECALLED CAP"));
    QCOMPARE(int(m.store.captureData(7)[512 * 3]), 4);
}

void TestVirtualUnit::storeSelectDelete()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x22, 17}));
    QCOMPARE(unit.memory().store.currentPresetIndex(), 17);
    const QString name17 = unit.memory().store.presetName(17);
    QCOMPARE(unit.memory().store.presetName(Kt900::kEditBuffer), name17);
    sendPayload(unit, bytes({0x20, 0, 200}) + QByteArray("NEW NAME").leftJustified(16, '\0'));
    UnitMemory m = unit.memory();
    QCOMPARE(m.store.presetName(200), QStringLiteral("NEW NAME"));
    QCOMPARE(m.store.currentPresetIndex(), 200);
    QCOMPARE(m.store.lastStoredPreset(), 200);
    QCOMPARE(m.store.presetName(17), name17);
    QVERIFY(m.irFilled(0) && m.nrFilled(3));
    sendPayload(unit, bytes({0x1D, 4, 0}));
    sendPayload(unit, bytes({0x1D, 3, 3}));
    m = unit.memory();
    QVERIFY(!m.irFilled(0) && !m.nrFilled(3));
    QCOMPARE(int(m.irData[0][0]), 0);
    sendPayload(unit, bytes({0x1A, 5, 2}) + QByteArray("RENAMED").leftJustified(16, '\0'));
    QCOMPARE(unit.memory().store.slotName(Kt900::ListCapture, 2), QStringLiteral("RENAMED"));
    QVERIFY(unit.protocolErrors().isEmpty());
}

void TestVirtualUnit::factoryReset()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x20, 0, 5}) + QByteArray("CHANGED").leftJustified(16, '\0'));
    sendPayload(unit, bytes({0x1D, 4, 1}));
    QVERIFY(unit.memory().serialize() != factoryMemory().serialize());
    sendPayload(unit, bytes({0x18}));
    QVERIFY(unit.memory().serialize() == factoryMemory().serialize());
}

void TestVirtualUnit::footswitchActions()
{
    VirtualUnit unit;
    QVERIFY(unit.selectPreset(7));
    QCOMPARE(takeReports(unit).value(0).left(9), bytes({8, 0xAA, 0x55, 0x02, 0x00, 0x22, 0x07, 0x02, 0xF4}));
    QCOMPARE(unit.memory().store.currentPresetIndex(), 7);
    QVERIFY(!unit.selectPreset(255));

    QVERIFY(unit.setPage(2));
    QCOMPARE(takeReports(unit).value(0).left(13), bytes({12, 0xAA, 0x55, 0x06, 0x00, 0x02, 0x02, 0, 0, 0, 0, 0xB0, 0xF7}));

    QVERIFY(unit.setParameter(2, 0, 77));
    QByteArray p = takePayloads(unit).value(0);
    QCOMPARE(p.size(), 17);
    QCOMPARE(u8(p, 0), 0x05);
    QCOMPARE(u16(p, 5), 77);
    QCOMPARE(p, VirtualUnit::moduleParamsPayload(*unit.memory().store.record(Kt900::kEditBuffer), 2));

    QVERIFY(unit.setModuleSwitch(11, true));
    QVERIFY(unit.setModuleSwitch(0, false));
    const QVector<QByteArray> sw = takePayloads(unit);
    QCOMPARE(sw.size(), 2);
    QCOMPARE(sw.last().size(), 12);
    QCOMPARE(u8(sw.last(), 0), 0x15);
    QCOMPARE(u8(sw.last(), 1), 0);   // FXA
    QCOMPARE(u8(sw.last(), 4), 1);   // TONE CAP is the fourth in switch order

    QVERIFY(unit.setTempo(100));
    p = takePayloads(unit).value(0);
    QCOMPARE(u8(p, 0), 0x0F);
    QCOMPARE(u16(p, 2), 60);

    QVERIFY(unit.setModuleType(7, 8));
    p = takePayloads(unit).value(0);
    QCOMPARE(u8(p, 0), 0x0C);
    QCOMPARE(u8(p, 2), 8);
    QCOMPARE(u16(p, 5), 25); // the dual delay's defaults

    QVERIFY(unit.storePreset(9, QStringLiteral("FOOT SAVE")));
    p = takePayloads(unit).value(0);
    QCOMPARE(p.left(3), bytes({0x20, 0, 9}));
    QCOMPARE(p.mid(3), QByteArray("FOOT SAVE").leftJustified(16, '\0'));
    QCOMPARE(unit.memory().store.presetName(9), QStringLiteral("FOOT SAVE"));
}

void TestVirtualUnit::faultNoAck()
{
    UnitOptions o;
    o.faults.acknowledge = false;
    VirtualUnit unit(o);
    QByteArray p = bytes({0x1C, 4, 2, 16, 0, 17, 0}) + QByteArray(16, 'a');
    sendPayload(unit, p);
    QVERIFY(takeReports(unit).isEmpty());
    FaultOptions f = unit.faults();
    f.acknowledge = true;
    unit.setFaults(f);
    sendPayload(unit, p);
    QCOMPARE(takePayloads(unit).size(), 1);
}

void TestVirtualUnit::faultAckLimit()
{
    UnitOptions o;
    o.faults.stopAckAfter = 3;
    VirtualUnit unit(o);
    for (int chunk = 0; chunk < 9; ++chunk) {
        QByteArray c = bytes({0x1C, 5, 3});
        const int count = chunk == 0 ? 16 : 512;
        c.append(static_cast<char>(count & 0xFF)).append(static_cast<char>(count >> 8)).append(char(9)).append(static_cast<char>(chunk));
        c.append(QByteArray(count, 'c'));
        sendPayload(unit, c);
    }
    const QVector<QByteArray> acks = takePayloads(unit);
    QCOMPARE(acks.size(), 3);
    QCOMPARE(u8(acks.last(), 4), 2);
}

void TestVirtualUnit::faultCorruptFrame()
{
    UnitOptions o;
    o.faults.corruptFrame = 3;
    VirtualUnit unit(o);
    sendPayload(unit, bytes({0x1E, 0x01}));
    int bad = 0;
    const QVector<QByteArray> frames = takePayloads(unit, &bad);
    QVERIFY(bad >= 1);
    // The third frame (GlobalBpm) is the one lost; everything else arrives.
    QVERIFY(std::none_of(frames.begin(), frames.end(), [](const QByteArray &p) { return u8(p, 0) == 0x0F; }));
    QCOMPARE(u8(frames.at(1), 0), 0x11);
    QCOMPARE(u8(frames.at(2), 0), 0x13);
    QCOMPARE(u8(frames.last(), 0), 0x1F);
}

void TestVirtualUnit::faultReplyDelay()
{
    UnitOptions o;
    o.faults.replyDelayMs = 300;
    VirtualUnit unit(o);
    const auto start = VirtualUnit::Clock::now();
    sendPayload(unit, bytes({0x00, 0x00}));
    std::vector<std::uint8_t> report;
    QVERIFY(!unit.takeReport(&report, start));
    QVERIFY(!unit.takeReport(&report, start + std::chrono::milliseconds(250)));
    QVERIFY(unit.nextDueTime() >= start + std::chrono::milliseconds(300));
    QVERIFY(unit.takeReport(&report, start + std::chrono::milliseconds(400)));
}

void TestVirtualUnit::faultUnplugAfterReports()
{
    UnitOptions o;
    o.faults.unplugAfterReports = 100;
    VirtualUnit unit(o);
    int unplugNotices = 0;
    unit.setUnplugListener([&] { ++unplugNotices; });
    sendPayload(unit, bytes({0x1E, 0x01}));
    QCOMPARE(takeReports(unit).size(), 100);
    QVERIFY(unit.isUnplugged());
    QCOMPARE(unplugNotices, 1);
    sendPayload(unit, bytes({0x00, 0x00}));
    QVERIFY(takeReports(unit).isEmpty());

    // After 0 reports: the first answer never comes.
    UnitOptions none;
    none.faults.unplugAfterReports = 0;
    VirtualUnit unit0(none);
    sendPayload(unit0, bytes({0x00, 0x00}));
    QVERIFY(takeReports(unit0).isEmpty());
    QVERIFY(unit0.isUnplugged());
}

void TestVirtualUnit::faultNoInfo()
{
    UnitOptions o;
    o.faults.answerInfo = false;
    VirtualUnit unit(o);
    sendPayload(unit, bytes({0x00, 0x00}));
    QVERIFY(takeReports(unit).isEmpty());
}

void TestVirtualUnit::toneCapture()
{
    UnitOptions o;
    o.captureTimeMs = 0;
    VirtualUnit unit(o);
    QVERIFY(!unit.memory().captureFilled(6));
    sendPayload(unit, bytes({0x27, 6, 0, 0, 0}));
    QVERIFY(takeReports(unit).isEmpty());
    sendPayload(unit, bytes({0x27, 6, 0, 0, 1})); // start
    const QVector<QByteArray> frames = takePayloads(unit);
    QCOMPARE(frames.size(), 3);
    QCOMPARE(frames.at(0).left(3), bytes({0x1A, 5, 6}));
    QCOMPARE(frames.at(0).mid(3), QByteArray("CAPTURE 07").leftJustified(16, '\0'));
    QCOMPARE(u8(frames.at(1), 0), 0x28);
    QCOMPARE(frames.at(2), bytes({0x27, 6, 0, 1, 0}));
    const UnitMemory m = unit.memory();
    QVERIFY(m.captureFilled(6));
    QCOMPARE(int(m.store.toneCaptureValue(10)), 1);

    // A capture that is stopped before it finishes leaves the slot empty.
    UnitOptions slow;
    slow.captureTimeMs = 60000;
    VirtualUnit unit2(slow);
    sendPayload(unit2, bytes({0x27, 6, 0, 0, 1}));
    sendPayload(unit2, bytes({0x27, 6, 0, 0, 0}));
    QVERIFY(takeReports(unit2).isEmpty());
    QVERIFY(!unit2.memory().captureFilled(6));
    QCOMPARE(unit2.nextEventTime(), VirtualUnit::Clock::time_point::max());
}

void TestVirtualUnit::loaderMode()
{
    UnitOptions o;
    o.mode = 'B';
    VirtualUnit unit(o);
    sendPayload(unit, bytes({0xAA, 0x00}));
    sendPayload(unit, bytes({0x00, 0x00}));
    QCOMPARE(u8(takePayloads(unit).value(0), 54), int('B'));
    sendPayload(unit, bytes({0x50, 0x78, 0x56, 0x34, 0x12}));
    QCOMPARE(takeReports(unit).value(0).left(9), bytes({8, 0xAA, 0x55, 0x02, 0x00, 0x51, 0x01, 0x3F, 0x38}));
    QByteArray image;
    for (int b = 0; b < 3; ++b) {
        const QByteArray data(512, static_cast<char>(0x30 + b));
        image += data;
        sendPayload(unit, bytes({0x52, 0x01, 0x02 + b}) + data);
        QCOMPARE(takeReports(unit).value(0).left(9), bytes({8, 0xAA, 0x55, 0x02, 0x00, 0x53, 0x01, 0x59, 0x5A}));
    }
    sendPayload(unit, bytes({0xFF, 0x00}));
    // Normal-mode commands mean nothing to the loader.
    sendPayload(unit, bytes({0x1E, 0x01}));
    QVERIFY(takeReports(unit).isEmpty());
    const LoaderLog log = unit.loaderLog();
    QVERIFY(log.enterSeen);
    QCOMPARE(log.infoRequests, 1);
    QVERIFY(log.applySeen);
    QCOMPARE(log.applyArgument, 0x12345678u);
    QVERIFY(log.finishSeen);
    QCOMPARE(int(log.blocks.size()), 3);
    QCOMPARE(log.blocks.front().number, std::uint16_t(0x0102));
    QCOMPARE(log.sectionData(0x52, 0x0102, 3), image);
    QVERIFY(log.sectionData(0x52, 0x0102, 4).isEmpty());
    QCOMPARE(unit.protocolErrors().size(), 1);
}

void TestVirtualUnit::loaderRefusesApply()
{
    UnitOptions o;
    o.mode = 'B';
    o.faults.refuseApply = true;
    VirtualUnit unit(o);
    sendPayload(unit, bytes({0x50, 0, 0, 0, 0}));
    QCOMPARE(takeReports(unit).value(0).left(9), bytes({8, 0xAA, 0x55, 0x02, 0x00, 0x51, 0x00, 0x2F, 0x19}));
}

void TestVirtualUnit::loaderCodesFromFirmwareFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Header, two sections of one block each.
    QByteArray fw(128 + 2 * (512 + 512), '\0');
    fw.replace(0, 9, "Tovak_TAG");
    fw.replace(9, 11, "TOVAK_KT900");
    fw[41] = char(0x61);
    fw[42] = char(0x62);
    fw[47] = 2;
    const int second = 128 + 512 + 512;
    auto put32 = [&fw](int off, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            fw[off + i] = static_cast<char>(v >> (8 * i));
    };
    put32(128 + 13, second);
    put32(128 + 17, 512);
    fw[128 + 21] = char(0x70);
    fw[128 + 22] = char(0x71);
    put32(second + 9, second + 512 + 1); // data offset + 1, as the updater reads it
    put32(second + 17, 512);
    fw[second + 21] = char(0x72);
    fw[second + 22] = char(0x73);
    const QString path = dir.filePath(QStringLiteral("TOVAK_KT900_V1.2.0.tk"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(fw);
    f.close();
    LoaderOptions lo;
    QString error;
    QVERIFY2(lo.fromFirmwareFile(path, &error), qPrintable(error));
    QCOMPARE(int(lo.applyCode), 0x61);
    QCOMPARE(int(lo.applyAckCode), 0x62);
    QCOMPARE(int(lo.sections.size()), 2);
    QCOMPARE(int(lo.sections[1].blockCode), 0x72);
    QCOMPARE(int(lo.sections[1].ackCode), 0x73);
    QVERIFY(!lo.fromFirmwareFile(dir.filePath(QStringLiteral("missing.tk")), &error));
    QFile bad(dir.filePath(QStringLiteral("bad.tk")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(700, 'x'));
    bad.close();
    QVERIFY(!lo.fromFirmwareFile(bad.fileName(), &error));
    // A section whose data the updater could not find is refused as well.
    put32(second + 9, 0);
    QFile noData(dir.filePath(QStringLiteral("nodata.tk")));
    QVERIFY(noData.open(QIODevice::WriteOnly));
    noData.write(fw);
    noData.close();
    QVERIFY(!lo.fromFirmwareFile(noData.fileName(), &error));
    QVERIFY(error.contains(QLatin1String("section 2")));
    QCOMPARE(int(lo.applyCode), 0x61); // unchanged by the failures
}

void TestVirtualUnit::hostAttachDropsStaleAnswers()
{
    VirtualUnit unit;
    sendPayload(unit, bytes({0x1E, 0x01}));
    QVERIFY(unit.pendingReports() > 2000);
    // Half a frame from a host that went away.
    sendReports(unit, {bytes({3, 0xAA, 0x55, 0x02}).leftJustified(64, '\0')});
    unit.hostAttached();
    QCOMPARE(unit.pendingReports(), 0);
    sendPayload(unit, bytes({0x00, 0x00}));
    QCOMPARE(takePayloads(unit).size(), 1);
}

void TestVirtualUnit::stateFileRoundTrip()
{
    QTemporaryDir dir;
    VirtualUnit unit;
    sendPayload(unit, bytes({0x20, 0, 33}) + QByteArray("PERSISTED").leftJustified(16, '\0'));
    sendPayload(unit, bytes({0x1D, 4, 2}));
    const QString path = dir.filePath(QStringLiteral("unit.state"));
    QString error;
    QVERIFY2(unit.saveState(path, &error), qPrintable(error));
    VirtualUnit other;
    QVERIFY(other.memory().serialize() != unit.memory().serialize());
    QVERIFY2(other.loadState(path, &error), qPrintable(error));
    QVERIFY(other.memory().serialize() == unit.memory().serialize());
    QCOMPARE(other.memory().store.presetName(33), QStringLiteral("PERSISTED"));
    QCOMPARE(other.memory().store.currentPresetIndex(), 33);

    // A damaged file is refused and changes nothing.
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.resize(f.size() - 1);
    f.close();
    VirtualUnit third;
    QVERIFY(!third.loadState(path, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(third.memory().serialize() == factoryMemory().serialize());
    QVERIFY(!third.loadState(dir.filePath(QStringLiteral("none")), &error));
}

void TestVirtualUnit::concurrentUse()
{
    // The footswitches act from one thread while the host talks from another.
    VirtualUnit unit;
    std::atomic<bool> done{false};
    std::thread pedal([&] {
        for (int i = 0; i < 200; ++i)
            unit.selectPreset(i % 255);
        done = true;
    });
    int frames = 0;
    while (!done || unit.pendingReports() > 0) {
        sendPayload(unit, bytes({0x00, 0x00}));
        frames += takePayloads(unit).size();
    }
    pedal.join();
    QVERIFY(frames >= 200);
}

QTEST_GUILESS_MAIN(TestVirtualUnit)
#include "tst_virtualunit.moc"
