#pragma once

// The main window's pop-ups (Exp, the preset name editor, Setting,
// ToneCapture): showing one hides the others, the dialogs sit centred on
// the window (also after it moved or changed state), and a click outside
// the visible pop-up closes it. While a pop-up is open, key presses, double
// clicks and wheel turns elsewhere in the window are swallowed; events of
// the pop-up itself, of the title bar (mouse only) and of other windows
// (message boxes, menus, file dialogs) pass.

#include "pagecodes.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>

class QWidget;

class PopupManager : public QObject
{
    Q_OBJECT

public:
    using Popup = PageCodes::Popup;

    // `window` is the main window the pop-ups belong to.
    explicit PopupManager(QWidget *window);
    ~PopupManager() override;

    void setPopup(Popup which, QWidget *popup);
    QWidget *popup(Popup which) const;
    // The title bar: mouse events over it pass while a pop-up is open.
    void setTitleBar(QWidget *titleBar);
    // Whether the window takes input at all (not before it is shown).
    void setActiveCheck(std::function<bool()> active);
    // A pop-up that must stay open on an outside click while this holds
    // (a running tone capture).
    void setKeepOpen(Popup which, std::function<bool()> keep);

    // Shows `which` (None hides them all), hiding the others.
    void show(Popup which);
    // The visible pop-up (dialogs first, then the name editor), or null.
    QWidget *visible() const;
    Popup visibleId() const;
    // Centres the visible dialog on the window again.
    void centre();
    // Closes the window's open message boxes that ask a question: what they
    // ask about has just been changed on the unit.
    void closeQuestionBoxes();

    // Filters the application's input events (installed on qApp).
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // A dialog was closed by an outside click: the window shows its page again.
    void dialogDismissed(PageCodes::Popup which);
    // The name editor was closed without renaming.
    void renameDismissed();
    // Escape reached the window with no pop-up taking it.
    void escapePressed();

private:
    bool filterForPopup(QWidget *receiver, QEvent *event, Popup which);

    QWidget *m_window;
    QPointer<QWidget> m_title;
    std::array<QPointer<QWidget>, PageCodes::kPopupCount> m_popups;
    std::array<std::function<bool()>, PageCodes::kPopupCount> m_keepOpen;
    std::function<bool()> m_active;
};
