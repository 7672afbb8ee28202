#include "mainwin/Form1.h"
#include "ui/AppSetup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ui::setUpApplication(app);

    Form1 window;
    if (!window.Form_Load()) {
        return 0; // the master key was not given
    }
    window.show();
    return QApplication::exec();
}
