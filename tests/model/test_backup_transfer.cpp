// Backup and recall against the virtual unit, through the real libusb path:
// a backup recalled into a factory-reset unit restores its memory byte for
// byte; damaged files fail before the unit is addressed; a unit that stops
// acknowledging, is unplugged or never finishes its read-out makes the
// operation fail instead of hanging.

#include "backupfile.h"
#include "backupformat.h"
#include "filechooser.h"
#include "test_backup_link.h"
#include "memorydiff.h"
#include "unitmemory.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstring>

using Kt900Sim::UnitMemory;
using Kt900Sim::backupAreaDifferences;
using Kt900Sim::presetDifference;
using Kt900Sim::VirtualUnitFixture;

namespace {

// Changes the unit's memory in every area a backup carries, with values the
// unit accepts, so that a factory reset loses all of them.
void personalise(UnitMemory &m)
{
    Kt900::DeviceStore &s = m.store;
    for (int i = 0; i < Kt900::kPresetCount; i += 7) {
        s.copyRecord((i + 100) % Kt900::kPresetCount, i);
        s.setPresetName(i, QStringLiteral("MINE %1").arg(i));
    }
    s.systemBlock()[0] = static_cast<std::uint8_t>(s.systemBlock()[0] ^ 1);
    s.systemBlock()[17] = static_cast<std::uint8_t>((s.systemBlock()[17] + 3) % 10);
    s.setGlobalTempoRaw(static_cast<std::uint16_t>((s.globalTempoRaw() + 17) % 221));
    s.setGlobalEqOutput(1);
    s.setGlobalEqWord(3, static_cast<std::uint16_t>(s.globalEqWord(3) + 5));
    s.midiBlock()[5] = 77;
    s.midiBlock()[256 + 200] = 99;
    s.rhythmBlock()[4] = static_cast<std::uint8_t>(s.rhythmBlock()[4] + 1);
    s.setExpGlobals(static_cast<std::uint16_t>(s.expGlobalWord() + 1), static_cast<std::uint8_t>(s.expGlobalByte() ^ 1));
    s.captureAmpList()[2 * 7] = 42;
    // Another capture slot, and new data in a filled one.
    s.setCaptureUsed(2, true);
    s.setSlotName(Kt900::ListCapture, 2, QStringLiteral("MY AMP"));
    for (int i = 0; i < Kt900::kCaptureBytes; ++i)
        s.captureData(2)[i] = static_cast<std::uint8_t>(i * 3 + 1);
    s.captureData(0)[100] = static_cast<std::uint8_t>(s.captureData(0)[100] + 1);
    // Another IR slot, new data in a filled one; another NR slot.
    s.setSlotName(Kt900::ListIr, 3, QStringLiteral("Room 2x12"));
    for (int i = 0; i < Kt900::kIrBytes; i += 4)
        m.irData[3][std::size_t(i)] = static_cast<std::uint8_t>(i / 4);
    m.irData[5][10] = static_cast<std::uint8_t>(m.irData[5][10] + 1);
    s.setSlotName(Kt900::ListNr, 7, QStringLiteral("Plexi"));
    for (int i = 0; i < Kt900::kNrBytes; ++i)
        m.nrData[7][std::size_t(i)] = static_cast<std::uint8_t>(i * 5);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBackupTransfer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(VirtualUnitFixture::preloadActive(), "this test runs under the umockdev preload");
        QVERIFY(m_dir.isValid());
    }

    void backupRecalledIntoFactoryResetUnit()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        fixture.unit().editMemory(personalise);
        const UnitMemory before = fixture.unit().memory();
        const QString path = m_dir.filePath(QStringLiteral("unit.tbf"));
        {
            EditorLink link;
            QVERIFY(link.open(fixture.deviceAddress()));
            QVERIFY(link.sync());
            BackupFile backup;
            QCOMPARE(backup.backupTo(link.recv(), path), 0);
            QVERIFY2(backup.lastError().isEmpty(), qPrintable(backup.lastError()));
        }
        QVector<BackupFormat::GroupData> groups;
        QVERIFY(BackupFormat::parse(readAll(path), &groups));
        QCOMPARE(groups.size(), 11);
        QCOMPARE(groups.last().group, BackupFormat::Group::Amp);

        fixture.unit().factoryReset();
        QVERIFY(!backupAreaDifferences(before, fixture.unit().memory()).isEmpty());

        // The editor started again on the reset unit, then the recall.
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        fixture.unit().clearReceivedFrames();
        BackupFile recall;
        QSignalSpy progress(&recall, &BackupFile::recallProgress);
        QCOMPARE(recall.recallFrom(link.recv(), path), 0);
        const QStringList diff = backupAreaDifferences(before, fixture.unit().memory());
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QStringLiteral(", "))));
        QVERIFY2(fixture.unit().protocolErrors().isEmpty(), qPrintable(fixture.unit().protocolErrors().join('\n')));

        // Recall mode around everything, and progress from 0 to 510, never back.
        const auto frames = fixture.unit().receivedFrames();
        QVERIFY(!frames.empty());
        QCOMPARE(frames.front(), QByteArray("\x29\x01\x01", 3));
        QCOMPARE(frames.back(), QByteArray("\x29\x01\x00", 3));
        QVERIFY(progress.count() > 255);
        int last = -1;
        for (const QList<QVariant> &args : progress) {
            QVERIFY(args.at(0).toInt() >= last);
            last = args.at(0).toInt();
        }
        QCOMPARE(progress.first().at(0).toInt(), 0);
        QCOMPARE(last, 510);
    }

    // N = 10: no capture group when no capture slot is filled; the IR and amp
    // groups hold exactly the unit's filled slots.
    void backupWithoutCaptures()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        fixture.unit().editMemory([](UnitMemory &m) {
            for (int s = 0; s < Kt900::kCaptureSlots; ++s)
                m.store.setCaptureUsed(s, false);
        });
        const UnitMemory unit = fixture.unit().memory();
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        const QString path = m_dir.filePath(QStringLiteral("nocapture.tbf"));
        BackupFile backup;
        QCOMPARE(backup.backupTo(link.recv(), path), 0);
        const QByteArray file = readAll(path);
        QCOMPARE(int(static_cast<unsigned char>(file[76])), 10);
        QVector<BackupFormat::GroupData> groups;
        QVERIFY(BackupFormat::parse(file, &groups));
        QCOMPARE(groups.size(), 10);
        for (const auto &g : groups)
            QVERIFY(g.group != BackupFormat::Group::Capture);
        QCOMPARE(groups[8].group, BackupFormat::Group::Ir);
        QCOMPARE(groups[9].group, BackupFormat::Group::Amp);
        QVector<int> irSlots, nrSlots;
        for (int s = 0; s < Kt900::kIrSlots; ++s) {
            if (unit.irFilled(s))
                irSlots << s;
            if (unit.nrFilled(s))
                nrSlots << s;
        }
        QCOMPARE(groups[8].items.size(), irSlots.size());
        QCOMPARE(groups[9].items.size(), nrSlots.size());
        for (int i = 0; i < irSlots.size(); ++i) {
            const BackupFormat::Item &item = groups[8].items[i];
            QCOMPARE(item.index, irSlots[i]);
            QCOMPARE(item.data.left(16), QByteArray(reinterpret_cast<const char *>(unit.store.slotNameBytes(Kt900::ListIr, item.index)), 16));
            QCOMPARE(item.data.mid(16), QByteArray(reinterpret_cast<const char *>(unit.irData[std::size_t(item.index)].data()), Kt900::kIrBytes));
        }
        const BackupFormat::Item &amp = groups[9].items.last();
        QCOMPARE(amp.data.mid(16), QByteArray(reinterpret_cast<const char *>(unit.nrData[std::size_t(amp.index)].data()), Kt900::kNrBytes));
        // The presets are the unit's.
        for (int i = 0; i < Kt900::kPresetCount; ++i) {
            Kt900::Record item{};
            QCOMPARE(groups[2].items[i].data.size(), Kt900::kRecordSize);
            std::memcpy(item.data(), groups[2].items[i].data.constData(), Kt900::kRecordSize);
            const QString diff = presetDifference(item, *unit.store.record(i));
            QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("preset %1 %2").arg(i).arg(diff)));
        }
    }

    // One changed byte after offset 1023: -1 before the unit is addressed.
    void damagedFileFailsBeforeTheUnit()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        const QString path = m_dir.filePath(QStringLiteral("damaged.tbf"));
        BackupFile backup;
        QCOMPARE(backup.backupTo(link.recv(), path), 0);
        QByteArray file = readAll(path);
        file[20000] = static_cast<char>(file[20000] ^ 0x10);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(file);
        f.close();

        fixture.unit().clearReceivedFrames();
        const UnitMemory before = fixture.unit().memory();
        QSignalSpy progress(&backup, &BackupFile::recallProgress);
        QCOMPARE(backup.recallFrom(link.recv(), path), -1);
        QVERIFY(backup.lastError().contains(QStringLiteral("checksum")));
        QTest::qWait(100);
        QVERIFY(fixture.unit().receivedFrames().empty());
        QCOMPARE(progress.count(), 0);
        QVERIFY(backupAreaDifferences(before, fixture.unit().memory()).isEmpty());
    }

    // A unit that stops acknowledging presets: recall gives up after the
    // acknowledgement limit and ends recall mode.
    void recallWithoutAcknowledgements()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        const QString path = m_dir.filePath(QStringLiteral("noack.tbf"));
        BackupFile backup;
        QCOMPARE(backup.backupTo(link.recv(), path), 0);

        Kt900Sim::FaultOptions faults = fixture.unit().faults();
        faults.acknowledge = true;
        faults.stopAckAfter = 3;
        fixture.unit().setFaults(faults);
        fixture.unit().clearReceivedFrames();
        // Long enough that the acknowledged presets pass on a loaded machine.
        backup.setPresetAckTimeout(2000);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(backup.recallFrom(link.recv(), path), -1);
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY2(backup.lastError().contains(QStringLiteral("KT900_PRESET item 3")), qPrintable(backup.lastError()));
        QTest::qWait(100);
        const auto frames = fixture.unit().receivedFrames();
        QVERIFY(!frames.empty());
        QCOMPARE(frames.back(), QByteArray("\x29\x01\x00", 3));
    }

    // Unplugged during the read-out: -1 at once (not after the read-out
    // limit), the message says why, and no file is written.
    void backupUnplugged()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        Kt900Sim::FaultOptions faults = fixture.unit().faults();
        faults.unplugAfterReports = fixture.unit().reportsSent() + 20;
        fixture.unit().setFaults(faults);

        const QString path = m_dir.filePath(QStringLiteral("unplugged-backup.tbf"));
        BackupFile backup;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(backup.backupTo(link.recv(), path), -1);
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY2(backup.lastError().contains(QStringLiteral("disconnected")), qPrintable(backup.lastError()));
        QVERIFY(!QFile::exists(path));
    }

    // Unplugged half-way: the recall fails, nothing hangs.
    void recallUnplugged()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        const QString path = m_dir.filePath(QStringLiteral("unplug.tbf"));
        BackupFile backup;
        QCOMPARE(backup.backupTo(link.recv(), path), 0);

        QSignalSpy progress(&backup, &BackupFile::recallProgress);
        QTimer::singleShot(300, [&fixture] { fixture.unplug(); });
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(backup.recallFrom(link.recv(), path), -1);
        QVERIFY(timer.elapsed() < 15000);
        QVERIFY(progress.count() > 0);
        QVERIFY(progress.last().at(0).toInt() < 510);
        QVERIFY(!backup.lastError().isEmpty());
    }

    // The unit never reports the end of its read-out: -1, and a file already
    // at the path stays as it was.
    void backupTimesOut()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        const QString path = m_dir.filePath(QStringLiteral("previous.tbf"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("previous backup");
        f.close();

        Kt900Sim::FaultOptions faults = fixture.unit().faults();
        faults.replyDelayMs = 3000;
        fixture.unit().setFaults(faults);
        BackupFile backup;
        backup.setReadoutTimeout(700);
        QCOMPARE(backup.backupTo(link.recv(), path), -1);
        QVERIFY(backup.lastError().contains(QStringLiteral("did not send")));
        QCOMPARE(readAll(path), QByteArray("previous backup"));
        QVERIFY(!link.recv()->hasReadoutBuffers());
    }

    // backup() and recall() take their file names from the chooser.
    void throughTheChooser()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        const QString path = m_dir.filePath(QStringLiteral("chosen.tbf"));
        FixedFileChooser chooser(path);
        BackupFile backup;
        backup.setFileChooser(&chooser);
        QCOMPARE(backup.backup(link.recv()), 0);
        QVERIFY(BackupFile::checkBackupFile(path));
        QCOMPARE(backup.recall(link.recv()), 0);
        QCOMPARE(chooser.calls, 2);
    }
};

QTEST_GUILESS_MAIN(TestBackupTransfer)
#include "test_backup_transfer.moc"
