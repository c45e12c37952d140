#pragma once

// The preset panel ("presetWidget"): the presets stored in the unit (DEVICE)
// and the preset files in the preset folder (COMPUTER).
//
// On the device list the user selects the unit's current preset (asking
// first whether to save a modified one), and through its context menu
// copies, pastes, clears and renames presets. Save stores the edit buffer
// under the name in the top bar's name editor.
//
// Presets move between the two lists by dragging: device rows dropped on the
// computer list are exported as files (ComputerList), computer rows or .tp
// files from the desktop dropped on a device row are imported onto it and
// the rows after it (PresetImporter).

#include <QPointer>
#include <QWidget>

#include <functional>

class BusyState;
class ComputerList;
class PresetImporter;
class DragListWidget;
class PresetFileCodec;
class QAction;
class QLabel;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QSignalMapper;
class QSplitter;
class RenameWidget;
class UnitLink;

class PresetPanel : public QWidget
{
    Q_OBJECT

public:
    // Ids delivered through the button mapper.
    enum ButtonId {
        OpenFolderId = 0,
        RefreshId = 1,
        CopyId = 6,
        PasteId = 7,
        ClearId = 8,
        RenameId = 9,
    };
    static constexpr const char *kMarkColor = "#0363D3";

    PresetPanel(UnitLink &link, PresetFileCodec &codec, QSignalMapper *mapper, QWidget *parent = nullptr);

    // The in-place name editor (a pop-up of the main window).
    void setRenameWidget(RenameWidget *rename);
    // While it holds, preset switches and the list's commands are refused.
    void setBusyState(BusyState *busy);

    // One label per preset row from the model.
    void fillDeviceList();
    // Row label from the model's name.
    void relabel(int row);
    // Makes `row` the device list's only selected and current row without
    // selecting a preset.
    void showCurrentRow(int row);
    // Escape: the list goes back to the current preset.
    void resetToCurrentPreset();

    // --- commands ---------------------------------------------------------
    // Stores the edit buffer as the current preset under `name` (StorePreset).
    // A blank name keeps the preset's name. Shows the outcome when asked.
    bool save(const QString &name, bool showOutcome);
    void copyRow(int row);
    bool pasteRow(int row);
    bool clearRow(int row);
    // Opens the name editor over a row.
    void beginRename(int row);
    // Copy, paste, clear or rename (a ButtonId) on the context menu's row;
    // false when refused (busy) or nothing changed.
    bool runMenuCommand(int id);
    // The name editor reported a name (empty: nothing to rename).
    void renameFinished(const QString &name);
    // Places the open name editor over its row again (the list scrolled).
    void placeRenameWidget();

    // Width the device column needs for its labels to read in full, and the
    // narrowest the computer column can be without clipping its title row.
    int deviceColumnWant() const;
    int computerColumnMinimum() const;
    int preferredWidth() const;
    // Shares the panel's width: the device column first.
    void fitColumns();

    // The computer list from the preset folder.
    void refreshComputerList();
    void openPresetFolder();

    // Exports device rows as files (a drop on the computer list); returns
    // the number of files written.
    int exportRows(const QList<int> &rows);
    // Imports files onto device row `row` and the rows after it (a drop on
    // the device list); returns the number imported.
    int importFiles(const QStringList &paths, int row);
    // The device list's selected rows, top to bottom.
    QList<int> selectedDeviceRows() const;

    // Row the context menu was opened on (-1 when none).
    int menuRow() const { return m_menuRow; }
    int copiedRow() const { return m_copied; }
    int renameRow() const { return m_renameRow; }
    // The row painted in the mark colour (context menu or name editor open), -1 if none.
    int markedRow() const { return m_markedRow; }
    // The name editor was closed without a name (a click elsewhere).
    void cancelRename();
    // The name the top bar's editor holds; asked when a modified preset is saved.
    void setNameSource(std::function<QString()> source) { m_nameSource = std::move(source); }

    DragListWidget *deviceList() const { return m_device; }
    DragListWidget *computerList() const { return m_computer; }
    ComputerList *computerFiles() const { return m_files; }
    PresetImporter *importer() const { return m_importer; }
    QLabel *computerNote() const { return m_computerNote; }
    QMenu *deviceMenu() const { return m_deviceMenu; }
    QAction *copyAction() const { return m_copy; }
    QAction *pasteAction() const { return m_paste; }
    QAction *clearAction() const { return m_clear; }
    QAction *renameAction() const { return m_rename; }
    QSplitter *columns() const { return m_columns; }

signals:
    // The model's current preset changed: everything showing it follows.
    void currentPresetChanged();
    // The name editor is to be shown (pop-up 2) at this place of the window.
    void renameRequested(QPoint windowPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onSelectionChanged();
    void showDeviceMenu(const QPoint &globalPos, int row);
    static void setRowText(QListWidgetItem *item, const QString &label);
    void mark(int row);
    void unmark();
    void afterRecordChange(int row);
    QWidget *messageParent();

    UnitLink &m_link;
    PresetFileCodec &m_codec;
    DragListWidget *m_device = nullptr;
    DragListWidget *m_computer = nullptr;
    QLabel *m_computerNote = nullptr;
    ComputerList *m_files = nullptr;
    PresetImporter *m_importer = nullptr;
    QSplitter *m_columns = nullptr;
    QMenu *m_deviceMenu = nullptr;
    QAction *m_copy = nullptr;
    QAction *m_paste = nullptr;
    QAction *m_clear = nullptr;
    QAction *m_rename = nullptr;
    QPointer<RenameWidget> m_renameWidget;
    std::function<QString()> m_nameSource;
    int m_menuRow = -1;
    int m_copied = -1;
    QPointer<BusyState> m_busy;
    int m_renameRow = -1;
    int m_markedRow = -1;
    bool m_showingRow = false;
    bool m_selecting = false;
};
