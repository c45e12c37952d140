// What `cmake --install` puts on the system: every file in its place and
// nothing else (no test firmware, no virtual unit), a menu entry that starts
// the launcher, icons of their stated sizes, valid metadata, the udev rule
// and a man page that covers every command of the tool.

#include "installedtree.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <unistd.h>

using namespace InstalledTree;

namespace {

const QStringList kProductIds = {"5703", "5750", "1412", "1512", "1522"};

QStringList iconSizes()
{
    return QStringLiteral(KT900_PKG_ICON_SIZES).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a program; its exit code (-1 when it did not run) and merged output.
int run(const QString &program, const QStringList &args, QByteArray *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    *output = p.readAll();
    return p.exitCode();
}

} // namespace

class TestPackageFiles : public QObject
{
    Q_OBJECT
private slots:
    void everyFileInPlaceAndNothingElse();
    void programsAndTheLink();
    void menuEntryStartsTheLauncher();
    void iconsHaveTheirSizes();
    void metainfoIsValid();
    void udevRuleGivesTheUserAccess();
    void manPageCoversEveryCommand();
};

void TestPackageFiles::everyFileInPlaceAndNothingElse()
{
    const QString app = QStringLiteral("usr/") + QStringLiteral(KT900_PKG_APPDIR);
    QStringList expected = {
        "usr/bin/kt900",
        "usr/bin/kt900-studio",
        app + "/Tovak Studio For KT900",
        app + "/TOVAK_KT900/TOVAK_KT900",
        app + "/img/0.jpg",
        app + "/img/1.png",
        app + "/img/2.png",
        app + "/img/3.png",
        app + "/Firmware/", // empty: the test firmware of the build tree stays there
        "usr/" + QStringLiteral(KT900_PKG_UDEVDIR) + "/60-kt900.rules",
        "usr/share/applications/org.kt900.studio.desktop",
        "usr/share/metainfo/org.kt900.studio.metainfo.xml",
        "usr/share/icons/hicolor/scalable/apps/org.kt900.studio.svg",
        "usr/share/man/man1/kt900.1.gz",
        "usr/share/doc/kt900/README.md",
    };
    for (const QString &size : iconSizes())
        expected << QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/org.kt900.studio.png").arg(size);
    expected.sort();
    const QStringList got = entries();
    for (const QString &e : got)
        QVERIFY2(expected.contains(e), qPrintable("installed but not expected: " + e));
    for (const QString &e : expected)
        QVERIFY2(got.contains(e), qPrintable("expected but not installed: " + e));
    QCOMPARE(got, expected);
}

void TestPackageFiles::programsAndTheLink()
{
    for (const QString &program : {launcher(), editor(), prefix() + "/bin/kt900"})
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
    // The link is relative, so the tree works wherever it is unpacked, and it
    // leads to the launcher (which finds its editor from its own location).
    const QFileInfo link(prefix() + "/bin/kt900-studio");
    QVERIFY(link.isSymLink());
    QVERIFY2(QFileInfo(QFile::symLinkTarget(link.filePath())).exists(), "dangling link");
    const QByteArray target = QFile::encodeName(link.filePath());
    char buffer[4096] = {};
    const ssize_t n = ::readlink(target.constData(), buffer, sizeof buffer - 1);
    QVERIFY(n > 0);
    QVERIFY2(buffer[0] != '/', buffer);
    QCOMPARE(link.canonicalFilePath(), QFileInfo(launcher()).canonicalFilePath());
    // The installed tool runs.
    QByteArray out;
    QCOMPARE(run(prefix() + "/bin/kt900", {"--version"}, &out), 0);
    QVERIFY2(out.contains("1.1.0"), out.constData());
}

void TestPackageFiles::menuEntryStartsTheLauncher()
{
    const QString file = desktopFile();
    QCOMPARE(desktopValue(file, "Type"), QString("Application"));
    QCOMPARE(desktopValue(file, "Name"), QString("Tovak Studio For KT900"));
    QCOMPARE(desktopValue(file, "Terminal"), QString("false"));
    const QString exec = desktopValue(file, "Exec");
    QVERIFY(!exec.isEmpty());
    QVERIFY2(!exec.contains('/'), "started through the PATH");
    QCOMPARE(QFileInfo(prefix() + "/bin/" + exec).canonicalFilePath(), QFileInfo(launcher()).canonicalFilePath());
    const QString icon = desktopValue(file, "Icon");
    QVERIFY(QFile::exists(prefix() + "/share/icons/hicolor/scalable/apps/" + icon + ".svg"));
    QVERIFY(QFile::exists(prefix() + "/share/icons/hicolor/48x48/apps/" + icon + ".png"));
    QVERIFY(desktopValue(file, "Categories").split(';').contains("AudioVideo"));

    const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validate.isEmpty()) {
        QByteArray out;
        QCOMPARE(run(validate, {file}, &out), 0);
        QVERIFY2(out.trimmed().isEmpty(), out.constData());
    }
}

void TestPackageFiles::iconsHaveTheirSizes()
{
    QVERIFY(iconSizes().contains("48"));
    for (const QString &size : iconSizes()) {
        const QString path = prefix() + QStringLiteral("/share/icons/hicolor/%1x%1/apps/org.kt900.studio.png").arg(size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), QSize(size.toInt(), size.toInt()));
        // Drawn: the centre is opaque, the corner (outside the rounded face) clear.
        const int c = size.toInt() / 2;
        QCOMPARE(qAlpha(image.pixel(c, c)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    }
    QVERIFY(readAll(prefix() + "/share/icons/hicolor/scalable/apps/org.kt900.studio.svg").contains("<svg"));
}

void TestPackageFiles::metainfoIsValid()
{
    const QString file = prefix() + "/share/metainfo/org.kt900.studio.metainfo.xml";
    const QByteArray xml = readAll(file);
    QVERIFY(xml.contains("<id>org.kt900.studio</id>"));
    QVERIFY(xml.contains("<launchable type=\"desktop-id\">org.kt900.studio.desktop</launchable>"));
    // The hardware it is for: the same units the udev rule opens up.
    for (const QString &id : kProductIds)
        QVERIFY2(xml.contains(QStringLiteral("usb:v0483p%1d*").arg(id).toLatin1()), qPrintable(id));
    const QString appstream = QStandardPaths::findExecutable("appstreamcli");
    if (appstream.isEmpty())
        QSKIP("appstreamcli is not installed");
    QByteArray out;
    QCOMPARE(run(appstream, {"validate", "--no-net", "--pedantic", file}, &out), 0);
    QVERIFY2(out.contains("Validation was successful") && !out.contains("W:") && !out.contains("E:"), out.constData());
}

void TestPackageFiles::udevRuleGivesTheUserAccess()
{
    const QString rules = QString::fromUtf8(
        readAll(prefix() + "/" + QStringLiteral(KT900_PKG_UDEVDIR) + "/60-kt900.rules"));
    int ruleLines = 0;
    for (const QString &line : rules.split('\n')) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#'))
            continue;
        ++ruleLines;
        QVERIFY2(line.contains("SUBSYSTEM==\"usb\"") && line.contains("ATTR{idVendor}==\"0483\"")
                     && line.contains("TAG+=\"uaccess\""),
                 qPrintable(line));
        QVERIFY2(!line.contains("MODE=\"0666\""), "no device open to every user");
    }
    QCOMPARE(ruleLines, kProductIds.size());
    for (const QString &id : kProductIds)
        QVERIFY2(rules.contains(QStringLiteral("ATTR{idProduct}==\"%1\"").arg(id)), qPrintable(id));
}

void TestPackageFiles::manPageCoversEveryCommand()
{
    QByteArray help;
    QCOMPARE(run(prefix() + "/bin/kt900", {"--help"}, &help), 0);
    // "Commands:" then one "  name  what it does" line each, up to a blank line.
    QStringList commands;
    bool inCommands = false;
    for (const QByteArray &line : help.split('\n')) {
        if (line.startsWith("Commands:")) {
            inCommands = true;
            continue;
        }
        if (inCommands && line.trimmed().isEmpty())
            break;
        if (inCommands)
            commands << QString::fromUtf8(line).trimmed().section(' ', 0, 0);
    }
    QVERIFY2(commands.size() >= 10, help.constData());

    QByteArray page;
    QCOMPARE(run("gzip", {"-dc", prefix() + "/share/man/man1/kt900.1.gz"}, &page), 0);
    QVERIFY(page.startsWith(".TH KT900 1"));
    for (const QString &command : commands) {
        QString troff = command;
        troff.replace('-', "\\-");
        const QRegularExpression entry(QStringLiteral("^\\.BI? \"?%1[ \"\\n]").arg(QRegularExpression::escape(troff)),
                                       QRegularExpression::MultilineOption);
        QVERIFY2(entry.match(QString::fromUtf8(page + "\n")).hasMatch(), qPrintable("no entry for " + command));
    }
    for (const char *option : {"\\-\\-bus\\-address", "\\-\\-json", "\\-\\-verbose", "\\-\\-version"})
        QVERIFY2(page.contains(option), option);

    const QString man = QStandardPaths::findExecutable("man");
    if (!man.isEmpty()) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MANWIDTH", "80");
        p.setProcessEnvironment(env);
        p.start(man, {"--warnings", "-l", prefix() + "/share/man/man1/kt900.1.gz"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray warnings = p.readAllStandardError();
        QVERIFY2(warnings.trimmed().isEmpty(), warnings.constData());
        QVERIFY(p.readAllStandardOutput().contains("slot-delete"));
    }
}

QTEST_GUILESS_MAIN(TestPackageFiles)
#include "tst_package_files.moc"
