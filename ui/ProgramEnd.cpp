#include "ui/ProgramEnd.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace ui::ProgramEnd {
namespace {

std::function<void()> g_hook;
bool g_ended = false;

void hideAllWindows()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->hide();
    }
}

} // namespace

void now()
{
    hideAllWindows();
    if (g_hook) {
        g_ended = true;
        g_hook();
        return;
    }
    // Settings are synced by their writers and no file stays open between procedures, so nothing is left to
    // flush but the standard streams. Leaving without unwinding keeps any further handler from running.
    std::fflush(nullptr);
    std::_Exit(0);
}

bool ended()
{
    return g_ended;
}

void setTestHook(std::function<void()> hook)
{
    g_hook = std::move(hook);
}

void resetForTest()
{
    g_ended = false;
}

} // namespace ui::ProgramEnd
