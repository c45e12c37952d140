// The style resources: the eleven style sheets load and parse, every
// property they use is one the style sheet engine knows, every ":/img/..."
// path named by the code or the sheets exists, the images have their sizes,
// and the application font loads.

#include "kt900style.h"
#include "resources.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#ifndef KT900_SOURCE_DIR
#error "KT900_SOURCE_DIR must name the source tree"
#endif

namespace {

QStringList g_messages;
QtMessageHandler g_previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (type != QtDebugMsg)
        g_messages << msg;
    if (g_previous)
        g_previous(type, ctx, msg);
}

QString readResource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QString stripComments(QString text)
{
    static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return text.remove(comment);
}

// Properties the Qt style sheet engine understands.
const QSet<QString> &knownProperties()
{
    static const QSet<QString> props = [] {
        const char *const list[] = {
            "alternate-background-color", "background", "background-color", "background-image",
            "background-repeat", "background-position", "background-attachment", "background-clip",
            "background-origin", "border", "border-top", "border-right", "border-bottom", "border-left",
            "border-color", "border-top-color", "border-right-color", "border-bottom-color",
            "border-left-color", "border-image", "border-radius", "border-top-left-radius",
            "border-top-right-radius", "border-bottom-right-radius", "border-bottom-left-radius",
            "border-style", "border-top-style", "border-right-style", "border-bottom-style",
            "border-left-style", "border-width", "border-top-width", "border-right-width",
            "border-bottom-width", "border-left-width", "bottom", "button-layout", "color",
            "dialogbuttonbox-buttons-have-icons", "font", "font-family", "font-size", "font-style",
            "font-weight", "gridline-color", "height", "icon", "icon-size", "image", "image-position",
            "left", "letter-spacing", "lineedit-password-character", "lineedit-password-mask-delay",
            "margin", "margin-top", "margin-right", "margin-bottom", "margin-left", "max-height",
            "max-width", "messagebox-text-interaction-flags", "min-height", "min-width", "opacity",
            "outline", "outline-color", "outline-offset", "outline-style", "outline-radius",
            "outline-bottom-left-radius", "outline-bottom-right-radius", "outline-top-left-radius",
            "outline-top-right-radius", "padding", "padding-top", "padding-right", "padding-bottom",
            "padding-left", "paint-alternating-row-colors-for-empty-area", "position", "right",
            "selection-background-color", "selection-color", "show-decoration-selected", "spacing",
            "subcontrol-origin", "subcontrol-position", "titlebar-show-tooltips-on-buttons",
            "widget-animation-duration", "text-align", "text-decoration", "top", "width",
            "word-spacing",
        };
        QSet<QString> s;
        for (const char *p : list)
            s.insert(QString::fromLatin1(p));
        return s;
    }();
    return props;
}

const QSet<QString> &knownPseudoStates()
{
    static const QSet<QString> states = [] {
        const char *const list[] = {
            "active", "adjoins-item", "alternate", "bottom", "checked", "closable", "closed",
            "default", "disabled", "editable", "edit-focus", "enabled", "exclusive", "first",
            "flat", "floatable", "focus", "has-children", "has-siblings", "horizontal", "hover",
            "indeterminate", "last", "left", "maximized", "middle", "minimized", "movable",
            "no-frame", "non-exclusive", "off", "on", "only-one", "open", "next-selected",
            "pressed", "previous-selected", "read-only", "right", "selected", "top", "unchecked",
            "vertical", "window",
        };
        QSet<QString> s;
        for (const char *p : list)
            s.insert(QString::fromLatin1(p));
        return s;
    }();
    return states;
}

// Every ":/img/..." path in a text.
QStringList imagePaths(const QString &text)
{
    static const QRegularExpression re(QStringLiteral(":/img/[A-Za-z0-9_./@-]+\\.png"));
    QStringList paths;
    auto it = re.globalMatch(text);
    while (it.hasNext())
        paths << it.next().captured(0);
    return paths;
}

} // namespace

class TestStyleResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void elevenSheetsLoad();
    void sheetsParse_data();
    void sheetsParse();
    void sheetsUseKnownProperties_data();
    void sheetsUseKnownProperties();
    void wholeApplicationSheetParses();
    void referencedImagesExist();
    void everyImageHasHighDpiVariant();
    void imageSizes_data();
    void imageSizes();
    void chainOnAndOffDifferInBrightness();
    void resourceListMatchesFiles();
    void applicationFont();
};

void TestStyleResources::initTestCase()
{
    kt900InitResources();
    g_previous = qInstallMessageHandler(collect);
}

void TestStyleResources::cleanupTestCase()
{
    qInstallMessageHandler(g_previous);
}

void TestStyleResources::elevenSheetsLoad()
{
    const QStringList paths = Kt900Style::styleSheetPaths();
    const QStringList expected = {
        ":/qss/qss/core.qss", ":/qss/qss/title.qss", ":/qss/qss/presetList.qss",
        ":/qss/qss/chain.qss", ":/qss/qss/paraTop.qss", ":/qss/qss/paraSetting.qss",
        ":/qss/qss/loading.qss", ":/qss/qss/exp.qss", ":/qss/qss/setting.qss",
        ":/qss/qss/mymessagebox.qss", ":/qss/qss/toneCapture.qss",
    };
    QCOMPARE(paths, expected);
    QString joined;
    for (const QString &p : paths) {
        const QString text = readResource(p);
        QVERIFY2(!text.trimmed().isEmpty(), qPrintable(p));
        QVERIFY2(!text.contains(QChar(0)), qPrintable(p));
        joined += text + QLatin1Char('\n');
    }
    QCOMPARE(Kt900Style::loadStyleSheets(), joined);
}

void TestStyleResources::sheetsParse_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &p : Kt900Style::styleSheetPaths())
        QTest::newRow(qPrintable(p)) << p;
}

void TestStyleResources::sheetsParse()
{
    QFETCH(QString, path);
    const QString text = readResource(path);
    const QString plain = stripComments(text);
    QCOMPARE(plain.count(QLatin1Char('{')), plain.count(QLatin1Char('}')));
    QVERIFY2(!text.contains(QLatin1String("/*")) || text.count(QLatin1String("/*")) == text.count(QLatin1String("*/")),
             "unterminated comment");

    // Applying the sheet to a widget makes the style sheet engine parse it.
    g_messages.clear();
    QWidget w;
    w.setStyleSheet(text);
    auto *b = new QPushButton(QStringLiteral("x"), &w);
    b->setObjectName(QStringLiteral("messageBoxButton"));
    new QLabel(QStringLiteral("y"), &w);
    new QSlider(&w);
    new QSpinBox(&w);
    new QListWidget(&w);
    w.show();
    w.grab();
    for (const QString &m : qAsConst(g_messages))
        QVERIFY2(!m.contains(QLatin1String("parse"), Qt::CaseInsensitive), qPrintable(m));
}

void TestStyleResources::sheetsUseKnownProperties_data()
{
    sheetsParse_data();
}

void TestStyleResources::sheetsUseKnownProperties()
{
    QFETCH(QString, path);
    const QString text = stripComments(readResource(path));
    static const QRegularExpression block(QStringLiteral("([^{}]*)\\{([^{}]*)\\}"));
    static const QRegularExpression pseudo(QStringLiteral("(?<![:]):!?([a-z-]+)"));
    int rules = 0;
    auto it = block.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        ++rules;
        const QString selector = m.captured(1).trimmed();
        QVERIFY2(!selector.isEmpty(), qPrintable(path));
        // Pseudo-states (":hover"), not sub-controls ("::handle").
        auto ps = pseudo.globalMatch(QString(selector).remove(QRegularExpression(QStringLiteral("::[a-z-]+"))));
        while (ps.hasNext()) {
            const QString state = ps.next().captured(1);
            QVERIFY2(knownPseudoStates().contains(state), qPrintable(path + QLatin1String(": :") + state));
        }
        const QStringList decls = m.captured(2).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &d : decls) {
            if (d.trimmed().isEmpty())
                continue;
            const int colon = d.indexOf(QLatin1Char(':'));
            QVERIFY2(colon > 0, qPrintable(path + QLatin1String(": ") + d.trimmed()));
            const QString name = d.left(colon).trimmed();
            const QString value = d.mid(colon + 1).trimmed();
            QVERIFY2(!value.isEmpty(), qPrintable(path + QLatin1String(": ") + name));
            QVERIFY2(knownProperties().contains(name) || name.startsWith(QLatin1String("qproperty-")),
                     qPrintable(path + QLatin1String(": unknown property ") + name));
        }
    }
    QVERIFY(rules > 0);
}

void TestStyleResources::wholeApplicationSheetParses()
{
    g_messages.clear();
    qApp->setStyleSheet(Kt900Style::loadStyleSheets());
    QWidget w;
    w.setObjectName(QStringLiteral("mainBorderWidget"));
    auto *b = new QPushButton(QStringLiteral("NORMAL"), &w);
    b->setProperty("status", QStringLiteral("selected_enable"));
    new QListWidget(&w);
    new QSlider(Qt::Horizontal, &w);
    w.show();
    w.grab();
    qApp->setStyleSheet(QString());
    for (const QString &m : qAsConst(g_messages))
        QVERIFY2(!m.contains(QLatin1String("parse"), Qt::CaseInsensitive), qPrintable(m));
}

void TestStyleResources::referencedImagesExist()
{
    QStringList referenced;
    // The style sheets.
    for (const QString &p : Kt900Style::styleSheetPaths())
        referenced << imagePaths(readResource(p));
    // All editor code, whoever wrote it.
    const QString editor = QStringLiteral(KT900_SOURCE_DIR) + QStringLiteral("/editor");
    QDirIterator it(editor, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.fileName().contains(QLatin1String("/resources/tools/")))
            continue; // the generator writes files, it does not read them
        QVERIFY(f.open(QIODevice::ReadOnly));
        referenced << imagePaths(QString::fromUtf8(f.readAll()));
        ++files;
    }
    QVERIFY(files > 10);
    // The chain images the chain panel builds from the module short names.
    for (const char *n : {"FXA", "DS", "AMP", "CAB", "NS", "EQ", "FXB", "DLY", "REV", "Send", "Return"}) {
        referenced << QStringLiteral(":/img/chain/ON/%1-on.png").arg(QLatin1String(n));
        referenced << QStringLiteral(":/img/chain/OFF/%1-off.png").arg(QLatin1String(n));
    }
    referenced.removeDuplicates();
    QVERIFY(referenced.size() > 40);
    QStringList missing;
    for (const QString &path : qAsConst(referenced)) {
        if (!QFile::exists(path) || QImage(path).isNull())
            missing << path;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1String(", "))));
}

void TestStyleResources::everyImageHasHighDpiVariant()
{
    QDirIterator it(QStringLiteral(":/img"), QDirIterator::Subdirectories);
    int images = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QLatin1String(".png")) || path.contains(QLatin1String("@2x")))
            continue;
        ++images;
        QString hi = path;
        hi.insert(hi.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        QImage lo(path);
        QImage big(hi);
        QVERIFY2(!big.isNull(), qPrintable(hi));
        lo.setDevicePixelRatio(1);
        big.setDevicePixelRatio(1);
        QCOMPARE(big.size(), lo.size() * 2);
    }
    QVERIFY(images >= 60);
}

void TestStyleResources::imageSizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const char *n : {"FXA", "DS", "AMP", "CAB", "NS", "EQ", "FXB", "DLY", "REV", "Send", "Return"}) {
        const QString on = QStringLiteral(":/img/chain/ON/%1-on.png").arg(QLatin1String(n));
        const QString off = QStringLiteral(":/img/chain/OFF/%1-off.png").arg(QLatin1String(n));
        QTest::newRow(qPrintable(on)) << on << QSize(51, 75);
        QTest::newRow(qPrintable(off)) << off << QSize(51, 75);
    }
    QTest::newRow("slider handle") << ":/img/presetPara/paraSetting/sliderHandle.png" << QSize(14, 17);
    QTest::newRow("slider handle hover") << ":/img/presetPara/paraSetting/sliderHandle_hover.png" << QSize(14, 17);
    QTest::newRow("setting title") << ":/img/setting/settingTitle.png" << QSize(140, 25);
}

void TestStyleResources::imageSizes()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImage img(path);
    QVERIFY2(!img.isNull(), qPrintable(path));
    img.setDevicePixelRatio(1);
    QCOMPARE(img.size(), size);
    QVERIFY(img.hasAlphaChannel());
}

void TestStyleResources::chainOnAndOffDifferInBrightness()
{
    // Told apart without colour vision: the lit face is much brighter.
    auto luminance = [](const QImage &img) {
        double sum = 0;
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() < 200)
                    continue;
                sum += 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
                ++n;
            }
        return n ? sum / n : 0.0;
    };
    for (const char *n : {"FXA", "DS", "AMP", "CAB", "NS", "EQ", "FXB", "DLY", "REV", "Send", "Return"}) {
        const double on = luminance(QImage(QStringLiteral(":/img/chain/ON/%1-on.png").arg(QLatin1String(n))));
        const double off = luminance(QImage(QStringLiteral(":/img/chain/OFF/%1-off.png").arg(QLatin1String(n))));
        QVERIFY2(on > off + 0.2, qPrintable(QStringLiteral("%1: on %2 off %3").arg(QLatin1String(n)).arg(on).arg(off)));
    }
}

void TestStyleResources::resourceListMatchesFiles()
{
    // Every drawn file is compiled in (and nothing compiled in is missing).
    const QString imgDir = QStringLiteral(KT900_SOURCE_DIR) + QStringLiteral("/editor/resources/img");
    QDirIterator it(imgDir, {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const QString res = QStringLiteral(":/img") + path.mid(imgDir.size());
        QVERIFY2(QFile::exists(res), qPrintable(res));
        ++files;
    }
    QVERIFY(files >= 120);
    // The font's licence and note travel with it.
    const QString fonts = QStringLiteral(KT900_SOURCE_DIR) + QStringLiteral("/editor/resources/Fonts/");
    QVERIFY(QFile::exists(fonts + QStringLiteral("OFL.txt")));
    QVERIFY(QFile::exists(fonts + QStringLiteral("README.md")));
}

void TestStyleResources::applicationFont()
{
    QVERIFY(QFile::exists(QStringLiteral(":/Fonts/Fonts/Helvetica.ttf")));
    const QFont f = Kt900Style::applicationFont();
    QCOMPARE(f.pointSize(), 10);
    QCOMPARE(f.family(), QStringLiteral("Liberation Sans"));
    QVERIFY(QFontDatabase().styles(f.family()).contains(QStringLiteral("Bold")));
}

QTEST_MAIN(TestStyleResources)
#include "tst_styleresources.moc"
