#pragma once

#include <QAccessible>
#include <QLineEdit>

namespace ui {

// A masked box's text changes as assistive technology is told of them: "*" for each character. Qt's accessible
// text of a masked box is empty already, but the text-changed events it raises carry the typed characters, and a
// screen reader speaks them. Every accessibility event of the program passes through here on its way to the
// platform (`passOn`) once the first TextBox exists.
void screenSecretText(QAccessibleEvent* event, QAccessible::UpdateHandler passOn);

// The forms' single-line edit box. A box for secrets can be kept free of every input method: only direct keyboard
// input reaches it. QLineEdit keeps answering that it accepts input-method text even with WA_InputMethodEnabled
// cleared, and an input method asks exactly that, so the answer is given here.
class TextBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    void setDirectInputOnly(bool directOnly);
    bool directInputOnly() const { return m_directOnly; }

    // Shows or masks the text with "*"; the input method stays off in a box for direct input only.
    void setMasked(bool masked);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    void applyInputMethodState();

    bool m_directOnly = false;
};

} // namespace ui
