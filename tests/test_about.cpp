// The About box, opened from the Help menu, and the search for the system information tool against a registry
// double.
#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "support/Window.h"

using namespace about;

const QString ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QString LocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const ui::MessageRequest unavailable{"現時点ではｼｽﾃﾑ情報を使用できません", "Keyfold"};

struct Lookup
{
    std::uint32_t type = REG_SZ; // PATH in the tool's own key: its type and bytes (none if null)
    QByteArray path = {};
    QByteArray folder = {}; // MSINFO in the shared tools' key (none if null)
    bool there = false;     // the program file exists and starts (where a row has one, it is found and started)
    QStringList calls = {}; // the programs looked for and started
};

// A registry holding the values of one lookup (the tool's key has the handle 1, the shared tools' 2), and a starter
// that finds and starts every program or none, logging the calls.
struct Fakes : Lookup, Registry, ProgramStarter
{
    explicit Fakes(const Lookup& lookup) : Lookup(lookup) {}
    QStringList log = {};
    int openKeys = 0;
    const QByteArray& value(RegHandle key) const { return key == 1 ? path : folder; }
    RegStatus openKey(RegRoot root, const QString& keyPath, std::uint32_t access, RegHandle& handle) override
    {
        const RegHandle key = keyPath == ToolKey ? 1 : keyPath == LocationKey ? 2 : 0;
        if (root != HKEY_LOCAL_MACHINE || access != KEY_ALL_ACCESS || key == 0 || value(key).isNull()) {
            return ERROR_FILE_NOT_FOUND; // the handle as it came in
        }
        return handle = key, ++openKeys, ERROR_SUCCESS;
    }
    RegStatus queryValue(RegHandle key, const QString& name, std::uint32_t& valueType, QByteArray& data) override
    {
        if (name != (key == 1 ? "PATH" : "MSINFO") || data != QByteArray(1024, '\0')) {
            return ERROR_FILE_NOT_FOUND;
        }
        valueType = key == 1 ? type : REG_SZ;
        data.replace(0, value(key).size(), value(key));
        return ERROR_SUCCESS;
    }
    RegStatus closeKey(RegHandle key) override { return openKeys -= key != 0, ERROR_SUCCESS; }
    bool fileExists(const QString& file) override { return log << "exists " + file, there; }
    bool start(const QString& file) override { return log << "start " + file, there; }
};

TEST(SysInfo, TheToolsOwnKeyIsTrustedElseItsFileInTheSharedToolsAndAnyFailureIsOneMessage)
{
    const Lookup cases[] = {
        // The tool's own key is trusted without looking for the file. Its value ends at the first NUL and is code
        // page 932; a 32-bit number is "&h" + each byte as hex without its leading zero, highest first, formatted as
        // a number when it is one; any other type counts as read, with nothing in it.
        {.path = QByteArray("C:\\\xC2\xB0\xD9\0x.exe", 12), .there = true, .calls = {"start C:\\ﾂｰﾙ"}},
        {.type = REG_DWORD, .path = QByteArray("\x05\x1A\0\0", 4), .calls = {"start 421"}},
        {.type = REG_DWORD, .path = "\xFF\xFF\xFF\xFF", .calls = {"start 4294967295"}},
        {.type = REG_DWORD, .path = QByteArray(4, '\0'), .calls = {"start &h"}},
        {.type = 3, .path = "C:\\t.exe", .calls = {"start "}},
        {.path = QByteArray(1024, 'x')}, // no end within the buffer: a failure
        // Else the folder of the shared tools, only when the file is there.
        {.folder = "C:\\s", .calls = {"exists C:\\s\\MSINFO32.EXE"}},
        {.folder = "C:\\s", .there = true, .calls = {"exists C:\\s\\MSINFO32.EXE", "start C:\\s\\MSINFO32.EXE"}},
        {}, // nothing in the registry
    };
    for (const Lookup& c : cases) {
        Fakes fakes(c);
        StartSysInfo(fakes, fakes);
        EXPECT_EQ(std::tuple(fakes.log, fakes.openKeys, ui::Prompts::takeMessages()),
                  std::tuple(c.calls, 0, c.there ? QList<ui::MessageRequest>{} : QList{unavailable}))
            << "row " << &c - cases << ": the calls, the keys left open (every key opened is closed), the message";
    }
}

// A second Help > About brings the same box to the front; the main window still takes input, and the box goes when
// closed.
TEST(AboutBox, OpensCentredAndModelessOneAtATime)
{
    const auto main = testsupport::makeShownMainWindow();
    main->mnuVer->trigger();
    QPointer<frmAbout> box = main->aboutBox();
    ASSERT_NE(box, nullptr);
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    main->mnuVer->trigger();
    EXPECT_TRUE(main->aboutBox() == box && QTest::qWaitFor([&] { return QApplication::activeWindow() == box; }) &&
                !QApplication::activeModalWidget());
    EXPECT_EQ(box->frameGeometry().center(), main->frameGeometry().center());
    EXPECT_EQ(testsupport::captions(box),
              QStringList({"Keyfoldのﾊﾞｰｼﾞｮﾝ情報", "Keyfold", "ﾊﾞｰｼﾞｮﾝ 1.1.3", "(制作) Keyfold 開発チーム",
                           "(連絡先) info@example.com", "ｼｽﾃﾑ情報(&S)...", "OK"}));
    EXPECT_TRUE(!box->Image1->pixmap().isNull() && !box->picIcon->pixmap().isNull() && box->font().pointSize() == 9 &&
                box->lblTitle->font().pointSize() == 12 && box->lblTitle->font().bold())
        << "the pictures, the box in 9 points, its title in 12 points bold";
    box->cmdSysInfo->click(); // no registry on this platform: the message, and the box stays
    EXPECT_PROMPTS(unavailable);
    box->cmdOK->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull()) << "unloaded when it closes";
}
