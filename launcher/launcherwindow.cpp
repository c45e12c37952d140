#include "launcherwindow.h"

#include "logging.h"
#include "skin.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>

// ---------------------------------------------------------------- StatusEvent

QEvent::Type StatusEvent::eventType()
{
    static const QEvent::Type type =
        static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 0x408));
    return type;
}

StatusEvent *StatusEvent::create(int code, int value)
{
    std::lock_guard<std::mutex> lock(handoffMutex());
    return new StatusEvent(code, value);
}

std::mutex &StatusEvent::handoffMutex()
{
    static std::mutex m;
    return m;
}

StatusEvent::StatusEvent(int code, int value)
    : QEvent(eventType())
    , m_code(code)
    , m_value(value)
{
}

// ------------------------------------------------------------- LauncherWindow

LauncherWindow::LauncherWindow(UnitTransport &transport, UpdateSession::Config config,
                               const QString &imageDir, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_transport(transport)
    , m_config(std::move(config))
{
    setWindowTitle(tr("Update"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    for (int n = 0; n < 4; ++n) {
        m_images[n] = Skin::load(imageDir, n);
        if (m_images[n].isNull())
            qCWarning(lcLauncher) << "skin image" << Skin::fileName(n) << "unusable";
    }
    // The window has the background's size.
    setFixedSize(m_images[0].size());

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setGeometry(WindowModel::progressBarRect());
    m_progress->setRange(WindowModel::kProgressMin, WindowModel::kProgressMax);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setStyleSheet(Skin::progressBarStyle());
    // Presses on the bar move the window like anywhere else on it.
    m_progress->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_repaint = new QTimer(this);
    m_repaint->setInterval(20);
    connect(m_repaint, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_repaint->start();
}

LauncherWindow::~LauncherWindow()
{
    finish();
}

QFont LauncherWindow::textFont()
{
    // "Arial", cell height 24, average width 12, weight 800.
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(21); // an em of 21 px gives Arial's 24 px cell
    f.setWeight(QFont::ExtraBold);
    const int average = QFontMetrics(f).averageCharWidth();
    if (average > 0)
        f.setStretch(qBound(50, 1200 / average, 200));
    return f;
}

void LauncherWindow::showEvent(QShowEvent *e)
{
    if (!m_placed) {
        m_placed = true;
        move(600, 350);
    }
    QWidget::showEvent(e);
}

void LauncherWindow::customEvent(QEvent *e)
{
    int code = 0;
    int value = 0;
    {
        std::lock_guard<std::mutex> lock(StatusEvent::handoffMutex());
        if (e->type() != StatusEvent::eventType())
            return;
        const auto *s = static_cast<const StatusEvent *>(e);
        code = s->code();
        value = s->value();
    }
    const int bar = m_model.statusMessage(code, value);
    if (bar >= 0)
        m_progress->setValue(bar);
    update();
}

void LauncherWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = textFont();
    const QFontMetrics fm(font);
    for (const WindowModel::PaintOp &op : m_model.paintList()) {
        if (op.kind == WindowModel::PaintOp::DrawImage) {
            p.drawImage(op.pos, m_images[op.image]);
        } else {
            p.setFont(font);
            p.setPen(Qt::black);
            const int w = fm.horizontalAdvance(op.text);
            p.drawText(op.pos.x() - w / 2, op.pos.y() + fm.ascent(), op.text);
        }
    }
}

void LauncherWindow::mouseMoveEvent(QMouseEvent *e)
{
    if (m_dragging && (e->buttons() & Qt::LeftButton))
        move(e->globalPos() - m_dragOffset);
    m_model.mouseMove(e->pos());
}

void LauncherWindow::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    // The whole window is its caption: a press starts moving it...
    m_dragging = true;
    m_dragOffset = e->globalPos() - frameGeometry().topLeft();
    // ...and then counts as a click where it landed.
    switch (m_model.leftButtonDown(e->pos())) {
    case WindowModel::Click::StartUpdate:
        startUpdate();
        break;
    case WindowModel::Click::Close:
        m_dragging = false;
        close();
        break;
    case WindowModel::Click::Nothing:
        break;
    }
    update();
}

void LauncherWindow::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(e);
}

void LauncherWindow::closeEvent(QCloseEvent *e)
{
    if (!m_model.mayClose()) {
        // Closing now would leave the unit half-written.
        e->ignore();
        return;
    }
    finish();
    e->accept();
}

void LauncherWindow::startUpdate()
{
    if (m_session)
        return;
    ++m_sessionsStarted;
    m_session = std::make_unique<UpdateSession>(m_transport, m_config, [this](int code, int value) {
        QCoreApplication::postEvent(this, StatusEvent::create(code, value));
    });
    m_session->start();
}

void LauncherWindow::finish()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_repaint->stop();
    if (m_session)
        m_session->shutdown();
    m_transport.closeDevice();
}
