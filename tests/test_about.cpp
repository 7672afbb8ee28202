// The About box, and the search for the system information tool against a registry double.
#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "mainwin/Form1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"

#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace about;

namespace {

const QString ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QString LocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const ui::MessageRequest unavailable{"現時点ではｼｽﾃﾑ情報を使用できません", "Keyfold"};

// A registry holding only the given values (a key's handle is 100 + its place), and a starter that finds and starts
// every program or none; both log every call.
struct Fakes : Registry, ProgramStarter
{
    QMap<QString, QMap<QString, std::pair<std::uint32_t, QByteArray>>> keys; // key, value name: (type, bytes)
    bool there = false;
    QStringList calls;
    RegStatus openKey(RegRoot root, const QString& path, std::uint32_t access, RegHandle& handle) override
    {
        calls << "open " + path;
        const bool found = root == HKEY_LOCAL_MACHINE && access == KEY_ALL_ACCESS && keys.contains(path);
        return found ? (handle = 100 + keys.keys().indexOf(path), ERROR_SUCCESS) : ERROR_FILE_NOT_FOUND;
    }
    RegStatus queryValue(RegHandle key, const QString& name, std::uint32_t& type, QByteArray& data) override
    {
        calls << "query " + name;
        const auto value = keys.value(keys.keys().value(key - 100)).value(name);
        if (value.second.isNull() || data != QByteArray(1024, '\0')) {
            return ERROR_FILE_NOT_FOUND;
        }
        type = value.first;
        data.replace(0, value.second.size(), value.second);
        return ERROR_SUCCESS;
    }
    RegStatus closeKey(RegHandle key) override { return calls << QStringLiteral("close %1").arg(key), ERROR_SUCCESS; }
    bool fileExists(const QString& path) override { return calls << "exists " + path, there; }
    bool start(const QString& path) override { return calls << "start " + path, there; }
};

TEST(SysInfo, EachPathToTheToolAndHowValuesAreRead)
{
    const QStringList own = {"open " + ToolKey, "query PATH", "close 100"}, noOwn = {"open " + ToolKey, "close 0"};
    const QStringList shared = noOwn + QStringList{"open " + LocationKey, "query MSINFO", "close 100"};
    const QString exe = "C:\\s\\MSINFO32.EXE";
    // The type and bytes of PATH in the tool's key (none if null); MSINFO of the shared tools' key (none if null);
    // whether the program file exists and starts; the calls made.
    const std::tuple<std::uint32_t, QByteArray, QByteArray, bool, QStringList> cases[] = {
        // The tool's own key is trusted without looking for the file. Its value ends at the first NUL and is code
        // page 932; a 32-bit number is "&h" + each byte as hex without its leading zero, highest first, formatted
        // as a number when it is one; any other type counts as read, with nothing in it.
        {REG_SZ, QByteArray("C:\\a.exe\0x.exe", 14), {}, true, own + QStringList("start C:\\a.exe")},
        {REG_SZ, "C:\\\xC2\xB0\xD9", {}, false, own + QStringList("start C:\\ﾂｰﾙ")},
        {REG_DWORD, QByteArray("\x05\x1A\0\0", 4), {}, false, own + QStringList("start 421")},
        {REG_DWORD, "\xFF\xFF\xFF\xFF", {}, false, own + QStringList("start 4294967295")},
        {REG_DWORD, QByteArray(4, '\0'), {}, false, own + QStringList("start &h")},
        {3, "C:\\t.exe", {}, false, own + QStringList("start ")},
        {REG_SZ, QByteArray(1024, 'x'), {}, true, own}, // no end within the buffer: a failure
        // Else the folder of the shared tools, only when the file is there.
        {0, {}, "C:\\s", false, shared + QStringList{"exists " + exe}},
        {0, {}, "C:\\s", true, shared + QStringList{"exists " + exe, "start " + exe}},
        {0, {}, {}, true, noOwn + QStringList{"open " + LocationKey, "close 0"}},
    };
    for (const auto& [type, path, folder, there, calls] : cases) {
        SCOPED_TRACE(calls.last().toStdString());
        Fakes fakes;
        fakes.there = there;
        if (!path.isNull()) {
            fakes.keys[ToolKey]["PATH"] = {type, path};
        }
        if (!folder.isNull()) {
            fakes.keys[LocationKey]["MSINFO"] = {REG_SZ, folder};
        }
        StartSysInfo(fakes, fakes);
        EXPECT_EQ(fakes.calls, calls);
        const bool started = there && calls.last().startsWith("start");
        EXPECT_EQ(ui::Prompts::takeMessages(), started ? QList<ui::MessageRequest>{} : QList{unavailable});
    }
    // A number goes after what the value held before; a value that cannot be read empties it.
    Fakes fakes;
    fakes.keys[ToolKey]["n"] = {REG_DWORD, QByteArray("\x05\x1A\0\0", 4)};
    QString held = "1", text = "z", missing = "old";
    EXPECT_TRUE(GetKeyValue(fakes, HKEY_LOCAL_MACHINE, ToolKey, "n", held));
    EXPECT_TRUE(GetKeyValue(fakes, HKEY_LOCAL_MACHINE, ToolKey, "n", text));
    EXPECT_EQ(held + " " + text, "4517 &hz1A5");
    EXPECT_FALSE(GetKeyValue(fakes, HKEY_LOCAL_MACHINE, ToolKey, "missing", missing) || !missing.isEmpty());
}

TEST(AboutBox, TextsAndOneBoxAtATime)
{
    Form1 main;
    main.mnuVer_Click();
    QPointer<frmAbout> box = main.aboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QStringList({box->windowTitle(), box->lblTitle->text(), box->lblVersion->text()}),
              QStringList({"Keyfoldのﾊﾞｰｼﾞｮﾝ情報", "Keyfold", "ﾊﾞｰｼﾞｮﾝ 1.1.3"}));
    EXPECT_TRUE(box->Label2->text().startsWith("(連絡先)"));
    box->lblTitle->setText("changed");
    main.mnuVer_Click(); // the same box, not a second one
    EXPECT_TRUE(main.aboutBox() == box && box->lblTitle->text() == "changed");
    box->cmdSysInfo->click(); // no registry on this platform: the message, and the box stays
    EXPECT_PROMPTS(unavailable);
    QTest::keyClick(box->cmdOK, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull()) << "unloaded when it closes";
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
