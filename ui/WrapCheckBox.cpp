#include "ui/WrapCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ui {

WrapCheckBox::WrapCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

void WrapCheckBox::setWordWrap(bool wrap)
{
    m_wordWrap = wrap;
    update();
}

void WrapCheckBox::paintEvent(QPaintEvent* event)
{
    if (!m_wordWrap) {
        QCheckBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    // The indicator sits level with the first line of the caption.
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    option.rect.setHeight(std::min(height(), fontMetrics().height() + 2));
    painter.drawControl(QStyle::CE_CheckBox, option);
    const QRect textArea = rect().adjusted(indicator.right() + 4, 1, 0, 0);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textArea.adjusted(-1, -1, 0, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrapCheckBox::hitButton(const QPoint& pos) const
{
    // The whole box answers a click: the indicator is drawn at the top and the caption may wrap below it.
    return rect().contains(pos);
}

} // namespace ui
