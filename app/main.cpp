#include "mainwin/Form1.h"
#include "ui/AppSetup.h"
#include "ui/CommandLine.h"
#include "ui/Platform.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QDir>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace {

// Started with standard input, output or error closed, the next file opened takes its number: the X connection
// would then receive whatever the program writes to standard error. /dev/null takes those numbers first.
void openMissingStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            ::open("/dev/null", O_RDWR);
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    openMissingStandardStreams();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const ui::CommandLine command = ui::parseCommandLine(arguments, QDir::currentPath());
    if (command.action != ui::CommandLine::Action::Run) {
        const bool refused = command.action == ui::CommandLine::Action::Refuse;
        std::fputs(command.text.toLocal8Bit().constData(), refused ? stderr : stdout);
        return refused ? ui::BadCommandLine : 0;
    }

    const QByteArray platform = ui::preferredPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"));
    if (!platform.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", platform);
    }
    QApplication app(argc, argv);
    if (!platform.isEmpty()) {
        qunsetenv("QT_QPA_PLATFORM"); // programs started from here choose for themselves
    }
    ui::setUpApplication(app);

    Form1 window;
    // A logout, kill or Ctrl+C ends the program without a window, and without losing unsaved changes.
    if (auto* watcher = ui::TerminationSignals::install(&window)) {
        QObject::connect(watcher, &ui::TerminationSignals::received, &window, [&window] { window.endWithoutWindow(); });
    }
    if (!window.Form_Load(command.book)) {
        return 0; // the master key was not given
    }
    window.show();
    return QApplication::exec();
}
