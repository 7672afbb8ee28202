// How the program is started: the arguments it reads before any window exists, and the display platform it asks
// the toolkit for.
#include "support/Dialogs.h" // readable texts in failures
#include "ui/CommandLine.h"
#include "ui/Platform.h"

#include <gtest/gtest.h>

namespace {

using Action = ui::CommandLine::Action;

TEST(CommandLine, ABookIsOpenedByItsAbsolutePathHelpAndVersionAnswerAndMistakesAreRefused)
{
    // The arguments, the action, and the book (Run) or what the printed text contains (else; no book then).
    const std::tuple<QStringList, Action, QString> cases[] = {
        {{}, Action::Run, ""},
        {{"accounts.kf1"}, Action::Run, "/home/taro/books/accounts.kf1"},
        {{"../old/./a b.kf2"}, Action::Run, "/home/taro/old/a b.kf2"},
        {{"/tmp/帳簿.kf1"}, Action::Run, "/tmp/帳簿.kf1"},
        {{"--", "-odd.kf1"}, Action::Run, "/home/taro/books/-odd.kf1"},
        // The toolkit's options and values are left alone.
        {{"--platform", "xcb", "-display", ":1", "-style", "fusion", "a.kf1"}, Action::Run, "/home/taro/books/a.kf1"},
        {{"-style=fusion", "-reverse", "-qwindowgeometry", "400x300", "a.kf1"}, Action::Run, "/home/taro/books/a.kf1"},
        {{"-platform", "offscreen"}, Action::Run, ""},
        {{"--version"}, Action::PrintVersion, "Keyfold 1.1.3\n"},
        {{"-v"}, Action::PrintVersion, "Keyfold 1.1.3\n"},
        {{"-platform", "offscreen", "--version", "a.kf1"}, Action::PrintVersion, "Keyfold 1.1.3\n"},
        {{"--help"}, Action::PrintHelp, "Usage: keyfold [options] [book]"},
        {{"-h"}, Action::PrintHelp, "--version"},
        {{"--bogus"}, Action::Refuse, "keyfold: Unknown option 'bogus'.\nTry 'keyfold --help'"},
        {{"-x", "a.kf1"}, Action::Refuse, "Unknown option 'x'."},
        {{"-platform"}, Action::Refuse, "Missing value after '-platform'."},
        {{"a.kf1", "b.kf1"}, Action::Refuse, "keyfold: one book at a time, not 2"},
    };
    for (const auto& [arguments, action, text] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ui::CommandLine command =
            ui::parseCommandLine(QStringList{"/usr/bin/keyfold"} + arguments, "/home/taro/books");
        EXPECT_EQ(command.action, action) << command.text.toStdString();
        EXPECT_EQ(command.book, action == Action::Run ? text : QString());
        EXPECT_TRUE(action == Action::Run || command.text.contains(text)) << command.text.toStdString();
        // The toolkit's options are its own business and stay out of the help.
        EXPECT_FALSE(command.text.contains("platform") && action == Action::PrintHelp);
    }
}

TEST(Platform, AnXDisplayIsPreferredToWaylandUnlessTheUserChose)
{
    // QT_QPA_PLATFORM, DISPLAY (a Wayland session has WAYLAND_DISPLAY too: it makes no difference) -> the choice.
    const std::tuple<QByteArray, QByteArray, QByteArray> cases[] = {
        {"", ":0", "xcb;wayland"}, {"", ":1.0", "xcb;wayland"}, {"wayland", ":0", ""},
        {"offscreen", "", ""},     {"xcb", ":0", ""},           {"", "", ""},
    };
    for (const auto& [qpa, display, chosen] : cases) {
        EXPECT_EQ(ui::preferredPlatform(qpa, display), chosen) << qpa.data() << " / " << display.data();
    }
}

} // namespace

// No application object: the program reads its command line before it has one.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
