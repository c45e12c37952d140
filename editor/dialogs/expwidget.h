#pragma once

// ExpWidget: one expression pedal's page of the pedal pop-up. A row of module
// buttons (the pedal's own module list) above a grid of the chosen module's
// parameter buttons. The user's choice leaves as valueChanged(0, module) or
// valueChanged(1, parameter); every change of the selection also reports
// the pedal's one-line text ("EXP1:DELAY - TIME A") with controlStrChanged.

#include <QList>
#include <QStringList>
#include <QWidget>

class QGridLayout;
class QPushButton;
class QSignalMapper;

class ExpWidget : public QWidget
{
    Q_OBJECT

public:
    ExpWidget(const QString &title, const QStringList &modules, const QList<QStringList> &params,
              QWidget *parent = nullptr);

    // Selects a module (rebuilding the parameter buttons, parameter 0
    // selected) or a parameter of the current module. Out-of-range indexes
    // and the current selection are ignored. Both report the new text but
    // never valueChanged.
    void setCurrentModule(int i);
    void setCurrentParam(int i);
    // "<title>:<module> - <parameter>"; module 0 while none is chosen.
    QString controlString() const;

    QString title() const { return m_title; }
    int currentModule() const { return m_currentModule; }
    int currentParam() const { return m_currentParam; }
    QList<QPushButton *> moduleButtons() const { return m_moduleButtons; }
    QList<QPushButton *> paramButtons() const { return m_paramButtons; }

signals:
    void valueChanged(int index, int value);
    void controlStrChanged(QString str);

public slots:
    void moduleButtonClick(int id);
    void moduleChilderButtonClick(int id);

private:
    void rebuildParamButtons();
    QStringList currentParamNames() const;

    QString m_title;
    int m_currentModule = -1;
    int m_currentParam = 0;
    QGridLayout *m_paramGrid = nullptr;
    QSignalMapper *m_moduleMapper = nullptr;
    QSignalMapper *m_paramMapper = nullptr;
    QStringList m_modules;
    QList<QStringList> m_params;
    QList<QPushButton *> m_moduleButtons;
    QList<QPushButton *> m_paramButtons;
};
