#include "ui/Platform.h"

namespace ui {

QByteArray preferredPlatform(const QByteArray& qpaPlatform, const QByteArray& display)
{
    if (!qpaPlatform.isEmpty() || display.isEmpty()) {
        return {};
    }
    // Wayland only should the X display not answer after all.
    return QByteArrayLiteral("xcb;wayland");
}

} // namespace ui
