// How the program starts and asks outside its forms: the arguments it reads before any window exists, the display
// platform it asks the toolkit for, twips before there is a screen, and the toolkit's own message box and file
// dialog as the prompts show them when no test answers in their place.
#include "support/Window.h"
#include "ui/AppSetup.h"
#include "ui/CommandLine.h"
#include "ui/CommonDialog.h"
#include "ui/Platform.h"

#include <QFileDialog>
#include <QMessageBox>

using Action = ui::CommandLine::Action;
using ui::Answer, ui::Buttons;

struct Arguments
{
    QStringList arguments = {};
    Action action = Action::Run;
    QString out = {}; // what comes of them: the book to open, or the text printed
};

TEST(StartUp, TheArgumentsAreReadAndThePlatformChosenBeforeAnyWindowExists)
{
    const QString help = "Usage: keyfold [options] [book]\nKeyfold - a book of internet account records.\n\nOptions:\n"
                         "  -h, --help, -?  Displays help on commandline options.\n"
                         "  -v, --version   Displays version information.\n\nArguments:\n"
                         "  book            The book (.kf1, .kf2, .csv) to open.\n";
    const QString hint = "\nTry 'keyfold --help' for more information.\n";
    // The toolkit's own options are left for it to act on: those with a value take it and the others none, so that
    // the word after each of the latter is a book.
    const QString toolkit = "-platform=v -platformpluginpath=v -platformtheme=v -plugin=v -qwindowgeometry=v "
                            "-geometry=v -qwindowicon=v -icon=v -qwindowtitle=v -title=v -session=v -display=v "
                            "-name=v -visual=v -style=v -stylesheet=v -qmljsdebugger=v -reverse 1 -widgetcount 2 "
                            "-nograb 3 -dograb 4 -sync 5 -testability 6";
    const Arguments cases[] = {
        {.arguments = {"-v"}, .action = Action::PrintVersion, .out = "Keyfold 1.1.3\n"}, // its line ends
        {.arguments = {"../old/./a b.kf2"}, .out = "/home/taro/old/a b.kf2"},
        {.arguments = {"--help"}, .action = Action::PrintHelp, .out = help}, // which names -h and -? too
        {.arguments = {"-style"}, .action = Action::Refuse, .out = "keyfold: Missing value after '-style'." + hint},
        {.arguments = toolkit.split(' '), .action = Action::Refuse, .out = "keyfold: one book at a time, not 6" + hint},
    };
    for (const Arguments& c : cases) {
        const auto line = ui::parseCommandLine(QStringList{"/usr/bin/keyfold"} + c.arguments, "/home/taro/books");
        EXPECT_EQ(std::pair(line.action, line.book + line.text), std::pair(c.action, c.out));
    }
    // An X display is preferred to Wayland, but not over the user's choice in QT_QPA_PLATFORM, and not without an X
    // display (a Wayland session has WAYLAND_DISPLAY too: it makes no difference). Twips are at 96 dpi before there
    // is a screen.
    EXPECT_EQ(ui::preferredPlatform("", ":0") + ui::preferredPlatform("wayland", ":0") + ui::preferredPlatform("", ""),
              "xcb;wayland");
    EXPECT_EQ(ui::twipsToPixels(1440), 96);
}

struct Box
{
    Buttons buttons = Buttons::Ok;
    std::optional<Answer> given = {}; // the default answer the caller asks for
    QString shown = {};               // the buttons' captions
    Answer answer = Answer::Ok;
};

TEST(Prompts, TheToolkitsMessageBoxAndFileDialogSpeakJapaneseAndAnswer)
{
    int argc = 1;
    char name[] = "keyfold";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    EXPECT_EQ(std::tuple(QApplication::applicationName(), QApplication::font().pointSize()), std::tuple("Keyfold", 9));
    // Enter takes the default answer, the first unless the caller says otherwise; Escape takes Cancel.
    const Box boxes[] = {
        {.shown = "OK"},
        {.buttons = Buttons::YesNo, .given = Answer::No, .shown = "はい(&Y)|いいえ(&N)", .answer = Answer::No},
        {.buttons = Buttons::YesNoCancel, .shown = "キャンセル|はい(&Y)|いいえ(&N)", .answer = Answer::Cancel},
    };
    for (const Box& b : boxes) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            QStringList texts{box->windowTitle(), box->text()};
            std::ranges::transform(box->buttons(), std::back_inserter(texts), &QAbstractButton::text);
            EXPECT_EQ(texts.join('|'), "題|一\n二\n三|" + b.shown);
            QTest::keyClick(box, b.answer == Answer::Cancel ? Qt::Key_Escape : Qt::Key_Return);
        });
        EXPECT_EQ(ui::Prompts::message("一\r二\r\n三", "題", b.buttons, b.given), b.answer);
    }

    // The file dialog offers the path and filter last chosen and replaces a file without asking; Cancel keeps the
    // last choice. What the dialog remembers of folders goes into a settings folder of the test's own.
    const testsupport::TempSettings folder;
    ui::CommonDialog dialog{.Filter = "A (*.a)|*.a|B (*.b)|*.b|",
                            .DialogTitle = "保存",
                            .FileName = folder.path() + "/old.b",
                            .FilterIndex = 2};
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(QStringList({d->windowTitle(), d->selectedNameFilter()}) + d->nameFilters() + d->selectedFiles(),
                  QStringList({"保存", "B (*.b)", "A (*.a)", "B (*.b)", folder.path() + "/old.b"}));
        // Qt's own dialog, so that it speaks Japanese under every desktop.
        EXPECT_TRUE(d->acceptMode() == QFileDialog::AcceptSave &&
                    d->options() == (QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite));
        d->selectNameFilter("A (*.a)");
        d->selectFile("new.a");
        static_cast<QDialog*>(d)->accept(); // QFileDialog hides it, not its work
    });
    EXPECT_TRUE(dialog.ShowSave() && dialog.FileName == folder.path() + "/new.a" && dialog.FilterIndex == 1);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(dialog.ShowOpen() || dialog.FileName != folder.path() + "/new.a" || dialog.FilterIndex != 1);
}

// No application object at first: the program reads its command line before it has one.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
