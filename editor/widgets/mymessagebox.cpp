#include "mymessagebox.h"

#include "mycombobox.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

int MyMessageBox::showMessage(const QString &title, const QString &text, QWidget *parent,
                              int buttons, int milliseconds)
{
    auto *box = new MyMessageBox(title, text, parent, buttons, milliseconds);
    return box->exec(); // deletes itself on close
}

int MyMessageBox::showComboBox(const QString &title, const QStringList &entries, int *index,
                               QWidget *parent, int buttons, int milliseconds)
{
    auto *box = new MyMessageBox(title, entries, index, parent, buttons, milliseconds);
    return box->exec();
}

MyMessageBox::MyMessageBox(const QString &title, const QString &text, QWidget *parent, int buttons,
                           int milliseconds)
    : QDialog(parent)
{
    buildFrame(title);
    m_text = text;
    m_info = new QLabel(displayText(text), this);
    m_info->setObjectName(QStringLiteral("messageBoxInfoLabel"));
    m_info->setAlignment(Qt::AlignCenter);
    m_info->setWordWrap(true);
    m_body->addWidget(m_info, 1);
    addButtons(buttons, milliseconds);
}

MyMessageBox::MyMessageBox(const QString &title, const QStringList &entries, int *index,
                           QWidget *parent, int buttons, int milliseconds)
    : QDialog(parent)
{
    buildFrame(title);
    m_combo = new MyComboBox(this);
    m_combo->setObjectName(QStringLiteral("messageBoxComboBox"));
    m_combo->addItems(entries);
    auto *comboRow = new QHBoxLayout;
    comboRow->setContentsMargins(0, 0, 0, 0);
    comboRow->addStretch();
    comboRow->addWidget(m_combo);
    comboRow->addStretch();
    m_body->addStretch(1);
    m_body->addLayout(comboRow);
    m_body->addStretch(1);
    if (index) {
        *index = m_combo->currentIndex();
        connect(m_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                [index](int i) { *index = i; });
    }
    addButtons(buttons, milliseconds);
}

QString MyMessageBox::displayText(const QString &text)
{
    QString t = text;
    t.remove(QLatin1Char('\r'));
    QStringList lines = t.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.trimmed();
    return lines.join(QLatin1Char('\n'));
}

void MyMessageBox::buildFrame(const QString &title)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::Dialog);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kWidth, kHeight);
    setObjectName(QStringLiteral("messageBoxDialog"));
    setWindowTitle(title);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("messageBoxFrame"));
    outer->addWidget(frame);

    m_body = new QVBoxLayout(frame);
    m_body->setSpacing(0);
    m_body->setContentsMargins(24, 0, 24, 20);

    m_title = new QLabel(title, frame);
    m_title->setObjectName(QStringLiteral("messageBoxTitleLabel"));
    m_title->setAlignment(Qt::AlignCenter);
    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 25, 0, 0);
    titleRow->addWidget(m_title);
    m_body->addLayout(titleRow);

    m_buttonRow = new QHBoxLayout;
    m_buttonRow->setContentsMargins(0, 0, 0, 0);
}

void MyMessageBox::addButton(const QString &text, int code)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(QStringLiteral("messageBoxButton"));
    b->setAutoDefault(false);
    b->setDefault(false);
    connect(b, &QPushButton::clicked, this, [this, code] { done(code); });
    m_buttonRow->addWidget(b);
    m_buttonRow->addStretch();
    m_buttons << b;
}

void MyMessageBox::addButtons(int buttons, int milliseconds)
{
    m_buttonRow->addStretch();
    switch (buttons) {
    case NoButton:
        m_autoCloseMs = qMax(0, milliseconds);
        QTimer::singleShot(m_autoCloseMs, this, [this] { done(Closed); });
        break;
    case Ok:
        addButton(tr("Ok"), OkCode);
        break;
    case Yes:
        addButton(tr("YES"), YesCode);
        break;
    case No:
        addButton(tr("NO"), NoCode);
        break;
    case YesNo:
        addButton(tr("YES"), YesCode);
        addButton(tr("NO"), NoCode);
        break;
    case SaveAsReplace:
        addButton(tr("Save as"), SaveAsCode);
        addButton(tr("Replace"), ReplaceCode);
        break;
    default:
        break;
    }
    m_body->addLayout(m_buttonRow);
}
