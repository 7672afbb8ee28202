// Records from the keyboard and the mouse wheel: Page Down and Page Up step one record as the scroll bar's arrows
// do, Ctrl+Home and Ctrl+End go to the first record and to the blank position, and the wheel over the boxes or the
// scroll bar steps one record per notch.
#include "mainwin/Form1.h"

#include <QAccessible>
#include <QGroupBox>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstdlib>

namespace {

constexpr int WheelNotch = 120; // the wheel's units for one notch

} // namespace

bool Form1::moveToRecord(int position)
{
    if (position < 0 || position > VScroll1->maximum() || position == VScroll1->value()) {
        return false;
    }
    // Through the scroll bar, so the change handler and every state rule run as for a click on its arrow.
    VScroll1->setValue(position);
    // The change handler gives box 0 the focus; when it had it already, no focus event selects its text.
    Text1_GotFocus(0);
    return true;
}

void Form1::describePosition()
{
    // Read out by screen readers: the position counted from 1 over the number of records, or the blank position.
    // Box 0 carries it too, since every move ends there: a screen reader speaks the description of a box as the
    // focus arrives (and presentBox0Again makes it arrive when the focus was there already).
    const int position = VScroll1->value();
    const int count = VScroll1->maximum();
    const QString description =
        position >= count ? QStringLiteral("新規") : QStringLiteral("%1 / %2").arg(position + 1).arg(count);
    VScroll1->setAccessibleDescription(description);
    Text1[0]->setAccessibleDescription(description);
}

void Form1::presentBox0Again()
{
    // A screen reader speaks a box, position included, as the focus arrives, but says nothing of the position when
    // the box that has the focus shows another record (Orca 43 fails on Qt's description-change events). For the
    // screen reader box 0 then becomes a new object, focused anew: it speaks it as a box just arrived at.
    if (!QAccessible::isActive()) {
        return;
    }
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(Text1[0])));
    QAccessibleEvent focus(Text1[0], QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

bool Form1::navigationKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    int target = 0;
    if (modifiers == Qt::NoModifier && event.key() == Qt::Key_PageDown) {
        target = VScroll1->value() + 1;
    } else if (modifiers == Qt::NoModifier && event.key() == Qt::Key_PageUp) {
        target = VScroll1->value() - 1;
    } else if (modifiers == Qt::ControlModifier && event.key() == Qt::Key_Home) {
        target = 0;
    } else if (modifiers == Qt::ControlModifier && event.key() == Qt::Key_End) {
        target = VScroll1->maximum();
    } else {
        return false;
    }
    // At either end the key does nothing, and the box does not take it for a move of the caret either.
    userCommand([this, target] { moveToRecord(target); });
    return true;
}

bool Form1::recordWheel(const QWheelEvent& event, QPointF clientPosition)
{
    // Only the record area (the boxes, their labels, the rules and the scroll bar) turns the records; the wheel
    // over the buttons on the right does nothing.
    if (clientPosition.x() >= VScroll1->geometry().right() + 1 || clientPosition.y() >= Frame1->geometry().top()) {
        return false;
    }
    const int delta = event.angleDelta().y();
    if (delta == 0) {
        return true;
    }
    // Touchpads send small steps: they add up to a notch. A turn the other way starts afresh.
    if ((m_wheelDelta < 0 && delta > 0) || (m_wheelDelta > 0 && delta < 0)) {
        m_wheelDelta = 0;
    }
    m_wheelDelta += delta;
    userCommand([this] {
        while (std::abs(m_wheelDelta) >= WheelNotch) {
            const int step = m_wheelDelta > 0 ? -1 : 1; // turned away from the user: back towards the first record
            m_wheelDelta += step * WheelNotch;
            if (!moveToRecord(VScroll1->value() + step)) {
                break; // at an end; a turn back starts afresh anyway
            }
        }
    });
    return true;
}
