// Every unit command of kt900 against the virtual unit: the real program
// runs under kt900-sim, whose state file sets up the unit's memory before a
// command and shows what the unit holds after it.

#include "clifiles.h"
#include "clirun.h"

#include "irdata.h"
#include "memorydiff.h"
#include "unitmemory.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace CliTest;
using Kt900Sim::UnitMemory;

namespace {

// Parameter words beyond the model's parameter count: a preset file does not
// carry them (they mean nothing for that model).
bool isUnusedParamWord(const Kt900::Record &r, int offset)
{
    for (int m = 0; m <= Kt900::ModReverb; ++m) {
        const int start = Kt900::moduleBlockOffset(m);
        const int size = Kt900::moduleBlockSize(m);
        if (offset < start || offset >= start + size)
            continue;
        const int type = Kt900::getU16(r.data() + start + 2);
        const int used = 2 + std::max(0, EffectCatalogue::instance().paramCount(m, type));
        return (offset - start) / 2 >= used;
    }
    return false;
}

// The first differing byte of two records, leaving out what a preset file
// does not carry when fileOnly is set.
QString presetDifference(const Kt900::Record &a, const Kt900::Record &b, bool withName = true, bool fileOnly = false)
{
    if (!fileOnly)
        return Kt900Sim::presetDifference(a, b, withName);
    for (int o = withName ? 0 : Kt900::kNameSize; o < Kt900::kRecordSize; ++o) {
        if (isUnusedParamWord(b, o))
            continue;
        if (!Kt900Sim::isChainSwitchCopy(o) && a[std::size_t(o)] != b[std::size_t(o)])
            return QStringLiteral("byte %1: %2 != %3").arg(o).arg(a[std::size_t(o)]).arg(b[std::size_t(o)]);
    }
    return QString();
}

// A unit that differs from the factory set in every area a backup carries.
UnitMemory personalised()
{
    UnitMemory m = Kt900Sim::factoryMemory();
    Kt900::DeviceStore &s = m.store;
    for (int i = 0; i < Kt900::kPresetCount; i += 7) {
        s.copyRecord((i + 100) % Kt900::kPresetCount, i);
        s.setPresetName(i, QStringLiteral("MINE %1").arg(i));
    }
    s.systemBlock()[0] = static_cast<std::uint8_t>(s.systemBlock()[0] ^ 1);
    s.setGlobalTempoRaw(static_cast<std::uint16_t>((s.globalTempoRaw() + 17) % 221));
    s.setGlobalEqOutput(1);
    s.setGlobalEqWord(3, static_cast<std::uint16_t>(s.globalEqWord(3) + 5));
    s.midiBlock()[5] = 77;
    s.rhythmBlock()[4] = static_cast<std::uint8_t>(s.rhythmBlock()[4] + 1);
    s.setExpGlobals(static_cast<std::uint16_t>(s.expGlobalWord() + 1), static_cast<std::uint8_t>(s.expGlobalByte() ^ 1));
    s.captureAmpList()[2 * 7] = 42;
    s.setCaptureUsed(2, true);
    s.setSlotName(Kt900::ListCapture, 2, QStringLiteral("MY AMP"));
    for (int i = 0; i < Kt900::kCaptureBytes; ++i)
        s.captureData(2)[i] = static_cast<std::uint8_t>(i * 3 + 1);
    s.setSlotName(Kt900::ListIr, 3, QStringLiteral("Room 2x12"));
    for (int i = 0; i < Kt900::kIrBytes; i += 4)
        m.irData[3][std::size_t(i)] = static_cast<std::uint8_t>(i / 4);
    s.setSlotName(Kt900::ListNr, 7, QStringLiteral("Plexi"));
    for (int i = 0; i < Kt900::kNrBytes; ++i)
        m.nrData[7][std::size_t(i)] = static_cast<std::uint8_t>(i * 5);
    s.selectPreset(10);
    return m;
}

// A preset of the memory whose capture slot is filled.
int presetWithCapture(const UnitMemory &m)
{
    for (int i = 0; i < Kt900::kPresetCount; ++i) {
        const int slot = m.store.blockWord(i, Kt900::ModToneCap, 1);
        if (slot >= 0 && slot < Kt900::kCaptureSlots && m.store.captureUsed(slot))
            return i;
    }
    return -1;
}

QStringList files(const QString &dir)
{
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

} // namespace

class TestUnitCommands : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_state;
    int m_settledReports = -1;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void putState(const UnitMemory &m)
    {
        QString error;
        QVERIFY2(m.saveToFile(m_state, &error), qPrintable(error));
    }

    UnitMemory state()
    {
        UnitMemory m;
        QString error;
        if (!m.loadFromFile(m_state, &error))
            qWarning() << error;
        return m;
    }

    // kt900 under kt900-sim, with the unit's memory in the state file.
    Run unit(const QStringList &args, const QStringList &simOptions = {},
             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QStringList all = QStringList{QStringLiteral("--state"), m_state} + simOptions;
        all << QStringLiteral("--") << QStringLiteral(KT900_CLI_BINARY) << args;
        return runProgram(QStringLiteral(KT900_SIM_BINARY), all, 180000, env);
    }

    // Reports the factory unit has sent when the download and the capture
    // data the editor asks for are complete (the start of every command's
    // own work; the same on every run).
    int settledReports()
    {
        if (m_settledReports < 0) {
            putState(Kt900Sim::factoryMemory());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kt900.cli.debug=true"));
            const Run r = unit({QStringLiteral("slot-delete"), QStringLiteral("ir"), QStringLiteral("10")}, {}, env);
            const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("capture data complete after (\\d+) reports"))
                                                  .match(QString::fromUtf8(r.err));
            if (r.exitCode == 0 && m.hasMatch())
                m_settledReports = m.captured(1).toInt();
        }
        return m_settledReports;
    }

    static bool unitRefusedNothing(const Run &r) { return !r.err.contains("kt900-sim: the unit refused"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(loadCatalogue());
        m_state = path(QStringLiteral("unit.state"));
    }

    void init()
    {
        QFile::remove(m_state);
    }

    void infoFindsTheUnit()
    {
        // The launcher's search, and the unit at a given address.
        Run r = runProgram(QStringLiteral(KT900_SIM_BINARY),
                           {QStringLiteral("--address"), QStringLiteral("23"), QStringLiteral("--version"), QStringLiteral("V1.1.0"),
                            QStringLiteral("--"), QStringLiteral(KT900_CLI_BINARY), QStringLiteral("info")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QCOMPARE(r.out, QByteArray("model: TOVAK_KT900\nfirmware: V1.1.0\nmode: A (normal)\nbus address: 23\n"));

        r = runProgram(QStringLiteral(KT900_SIM_BINARY),
                       {QStringLiteral("--mode"), QStringLiteral("B"), QStringLiteral("--type"), QStringLiteral("6"), QStringLiteral("--"),
                        QStringLiteral(KT900_CLI_BINARY), QStringLiteral("info"), QStringLiteral("--json"),
                        QStringLiteral("--bus-address"), QStringLiteral("{address}")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o.value(QStringLiteral("mode")).toString(), QStringLiteral("B"));
        QCOMPARE(o.value(QStringLiteral("modeName")).toString(), QStringLiteral("firmware update"));
        QCOMPARE(o.value(QStringLiteral("deviceType")).toInt(), 6);
        QCOMPARE(o.value(QStringLiteral("busAddress")).toInt(), 5);
        QCOMPARE(o.value(QStringLiteral("info1")).toString(), QStringLiteral("HW1.2"));

        // Another firmware is shown as such.
        r = runProgram(QStringLiteral(KT900_SIM_BINARY), {QStringLiteral("--version"), QStringLiteral("V1.0.4"), QStringLiteral("--"),
                                                          QStringLiteral(KT900_CLI_BINARY), QStringLiteral("info")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("firmware: V1.0.4 (the editor needs V1.1.0)"), qPrintable(r.describe()));
    }

    void unitsTheEditorWouldNotUse_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("loader mode") << QStringList{"--mode", "B"} << QStringList{"list"}
                                     << QByteArray("kt900: the unit is in firmware-update mode; update its firmware with Tovak Studio For KT900 first\n");
        QTest::newRow("other firmware") << QStringList{"--version", "V1.0.0"} << QStringList{"backup", "x.tbf"}
                                        << QByteArray("kt900: the unit's firmware is V1.0.0, the editor needs V1.1.0: update the firmware with Tovak Studio For KT900\n");
        QTest::newRow("another model") << QStringList{"--model", "TOVAK_KT700"} << QStringList{"list"} << QByteArray("kt900: no unit found\n");
        QTest::newRow("no answer to the info request") << QStringList{"--no-info"} << QStringList{"info"}
                                                       << QByteArray("kt900: the unit did not answer (it may still be starting; try again)\n");
        QTest::newRow("nothing at that address") << QStringList{} << QStringList{"list", "--bus-address", "9"}
                                                 << QByteArray("kt900: no unit at bus address 9 (or it cannot be opened)\n");
        QTest::newRow("unplugged during the download") << QStringList{"--unplug-after-reports", "700"} << QStringList{"list"}
                                                       << QByteArray("kt900: the unit was disconnected during the download\n");
    }
    void unitsTheEditorWouldNotUse()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, message);
        const Run r = unit(args, simOptions);
        QVERIFY2(r.exitCode == 1, qPrintable(r.describe()));
        QCOMPARE(r.programErr(), message);
        QVERIFY(r.out.isEmpty());
    }

    void noUnitAtAll()
    {
        // Without kt900-sim nothing answers (there is no unit on this machine).
        const Run r = kt900({QStringLiteral("list")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("kt900: no unit found\n"));
    }

    void listShowsTheUnitsNames()
    {
        const UnitMemory m = personalised();
        putState(m);
        Run r = unit({QStringLiteral("list")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(unitRefusedNothing(r));
        const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
        QCOMPARE(lines.at(0), QStringLiteral("Presets:"));
        for (int i = 0; i < Kt900::kPresetCount; ++i) {
            const QString expected = QStringLiteral("%1%2 %3").arg(i / 3 + 1, 2, 10, QLatin1Char('0'))
                                         .arg(QLatin1Char("ABC"[i % 3])).arg(m.store.presetName(i).trimmed());
            QCOMPARE(lines.at(1 + i), expected);
        }
        QCOMPARE(lines.at(1), QStringLiteral("01A MINE 0"));
        QCOMPARE(lines.at(256), QStringLiteral("Current preset: 04B ") + m.store.presetName(10).trimmed());
        QCOMPARE(lines.at(257), QStringLiteral("IR slots:"));
        QCOMPARE(lines.at(258), QStringLiteral("33:") + m.store.slotName(Kt900::ListIr, 0));
        QCOMPARE(lines.at(258 + 3), QStringLiteral("36:Room 2x12"));
        QCOMPARE(lines.at(258 + 9), QStringLiteral("42:EMPTY"));
        QCOMPARE(lines.at(268), QStringLiteral("NR slots:"));
        QCOMPARE(lines.at(269 + 7), QStringLiteral("78:Plexi"));
        QCOMPARE(lines.at(269 + 1), QStringLiteral("72:EMPTY"));
        QCOMPARE(lines.at(279), QStringLiteral("Capture slots:"));
        QCOMPARE(lines.at(280 + 2), QStringLiteral("03:MY AMP"));
        QCOMPARE(lines.at(280 + 19), QStringLiteral("20:EMPTY"));

        r = unit({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--bus-address"), QStringLiteral("{address}")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        const QJsonArray presets = o.value(QStringLiteral("presets")).toArray();
        QCOMPARE(presets.size(), 255);
        QCOMPARE(presets.at(7).toObject().value(QStringLiteral("label")).toString(), QStringLiteral("03B"));
        QCOMPARE(presets.at(7).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("MINE 7"));
        QCOMPARE(o.value(QStringLiteral("current")).toObject().value(QStringLiteral("index")).toInt(), 10);
        const QJsonObject ir = o.value(QStringLiteral("ir")).toArray().at(3).toObject();
        QCOMPARE(ir.value(QStringLiteral("slot")).toInt(), 4);
        QCOMPARE(ir.value(QStringLiteral("row")).toInt(), 36);
        QCOMPARE(ir.value(QStringLiteral("label")).toString(), QStringLiteral("36:Room 2x12"));
        QCOMPARE(ir.value(QStringLiteral("filled")).toBool(), true);
        QCOMPARE(o.value(QStringLiteral("nr")).toArray().at(1).toObject().value(QStringLiteral("filled")).toBool(), false);
        QCOMPARE(o.value(QStringLiteral("capture")).toArray().at(2).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("MY AMP"));
        // Looking changes nothing.
        QVERIFY(Kt900Sim::backupAreaDifferences(m, state()).isEmpty());
    }

    void exportThenImportReproducesTheRecord()
    {
        const UnitMemory m = personalised();
        putState(m);
        const int source = presetWithCapture(m);
        QVERIFY(source >= 0);
        const int target = 150;
        const QString name = m.store.presetName(source).trimmed();
        const QString file = path(name + QStringLiteral(".tp"));
        // By label.
        Run r = unit({QStringLiteral("export"), QStringLiteral("%1%2").arg(source / 3 + 1, 2, 10, QLatin1Char('0')).arg(QLatin1Char("ABC"[source % 3])), file});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        // The editor's document of that preset, capture included.
        QCOMPARE(readFile(file), presetFile(m.store, source));
        QVERIFY(readFile(file).contains("\"Data_c\""));

        r = unit({QStringLiteral("import"), file, QString::number(target)});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(unitRefusedNothing(r));
        QCOMPARE(r.out, QStringLiteral("51A %1 <- %2\n").arg(name, file).toUtf8());
        const UnitMemory after = state();
        const QString diff = presetDifference(*after.store.record(target), *m.store.record(source), true, true);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        // Nothing else changed (the capture slot already held the same data).
        UnitMemory expected = m;
        expected.store.copyRecord(source, target);
        *expected.store.record(target) = *after.store.record(target);
        QVERIFY2(Kt900Sim::backupAreaDifferences(expected, after).isEmpty(), qPrintable(Kt900Sim::backupAreaDifferences(expected, after).join(", ")));
    }

    void importIntoTheCurrentPreset()
    {
        UnitMemory m = Kt900Sim::factoryMemory();
        m.store.selectPreset(33);
        putState(m);
        const QString file = path(QStringLiteral("Now Playing.tp"));
        QVERIFY(writeFile(file, presetFile(m.store, 90)));
        const Run r = unit({QStringLiteral("import"), file, QStringLiteral("12A")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(unitRefusedNothing(r));
        const UnitMemory after = state();
        QCOMPARE(after.store.presetName(33), QStringLiteral("Now Playing"));
        QString diff = presetDifference(*after.store.record(33), *m.store.record(90), false, true);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        // What the unit plays now is the imported preset.
        diff = presetDifference(*after.store.record(Kt900::kEditBuffer), *after.store.record(33));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(after.store.currentPresetIndex(), 33);
    }

    void exportAllAndImportSeveral()
    {
        UnitMemory m = Kt900Sim::factoryMemory();
        // Names the editor would give twice, and an empty one.
        m.store.setPresetName(20, QStringLiteral("SAME"));
        m.store.setPresetName(21, QStringLiteral("SAME"));
        m.store.setPresetName(22, QStringLiteral("  SAME  "));
        m.store.setPresetName(23, QString());
        m.store.setPresetName(24, QStringLiteral("FIFTEEN CHARSXY"));
        m.store.setPresetName(25, QStringLiteral("FIFTEEN CHARSXY"));
        putState(m);
        const QString dir = path(QStringLiteral("all"));
        Run r = unit({QStringLiteral("export"), QStringLiteral("--all"), dir});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const QStringList written = files(dir);
        QCOMPARE(written.size(), 255);
        QVERIFY(written.contains(QStringLiteral("SAME.tp")));
        QVERIFY(written.contains(QStringLiteral("SAME 2.tp")));
        QVERIFY(written.contains(QStringLiteral("SAME 3.tp")));
        QVERIFY(written.contains(QStringLiteral("08C.tp")));
        QVERIFY(written.contains(QStringLiteral("FIFTEEN CHARSXY.tp")));
        QVERIFY(written.contains(QStringLiteral("FIFTEEN CHARSX 2.tp")));
        QVERIFY(r.out.contains(QStringLiteral("08B SAME -> %1/SAME 3.tp\n").arg(QDir(dir).absolutePath()).toUtf8()));
        // Every file is the editor's document of its preset.
        QCOMPARE(readFile(dir + QStringLiteral("/SAME 2.tp")), presetFile(m.store, 21));
        QCOMPARE(readFile(dir + QStringLiteral("/") + m.store.presetName(100).trimmed() + QStringLiteral(".tp")), presetFile(m.store, 100));

        // Three files onto three consecutive presets.
        const QStringList three{dir + QStringLiteral("/SAME.tp"), dir + QStringLiteral("/08C.tp"),
                                dir + QStringLiteral("/") + m.store.presetName(200).trimmed() + QStringLiteral(".tp")};
        r = unit(QStringList{QStringLiteral("import")} + three + QStringList{QStringLiteral("10")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const UnitMemory after = state();
        const int sources[] = {20, 23, 200};
        for (int i = 0; i < 3; ++i) {
            const QString diff = presetDifference(*after.store.record(10 + i), *m.store.record(sources[i]), false, true);
            QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("preset %1: %2").arg(10 + i).arg(diff)));
        }
        // Named after their files.
        QCOMPARE(after.store.presetName(10), QStringLiteral("SAME"));
        QCOMPARE(after.store.presetName(11), QStringLiteral("08C"));
        QCOMPARE(after.store.presetName(13), m.store.presetName(13));
    }

    void importChecksEveryFileFirst()
    {
        const UnitMemory m = Kt900Sim::factoryMemory();
        putState(m);
        const QString good = path(QStringLiteral("Good.tp"));
        const QString bad = path(QStringLiteral("Bad.tp"));
        QVERIFY(writeFile(good, presetFile(m.store, 3)));
        QVERIFY(writeFile(bad, editedPreset(presetFile(m.store, 4), "fileInfo", "device", QStringLiteral("X"))));
        const Run r = unit({QStringLiteral("import"), good, bad, QStringLiteral("30")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.programErr(), (QStringLiteral("kt900: %1: not a preset file: device is 'X', expected 'TOVAK KT900'\n").arg(bad)).toUtf8());
        // The good file was not imported either.
        QVERIFY(Kt900Sim::backupAreaDifferences(m, state()).isEmpty());
    }

    void importCaptureChoices_data()
    {
        QTest::addColumn<QString>("slotState");   // "empty", "differs", "same"
        QTest::addColumn<QStringList>("option");
        QTest::addColumn<bool>("presetSlotGetsFile");
        QTest::addColumn<int>("otherSlot");       // capture slot 0..19 that gets the file, -1 none
        QTest::addColumn<QByteArray>("note");
        QTest::newRow("no option, empty slot: filled as the editor does") << "empty" << QStringList{} << true << -1 << QByteArray();
        QTest::newRow("no option, other capture: kept") << "differs" << QStringList{} << false << -1 << QByteArray("holds another capture");
        QTest::newRow("replace, other capture") << "differs" << QStringList{"--capture", "replace"} << true << -1 << QByteArray();
        QTest::newRow("replace, empty slot") << "empty" << QStringList{"--capture", "replace"} << true << -1 << QByteArray();
        QTest::newRow("skip, empty slot") << "empty" << QStringList{"--capture", "skip"} << false << -1 << QByteArray();
        QTest::newRow("slot=17, other capture") << "differs" << QStringList{"--capture", "slot=17"} << false << 16 << QByteArray();
        QTest::newRow("slot=17, same capture") << "same" << QStringList{"--capture", "slot=17"} << false << 16 << QByteArray();
    }
    void importCaptureChoices()
    {
        QFETCH(QString, slotState);
        QFETCH(QStringList, option);
        QFETCH(bool, presetSlotGetsFile);
        QFETCH(int, otherSlot);
        QFETCH(QByteArray, note);

        UnitMemory m = Kt900Sim::factoryMemory();
        const int source = presetWithCapture(m);
        QVERIFY(source >= 0);
        const int slot = m.store.blockWord(source, Kt900::ModToneCap, 1);
        const QByteArray fileData(reinterpret_cast<const char *>(m.store.captureData(slot)), Kt900::kCaptureBytes);
        const QString fileName = m.store.slotName(Kt900::ListCapture, slot);
        const QString file = path(QStringLiteral("Captured.tp"));
        QVERIFY(writeFile(file, presetFile(m.store, source)));

        if (slotState == QLatin1String("empty")) {
            m.store.setCaptureUsed(slot, false);
            m.store.setSlotName(Kt900::ListCapture, slot, QString());
            std::memset(m.store.captureData(slot), 0, Kt900::kCaptureBytes);
        } else if (slotState == QLatin1String("differs")) {
            m.store.captureData(slot)[10] = static_cast<std::uint8_t>(m.store.captureData(slot)[10] + 1);
            m.store.setSlotName(Kt900::ListCapture, slot, QStringLiteral("OTHER"));
        }
        QVERIFY(!m.store.captureUsed(16));
        const QByteArray before(reinterpret_cast<const char *>(m.store.captureData(slot)), Kt900::kCaptureBytes);
        putState(m);

        const int target = 40;
        const Run r = unit(QStringList{QStringLiteral("import"), file, QString::number(target)} + option);
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(unitRefusedNothing(r));
        if (note.isEmpty())
            QVERIFY2(r.programErr().isEmpty(), qPrintable(r.describe()));
        else
            QVERIFY2(r.programErr().startsWith("kt900: note: ") && r.programErr().contains(note), qPrintable(r.describe()));

        const UnitMemory after = state();
        const QByteArray now(reinterpret_cast<const char *>(after.store.captureData(slot)), Kt900::kCaptureBytes);
        if (presetSlotGetsFile) {
            QCOMPARE(now, fileData);
            QVERIFY(after.store.captureUsed(slot));
            QCOMPARE(after.store.slotName(Kt900::ListCapture, slot), fileName);
        } else {
            QCOMPARE(now, before);
            QCOMPARE(after.store.captureUsed(slot), m.store.captureUsed(slot));
        }
        if (otherSlot >= 0) {
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(after.store.captureData(otherSlot)), Kt900::kCaptureBytes), fileData);
            QVERIFY(after.store.captureUsed(otherSlot));
            QCOMPARE(after.store.slotName(Kt900::ListCapture, otherSlot), fileName);
            // The imported preset uses the slot its capture went into.
            QCOMPARE(after.store.blockWord(target, Kt900::ModToneCap, 1), otherSlot);
        } else {
            QVERIFY(!after.store.captureUsed(16));
            QCOMPARE(after.store.blockWord(target, Kt900::ModToneCap, 1), slot);
        }
    }

    void backupThenRecallIntoAFactoryResetUnit()
    {
        const UnitMemory mine = personalised();
        putState(mine);
        const QString file = path(QStringLiteral("nightly.tbf"));
        Run r = unit({QStringLiteral("backup"), file});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(unitRefusedNothing(r));
        QVERIFY(r.out.startsWith(QStringLiteral("backup written to %1 (").arg(file).toUtf8()));
        // The backup changed nothing, and the file holds every slot.
        QVERIFY(Kt900Sim::backupAreaDifferences(mine, state()).isEmpty());
        QVector<BackupFormat::GroupData> groups;
        QString reason;
        QVERIFY2(BackupFormat::parse(readFile(file), &groups, &reason), qPrintable(reason));
        QCOMPARE(groups.size(), 11);

        putState(Kt900Sim::factoryMemory());
        QVERIFY(!Kt900Sim::backupAreaDifferences(mine, state()).isEmpty());
        r = unit({QStringLiteral("recall"), file, QStringLiteral("--bus-address"), QStringLiteral("{address}")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(unitRefusedNothing(r));
        QCOMPARE(r.out, QStringLiteral("recall of %1 complete\n").arg(file).toUtf8());
        const QStringList diff = Kt900Sim::backupAreaDifferences(mine, state());
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QStringLiteral(", "))));
    }

    void recallOfADamagedFileSendsNothing()
    {
        const UnitMemory m = Kt900Sim::factoryMemory();
        putState(m);
        QByteArray b = factoryBackup();
        b[3000] = static_cast<char>(b[3000] ^ 0x40);
        const QString file = path(QStringLiteral("damaged.tbf"));
        QVERIFY(writeFile(file, b));
        const Run r = unit({QStringLiteral("recall"), file});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.programErr(), QStringLiteral("kt900: %1: the checksum does not match: the file is damaged\n").arg(file).toUtf8());
        QVERIFY(Kt900Sim::backupAreaDifferences(m, state()).isEmpty());
    }

    void irUploadLandsTheConvertedWords()
    {
        putState(Kt900Sim::factoryMemory());
        const QByteArray wav = wavFile(48000, 2, 24, 4000);
        const QString file = path(QStringLiteral("Greenback 4x12 SM57.wav"));
        QVERIFY(writeFile(file, wav));
        QByteArray words;
        QVERIFY(IrData::convertWav(wav, &words));

        // Slot 4 by number, slot 7 by the editor's row number (39).
        Run r = unit({QStringLiteral("ir-upload"), file, QStringLiteral("4")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QCOMPARE(r.out, QByteArray("IR slot 4: 36:Greenback 4x12 \n"));
        r = unit({QStringLiteral("ir-upload"), file, QStringLiteral("39")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(unitRefusedNothing(r));
        const UnitMemory after = state();
        for (const int slot : {3, 6}) {
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(after.irData[std::size_t(slot)].data()), Kt900::kIrBytes), words);
            QCOMPARE(after.store.slotName(Kt900::ListIr, slot), QStringLiteral("Greenback 4x12 "));
        }

        // An NR file: its first 1584 bytes, into NR slot 2 given as row 72.
        QByteArray amp(2000, '\0');
        for (int i = 0; i < amp.size(); ++i)
            amp[i] = static_cast<char>(i * 7);
        const QString ampFile = path(QStringLiteral("JCM.amp"));
        QVERIFY(writeFile(ampFile, amp));
        r = unit({QStringLiteral("nr-upload"), ampFile, QStringLiteral("72")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QCOMPARE(r.out, QByteArray("NR slot 2: 72:JCM\n"));
        const UnitMemory nr = state();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(nr.nrData[1].data()), Kt900::kNrBytes), amp.left(Kt900::kNrBytes));
        QCOMPARE(nr.store.slotName(Kt900::ListNr, 1), QStringLiteral("JCM"));
    }

    void slotFilesAreCheckedBeforeTheUnit()
    {
        const UnitMemory m = Kt900Sim::factoryMemory();
        putState(m);
        const QString file = path(QStringLiteral("Slow.wav"));
        QVERIFY(writeFile(file, wavFile(22050, 1, 16, 100)));
        Run r = unit({QStringLiteral("ir-upload"), file, QStringLiteral("1")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.programErr(), QStringLiteral("kt900: %1: unsupported sample rate 22050 Hz (44100, 48000, 88200 or 96000 Hz)\n").arg(file).toUtf8());
        const QString accented = path(QString::fromUtf8("B\xc3\xa9nard.amp"));
        QVERIFY(writeFile(accented, QByteArray(1584, 'x')));
        r = unit({QStringLiteral("nr-upload"), accented, QStringLiteral("1")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.programErr().contains("cannot name a slot: printable ASCII characters only"), qPrintable(r.describe()));
        QVERIFY(Kt900Sim::backupAreaDifferences(m, state()).isEmpty());
    }

    void slotDelete()
    {
        const UnitMemory m = Kt900Sim::factoryMemory();
        QVERIFY(m.irFilled(0));
        QVERIFY(m.nrFilled(2));
        putState(m);
        Run r = unit({QStringLiteral("slot-delete"), QStringLiteral("ir"), QStringLiteral("1")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QCOMPARE(r.out, QStringLiteral("IR slot 1 deleted (was 33:%1, now 33:EMPTY)\n").arg(m.store.slotName(Kt900::ListIr, 0)).toUtf8());
        r = unit({QStringLiteral("slot-delete"), QStringLiteral("NR"), QStringLiteral("73")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const UnitMemory after = state();
        QVERIFY(!after.irFilled(0));
        QVERIFY(!after.nrFilled(2));
        QVERIFY(after.irFilled(1));
        QVERIFY(after.nrFilled(0));
    }

    void unacknowledgedChunk()
    {
        putState(Kt900Sim::factoryMemory());
        const QString file = path(QStringLiteral("Cab.wav"));
        QVERIFY(writeFile(file, wavFile(44100, 1, 16, 1000)));
        const Run r = unit({QStringLiteral("ir-upload"), file, QStringLiteral("2")}, {QStringLiteral("--ack-limit"), QStringLiteral("3")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.programErr(), QByteArray("kt900: the unit did not acknowledge chunk 3 of IR slot 2\n"));
        // The unit keeps an upload only when all its chunks came.
        QCOMPARE(state().irData[1], Kt900Sim::factoryMemory().irData[1]);
    }

    void unplugDuringBackup()
    {
        const int settled = settledReports();
        QVERIFY2(settled > 2083, "the unit's report count after the download could not be measured");
        putState(Kt900Sim::factoryMemory());
        const QString dir = path(QStringLiteral("backups"));
        QVERIFY(QDir().mkpath(dir));
        const QString file = dir + QStringLiteral("/unit.tbf");
        QVERIFY(writeFile(file, "the previous backup"));
        // The IR and NR read-out comes after the capture data.
        const Run r = unit({QStringLiteral("backup"), file}, {QStringLiteral("--unplug-after-reports"), QString::number(settled + 40)});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.programErr(), QByteArray("kt900: the unit was disconnected during the backup; no file was written\n"));
        QVERIFY(r.out.isEmpty());
        // The previous file stays; nothing else was left behind.
        QCOMPARE(readFile(file), QByteArray("the previous backup"));
        QCOMPARE(files(dir), QStringList{QStringLiteral("unit.tbf")});
    }

    void unplugDuringUpload()
    {
        const int settled = settledReports();
        QVERIFY(settled > 2083);
        putState(Kt900Sim::factoryMemory());
        const QString file = path(QStringLiteral("Cab.wav"));
        QVERIFY(writeFile(file, wavFile(44100, 1, 16, 1000)));
        // Five chunk acknowledgements, then the cable is pulled.
        const Run r = unit({QStringLiteral("ir-upload"), file, QStringLiteral("4")},
                           {QStringLiteral("--unplug-after-reports"), QString::number(settled + 5)});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.programErr(), QByteArray("kt900: the unit was disconnected during the upload to IR slot 4\n"));
    }

    void unplugDuringExportLeavesNoFile()
    {
        putState(Kt900Sim::factoryMemory());
        const QString dir = path(QStringLiteral("partial"));
        const Run r = unit({QStringLiteral("export"), QStringLiteral("--all"), dir}, {QStringLiteral("--unplug-after-reports"), QStringLiteral("2200")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.programErr().startsWith("kt900: the unit was disconnected"), qPrintable(r.describe()));
        QVERIFY(files(dir).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUnitCommands)
#include "tst_unit.moc"
