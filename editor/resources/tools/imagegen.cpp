// Draws the images of the editor's style resources and writes style.qrc.
//
//   kt900_imagegen <resources-dir>
//
// Every image is drawn at its display size and again at twice that size
// ("name@2x.png") for high-DPI screens. Texts use the application font that
// ships in <resources-dir>/Fonts. The output is committed with the sources.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// Palette shared with the style sheets.
const QColor kValue(0xc0, 0xd2, 0x3c);     // value colour / lit LED
const QColor kText(0xf0, 0xf0, 0xf0);      // primary text
const QColor kTextDim(0xa0, 0xa0, 0xa0);   // secondary text
const QColor kDisabled(0x5a, 0x5a, 0x5a);  // disabled
const QColor kGlyph(0xb4, 0xb4, 0xb4);     // icon strokes at rest
const QColor kGlyphHover(0xff, 0xff, 0xff);

QString g_outDir;
QString g_family = QStringLiteral("Liberation Sans");
QStringList g_written; // paths relative to the resources dir, for style.qrc
int g_failures = 0;

using DrawFn = std::function<void(QPainter &)>;

bool saveImage(const QImage &image, const QString &rel)
{
    const QString path = g_outDir + QLatin1Char('/') + rel;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
        return false;
    }
    g_written << rel;
    return true;
}

// Renders `draw` (in logical coordinates of `size`) at 1x and 2x.
void render(const QString &rel, QSize size, const DrawFn &draw)
{
    for (int scale : {1, 2}) {
        QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.scale(scale, scale);
            draw(p);
        }
        QString name = rel;
        if (scale == 2)
            name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        saveImage(image, name);
    }
}

QFont font(qreal pixelSize, bool bold, qreal letterSpacing = 0)
{
    QFont f(g_family);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    if (letterSpacing != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return f;
}

// The largest font (not above `maxPx`) whose text fits `width`.
QFont fittingFont(const QString &text, qreal width, qreal maxPx, bool bold)
{
    for (qreal px = maxPx; px > 6; px -= 0.5) {
        QFont f(g_family);
        f.setPixelSize(qRound(px));
        f.setBold(bold);
        f.setHintingPreference(QFont::PreferNoHinting);
        if (QFontMetricsF(f).horizontalAdvance(text) <= width)
            return f;
    }
    return font(6, bold);
}

QPen strokePen(const QColor &c, qreal width)
{
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// ---------------------------------------------------------------- chain ----

struct ModuleLook
{
    const char *file;  // file name part
    const char *label; // text on the face
    QColor face;       // lit face colour
    enum Shape { Pedal, Amp, Cab, Jack } shape;
};

const ModuleLook kModules[] = {
    {"FXA", "FXA", QColor(0xb8, 0xa4, 0xf2), ModuleLook::Pedal},
    {"DS", "DS", QColor(0xf4, 0xa8, 0x5c), ModuleLook::Pedal},
    {"AMP", "AMP", QColor(0xec, 0xc8, 0x5e), ModuleLook::Amp},
    {"CAB", "CAB", QColor(0xd2, 0xae, 0x86), ModuleLook::Cab},
    {"NS", "NS", QColor(0x86, 0xcb, 0xec), ModuleLook::Pedal},
    {"EQ", "EQ", QColor(0x86, 0xde, 0xbc), ModuleLook::Pedal},
    {"FXB", "FXB", QColor(0xdc, 0xa2, 0xea), ModuleLook::Pedal},
    {"DLY", "DLY", QColor(0x8c, 0xbc, 0xf4), ModuleLook::Pedal},
    {"REV", "REV", QColor(0xa8, 0xb6, 0xf6), ModuleLook::Pedal},
    {"Send", "SEND", QColor(0xcc, 0xd2, 0xd8), ModuleLook::Jack},
    {"Return", "RETURN", QColor(0xcc, 0xd2, 0xd8), ModuleLook::Jack},
};

const QSizeF kChainSize(51, 75);

QPainterPath roundedRect(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void fillFace(QPainter &p, const QRectF &r, qreal radius, const QColor &base, bool on)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (on) {
        g.setColorAt(0.0, base.lighter(116));
        g.setColorAt(0.55, base);
        g.setColorAt(1.0, base.darker(112));
    } else {
        g.setColorAt(0.0, QColor(0x40, 0x40, 0x40));
        g.setColorAt(1.0, QColor(0x2c, 0x2c, 0x2c));
    }
    const QPainterPath path = roundedRect(r, radius);
    p.fillPath(path, g);
    p.setPen(QPen(on ? base.darker(190) : QColor(0x52, 0x52, 0x52), 1.0));
    p.drawPath(path);
    // A thin highlight along the top edge gives the face some depth.
    p.setPen(QPen(on ? QColor(255, 255, 255, 120) : QColor(255, 255, 255, 22), 1.0));
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.0), QPointF(r.right() - radius, r.top() + 1.0));
}

void drawLed(QPainter &p, QPointF c, bool on)
{
    if (on) {
        QRadialGradient glow(c, 8.5);
        QColor g0 = kValue;
        g0.setAlpha(150);
        QColor g1 = kValue;
        g1.setAlpha(0);
        glow.setColorAt(0.0, g0);
        glow.setColorAt(1.0, g1);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, 8.5, 8.5);
        QRadialGradient body(c - QPointF(0.8, 0.8), 3.6);
        body.setColorAt(0.0, QColor(0xf4, 0xff, 0xa0));
        body.setColorAt(1.0, kValue);
        p.setBrush(body);
        p.setPen(QPen(kValue.darker(170), 0.8));
        p.drawEllipse(c, 3.2, 3.2);
    } else {
        p.setBrush(QColor(0x16, 0x16, 0x16));
        p.setPen(QPen(QColor(0x5a, 0x5a, 0x5a), 0.8));
        p.drawEllipse(c, 3.2, 3.2);
    }
}

void drawName(QPainter &p, const QRectF &box, const QString &text, bool on, const QColor &onColor,
              qreal maxPx)
{
    p.setFont(fittingFont(text, box.width(), maxPx, true));
    p.setPen(on ? onColor : QColor(0x8e, 0x8e, 0x8e));
    p.drawText(box, Qt::AlignCenter, text);
}

void drawFootswitch(QPainter &p, QPointF c, bool on)
{
    // Hex nut, then the chrome (or dull) button.
    QPainterPath nut;
    for (int i = 0; i < 6; ++i) {
        const qreal a = M_PI / 6 + i * M_PI / 3;
        const QPointF v = c + QPointF(std::cos(a), std::sin(a)) * 10.0;
        if (i == 0)
            nut.moveTo(v);
        else
            nut.lineTo(v);
    }
    nut.closeSubpath();
    p.setPen(QPen(on ? QColor(0, 0, 0, 90) : QColor(0x22, 0x22, 0x22), 0.8));
    p.setBrush(on ? QColor(0, 0, 0, 38) : QColor(0x2a, 0x2a, 0x2a));
    p.drawPath(nut);

    QLinearGradient metal(c - QPointF(0, 7), c + QPointF(0, 7));
    if (on) {
        metal.setColorAt(0.0, QColor(0xfa, 0xfa, 0xfa));
        metal.setColorAt(0.5, QColor(0xc4, 0xc4, 0xc4));
        metal.setColorAt(1.0, QColor(0x8a, 0x8a, 0x8a));
    } else {
        metal.setColorAt(0.0, QColor(0x66, 0x66, 0x66));
        metal.setColorAt(1.0, QColor(0x3a, 0x3a, 0x3a));
    }
    p.setBrush(metal);
    p.setPen(QPen(on ? QColor(0x44, 0x44, 0x44) : QColor(0x1e, 0x1e, 0x1e), 0.9));
    p.drawEllipse(c, 6.8, 6.8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(on ? QColor(255, 255, 255, 170) : QColor(255, 255, 255, 30), 0.8));
    p.drawEllipse(c, 4.4, 4.4);
}

void drawPedal(QPainter &p, const ModuleLook &m, bool on)
{
    const QRectF body(2.5, 1.5, 46, 72);
    fillFace(p, body, 6, m.face, on);
    drawLed(p, QPointF(25.5, 10.5), on);
    drawName(p, QRectF(4, 17, 43, 20), QString::fromLatin1(m.label), on, QColor(0x14, 0x14, 0x14), 15);
    p.setPen(QPen(on ? QColor(0, 0, 0, 60) : QColor(0x48, 0x48, 0x48), 1.0));
    p.drawLine(QPointF(8, 41.5), QPointF(43, 41.5));
    drawFootswitch(p, QPointF(25.5, 57.5), on);
}

void drawAmp(QPainter &p, const ModuleLook &m, bool on)
{
    // A combo amp: tolex cabinet, a lit control panel, grille cloth below.
    const QRectF body(2.5, 1.5, 46, 72);
    const QPainterPath outline = roundedRect(body, 4);
    p.fillPath(outline, on ? QColor(0x26, 0x22, 0x1c) : QColor(0x26, 0x26, 0x26));
    p.setPen(QPen(on ? QColor(0x12, 0x10, 0x0c) : QColor(0x50, 0x50, 0x50), 1.0));
    p.drawPath(outline);

    const QRectF panel(5.5, 4.5, 40, 32);
    fillFace(p, panel, 2.5, m.face, on);
    drawLed(p, QPointF(39.5, 10.5), on);
    drawName(p, QRectF(6, 6, 30, 17), QString::fromLatin1(m.label), on, QColor(0x14, 0x14, 0x14), 15);
    // Three knobs.
    for (int i = 0; i < 3; ++i) {
        const QPointF c(15.5 + i * 10, 29.0);
        p.setPen(QPen(on ? QColor(0x10, 0x10, 0x10) : QColor(0x1c, 0x1c, 0x1c), 0.8));
        p.setBrush(on ? QColor(0x24, 0x24, 0x24) : QColor(0x4a, 0x4a, 0x4a));
        p.drawEllipse(c, 3.2, 3.2);
        p.setPen(QPen(on ? QColor(0xf0, 0xf0, 0xf0) : QColor(0x80, 0x80, 0x80), 0.9));
        p.drawLine(c, c + QPointF(-1.6, -2.2));
    }

    // Grille cloth: a woven diagonal pattern clipped to the grille area.
    const QRectF grille(5.5, 39.5, 40, 31);
    const QPainterPath gp = roundedRect(grille, 2.5);
    p.fillPath(gp, on ? QColor(0xc8, 0xb4, 0x86) : QColor(0x34, 0x34, 0x34));
    p.save();
    p.setClipPath(gp);
    p.setPen(QPen(on ? QColor(0x8a, 0x76, 0x4e, 200) : QColor(0x24, 0x24, 0x24), 0.9));
    for (qreal x = -40; x < 60; x += 3.2) {
        p.drawLine(QPointF(x, 72), QPointF(x + 32, 40));
        p.drawLine(QPointF(x, 40), QPointF(x + 32, 72));
    }
    p.restore();
    p.setPen(QPen(on ? QColor(0x5a, 0x4a, 0x2a) : QColor(0x1e, 0x1e, 0x1e), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(gp);
}

void drawCab(QPainter &p, const ModuleLook &m, bool on)
{
    // A speaker cabinet: name plate on top, a speaker behind the cloth.
    const QRectF body(2.5, 1.5, 46, 72);
    fillFace(p, body, 4, m.face, on);
    drawLed(p, QPointF(41.0, 8.5), on);
    drawName(p, QRectF(4, 3, 33, 16), QString::fromLatin1(m.label), on, QColor(0x14, 0x14, 0x14), 14);

    const QPointF c(25.5, 45.5);
    QRadialGradient cone(c, 18);
    if (on) {
        cone.setColorAt(0.0, QColor(0x5a, 0x52, 0x46));
        cone.setColorAt(0.75, QColor(0x2a, 0x25, 0x1e));
        cone.setColorAt(1.0, QColor(0x1a, 0x16, 0x12));
    } else {
        cone.setColorAt(0.0, QColor(0x3a, 0x3a, 0x3a));
        cone.setColorAt(1.0, QColor(0x1e, 0x1e, 0x1e));
    }
    p.setPen(QPen(on ? QColor(0x14, 0x12, 0x10) : QColor(0x4e, 0x4e, 0x4e), 1.0));
    p.setBrush(cone);
    p.drawEllipse(c, 18, 18);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(on ? QColor(255, 255, 255, 45) : QColor(255, 255, 255, 14), 0.8));
    p.drawEllipse(c, 14, 14);
    p.drawEllipse(c, 10, 10);
    QRadialGradient cap(c - QPointF(1.5, 1.5), 6);
    cap.setColorAt(0.0, on ? QColor(0xe8, 0xe8, 0xe8) : QColor(0x6a, 0x6a, 0x6a));
    cap.setColorAt(1.0, on ? QColor(0x8a, 0x8a, 0x8a) : QColor(0x36, 0x36, 0x36));
    p.setBrush(cap);
    p.setPen(QPen(on ? QColor(0x30, 0x30, 0x30) : QColor(0x22, 0x22, 0x22), 0.8));
    p.drawEllipse(c, 5.2, 5.2);
}

void drawJack(QPainter &p, const ModuleLook &m, bool on, bool send)
{
    const QRectF body(2.5, 1.5, 46, 72);
    fillFace(p, body, 6, m.face, on);
    drawLed(p, QPointF(25.5, 10.5), on);
    drawName(p, QRectF(4, 17, 43, 20), QString::fromLatin1(m.label), on, QColor(0x14, 0x14, 0x14), 13);

    // The jack socket, with an arrow showing the direction of the signal.
    const QPointF c(25.5, 55.5);
    p.setPen(QPen(on ? QColor(0x30, 0x30, 0x30) : QColor(0x22, 0x22, 0x22), 0.9));
    QLinearGradient nut(c - QPointF(0, 8), c + QPointF(0, 8));
    nut.setColorAt(0.0, on ? QColor(0xf4, 0xf4, 0xf4) : QColor(0x60, 0x60, 0x60));
    nut.setColorAt(1.0, on ? QColor(0x8c, 0x8c, 0x8c) : QColor(0x38, 0x38, 0x38));
    p.setBrush(nut);
    p.drawEllipse(c, 8, 8);
    p.setBrush(QColor(0x0e, 0x0e, 0x0e));
    p.drawEllipse(c, 3.6, 3.6);

    const QColor arrow = on ? QColor(0x1e, 0x1e, 0x1e) : QColor(0x80, 0x80, 0x80);
    p.setPen(strokePen(arrow, 1.4));
    const qreal y = 44.0;
    if (send) { // out of the unit: arrow leaves to the right
        p.drawLine(QPointF(33, y + 11.5), QPointF(43, y + 11.5));
        p.drawLine(QPointF(40, y + 8.5), QPointF(43, y + 11.5));
        p.drawLine(QPointF(40, y + 14.5), QPointF(43, y + 11.5));
    } else { // back into the unit: arrow arrives from the left
        p.drawLine(QPointF(8, y + 11.5), QPointF(18, y + 11.5));
        p.drawLine(QPointF(15, y + 8.5), QPointF(18, y + 11.5));
        p.drawLine(QPointF(15, y + 14.5), QPointF(18, y + 11.5));
    }
}

void drawModule(QPainter &p, const ModuleLook &m, bool on)
{
    switch (m.shape) {
    case ModuleLook::Pedal:
        drawPedal(p, m, on);
        break;
    case ModuleLook::Amp:
        drawAmp(p, m, on);
        break;
    case ModuleLook::Cab:
        drawCab(p, m, on);
        break;
    case ModuleLook::Jack:
        drawJack(p, m, on, QLatin1String(m.file) == QLatin1String("Send"));
        break;
    }
}

void chainImages()
{
    for (const ModuleLook &m : kModules) {
        for (bool on : {true, false}) {
            const QString rel = QStringLiteral("img/chain/%1/%2-%3.png")
                                    .arg(on ? QStringLiteral("ON") : QStringLiteral("OFF"),
                                         QString::fromLatin1(m.file),
                                         on ? QStringLiteral("on") : QStringLiteral("off"));
            render(rel, kChainSize.toSize(), [&](QPainter &p) { drawModule(p, m, on); });
        }
    }
}

// --------------------------------------------------------- slider & spin ----

void sliderHandles()
{
    enum Look { Rest, Hover, Off };
    auto handle = [](QPainter &p, Look look) {
        const QRectF cap(1.5, 0.5, 11, 16);
        QLinearGradient g(cap.topLeft(), cap.bottomLeft());
        if (look == Off) {
            g.setColorAt(0.0, QColor(0x6e, 0x6e, 0x6e));
            g.setColorAt(1.0, QColor(0x52, 0x52, 0x52));
        } else if (look == Hover) {
            g.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
            g.setColorAt(1.0, QColor(0xdc, 0xdc, 0xdc));
        } else {
            g.setColorAt(0.0, QColor(0xee, 0xee, 0xee));
            g.setColorAt(1.0, QColor(0xb4, 0xb4, 0xb4));
        }
        const QPainterPath path = roundedRect(cap, 2.5);
        p.fillPath(path, g);
        p.setPen(QPen(QColor(0x14, 0x14, 0x14), 1.0));
        p.drawPath(path);
        // Grip line across the middle.
        const QColor grip = look == Hover ? kValue.darker(150)
                            : look == Off ? QColor(0x3a, 0x3a, 0x3a)
                                          : QColor(0x2e, 0x2e, 0x2e);
        p.setPen(QPen(grip, 1.6, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(4, 8.5), QPointF(10, 8.5));
    };
    const QSize s(14, 17);
    render(QStringLiteral("img/presetPara/paraSetting/sliderHandle.png"), s,
           [&](QPainter &p) { handle(p, Rest); });
    render(QStringLiteral("img/presetPara/paraSetting/sliderHandle_hover.png"), s,
           [&](QPainter &p) { handle(p, Hover); });
    render(QStringLiteral("img/presetPara/paraSetting/sliderHandle_disabled.png"), s,
           [&](QPainter &p) { handle(p, Off); });
}

// A chevron pointing in `dir` (0 left, 1 right, 2 up, 3 down) inside `size`.
void chevron(QPainter &p, QSizeF size, int dir, const QColor &c, qreal width)
{
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal m = width / 2 + 0.5;
    p.setPen(strokePen(c, width));
    QPolygonF poly;
    switch (dir) {
    case 0:
        poly << QPointF(w - m, m) << QPointF(m, h / 2) << QPointF(w - m, h - m);
        break;
    case 1:
        poly << QPointF(m, m) << QPointF(w - m, h / 2) << QPointF(m, h - m);
        break;
    case 2:
        poly << QPointF(m, h - m) << QPointF(w / 2, m) << QPointF(w - m, h - m);
        break;
    default:
        poly << QPointF(m, m) << QPointF(w / 2, h - m) << QPointF(w - m, m);
        break;
    }
    p.drawPolyline(poly);
}

void arrows()
{
    const struct {
        const char *name;
        QSize size;
        int dir;
    } list[] = {
        {"img/common/arrowLeft", QSize(7, 11), 0},
        {"img/common/arrowRight", QSize(7, 11), 1},
        {"img/common/arrowUp", QSize(11, 7), 2},
        {"img/common/arrowDown", QSize(11, 7), 3},
    };
    for (const auto &a : list) {
        const QString base = QString::fromLatin1(a.name);
        render(base + QStringLiteral(".png"), a.size,
               [&](QPainter &p) { chevron(p, a.size, a.dir, QColor(0xc8, 0xc8, 0xc8), 1.6); });
        render(base + QStringLiteral("_hover.png"), a.size,
               [&](QPainter &p) { chevron(p, a.size, a.dir, kValue, 1.6); });
        render(base + QStringLiteral("_disabled.png"), a.size,
               [&](QPainter &p) { chevron(p, a.size, a.dir, kDisabled, 1.6); });
    }
}

// --------------------------------------------------------------- glyphs ----

void titleGlyphs()
{
    const QSize s(16, 16);
    auto both = [&](const QString &name, const std::function<void(QPainter &, const QColor &)> &fn) {
        render(QStringLiteral("img/title/%1.png").arg(name), s, [&](QPainter &p) { fn(p, kGlyph); });
        render(QStringLiteral("img/title/%1_hover.png").arg(name), s,
               [&](QPainter &p) { fn(p, kGlyphHover); });
    };
    both(QStringLiteral("min"), [](QPainter &p, const QColor &c) {
        p.fillRect(QRectF(3, 10, 10, 1.6), c);
    });
    both(QStringLiteral("max"), [](QPainter &p, const QColor &c) {
        p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(QRectF(3.3, 3.3, 9.4, 9.4));
    });
    both(QStringLiteral("restore"), [](QPainter &p, const QColor &c) {
        p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(QRectF(3.3, 5.8, 7.4, 7.4));
        QPolygonF back;
        back << QPointF(5.8, 3.3) << QPointF(13.2, 3.3) << QPointF(13.2, 10.7);
        p.drawPolyline(back);
    });
    both(QStringLiteral("close"), [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 1.7));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    });
}

void popupGlyphs()
{
    const QSize s(18, 18);
    auto x = [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 2.0));
        p.drawLine(QPointF(4.5, 4.5), QPointF(13.5, 13.5));
        p.drawLine(QPointF(13.5, 4.5), QPointF(4.5, 13.5));
    };
    render(QStringLiteral("img/popup/close.png"), s, [&](QPainter &p) { x(p, kGlyph); });
    render(QStringLiteral("img/popup/close_hover.png"), s, [&](QPainter &p) { x(p, kGlyphHover); });

    const QSize r(20, 20);
    auto back = [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 2.0));
        p.drawLine(QPointF(4, 10), QPointF(16, 10));
        p.drawLine(QPointF(4, 10), QPointF(9, 5));
        p.drawLine(QPointF(4, 10), QPointF(9, 15));
    };
    render(QStringLiteral("img/popup/rollback.png"), r, [&](QPainter &p) { back(p, kGlyph); });
    render(QStringLiteral("img/popup/rollback_hover.png"), r, [&](QPainter &p) { back(p, kValue); });
}

void iconPair(const QString &rel, QSize size, const std::function<void(QPainter &, const QColor &)> &fn,
              const QColor &hover = kValue)
{
    render(rel + QStringLiteral(".png"), size, [&](QPainter &p) { fn(p, kGlyph); });
    render(rel + QStringLiteral("_hover.png"), size, [&](QPainter &p) { fn(p, hover); });
}

void topBarIcons()
{
    const QSize s(22, 22);
    // Save: a card slot with an arrow into it.
    iconPair(QStringLiteral("img/paraTop/save"), s, [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 1.7));
        p.setBrush(Qt::NoBrush);
        QPainterPath body;
        body.moveTo(4, 3);
        body.lineTo(15, 3);
        body.lineTo(19, 7);
        body.lineTo(19, 19);
        body.lineTo(3, 19);
        body.lineTo(3, 4);
        body.closeSubpath();
        p.drawPath(body);
        p.drawRect(QRectF(7, 3.5, 7, 4.5));
        p.drawRect(QRectF(6.5, 12, 9, 6.5));
    });
    // Expression pedal: a rocking treadle on its base.
    iconPair(QStringLiteral("img/paraTop/exp"), s, [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 1.7));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(2.5, 15.5, 17, 4), 1.2, 1.2);
        QPolygonF tread;
        tread << QPointF(4, 13) << QPointF(18, 5.5) << QPointF(19.2, 8) << QPointF(5.5, 15);
        p.drawPolygon(tread);
        p.drawLine(QPointF(11, 11.5), QPointF(11, 15.5));
    });
    // Tone capture: a microphone.
    iconPair(QStringLiteral("img/paraTop/tone"), s, [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 1.7));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(8, 2.5, 6, 10.5), 3, 3);
        QPainterPath cup;
        cup.moveTo(5, 10);
        cup.cubicTo(5, 17.5, 17, 17.5, 17, 10);
        p.drawPath(cup);
        p.drawLine(QPointF(11, 16), QPointF(11, 19.5));
        p.drawLine(QPointF(7.5, 19.5), QPointF(14.5, 19.5));
    });
    // Settings: a gear.
    iconPair(QStringLiteral("img/paraTop/setting"), s, [](QPainter &p, const QColor &c) {
        const QPointF ctr(11, 11);
        QPainterPath gear;
        const int teeth = 8;
        for (int i = 0; i < teeth * 4; ++i) {
            const qreal a = (i / qreal(teeth * 4)) * 2 * M_PI - M_PI / 2;
            const bool outer = (i % 4) == 1 || (i % 4) == 2;
            const qreal r = outer ? 8.6 : 6.6;
            const QPointF v = ctr + QPointF(std::cos(a), std::sin(a)) * r;
            if (i == 0)
                gear.moveTo(v);
            else
                gear.lineTo(v);
        }
        gear.closeSubpath();
        p.setPen(strokePen(c, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(gear);
        p.drawEllipse(ctr, 2.8, 2.8);
    });
}

void listIcons()
{
    const QSize s(18, 18);
    iconPair(QStringLiteral("img/presetList/folder"), s, [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 1.6));
        p.setBrush(Qt::NoBrush);
        QPainterPath f;
        f.moveTo(2, 4);
        f.lineTo(7, 4);
        f.lineTo(9, 6);
        f.lineTo(16, 6);
        f.lineTo(16, 15);
        f.lineTo(2, 15);
        f.closeSubpath();
        p.drawPath(f);
        p.drawLine(QPointF(2, 8.5), QPointF(16, 8.5));
    });
    iconPair(QStringLiteral("img/presetList/refresh"), s, [](QPainter &p, const QColor &c) {
        // Three quarters of a circle ending in a filled arrow head.
        const QPointF ctr(9, 9.5);
        const qreal r = 5.6;
        p.setPen(strokePen(c, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(ctr.x() - r, ctr.y() - r, 2 * r, 2 * r), 90 * 16, 270 * 16);
        // The arc ends at the top (90 degrees); the head points right.
        const QPointF end(ctr.x(), ctr.y() - r);
        QPolygonF head;
        head << end + QPointF(3.6, 0) << end + QPointF(-0.6, -3.4) << end + QPointF(-0.6, 3.4);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPolygon(head);
    });
    const QSize t(16, 16);
    iconPair(QStringLiteral("img/presetPara/add"), t, [](QPainter &p, const QColor &c) {
        p.setPen(strokePen(c, 1.8));
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
    });
    iconPair(
        QStringLiteral("img/presetPara/delete"), t,
        [](QPainter &p, const QColor &c) {
            p.setPen(strokePen(c, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(2.5, 4), QPointF(13.5, 4));
            p.drawLine(QPointF(6, 4), QPointF(6.5, 2));
            p.drawLine(QPointF(6.5, 2), QPointF(9.5, 2));
            p.drawLine(QPointF(9.5, 2), QPointF(10, 4));
            QPainterPath bin;
            bin.moveTo(4, 6);
            bin.lineTo(5, 14);
            bin.lineTo(11, 14);
            bin.lineTo(12, 6);
            p.drawPath(bin);
            p.drawLine(QPointF(8, 7.5), QPointF(8, 12));
        },
        QColor(0xff, 0x6b, 0x5a));
}

void switchImages()
{
    // The module on/off switch: a pill track with a knob.
    const QSize s(38, 20);
    auto draw = [](QPainter &p, bool on, bool disabled) {
        const QRectF track(1, 2, 36, 16);
        QColor fill = on ? kValue : QColor(0x41, 0x41, 0x41);
        if (disabled)
            fill = on ? kValue.darker(260) : QColor(0x33, 0x33, 0x33);
        p.setPen(QPen(on ? fill.darker(140) : QColor(0x5e, 0x5e, 0x5e), 1.0));
        p.setBrush(fill);
        p.drawRoundedRect(track, 8, 8);
        const QPointF knob(on ? 29 : 9, 10);
        QLinearGradient g(knob - QPointF(0, 7), knob + QPointF(0, 7));
        g.setColorAt(0.0, disabled ? QColor(0x80, 0x80, 0x80) : QColor(0xff, 0xff, 0xff));
        g.setColorAt(1.0, disabled ? QColor(0x60, 0x60, 0x60) : QColor(0xc8, 0xc8, 0xc8));
        p.setBrush(g);
        p.setPen(QPen(QColor(0x1a, 0x1a, 0x1a, 160), 1.0));
        p.drawEllipse(knob, 6.5, 6.5);
    };
    render(QStringLiteral("img/presetPara/switch_on.png"), s, [&](QPainter &p) { draw(p, true, false); });
    render(QStringLiteral("img/presetPara/switch_off.png"), s, [&](QPainter &p) { draw(p, false, false); });
    render(QStringLiteral("img/presetPara/switch_on_disabled.png"), s,
           [&](QPainter &p) { draw(p, true, true); });
    render(QStringLiteral("img/presetPara/switch_off_disabled.png"), s,
           [&](QPainter &p) { draw(p, false, true); });

    // Check box marks for the few check boxes the dialogs may use.
    const QSize c(16, 16);
    auto box = [](QPainter &p, bool checked) {
        p.setPen(QPen(checked ? kValue : QColor(0x6a, 0x6a, 0x6a), 1.2));
        p.setBrush(checked ? kValue : QColor(0x2a, 0x2a, 0x2a));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
        if (checked) {
            p.setPen(strokePen(QColor(0x14, 0x14, 0x14), 1.8));
            QPolygonF tick;
            tick << QPointF(4.5, 8.2) << QPointF(7, 10.8) << QPointF(11.8, 5.4);
            p.drawPolyline(tick);
        }
    };
    render(QStringLiteral("img/common/check_on.png"), c, [&](QPainter &p) { box(p, true); });
    render(QStringLiteral("img/common/check_off.png"), c, [&](QPainter &p) { box(p, false); });
}

// ----------------------------------------------------------- word marks ----

void wordMarks()
{
    // Device name in the title bar.
    render(QStringLiteral("img/title/deviceName.png"), QSize(168, 40), [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kValue);
        p.drawRoundedRect(QRectF(12, 12, 4, 16), 1.5, 1.5);
        p.setFont(font(20, true, 0.6));
        p.setPen(kText);
        p.drawText(QRectF(22, 0, 90, 40), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("KT900"));
        const qreal x = 22 + QFontMetricsF(font(20, true, 0.6)).horizontalAdvance(QStringLiteral("KT900")) + 8;
        p.setFont(font(11, false, 1.6));
        p.setPen(kTextDim);
        p.drawText(QRectF(x, 1, 80, 40), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("EDITOR"));
    });

    // Brand mark above the chain.
    render(QStringLiteral("img/chain/logo.png"), QSize(120, 26), [](QPainter &p) {
        const QFont f = font(17, true, 5.0);
        const QString text = QStringLiteral("TOVAK");
        const qreal w = QFontMetricsF(f).horizontalAdvance(text) - 5.0;
        const qreal x = (120 - w) / 2;
        p.setFont(f);
        p.setPen(QColor(0xd8, 0xd8, 0xd8));
        p.drawText(QRectF(x, 0, w + 10, 22), Qt::AlignVCenter | Qt::AlignLeft, text);
        p.fillRect(QRectF(x, 22, w, 2), kValue);
    });
    render(QStringLiteral("img/chain/logo_hover.png"), QSize(120, 26), [](QPainter &p) {
        const QFont f = font(17, true, 5.0);
        const QString text = QStringLiteral("TOVAK");
        const qreal w = QFontMetricsF(f).horizontalAdvance(text) - 5.0;
        const qreal x = (120 - w) / 2;
        p.setFont(f);
        p.setPen(QColor(0xff, 0xff, 0xff));
        p.drawText(QRectF(x, 0, w + 10, 22), Qt::AlignVCenter | Qt::AlignLeft, text);
        p.fillRect(QRectF(x, 22, w, 2), kValue.lighter(115));
    });

    // Title of the settings pop-up.
    render(QStringLiteral("img/setting/settingTitle.png"), QSize(140, 25), [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kValue);
        p.drawRoundedRect(QRectF(0, 5, 4, 16), 1.5, 1.5);
        p.setFont(font(16, true, 1.4));
        p.setPen(kText);
        p.drawText(QRectF(12, 0, 128, 25), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("SETTINGS"));
    });
}

// --------------------------------------------------------- tone capture ----

// A jack socket on a panel, with its name under it.
void drawSocket(QPainter &p, QPointF c, const QString &name)
{
    p.setPen(QPen(QColor(0x16, 0x16, 0x16), 1.0));
    p.setBrush(QColor(0x8a, 0x8a, 0x8a));
    p.drawEllipse(c, 6.0, 6.0);
    p.setBrush(QColor(0x10, 0x10, 0x10));
    p.drawEllipse(c, 3.0, 3.0);
    p.setFont(font(9, true, 0.3));
    p.setPen(kTextDim);
    p.drawText(QRectF(c.x() - 34, c.y() + 8, 68, 14), Qt::AlignCenter, name);
}

// A cable from `a` to `b` bowing up by `lift`, with its number in a badge at
// the top of the bow.
void drawCable(QPainter &p, QPointF a, QPointF b, qreal lift, const QColor &c, int number)
{
    QPainterPath path(a);
    path.cubicTo(a - QPointF(0, lift), b - QPointF(0, lift), b);
    p.setBrush(Qt::NoBrush);
    p.setPen(strokePen(QColor(0, 0, 0, 160), 5.0));
    p.drawPath(path);
    p.setPen(strokePen(c, 3.0));
    p.drawPath(path);
    // Plugs at both ends.
    p.setPen(Qt::NoPen);
    p.setBrush(c.darker(130));
    for (QPointF end : {a, b})
        p.drawRoundedRect(QRectF(end.x() - 3.5, end.y() - 13, 7, 11), 1.5, 1.5);
    const QPointF top = path.pointAtPercent(0.5);
    p.setBrush(c);
    p.setPen(QPen(QColor(0x1c, 0x1c, 0x1c), 1.5));
    p.drawEllipse(top, 9.0, 9.0);
    p.setFont(font(11, true));
    p.setPen(QColor(0x14, 0x14, 0x14));
    p.drawText(QRectF(top.x() - 9, top.y() - 9, 18, 18), Qt::AlignCenter, QString::number(number));
}

void drawBox(QPainter &p, const QRectF &r, const QString &name)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(0x3c, 0x3c, 0x3c));
    g.setColorAt(1.0, QColor(0x26, 0x26, 0x26));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x5a, 0x5a, 0x5a), 1.0));
    p.drawRoundedRect(r, 8, 8);
    p.setFont(font(14, true, 1.5));
    p.setPen(kText);
    p.drawText(QRectF(r.left(), r.bottom() - 26, r.width(), 22), Qt::AlignCenter, name);
}

void toneCaptureImages()
{
    // The 4-cable connection: guitar -> KT900 INPUT (1), KT900 SEND -> amp
    // INPUT (2), amp FX SEND -> KT900 RETURN (3), KT900 OUTPUT -> amp FX
    // RETURN (4).
    render(QStringLiteral("img/toneCapture/fourCable.png"), QSize(600, 170), [](QPainter &p) {
        const qreal top = 92;
        // Guitar: body, neck and head in outline.
        p.setPen(strokePen(kTextDim, 2.0));
        p.setBrush(QColor(0x2a, 0x2a, 0x2a));
        QPainterPath lower, upper;
        lower.addEllipse(QRectF(14, 112, 44, 36));
        upper.addEllipse(QRectF(22, 96, 30, 26));
        p.drawPath(lower.united(upper));
        p.drawLine(QPointF(37, 98), QPointF(37, 42));
        p.drawRoundedRect(QRectF(32, 30, 10, 14), 2, 2);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(37, 118), 5, 5);
        p.setFont(font(9, true, 0.3));
        p.setPen(kTextDim);
        p.drawText(QRectF(0, 150, 74, 16), Qt::AlignCenter, QStringLiteral("GUITAR"));

        const QRectF unit(120, top, 230, 70);
        const QRectF amp(400, top, 190, 70);
        drawBox(p, unit, QStringLiteral("KT900"));
        drawBox(p, amp, QStringLiteral("AMP"));
        const QPointF input(150, top + 14), send(205, top + 14), ret(260, top + 14), out(318, top + 14);
        const QPointF ampIn(428, top + 14), fxSend(496, top + 14), fxRet(560, top + 14);
        drawSocket(p, input, QStringLiteral("INPUT"));
        drawSocket(p, send, QStringLiteral("SEND"));
        drawSocket(p, ret, QStringLiteral("RETURN"));
        drawSocket(p, out, QStringLiteral("OUTPUT"));
        drawSocket(p, ampIn, QStringLiteral("INPUT"));
        drawSocket(p, fxSend, QStringLiteral("FX SEND"));
        drawSocket(p, fxRet, QStringLiteral("FX RETURN"));

        drawCable(p, QPointF(56, 132), input, 70, kValue, 1);
        drawCable(p, send, ampIn, 62, QColor(0x86, 0xcb, 0xec), 2);
        drawCable(p, fxSend, ret, 96, QColor(0xf4, 0xa8, 0x5c), 3);
        drawCable(p, out, fxRet, 40, QColor(0xb8, 0xa4, 0xf2), 4);
    });

    // The two footswitches that move through the wizard from the unit.
    render(QStringLiteral("img/toneCapture/footswitches.png"), QSize(480, 132), [](QPainter &p) {
        const struct {
            qreal x;
            const char *name;
            const char *action;
        } switches[] = {{130, "BANK DOWN", "NEXT >>"}, {350, "BANK UP", "<< BACK"}};
        QLinearGradient g(0, 26, 0, 98);
        g.setColorAt(0.0, QColor(0x34, 0x34, 0x34));
        g.setColorAt(1.0, QColor(0x22, 0x22, 0x22));
        p.setBrush(g);
        p.setPen(QPen(QColor(0x52, 0x52, 0x52), 1.0));
        p.drawRoundedRect(QRectF(20, 26, 440, 72), 8, 8);
        for (const auto &s : switches) {
            const QPointF c(s.x, 62);
            p.save();
            p.translate(c);
            p.scale(2.2, 2.2);
            drawFootswitch(p, QPointF(0, 0), true);
            p.restore();
            p.setFont(font(13, true, 1.0));
            p.setPen(kText);
            p.drawText(QRectF(s.x - 100, 2, 200, 20), Qt::AlignCenter, QString::fromLatin1(s.name));
            p.setPen(kValue);
            p.drawText(QRectF(s.x - 100, 106, 200, 22), Qt::AlignCenter, QString::fromLatin1(s.action));
        }
    });
}

bool writeQrc(const QString &resourcesDir)
{
    QStringList files;
    const QStringList qss = {
        QStringLiteral("core.qss"),    QStringLiteral("title.qss"),
        QStringLiteral("presetList.qss"), QStringLiteral("chain.qss"),
        QStringLiteral("paraTop.qss"), QStringLiteral("paraSetting.qss"),
        QStringLiteral("loading.qss"), QStringLiteral("exp.qss"),
        QStringLiteral("setting.qss"), QStringLiteral("mymessagebox.qss"),
        QStringLiteral("toneCapture.qss"),
    };
    QString text;
    QTextStream out(&text);
    out << "<!-- Written by editor/resources/tools/imagegen.cpp: run it after adding images. -->\n";
    out << "<RCC>\n    <qresource prefix=\"/qss\">\n";
    for (const QString &f : qss)
        out << "        <file>qss/" << f << "</file>\n";
    out << "    </qresource>\n    <qresource prefix=\"/Fonts\">\n";
    out << "        <file>Fonts/Helvetica.ttf</file>\n";
    out << "        <file>Fonts/Helvetica-Bold.ttf</file>\n";
    out << "    </qresource>\n    <qresource prefix=\"/\">\n";
    QStringList images = g_written;
    images.sort();
    images.removeDuplicates();
    for (const QString &f : images)
        out << "        <file>" << f << "</file>\n";
    out << "    </qresource>\n</RCC>\n";
    out.flush();

    QSaveFile file(resourcesDir + QStringLiteral("/style.qrc"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <resources-dir>\n", argv[0]);
        return 2;
    }
    const QString dir = QFile::decodeName(argv[1]);
    g_outDir = dir;
    const int id = QFontDatabase::addApplicationFont(dir + QStringLiteral("/Fonts/Helvetica.ttf"));
    QFontDatabase::addApplicationFont(dir + QStringLiteral("/Fonts/Helvetica-Bold.ttf"));
    if (id < 0) {
        std::fprintf(stderr, "cannot load %s/Fonts/Helvetica.ttf\n", argv[1]);
        return 1;
    }
    g_family = QFontDatabase::applicationFontFamilies(id).value(0, g_family);

    chainImages();
    sliderHandles();
    arrows();
    titleGlyphs();
    popupGlyphs();
    topBarIcons();
    listIcons();
    switchImages();
    wordMarks();
    toneCaptureImages();

    if (!writeQrc(dir)) {
        std::fprintf(stderr, "cannot write style.qrc\n");
        return 1;
    }
    std::printf("%d images written\n", int(g_written.size()));
    return g_failures == 0 ? 0 : 1;
}
