#include "topbar.h"

#include "mappedbutton.h"
#include "devicestore.h"
#include "editorfields.h"
#include "kt900style.h"
#include "pagecodes.h"
#include "tipbox.h"
#include "unitlink.h"
#include "usbreceivethread.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QRegularExpressionValidator>
#include <QSignalMapper>
#include <QVBoxLayout>

using namespace Kt900;

namespace {

QWidget *editorRow(const char *objectName, const char *editName, const QString &labelText, QLabel **label,
                   QLineEdit **edit, int min, int max, QWidget *parent)
{
    auto *row = new QWidget(parent);
    row->setObjectName(QLatin1String(objectName));
    auto *box = new QHBoxLayout(row);
    box->setContentsMargins(3, 1, 0, 1);
    box->setSpacing(3);
    *label = new QLabel(labelText, row);
    *edit = new QLineEdit(QStringLiteral("50"), row);
    (*edit)->setObjectName(QLatin1String(editName));
    (*edit)->setValidator(new QIntValidator(min, max, *edit));
    (*edit)->setAlignment(Qt::AlignCenter);
    box->addWidget(*label);
    box->addWidget(*edit);
    return row;
}

} // namespace

ElidingLabel::ElidingLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
}

namespace {

// The same font with the letters a little closer together.
QFont tighter(const QFont &font)
{
    QFont f(font);
    f.setLetterSpacing(QFont::PercentageSpacing, 90);
    return f;
}

int widestLine(const QFontMetrics &fm, const QString &text)
{
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, fm.horizontalAdvance(line));
    return widest;
}

} // namespace

int ElidingLabel::fullWidth() const
{
    return widestLine(QFontMetrics(font()), text());
}

bool ElidingLabel::isElided() const
{
    return widestLine(QFontMetrics(tighter(font())), text()) > contentsRect().width();
}

QSize ElidingLabel::minimumSizeHint() const
{
    // Room for the pedal and module names; the parameter may be elided.
    const QSize full = QLabel::minimumSizeHint();
    const int margins = full.width() - fullWidth();
    return QSize(qMin(full.width(), QFontMetrics(font()).horizontalAdvance(QStringLiteral("EXP1:REVERB - ")) + margins),
                 full.height());
}

QSize ElidingLabel::sizeHint() const
{
    return QLabel::sizeHint();
}

void ElidingLabel::paintEvent(QPaintEvent *event)
{
    const QRect area = contentsRect();
    if (fullWidth() <= area.width()) {
        QLabel::paintEvent(event);
        return;
    }
    // Short of room: first closer letters, then an ellipsis.
    QPainter painter(this);
    const QFont font = tighter(this->font());
    painter.setFont(font);
    const QFontMetrics fm(font);
    QStringList lines;
    for (const QString &line : text().split(QLatin1Char('\n')))
        lines << fm.elidedText(line, Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                          lines.join(QLatin1Char('\n')), foregroundRole());
}

void ElidingLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateToolTip();
}

void ElidingLabel::updateToolTip()
{
    setToolTip(isElided() ? text() : QString());
}

TopBar::TopBar(UnitLink &link, QSignalMapper *mapper, QWidget *parent)
    : QWidget(parent)
    , m_link(link)
{
    setObjectName(QStringLiteral("paraTitle"));
    setMaximumHeight(kMaxHeight);
    setAttribute(Qt::WA_StyledBackground);
    auto *box = new QHBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("presetNameEdit"));
    m_name->setFixedWidth(kNameEditWidth);
    m_name->setMaxLength(EditorFields::kNameMaxLength);
    m_name->setValidator(new QRegularExpressionValidator(EditorFields::nameRule(), m_name));
    m_name->setContextMenuPolicy(Qt::NoContextMenu);
    box->addWidget(m_name);

    m_save = mappedButton("save", tr("Save the preset"), SaveId, mapper, this);
    box->addWidget(m_save);

    auto *column = new QWidget(this);
    column->setObjectName(QStringLiteral("volBpmColumn"));
    auto *columnBox = new QVBoxLayout(column);
    columnBox->setContentsMargins(3, 3, 3, 3);
    columnBox->setSpacing(2);
    columnBox->addWidget(editorRow("volWidget", "volEdit", tr("VOL"), &m_volumeLabel, &m_volume, 0, 100, column));
    columnBox->addWidget(editorRow("bpmWidget", "bpmEdit", tr("PRE.BPM"), &m_tempoLabel, &m_tempo, 40, 260, column));
    column->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    m_volBpmColumn = column;
    box->addWidget(column);
    box->addStretch();

    m_expVol = new QLabel(tr("EXP VOL"), this);
    m_expVol->setObjectName(QStringLiteral("expVol"));
    m_expVol->setProperty("open", false);
    box->addWidget(m_expVol);

    auto *cab = new QWidget(this);
    cab->setObjectName(QStringLiteral("cabWidget"));
    auto *cabBox = new QVBoxLayout(cab);
    cabBox->setContentsMargins(0, 0, 0, 0);
    cabBox->setSpacing(2);
    m_cabLeft = new QLabel(QStringLiteral("OUTPUT: ON"), cab);
    m_cabLeft->setObjectName(QStringLiteral("cabLR"));
    m_cabRight = new QLabel(QStringLiteral("XLROUT: ON"), cab);
    m_cabRight->setObjectName(QStringLiteral("cabLR"));
    cabBox->addStretch();
    cabBox->addWidget(m_cabLeft);
    cabBox->addWidget(m_cabRight);
    cabBox->addStretch();
    box->addWidget(cab);

    m_expInfo = new ElidingLabel(QStringLiteral("EXP1:FX A - *POSITION*\nEXP2:FX A - *POSITION*"), this);
    m_expInfo->setObjectName(QStringLiteral("expInfo"));
    box->addWidget(m_expInfo);

    m_exp = mappedButton("exp", tr("Expression pedals"), ExpId, mapper, this);
    m_tone = mappedButton("tone", tr("Tone capture"), ToneId, mapper, this);
    m_setting = mappedButton("setting", tr("Settings"), SettingId, mapper, this);
    box->addWidget(m_exp);
    box->addWidget(m_tone);
    box->addWidget(m_setting);

    connect(m_volume, &QLineEdit::editingFinished, this, &TopBar::volumeEdited);
    connect(m_tempo, &QLineEdit::editingFinished, this, &TopBar::tempoEdited);
    connect(m_name, &QLineEdit::textEdited, this, &TopBar::showTip);
    connect(m_name, &QLineEdit::editingFinished, this, &TopBar::hideTip);
    m_volume->installEventFilter(this);
    m_tempo->installEventFilter(this);
}

void TopBar::setTipBox(TipBox *tip)
{
    m_tip = tip;
    if (m_tip) {
        m_tip->setText(tr("Valid characters contain:\n  a-z A-Z 0-9 and Space"));
        m_tip->hide();
    }
}

void TopBar::showTip()
{
    if (!m_tip || m_tip->isVisible())
        return;
    QWidget *host = m_tip->parentWidget();
    const QPoint at = host ? m_name->mapTo(host, QPoint(0, 0)) : m_name->pos();
    m_tip->move(at + QPoint(15, m_name->height() - 10));
    m_tip->raise();
    m_tip->show();
}

void TopBar::hideTip()
{
    if (m_tip)
        m_tip->hide();
}

void TopBar::setPresetName(const QString &name)
{
    m_name->setText(name.trimmed());
}

QString TopBar::presetName() const
{
    return m_name->text();
}

void TopBar::refreshVolumeAndTempo()
{
    const DeviceStore &store = m_link.store();
    m_volume->setText(QString::number(store.presetVolume()));
    m_tempo->setText(QString::number(store.effectiveTempoBpm()));
    m_tempoLabel->setText(store.systemSetting(7) != 0 ? tr("GLB.BPM") : tr("PRE.BPM"));
}

void TopBar::setExpVolOpen(bool open)
{
    Kt900Style::setStyleProperty(m_expVol, "open", open);
}

void TopBar::setCabLabels(const QString &left, const QString &right)
{
    setCabLeftText(left);
    setCabRightText(right);
}

void TopBar::setCabLeftText(const QString &text)
{
    m_cabLeft->setText(text);
}

void TopBar::setCabRightText(const QString &text)
{
    m_cabRight->setText(text);
}

void TopBar::setExpInfo(const QString &text)
{
    m_expInfo->setText(text);
    m_expInfo->setToolTip(m_expInfo->isElided() ? text : QString());
    m_expInfo->update();
}

void TopBar::volumeEdited()
{
    bool ok = false;
    const int volume = m_volume->text().toInt(&ok);
    DeviceStore &store = m_link.store();
    if (!ok || volume < 0 || volume > 100 || volume == store.presetVolume())
        return;
    store.editBufferEdit().setVolume(volume);
    store.setModified(true);
    if (usbReceiveThread *unit = m_link.sender()) {
        unit->sendCurrentUi(PageCodes::kPresetPage);
        unit->sendGlobalBpm();
    }
    emit volumeChanged(volume);
}

void TopBar::tempoEdited()
{
    bool ok = false;
    const int bpm = m_tempo->text().toInt(&ok);
    DeviceStore &store = m_link.store();
    if (!ok || bpm == store.effectiveTempoBpm())
        return;
    const bool global = store.systemSetting(7) != 0;
    if (!store.setControl(2, bpm))
        return;
    if (!global)
        store.setModified(true);
    if (usbReceiveThread *unit = m_link.sender()) {
        unit->sendCurrentUi(PageCodes::kPresetPage);
        unit->sendGlobalBpm();
    }
    emit tempoChanged(bpm);
}

void TopBar::showEvent(QShowEvent *event)
{
    // The column takes what its two rows need, the rest goes to the labels.
    m_volBpmColumn->setMaximumWidth(m_volBpmColumn->minimumSizeHint().width());
    QWidget::showEvent(event);
}

bool TopBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        const DeviceStore &store = m_link.store();
        if (watched == m_volume && !m_volume->hasAcceptableInput())
            m_volume->setText(QString::number(store.presetVolume()));
        else if (watched == m_tempo && !m_tempo->hasAcceptableInput())
            m_tempo->setText(QString::number(store.effectiveTempoBpm()));
    }
    return QWidget::eventFilter(watched, event);
}
