#pragma once

// The launcher's skin, drawn in code. tools/makeskin writes these images to
// launcher/img/ ("0.jpg", "1.png", "2.png", "3.png"), which the build copies
// beside the program; the window loads the files and falls back to drawing
// them itself when one is missing, so it always has a usable face.

#include <QColor>
#include <QImage>
#include <QString>

namespace Skin {

// Palette of the look.
const QColor kWindowGround(0x00, 0x00, 0x00);
const QColor kPanel(0x1c, 0x1c, 0x1c);
const QColor kRaised(0x26, 0x26, 0x26);
const QColor kTrack(0x41, 0x41, 0x41);
const QColor kValue(0xc0, 0xd2, 0x3c);
const QColor kTextPrimary(0xf0, 0xf0, 0xf0);
const QColor kTextSecondary(0xa0, 0xa0, 0xa0);
const QColor kTextDisabled(0x5a, 0x5a, 0x5a);

constexpr int kWidth = 400;
constexpr int kHeight = 200;

QImage background();       // "0.jpg": 400 x 200, with the idle update button
QImage button();           // "1.png": 82 x 27, the update button while it cannot be used
QImage buttonPressed();    // "2.png": 82 x 27, the update button pressed
QImage closeHighlight();   // "3.png": 12 x 14, the close glyph lit

// Image n (0..3) as the window uses it: from dir when the file is there and
// readable, otherwise drawn.
QImage load(const QString &dir, int n);

// File name of image n: "0.jpg", "1.png", ...
QString fileName(int n);

// Style sheet of the progress bar in the same colours.
QString progressBarStyle();

} // namespace Skin
