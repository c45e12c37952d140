#pragma once

// Setting: the pop-up with the unit's global settings. A frameless dialog
// with the page list on the left and, on the right, the column in which the
// settings pages are stacked under each other; the MIDI tables, the CC chart
// and the global EQ parameters slide in over that column.
//
// The dialog never talks to the unit: every edit leaves as one of the
// signals below with an index and a value, and the main window pushes what
// the unit reports back in through the set... operations. Values pushed in
// are shown without being sent back: a value the unit holds that a control
// cannot show (out of its range) is shown clamped and stays as it is on the
// unit until the user edits it.
//
// setting.cpp holds the frame, the navigation and the system pages;
// settingmidi.cpp the GLB-EQ, CTRL and MIDI pages with their sub-pages.

#include <QColor>
#include <QDialog>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>

class AnimationStackedWidget;
class ParaWidgetBase;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSignalMapper;
class QStandardItem;
class QStandardItemModel;
class QTableView;
class QVBoxLayout;

class Setting : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 903;
    static constexpr int kHeight = 595;
    static constexpr int kPageCount = 14;
    static constexpr int kSystemValues = 18;
    static constexpr int kGlbEqValues = 10;
    static constexpr int kTwoStateButtons = 24;
    static constexpr int kCtrlModules = 11;
    static constexpr int kMidiInRows = 256;
    static constexpr int kMidiOutRows = 255;
    static constexpr int kPresets = 255;

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
    // The parameter sliders of the system pages.
    enum ValueWidget { InputLevel = 0, RecVol = 1, Mix = 2, PlayVol = 3, Brightness = 4, kValueWidgets = 5 };
    // The mapped button ids that are not two-state pairs.
    enum ButtonId { CcReference = 24, PcMappingIn = 25, PcMappingOut = 26, Reset = 27, Backup = 28, Recall = 29 };
    // The colour keys of the COLOR page, in the order of its swatches.
    enum ColorKey { SelectColor = 0, HoverColor = 1, ParaColor = 2, kColorKeys = 3 };

    explicit Setting(QWidget *parent = nullptr);

    static const QStringList &pageNames();
    // "-∞ dB", "-60 dB", ... "6.0 dB": the 22 input levels by position.
    static const QStringList &inputLevels();
    // Preset index p as "1 A" (spaced) or "1A"; 255 and above continue the
    // pattern ("86 A"), negative gives "".
    static QString presetName(int index, bool spaced);
    static const QStringList &ctrlModuleNames();
    // The UI page codes the MIDI buttons report.
    static constexpr int kCcReferenceCode = 0x3050D;
    static constexpr int kPcMidiInCode = 0x4050D;
    static constexpr int kPcMidiOutCode = 0x5050D;
    static constexpr int kGlbEqCode = 15;
    static constexpr int kSettingCode = 13;

    // --- values pushed in by the main window -----------------------------
    // System setting index 0..17 as received (others are ignored).
    void setSystemValue(int index, int value);
    // The last value pushed or edited; -1 for an index never set.
    int systemValue(int index) const;
    // Global EQ: 0 the selected output, 1..9 the parameters of that output.
    void setGlbEqValue(int index, int value);
    int glbEqValue(int index) const;
    // CTRL record of the current preset: mode, module mask (-1: keep the
    // grid; the third value is not shown here).
    void refreshCtrl(int mode, int mask, int third);
    int ctrlMode() const { return m_ctrlMode; }
    int ctrlMask() const;
    // 18: the 256 entries of the MIDI IN table; 19: the first 255 of the
    // MIDI OUT table. Other types are ignored.
    void setMidiTable(int type, const QVector<int> &values);
    QVector<int> midiTable(int type) const;

    // 0..13: makes that row of the page list current (the column follows);
    // 15: the GLB-EQ sub-page; 16, 17, 18: the CTRL page in mode 0, 1, 2;
    // 19, 20, 21: the CC REFERENCE and PC MAPPING sub-pages. Other numbers do
    // nothing.
    void gotoPage(int n);

    // The colour dialog of the COLOR page; tests answer it themselves. An
    // invalid colour means the user cancelled.
    using ColorPicker = std::function<QColor(const QColor &initial, QWidget *parent)>;
    void setColorPicker(ColorPicker picker) { m_colorPicker = std::move(picker); }
    // The colour of a key as stored, or its default when absent or not a colour.
    static QString colorValue(ColorKey key);
    static QString colorKeyName(ColorKey key);
    static QString defaultColor(ColorKey key);

    // --- parts, for the main window and tests ---------------------------
    QListWidget *pageList() const { return m_pageList; }
    QListWidget *settingsColumn() const { return m_column; }
    AnimationStackedWidget *stack() const { return m_stack; }
    QPushButton *closeButton() const { return m_close; }
    QSignalMapper *buttonMapper() const { return m_mapper; }
    QWidget *page(int row) const;
    // The button mapped to id (0..29), or nullptr.
    QPushButton *button(int id) const;
    ParaWidgetBase *valueWidget(int which) const;
    QComboBox *channelCombo(int which) const;   // 0 MIDI IN, 1 MIDI OUT
    QPushButton *ctrlModeButton(int mode) const;
    QPushButton *ctrlModuleButton(int module) const;
    QWidget *ctrlPanel(int mode) const;
    QWidget *midiGroup(bool midiIn) const { return midiIn ? m_midiInGroup : m_midiOutGroup; }
    QPushButton *colorSwatch(int key) const;
    QLabel *glbEqTitle() const { return m_glbEqTitle; }
    QListWidget *glbEqList() const { return m_glbEqList; }
    ParaWidgetBase *glbEqWidget(int row) const;
    QTableView *table(int stackPage) const;
    QStandardItemModel *tableModel(int stackPage) const;

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

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fitPages();
    // Pages of the column (setting.cpp).
    QWidget *buildPage(int row);
    QWidget *newPage(const QString &title, QVBoxLayout **box, int bottomMargin = 2);
    void addPair(QVBoxLayout *box, const QString &label, int firstId, const QString &first, const QString &second,
                 const QString &objectName, QWidget *page, bool withLine = false);
    ParaWidgetBase *addSlider(QVBoxLayout *box, QWidget *page, int which, int systemIndex);
    QWidget *buildInputLevel();
    QWidget *buildUsbAudio();
    QWidget *buildScreen();
    QWidget *buildCabSim();
    QWidget *buildReset();
    QWidget *buildBackup();
    QWidget *buildColor();
    QWidget *buildAbout();
    void pickColor(ColorKey key);
    void refreshSwatch(ColorKey key);
    // GLB-EQ, CTRL and MIDI pages and the sub-pages (settingmidi.cpp).
    QWidget *buildGlbEq();
    QWidget *buildCtrl();
    QWidget *buildMidi();
    QWidget *buildMidiGroup(bool midiIn);
    QWidget *buildSubPageTop(const QString &title, const QString &titleName, QLabel **titleLabel, bool centred);
    QWidget *buildGlbEqPage();
    QWidget *buildTablePage(int stackPage);
    void fillCcReference(QStandardItemModel *model);
    void fillPcMidiIn(QStandardItemModel *model);
    void fillPcMidiOut(QStandardItemModel *model);
    void onTableItemChanged(int stackPage, QStandardItem *item);
    void onCtrlModuleClicked(int module);
    void setMidiType(bool midiIn, bool emitChange);
    void chooseGlbEqOutput(int output);
    void setGlbEqTitle(int output);
    void rollback();

    void onPageRowChanged(int row);
    void onColumnScrolled(int value);
    void setTwoState(int first, bool firstSelected, int index, bool enabled, bool emitChange);
    bool firstSelected(int first) const;
    void setAudioMode(bool reamp, bool emitChange);
    void emitSystem(int index, int value);

    QStringList m_pageNames;
    QSignalMapper *m_mapper = nullptr;
    QListWidget *m_pageList = nullptr;
    QListWidget *m_column = nullptr;
    AnimationStackedWidget *m_stack = nullptr;
    QPushButton *m_close = nullptr;
    std::array<QWidget *, kPageCount> m_pages{};
    std::array<QPushButton *, 30> m_buttons{};          // by mapped id
    std::array<ParaWidgetBase *, kValueWidgets> m_values{};
    std::array<QComboBox *, 2> m_channels{};
    std::array<QPushButton *, 3> m_ctrlModes{};
    std::array<QPushButton *, kCtrlModules> m_ctrlGrid{};
    std::array<QWidget *, 3> m_ctrlPanels{};
    std::array<QPushButton *, kColorKeys> m_swatches{};
    QWidget *m_midiInGroup = nullptr;
    QWidget *m_midiOutGroup = nullptr;
    QLabel *m_glbEqTitle = nullptr;
    QListWidget *m_glbEqList = nullptr;
    QVector<ParaWidgetBase *> m_glbEqWidgets;
    std::array<QTableView *, 3> m_tables{};             // CC REFERENCE, PC MIDI IN, PC MIDI OUT
    std::array<QStandardItemModel *, 3> m_models{};
    ColorPicker m_colorPicker;

    // While the main window pushes values in, the controls' own change
    // signals are not passed on.
    bool m_pushing = false;
    std::array<int, kSystemValues> m_system;
    std::array<int, kGlbEqValues> m_glbEq;
    int m_ctrlMode = 1;
    QVector<int> m_midiIn;
    QVector<int> m_midiOut;
};
