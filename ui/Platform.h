#pragma once

#include <QByteArray>

namespace ui {

// The display platform the program asks the toolkit for, or empty to leave the choice to the toolkit. A choice the
// user made (QT_QPA_PLATFORM) stands. Otherwise an X display, where there is one, wins even in a Wayland session:
// under Wayland the compositor places the windows itself, and the title bar the toolkit draws there offers to
// maximise windows of fixed size, which ends the program with a protocol error.
QByteArray preferredPlatform(const QByteArray& qpaPlatform, const QByteArray& display);

} // namespace ui
