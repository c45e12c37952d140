// The command line of kt900: preset and slot numbering, what each command
// accepts, and the usage errors (exit code 2) of the real program.

#include "clirun.h"
#include "commandline.h"
#include "output.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace Cli;

Q_DECLARE_METATYPE(Cli::Command)
Q_DECLARE_METATYPE(Cli::CaptureChoice)

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void presetRefs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("254") << "254" << 254;
        QTest::newRow("255 is past the last") << "255" << -1;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("01A") << "01A" << 0;
        QTest::newRow("02c lower case") << "02c" << 5;
        QTest::newRow("02B") << "02B" << 4;
        QTest::newRow("85C") << "85C" << 254;
        QTest::newRow("86A") << "86A" << -1;
        QTest::newRow("00A") << "00A" << -1;
        QTest::newRow("1A (one digit bank)") << "1A" << -1;
        QTest::newRow("01D") << "01D" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("blank") << "" << -1;
        QTest::newRow("name") << "CLEAN" << -1;
        QTest::newRow("huge") << "99999999999" << -1;
    }
    void presetRefs()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(parsePresetRef(text), index);
        if (index >= 0)
            QCOMPARE(parsePresetRef(presetLabel(index)), index);
    }

    void presetLabels()
    {
        QCOMPARE(presetLabel(0), QStringLiteral("01A"));
        QCOMPARE(presetLabel(5), QStringLiteral("02C"));
        QCOMPARE(presetLabel(254), QStringLiteral("85C"));
        QCOMPARE(presetLabel(255), QString());
        QCOMPARE(presetLabel(-1), QString());
        QCOMPARE(presetText(4, QStringLiteral("  CLEAN ")), QStringLiteral("02B CLEAN"));
        QCOMPARE(presetText(4, QString()), QStringLiteral("02B"));
    }

    void slotRefs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ir");
        QTest::addColumn<int>("slot");
        QTest::newRow("IR 1") << "1" << true << 0;
        QTest::newRow("IR 10") << "10" << true << 9;
        QTest::newRow("IR row 33") << "33" << true << 0;
        QTest::newRow("IR row 42") << "42" << true << 9;
        QTest::newRow("IR 0") << "0" << true << -1;
        QTest::newRow("IR 11") << "11" << true << -1;
        QTest::newRow("IR row 43") << "43" << true << -1;
        QTest::newRow("IR given an NR row") << "71" << true << -1;
        QTest::newRow("NR 3") << "3" << false << 2;
        QTest::newRow("NR row 71") << "71" << false << 0;
        QTest::newRow("NR row 80") << "80" << false << 9;
        QTest::newRow("NR given an IR row") << "35" << false << -1;
        QTest::newRow("label form") << "33:NAME" << true << -1;
    }
    void slotRefs()
    {
        QFETCH(QString, text);
        QFETCH(bool, ir);
        QFETCH(int, slot);
        QCOMPARE(parseSlotRef(text, ir), slot);
    }

    void captureSlots()
    {
        QCOMPARE(parseCaptureSlot(QStringLiteral("1")), 0);
        QCOMPARE(parseCaptureSlot(QStringLiteral("20")), 19);
        QCOMPARE(parseCaptureSlot(QStringLiteral("0")), -1);
        QCOMPARE(parseCaptureSlot(QStringLiteral("21")), -1);
    }

    void accepted_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Cli::Command>("command");
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("busAddress");
        QTest::addColumn<Cli::CaptureChoice>("capture");
        QTest::addColumn<int>("captureSlot");
        QTest::newRow("list") << QStringList{"list"} << Command::List << -1 << 0 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("option before the command") << QStringList{"--bus-address", "9", "list", "--json"} << Command::List << -1 << 0 << 9 << CaptureChoice::Default << -1;
        QTest::newRow("option with =") << QStringList{"info", "--bus-address=12"} << Command::Info << -1 << 0 << 12 << CaptureChoice::Default << -1;
        QTest::newRow("export by label") << QStringList{"export", "06C", "a.tp"} << Command::Export << 17 << 0 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("import three files") << QStringList{"import", "a.tp", "b.tp", "c.tp", "10"} << Command::Import << 10 << 3 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("import up to the last preset") << QStringList{"import", "a.tp", "b.tp", "253"} << Command::Import << 253 << 2 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("capture replace") << QStringList{"import", "--capture", "replace", "a.tp", "0"} << Command::Import << 0 << 1 << -1 << CaptureChoice::Replace << -1;
        QTest::newRow("capture slot=20") << QStringList{"import", "a.tp", "0", "--capture=slot=20"} << Command::Import << 0 << 1 << -1 << CaptureChoice::Slot << 19;
        QTest::newRow("capture skip") << QStringList{"import", "a.tp", "0", "--capture", "skip"} << Command::Import << 0 << 1 << -1 << CaptureChoice::Skip << -1;
        QTest::newRow("a file named like an option after --") << QStringList{"check", "--", "-x.tp"} << Command::Check << -1 << 1 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("help for a command") << QStringList{"backup", "--help"} << Command::Help << -1 << 0 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("help command") << QStringList{"help", "recall"} << Command::Help << -1 << 0 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("nr-upload of any file with --force") << QStringList{"nr-upload", "x.wav", "2", "--force"} << Command::NrUpload << -1 << 1 << -1 << CaptureChoice::Default << -1;
        QTest::newRow("nr-upload .AMP in capitals") << QStringList{"nr-upload", "X.AMP", "2"} << Command::NrUpload << -1 << 1 << -1 << CaptureChoice::Default << -1;
    }
    void accepted()
    {
        QFETCH(QStringList, args);
        QFETCH(Cli::Command, command);
        QFETCH(int, preset);
        QFETCH(int, files);
        QFETCH(int, busAddress);
        QFETCH(Cli::CaptureChoice, capture);
        QFETCH(int, captureSlot);
        const ParseResult r = parseCommandLine(args);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.invocation.command, command);
        QCOMPARE(r.invocation.preset, preset);
        QCOMPARE(r.invocation.files.size(), files);
        QCOMPARE(r.invocation.busAddress, busAddress);
        QCOMPARE(r.invocation.capture, capture);
        QCOMPARE(r.invocation.captureSlot, captureSlot);
    }

    // Usage errors: the real program exits with 2 and says why in one line.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList{} << "no command given";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "unknown command 'frobnicate'";
        QTest::newRow("unknown option") << QStringList{"list", "--fast"} << "unknown option '--fast'";
        QTest::newRow("list with an argument") << QStringList{"list", "x"} << "list: expected 'kt900 list";
        QTest::newRow("--json for export") << QStringList{"export", "1", "a.tp", "--json"} << "--json is not an option of this command";
        QTest::newRow("--bus-address for check") << QStringList{"check", "a.tp", "--bus-address", "5"} << "--bus-address is not an option";
        QTest::newRow("bus address 0") << QStringList{"list", "--bus-address", "0"} << "not a bus address";
        QTest::newRow("bus address 128") << QStringList{"list", "--bus-address=128"} << "not a bus address";
        QTest::newRow("bus address missing") << QStringList{"list", "--bus-address"} << "--bus-address needs a number";
        QTest::newRow("export 255") << QStringList{"export", "255", "a.tp"} << "'255' is not a preset";
        QTest::newRow("export without file") << QStringList{"export", "3"} << "export: expected";
        QTest::newRow("export --all two folders") << QStringList{"export", "--all", "a", "b"} << "--all takes one folder";
        QTest::newRow("import without target") << QStringList{"import", "a.tp"} << "import: expected";
        QTest::newRow("import target first") << QStringList{"import", "5", "a.tp"} << "the target comes last";
        QTest::newRow("import past 85C") << QStringList{"import", "a.tp", "b.tp", "254"} << "run past the last preset";
        QTest::newRow("capture slot 21") << QStringList{"import", "a.tp", "1", "--capture", "slot=21"} << "capture slot 1..20";
        QTest::newRow("capture keep") << QStringList{"import", "a.tp", "1", "--capture", "keep"} << "--capture takes replace";
        QTest::newRow("ir slot 11") << QStringList{"ir-upload", "a.wav", "11"} << "'11' is not an IR slot";
        QTest::newRow("nr slot 33") << QStringList{"nr-upload", "a.amp", "33"} << "'33' is not an NR slot";
        QTest::newRow("slot-delete kind") << QStringList{"slot-delete", "cab", "1"} << "'ir' or 'nr'";
        QTest::newRow("slot-delete slot") << QStringList{"slot-delete", "nr", "42"} << "'42' is not an NR slot";
        QTest::newRow("check nothing") << QStringList{"check"} << "check: expected";
        QTest::newRow("ir-convert one file") << QStringList{"ir-convert", "a.wav"} << "ir-convert: expected";
        QTest::newRow("--json with a value") << QStringList{"list", "--json=yes"} << "--json takes no value";
        QTest::newRow("export --all to an empty path") << QStringList{"export", "--all", ""} << "an empty name is not a file or folder";
        QTest::newRow("export to an empty path") << QStringList{"export", "3", ""} << "an empty name is not a file or folder";
        QTest::newRow("backup to an empty path") << QStringList{"backup", ""} << "an empty file name";
        QTest::newRow("check of an empty path") << QStringList{"check", "a.tp", ""} << "an empty file name";
        QTest::newRow("nr-upload of a WAV file") << QStringList{"nr-upload", "x.wav", "2"} << "'x.wav' is not an amp capture";
        QTest::newRow("nr-upload without extension") << QStringList{"nr-upload", "capture", "2"} << "is not an amp capture";
        QTest::newRow("backup to standard output") << QStringList{"backup", "-"} << "writing to standard output ('-') is not supported";
        QTest::newRow("ir-convert to standard output") << QStringList{"ir-convert", "a.wav", "-"} << "writing to standard output";
        QTest::newRow("check of standard input") << QStringList{"check", "-"} << "reading from standard input";
        QTest::newRow("--force for ir-upload") << QStringList{"ir-upload", "a.wav", "2", "--force"} << "--force is not an option";
    }
    // Names from the unit or from files reach the terminal with control
    // characters escaped and half characters replaced.
    void printableTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << QStringLiteral("GLASS CLEAN") << QStringLiteral("GLASS CLEAN");
        QTest::newRow("escape sequence") << QStringLiteral("A\x1b[2JB") << QStringLiteral("A\\x1b[2JB");
        QTest::newRow("bell and newline") << QStringLiteral("a\x07\nb") << QStringLiteral("a\\x07\\x0ab");
        QTest::newRow("DEL") << QStringLiteral("x\x7f") << QStringLiteral("x\\x7f");
        QTest::newRow("C1 control (CSI)") << QString(QChar(0x9B)) + "31m" << QStringLiteral("\\x9b31m");
        QTest::newRow("accented letters stay") << QStringLiteral("caf\u00e9 \u00fc") << QStringLiteral("caf\u00e9 \u00fc");
        QTest::newRow("whole emoji stays") << QString::fromUtf8("A\xF0\x9F\x8E\xB8") << QString::fromUtf8("A\xF0\x9F\x8E\xB8");
        QTest::newRow("half an emoji") << QString::fromUtf8("A\xF0\x9F\x8E\xB8").left(2) << QStringLiteral("A\ufffd");
    }
    void printableTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(Cli::Output::printable(text), shown);
    }
    void printableJson()
    {
        const QString name = QStringLiteral("a\x1b") + QChar(0x9B) + QChar(0x7F) + QChar(0xD83C);
        const QByteArray json = Cli::Output::printableJson(QJsonDocument(QJsonObject{{"name", name}}).toJson());
        // No control character and no half character reaches the terminal raw.
        QVERIFY2(!json.contains('\x1b') && !json.contains('\x7f') && !json.contains("\xc2\x9b") && !json.contains("\xed\xa0"),
                 json.constData());
        QVERIFY2(json.contains("\\u001b") && json.contains("\\u009b") && json.contains("\\u007f"), json.constData());
        // What the document leaves raw is escaped here.
        QCOMPARE(Cli::Output::printableJson(QStringLiteral("[\"\u0085\"]").toUtf8()), QByteArray("[\"\\u0085\"]"));
        QJsonParseError err;
        const QJsonDocument back = QJsonDocument::fromJson(json, &err);
        QCOMPARE(err.error, QJsonParseError::NoError);
        QVERIFY(back.object().value("name").toString().startsWith(QStringLiteral("a\x1b") + QChar(0x9B) + QChar(0x7F)));
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QVERIFY(!parseCommandLine(args).ok);
        const CliTest::Run r = CliTest::kt900(args);
        QVERIFY2(r.exitCode == 2, qPrintable(r.describe()));
        QVERIFY2(r.err.startsWith("kt900: "), qPrintable(r.describe()));
        QVERIFY2(r.err.contains(message.toUtf8()), qPrintable(r.describe()));
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(r.out.isEmpty());
    }

    void helpAndVersion()
    {
        CliTest::Run r = CliTest::kt900({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        for (const char *c : {"info", "list", "export", "import", "backup", "recall", "ir-upload", "nr-upload",
                              "slot-delete", "ir-convert", "check", "firmware-info"})
            QVERIFY2(r.out.contains(QByteArray("  ") + c + ' '), c);
        r = CliTest::kt900({QStringLiteral("import"), QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("Usage: kt900 import FILE.tp... N"));
        QVERIFY(r.out.contains("--capture slot=K"));
        r = CliTest::kt900({QStringLiteral("--version")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("kt900 "));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
