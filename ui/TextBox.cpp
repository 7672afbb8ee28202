#include "ui/TextBox.h"

#include <limits>

namespace ui {

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
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
