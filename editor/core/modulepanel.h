#pragma once

// The module panel: the selected module's name and on/off switch above the
// list of its types (models), and the list of the selected type's parameter
// rows. Every edit goes into the edit buffer of the device model:
//
//   - a parameter row's new raw value (through the value model, which keeps
//     tempo-synced delay times consistent), sent as the module's whole block
//     after the 100 ms coalescing window of the module-parameter kind;
//   - a type change (the type's default values are loaded), sent after the
//     window of the module-type kind;
//   - the switch, sent at once.
//
// Every module edited within a window is sent when it closes, also when the
// user has moved on to another module in the meantime.

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QSet>
#include <QSplitter>
#include <QStringList>

#include "sendcoalescer.h"

class ParaWidgetBase;
class QLabel;
class QListWidget;
class QRadioButton;
class UnitLink;
struct ParaInfo;

class ModulePanel : public QSplitter
{
    Q_OBJECT

public:
    static constexpr int kRowHeight = 60;
    static constexpr int kToneCapModule = 11;

    ModulePanel(UnitLink &link, SendCoalescer &coalescer, QWidget *parent = nullptr);
    ~ModulePanel() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // -1 before the first module is shown.
    int currentModule() const { return m_module; }
    // The type whose rows are shown (-1 when none).
    int currentType() const { return m_type; }
    // The type the model holds for a module (0 for the FX LOOP, which has one).
    int modelType(int module) const;

    // Per-module colours of the parameter rows (value part, background).
    void setColors(const QStringList &valueColors, const QStringList &backgroundColors);
    // The settings dialog changed the parameter colour: restyles the shown rows.
    void setParaColor(const QString &backgroundColor, const QString &valueColor);

    // Shows a module: name, switch, its types with the model's type selected
    // and that type's parameter rows.
    void showModule(int module);
    // Rebuilds the parameter rows for a module and type from the model.
    void buildParaWidgets(int module, int type);
    // The model changed the shown module (the unit reported it): switch and
    // values follow, or the rows are rebuilt when the type changed.
    void refreshModule();
    // Switch from the model, without sending.
    void refreshSwitch();
    // Applies the rule of which rows another parameter disables, after row
    // `row` changed or was loaded.
    void applyDependency(int row);

    // A parameter row reported a new raw value.
    void paraValueChanged(ParaWidgetBase *widget, int value);

    // Width the type column needs for the longest type name of any module.
    int typeColumnWant() const;
    // Gives the type column what it needs, the parameter rows the rest.
    void fitColumns();

    // A type row's text (an import slot's new label).
    void setTypeText(int row, const QString &text);

    // Rows of the parameter list (only the first paramCount are used).
    int rowCount() const { return m_rows.size(); }
    ParaWidgetBase *paraWidget(int row) const;
    int rowOf(const QObject *widget) const;

    QLabel *nameLabel() const { return m_name; }
    QRadioButton *moduleSwitch() const { return m_switch; }
    QListWidget *typeList() const { return m_types; }
    QListWidget *paraList() const { return m_paras; }

    // Names, parameter counts and parameters as the panel shows them; block
    // 11 (tone capture) shows the capture slots and its SOURCE SYNC.
    QString moduleName(int module) const;
    QStringList typeNames(int module) const;
    int paramCount(int module, int type) const;
    const ParaInfo *param(int module, int type, int index) const;

signals:
    // The switch was toggled (by the user or the chain); the chain image follows.
    void switchToggled(int module, bool on);
    // The user chose another type; the model holds it already.
    void typeChanged(int module, int type);
    // A parameter was edited (stored in the model).
    void parameterEdited(int module, int index, int value);
    // The add / delete button of an import-slot row, with its centre on the screen.
    void importRequested(QPoint globalPoint);
    void deleteRequested(QPoint globalPoint);

private:
    void fillTypes(int module);
    QWidget *slotRowWidget(QWidget *parent);
    void onTypeRowChanged(int row);
    void onSwitchToggled(bool on);
    void loadValue(int row);
    void sendPending(int kind);
    QString valueColor(int module) const;
    QString backgroundColor(int module) const;

    UnitLink &m_link;
    QPointer<SendCoalescer> m_coalescer;
    int m_module = -1;
    int m_type = -1;
    QStringList m_valueColors;
    QStringList m_backgroundColors;
    QSet<int> m_dirtyParams;
    QSet<int> m_dirtyTypes;

    QLabel *m_name = nullptr;
    QRadioButton *m_switch = nullptr;
    QListWidget *m_types = nullptr;
    QListWidget *m_paras = nullptr;
    QList<ParaWidgetBase *> m_rows;   // by row; null where no row is built
    bool m_rowLayoutPending = false;
};
