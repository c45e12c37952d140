// The main window's rules that need no unit: page codes and the routes of
// the pages the unit reports, the coalescing of each kind of edit, preset
// labels, the name rule and the expression fields.

#include "devicestore.h"
#include "editorfields.h"
#include "pagecodes.h"
#include "sendcoalescer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace Kt900;

class TestCoreParts : public QObject
{
    Q_OBJECT

private slots:
    void modulePageCodes();
    void systemSettingPageCodes_data();
    void systemSettingPageCodes();
    void routes_data();
    void routes();
    void coalescerOneSendPerWindow();
    void coalescerKindsAreIndependent();
    void coalescerFlushAndCancel();
    void presetLabels_data();
    void presetLabels();
    void nameRule_data();
    void nameRule();
    void expressionFields();
};

void TestCoreParts::modulePageCodes()
{
    const std::uint32_t expected[14] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 7, 7, 3, 17, 15};
    for (int m = 0; m < 14; ++m)
        QCOMPARE(PageCodes::forModule(m), expected[m]);
    QCOMPARE(PageCodes::forModule(-1), 12u);
    QCOMPARE(PageCodes::forModule(14), 12u);
    const int back[11] = {0, 1, 2, -1, 3, 4, 5, 9, 6, 7, 8};
    for (int code = 0; code <= 10; ++code)
        QCOMPARE(PageCodes::moduleForPage(static_cast<std::uint32_t>(code)), back[code]);
    QCOMPARE(PageCodes::moduleForPage(11), -1);
    QCOMPARE(PageCodes::moduleForPage(0x10C), -1);
}

void TestCoreParts::systemSettingPageCodes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("midiType");
    QTest::addColumn<int>("code");
    QTest::newRow("input level") << 0 << 0 << 269;
    QTest::newRow("audio mode") << 1 << 0 << 525;
    QTest::newRow("play vol") << 6 << 0 << 525;
    QTest::newRow("tap tempo") << 7 << 0 << 1037;
    QTest::newRow("MIDI type IN") << 8 << 0 << 66829;
    QTest::newRow("MIDI type OUT") << 8 << 1 << 132365;
    QTest::newRow("MIDI IN channel") << 9 << 1 << 66829;
    QTest::newRow("MIDI OUT clock") << 12 << 0 << 132365;
    QTest::newRow("cab sim XLR") << 14 << 0 << 1549;
    QTest::newRow("trail") << 15 << 0 << 1805;
    QTest::newRow("looper") << 16 << 0 << 2061;
    QTest::newRow("brightness") << 17 << 0 << 2317;
    QTest::newRow("MIDI IN table") << 18 << 0 << 263437;
    QTest::newRow("MIDI OUT table") << 19 << 0 << 328973;
    QTest::newRow("other") << 20 << 0 << 13;
}

void TestCoreParts::systemSettingPageCodes()
{
    QFETCH(int, index);
    QFETCH(int, midiType);
    QFETCH(int, code);
    DeviceStore store;
    store.setSystemSetting(8, midiType);
    QCOMPARE(PageCodes::forSystemSetting(index, store), static_cast<std::uint32_t>(code));
}

void TestCoreParts::routes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("arg");
    QTest::addColumn<bool>("show");
    using R = PageCodes::Route;
    QTest::newRow("0") << 0 << int(R::Module) << 0 << true;
    QTest::newRow("4 CAB") << 4 << int(R::Module) << 3 << true;
    QTest::newRow("7 loop") << 7 << int(R::Module) << 9 << true;
    QTest::newRow("11") << 11 << int(R::Module) << 11 << true;
    QTest::newRow("12") << 12 << int(R::Module) << -1 << true;
    QTest::newRow("14") << 14 << int(R::Module) << -1 << true;
    QTest::newRow("0x13") << 0x13 << int(R::Module) << -1 << true;
    QTest::newRow("0x10C") << 0x10C << int(R::Module) << -1 << true;
    QTest::newRow("3") << 3 << int(R::ToneCapture) << 0 << true;
    QTest::newRow("0x30D") << 0x30D << int(R::ToneCapture) << 1 << true;
    QTest::newRow("0x1030D") << 0x1030D << int(R::ToneCapture) << 2 << false;
    QTest::newRow("0x3030D") << 0x3030D << int(R::ToneCapture) << 4 << false;
    QTest::newRow("0x11") << 0x11 << int(R::Exp) << -1 << true;
    QTest::newRow("0x311") << 0x311 << int(R::Exp) << 0 << true;
    QTest::newRow("0x711") << 0x711 << int(R::Exp) << 1 << true;
    QTest::newRow("0x511") << 0x511 << int(R::Exp) << -1 << true;
    QTest::newRow("13") << 13 << int(R::Setting) << -1 << true;
    QTest::newRow("15") << 15 << int(R::Setting) << 15 << true;
    QTest::newRow("16") << 16 << int(R::Setting) << 1 << true;
    QTest::newRow("0x110") << 0x110 << int(R::Setting) << 17 << true;
    QTest::newRow("0x90D") << 0x90D << int(R::Setting) << 9 << true;
    QTest::newRow("0x5050D") << 0x5050D << int(R::Setting) << 21 << true;
    QTest::newRow("0x30E") << 0x30E << int(R::None) << -1 << true;
    QTest::newRow("0xFFFFFFFF") << -1 << int(R::None) << -1 << true;
}

void TestCoreParts::routes()
{
    QFETCH(int, code);
    QFETCH(int, kind);
    QFETCH(int, arg);
    QFETCH(bool, show);
    const PageCodes::Route r = PageCodes::route(static_cast<std::uint32_t>(code));
    QCOMPARE(int(r.kind), kind);
    QCOMPARE(r.arg, arg);
    QCOMPARE(r.show, show);
}

void TestCoreParts::coalescerOneSendPerWindow()
{
    SendCoalescer c;
    int sends = 0;
    int value = 0;
    int sentValue = -1;
    c.setHandler(SendCoalescer::ModuleParams, [&]() {
        ++sends;
        sentValue = value;
    });
    QCOMPARE(c.timer(SendCoalescer::ModuleParams)->timerType(), Qt::PreciseTimer);
    QVERIFY(c.timer(SendCoalescer::ModuleParams)->isSingleShot());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(c.request(SendCoalescer::ModuleParams));
    for (value = 1; value <= 10; ++value)
        QVERIFY(!c.request(SendCoalescer::ModuleParams));
    --value;
    QVERIFY(c.isPending(SendCoalescer::ModuleParams));
    QTRY_COMPARE(sends, 1);
    QVERIFY(clock.elapsed() >= SendCoalescer::kDelayMs - 5);
    QCOMPARE(sentValue, 10);
    QVERIFY(!c.isPending(SendCoalescer::ModuleParams));
    // The next edit opens a new window.
    QVERIFY(c.request(SendCoalescer::ModuleParams));
    QTRY_COMPARE(sends, 2);
    QTest::qWait(150);
    QCOMPARE(sends, 2);
}

void TestCoreParts::coalescerKindsAreIndependent()
{
    SendCoalescer c;
    QSignalSpy sent(&c, &SendCoalescer::sent);
    for (int k = 0; k < SendCoalescer::KindCount; ++k) {
        QVERIFY(c.request(static_cast<SendCoalescer::Kind>(k)));
        QVERIFY(!c.request(static_cast<SendCoalescer::Kind>(k)));
    }
    QTRY_COMPARE(sent.size(), int(SendCoalescer::KindCount));
    QList<int> kinds;
    for (const QList<QVariant> &s : sent)
        kinds << s.at(0).toInt();
    std::sort(kinds.begin(), kinds.end());
    for (int k = 0; k < SendCoalescer::KindCount; ++k)
        QCOMPARE(kinds.at(k), k);
    QVERIFY(!c.request(SendCoalescer::KindCount));
}

void TestCoreParts::coalescerFlushAndCancel()
{
    SendCoalescer c;
    int system = 0, exp = 0;
    c.setHandler(SendCoalescer::System, [&]() { ++system; });
    c.setHandler(SendCoalescer::Exp, [&]() { ++exp; });
    c.request(SendCoalescer::System);
    c.flush();
    QCOMPARE(system, 1);
    QCOMPARE(exp, 0);
    c.request(SendCoalescer::Exp);
    c.cancelAll();
    QTest::qWait(150);
    QCOMPARE(exp, 0);
    QCOMPARE(system, 1);
}

void TestCoreParts::presetLabels_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    QTest::newRow("first") << 0 << "GLASS CLEAN" << "01A GLASS CLEAN";
    QTest::newRow("row 4") << 4 << "CLEAN" << "02B CLEAN";
    QTest::newRow("row 5") << 5 << "LEAD" << "02C LEAD";
    QTest::newRow("last") << 254 << "X" << "85C X";
    QTest::newRow("blanks trimmed") << 9 << "  MY TONE   " << "04A MY TONE";
    QTest::newRow("no name") << 3 << "" << "02A";
}

void TestCoreParts::presetLabels()
{
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(QString, label);
    QCOMPARE(EditorFields::presetLabel(row, name), label);
}

void TestCoreParts::nameRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("letters digits space") << "My Tone 2" << true;
    QTest::newRow("15 characters") << "ABCDEFGHIJKLMNO" << true;
    QTest::newRow("16 characters") << "ABCDEFGHIJKLMNOP" << false;
    QTest::newRow("hyphen") << "My-Tone" << false;
    QTest::newRow("accent") << QString::fromUtf8("Caf\xc3\xa9") << false;
    QTest::newRow("empty") << "" << false;
}

void TestCoreParts::nameRule()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    QCOMPARE(EditorFields::isValidName(name), valid);
}

void TestCoreParts::expressionFields()
{
    DeviceStore store;
    for (int i = 0; i < 13; ++i)
        QVERIFY(EditorFields::setExpField(store, i, 10 + i));
    QCOMPARE(EditorFields::expField(store, 7), 17);
    // Choosing a pedal's module starts it on the module's first parameter.
    QVERIFY(EditorFields::setExpField(store, 6, 16));
    QVERIFY(EditorFields::setExpField(store, 8, 18));
    QCOMPARE(EditorFields::expField(store, 7), 0);
    QCOMPARE(EditorFields::expField(store, 9), 0);
    QVERIFY(EditorFields::setExpField(store, 7, 17));
    QCOMPARE(EditorFields::expField(store, 6), 16);
    QCOMPARE(EditorFields::expField(store, 7), 17);
    // 0..9 are the edit buffer's pedal bytes; 10, 11 the global word; 12 the global byte.
    QCOMPARE(int(store.record(kEditBuffer)->at(Rec::ExpSettings + 5)), 15);
    QCOMPARE(store.expGlobalWord(), std::uint16_t(20 | (21 << 8)));
    QCOMPARE(store.expGlobalByte(), std::uint8_t(22));
    QCOMPARE(EditorFields::expField(store, 10), 20);
    QCOMPARE(EditorFields::expField(store, 11), 21);
    QCOMPARE(EditorFields::expField(store, 13), -1);
    QVERIFY(!EditorFields::setExpField(store, 13, 1));
    QVERIFY(!EditorFields::setExpField(store, 5, 256));
    QCOMPARE(EditorFields::cabLabel(0, 0), QStringLiteral("OUTPUT: THRU"));
    QCOMPARE(EditorFields::cabLabel(1, 1), QStringLiteral("XLROUT: ON"));
}

QTEST_MAIN(TestCoreParts)
#include "tst_core_parts.moc"
