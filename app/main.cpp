#include "mainwin/Form1.h"
#include "ui/AppSetup.h"
#include "ui/TerminationSignals.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ui::setUpApplication(app);

    Form1 window;
    // A logout, kill or Ctrl+C ends the program without a window, and without losing unsaved changes.
    if (auto* watcher = ui::TerminationSignals::install(&window)) {
        QObject::connect(watcher, &ui::TerminationSignals::received, &window, [&window] { window.endWithoutWindow(); });
    }
    if (!window.Form_Load()) {
        return 0; // the master key was not given
    }
    window.show();
    return QApplication::exec();
}
