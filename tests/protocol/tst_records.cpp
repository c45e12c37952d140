// The preset record layout against the byte positions the unit uses, and the
// named accessors read from and written to hand-made records.

#include "records.h"

#include <QtTest>

#include <cstring>

using namespace Kt900;

namespace {

// A record with a distinct value at every byte: a field read from the wrong
// offset gives the wrong number.
Record patterned()
{
    Record r{};
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<std::uint8_t>((i * 7 + 3) & 0xFF);
    return r;
}

int u16At(const Record &r, int off)
{
    return r[static_cast<std::size_t>(off)] | (r[static_cast<std::size_t>(off + 1)] << 8);
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void fieldOffsets_data();
    void fieldOffsets();
    void fieldsCoverTheRecord();
    void viewReadsFields_data();
    void viewReadsFields();
    void outOfRange_data();
    void outOfRange();
    void editWritesFields_data();
    void editWritesFields();
    void editOutOfRangeChangesNothing_data();
    void editOutOfRangeChangesNothing();
    void mergeFirstSlots_data();
    void mergeFirstSlots();
};

void TestRecords::fieldOffsets_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("expected");
    QTest::newRow("name") << Rec::Name << 0x000;
    QTest::newRow("ctrl mode") << Rec::CtrlMode << 0x09E;
    QTest::newRow("ctrl mask") << Rec::CtrlMask << 0x09F;
    QTest::newRow("volume") << Rec::Volume << 0x0A1;
    QTest::newRow("chain") << Rec::Chain << 0x0A2;
    QTest::newRow("expression") << Rec::Expression << 0x0B8;
    QTest::newRow("pedal settings") << Rec::ExpSettings << 0x0B8;
    QTest::newRow("assign set 1") << Rec::MergeSet1 << 194;
    QTest::newRow("assign flags 1") << Rec::MergeFlags1 << 292;
    QTest::newRow("assign set 2") << Rec::MergeSet2 << 341;
    QTest::newRow("assign flags 2") << Rec::MergeFlags2 << 439;
    QTest::newRow("tempo") << Rec::Tempo << 0x1E8;
    QTest::newRow("led colour") << Rec::LedColor << 0x1EA;
    QTest::newRow("saved FXA") << savedTimeOffset(SavedFxa) << 0x1EB;
    QTest::newRow("saved FXB") << savedTimeOffset(SavedFxb) << 0x1ED;
    QTest::newRow("saved delay 1") << savedTimeOffset(SavedDelay1) << 0x1EF;
    QTest::newRow("saved delay 2") << savedTimeOffset(SavedDelay2) << 0x1F1;
    QTest::newRow("saved none") << savedTimeOffset(4) << -1;
    QTest::newRow("version") << Rec::Version << 0x1F3;
    QTest::newRow("wire mask") << Wire::Mask << 16;
    QTest::newRow("wire modules") << Wire::Modules << 20;
    QTest::newRow("wire ctrl mode") << Wire::CtrlMode << 140;
    QTest::newRow("wire chain") << Wire::Chain << 144;
    QTest::newRow("wire expression") << Wire::Expression << 155;
    QTest::newRow("wire tempo") << Wire::Tempo << 459;
    QTest::newRow("wire version") << Wire::Version << 470;
}

void TestRecords::fieldOffsets()
{
    QFETCH(int, offset);
    QFETCH(int, expected);
    QCOMPARE(offset, expected);
}

// The fields follow one another without gap or overlap and fill the record;
// the assignment sets fill the expression area after the pedal settings.
void TestRecords::fieldsCoverTheRecord()
{
    int at = Rec::Name + kNameSize;
    for (int m : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}) {
        QCOMPARE(moduleBlockOffset(m), at);
        at += moduleBlockSize(m);
    }
    QCOMPARE(at, Rec::CtrlMode);
    QCOMPARE(Rec::Volume + 1, Rec::Chain);
    QCOMPARE(Rec::Chain + 2 * kChainLength, Rec::Expression);
    QCOMPARE(Rec::ExpSettings + kExpSettingCount, Rec::MergeSet1);
    QCOMPARE(Rec::MergeSet1 + 2 * kMergeSlots, Rec::MergeFlags1);
    QCOMPARE(Rec::MergeFlags1 + kMergeSlots, Rec::MergeSet2);
    QCOMPARE(Rec::MergeSet2 + 2 * kMergeSlots, Rec::MergeFlags2);
    QCOMPARE(Rec::MergeFlags2 + kMergeSlots, Rec::Expression + Rec::ExpressionSize);
    QCOMPARE(Rec::Expression + Rec::ExpressionSize, Rec::Tempo);
    QCOMPARE(Rec::Version + Rec::VersionSize, kRecordSize);
    QCOMPARE(Wire::Version + Rec::VersionSize, kWireRecordSize);
}

void TestRecords::viewReadsFields_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("expected");
    const Record r = patterned();
    const PresetView v(r);
    auto byteAt = [&r](int off) { return int(r[static_cast<std::size_t>(off)]); };
    QTest::newRow("volume") << v.volume() << byteAt(0x0A1);
    QTest::newRow("tempo raw") << v.tempoRaw() << u16At(r, 0x1E8);
    QTest::newRow("tempo bpm") << v.tempoBpm() << u16At(r, 0x1E8) + 40;
    QTest::newRow("led colour") << v.ledColor() << byteAt(0x1EA);
    QTest::newRow("ctrl mode") << v.ctrlMode() << byteAt(0x09E);
    QTest::newRow("ctrl mask at odd offset") << v.ctrlMask() << u16At(r, 0x09F);
    QTest::newRow("chain position 0") << v.chainModuleAt(0) << byteAt(0x0A2);
    QTest::newRow("chain position 10") << v.chainModuleAt(10) << byteAt(0x0A2 + 20);
    QTest::newRow("chain entry 10 on/off") << v.chainEntryOn(10) << byteAt(0x0A2 + 21);
    QTest::newRow("FXA on/off word") << v.blockWord(ModFxa, 0) << u16At(r, 0x010);
    QTest::newRow("AMP type") << v.moduleType(ModAmp) << u16At(r, 0x026 + 2);
    QTest::newRow("AMP last parameter") << v.paramWord(ModAmp, 5) << u16At(r, 0x026 + 14);
    QTest::newRow("EQ last parameter") << v.paramWord(ModEq, 8) << u16At(r, 0x050 + 20);
    QTest::newRow("FX LOOP has no type") << v.moduleType(ModFxLoopSend) << 0;
    QTest::newRow("FX LOOP first parameter") << v.paramWord(ModFxLoopSend, 0) << u16At(r, 0x08E + 2);
    QTest::newRow("FX LOOP return = send") << v.paramWord(ModFxLoopReturn, 3) << u16At(r, 0x08E + 8);
    QTest::newRow("TONE CAP slot") << v.moduleType(ModToneCap) << u16At(r, 0x098 + 2);
    QTest::newRow("TONE CAP word") << v.paramWord(ModToneCap, 0) << u16At(r, 0x098 + 4);
    QTest::newRow("pedal setting 9") << v.expSetting(9) << byteAt(0x0B8 + 9);
    QTest::newRow("set 1 slot 0 byte 1") << v.mergeByte(0, 0, 1) << byteAt(195);
    QTest::newRow("set 2 slot 48 byte 0") << v.mergeByte(1, 48, 0) << byteAt(341 + 96);
    QTest::newRow("set 1 flag 48") << v.mergeFlag(0, 48) << byteAt(292 + 48);
    QTest::newRow("set 2 flag 0") << v.mergeFlag(1, 0) << byteAt(439);
    QTest::newRow("saved delay 2") << v.savedDelayTime(SavedDelay2) << u16At(r, 0x1F1);
}

void TestRecords::viewReadsFields()
{
    QFETCH(int, field);
    QFETCH(int, expected);
    QCOMPARE(field, expected);
}

void TestRecords::outOfRange_data()
{
    QTest::addColumn<int>("field");
    const Record r = patterned();
    const PresetView v(r);
    const PresetView none(static_cast<const Record *>(nullptr));
    QTest::newRow("chain -1") << v.chainModuleAt(-1);
    QTest::newRow("chain 11") << v.chainModuleAt(11);
    QTest::newRow("chain entry 11") << v.chainEntryOn(11);
    QTest::newRow("module 12") << v.moduleType(12);
    QTest::newRow("module -1 word") << v.blockWord(-1, 0);
    QTest::newRow("word past FXA block") << v.blockWord(ModFxa, 6);
    QTest::newRow("parameter past FXA") << v.paramWord(ModFxa, 4);
    QTest::newRow("parameter past FX LOOP") << v.paramWord(ModFxLoopSend, 4);
    QTest::newRow("parameter past TONE CAP") << v.paramWord(ModToneCap, 1);
    QTest::newRow("pedal setting 10") << v.expSetting(10);
    QTest::newRow("assign set 2") << v.mergeByte(2, 0, 0);
    QTest::newRow("assign slot 49") << v.mergeByte(0, 49, 0);
    QTest::newRow("assign half 2") << v.mergeByte(0, 0, 2);
    QTest::newRow("assign flag slot -1") << v.mergeFlag(0, -1);
    QTest::newRow("saved time 4") << v.savedDelayTime(4);
    QTest::newRow("invalid view volume") << none.volume();
    QTest::newRow("invalid view tempo") << none.tempoBpm();
    QTest::newRow("invalid view mask") << none.ctrlMask();
    QTest::newRow("invalid view module") << none.moduleType(ModAmp);
    QTest::newRow("invalid view chain") << none.chainModuleAt(0);
}

void TestRecords::outOfRange()
{
    QFETCH(int, field);
    QCOMPARE(field, -1);
}

// Each setter writes its little-endian value at the field's bytes and nothing else.
void TestRecords::editWritesFields_data()
{
    QTest::addColumn<int>("setter");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("volume") << 0 << 0x0A1 << QByteArray("\x4D", 1);
    QTest::newRow("tempo") << 1 << 0x1E8 << QByteArray("\x34\x12", 2);
    QTest::newRow("ctrl mask") << 2 << 0x09F << QByteArray("\x01\x02", 2);
    QTest::newRow("chain entry 3") << 3 << 0x0A2 + 6 << QByteArray("\x0A\x05", 2);
    QTest::newRow("FX LOOP parameter 3") << 4 << 0x08E + 8 << QByteArray("\xCD\xAB", 2);
    QTest::newRow("assign set 2 slot 10") << 5 << 341 + 20 << QByteArray("\x11\x22", 2);
    QTest::newRow("assign flag set 2 slot 48") << 6 << 439 + 48 << QByteArray("\x07", 1);
    QTest::newRow("saved FXB") << 7 << 0x1ED << QByteArray("\xF4\x01", 2);
    QTest::newRow("pedal settings 6 and 7") << 8 << 0x0B8 + 6 << QByteArray("\x03\x04", 2);
    QTest::newRow("version cut to 4") << 9 << 0x1F3 << QByteArray("V1.2", 4);
    QTest::newRow("name NUL-padded") << 10 << 0 << QByteArray("AB\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);
}

void TestRecords::editWritesFields()
{
    QFETCH(int, setter);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    const Record before = patterned();
    Record r = before;
    PresetEdit e(r);
    bool ok = false;
    switch (setter) {
    case 0: ok = e.setVolume(0x4D); break;
    case 1: ok = e.setTempoRaw(0x1234); break;
    case 2: ok = e.setCtrlMask(0x0201); break;
    case 3: ok = e.setChainModuleAt(3, 10) && e.setChainEntryOn(3, 5); break;
    case 4: ok = e.setBlockWord(ModFxLoopReturn, 4, 0xABCD); break;
    case 5: ok = e.setMergeByte(1, 10, 0, 0x11) && e.setMergeByte(1, 10, 1, 0x22); break;
    case 6: ok = e.setMergeFlag(1, 48, 7); break;
    case 7: ok = e.setSavedDelayTime(SavedFxb, 500); break;
    case 8: ok = e.setExpSetting(6, 3) && e.setExpSetting(7, 4); break;
    case 9: ok = e.setVersion(QStringLiteral("V1.23456")); break;
    case 10: ok = e.setName(QStringLiteral("AB")); break;
    default: break;
    }
    QVERIFY(ok);
    for (int i = 0; i < kRecordSize; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (i >= offset && i < offset + bytes.size())
            QCOMPARE(int(r[at]), int(static_cast<std::uint8_t>(bytes.at(i - offset))));
        else if (r[at] != before[at])
            QFAIL(qPrintable(QStringLiteral("byte %1 changed").arg(i)));
    }
}

void TestRecords::editOutOfRangeChangesNothing_data()
{
    QTest::addColumn<int>("setter");
    QTest::newRow("chain 11") << 0;
    QTest::newRow("module 12") << 1;
    QTest::newRow("word past TONE CAP") << 2;
    QTest::newRow("pedal setting 10") << 3;
    QTest::newRow("assign slot 49") << 4;
    QTest::newRow("assign flag set 2") << 5;
    QTest::newRow("saved time -1") << 6;
    QTest::newRow("name bytes null") << 7;
}

void TestRecords::editOutOfRangeChangesNothing()
{
    QFETCH(int, setter);
    const Record before = patterned();
    Record r = before;
    PresetEdit e(r);
    bool ok = true;
    switch (setter) {
    case 0: ok = e.setChainModuleAt(11, 1); break;
    case 1: ok = e.setModuleOn(12, true); break;
    case 2: ok = e.setBlockWord(ModToneCap, 3, 1); break;
    case 3: ok = e.setExpSetting(10, 1); break;
    case 4: ok = e.setMergeByte(0, 49, 0, 1); break;
    case 5: ok = e.setMergeFlag(2, 0, 1); break;
    case 6: ok = e.setSavedDelayTime(-1, 1); break;
    case 7: ok = e.setNameBytes(nullptr, 4); break;
    default: break;
    }
    QVERIFY(!ok);
    QVERIFY(r == before);
    // A writer over no record refuses everything.
    PresetEdit none(static_cast<Record *>(nullptr));
    QVERIFY(!none.setVolume(1));
    QVERIFY(!none.setModuleOn(ModAmp, true));
}

void TestRecords::mergeFirstSlots_data()
{
    QTest::addColumn<int>("module");
    QTest::addColumn<int>("slot");
    const int expected[] = {0, 4, 7, 13, 19, 22, 31, 35, 41, 45, 45};
    for (int m = 0; m <= ModFxLoopReturn; ++m)
        QTest::addRow("module %d", m) << m << expected[m];
    QTest::newRow("TONE CAP") << int(ModToneCap) << -1;
    QTest::newRow("-1") << -1 << -1;
}

void TestRecords::mergeFirstSlots()
{
    QFETCH(int, module);
    QFETCH(int, slot);
    QCOMPARE(mergeFirstSlot(module), slot);
    // The last module's slots end with the assignment area.
    QCOMPARE(mergeFirstSlot(ModFxLoopSend) + moduleParamWords(ModFxLoopSend), kMergeSlots);
}

QTEST_APPLESS_MAIN(TestRecords)
#include "tst_records.moc"
