#pragma once

// Shared set-up of the editor's floating pop-ups: a frameless dialog with a
// translucent ground, owned by the main window and created hidden, and the
// round close button in its top-right corner.

#include <QString>

class QDialog;
class QPushButton;
class QWidget;

namespace PopupFrame {

// Frameless window flag, translucent background, fixed size, object name.
void setUp(QDialog *dialog, const QString &objectName, int width, int height);
// The "popupClose" button (no focus, hand cursor).
QPushButton *closeButton(QWidget *parent);
// Puts `popup` in the middle of `window`'s current frame.
void centreOn(QWidget *popup, const QWidget *window);

} // namespace PopupFrame
