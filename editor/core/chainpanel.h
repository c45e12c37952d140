#pragma once

// The signal chain panel ("chainWidget"): one CustomButton per module of
// the current preset in the preset's chain order, on a painted signal line.
// A click selects a module (the main window decides what that means); a
// drag moves the module along the chain: when the dragged button reaches
// another slot, the button there slides to the dragged one's old slot, the
// two exchange places and the new order is sent to the unit at once.
//
// Exchanges are refused for CAB while the two cab-sim outputs differ
// (system settings 13 and 14), and when they would put the FX LOOP send
// after its return.

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class CustomButton;
class QPropertyAnimation;
class QSignalMapper;
class QTimer;
class UnitLink;

// The button row: paints the signal line behind the buttons and records the
// buttons' places (the slot positions) 20 ms after every resize.
class ChainContainer : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kRecordDelayMs = 20;

    explicit ChainContainer(QWidget *parent = nullptr);

signals:
    // The layout settled after a resize: record the slots.
    void settled();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QTimer *m_settle = nullptr;
};

class ChainPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kButtonCount = 11;
    static constexpr int kSlideMs = 500;
    static constexpr int kButtonWidth = 80;
    static constexpr int kButtonHeight = 115;

    explicit ChainPanel(UnitLink &link, QWidget *parent = nullptr);
    ~ChainPanel() override;

    // Chain image file names of module 0..10 ("FXA", "DS", ...).
    static QString imageName(int module);

    // Buttons by module index; null out of range.
    CustomButton *button(int module) const;
    int moduleOf(const QObject *button) const;
    // Buttons in display (chain) order, and the module index at each place.
    QList<CustomButton *> displayOrder() const { return m_display; }
    QList<int> displayModules() const;
    int displayIndexOf(int module) const;
    QList<QPoint> slotPositions() const { return m_slots; }
    ChainContainer *container() const { return m_container; }
    QSignalMapper *mapper() const { return m_mapper; }

    // The selected module, searching from the last module down; -1 if none.
    int selectedModule() const;
    // Selects the button of `module` (none for anything else), deselecting the rest.
    void setSelectedModule(int module);

    // Shows a module's on/off image (the FX LOOP pair follows each other).
    void setSwitchImage(int module, bool on);
    // Every button's image from the model, where it differs.
    void refreshSwitches();
    // Display order from the model's chain order, then re-lays the buttons.
    void rebuildOrder();
    // Puts the buttons back into the row in display order.
    void relayout();
    // Records the current button places as the slot positions.
    void recordSlots();

    // Drag handling (the main window's chainButtonDrag / chainButtonRelease).
    void dragButton(CustomButton *button);
    void releaseButton();
    bool isSliding() const;

    // The tone-capture wizard's capture mode: the chain takes no clicks or drags.
    void setCaptureMode(bool on);
    bool captureMode() const { return m_captureMode; }

signals:
    // The display order changed by a drag and was sent to the unit.
    void orderChanged();

private:
    bool exchangeAllowed(int draggedIndex, int targetIndex) const;
    void storeAndSendOrder();

    UnitLink &m_link;
    ChainContainer *m_container = nullptr;
    QSignalMapper *m_mapper = nullptr;
    QList<CustomButton *> m_buttons;    // by module index
    QList<CustomButton *> m_display;    // in chain order
    QList<QPoint> m_slots;
    QList<QPointer<QPropertyAnimation>> m_animations;
    bool m_captureMode = false;
};
