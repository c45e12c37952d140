#include "customgroupbutton.h"

#include "kt900style.h"
#include "parawidgetbase.h"

#include <QColor>
#include <QEvent>
#include <QFontMetrics>

#include <climits>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>

namespace {
const char *const kButtonStyle = "QPushButton { border-radius: 3px;border: none; background-color: %1;}";

QString dimmed(const QString &color, const QString &ground)
{
    // Disabled looks keep about 40 % of their contrast against the ground.
    const QColor a(color);
    const QColor b(ground);
    if (!a.isValid() || !b.isValid())
        return color;
    auto mix = [](int x, int y) { return qRound(y + (x - y) * 0.4); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue())).name();
}
} // namespace

CustomGroupButton::CustomGroupButton(QWidget *parent)
    : CustomGroupButton(QStringList(), parent)
{
}

CustomGroupButton::CustomGroupButton(const QStringList &labels, QWidget *parent)
    : QWidget(parent)
    , m_backgroundColor(QString::fromLatin1(ParaWidgetBase::kDefaultBackgroundColor))
    , m_valueColor(QString::fromLatin1(ParaWidgetBase::kDefaultValueColor))
{
    setObjectName(QStringLiteral("groupButtonWidget"));
    setAttribute(Qt::WA_StyledBackground, true);
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
    setButtons(labels);
}

void CustomGroupButton::setButtons(const QStringList &labels)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_selected = -1;
    m_compact = false;
    m_buttonCount = quint8(qMin(255, int(labels.size())));
    m_labels = labels.mid(0, m_buttonCount);
    for (int i = 0; i < m_buttonCount; ++i) {
        auto *b = new QPushButton(labels.at(i), this);
        b->setObjectName(QStringLiteral("groupButton"));
        b->setFocusPolicy(Qt::NoFocus);
        // Equal widths whatever the labels, so the pressed index follows
        // the position on the row.
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        b->setMinimumWidth(1);
        b->setToolTip(labels.at(i));
        b->setProperty("isSelected", false);
        b->setProperty("compact", false);
        b->installEventFilter(this);
        m_layout->addWidget(b, 1);
        m_buttons << b;
        styleButton(i, false);
    }
    if (m_buttonCount > 0)
        buttonClick(0);
}

QPushButton *CustomGroupButton::button(int index) const
{
    return (index >= 0 && index < m_buttons.size()) ? m_buttons.at(index) : nullptr;
}

QString CustomGroupButton::effectiveColor(bool selected) const
{
    const QString color = selected ? m_valueColor : m_backgroundColor;
    if (isEnabled())
        return color;
    return dimmed(color, QStringLiteral("#262626"));
}

void CustomGroupButton::styleButton(int index, bool selected)
{
    QPushButton *b = button(index);
    if (!b)
        return;
    const QString color = effectiveColor(selected);
    // Text on the fill: dark on a light colour, light on a dark one (the value
    // colour is the user's choice).
    const QColor c(color);
    const bool darkFill = c.isValid() && (0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF()) < 0.5;
    b->setProperty("darkFill", darkFill);
    b->setProperty("isSelected", selected);
    // Setting the sheet re-polishes, so the properties above take effect.
    const QString sheet = QString::fromLatin1(kButtonStyle).arg(color);
    if (b->styleSheet() != sheet)
        b->setStyleSheet(sheet);
    else
        Kt900Style::repolish(b);
}

void CustomGroupButton::setColor(const QString &backgroundColor, const QString &valueColor)
{
    m_backgroundColor = backgroundColor;
    m_valueColor = valueColor;
    for (int i = 0; i < m_buttons.size(); ++i)
        styleButton(i, i == m_selected);
}

int CustomGroupButton::indexAt(int x) const
{
    if (m_buttonCount == 0)
        return -1;
    const int w = width();
    if (w <= 0)
        return 0;
    // index = x / (width / count), computed without the integer division
    // that would reach past the last button on narrow rows.
    const int index = int((qint64(qMax(0, x)) * m_buttonCount) / w);
    return qBound(0, index, m_buttonCount - 1);
}

void CustomGroupButton::setValue(int value)
{
    buttonClick(value);
}

void CustomGroupButton::buttonClick(int id)
{
    if (id < 0 || id >= m_buttons.size() || id == m_selected)
        return;
    if (m_selected >= 0)
        styleButton(m_selected, false);
    styleButton(id, true);
    m_selected = id;
    emit valueChanged(id);
}

void CustomGroupButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        buttonClick(indexAt(event->pos().x()));
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CustomGroupButton::fitText(QPushButton *button)
{
    const int i = m_buttons.indexOf(button);
    if (i < 0 || i >= m_labels.size())
        return;
    const QString full = m_labels.at(i);
    const int room = button->width() - 4;
    const QString shown = button->fontMetrics().horizontalAdvance(full) <= room
                              ? full
                              : button->fontMetrics().elidedText(full, Qt::ElideRight, qMax(0, room));
    if (button->text() != shown)
        button->setText(shown);
}

void CustomGroupButton::updateCompact()
{
    if (m_buttons.isEmpty())
        return;
    if (!m_compact)
        m_regularFont = m_buttons.first()->font();
    const QFontMetrics fm(m_regularFont);
    int room = INT_MAX;
    for (QPushButton *b : qAsConst(m_buttons))
        room = qMin(room, b->width() - 4);
    bool need = false;
    for (const QString &label : qAsConst(m_labels))
        need = need || fm.horizontalAdvance(label) > room;
    if (need == m_compact)
        return;
    m_compact = need;
    for (QPushButton *b : qAsConst(m_buttons)) {
        b->setProperty("compact", need);
        Kt900Style::repolish(b);
    }
}

bool CustomGroupButton::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::FontChange:
    case QEvent::Polish:
        if (auto *b = qobject_cast<QPushButton *>(watched)) {
            updateCompact();
            fitText(b);
        }
        break;
    default:
        break;
    }
    // A press on one of the buttons counts as a press on the row, so the
    // index comes from the same rule wherever the pointer is.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto *b = qobject_cast<QPushButton *>(watched);
        auto *me = static_cast<QMouseEvent *>(event);
        if (b && me->button() == Qt::LeftButton && isEnabled()) {
            buttonClick(indexAt(b->mapTo(this, me->pos()).x()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CustomGroupButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        for (int i = 0; i < m_buttons.size(); ++i)
            styleButton(i, i == m_selected);
    }
    QWidget::changeEvent(event);
}
