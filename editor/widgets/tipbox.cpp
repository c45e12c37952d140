#include "tipbox.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

TipBox::TipBox(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("tipBox"));
    setFixedSize(kWidth, kHeight);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("tipBoxLabel"));
    m_label->setGeometry(1, 16, kWidth - 2, kHeight - 16);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
}

void TipBox::setText(const QString &text)
{
    m_label->setText(text);
}

QString TipBox::text() const
{
    return m_label->text();
}

void TipBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    // Balloon body below a pointer at the top-left, drawn as one outline so
    // the border runs round the pointer without a seam.
    const QRectF body(0.5, 10.5, width() - 1.0, height() - 11.0);
    const qreal r = 8.0;
    const qreal px = 22.0; // pointer tip x
    QPainterPath path;
    path.moveTo(body.left() + r, body.top());
    path.lineTo(px - 8.0, body.top());
    path.lineTo(px, 1.0);
    path.lineTo(px + 8.0, body.top());
    path.lineTo(body.right() - r, body.top());
    path.arcTo(QRectF(body.right() - 2 * r, body.top(), 2 * r, 2 * r), 90, -90);
    path.lineTo(body.right(), body.bottom() - r);
    path.arcTo(QRectF(body.right() - 2 * r, body.bottom() - 2 * r, 2 * r, 2 * r), 0, -90);
    path.lineTo(body.left() + r, body.bottom());
    path.arcTo(QRectF(body.left(), body.bottom() - 2 * r, 2 * r, 2 * r), 270, -90);
    path.lineTo(body.left(), body.top() + r);
    path.arcTo(QRectF(body.left(), body.top(), 2 * r, 2 * r), 180, -90);
    path.closeSubpath();

    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0.0, QColor(0x3a, 0x3a, 0x3a));
    g.setColorAt(1.0, QColor(0x22, 0x22, 0x22));
    p.fillPath(path, g);
    p.setPen(QPen(QColor(0xc0, 0xd2, 0x3c), 1.0));
    p.drawPath(path);
}
