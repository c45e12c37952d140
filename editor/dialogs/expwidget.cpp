#include "expwidget.h"

#include "kt900style.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalMapper>
#include <QVBoxLayout>

namespace {

constexpr int kColumns = 5;

QPushButton *choiceButton(const QString &text, int width, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("expButton"));
    button->setFixedWidth(width);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setProperty("isSelected", false);
    return button;
}

} // namespace

ExpWidget::ExpWidget(const QString &title, const QStringList &modules, const QList<QStringList> &params,
                     QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_modules(modules)
    , m_params(params)
{
    auto *box = new QVBoxLayout(this);
    box->setSpacing(0);
    box->setContentsMargins(0, 0, 0, 0);
    box->addStretch(1);

    auto *moduleWidget = new QWidget(this);
    moduleWidget->setObjectName(QStringLiteral("moduleWidget"));
    moduleWidget->setFixedHeight(60);
    auto *moduleGrid = new QGridLayout(moduleWidget);
    moduleGrid->setContentsMargins(0, 0, 0, 0);
    moduleGrid->setHorizontalSpacing(5);
    moduleGrid->setVerticalSpacing(5);
    m_moduleMapper = new QSignalMapper(this);
    for (int i = 0; i < m_modules.size(); ++i) {
        QPushButton *button = choiceButton(m_modules.at(i), 85, moduleWidget);
        moduleGrid->addWidget(button, i / kColumns, i % kColumns + 1);
        m_moduleMapper->setMapping(button, i);
        connect(button, &QPushButton::clicked, m_moduleMapper, qOverload<>(&QSignalMapper::map));
        m_moduleButtons << button;
    }
    // The empty column 0 and a last column share the spare width, so the
    // buttons sit in the middle.
    moduleGrid->setColumnStretch(0, 1);
    moduleGrid->setColumnStretch(kColumns + 1, 1);
    connect(m_moduleMapper, &QSignalMapper::mappedInt, this, &ExpWidget::moduleButtonClick);
    box->addWidget(moduleWidget);

    auto *line = new QLabel(this);
    line->setObjectName(QStringLiteral("expLine"));
    line->setFixedHeight(2);
    box->addWidget(line);

    auto *paramWidget = new QWidget(this);
    paramWidget->setObjectName(QStringLiteral("paramWidget"));
    paramWidget->setFixedHeight(110);
    auto *paramRow = new QHBoxLayout(paramWidget);
    paramRow->setContentsMargins(0, 8, 0, 0);
    paramRow->addStretch();
    m_paramGrid = new QGridLayout;
    m_paramGrid->setHorizontalSpacing(5);
    m_paramGrid->setVerticalSpacing(5);
    m_paramGrid->setAlignment(Qt::AlignTop);
    paramRow->addLayout(m_paramGrid);
    paramRow->addStretch();
    m_paramMapper = new QSignalMapper(this);
    box->addWidget(paramWidget);
    box->addStretch(2);
}

QStringList ExpWidget::currentParamNames() const
{
    return m_params.value(m_currentModule < 0 ? 0 : m_currentModule);
}

void ExpWidget::moduleButtonClick(int id)
{
    if (id == m_currentModule)
        return;
    setCurrentModule(id);
    if (m_currentModule == id)
        emit valueChanged(0, m_currentModule);
}

void ExpWidget::moduleChilderButtonClick(int id)
{
    if (id == m_currentParam)
        return;
    setCurrentParam(id);
    if (m_currentParam == id)
        emit valueChanged(1, m_currentParam);
}

void ExpWidget::setCurrentModule(int i)
{
    if (i < 0 || i >= m_modules.size() || i == m_currentModule)
        return;
    if (m_currentModule >= 0)
        Kt900Style::setStyleProperty(m_moduleButtons.at(m_currentModule), "isSelected", false);
    Kt900Style::setStyleProperty(m_moduleButtons.at(i), "isSelected", true);
    m_currentModule = i;
    rebuildParamButtons();
    emit controlStrChanged(controlString());
}

void ExpWidget::setCurrentParam(int i)
{
    if (i < 0 || i >= m_paramButtons.size() || i == m_currentParam)
        return;
    if (m_currentParam >= 0 && m_currentParam < m_paramButtons.size())
        Kt900Style::setStyleProperty(m_paramButtons.at(m_currentParam), "isSelected", false);
    Kt900Style::setStyleProperty(m_paramButtons.at(i), "isSelected", true);
    m_currentParam = i;
    emit controlStrChanged(controlString());
}

QString ExpWidget::controlString() const
{
    const int module = m_currentModule < 0 ? 0 : m_currentModule;
    return QStringLiteral("%1:%2 - %3")
        .arg(m_title, m_modules.value(module), currentParamNames().value(m_currentParam));
}

void ExpWidget::rebuildParamButtons()
{
    // Only parameter buttons go here, and they are rebuilt from a module
    // button's click, so none of them is on the stack.
    qDeleteAll(m_paramButtons);
    m_paramButtons.clear();
    QWidget *holder = m_paramGrid->parentWidget();
    const QStringList names = currentParamNames();
    for (int j = 0; j < names.size(); ++j) {
        QPushButton *button = choiceButton(names.at(j), 100, holder);
        button->setProperty("isSelected", j == 0);
        m_paramGrid->addWidget(button, j / kColumns, j % kColumns);
        m_paramMapper->setMapping(button, j);
        connect(button, &QPushButton::clicked, m_paramMapper, qOverload<>(&QSignalMapper::map));
        m_paramButtons << button;
    }
    connect(m_paramMapper, &QSignalMapper::mappedInt, this, &ExpWidget::moduleChilderButtonClick,
            Qt::UniqueConnection);
    m_currentParam = 0;
}
