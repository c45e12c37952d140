// The update thread and the update receive thread against a scripted unit:
// frames and their order, progress, every failure path, and that nothing is
// sent for a damaged firmware file.

#include "fakeunit.h"
#include "firmwarefile.h"
#include "statuslog.h"
#include "updatesession.h"
#include "updatestatus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace UpdateStatus;
using Firmware::ImageSpec;
using Firmware::SectionSpec;

namespace {

QByteArray blocks(int n, int seed)
{
    QByteArray d;
    for (int i = 0; i < n * 512; ++i)
        d.append(static_cast<char>((i * 31 + seed) & 0xFF));
    return d;
}

// Two sections with different codes: 1024 bytes from block 0x0102 and 1536
// bytes from 0x0200.
ImageSpec twoSections()
{
    ImageSpec imageLayout;
    imageLayout.applyCode = 0x81;
    imageLayout.applyAckCode = 0x91;
    imageLayout.applyWait = 2000;
    imageLayout.applyArgument = 0x12345678;
    SectionSpec a;
    a.blockCode = 0x82;
    a.blockAckCode = 0x92;
    a.blockWait = 1000;
    a.firstBlock = 0x0102;
    a.data = blocks(2, 1);
    SectionSpec b;
    b.blockCode = 0x83;
    b.blockAckCode = 0x93;
    b.blockWait = 1000;
    b.firstBlock = 0x0200;
    b.data = blocks(3, 2);
    imageLayout.sections = {a, b};
    return imageLayout;
}

FakeUnit::Options unitFor(const ImageSpec &imageLayout)
{
    FakeUnit::Options o;
    o.applyCode = imageLayout.applyCode;
    o.applyAckCode = imageLayout.applyAckCode;
    o.blockCodes.clear();
    for (const SectionSpec &s : imageLayout.sections)
        o.blockCodes.append({s.blockCode, s.blockAckCode});
    return o;
}

struct Run
{
    QTemporaryDir dir;
    StatusLog log;

    bool writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

    UpdateSession::Config config() const
    {
        UpdateSession::Config c;
        c.firmwareDir = dir.path();
        c.expectedName = "TOVAK_KT900";
        c.reportedName = "TOVAK_KT900";
        return c;
    }
};

void putU32(QByteArray &b, int pos, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[pos + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

class TestUpdateSession : public QObject
{
    Q_OBJECT
private slots:
    void twoSectionsArriveInOrder_data();
    void twoSectionsArriveInOrder();
    void progressStartsAtTwo();
    void blockAckWithStatusZeroTimesOut();
    void noInfoReplyTimesOut();
    void infoReplyFromAnotherModelTimesOut();
    void applyRefusedEndsAtOnce();
    void applyWithoutAnswerTimesOut();
    void applyOtherStatusKeepsWaiting();
    void unplugInTheMiddle_data();
    void unplugInTheMiddle();
    void badFileSendsNothing_data();
    void badFileSendsNothing();
    void newestFileIsSent();
    void shutdownWhileWaitingReturns();
    void runsOnlyOnce();
};

void TestUpdateSession::twoSectionsArriveInOrder_data()
{
    QTest::addColumn<bool>("bulk");
    QTest::addColumn<bool>("noise");
    QTest::newRow("reports") << false << false;
    QTest::newRow("reports, noisy stream") << false << true;
    QTest::newRow("bulk blocks") << true << false;
}

void TestUpdateSession::twoSectionsArriveInOrder()
{
    QFETCH(bool, bulk);
    QFETCH(bool, noise);
    Run run;
    const ImageSpec imageLayout = twoSections();
    const QByteArray file = Firmware::build(imageLayout);
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", file));
    FakeUnit::Options o = unitFor(imageLayout);
    o.bulk = bulk;
    o.noiseBeforeReplies = noise;
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    QVERIFY(session.start());
    const auto final = run.log.waitFinal(10000);
    QCOMPARE(final.first, int(Success));
    session.shutdown();

    // Wake-up, info request, apply with its argument little-endian, the
    // blocks, the closing frame.
    const QList<QByteArray> frames = unit.frames();
    QCOMPARE(frames.size(), 3 + 5 + 1);
    QCOMPARE(frames.at(0), QByteArray::fromHex("aa00"));
    QCOMPARE(frames.at(1), QByteArray::fromHex("0000"));
    QCOMPARE(frames.at(2), QByteArray::fromHex("8178563412"));
    QCOMPARE(frames.last(), QByteArray::fromHex("ff00"));
    QCOMPARE(unit.blockNumbers(), (QVector<int>{0x0102, 0x0103, 0x0200, 0x0201, 0x0202}));
    QCOMPARE(static_cast<std::uint8_t>(frames.at(3).at(0)), std::uint8_t(0x82));
    QCOMPARE(static_cast<std::uint8_t>(frames.at(5).at(0)), std::uint8_t(0x83));
    // Block numbers are big-endian, followed by the block's 512 bytes.
    QCOMPARE(frames.at(3).left(3), QByteArray::fromHex("820102"));
    const QList<QByteArray> data = unit.blockData();
    QCOMPARE(data.at(0) + data.at(1), imageLayout.sections.at(0).data);
    QCOMPARE(data.at(2) + data.at(3) + data.at(4), imageLayout.sections.at(1).data);

    // Total blocks (size - 2*512 - 128) / 512 = 5.
    QCOMPARE(run.log.progress(),
             (QVector<int>{Started, FileRead, 2, SendingSections, 20, 40, 60, 80, 100, SectionsDone}));
    QCOMPARE(run.log.finalCount(), 1);
    QCOMPARE(unit.closeCount(), 1); // only by the shutdown
}

void TestUpdateSession::progressStartsAtTwo()
{
    Run run;
    ImageSpec imageLayout = twoSections();
    imageLayout.sections = {imageLayout.sections.at(0)};
    imageLayout.sections[0].data = blocks(60, 3);
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit unit(unitFor(imageLayout));
    UpdateSession session(unit, run.config(), std::ref(run.log));
    session.start();
    QCOMPARE(run.log.waitFinal(20000).first, int(Success));
    const QVector<int> p = run.log.progress();
    const QVector<int> bar = p.mid(4, 60);
    QCOMPARE(bar.size(), 60);
    QCOMPARE(bar.first(), 2); // 1 * 100 / 60 = 1, raised to 2
    QCOMPARE(bar.at(1), 3);
    QCOMPARE(bar.last(), 100);
    QVERIFY(std::is_sorted(bar.begin(), bar.end()));
}

void TestUpdateSession::blockAckWithStatusZeroTimesOut()
{
    Run run;
    ImageSpec imageLayout = twoSections();
    imageLayout.sections[1].blockWait = 300;
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    o.zeroStatusFromBlock = 3; // second block of section 2
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    QElapsedTimer t;
    t.start();
    session.start();
    const auto final = run.log.waitFinal(10000);
    QCOMPARE(final, qMakePair(int(SectionError), 1));
    QVERIFY2(t.elapsed() >= 300, "the block waits its full time");
    QCOMPARE(unit.blockNumbers(), (QVector<int>{0x0102, 0x0103, 0x0200, 0x0201}));
    QCOMPARE(run.log.finalCount(), 1);
}

void TestUpdateSession::noInfoReplyTimesOut()
{
    Run run;
    const ImageSpec imageLayout = twoSections();
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    o.answerInfo = false;
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    QElapsedTimer t;
    t.start();
    session.start();
    QCOMPARE(run.log.waitFinal(10000).first, int(Timeout));
    QVERIFY(t.elapsed() >= 500);
    QCOMPARE(unit.frames().size(), 2); // AA 00 and the info request, no apply
    QVERIFY(!unit.isOpen());
    QCOMPARE(run.log.progress(), (QVector<int>{Started, FileRead}));
}

void TestUpdateSession::infoReplyFromAnotherModelTimesOut()
{
    Run run;
    const ImageSpec imageLayout = twoSections();
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    o.infoName = "TOVAK_KT700";
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    session.start();
    QCOMPARE(run.log.waitFinal(10000).first, int(Timeout));
    QCOMPARE(session.state().info().modelName, QByteArray("TOVAK_KT700"));
    QCOMPARE(session.state().info().version, QByteArray("V0.0.1"));
    QCOMPARE(session.state().info().mode, 'B');
}

void TestUpdateSession::applyRefusedEndsAtOnce()
{
    Run run;
    ImageSpec imageLayout = twoSections();
    imageLayout.applyWait = 8000;
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    o.applyStatus = 0;
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    QElapsedTimer t;
    t.start();
    session.start();
    QCOMPARE(run.log.waitFinal(10000).first, int(ApplyRefused));
    QVERIFY2(t.elapsed() < 4000, "a refusal does not wait out the apply time");
    QVERIFY(unit.blockNumbers().isEmpty());
    QVERIFY(!unit.isOpen());
}

void TestUpdateSession::applyWithoutAnswerTimesOut()
{
    Run run;
    ImageSpec imageLayout = twoSections();
    imageLayout.applyWait = 250;
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    o.applyStatus = -1;
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    QElapsedTimer t;
    t.start();
    session.start();
    QCOMPARE(run.log.waitFinal(10000).first, int(Timeout));
    QVERIFY(t.elapsed() >= 250);
    QVERIFY(unit.blockNumbers().isEmpty());
    QVERIFY(!unit.isOpen());
}

void TestUpdateSession::applyOtherStatusKeepsWaiting()
{
    // Only 1 accepts and only 0 refuses; any other status is no answer yet.
    Run run;
    ImageSpec imageLayout = twoSections();
    imageLayout.applyWait = 300;
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    o.applyStatus = 2;
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    session.start();
    QCOMPARE(run.log.waitFinal(10000).first, int(Timeout));
    QCOMPARE(session.state().applyStatus(), std::uint8_t(2));
}

void TestUpdateSession::unplugInTheMiddle_data()
{
    QTest::addColumn<bool>("writeFails");
    QTest::newRow("unit gone") << false;
    QTest::newRow("write fails") << true;
}

void TestUpdateSession::unplugInTheMiddle()
{
    QFETCH(bool, writeFails);
    Run run;
    ImageSpec imageLayout = twoSections();
    for (SectionSpec &s : imageLayout.sections)
        s.blockWait = 60000; // a gone unit must not be waited for
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    if (writeFails)
        o.writeFailAtBlock = 2;
    else
        o.unplugAtBlock = 2;
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    QElapsedTimer t;
    t.start();
    session.start();
    QCOMPARE(run.log.waitFinal(10000), qMakePair(int(SectionError), 1));
    QVERIFY2(t.elapsed() < 5000, "no hang");
    session.shutdown();
    QCOMPARE(run.log.finalCount(), 1);
}

void TestUpdateSession::badFileSendsNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");

    const ImageSpec good = twoSections();
    const QByteArray g = Firmware::build(good);
    const QString name = QStringLiteral("TOVAK_KT900_V1.1.0.tk");
    const int s2 = 128 + 512 + 1024; // section 2 header

    QByteArray f = g;
    f[0] = 't';
    QTest::newRow("tag") << f << name;
    QTest::newRow("empty") << QByteArray() << name;
    QTest::newRow("tag only") << g.left(9) << name;
    QTest::newRow("shorter than header") << g.left(127) << name;
    QTest::newRow("shorter than section 1 header") << g.left(639) << name;
    QTest::newRow("section 1 data cut") << g.left(640 + 1000) << name;
    f = g;
    f[47] = 0;
    QTest::newRow("no sections") << f << name;
    f = g;
    f[47] = static_cast<char>(-3);
    QTest::newRow("negative section count") << f << name;
    f = g;
    f[47] = 3;
    QTest::newRow("more sections than headers") << f << name;
    f = g;
    putU32(f, 128 + 13, 0x7FFFFFF0);
    QTest::newRow("next header past the end") << f << name;
    f = g;
    putU32(f, 128 + 13, static_cast<quint32>(g.size() - 100));
    QTest::newRow("next header runs past the end") << f << name;
    f = g;
    putU32(f, s2 + 9, 0);
    QTest::newRow("data offset field zero") << f << name;
    f = g;
    putU32(f, s2 + 9, 0xFFFFFFFF);
    QTest::newRow("data offset past the end") << f << name;
    f = g;
    putU32(f, s2 + 17, 0xFFFFFE00);
    QTest::newRow("data length does not fit") << f << name;
    f = g;
    putU32(f, 128 + 17, 1000);
    QTest::newRow("partial block") << f << name;
    f = g;
    f[s2 + 27] = static_cast<char>(0xFF);
    f[s2 + 28] = static_cast<char>(0xFF);
    QTest::newRow("block numbers past 0xFFFF") << f << name;
    {
        ImageSpec e = good;
        e.sections = {e.sections.at(0)};
        e.sections[0].data.clear();
        QTest::newRow("total block count zero") << Firmware::build(e) << name;
    }
    {
        ImageSpec e = good;
        e.modelName = "TOVAK_KT700";
        QTest::newRow("other model") << Firmware::build(e) << name;
    }
    QTest::newRow("no file for the model") << g << QStringLiteral("TOVAK_KT700_V1.1.0.tk");
    QTest::newRow("not a .tk file") << g << QStringLiteral("TOVAK_KT900_V1.1.0.bin");
}

void TestUpdateSession::badFileSendsNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    Run run;
    QVERIFY(run.writeFile(name, file));
    const ImageSpec imageLayout = twoSections();
    FakeUnit unit(unitFor(imageLayout));
    UpdateSession session(unit, run.config(), std::ref(run.log));
    session.start();
    QCOMPARE(run.log.waitFinal(5000).first, int(OpenFirmwareFail));
    session.shutdown();
    QVERIFY(unit.frames().isEmpty());
    QCOMPARE(run.log.finalCount(), 1);
}

void TestUpdateSession::newestFileIsSent()
{
    Run run;
    ImageSpec older = twoSections();
    older.sections = {older.sections.at(0)};
    older.sections[0].firstBlock = 0x0001;
    ImageSpec newer = older;
    newer.sections[0].firstBlock = 0x0700;
    QVERIFY(run.writeFile("TOVAK_KT900_V1.0.9.tk", Firmware::build(older)));
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(newer)));
    QVERIFY(run.writeFile("tovak_kt900_V0.9.0.tk", Firmware::build(older)));
    FakeUnit unit(unitFor(older));
    UpdateSession session(unit, run.config(), std::ref(run.log));
    session.start();
    QCOMPARE(run.log.waitFinal(10000).first, int(Success));
    QCOMPARE(unit.blockNumbers(), (QVector<int>{0x0700, 0x0701}));
}

void TestUpdateSession::shutdownWhileWaitingReturns()
{
    Run run;
    ImageSpec imageLayout = twoSections();
    imageLayout.applyWait = Firmware::kMaxWaitMs; // the longest a file may ask for
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit::Options o = unitFor(imageLayout);
    o.applyStatus = -1;
    FakeUnit unit(o);
    UpdateSession session(unit, run.config(), std::ref(run.log));
    session.start();
    QTRY_COMPARE_WITH_TIMEOUT(unit.frames().size(), 3, 5000); // the apply request is out
    QElapsedTimer t;
    t.start();
    session.shutdown();
    QVERIFY(t.elapsed() < 2000);
    QVERIFY(session.updateThreadDone());
    QVERIFY(!unit.isOpen());
    QCOMPARE(run.log.finalCount(), 0); // nothing posted to a window that is going away
}

void TestUpdateSession::runsOnlyOnce()
{
    Run run;
    const ImageSpec imageLayout = twoSections();
    QVERIFY(run.writeFile("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    FakeUnit unit(unitFor(imageLayout));
    UpdateSession session(unit, run.config(), std::ref(run.log));
    QVERIFY(session.start());
    QVERIFY(!session.start());
    QCOMPARE(run.log.waitFinal(10000).first, int(Success));
    session.shutdown();
    QCOMPARE(unit.blockNumbers().size(), 5);
    QCOMPARE(run.log.finalCount(), 1);
}

QTEST_GUILESS_MAIN(TestUpdateSession)
#include "tst_updatesession.moc"
