// How the program is started: the arguments it reads before any window exists, and the display platform it asks
// the toolkit for.
#include "support/Dialogs.h" // readable texts in failures
#include "ui/CommandLine.h"
#include "ui/Platform.h"

#include <gtest/gtest.h>

namespace {

using Action = ui::CommandLine::Action;

ui::CommandLine parse(const QStringList& arguments)
{
    return ui::parseCommandLine(QStringList{"/usr/bin/keyfold"} + arguments, "/home/taro/books");
}

TEST(CommandLine, ABookIsOpenedByItsAbsolutePathAndTheToolkitsOptionsAreLeftAlone)
{
    const std::pair<QStringList, QString> cases[] = {
        {{}, ""},
        {{"accounts.kf1"}, "/home/taro/books/accounts.kf1"},
        {{"../old/./a b.kf2"}, "/home/taro/old/a b.kf2"},
        {{"/tmp/帳簿.kf1"}, "/tmp/帳簿.kf1"},
        {{"--", "-odd.kf1"}, "/home/taro/books/-odd.kf1"},
        // The toolkit's values are not taken for the book.
        {{"-platform", "offscreen", "a.kf1"}, "/home/taro/books/a.kf1"},
        {{"--platform", "xcb", "-display", ":1", "-style", "fusion", "a.kf1"}, "/home/taro/books/a.kf1"},
        {{"-style=fusion", "-reverse", "-qwindowgeometry", "400x300", "a.kf1"}, "/home/taro/books/a.kf1"},
        {{"-platform", "offscreen"}, ""},
    };
    for (const auto& [arguments, book] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ui::CommandLine command = parse(arguments);
        EXPECT_EQ(command.action, Action::Run) << command.text.toStdString();
        EXPECT_EQ(command.book, book);
    }
}

TEST(CommandLine, HelpAndVersionAnswerAndUnknownOptionsOrTwoBooksAreRefused)
{
    const std::tuple<QStringList, Action, QString> cases[] = {
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
        const ui::CommandLine command = parse(arguments);
        EXPECT_EQ(command.action, action);
        EXPECT_TRUE(command.text.contains(text)) << command.text.toStdString();
        EXPECT_EQ(command.book, QString());
    }
    // The toolkit's options are its own business and stay out of the help.
    EXPECT_FALSE(parse({"--help"}).text.contains("platform"));
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
