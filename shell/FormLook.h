#pragma once
// The look both windows share and the unit their layouts are given in.
#include <QRect>

class QProgressBar;
class QWidget;

// Twips (1/1440 inch) to pixels at 96 dots per inch: 15 twips to a pixel.
constexpr int Twips(int twips) { return (twips + 7) / 15; }
inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

// A fixed-size window with a client area of the given twips: white, Arial 9 pt, with an empty
// (fully transparent) icon, and every control on it in Arial 9 pt bold on white. Call once the
// controls exist. (Arial is Liberation Sans where Arial is not installed: same metrics.)
void ApplyFormLook(QWidget* window, int clientWidthTwips, int clientHeightTwips);

// Gives a progress bar a white background (behind the part not yet done).
void MakeProgressBarWhite(QProgressBar* bar);
