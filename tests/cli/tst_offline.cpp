// The commands that need no unit, through the real program: check on good
// and malformed preset, backup, firmware, IR and NR files (with the reasons
// the programs give), firmware-info, ir-convert.

#include "clifiles.h"
#include "clirun.h"

#include "irdata.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <qplatformdefs.h>

#include <sys/stat.h>

using namespace CliTest;

class TestOffline : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    Kt900::DeviceStore m_factory;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString p = path(name);
        writeFile(p, bytes);
        return p;
    }

    // A preset whose capture slot is filled, so that its file carries a capture.
    int presetWithCapture() const
    {
        for (int i = 0; i < Kt900::kPresetCount; ++i) {
            const int slot = m_factory.blockWord(i, Kt900::ModToneCap, 1);
            if (slot >= 0 && slot < Kt900::kCaptureSlots && m_factory.captureUsed(slot))
                return i;
        }
        return -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(loadCatalogue());
        m_factory = Kt900Sim::factoryMemory().store;
    }

    void validFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("details");
        const int withCapture = presetWithCapture();
        QVERIFY(withCapture >= 0);
        const QString captureName = m_factory.slotName(Kt900::ListCapture, m_factory.blockWord(withCapture, Kt900::ModToneCap, 1));
        QTest::newRow("preset with capture") << "My Tone.tp" << presetFile(m_factory, withCapture) << "valid preset file"
                                             << QStringList{"imported as: My Tone", "tone capture: \"" + captureName + "\""};
        QTest::newRow("preset without fileInfo")
            << "Bare.tp" << [this] {
                   QJsonObject o = QJsonDocument::fromJson(presetFile(m_factory, 3)).object();
                   o.remove(QStringLiteral("fileInfo"));
                   return QJsonDocument(o).toJson();
               }() << "valid preset file" << QStringList{"name in the file: (none)"};
        QTest::newRow("backup") << "unit.tbf" << factoryBackup() << "valid backup file"
                                << QStringList{"KT900_PRESET: 255 item(s)", "KT900_IR: 5 item(s) (1:", "KT900_AMP: 3 item(s)"};
        QTest::newRow("firmware") << "TOVAK_KT900_V1.2.3.tk" << firmwareFile() << "valid firmware file"
                                  << QStringList{"sections: 2", "version in the file name: V1.2.3"};
        QTest::newRow("IR 48 kHz stereo 24-bit") << "Room Mic.wav" << wavFile(48000, 2, 24, 3000) << "valid IR file"
                                                  << QStringList{"24-bit integer, 2 channel(s), 48000 Hz", "the first 2240 frames", "slot name: Room Mic"};
        QTest::newRow("IR float") << "Float.wav" << wavFile(96000, 1, 32, 100, 3) << "valid IR file" << QStringList{"32-bit float"};
        QTest::newRow("IR sniffed without extension") << "impulse" << wavFile(44100, 1, 16, 10) << "valid IR file" << QStringList{};
        QTest::newRow("NR") << "Plexi.amp" << QByteArray(1600, 'a') << "valid NR file"
                            << QStringList{"slot name: Plexi", "only the first 1584 of its 1600 bytes are sent"};
    }
    void validFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QFETCH(QStringList, details);
        const QString p = file(name, bytes);
        const Run r = kt900({QStringLiteral("check"), p});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY2(r.out.startsWith((p + QStringLiteral(": ") + kind + '\n').toUtf8()), qPrintable(r.describe()));
        for (const QString &d : details)
            QVERIFY2(r.out.contains(d.toUtf8()), qPrintable(d + QStringLiteral("\n") + r.describe()));
        QVERIFY2(r.err.isEmpty(), qPrintable(r.describe()));
    }

    void invalidFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray preset = presetFile(m_factory, 5);
        QTest::newRow("preset: not JSON") << "a.tp" << QByteArray("{\"fileInfo\": ") << "not a preset file: ";
        QTest::newRow("preset: JSON array") << "a.tp" << QByteArray("[1, 2]") << "not a preset file: ";
        QTest::newRow("preset: empty") << "a.tp" << QByteArray() << "the file is empty";
        QTest::newRow("preset: device with a blank")
            << "a.tp" << editedPreset(preset, "fileInfo", "device", QStringLiteral("TOVAK KT900 "))
            << "not a preset file: device is 'TOVAK KT900 ', expected 'TOVAK KT900'";
        QTest::newRow("preset: other device")
            << "a.tp" << editedPreset(preset, "fileInfo", "device", QStringLiteral("X"))
            << "not a preset file: device is 'X', expected 'TOVAK KT900'";
        QTest::newRow("preset: device missing") << "a.tp" << [&preset] {
            QJsonObject root = QJsonDocument::fromJson(preset).object();
            QJsonObject info = root.value(QStringLiteral("fileInfo")).toObject();
            info.remove(QStringLiteral("device"));
            root.insert(QStringLiteral("fileInfo"), info);
            return QJsonDocument(root).toJson();
        }() << "not a preset file: device is missing, expected 'TOVAK KT900'";
        QTest::newRow("preset: device version")
            << "a.tp" << editedPreset(preset, "fileInfo", "device_version", QStringLiteral("V2.0.0"))
            << "device_version is 'V2.0.0', expected 'V1.0.0'";
        QTest::newRow("preset: schema")
            << "a.tp" << editedPreset(preset, "fileInfo", "schema", 3) << "schema is '3', expected 'KT900 Preset'";
        QTest::newRow("preset: chain with a module twice")
            << "a.tp" << editedPreset(preset, QString(), "effectChain", QJsonArray{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9})
            << "the preset file is damaged: ";
        QTest::newRow("preset: Exp with nine members") << "a.tp" << [&preset] {
            QJsonObject root = QJsonDocument::fromJson(preset).object();
            QJsonObject exp = root.value(QStringLiteral("Exp")).toObject();
            exp.remove(exp.keys().first());
            root.insert(QStringLiteral("Exp"), exp);
            return QJsonDocument(root).toJson();
        }() << "the preset file is damaged: ";
        QTest::newRow("preset: FXA Data with a member too many") << "a.tp" << [&preset] {
            QJsonObject root = QJsonDocument::fromJson(preset).object();
            QJsonObject modules = root.value(QStringLiteral("effectModule")).toObject();
            QJsonObject fxa = modules.value(QStringLiteral("FXA")).toObject();
            QJsonObject data = fxa.value(QStringLiteral("Data")).toObject();
            data.insert(QStringLiteral("Extra"), 1);
            fxa.insert(QStringLiteral("Data"), data);
            modules.insert(QStringLiteral("FXA"), fxa);
            root.insert(QStringLiteral("effectModule"), modules);
            return QJsonDocument(root).toJson();
        }() << "the preset file is damaged: ";

        const QByteArray backup = factoryBackup();
        QTest::newRow("backup: too short") << "u.tbf" << backup.left(1000) << "too short for a backup file (1000 bytes)";
        QTest::newRow("backup: byte changed after the header") << "u.tbf" << [&backup] {
            QByteArray b = backup;
            b[5000] = static_cast<char>(b[5000] ^ 0x01);
            return b;
        }() << "the checksum does not match";
        QTest::newRow("backup: other version") << "u.tbf" << [&backup] {
            QByteArray b = backup;
            b[BackupFormat::kVersionOffset + 5] = '1';
            return resealed(b);
        }() << "unsupported backup version \"V1.0.1\"";
        QTest::newRow("backup: no BUFF") << "u.tbf" << [&backup] {
            QByteArray b = backup;
            b[72] = 'X';
            return resealed(b);
        }() << "no data marker";
        QTest::newRow("backup: other maker") << "u.tbf" << [&backup] {
            QByteArray b = backup;
            b[0] = 'X';
            return resealed(b);
        }() << "not a KT900 backup";
        QTest::newRow("backup: group past the end") << "u.tbf" << [&backup] {
            QByteArray b = backup;
            b[BackupFormat::kGroupOffsetsOffset + 8 * 2 + 3] = 0x7F;   // offset of group 3
            return resealed(b);
        }() << "group 3 lies outside the file";
        QTest::newRow("backup: truncated groups") << "u.tbf" << resealed(backup.left(backup.size() - 100))
                                                  << "runs past the end of the file";

        const QByteArray fw = firmwareFile();
        QTest::newRow("firmware: no tag") << "f.tk" << [&fw] {
            QByteArray b = fw;
            b[0] = 't';
            return b;
        }() << "no firmware tag";
        QTest::newRow("firmware: other model") << "f.tk" << firmwareFile(1, "TOVAK_KT700") << "firmware for another model: 'TOVAK_KT700', expected 'TOVAK_KT900'";
        QTest::newRow("firmware: no sections") << "f.tk" << firmwareFile(0) << "section count is not positive";
        QTest::newRow("firmware: truncated") << "f.tk" << fw.left(fw.size() - 512) << "past the end of the file";
        QTest::newRow("firmware: header only") << "f.tk" << fw.left(60) << "file shorter than its header";
        QTest::newRow("firmware: partial block") << "f.tk" << [] {
            Firmware::ImageSpec imageLayout;
            Firmware::SectionSpec s;
            s.data = QByteArray(700, 'x');
            imageLayout.sections.append(s);
            return Firmware::build(imageLayout);
        }() << "not a whole number of blocks";

        QTest::newRow("IR: 22050 Hz") << "a.wav" << wavFile(22050, 1, 16, 100) << "unsupported sample rate 22050 Hz";
        QTest::newRow("IR: three channels") << "a.wav" << wavFile(44100, 3, 16, 100) << "unsupported channel count 3";
        QTest::newRow("IR: 12-bit") << "a.wav" << [] {
            QByteArray b = wavFile(44100, 1, 16, 100);
            b[34] = 12;
            return b;
        }() << "unsupported bit depth 12";
        QTest::newRow("IR: not RIFF") << "a.wav" << QByteArray(64, 'x') << "not a RIFF/WAVE file";
        QTest::newRow("IR: too short") << "a.wav" << QByteArray("RIFF") << "not a WAV file (only 4 bytes)";
        QTest::newRow("IR: no data chunk") << "a.wav" << wavFile(44100, 1, 16, 100).left(36) << "no sample data";
        QTest::newRow("IR: name with an accented letter") << QString::fromUtf8("Caf\xc3\xa9.wav") << wavFile(44100, 1, 16, 100)
                                                          << "cannot name a slot: printable ASCII characters only";
        QTest::newRow("NR: short") << "a.amp" << QByteArray(1000, 'a') << "the amp capture is too short (1000 bytes, 1584 needed)";
        QTest::newRow("unknown kind") << "notes.txt" << QByteArray("hello") << "unknown kind of file";
    }
    void invalidFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString p = file(name, bytes);
        const Run r = kt900({QStringLiteral("check"), p});
        QVERIFY2(r.exitCode == 1, qPrintable(r.describe()));
        QVERIFY2(r.out.contains(reason.toUtf8()), qPrintable(reason + QStringLiteral("\n") + r.describe()));
        // One clear line on stderr.
        QVERIFY2(r.err.startsWith(("kt900: " + p + ": ").toUtf8()), qPrintable(r.describe()));
        QVERIFY2(r.err.contains(reason.toUtf8()), qPrintable(r.describe()));
        QCOMPARE(r.err.count('\n'), 1);

        // The same verdict in JSON.
        const Run j = kt900({QStringLiteral("check"), QStringLiteral("--json"), p});
        QCOMPARE(j.exitCode, 1);
        const QJsonObject o = QJsonDocument::fromJson(j.out).object();
        QCOMPARE(o.value(QStringLiteral("valid")).toBool(true), false);
        QVERIFY2(o.value(QStringLiteral("reason")).toString().contains(reason), qPrintable(QString::fromUtf8(j.out)));
        QCOMPARE(o.value(QStringLiteral("file")).toString(), p);
    }

    void missingFile()
    {
        const Run r = kt900({QStringLiteral("check"), path(QStringLiteral("nothing.tp"))});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("cannot open the file"), qPrintable(r.describe()));
    }

    void severalFilesInJson()
    {
        const QString good = file(QStringLiteral("Good.tp"), presetFile(m_factory, 0));
        const QString bad = file(QStringLiteral("bad.tbf"), QByteArray(10, '\0'));
        Run r = kt900({QStringLiteral("check"), QStringLiteral("--json"), good, bad});
        QCOMPARE(r.exitCode, 1);
        const QJsonArray a = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(a.size(), 2);
        QCOMPARE(a.at(0).toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("preset"));
        QCOMPARE(a.at(0).toObject().value(QStringLiteral("valid")).toBool(), true);
        QCOMPARE(a.at(0).toObject().value(QStringLiteral("importName")).toString(), QStringLiteral("Good"));
        QCOMPARE(a.at(1).toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("backup"));
        QCOMPARE(a.at(1).toObject().value(QStringLiteral("valid")).toBool(), false);
        // All valid: exit code 0.
        r = kt900({QStringLiteral("check"), good, good});
        QCOMPARE(r.exitCode, 0);
    }

    void presetNotes()
    {
        // The editor lists only files named with letters, digits and spaces,
        // and names an imported preset after at most 16 characters.
        const QString p = file(QStringLiteral("my-very-long-preset-name.tp"), presetFile(m_factory, 1));
        const Run r = kt900({QStringLiteral("check"), p});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("imported as: my-very-long-pre\n"), qPrintable(r.describe()));
        QVERIFY(r.out.contains("note: the editor does not list this file"));
        QVERIFY(r.out.contains("note: the file name is longer than 16 characters"));
    }

    void firmwareInfo()
    {
        const QString p = file(QStringLiteral("TOVAK_KT900_V2.0.1.tk"), firmwareFile(2));
        Run r = kt900({QStringLiteral("firmware-info"), p});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(r.out.contains("model: TOVAK_KT900"));
        QVERIFY(r.out.contains("apply: command 0x81, acknowledgement 0x81, wait 3000 ms, argument 0x00000000"));
        QVERIFY2(r.out.contains("  1: header at 128, data at 640, 1024 bytes (2 blocks), block command 0x52, acknowledgement 0x53, wait 1000 ms, first block 0"),
                 qPrintable(r.describe()));
        QVERIFY(r.out.contains("  2: header at 1664, data at 2176, 1536 bytes (3 blocks), block command 0x54, acknowledgement 0x55, wait 1000 ms, first block 256"));
        QVERIFY(r.out.contains("the updater accepts this file"));

        r = kt900({QStringLiteral("firmware-info"), QStringLiteral("--json"), p});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o.value(QStringLiteral("valid")).toBool(), true);
        QCOMPARE(o.value(QStringLiteral("sectionCount")).toInt(), 2);
        QCOMPARE(o.value(QStringLiteral("nameVersion")).toString(), QStringLiteral("V2.0.1"));
        const QJsonArray sections = o.value(QStringLiteral("sections")).toArray();
        QCOMPARE(sections.size(), 2);
        QCOMPARE(sections.at(1).toObject().value(QStringLiteral("firstBlock")).toInt(), 256);
        QCOMPARE(sections.at(1).toObject().value(QStringLiteral("blocks")).toInt(), 3);
        QCOMPARE(o.value(QStringLiteral("totalBlocks")).toInt(), 5);

        // A file the updater refuses: what can be read, the reason, exit 1;
        // a name the launcher would not pick is noted.
        const QString bad = file(QStringLiteral("update.tk"), firmwareFile(2).left(2000));
        r = kt900({QStringLiteral("firmware-info"), bad});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.contains("  1: header at 128"));
        QVERIFY(r.out.contains("the updater refuses this file: section header or data past the end of the file"));
        QVERIFY(r.out.contains("note: the launcher only picks files named TOVAK_KT900_V<d>.<d>.<d>.tk"));
        QVERIFY2(r.err.startsWith(("kt900: " + bad + ": section header").toUtf8()), qPrintable(r.describe()));

        // A wait that would stall the update (49 days) is refused, not accepted.
        QByteArray stalling = firmwareFile(2);
        const quint32 wait = 4294967272u;
        for (int i = 0; i < 4; ++i)
            stalling[43 + i] = char((wait >> (8 * i)) & 0xFF);
        const QString stall = file(QStringLiteral("TOVAK_KT900_V2.0.2.tk"), stalling);
        r = kt900({QStringLiteral("firmware-info"), stall});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(!r.out.contains("the updater accepts this file"), qPrintable(r.describe()));
        QVERIFY2(r.out.contains("the updater refuses this file: a wait time beyond 60000 ms would stall the update"), qPrintable(r.describe()));
    }

    void irConvert_data()
    {
        QTest::addColumn<QByteArray>("wav");
        QTest::newRow("44.1 kHz 16-bit") << wavFile(44100, 1, 16, 1500);
        QTest::newRow("48 kHz stereo 24-bit, resampled") << wavFile(48000, 2, 24, 3000);
        QTest::newRow("96 kHz float") << wavFile(96000, 1, 32, 5000, 3);
        QTest::newRow("88.2 kHz 8-bit") << wavFile(88200, 1, 8, 500);
    }
    void irConvert()
    {
        QFETCH(QByteArray, wav);
        const QString in = file(QStringLiteral("in.wav"), wav);
        const QString out = path(QStringLiteral("out.bin"));
        QFile::remove(out);
        const Run r = kt900({QStringLiteral("ir-convert"), in, out});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QByteArray expected;
        QVERIFY(IrData::convertWav(wav, &expected));
        QCOMPARE(expected.size(), 8192);
        QCOMPARE(readFile(out), expected);
    }

    void irConvertFailureKeepsTheOldFile()
    {
        const QString in = file(QStringLiteral("bad.wav"), wavFile(32000, 1, 16, 100));
        const QString out = file(QStringLiteral("keep.bin"), QByteArray("previous"));
        const Run r = kt900({QStringLiteral("ir-convert"), in, out});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err == ("kt900: " + in + ": unsupported sample rate 32000 Hz (44100, 48000, 88200 or 96000 Hz)\n").toUtf8(),
                 qPrintable(r.describe()));
        QCOMPARE(readFile(out), QByteArray("previous"));
        // Nothing else was left in the folder either (no temporary file).
        const QString sub = path(QStringLiteral("conv"));
        QVERIFY(QDir().mkpath(sub));
        const Run r2 = kt900({QStringLiteral("ir-convert"), in, sub + QStringLiteral("/x.bin")});
        QCOMPARE(r2.exitCode, 1);
        QVERIFY(QDir(sub).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
        // An output folder that does not exist.
        const QString good = file(QStringLiteral("good.wav"), wavFile(44100, 1, 16, 100));
        const Run r3 = kt900({QStringLiteral("ir-convert"), good, path(QStringLiteral("no/such/dir/x.bin"))});
        QCOMPARE(r3.exitCode, 1);
        QVERIFY2(r3.err.startsWith("kt900: cannot create "), qPrintable(r3.describe()));
    }

    // Paths that are not regular files: refused before they are opened, so
    // that nothing blocks on a FIFO, reads a device without end or replaces
    // a device node or FIFO by a file.
    void nonRegularPaths_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString fifo = path(QStringLiteral("pipe.tp"));
        const QString wav = path(QStringLiteral("in.wav"));
        QTest::newRow("check of a FIFO") << QStringList{"check", fifo} << fifo + " is a FIFO (named pipe)";
        QTest::newRow("check of /dev/zero") << QStringList{"check", "/dev/zero"} << "/dev/zero is a device";
        QTest::newRow("firmware-info of a FIFO") << QStringList{"firmware-info", fifo} << "is a FIFO";
        QTest::newRow("ir-convert from a FIFO") << QStringList{"ir-convert", fifo, path("o.bin")} << "is a FIFO";
        QTest::newRow("ir-convert into /dev/null") << QStringList{"ir-convert", wav, "/dev/null"} << "/dev/null is a device";
        QTest::newRow("ir-convert into a FIFO") << QStringList{"ir-convert", wav, fifo} << "does not replace it";
        QTest::newRow("ir-convert into a folder") << QStringList{"ir-convert", wav, m_dir.path()} << "is a folder";
        QTest::newRow("backup into a FIFO") << QStringList{"backup", fifo} << "does not replace it";
        QTest::newRow("recall of /dev/zero") << QStringList{"recall", "/dev/zero"} << "is a device";
        QTest::newRow("export --all into a file") << QStringList{"export", "--all", wav} << "is a file, not a folder";
        QTest::newRow("nr-upload of a FIFO") << QStringList{"nr-upload", fifo, "1", "--force"} << "is a FIFO";
    }
    void nonRegularPaths()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QString fifo = path(QStringLiteral("pipe.tp"));
        if (!QFileInfo::exists(fifo))
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        file(QStringLiteral("in.wav"), wavFile(44100, 1, 16, 100));
        const Run r = runProgram(QStringLiteral(KT900_CLI_BINARY), args, 20000);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message.toUtf8()), qPrintable(r.describe()));
        // The FIFO is still one, and the device is untouched.
        QT_STATBUF st;
        QCOMPARE(QT_STAT(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists() && !QFileInfo(QStringLiteral("/dev/null")).isFile());
    }
};

QTEST_GUILESS_MAIN(TestOffline)
#include "tst_offline.moc"
