#pragma once
// Window geometry is given in twips (1440 to the inch). This is the one place
// that turns twips into pixels: at the screen's logical DPI, so 15 twips make
// a pixel at 96 DPI.

#include <QRect>

class QWidget;

namespace platform {

// Logical DPI of the primary screen (96 when there is none).
double screenDpi();

int twipsToPixels(int twips);
int pixelsToTwips(int pixels);
// The same at a given DPI.
int twipsToPixels(int twips, double dpi);
int pixelsToTwips(int pixels, double dpi);

QRect twipsRect(int left, int top, int width, int height);
// Places a control (position relative to its parent) at twips geometry.
void placeTwips(QWidget& widget, int left, int top, int width, int height);
// Gives a window a client area of the given twips size.
void resizeTwips(QWidget& window, int width, int height);

} // namespace platform
