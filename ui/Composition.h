#pragma once

#include <QString>

// A word being composed with an input method (kana not yet converted or confirmed) belongs to the box it is typed
// in. When the program moves the focus or the record itself, settle() first commits the composition into that box,
// once. Some input methods (IBus in its commit-on-reset mode) then commit the same text a second time, a moment
// later, into whatever has the focus by then; that late copy is dropped wherever it arrives. The same holds when
// the toolkit commits the composition because the user clicks another control, or the box itself.
namespace ui::Composition {

// Watches the application's input-method events; done once, before the first window.
void install();

// Commits a running composition into the box it is typed in. Does nothing when no word is being composed.
void settle();

// The text being composed, empty when none.
QString pending();

} // namespace ui::Composition
