#include "ui/TextBox.h"

#include <limits>

namespace ui {

namespace {

QString hidden(const QString& text)
{
    return QString(text.size(), QLatin1Char('*'));
}

void screenToPlatform(QAccessibleEvent* event);

// Qt hands an event to the platform's bridge only while no update handler is installed.
void toPlatform(QAccessibleEvent* event)
{
    // Qt has applied a table's model change to the table's interface before it called the handler, and the AT-SPI
    // bridge ignores the event: passing it through once more would apply the change twice.
    if (event->type() == QAccessible::TableModelChanged) {
        return;
    }
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(screenToPlatform);
}

void screenToPlatform(QAccessibleEvent* event)
{
    screenSecretText(event, toPlatform);
}

} // namespace

void screenSecretText(QAccessibleEvent* event, QAccessible::UpdateHandler passOn)
{
    const auto* box = qobject_cast<const QLineEdit*>(event->object());
    if (!box || box->echoMode() == QLineEdit::Normal) {
        passOn(event);
        return;
    }
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto* change = static_cast<const QAccessibleTextInsertEvent*>(event);
        QAccessibleTextInsertEvent masked(event->object(), change->changePosition(), hidden(change->textInserted()));
        passOn(&masked);
        break;
    }
    case QAccessible::TextRemoved: {
        const auto* change = static_cast<const QAccessibleTextRemoveEvent*>(event);
        QAccessibleTextRemoveEvent masked(event->object(), change->changePosition(), hidden(change->textRemoved()));
        passOn(&masked);
        break;
    }
    case QAccessible::TextUpdated: {
        const auto* change = static_cast<const QAccessibleTextUpdateEvent*>(event);
        QAccessibleTextUpdateEvent masked(event->object(), change->changePosition(), hidden(change->textRemoved()),
                                          hidden(change->textInserted()));
        passOn(&masked);
        break;
    }
    default:
        passOn(event);
    }
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    // Once, for the whole program; Qt itself installs no handler that this one would displace.
    [[maybe_unused]] static const auto displaced = QAccessible::installUpdateHandler(screenToPlatform);
    // A box takes a text of any length: QLineEdit's default limit of 32,767 characters would cut what is stored.
    setMaxLength(std::numeric_limits<int>::max());
}

void TextBox::setDirectInputOnly(bool directOnly)
{
    m_directOnly = directOnly;
    applyInputMethodState();
}

void TextBox::setMasked(bool masked)
{
    // QLineEdit sets the hidden-text hint for a masked box and switches the input method back on with every change
    // of echo mode.
    setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    applyInputMethodState();
}

void TextBox::applyInputMethodState()
{
    if (!m_directOnly) {
        return;
    }
    setAttribute(Qt::WA_InputMethodEnabled, false);
    // Added to what the echo mode set, so a masked box keeps telling that its text is hidden.
    setInputMethodHints(inputMethodHints() | Qt::ImhLatinOnly | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled && m_directOnly) {
        return false;
    }
    return QLineEdit::inputMethodQuery(query);
}

} // namespace ui
