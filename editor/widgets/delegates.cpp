#include "delegates.h"

#include "mycombobox.h"

#include <QValidator>
#include <QLineEdit>

NoFocusDelegate::NoFocusDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void NoFocusDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    opt.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, opt, index);
}

ComboBoxDelegate::ComboBoxDelegate(const QStringList &items, QObject *parent)
    : QItemDelegate(parent)
    , m_items(items)
{
}

QWidget *ComboBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &) const
{
    auto *combo = new MyComboBox(parent);
    combo->setObjectName(QStringLiteral("delegateComboBox"));
    combo->addItems(m_items);
    combo->setMaxVisibleItems(12);
    return combo;
}

void ComboBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo)
        return;
    const int i = combo->findText(index.data(Qt::EditRole).toString());
    if (i >= 0)
        combo->setCurrentIndex(i);
}

void ComboBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo || combo->currentIndex() < 0)
        return;
    if (model->data(index, Qt::EditRole).toString() != combo->currentText())
        model->setData(index, combo->currentText(), Qt::EditRole);
}

void ComboBoxDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

namespace {
// Digits only; a number above the top is refused as it is typed (the
// standard integer validator lets it through as "intermediate").
class RangeValidator : public QValidator
{
public:
    RangeValidator(int min, int max, QObject *parent)
        : QValidator(parent)
        , m_min(min)
        , m_max(max)
    {
    }

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Intermediate;
        for (const QChar c : qAsConst(input))
            if (!c.isDigit() || c.unicode() > '9')
                return Invalid;
        if (input.size() > 10)
            return Invalid;
        const qint64 v = input.toLongLong();
        if (v > m_max)
            return Invalid;
        return v >= m_min ? Acceptable : Intermediate;
    }

private:
    int m_min;
    int m_max;
};
} // namespace

LineEditDelegate::LineEditDelegate(int min, int max, QObject *parent)
    : QItemDelegate(parent)
    , m_min(qMin(min, max))
    , m_max(qMax(min, max))
{
}

QWidget *LineEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &) const
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("delegateLineEdit"));
    edit->setAlignment(Qt::AlignCenter);
    edit->setValidator(new RangeValidator(m_min, m_max, edit));
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    return edit;
}

void LineEditDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        edit->setText(index.data(Qt::EditRole).toString());
}

void LineEditDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit)
        return;
    // Only a complete number inside the range is written; an empty or
    // partial entry leaves the cell as it was.
    if (!edit->hasAcceptableInput())
        return;
    const QString text = QString::number(edit->text().toInt());
    if (model->data(index, Qt::EditRole).toString() != text)
        model->setData(index, text, Qt::EditRole);
}

void LineEditDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}
