// The Qt backend driven through the real window: clicks on the skin, the
// progress bar, posted status events, the caption drag, message boxes and
// starting the editor detached.

#include "fakeunit.h"
#include "firmwarefile.h"
#include "launcherwindow.h"
#include "qtplatform.h"
#include "skin.h"
#include "startup.h"
#include "updatestatus.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace UpdateStatus;

namespace {

const QPoint kUpdate(200, 166);
const QPoint kClose(390, 8);

Firmware::ImageSpec imageLayout(std::uint32_t blockWait = 1000)
{
    Firmware::ImageSpec s;
    Firmware::SectionSpec a;
    a.blockWait = blockWait;
    a.firstBlock = 0x0102;
    a.data = QByteArray(1024, '\x5A');
    Firmware::SectionSpec b = a;
    b.firstBlock = 0x0200;
    b.data = QByteArray(1536, '\xA5');
    s.sections = {a, b};
    return s;
}

FakeUnit::Options unitOptions()
{
    FakeUnit::Options o;
    o.blockCodes = {{0x82, 0x82}};
    return o;
}

struct Fixture
{
    QTemporaryDir dir;
    UpdateSession::Config config;

    explicit Fixture(const QByteArray &file)
    {
        QFile f(dir.filePath("TOVAK_KT900_V1.1.0.tk"));
        if (f.open(QIODevice::WriteOnly))
            f.write(file);
        config.firmwareDir = dir.path();
        config.reportedName = "TOVAK_KT900";
    }
};

void click(QWidget *w, const QPoint &p)
{
    QTest::mouseMove(w, p);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p);
}

// Hover with the button up (QTest::mouseMove passes no buttons either).
void hover(QWidget *w, const QPoint &p)
{
    QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Screenshots for looking at the window: set KT900_LAUNCHER_SHOTS to a folder.
void shot(QWidget *w, const char *name)
{
    const QByteArray dir = qgetenv("KT900_LAUNCHER_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name) + ".png"));
}

int darkPixels(const QImage &img, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qGray(img.pixel(x, y)) < 60;
    return n;
}

} // namespace

class TestLauncherWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void layout();
    void skinFilesMatchTheirRegions();
    void updateByClicks();
    void secondClickStartsNothing();
    void closeButtonWhileRunning();
    void failureResetsTheBar();
    void postedStatusEvents();
    void closeHighlightOnHover();
    void captionDrag();
    void messageBoxTexts_data();
    void messageBoxTexts();
    void startEditorDetached();
    void startEditorMissing();
};

void TestLauncherWindow::initTestCase()
{
    QtPlatform::applyLook(*qApp);
}

void TestLauncherWindow::layout()
{
    FakeUnit unit;
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    QCOMPARE(w.size(), QSize(400, 200));
    QCOMPARE(w.windowTitle(), QString("Update"));
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QProgressBar *bar = w.progressBar();
    QCOMPARE(bar->geometry(), QRect(32, 64, 337, 40));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.pos(), QPoint(600, 350));
    const QImage img = w.grab().toImage();
    // "Ready To Update" in black on the status strip, centred on x 200.
    QVERIFY(darkPixels(img, QRect(40, 115, 160, 24)) > 40);
    QVERIFY(darkPixels(img, QRect(200, 115, 160, 24)) > 40);
    shot(&w, "1-ready");
}

void TestLauncherWindow::skinFilesMatchTheirRegions()
{
    const QString dir = QStringLiteral(KT900_LAUNCHER_IMG_DIR);
    for (int n = 0; n < 4; ++n)
        QVERIFY2(QFile::exists(QDir(dir).filePath(Skin::fileName(n))), qPrintable(Skin::fileName(n)));
    QCOMPARE(QImage(dir + "/0.jpg").size(), QSize(400, 200));
    QCOMPARE(QImage(dir + "/1.png").size(), QSize(82, 27));
    QVERIFY(QImage(dir + "/2.png").width() <= 81); // drawn one pixel right and down
    QCOMPARE(QImage(dir + "/3.png").size(), QSize(12, 14));
    // Without the files the window draws the same skin itself.
    FakeUnit unit;
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, fx.dir.filePath("no-img"));
    QCOMPARE(w.size(), QSize(400, 200));
}

void TestLauncherWindow::updateByClicks()
{
    FakeUnit unit(unitOptions());
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    click(&w, kUpdate);
    QVERIFY(w.model().started());
    QTRY_VERIFY_WITH_TIMEOUT(w.model().finished(), 10000);
    QCOMPARE(int(w.model().outcome()), int(WindowModel::Succeeded));
    QCOMPARE(w.model().text(), QString("Update Successful"));
    QCOMPARE(w.progressBar()->value(), 100);
    QCOMPARE(unit.blockNumbers(), (QVector<int>{0x0102, 0x0103, 0x0200, 0x0201, 0x0202}));
    hover(&w, kUpdate);
    shot(&w, "3-success");
    // The update button now closes the window.
    click(&w, kUpdate);
    QVERIFY(!w.isVisible());
    QVERIFY(!unit.isOpen());
}

void TestLauncherWindow::secondClickStartsNothing()
{
    FakeUnit unit(unitOptions());
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    click(&w, kUpdate);
    click(&w, kUpdate);
    click(&w, QPoint(161, 154));
    QTRY_VERIFY_WITH_TIMEOUT(w.model().finished(), 10000);
    QCOMPARE(w.sessionsStarted(), 1);
    QCOMPARE(unit.blockNumbers().size(), 5);
    QCOMPARE(unit.frames().count(QByteArray::fromHex("0000")), 1);
}

void TestLauncherWindow::closeButtonWhileRunning()
{
    FakeUnit::Options o = unitOptions();
    o.blockAckStatus = -1; // the unit keeps the first block unanswered
    FakeUnit unit(o);
    Fixture fx(Firmware::build(imageLayout(1500)));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    click(&w, kUpdate);
    QTRY_COMPARE_WITH_TIMEOUT(w.progressBar()->value(), 20, 5000);
    shot(&w, "2-running");
    click(&w, kClose);
    QVERIFY(w.isVisible());
    QVERIFY(!w.close()); // nor does any other close while the unit is written
    QVERIFY(w.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(w.model().finished(), 10000);
    QCOMPARE(w.model().text(), QString("update error [ 0 ]"));
    hover(&w, kClose);
    shot(&w, "4-failure");
    click(&w, kClose);
    QVERIFY(!w.isVisible());
}

void TestLauncherWindow::failureResetsTheBar()
{
    FakeUnit::Options o = unitOptions();
    o.unplugAtBlock = 3;
    FakeUnit unit(o);
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    click(&w, kUpdate);
    QTRY_VERIFY_WITH_TIMEOUT(w.model().finished(), 10000);
    QCOMPARE(int(w.model().outcome()), int(WindowModel::Failed));
    QCOMPARE(w.model().text(), QString("update error [ 1 ]"));
    QCOMPARE(w.progressBar()->value(), 0);
    // A failed update cannot be started again in the same run.
    click(&w, kUpdate);
    QCOMPARE(w.sessionsStarted(), 1);
}

void TestLauncherWindow::postedStatusEvents()
{
    FakeUnit unit;
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    QCoreApplication::postEvent(&w, StatusEvent::create(Progress, 55));
    QCoreApplication::processEvents();
    QCOMPARE(w.progressBar()->value(), 55);
    for (int marker : {101, 103, 104, 105}) {
        QCoreApplication::postEvent(&w, StatusEvent::create(Progress, marker));
        QCoreApplication::processEvents();
        QCOMPARE(w.progressBar()->value(), 55);
    }
    QCoreApplication::postEvent(&w, StatusEvent::create(Timeout, 0));
    QCoreApplication::processEvents();
    QCOMPARE(w.progressBar()->value(), 0);
    QCOMPARE(w.model().text(), QString("MCU returned timeout"));
}

void TestLauncherWindow::closeHighlightOnHover()
{
    FakeUnit unit;
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    hover(&w, kClose);
    const QImage idle = w.grab().toImage(); // not finished: no highlight
    click(&w, kUpdate);
    QCoreApplication::postEvent(&w, StatusEvent::create(SendFail, 0));
    QTRY_VERIFY(w.model().finished());
    hover(&w, QPoint(20, 190));
    QCOMPARE(w.grab().toImage().copy(385, 2, 12, 14), idle.copy(385, 2, 12, 14));
    hover(&w, kClose);
    QVERIFY(w.grab().toImage().copy(385, 2, 12, 14) != idle.copy(385, 2, 12, 14));
}

void TestLauncherWindow::captionDrag()
{
    FakeUnit unit;
    Fixture fx(Firmware::build(imageLayout()));
    LauncherWindow w(unit, fx.config, KT900_LAUNCHER_IMG_DIR);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint start = w.pos();
    const QPoint grabAt(30, 185);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, grabAt);
    const QPoint to = grabAt + QPoint(40, 25);
    QMouseEvent move(QEvent::MouseMove, to, w.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, to);
    QCOMPARE(w.pos(), start + QPoint(40, 25));
    QVERIFY(!w.model().started()); // a drag from the panel starts nothing
}

void TestLauncherWindow::messageBoxTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("expected");
    QTest::newRow("no device") << "No device detected!!!" << int(Launcher::Platform::Icon::None)
                               << int(QMessageBox::NoIcon);
    QTest::newRow("warning") << "The device is disconnected" << int(Launcher::Platform::Icon::Warning)
                             << int(QMessageBox::Warning);
}

void TestLauncherWindow::messageBoxTexts()
{
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(int, expected);
    QString seenText, seenTitle;
    int seenIcon = -1;
    int buttons = 0;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenIcon = box->icon();
        buttons = box->buttons().size();
        shot(box, "5-message");
        box->accept();
    });
    QtPlatform p(QDir::tempPath());
    p.showMessage(text, "Notice", static_cast<Launcher::Platform::Icon>(icon));
    QCOMPARE(seenText, text);
    QCOMPARE(seenTitle, QString("Notice"));
    QCOMPARE(seenIcon, expected);
    QCOMPARE(buttons, 1);
}

void TestLauncherWindow::startEditorDetached()
{
    QTemporaryDir dir;
    const Launcher::EditorLaunch launch = Launcher::editorLaunch(dir.path(), 7);
    QVERIFY(QDir().mkpath(launch.workingDirectory));
    QVERIFY(QFile::copy(KT900_STANDIN, launch.program));
    const QString out = dir.filePath("standin.txt");
    qputenv("KT900_STANDIN_OUT", QFile::encodeName(out));
    QtPlatform p(dir.path());
    QVERIFY(p.startEditor(launch));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{"1", QDir(launch.workingDirectory).canonicalPath(), "7"}));
}

void TestLauncherWindow::startEditorMissing()
{
    QTemporaryDir dir;
    QtPlatform p(dir.path());
    QVERIFY(!p.startEditor(Launcher::editorLaunch(dir.path(), 3)));
}

QTEST_MAIN(TestLauncherWindow)
#include "tst_launcherwindow.moc"
