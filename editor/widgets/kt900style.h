#pragma once

// Application-wide look: the application font, the eleven style sheets and
// the re-polish helper every widget uses after it changes a dynamic property
// that the style sheets select on ("status", "isSelected", "enable", ...).
//
// The resources must be registered (kt900InitResources()) before any of the
// loaders below is called.

#include <QFont>
#include <QPalette>
#include <QString>
#include <QStringList>
#include <QVariant>

class QWidget;

namespace Kt900Style {

// The application font file and its bold companion.
inline constexpr const char *kFontPath = ":/Fonts/Fonts/Helvetica.ttf";
inline constexpr const char *kBoldFontPath = ":/Fonts/Fonts/Helvetica-Bold.ttf";

// Family used when the font file cannot be added.
QString fallbackFamily();

// Adds the application font (and its bold face, so bold text is drawn with
// real bold glyphs instead of a smeared regular) to the font database and
// returns the 10 pt application font. Does not install it; the caller does
// QApplication::setFont().
QFont applicationFont();

// A dark palette matching the style sheets, for widgets the sheets do not
// reach (standard dialogs, palette-filled backgrounds).
QPalette applicationPalette();

// The eleven style sheets, in the order they are concatenated.
QStringList styleSheetPaths();

// Reads every style sheet that opens, decodes it as UTF-8 up to the first NUL
// byte and appends it followed by "\n". Files that do not open are skipped.
QString loadStyleSheets();

// Unpolishes and polishes `widget` (and, when `recursive`, all its
// descendants) so that style sheet rules depending on dynamic properties of
// the widget or of an ancestor take effect.
void repolish(QWidget *widget, bool recursive = false);

// Sets a dynamic property and re-polishes the widget if the value changed.
// Returns true when the value changed.
bool setStyleProperty(QWidget *widget, const char *name, const QVariant &value, bool recursive = false);

// The four looks of a two-state button ("status" property).
inline constexpr const char *kSelectedEnable = "selected_enable";
inline constexpr const char *kUnselectedEnable = "unselected_enable";
inline constexpr const char *kSelectedDisabled = "selected_disabled";
inline constexpr const char *kUnselectedDisabled = "unselected_disabled";

} // namespace Kt900Style
