#include "ui/Platform.h"

namespace ui {

QByteArray preferredPlatform(const QByteArray& qpaPlatform, const QByteArray& display)
{
    if (!qpaPlatform.isEmpty() || display.isEmpty()) {
        return {};
    }
    return QByteArrayLiteral("xcb");
}

} // namespace ui
