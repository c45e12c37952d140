#pragma once

// The COMPUTER column's list: the preset files of the preset folder, and what
// the user does with them there. Refresh lists the files whose names and
// contents are preset files (and says which files it left out and why), Add
// copies files into the folder, Delete removes one (Undo Delete brings it
// back while the editor runs), and an export writes presets of the unit as
// files. File operations report their real reason when they fail (a
// read-only or missing folder, a disk error).

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class BusyState;
class DragListWidget;
class FileChooser;
class PresetFileCodec;
class QAction;
class QLabel;
class QMenu;
class QSignalMapper;
class QWidget;
class UnitLink;

class ComputerList : public QObject
{
    Q_OBJECT

public:
    // Ids delivered through the button mapper (the menu and the title row's buttons).
    enum CommandId {
        OpenFolderId = 0,
        RefreshId = 1,
        AddId = 10,
        DeleteId = 11,
        UndoDeleteId = 12,
    };

    struct Skipped {
        QString fileName;   // "HI-GAIN.tp"
        QString reason;
    };

    // note: the line under the list that tells about left-out files and an
    // unusable folder.
    ComputerList(DragListWidget *list, QLabel *note, PresetFileCodec &codec, UnitLink &link,
                 QSignalMapper *mapper, QWidget *owner);
    ~ComputerList() override;

    void setBusyState(BusyState *busy) { m_busy = busy; }
    // Where Add's file names come from (a dialog unless a test sets one).
    void setFileChooser(std::unique_ptr<FileChooser> chooser);

    QString folder() const;
    // Rebuilds the list from the folder and makes the row named `select`
    // current (row 0 when there is none). Returns the number of rows.
    int refresh(const QString &select = QString());
    const QList<Skipped> &skipped() const { return m_skipped; }
    // Creates the folder when missing and opens it in the file browser.
    bool openFolder();

    // The file of a row; the files of the selected rows, top to bottom.
    QString filePath(int row) const;
    QStringList selectedFiles() const;

    // Copies preset files into the folder; returns the number copied. The
    // first file that cannot be added stops with a message.
    int addFiles(const QStringList &paths);
    // Add through the file dialog.
    int chooseAndAdd();
    // Deletes a row's file (kept for Undo Delete).
    bool deleteRow(int row);
    bool undoDelete();
    bool canUndoDelete() const { return !m_trash.empty(); }

    // Writes presets (rows of the unit, in ascending order) as files named
    // after them; an existing file is replaced only when the user agrees.
    // Returns the number written; the first failure stops with a message.
    int exportPresets(QList<int> presets);

    // The context menu and its row (-1 on an empty spot).
    QMenu *menu() const { return m_menu; }
    int menuRow() const { return m_menuRow; }
    QAction *addAction() const { return m_add; }
    QAction *deleteAction() const { return m_delete; }
    QAction *undoAction() const { return m_undo; }
    QAction *refreshAction() const { return m_refresh; }
    QAction *openAction() const { return m_open; }
    // Add, Delete (the menu's row), Undo Delete, Refresh or Open.
    bool runMenuCommand(int id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool allowed(const char *action) const;
    bool ensureFolder();
    void showMenu(const QPoint &globalPos, int row);
    void updateNote(const QString &folderProblem);
    void warn(const QString &title, const QString &text, bool button);

    struct Deleted {
        QString path;
        QByteArray bytes;
    };

    DragListWidget *m_list;
    QWidget *m_viewport = nullptr;     // the list's viewport, watched with the list
    QLabel *m_note;
    PresetFileCodec &m_codec;
    UnitLink &m_link;
    QWidget *m_owner;
    QPointer<BusyState> m_busy;
    std::unique_ptr<FileChooser> m_chooser;
    QList<Skipped> m_skipped;
    std::vector<Deleted> m_trash;
    QMenu *m_menu = nullptr;
    QAction *m_add = nullptr;
    QAction *m_delete = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_refresh = nullptr;
    QAction *m_open = nullptr;
    int m_menuRow = -1;
};
