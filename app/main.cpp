#include "mainwin/Form1.h"
#include "ui/Fonts.h"
#include "ui/FormBuilder.h"

#include "generated/Version.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Keyfold"));
    QApplication::setOrganizationName(QStringLiteral("Keyfold"));
    QApplication::setApplicationVersion(QString::fromLatin1(keyfold::VersionText));

    // Everything the toolkit itself shows (buttons of message boxes, file dialogs) is Japanese too.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }
    ui::installAppStyle();
    QApplication::setFont(ui::gothicFont(9));

    Form1 window;
    if (!window.Form_Load()) {
        return 0;
    }
    window.show();
    return QApplication::exec();
}
