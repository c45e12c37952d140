#pragma once

// Imports a file into, or deletes, a user slot of the CAB (IR, .wav) or AMP
// (NR, .amp) type list: the slot row under the pointer of the type list's
// context menu. An upload holds the editor's busy state; while any
// operation holds it, import and delete are refused.

#include <QObject>
#include <QPoint>

#include <memory>

class BusyState;
class FileChooser;
class ModulePanel;
class QWidget;
class UnitLink;

class SlotImporter : public QObject
{
    Q_OBJECT

public:
    SlotImporter(QWidget *window, UnitLink &link, BusyState &busy);
    ~SlotImporter() override;

    void setModulePanel(ModulePanel *module) { m_module = module; }
    // Where file names come from (not owned; a dialog unless a test sets one).
    void setFileChooser(FileChooser *chooser);

    // The CAB or AMP import-slot row under a screen point, or -1.
    int slotRowAt(const QPoint &globalPoint) const;
    int allowedSlotRowAt(const QPoint &globalPoint, const char *what) const;

public slots:
    // False when nothing was imported or deleted (refused, cancelled or failed).
    bool importAt(QPoint globalPoint);
    bool deleteAt(QPoint globalPoint);

private:
    int currentModule() const;

    QWidget *m_window;
    UnitLink &m_link;
    BusyState &m_busy;
    ModulePanel *m_module = nullptr;
    FileChooser *m_chooser = nullptr;              // not owned
    std::unique_ptr<FileChooser> m_dialogs;
};
