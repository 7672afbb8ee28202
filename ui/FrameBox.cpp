#include "ui/FrameBox.h"

#include <QPainter>

namespace ui {

FrameBox::FrameBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

void FrameBox::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = title().isEmpty() ? 0 : metrics.height() / 2;
    const QRect box = rect().adjusted(0, top, -2, -2);
    // Etched: a grey line with a white one just below and to the right of it.
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(box);
    painter.setPen(Qt::white);
    painter.drawRect(box.translated(1, 1));
    if (!title().isEmpty()) {
        const int textWidth = metrics.horizontalAdvance(title());
        const QRect captionArea(6, 0, textWidth + 4, metrics.height());
        painter.fillRect(captionArea, palette().color(QPalette::Window));
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        painter.drawText(captionArea, Qt::AlignCenter, title());
    }
}

} // namespace ui
