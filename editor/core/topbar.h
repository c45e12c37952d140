#pragma once

// The bar above the module editor ("paraTitle"): the preset name editor,
// the save button, the preset volume and tempo editors, the status labels
// (expression volume pedal, cab-sim outputs, pedal assignment) and the
// buttons that open the pop-ups.
//
// Volume and tempo are edited here: a finished edit that differs from the
// model is stored and sent at once (CurrentUi 12, GlobalBpm). Text the
// validator does not accept is replaced by the model's value when the
// editor loses the focus.

#include <QLabel>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSignalMapper;
class TipBox;
class UnitLink;

// A label whose lines are elided (the full text in the tool tip) when the
// bar has less room than the text needs.
class ElidingLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidingLabel(const QString &text, QWidget *parent = nullptr);
    // The width the text needs in full.
    int fullWidth() const;
    bool isElided() const;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateToolTip();
};

class TopBar : public QWidget
{
    Q_OBJECT

public:
    // Ids the buttons deliver through the button mapper.
    enum ButtonId { SaveId = 2, ExpId = 3, ToneId = 4, SettingId = 5 };
    static constexpr int kNameEditWidth = 292;
    static constexpr int kMaxHeight = 42;

    TopBar(UnitLink &link, QSignalMapper *mapper, QWidget *parent = nullptr);

    // The balloon shown while the preset name is being edited (a child of
    // the main window, which it is placed on).
    void setTipBox(TipBox *tip);

    void setPresetName(const QString &name);
    QString presetName() const;
    // Volume, tempo in force and the tempo label from the model.
    void refreshVolumeAndTempo();
    void setExpVolOpen(bool open);
    void setCabLabels(const QString &left, const QString &right);
    void setCabLeftText(const QString &text);
    void setCabRightText(const QString &text);
    void setExpInfo(const QString &text);

    QLineEdit *presetNameEdit() const { return m_name; }
    QLineEdit *volumeEdit() const { return m_volume; }
    QLineEdit *tempoEdit() const { return m_tempo; }
    QLabel *tempoLabel() const { return m_tempoLabel; }
    QLabel *expVolLabel() const { return m_expVol; }
    QLabel *cabLeftLabel() const { return m_cabLeft; }
    QLabel *cabRightLabel() const { return m_cabRight; }
    ElidingLabel *expInfoLabel() const { return m_expInfo; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *expButton() const { return m_exp; }
    QPushButton *toneButton() const { return m_tone; }
    QPushButton *settingButton() const { return m_setting; }

signals:
    // The preset volume or the tempo was changed and sent.
    void volumeChanged(int volume);
    void tempoChanged(int bpm);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void volumeEdited();
    void tempoEdited();
    void showTip();
    void hideTip();

    UnitLink &m_link;
    TipBox *m_tip = nullptr;
    QLineEdit *m_name = nullptr;
    QPushButton *m_save = nullptr;
    QWidget *m_volBpmColumn = nullptr;
    QLineEdit *m_volume = nullptr;
    QLineEdit *m_tempo = nullptr;
    QLabel *m_volumeLabel = nullptr;
    QLabel *m_tempoLabel = nullptr;
    QLabel *m_expVol = nullptr;
    QLabel *m_cabLeft = nullptr;
    QLabel *m_cabRight = nullptr;
    ElidingLabel *m_expInfo = nullptr;
    QPushButton *m_exp = nullptr;
    QPushButton *m_tone = nullptr;
    QPushButton *m_setting = nullptr;
};
