// The installed application as a user meets it: the menu entry's command
// starts the installed launcher, which hands over to the installed editor on
// the virtual unit; an editor whose folder is read-only keeps Config.ini and
// its preset files in the user's folders, and a portable copy keeps writable
// files beside it.
//
// Folder permissions do not bind root, so a root run continues as the
// unprivileged user "nobody" (the installed tree, written by root, is then
// read-only to it, as on a real system).

#include "installedtree.h"

#include "appconfig.h"
#include "core.h"
#include "draglistwidget.h"
#include "editorharness.h"
#include "modulepanel.h"
#include "parawidgetbase.h"
#include "presetfilecodec.h"
#include "presetpanel.h"
#include "userfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

using namespace InstalledTree;

namespace {

constexpr uid_t kNobody = 65534;
QString g_droppedHome; // the HOME made for "nobody", removed at the end

// Continues an unprivileged run as "nobody", with its own copy of the
// installed tree (the build folder may lie where "nobody" cannot enter, such
// as /root). False when that failed.
bool leaveRoot()
{
    if (::geteuid() != 0)
        return true;
    char home[] = "/tmp/kt900-pkg-home-XXXXXX";
    if (!::mkdtemp(home) || ::chmod(home, 0755) != 0)
        return false;
    const std::string copy = std::string(home) + "/root";
    const std::string command = "cp -a '" + std::string(KT900_PKG_ROOT) + "' '" + copy + "' && chown -R "
                                + std::to_string(kNobody) + ":" + std::to_string(kNobody) + " '" + home + "'";
    if (std::system(command.c_str()) != 0)
        return false;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0
        || ::setresuid(kNobody, kNobody, kNobody) != 0)
        return false;
    ::setenv("HOME", home, 1);
    const QByteArray runtime = QByteArray(home) + "/run";
    if (::mkdir(runtime.constData(), 0700) != 0)
        return false;
    ::setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    g_droppedHome = QString::fromLocal8Bit(home);
    rootOverride() = QString::fromStdString(copy);
    return true;
}

// A fresh home with its own configuration, data and runtime folders.
struct UserHome
{
    QTemporaryDir dir;
    QString home() const { return dir.filePath("home"); }
    QString config() const { return dir.filePath("config"); }
    QString data() const { return dir.filePath("data"); }
    QProcessEnvironment environment() const
    {
        QDir().mkpath(home());
        QDir().mkpath(dir.filePath("run"));
        QFile::setPermissions(dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home());
        env.insert("XDG_CONFIG_HOME", config());
        env.insert("XDG_DATA_HOME", data());
        env.insert("XDG_CACHE_HOME", dir.filePath("cache"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }
};

// Makes folders read-only for the test's user while it lives: the given ones
// and, when asked, every folder below them (a no-op for a folder that is
// read-only already, as for "nobody" on a tree root wrote).
class ReadOnlyTree
{
public:
    explicit ReadOnlyTree(const QStringList &tops, bool below = true)
    {
        for (const QString &top : tops) {
            if (!UserFiles::isWritable(top))
                continue;
            m_dirs << top;
            QDirIterator it(top, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            while (below && it.hasNext())
                m_dirs << it.next();
        }
        for (const QString &d : m_dirs)
            QFile::setPermissions(d, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                         | QFile::ReadOther | QFile::ExeOther);
    }
    ~ReadOnlyTree()
    {
        for (const QString &d : m_dirs)
            QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                         | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    ReadOnlyTree(const ReadOnlyTree &) = delete;
    ReadOnlyTree &operator=(const ReadOnlyTree &) = delete;

private:
    QStringList m_dirs;
};

QList<qint64> processesRunning(const QString &program)
{
    QList<qint64> pids;
    const QString wanted = QFileInfo(program).canonicalFilePath();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (ok && QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).canonicalFilePath() == wanted)
            pids << pid;
    }
    return pids;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The parent: runs the installed programs, and this program itself from a
// read-only folder as the editor's stand-in (see TestEditorUserFiles).
class TestPackageRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void menuEntryStartsTheInstalledEditor();
    void editorKeepsItsFiles_data();
    void editorKeepsItsFiles();
    void cleanupTestCase();
};

void TestPackageRun::initTestCase()
{
    if (!Kt900Sim::VirtualUnitFixture::preloadActive())
        QFAIL("this test must run under the umockdev preload");
    QVERIFY2(::geteuid() != 0, "still root: folder permissions would not bind");
    QVERIFY2(QFileInfo(editor()).isExecutable(), "the install step did not run");
}

void TestPackageRun::cleanupTestCase()
{
    if (!g_droppedHome.isEmpty())
        QDir(g_droppedHome).removeRecursively();
}

void TestPackageRun::menuEntryStartsTheInstalledEditor()
{
    const QString exec = desktopValue(desktopFile(), "Exec");
    QVERIFY(!exec.isEmpty());
    const QString program = prefix() + "/bin/" + exec;
    ReadOnlyTree readOnly({appDir()});
    QVERIFY(!UserFiles::isWritable(appDir() + "/TOVAK_KT900"));
    QVERIFY(processesRunning(editor()).isEmpty());
    UserHome home;
    Kt900Sim::VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));

    QProcess launcher;
    launcher.setProcessEnvironment(home.environment());
    launcher.setProcessChannelMode(QProcess::MergedChannels);
    launcher.setWorkingDirectory(home.home());
    launcher.start(program, QStringList());
    QVERIFY2(launcher.waitForFinished(20000), "the launcher exits without waiting for the editor");
    QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
    QVERIFY2(launcher.exitCode() == 0, launcher.readAll().constData());

    // The installed editor asks the unit for everything and, its own folder
    // being read-only, makes its preset folder in the user's data folder.
    QTRY_COMPARE_WITH_TIMEOUT(fixture.unit().syncCount(), 1, 15000);
    QCOMPARE(processesRunning(editor()).size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(fixture.unit().reportsSent() >= 2083, 15000);
    const QString folder = home.data() + "/TOVAK_KT900/presetfile";
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(folder).isDir(), 15000);
    QVERIFY(!QFileInfo::exists(appDir() + "/TOVAK_KT900/presetfile"));
    QVERIFY(fixture.unit().protocolErrors().isEmpty());

    QVERIFY(fixture.unplug());
    QTRY_VERIFY_WITH_TIMEOUT(processesRunning(editor()).isEmpty(), 10000);
}

void TestPackageRun::editorKeepsItsFiles_data()
{
    QTest::addColumn<bool>("portable");
    QTest::newRow("read-only program folder: the user's folders") << false;
    QTest::newRow("writable files beside a read-only program: beside it") << true;
}

void TestPackageRun::editorKeepsItsFiles()
{
    QFETCH(bool, portable);
    QTemporaryDir base;
    const QString prog = base.filePath("prog/TOVAK_KT900");
    QVERIFY(QDir().mkpath(prog));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), prog + "/tst_package_run"));
    if (portable) {
        QFile ini(prog + "/Config.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Color]\npresetListHoverColor=gray\n");
        ini.close();
        QVERIFY(QDir().mkpath(prog + "/presetfile"));
    }
    UserHome home;
    QProcessEnvironment env = home.environment();
    const QString config = portable ? prog + "/Config.ini" : home.config() + "/TOVAK_KT900/Config.ini";
    const QString folder = portable ? prog + "/presetfile/" : home.data() + "/TOVAK_KT900/presetfile/";
    env.insert("KT900_PKG_CHILD", "1");
    env.insert("KT900_PKG_EXPECT_CONFIG", config);
    env.insert("KT900_PKG_EXPECT_FOLDER", folder);

    QProcess child;
    {
        // The program's folders, not what a portable copy keeps in them.
        ReadOnlyTree readOnly({prog, base.filePath("prog")}, false);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(prog + "/tst_package_run", QStringList());
        QVERIFY(child.waitForFinished(240000));
    }
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());

    // What the editor wrote lies where it was decided, and only there.
    QVERIFY2(readAll(config).contains("paraColor=#ff8800"), qPrintable(config));
    QVERIFY(QFile::exists(folder + "Lead Tone.tp"));
    if (portable) {
        QVERIFY(readAll(config).contains("presetListHoverColor=gray")); // kept
        QVERIFY(!QFileInfo::exists(home.config() + "/TOVAK_KT900"));
        QVERIFY(!QFileInfo::exists(home.data() + "/TOVAK_KT900"));
    } else {
        QCOMPARE(QDir(prog).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"tst_package_run"});
    }
}

// The child: this program in a read-only folder, standing in for the editor
// (the same Core on the virtual unit).
class TestEditorUserFiles : public QObject
{
    Q_OBJECT
private slots:
    void savesWhereDecided();
};

void TestEditorUserFiles::savesWhereDecided()
{
    const QString config = qEnvironmentVariable("KT900_PKG_EXPECT_CONFIG");
    const QString folder = qEnvironmentVariable("KT900_PKG_EXPECT_FOLDER");
    QVERIFY(!UserFiles::isWritable(QCoreApplication::applicationDirPath()));
    QCOMPARE(UserFiles::configFile(), config);
    QCOMPARE(UserFiles::presetFolder(), folder);
    {
        EditorHarness h;
        AppConfig::instance().setFileName(AppConfig::defaultFileName()); // the harness had its own
        QCOMPARE(AppConfig::instance().fileName(), config);
        QVERIFY2(h.startLoaded(), qPrintable(h.error));
        QVERIFY(QFileInfo(folder).isDir());
        AppConfig::instance().setValue("Color", "paraColor", "#ff8800");
        AppConfig::instance().setValue("Color", "presetListSelectColor", "red");
        PresetFileCodec &codec = h.core->presetCodec();
        QCOMPARE(codec.presetFolder(), folder);
        int error = -1;
        QVERIFY(codec.writePresetFile(5, codec.presetFilePath("Lead Tone"), &error));
        h.presets()->refreshComputerList();
        QCOMPARE(h.presets()->computerList()->findItems("Lead Tone", Qt::MatchExactly).size(), 1);
    }
    {
        // Started again, the editor finds what it kept.
        EditorHarness h;
        AppConfig::instance().setFileName(AppConfig::defaultFileName());
        QVERIFY2(h.startLoaded(), qPrintable(h.error));
        h.core->selectModule(Kt900::ModAmp);
        QCOMPARE(h.modules()->paraWidget(0)->valueColor(), QStringLiteral("#ff8800"));
        QVERIFY(h.presets()->deviceList()->styleSheet().contains("selected:active { background: red; }"));
        QCOMPARE(h.presets()->computerList()->findItems("Lead Tone", Qt::MatchExactly).size(), 1);
    }
}

int main(int argc, char **argv)
{
    const bool child = qEnvironmentVariableIsSet("KT900_PKG_CHILD");
    if (!child && !leaveRoot()) {
        std::fprintf(stderr, "cannot continue as an unprivileged user\n");
        return 1;
    }
    QApplication app(argc, argv);
    if (child) {
        TestEditorUserFiles test;
        return QTest::qExec(&test, argc, argv);
    }
    TestPackageRun test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_package_run.moc"
