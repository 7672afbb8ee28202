#pragma once

#include <QString>
#include <QStringList>

namespace ui {

// What the command line asks of the program.
struct CommandLine
{
    enum class Action
    {
        Run,
        PrintHelp,
        PrintVersion,
        Refuse
    };
    Action action = Action::Run;
    QString book; // the book to open instead of the start-up's own, absolute; empty when none was given
    QString text; // the help or version text for standard output, or the complaint for standard error
};

// Exit status after a command line that is refused.
inline constexpr int BadCommandLine = 2;

// Reads the program's arguments (the program's name first). Runs before any application object exists, so that
// --help and --version answer without a display. The toolkit's own options (-platform, -display, -style...) are
// known here and left for the toolkit to act on. A relative book name is taken from `currentDir`.
CommandLine parseCommandLine(const QStringList& arguments, const QString& currentDir);

} // namespace ui
