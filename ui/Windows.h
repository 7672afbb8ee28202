#pragma once

#include <QRect>
#include <Qt>

class QWidget;

namespace ui {

// A window of fixed size whose frame offers a title bar and a close box only.
inline constexpr Qt::WindowFlags FixedFrame =
    Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// Moves the window, frame included, so that it is centred over the area (the screen, or its owner window).
void centreOver(QWidget* window, const QRect& area);

} // namespace ui
