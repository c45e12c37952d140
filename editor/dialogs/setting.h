#pragma once

// Setting: the pop-up with the unit's global settings. A frameless dialog
// with the page list on the left and, on the right, the column in which the
// settings pages are stacked under each other (sub-pages slide in over it).
//
// The dialog never talks to the unit: every edit leaves as one of the
// signals below with an index and a value, and the main window pushes what
// the unit reports back in through the set... operations.
//
// This class holds the frame: title row and close button, page list and
// column with the page headers, the navigation between them, the sliding
// stack with its sub-pages, and the values last pushed in. The page
// controls are built on top of it.

#include <QDialog>
#include <QStringList>
#include <QVector>

#include <array>

class AnimationStackedWidget;
class QListWidget;
class QPushButton;
class QSignalMapper;

class Setting : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 903;
    static constexpr int kHeight = 595;
    static constexpr int kPageCount = 14;
    static constexpr int kSystemValues = 18;
    static constexpr int kGlbEqValues = 10;

    // Rows of the page list (also the gotoPage numbers 0..13).
    enum Page {
        PageGlbEq = 0,
        PageCtrl = 1,
        PageInputLevel = 2,
        PageUsbAudio = 3,
        PageTapTempo = 4,
        PageMidi = 5,
        PageCabSim = 6,
        PageTrail = 7,
        PageLooper = 8,
        PageScreen = 9,
        PageReset = 10,
        PageBackup = 11,
        PageColor = 12,
        PageAbout = 13,
    };
    // Pages of the sliding stack.
    enum StackPage { StackColumn = 0, StackCcReference = 1, StackPcMidiIn = 2, StackPcMidiOut = 3, StackGlbEq = 4 };

    explicit Setting(QWidget *parent = nullptr);

    static const QStringList &pageNames();

    // --- values pushed in by the main window -----------------------------
    // System setting index 0..17 as received (others are ignored).
    void setSystemValue(int index, int value);
    // -1 for an index never pushed or out of range.
    int systemValue(int index) const;
    // Global EQ: 0 the selected output, 1..9 the parameters of that output.
    void setGlbEqValue(int index, int value);
    int glbEqValue(int index) const;
    // CTRL record of the current preset: mode, module mask (the third value
    // is not shown here).
    void refreshCtrl(int mode, int mask, int third);
    int ctrlMode() const { return m_ctrlMode; }
    int ctrlMask() const { return m_ctrlMask; }
    // 18: the 256 entries of the first MIDI table; 19: the first 255 of the
    // second. Other types are ignored.
    void setMidiTable(int type, const QVector<int> &values);
    QVector<int> midiTable(int type) const;

    // 0..13: makes that row of the page list current (the column follows);
    // 15: the GLB-EQ sub-page; 16, 17, 18: the CTRL page in mode 0, 1, 2;
    // 19, 20, 21: the CC REFERENCE and PC MAPPING sub-pages. Other numbers do
    // nothing.
    void gotoPage(int n);

    QListWidget *pageList() const { return m_pageList; }
    QListWidget *settingsColumn() const { return m_column; }
    AnimationStackedWidget *stack() const { return m_stack; }
    QPushButton *closeButton() const { return m_close; }
    QSignalMapper *buttonMapper() const { return m_mapper; }

public slots:
    // Back to the settings column without animation, then hidden; emits nothing.
    void closeWidget();
    // The mapped buttons of the pages.
    void buttonClick(int id);

signals:
    void listColorChanged();
    void paraColorChanged(QString backgroundColor, QString valueColor);
    void noDataButtonClicked(int id);
    void cabLStrChanged(QString str);
    void cabRStrChanged(QString str);
    // index 0..17 a system setting; index -1: value is the UI page code of
    // the page now shown, or -1 when the dialog closes.
    void systemValueChanged(int index, int value);
    void glbEqValueChanged(int index, int value);
    void ctrlValueChanged(int index, int value);
    void midiValueChanged(int type, int index, int value);

private:
    QWidget *buildPage(int row);
    void onPageRowChanged(int row);
    void onColumnScrolled(int value);

    QStringList m_pageNames;
    QSignalMapper *m_mapper = nullptr;
    QListWidget *m_pageList = nullptr;
    QListWidget *m_column = nullptr;
    AnimationStackedWidget *m_stack = nullptr;
    QPushButton *m_close = nullptr;

    std::array<int, kSystemValues> m_system;
    std::array<int, kGlbEqValues> m_glbEq;
    int m_ctrlMode = 1;
    int m_ctrlMask = 0;
    QVector<int> m_midiIn;
    QVector<int> m_midiOut;
};
