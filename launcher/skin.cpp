#include "skin.h"

#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace Skin {

namespace {

QFont uiFont(int pixelSize, int weight)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

void roundedRect(QPainter &p, const QRectF &r, qreal radius, const QColor &fill,
                 const QColor &border = QColor())
{
    p.setPen(border.isValid() ? QPen(border, 1.0) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// The close glyph: a cross of 1.5 px strokes centred in a 12 x 14 box at x, y.
void closeGlyph(QPainter &p, qreal x, qreal y, const QColor &colour)
{
    QPen pen(colour, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const QPointF c(x + 6.0, y + 7.0);
    const qreal h = 3.5;
    p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
    p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
}

void buttonFace(QPainter &p, const QRectF &r, const QColor &fill, const QColor &border,
                const QColor &text)
{
    roundedRect(p, r.adjusted(0.5, 0.5, -0.5, -0.5), 4.0, fill, border);
    p.setPen(text);
    QFont f = uiFont(12, QFont::Bold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, QStringLiteral("UPDATE"));
}

QImage transparentImage(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

} // namespace

QImage background()
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(kWindowGround);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Panel inside a one-pixel black border, with a raised title strip.
    roundedRect(p, QRectF(1, 1, kWidth - 2, kHeight - 2), 8.0, kPanel);
    {
        QPainterPath strip;
        strip.addRoundedRect(QRectF(1, 1, kWidth - 2, 40), 8.0, 8.0);
        QPainterPath cut;
        cut.addRect(QRectF(1, 19, kWidth - 2, 30));
        p.fillPath(strip.subtracted(cut), kRaised);
    }
    p.setPen(kTextSecondary);
    p.setFont(uiFont(11, QFont::Bold));
    p.drawText(QRectF(12, 1, 300, 18), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("TOVAK STUDIO FOR KT900"));
    closeGlyph(p, 385, 2, kTextDisabled);

    // Heading above the progress bar.
    p.setPen(kTextPrimary);
    p.setFont(uiFont(14, QFont::Bold));
    p.drawText(QRectF(32, 30, 240, 26), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("FIRMWARE UPDATE"));
    p.setPen(kTextSecondary);
    p.setFont(uiFont(12, QFont::Normal));
    p.drawText(QRectF(200, 30, 169, 26), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("KT900 loader mode"));

    // Trough under the progress bar (32, 64, 337 x 40).
    roundedRect(p, QRectF(32, 64, 337, 40), 4.0, kTrack);

    // Status display: dark text on a lit strip, read from across the room.
    roundedRect(p, QRectF(32, 110, 337, 36), 4.0, kValue);

    // The update button as it waits for the first click (160..241 x 153..179).
    buttonFace(p, QRectF(160, 153, 82, 27), kRaised, kValue, kValue);
    return img;
}

QImage button()
{
    QImage img = transparentImage(82, 27);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    buttonFace(p, QRectF(0, 0, 82, 27), kRaised, kTrack, kTextDisabled);
    return img;
}

QImage buttonPressed()
{
    // Drawn one pixel right and down of the button: one pixel smaller so it
    // stays inside the button's region.
    QImage img = transparentImage(81, 26);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    buttonFace(p, QRectF(0, 0, 81, 26), kValue, kValue.darker(140), kPanel);
    // Inner shadow along the top and left edge: the face sits lower.
    QPen shade(QColor(0, 0, 0, 90), 1.0);
    p.setPen(shade);
    p.drawLine(QPointF(4, 1.5), QPointF(77, 1.5));
    p.drawLine(QPointF(1.5, 4), QPointF(1.5, 22));
    return img;
}

QImage closeHighlight()
{
    QImage img = transparentImage(12, 14);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    roundedRect(p, QRectF(0, 0, 12, 14), 3.0, kTrack);
    closeGlyph(p, 0, 0, kTextPrimary);
    return img;
}

QString fileName(int n)
{
    return n == 0 ? QStringLiteral("0.jpg") : QStringLiteral("%1.png").arg(n);
}

QImage load(const QString &dir, int n)
{
    QImage img(QDir(dir).filePath(fileName(n)));
    if (!img.isNull())
        return img;
    switch (n) {
    case 0: return background();
    case 1: return button();
    case 2: return buttonPressed();
    case 3: return closeHighlight();
    default: return QImage();
    }
}

QString progressBarStyle()
{
    return QStringLiteral(
               "QProgressBar { background: %1; border: 1px solid %2; border-radius: 4px; }"
               "QProgressBar::chunk { background: %3; border-radius: 3px; margin: 3px; }")
        .arg(kTrack.name(), kWindowGround.name(), kValue.name());
}

} // namespace Skin
