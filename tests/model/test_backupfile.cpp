// BackupFile without a unit: the file dialog seam (titles, proposed name,
// filters, cancelling) and the failures that come before the unit is
// addressed. The transfers themselves are tested against the virtual unit
// (test_backup_transfer).

#include "backupfile.h"
#include "backupformat.h"
#include "devicestore.h"
#include "filechooser.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestBackupFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeValidBackup()
    {
        Kt900::DeviceStore store;
        const QString path = m_dir.filePath(QStringLiteral("valid.tbf"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(BackupFormat::buildImage(store, BackupFormat::SlotReadout()));
        return path;
    }

private slots:
    void dialogTexts()
    {
        QCOMPARE(BackupFile::dialogTitle(), QStringLiteral("KT900 Backup File"));
        QCOMPARE(BackupFile::proposedFileName(), QStringLiteral("./KT900.tbf"));
        QCOMPARE(BackupFile::saveFilter(), QStringLiteral("backup files(*.tbf)"));
        QCOMPARE(BackupFile::openFilter(), QStringLiteral("backup files(*.tbf);;All files (*.*)"));
    }

    // No file chosen: 1, and the unit (here: none at all) is not touched.
    void cancelled()
    {
        BackupFile backup;
        FixedFileChooser chooser;
        backup.setFileChooser(&chooser);
        QSignalSpy progress(&backup, &BackupFile::recallProgress);

        QCOMPARE(backup.backup(nullptr), 1);
        QCOMPARE(chooser.calls, 1);
        QCOMPARE(chooser.lastCaption, QStringLiteral("KT900 Backup File"));
        QCOMPARE(chooser.lastDirOrProposal, QStringLiteral("./KT900.tbf"));
        QCOMPARE(chooser.lastFilter, QStringLiteral("backup files(*.tbf)"));

        QCOMPARE(backup.recall(nullptr), 1);
        QCOMPARE(chooser.calls, 2);
        QCOMPARE(chooser.lastCaption, QStringLiteral("KT900 Backup File"));
        QCOMPARE(chooser.lastFilter, QStringLiteral("backup files(*.tbf);;All files (*.*)"));
        QCOMPARE(progress.count(), 0);
    }

    void failuresBeforeTheUnit_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("missing file") << 0 << "cannot open";
        QTest::newRow("empty file") << 1 << "too short";
        QTest::newRow("changed byte after 1023") << 2 << "checksum";
        QTest::newRow("no unit") << 3 << "not connected";
    }

    void failuresBeforeTheUnit()
    {
        QFETCH(int, damage);
        QFETCH(QString, reasonPart);
        QString path = writeValidBackup();
        QVERIFY(!path.isEmpty());
        QFile f(path);
        switch (damage) {
        case 0:
            path = m_dir.filePath(QStringLiteral("nothing.tbf"));
            break;
        case 1:
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.close();
            break;
        case 2: {
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(5000);
            const char b = f.peek(1).at(0);
            f.write(QByteArray(1, static_cast<char>(b ^ 0x40)));
            f.close();
            break;
        }
        default:
            break;
        }
        BackupFile backup;
        FixedFileChooser chooser(path);
        backup.setFileChooser(&chooser);
        QSignalSpy progress(&backup, &BackupFile::recallProgress);
        QCOMPARE(backup.recall(nullptr), -1);
        QVERIFY2(backup.lastError().contains(reasonPart), qPrintable(backup.lastError()));
        QCOMPARE(progress.count(), 0);
        QCOMPARE(BackupFile::checkBackupFile(path), damage == 3);
    }

    void backupWithoutUnit()
    {
        BackupFile backup;
        const QString path = m_dir.filePath(QStringLiteral("never.tbf"));
        QCOMPARE(backup.backupTo(nullptr, path), -1);
        QVERIFY(!QFile::exists(path));
        QVERIFY(backup.lastError().contains(QStringLiteral("not connected")));
    }
};

QTEST_GUILESS_MAIN(TestBackupFile)
#include "test_backupfile.moc"
