#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "mainwin/Form1.h"
#include "support/TestApp.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace about;

namespace {

const QString ToolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString LocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// A registry holding just the values a test puts in, logging every call; handles count up from 100.
class FakeRegistry : public Registry
{
public:
    QMap<QString, QMap<QString, std::pair<std::uint32_t, QByteArray>>> keys; // key → value name → (type, bytes)
    QStringList calls;
    int open = 0;

    RegStatus openKey(RegRoot root, const QString& path, std::uint32_t access, RegHandle& handle) override
    {
        calls << "open " + path;
        EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
        EXPECT_EQ(access, 0x2003Fu);
        if (!keys.contains(path)) {
            return ERROR_FILE_NOT_FOUND;
        }
        ++open;
        handle = static_cast<RegHandle>(100 + m_handles.size());
        m_handles << path;
        return ERROR_SUCCESS;
    }
    RegStatus queryValue(RegHandle key, const QString& name, std::uint32_t& type, QByteArray& data) override
    {
        calls << "query " + name;
        EXPECT_EQ(data, QByteArray(1024, '\0'));
        const auto values = keys.value(m_handles.value(key - 100));
        if (!values.contains(name)) {
            return ERROR_FILE_NOT_FOUND;
        }
        type = values[name].first;
        data.replace(0, values[name].second.size(), values[name].second);
        return ERROR_SUCCESS;
    }
    RegStatus closeKey(RegHandle key) override
    {
        calls << QStringLiteral("close %1").arg(key);
        open -= key != 0;
        return ERROR_SUCCESS;
    }

private:
    QStringList m_handles;
};

class FakeStarter : public ProgramStarter
{
public:
    QSet<QString> files, startable;
    QStringList searched, started;
    bool fileExists(const QString& path) override
    {
        searched << path;
        return files.contains(path);
    }
    bool start(const QString& path) override
    {
        started << path;
        return startable.contains(path);
    }
};

class SysInfo : public ::testing::Test
{
protected:
    void TearDown() override
    {
        EXPECT_EQ(registry.open, 0) << "every opened key is closed";
        testsupport::resetProgramState();
    }
    // Runs the lookup; true when it ended in the one message, checked word for word.
    bool runShowsMessage()
    {
        StartSysInfo(registry, starter);
        const QList<ui::MessageRequest> messages = ui::Prompts::takeMessages();
        EXPECT_LE(messages.size(), 1);
        for (const ui::MessageRequest& m : messages) {
            EXPECT_EQ(m.text, "現時点ではｼｽﾃﾑ情報を使用できません");
            EXPECT_EQ(m.title, "Keyfold");
            EXPECT_TRUE(m.buttons == ui::Buttons::Ok);
        }
        return !messages.isEmpty();
    }
    QString read(const QString& name, QString value = {})
    {
        EXPECT_TRUE(GetKeyValue(registry, HKEY_LOCAL_MACHINE, ToolKey, name, value)) << name.toStdString();
        return value;
    }

    FakeRegistry registry;
    FakeStarter starter;
};

TEST_F(SysInfo, TheToolsOwnPathIsStartedWithoutLookingForTheFile)
{
    registry.keys[ToolKey]["PATH"] = {REG_SZ, "C:\\Tools\\msinfo32.exe"};
    starter.startable << "C:\\Tools\\msinfo32.exe";
    EXPECT_FALSE(runShowsMessage());
    EXPECT_EQ(starter.started, QStringList{"C:\\Tools\\msinfo32.exe"});
    EXPECT_EQ(registry.calls, QStringList({"open " + ToolKey, "query PATH", "close 100"}));

    starter.startable.clear(); // the same path, now failing to start
    EXPECT_TRUE(runShowsMessage());
    EXPECT_TRUE(starter.searched.isEmpty());
}

TEST_F(SysInfo, TheSharedToolsFolderIsUsedOnlyWhenTheFileIsThere)
{
    const QString tool = QStringLiteral("C:\\Common Files\\MSInfo\\MSINFO32.EXE");
    registry.keys[LocationKey]["MSINFO"] = {REG_SZ, "C:\\Common Files\\MSInfo"};
    EXPECT_TRUE(runShowsMessage());
    EXPECT_EQ(starter.searched, QStringList{tool});
    EXPECT_TRUE(starter.started.isEmpty());
    EXPECT_EQ(registry.calls,
              QStringList({"open " + ToolKey, "close 0", "open " + LocationKey, "query MSINFO", "close 100"}));

    starter.files << tool;
    starter.startable << tool;
    EXPECT_FALSE(runShowsMessage());
    EXPECT_EQ(starter.started, QStringList{tool});
}

TEST_F(SysInfo, WithoutKeysOrValuesTheToolIsUnavailable)
{
    EXPECT_TRUE(runShowsMessage());
    EXPECT_EQ(registry.calls, QStringList({"open " + ToolKey, "close 0", "open " + LocationKey, "close 0"}));

    registry.calls.clear();
    registry.keys[ToolKey]["OTHER"] = {REG_SZ, "x"};
    registry.keys[LocationKey]["OTHER"] = {REG_SZ, "x"};
    EXPECT_TRUE(runShowsMessage());
    EXPECT_EQ(registry.calls, QStringList({"open " + ToolKey, "query PATH", "close 100", "open " + LocationKey,
                                           "query MSINFO", "close 101"}));
    EXPECT_TRUE(starter.started.isEmpty() && starter.searched.isEmpty());
}

TEST_F(SysInfo, AValueOfAnotherTypeCountsAsReadSoTheEmptyPathIsStarted)
{
    registry.keys[ToolKey]["PATH"] = {3 /* binary */, "C:\\x.exe"};
    registry.keys[LocationKey]["MSINFO"] = {REG_SZ, "C:\\Tools"};
    EXPECT_TRUE(runShowsMessage());
    EXPECT_EQ(starter.started, QStringList{QString()});
    EXPECT_FALSE(registry.calls.contains("open " + LocationKey));
}

TEST_F(SysInfo, AValueFillingTheWholeBufferIsAFailure)
{
    registry.keys[ToolKey]["PATH"] = {REG_SZ, QByteArray(1024, 'x')};
    EXPECT_TRUE(runShowsMessage());
    EXPECT_TRUE(starter.started.isEmpty());
    QString value;
    EXPECT_THROW(GetKeyValue(registry, HKEY_LOCAL_MACHINE, ToolKey, "PATH", value), SysInfoError);
}

TEST_F(SysInfo, ReadingTextAndNumbers)
{
    auto& values = registry.keys[ToolKey];
    values["cut"] = {REG_SZ, QByteArray("C:\\a.exe\0ignored", 16)};
    values["narrow"] = {REG_SZ, "C:\\\xC2\xB0\xD9"}; // half-width katakana in code page 932
    values["number"] = {REG_DWORD, QByteArray("\x05\x1A\0\0", 4)};
    values["ones"] = {REG_DWORD, "\xFF\xFF\xFF\xFF"};
    values["zero"] = {REG_DWORD, QByteArray(4, '\0')};
    EXPECT_EQ(read("cut", "old"), "C:\\a.exe");
    EXPECT_EQ(read("narrow"), "C:\\ﾂｰﾙ");
    // Each byte's hex without its leading zero, highest first, after what value held: "1A5", and "11A5".
    EXPECT_EQ(read("number"), "421");
    EXPECT_EQ(read("number", "1"), "4517");
    EXPECT_EQ(read("ones"), "4294967295");
    EXPECT_EQ(read("zero"), "&h") << "no digits, no number";
    EXPECT_EQ(read("number", "z"), "&hz1A5") << "no number, unchanged";

    QString value = QStringLiteral("old");
    EXPECT_FALSE(GetKeyValue(registry, HKEY_LOCAL_MACHINE, ToolKey, "missing", value));
    EXPECT_TRUE(value.isEmpty());
    value = QStringLiteral("old");
    EXPECT_FALSE(GetKeyValue(platformRegistry(), HKEY_LOCAL_MACHINE, ToolKey, "PATH", value)) << "no registry here";
    EXPECT_TRUE(value.isEmpty());
}

TEST(AboutBox, ShowsTitleAndVersionReadablyOverThePicture)
{
    auto* box = new frmAbout(nullptr);
    box->show();
    EXPECT_EQ(box->windowTitle(), "Keyfoldのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(box->lblVersion->text(), "ﾊﾞｰｼﾞｮﾝ 1.1.3");
    EXPECT_EQ(box->lblTitle->text(), "Keyfold");
    EXPECT_TRUE(box->Label2->text().startsWith("(連絡先)"));
    EXPECT_EQ(box->focusWidget(), box->cmdOK);
    EXPECT_FALSE(box->Image1->pixmap().isNull());
    EXPECT_FALSE(box->picIcon->pixmap().isNull());
    for (QLabel* label : {box->lblTitle, box->lblVersion, box->Label1, box->Label2}) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_LE(label->sizeHint().width(), label->width()) << "clipped";
        EXPECT_LE(label->sizeHint().height(), label->height()) << "clipped";
        EXPECT_FALSE(label->autoFillBackground());
        EXPECT_LT(box->children().indexOf(box->Image1), box->children().indexOf(label)) << "under the picture";
    }
    box->close();
}

TEST(AboutBox, OneBoxAtATimeAndAFreshOneAfterItCloses)
{
    testsupport::resetProgramState();
    auto main = std::make_unique<Form1>();
    const auto visibleBoxes = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            n += qobject_cast<frmAbout*>(w) && w->isVisible();
        }
        return n;
    };
    main->mnuVer_Click();
    QPointer<frmAbout> first = main->aboutBox();
    first->lblTitle->setText(QStringLiteral("changed"));
    main->mnuVer_Click();
    EXPECT_EQ(visibleBoxes(), 1);
    EXPECT_EQ(first->lblTitle->text(), "changed") << "not loaded a second time";

    first->cmdSysInfo->click(); // no registry on this platform: the message, and the box stays
    EXPECT_EQ(ui::Prompts::takeMessages().size(), 1);
    EXPECT_TRUE(first->isVisible());

    QTest::keyClick(first->cmdOK, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "Escape unloads the box";
    main->mnuVer_Click();
    ASSERT_NE(main->aboutBox(), nullptr);
    EXPECT_EQ(main->aboutBox()->lblTitle->text(), "Keyfold");
    main->aboutBox()->cmdOK->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->aboutBox(), nullptr);
    EXPECT_EQ(visibleBoxes(), 0);
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
