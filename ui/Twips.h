#pragma once

#include <QPoint>
#include <QRect>

// Forms are laid out in twips (1440 to the inch), converted at the screen's real DPI.
namespace ui {

int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);
QPoint twipsPoint(int x, int y);
QSize twipsSize(int width, int height);

// Tests and benchmarks can pin the DPI; 0 means "ask the primary screen".
void setDpiOverride(double dpi);

} // namespace ui
