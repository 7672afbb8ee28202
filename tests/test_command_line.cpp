// How the program starts and asks outside its forms: the arguments it reads before any window exists, the display
// platform it asks the toolkit for, twips before there is a screen, and the toolkit's own message box and file
// dialog as the prompts show them when no test answers in their place.
#include "support/Window.h"
#include "ui/AppSetup.h"
#include "ui/CommandLine.h"
#include "ui/CommonDialog.h"
#include "ui/Platform.h"
#include "ui/Twips.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

namespace {

using Action = ui::CommandLine::Action;
using ui::Answer;
using ui::Buttons;

struct Arguments
{
    QStringList arguments = {};
    Action action = Action::Run;
    QString book = {}; // the book to open
    QString text = {}; // what is printed
};

TEST(StartUp, TheArgumentsAreReadAndThePlatformChosenBeforeAnyWindowExists)
{
    const QString help = "Usage: keyfold [options] [book]\nKeyfold - a book of internet account records.\n\nOptions:\n"
                         "  -h, --help, -?  Displays help on commandline options.\n"
                         "  -v, --version   Displays version information.\n\nArguments:\n"
                         "  book            The book (.kf1, .kf2, .csv) to open.\n";
    const QString tryHelp = "\nTry 'keyfold --help' for more information.\n";
    const Arguments cases[] = {
        {.arguments = {}},
        {.arguments = {"../old/./a b.kf2"}, .book = "/home/taro/old/a b.kf2"},
        {.arguments = {"/tmp/帳簿.kf1"}, .book = "/tmp/帳簿.kf1"},
        {.arguments = {"-display", ":1", "-v"}, .action = Action::PrintVersion, .text = "Keyfold 1.1.3\n"},
        {.arguments = {"--help"}, .action = Action::PrintHelp, .text = help}, // which names -h and -? too
        {.arguments = {"--bogus"}, .action = Action::Refuse, .text = "keyfold: Unknown option 'bogus'." + tryHelp},
        {.arguments = {"-style"}, .action = Action::Refuse, .text = "keyfold: Missing value after '-style'." + tryHelp},
        {.arguments = {"a", "b"}, .action = Action::Refuse, .text = "keyfold: one book at a time, not 2" + tryHelp},
    };
    for (const Arguments& c : cases) {
        const ui::CommandLine line =
            ui::parseCommandLine(QStringList{"/usr/bin/keyfold"} + c.arguments, "/home/taro/books");
        EXPECT_TRUE(line.action == c.action && line.book == c.book && line.text == c.text)
            << c.arguments.join(' ').toStdString() << " gives " << int(line.action) << ", " << line.book.toStdString()
            << ", " << line.text.toStdString();
    }
    // The toolkit's own options, with a value or without, are left for it to act on.
    const QString toolkitOptions = "-platform=v -platformpluginpath=v -platformtheme=v -plugin=v -qwindowgeometry=v "
                                   "-geometry=v -qwindowicon=v -icon=v -qwindowtitle=v -title=v -session=v -display=v "
                                   "-name=v -visual=v -style=v -stylesheet=v -qmljsdebugger=v -reverse -widgetcount "
                                   "-nograb -dograb -sync -testability";
    for (const QString& option : toolkitOptions.split(' ')) {
        EXPECT_EQ(ui::parseCommandLine({"keyfold", option, "a"}, "/b").book, "/b/a") << option.toStdString();
    }
    // An X display is preferred to Wayland unless the user chose (a Wayland session has WAYLAND_DISPLAY too: it makes
    // no difference), and twips are at 96 dpi before there is a screen.
    EXPECT_EQ(ui::preferredPlatform("", ":0"), "xcb;wayland");
    EXPECT_EQ(ui::preferredPlatform("wayland", ":0"), "") << "QT_QPA_PLATFORM, the user's choice, stands";
    EXPECT_EQ(ui::preferredPlatform("", ""), "") << "no X display";
    EXPECT_EQ(ui::twipsToPixels(1440), 96);
}

struct Box
{
    Buttons buttons = Buttons::Ok;
    std::optional<Answer> given = {}; // the default answer the caller asks for
    Qt::Key key = Qt::Key_Return;
    QString shown = {}; // the buttons' captions
    Answer answer = Answer::Ok;
};

TEST(Prompts, TheToolkitsMessageBoxAndFileDialogSpeakJapaneseAndAnswer)
{
    int argc = 1;
    char name[] = "keyfold";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    // Enter takes the default answer, the first unless the caller says otherwise; Escape takes Cancel where there is
    // one, else the only answer.
    const Box boxes[] = {
        {.key = Qt::Key_Escape, .shown = "OK"},
        {.buttons = Buttons::OkCancel, .key = Qt::Key_Escape, .shown = "OK|キャンセル", .answer = Answer::Cancel},
        {.buttons = Buttons::YesNo, .given = Answer::No, .shown = "はい(&Y)|いいえ(&N)", .answer = Answer::No},
        {.buttons = Buttons::YesNoCancel, .shown = "キャンセル|はい(&Y)|いいえ(&N)", .answer = Answer::Yes},
    };
    for (const Box& b : boxes) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            QStringList texts{box->windowTitle(), box->text()};
            for (const QAbstractButton* button : box->buttons()) {
                texts << button->text();
            }
            EXPECT_EQ(texts.join('|'), "題|一\n二\n三|" + b.shown);
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            QTest::keyClick(box, b.key);
        });
        EXPECT_EQ(ui::Prompts::message("一\r二\r\n三", "題", b.buttons, b.given), b.answer);
    }

    // The file dialog offers the path and filter last chosen and replaces a file without asking; Cancel keeps the
    // last choice. What the dialog remembers of folders goes into a settings folder of the test's own.
    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    ui::CommonDialog dialog{.Filter = "A (*.a)|*.a|B (*.b)|*.b|",
                            .DialogTitle = "保存",
                            .FileName = folder.filePath("old.b"),
                            .FilterIndex = 2};
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(QStringList({d->windowTitle(), d->selectedNameFilter()}) + d->nameFilters() + d->selectedFiles(),
                  QStringList({"保存", "B (*.b)", "A (*.a)", "B (*.b)", folder.filePath("old.b")}));
        // Qt's own dialog, so that it speaks Japanese under every desktop.
        EXPECT_TRUE(d->acceptMode() == QFileDialog::AcceptSave &&
                    d->options() == (QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite));
        d->selectNameFilter("A (*.a)");
        d->selectFile("new.a");
        static_cast<QDialog*>(d)->accept(); // QFileDialog hides it, not its work
    });
    EXPECT_TRUE(dialog.ShowSave() && dialog.FileName == folder.filePath("new.a") && dialog.FilterIndex == 1);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(dialog.ShowOpen() || dialog.FileName != folder.filePath("new.a") || dialog.FilterIndex != 1);
}

} // namespace

// No application object at first: the program reads its command line before it has one.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
