// Where Config.ini and the preset folder go: beside the program when its
// directory can be written or a writable copy already lies there, otherwise
// in the user's configuration and data folders.

#include "appconfig.h"
#include "presetfilecodec.h"
#include "userfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>


using UserFiles::Item;

namespace {

// What the fake file system lets this process write.
QStringList g_writable;
bool fakeWritable(const QString &path)
{
    return g_writable.contains(QDir::cleanPath(path));
}

bool touch(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("[Color]\n") > 0;
}

} // namespace

class TestUserFiles : public QObject
{
    Q_OBJECT
private slots:
    void decision_data();
    void decision();
    void noProgramDirectory();
    void userRootsFollowTheEnvironment();
    void readersAndWritersAsk();
};

void TestUserFiles::decision_data()
{
    // programDir writable; Config.ini beside it (absent/writable/read-only);
    // presetfile/ beside it (the same); expected config and folder: beside
    // the program ("program") or in the user's folders ("user").
    QTest::addColumn<bool>("dirWritable");
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("configGoes");
    QTest::addColumn<QString>("folderGoes");
    QTest::newRow("writable program dir, nothing yet") << true << "absent" << "absent" << "program" << "program";
    QTest::newRow("writable program dir, read-only file") << true << "read-only" << "absent" << "program" << "program";
    QTest::newRow("read-only program dir, nothing yet") << false << "absent" << "absent" << "user" << "user";
    QTest::newRow("read-only program dir, writable files beside it")
        << false << "writable" << "writable" << "program" << "program";
    QTest::newRow("read-only program dir, only Config.ini beside it")
        << false << "writable" << "absent" << "program" << "user";
    QTest::newRow("read-only program dir, only presetfile/ beside it")
        << false << "absent" << "writable" << "user" << "program";
    QTest::newRow("read-only program dir, read-only copies beside it")
        << false << "read-only" << "read-only" << "user" << "user";
}

void TestUserFiles::decision()
{
    QFETCH(bool, dirWritable);
    QFETCH(QString, config);
    QFETCH(QString, folder);
    QFETCH(QString, configGoes);
    QFETCH(QString, folderGoes);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    UserFiles::Roots roots;
    roots.programDir = tmp.filePath("opt/kt900/TOVAK_KT900");
    roots.configDir = tmp.filePath("home/.config/TOVAK_KT900");
    roots.dataDir = tmp.filePath("home/.local/share/TOVAK_KT900");
    QVERIFY(QDir().mkpath(roots.programDir));
    const QString besideConfig = roots.programDir + "/Config.ini";
    const QString besideFolder = roots.programDir + "/presetfile/";
    g_writable.clear();
    if (dirWritable)
        g_writable << roots.programDir;
    if (config != "absent")
        QVERIFY(touch(besideConfig));
    if (config == "writable")
        g_writable << besideConfig;
    if (folder != "absent")
        QVERIFY(QDir().mkpath(besideFolder));
    if (folder == "writable")
        g_writable << QDir::cleanPath(besideFolder);

    const QString gotConfig = UserFiles::location(Item::Config, roots, &fakeWritable);
    const QString gotFolder = UserFiles::location(Item::PresetFolder, roots, &fakeWritable);
    QCOMPARE(gotConfig, configGoes == "program" ? besideConfig : roots.configDir + "/Config.ini");
    QCOMPARE(gotFolder, folderGoes == "program" ? besideFolder : roots.dataDir + "/presetfile/");
}

void TestUserFiles::noProgramDirectory()
{
    UserFiles::Roots roots;
    roots.configDir = "/home/u/.config/TOVAK_KT900";
    roots.dataDir = "/home/u/.local/share/TOVAK_KT900";
    g_writable = QStringList{"/", ""};
    QCOMPARE(UserFiles::location(Item::Config, roots, &fakeWritable), QString("/home/u/.config/TOVAK_KT900/Config.ini"));
    QCOMPARE(UserFiles::location(Item::PresetFolder, roots, &fakeWritable),
             QString("/home/u/.local/share/TOVAK_KT900/presetfile/"));
}

void TestUserFiles::userRootsFollowTheEnvironment()
{
    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath("conf")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(tmp.filePath("data")));
    const UserFiles::Roots roots = UserFiles::systemRoots();
    // For the editor (no organisation, application "TOVAK_KT900") these are
    // its own configuration and data locations; any other program of the
    // suite finds the same folders.
    const QString ownName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("TOVAK_KT900");
    const QString editorConfig = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString editorData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString asEditor = UserFiles::systemRoots().configDir;
    QCoreApplication::setApplicationName(ownName);
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(roots.programDir, QCoreApplication::applicationDirPath());
    QCOMPARE(roots.configDir, tmp.filePath("conf/TOVAK_KT900"));
    QCOMPARE(roots.dataDir, tmp.filePath("data/TOVAK_KT900"));
    QCOMPARE(editorConfig, roots.configDir);
    QCOMPARE(editorData, roots.dataDir);
    QCOMPARE(asEditor, roots.configDir);
}

void TestUserFiles::readersAndWritersAsk()
{
    // The settings store and the preset codec take their defaults from here
    // (folder permissions are exercised by the installed-program test, run
    // as an unprivileged user).
    QCOMPARE(AppConfig::defaultFileName(), UserFiles::configFile());
    QCOMPARE(PresetFileCodec::defaultPresetFolder(), UserFiles::presetFolder());
}

QTEST_GUILESS_MAIN(TestUserFiles)
#include "test_userfiles.moc"
