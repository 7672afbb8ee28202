#pragma once

#include <QFont>

namespace ui {

// The forms are designed for the Japanese Gothic face "ＭＳ ゴシック"; where it is not installed the nearest
// Japanese Gothic font that is takes its place, never a box-drawing fallback.
QFont gothicFont(double points, bool bold = false);

} // namespace ui
