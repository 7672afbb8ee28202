#include "ui/Windows.h"

#include <QWidget>

namespace ui {

void centreOver(QWidget* window, const QRect& area)
{
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

} // namespace ui
