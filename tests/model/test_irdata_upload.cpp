// IR and NR files imported into the virtual unit's user slots through the
// real libusb path: the unit acknowledges every chunk and ends up holding
// the converted data under the file's name; bad names and files send
// nothing; deleting empties the slot; a unit that stops acknowledging makes
// the import fail.

#include "effectcatalogue.h"
#include "irdata.h"
#include "irupload.h"
#include "resources.h"
#include "test_backup_link.h"
#include "unitmemory.h"

#include <QTemporaryDir>
#include <QtTest>

using Kt900Sim::VirtualUnitFixture;

namespace {

// A mono 16-bit WAV file.
QByteArray wav16(int rate, const QVector<qint16> &samples)
{
    auto le = [](QByteArray &b, quint32 v, int n) {
        for (int i = 0; i < n; ++i)
            b.append(static_cast<char>(v >> (8 * i)));
    };
    QByteArray data;
    for (qint16 s : samples)
        le(data, static_cast<quint16>(s), 2);
    QByteArray f = "RIFF";
    le(f, static_cast<quint32>(36 + data.size()), 4);
    f.append("WAVEfmt ");
    le(f, 16, 4);
    le(f, 1, 2);
    le(f, 1, 2);
    le(f, static_cast<quint32>(rate), 4);
    le(f, static_cast<quint32>(rate * 2), 4);
    le(f, 2, 2);
    le(f, 16, 2);
    f.append("data");
    le(f, static_cast<quint32>(data.size()), 4);
    f.append(data);
    return f;
}

} // namespace

class TestIrDataUpload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(bytes);
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(VirtualUnitFixture::preloadActive(), "this test runs under the umockdev preload");
        QVERIFY(m_dir.isValid());
        kt900InitResources();
        QVERIFY(EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
    }

    void uploadsLandInTheSlots()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());

        // IR into CAB row 35 (slot 3), from a 20-character file name.
        QVector<qint16> samples;
        for (int i = 0; i < 3000; ++i)
            samples << static_cast<qint16>((i * 37) % 20000 - 10000);
        const QString irPath = write(QStringLiteral("Greenback 4x12 V30 A.wav"), wav16(44100, samples));
        QByteArray expected;
        QVERIFY(IrData::convertWav(wav16(44100, samples), &expected));
        fixture.unit().clearReceivedFrames();
        const IrData::ImportOutcome ir = IrData::importIrFile(link.recv(), 35, irPath);
        QVERIFY2(ir.ok(), qPrintable(ir.reason));
        QCOMPARE(ir.slotName, QStringLiteral("Greenback 4x12 "));
        QCOMPARE(ir.label, QStringLiteral("36:Greenback 4x12 "));
        Kt900Sim::UnitMemory m = fixture.unit().memory();
        QVERIFY(m.irFilled(3));
        QCOMPARE(m.store.slotName(Kt900::ListIr, 3), QStringLiteral("Greenback 4x12 "));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(m.irData[3].data()), Kt900::kIrBytes), expected);
        QCOMPARE(EffectCatalogue::instance().typeName(3, 35), QStringLiteral("36:Greenback 4x12 "));
        QCOMPARE(link.store().slotName(Kt900::ListIr, 3), QStringLiteral("Greenback 4x12 "));
        // A name chunk and 16 data chunks, each acknowledged before the next.
        int chunks = 0;
        for (const QByteArray &p : fixture.unit().receivedFrames()) {
            if (static_cast<unsigned char>(p[0]) == 0x1C && p[1] == 4) {
                QCOMPARE(int(p[6]), chunks);
                ++chunks;
            }
        }
        QCOMPARE(chunks, 17);

        // NR into AMP row 77 (slot 7): the first 1584 bytes of the file.
        QByteArray amp(2000, '\0');
        for (int i = 0; i < amp.size(); ++i)
            amp[i] = static_cast<char>(i * 11);
        const QString nrPath = write(QStringLiteral("Plexi Lead.amp"), amp);
        const IrData::ImportOutcome nr = IrData::importNrFile(link.recv(), 77, nrPath);
        QVERIFY2(nr.ok(), qPrintable(nr.reason));
        QCOMPARE(nr.label, QStringLiteral("78:Plexi Lead"));
        m = fixture.unit().memory();
        QVERIFY(m.nrFilled(7));
        QCOMPARE(m.store.slotName(Kt900::ListNr, 7), QStringLiteral("Plexi Lead"));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(m.nrData[7].data()), Kt900::kNrBytes), amp.left(1584));
        QCOMPARE(EffectCatalogue::instance().typeName(2, 77), QStringLiteral("78:Plexi Lead"));

        // Deleting empties the slot on the unit and relabels the row.
        QVERIFY(IrData::deleteSlot(link.recv(), 3, 35));
        QTRY_VERIFY(!fixture.unit().memory().irFilled(3));
        QCOMPARE(EffectCatalogue::instance().typeName(3, 35), QStringLiteral("36:EMPTY"));
        QCOMPARE(link.store().slotName(Kt900::ListIr, 3), QString());
        QVERIFY(IrData::deleteSlot(link.recv(), 2, 77));
        QTRY_VERIFY(!fixture.unit().memory().nrFilled(7));
        QVERIFY(!IrData::deleteSlot(link.recv(), 3, 31));
        QVERIFY(!IrData::deleteSlot(link.recv(), 2, 80));
        QVERIFY2(fixture.unit().protocolErrors().isEmpty(), qPrintable(fixture.unit().protocolErrors().join('\n')));
    }

    void refusedBeforeSending_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("status");
        const QByteArray good = wav16(44100, {1, 2, 3});
        QTest::newRow("accented name") << 3 << 32 << QStringLiteral("Caf\u00e9 IR.wav") << good << int(IrData::ImportStatus::InvalidName);
        QTest::newRow("22050 Hz") << 3 << 32 << "half.wav" << wav16(22050, {1, 2, 3}) << int(IrData::ImportStatus::InvalidFile);
        QTest::newRow("not a WAV") << 3 << 33 << "text.wav" << QByteArray(100, 'x') << int(IrData::ImportStatus::InvalidFile);
        QTest::newRow("short amp") << 2 << 70 << "short.amp" << QByteArray(1583, 'a') << int(IrData::ImportStatus::InvalidFile);
        QTest::newRow("not a slot row") << 3 << 10 << "ok.wav" << good << int(IrData::ImportStatus::InvalidSlot);
        QTest::newRow("wrong module") << 5 << 32 << "ok.wav" << good << int(IrData::ImportStatus::InvalidSlot);
    }

    void refusedBeforeSending()
    {
        QFETCH(int, module);
        QFETCH(int, row);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        fixture.unit().clearReceivedFrames();
        const IrData::ImportOutcome out = IrData::importSlotFile(link.recv(), module, row, write(fileName, content));
        QCOMPARE(int(out.status), status);
        if (status == int(IrData::ImportStatus::InvalidFile))
            QVERIFY(!out.reason.isEmpty());
        QTest::qWait(50);
        QVERIFY(fixture.unit().receivedFrames().empty());
    }

    void unitStopsAcknowledging()
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        EditorLink link;
        QVERIFY(link.open(fixture.deviceAddress()));
        QVERIFY(link.sync());
        Kt900Sim::FaultOptions faults = fixture.unit().faults();
        faults.stopAckAfter = 5;
        fixture.unit().setFaults(faults);
        link.recv()->setAckTimeout(300);
        const QString before = EffectCatalogue::instance().typeName(3, 40);
        const IrData::ImportOutcome out = IrData::importIrFile(link.recv(), 40, write(QStringLiteral("late.wav"), wav16(48000, {5, 6, 7})));
        QCOMPARE(int(out.status), int(IrData::ImportStatus::UploadFailed));
        QCOMPARE(EffectCatalogue::instance().typeName(3, 40), before);
    }
};

QTEST_GUILESS_MAIN(TestIrDataUpload)
#include "test_irdata_upload.moc"
