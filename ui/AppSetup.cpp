#include "ui/AppSetup.h"

#include "generated/Version.h"
#include "ui/Fonts.h"
#include "ui/FormBuilder.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Keyfold"));
    QApplication::setOrganizationName(QStringLiteral("Keyfold"));
    QApplication::setApplicationVersion(QString::fromLatin1(keyfold::VersionText));

    // Everything the toolkit itself shows (buttons of message boxes, file dialogs) is Japanese too, whatever the
    // system's language.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
    installAppStyle();
    QApplication::setFont(gothicFont(9));
}

} // namespace ui
