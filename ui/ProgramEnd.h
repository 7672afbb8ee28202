#pragma once

#include <functional>

// The program ends at once from the exit procedure and from the master-key dialog's Cancel: every window closes and
// no further handler runs. Tests replace the real end so they can see that it happened.
namespace ui::ProgramEnd {

// Ends the program. The real end never returns; under a test hook it records the end, hides every window and
// returns, and the caller must return straight away.
void now();

// True once now() ran under a test hook.
bool ended();

// Installs a test hook (called by now() instead of ending the process); an empty function restores the real end.
void setTestHook(std::function<void()> hook);
void resetForTest();

} // namespace ui::ProgramEnd
