#include "ui/CommandLine.h"

#include "generated/Version.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace ui {

namespace {

// The options the toolkit itself reads from the command line and removes before the program sees it, and whether
// each takes a value. Listed so that they are not refused as unknown.
struct ToolkitOption
{
    const char* name;
    bool takesValue;
};
constexpr ToolkitOption ToolkitOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowicon", true},
    {"icon", true},
    {"qwindowtitle", true},
    {"title", true},
    {"session", true},
    {"display", true},
    {"name", true},
    {"visual", true},
    {"style", true},
    {"stylesheet", true},
    {"qmljsdebugger", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"testability", false},
};

QString usageName(const QStringList& arguments)
{
    return arguments.isEmpty() ? QStringLiteral("keyfold") : QFileInfo(arguments.first()).fileName();
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& currentDir)
{
    QCommandLineParser parser;
    // The toolkit's options are words after a single dash; "-h" and "-v" still work as letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Keyfold - a book of internet account records."));
    // Not addHelpOption(): its --help-all would promise the toolkit's options, which the help leaves out.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("book"), QStringLiteral("The book (.kf1, .kf2, .csv) to open."),
                                 QStringLiteral("[book]"));
    for (const ToolkitOption& option : ToolkitOptions) {
        QCommandLineOption known(QString::fromLatin1(option.name));
        if (option.takesValue) {
            known.setValueName(QStringLiteral("value"));
        }
        known.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(known);
    }

    const QString program = usageName(arguments);
    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Refuse;
        result.text =
            QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::PrintHelp;
        // Without an application object the parser does not know the program's name.
        result.text = parser.helpText().replace(QStringLiteral("<executable_name>"), program);
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::PrintVersion;
        result.text = QStringLiteral("%1 %2\n").arg(QString::fromLatin1(keyfold::ProgramTitle),
                                                    QString::fromLatin1(keyfold::VersionText));
        return result;
    }
    const QStringList books = parser.positionalArguments();
    if (books.size() > 1) {
        result.action = CommandLine::Action::Refuse;
        result.text = QStringLiteral("%1: one book at a time, not %2\nTry '%1 --help' for more information.\n")
                          .arg(program)
                          .arg(books.size());
        return result;
    }
    if (!books.isEmpty() && !books.first().isEmpty()) {
        // Absolute, so that the book remembered for the next start is found from any folder.
        result.book = QDir::cleanPath(QDir(currentDir).absoluteFilePath(books.first()));
    }
    return result;
}

} // namespace ui
