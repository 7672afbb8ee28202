// What the user stored is never lost or silently changed: files that failed to read, saves that fail, another
// program writing the same book, texts a book file cannot hold, spreadsheet files, the private settings, and the
// end of the program without its window.
#include "login/Settings.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/WrapCheckBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using namespace Module1;
using ui::Answer, ui::Buttons, ui::Prompts;

const ui::MessageRequest ExitQuestion{"このファイルを保存しますか?", "Keyfold", Buttons::YesNoCancel, Answer::Yes};
const ui::MessageRequest ChangedQuestion{"このファイルは他のプログラムによって変更されています。上書きしますか?",
                                         "Keyfold", Buttons::YesNo, Answer::No};
const QByteArray OneRecord = QByteArray("\"provider\"\r\n") + QByteArray("\"\"\r\n").repeated(12);

unsigned modeOf(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

class KeepingBooks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        w = testsupport::makeShownMainWindow();
        write("a.kf1", OneRecord);
    }
    void TearDown() override
    {
        EXPECT_EQ(Prompts::pendingAnswers() + Prompts::pendingFileAnswers(), 0) << "queued for a prompt never shown";
        w.reset();
        testsupport::resetProgramState();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& data) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    void open(const QString& name)
    {
        DataFileName = path(name);
        w->DataOpen();
        w->DispdataOutPut();
    }
    // Types a provider name at the blank position and adds it: the book then has unsaved changes.
    void addRecord(const QString& provider)
    {
        w->VScroll1->setValue(w->VScroll1->maximum());
        w->Text1[0]->setText(provider);
        w->Command4->click();
    }
    // Another program rewrites the file with bytes of the same size and puts its time back.
    void rewriteBehindOurBack(const QString& name)
    {
        struct stat before;
        ASSERT_EQ(::stat(QFile::encodeName(path(name)).constData(), &before), 0);
        write(name, QByteArray(read(name)).replace("provider", "PROVIDER"));
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path(name)).constData(), times, 0), 0);
    }
    QString storedFileName() const
    {
        return QSettings(settings.settingsFile(), QSettings::IniFormat).value("load/FileName", "-").toString();
    }
    QStringList offered() const
    {
        QStringList names;
        for (const ui::FileRequest& request : Prompts::takeFileRequests()) {
            names << (request.save ? "S:" : "O:") + request.fileName;
        }
        return names;
    }

    QTemporaryDir dir;
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w;
};

TEST_F(KeepingBooks, AFileThatFailedToReadIsNeitherDeletedNorWrittenOverUnasked)
{
    const QByteArray damaged = OneRecord + "\"a field too many\"\r\n";
    write("short.kf1", damaged);
    open("a.kf1");
    open("short.kf1");
    EXPECT_PROMPTS({"Keyfoldファイルにこれ以上データがありません。", "Keyfold"});
    EXPECT_FALSE(w->Command2->isEnabled()) << "Delete would remove the file that did not read";

    // Auto-save at exit goes through the save dialog, which offers the file; cancelling it keeps the program.
    w->Check1->setChecked(true);
    w->optionForm().Check5->setChecked(true);
    addRecord("typed");
    Prompts::queueFileCancel();
    w->Command3->click();
    EXPECT_EQ(offered(), QStringList({"S:" + path("short.kf1")}));
    EXPECT_FALSE(ui::ProgramEnd::ended());
    // Ending without a save remembers the file, so one that is unreadable only for a while is not forgotten.
    w->optionForm().Check5->setChecked(false);
    Prompts::queueAnswer(Answer::No);
    w->Command3->click();
    EXPECT_PROMPTS(ExitQuestion);
    EXPECT_TRUE(ui::ProgramEnd::ended());
    EXPECT_EQ(storedFileName(), path("short.kf1"));
    EXPECT_EQ(read("short.kf1"), damaged);

    // New starts a book that saves to "新規" as it always did, whatever file failed before.
    ui::ProgramEnd::resetForTest();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    open("short.kf1");
    Prompts::queueAnswer(Answer::No); // New's question about the record typed before
    w->mnuNew->trigger();
    addRecord("typed");
    w->Command3->click();
    QDir::setCurrent(previous);
    EXPECT_EQ(offered(), QStringList());
    EXPECT_TRUE(QFile::exists(path("新規")));
    Prompts::takeMessages();
}

TEST_F(KeepingBooks, AFailedSaveUnderANewNameKeepsTheNameOfTheBookThatWasOpen)
{
    open("a.kf1");
    addRecord("second");
    Prompts::queueFileName(path("missing/b.kf1"));
    w->Command1->click();
    EXPECT_PROMPTS({"パスが見つかりません。", "Keyfold"});
    EXPECT_EQ(DataFileName + " | " + w->windowTitle(), path("a.kf1") + " | " + path("a.kf1") + " - Keyfold");
    // Delete, the exit's save and the remembered file all mean a.kf1.
    Prompts::queueAnswer(Answer::Ok);
    w->Command2->click();
    EXPECT_PROMPTS({"このファイルを消しますか?", "削除", Buttons::OkCancel, Answer::Ok});
    EXPECT_FALSE(QFile::exists(path("a.kf1")));
    w->Check1->setChecked(true);
    w->optionForm().Check5->setChecked(true);
    w->Command3->click(); // a book file deleted meanwhile is simply written
    EXPECT_PROMPTS({path("a.kf1") + "に保存しました", "Keyfold"});
    EXPECT_EQ(read("a.kf1"), OneRecord + "\"second\"\r\n" + QByteArray("\"\"\r\n").repeated(12));
    EXPECT_EQ(storedFileName(), path("a.kf1"));
}

TEST_F(KeepingBooks, AnotherProgramsChangesAreOverwrittenOnlyWhenTheUserSaysSo)
{
    open("a.kf1");
    rewriteBehindOurBack("a.kf1");
    const QByteArray theirs = read("a.kf1");
    addRecord("mine");
    // No: nothing written, Save stays enabled; the exit's auto-save asks the same and stays.
    Prompts::queueFileName(path("a.kf1"));
    Prompts::queueAnswer(Answer::No);
    w->Command1->click();
    EXPECT_PROMPTS(ChangedQuestion);
    w->optionForm().Check5->setChecked(true);
    Prompts::queueAnswer(Answer::No);
    w->Command3->click();
    EXPECT_PROMPTS(ChangedQuestion);
    EXPECT_TRUE(w->Command1->isEnabled() && !ui::ProgramEnd::ended());
    EXPECT_EQ(read("a.kf1"), theirs);
    // Yes writes; the book's own writes are not another program's.
    Prompts::queueAnswer(Answer::Yes);
    w->Command3->click();
    EXPECT_PROMPTS(ChangedQuestion, {path("a.kf1") + "に保存しました", "Keyfold"});
    EXPECT_TRUE(read("a.kf1").endsWith(QByteArray("\"mine\"\r\n") + QByteArray("\"\"\r\n").repeated(12)));
    ui::ProgramEnd::resetForTest();
    addRecord("again");
    w->Command3->click();
    EXPECT_PROMPTS({path("a.kf1") + "に保存しました", "Keyfold"});
}

TEST_F(KeepingBooks, AddAndOverwriteStoreOnlyWhatTheFileGivesBack)
{
    w->Text1[0]->setText("provider");
    w->Text1[12]->setText("a\",b");
    w->Command4->click();
    EXPECT_PROMPTS({"「メール パスワード」の「\",」はファイルに正しく保存できないため、登録できません。", "追加"});
    EXPECT_EQ(std::pair(int(RecordCount), QApplication::focusWidget()), std::pair(0, (QWidget*)w->Text1[12]));

    // Characters without a code: asked, Cancel the default; look-alikes pass as typed.
    const ui::MessageRequest question{"「接続情報 パスワード」の文字「€ñ」はファイルに保存できません。"
                                      "「?」に置き換えて登録しますか?",
                                      "追加", Buttons::OkCancel, Answer::Cancel};
    w->Text1[12]->setText("〜−¢‖");
    w->Text1[2]->setText("pass€ñ€");
    Prompts::queueAnswer(Answer::Cancel);
    w->Command4->click();
    EXPECT_PROMPTS(question);
    EXPECT_EQ(std::pair(int(RecordCount), QApplication::focusWidget()), std::pair(0, (QWidget*)w->Text1[2]));
    Prompts::queueAnswer(Answer::Ok);
    w->Command4->click();
    EXPECT_PROMPTS(question);
    ASSERT_EQ(RecordCount, 1);
    EXPECT_EQ(RecordTable[0][2] + RecordTable[0][12], "pass???〜−¢‖");

    // Overwrite stores all thirteen boxes, any length, and the file gives them back.
    w->VScroll1->setValue(0);
    for (int i = 0; i <= LastField; ++i) {
        w->Text1[i]->setText(i == 5 ? QString(40000, 'x') : QString("box%1 \"quoted\"").arg(i));
    }
    w->Command6->click();
    EXPECT_PROMPTS();
    const Record overwritten = RecordTable[0];
    EXPECT_EQ(overwritten[5].size(), 40000);
    EXPECT_EQ(overwritten[12], "box12 \"quoted\"");
    Prompts::queueFileName(path("long.kf1"));
    w->Command1->click();
    Prompts::takeMessages();
    open("long.kf1");
    EXPECT_TRUE(RecordTable[0] == overwritten && RecordCount == 1);
    w->Text1[7]->setText("x\" \r");
    w->Command6->click();
    EXPECT_PROMPTS(
        {"「ファイル転送 Webページ」の「\" \r」はファイルに正しく保存できないため、登録できません。", "上書"});
}

TEST_F(KeepingBooks, AUtf8SpreadsheetFileSaysWhatASaveWouldTurnIntoQuestionMarks)
{
    QByteArray csv = "\xEF\xBB\xBF";
    for (int r = 1; r <= 7; ++r) {
        csv += QString("\"%1 \"\"€\"\"\",,,,,,,,,,,,%2\r\n").arg(r).arg(r == 2 ? "ñ" : "").toUtf8();
    }
    write("sheet.csv", csv);
    open("sheet.csv");
    EXPECT_PROMPTS({"このファイルには、保存すると「?」に置き換わる文字があります。\nレコード 1「接続先」: €\n"
                    "レコード 2「接続先」: €\nレコード 2「メール パスワード」: ñ\nレコード 3「接続先」: €\n"
                    "レコード 4「接続先」: €\n…",
                    "Keyfold"});
    EXPECT_EQ(RecordTable[1][0], "2 \"€\"");
}

TEST_F(KeepingBooks, TheSettingsAreForTheirOwnerOnly)
{
    const QString folder = QFileInfo(settings.settingsFile()).path();
    login::writeSetting(login::KeyCheck1, "1");
    EXPECT_EQ(std::pair(modeOf(folder), modeOf(settings.settingsFile())), std::pair(0700u, 0600u));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(settings.settingsFile()).constData(), 0644);
    login::writeSetting(login::KeyCheck1, "0");
    EXPECT_EQ(std::pair(modeOf(folder), modeOf(settings.settingsFile())), std::pair(0700u, 0600u));
    EXPECT_EQ(login::readSetting(login::KeyCheck1), "0");
}

// The end without the window, in process; the real program receiving SIGTERM is the end-to-end test's part.
TEST_F(KeepingBooks, EndingWithoutTheWindowSavesWhereAnExitWouldElseKeepsARescueCopy)
{
    const QString rescueFolder = path("data/Keyfold/rescue");
    // Before the start-up is over nothing is written.
    w->endWithoutWindow();
    EXPECT_TRUE(ui::ProgramEnd::ended() && !QFile::exists(settings.settingsFile()));

    for (const auto& [autoSave, changedBehind, rescued] :
         {std::tuple{true, false, false}, {false, false, true}, {true, true, true}}) {
        SCOPED_TRACE(testing::Message() << autoSave << changedBehind);
        testsupport::resetProgramState();
        QDir(path("data")).removeRecursively();
        write("a.kf1", OneRecord);
        for (const auto& [key, value] : {std::pair{login::KeyOptionCheck1, "1"}, {login::KeyFileName, ""}}) {
            login::writeSetting(key, value);
        }
        w = std::make_unique<Form1>();
        ASSERT_TRUE(w->Form_Load());
        open("a.kf1");
        w->Check1->setChecked(true);
        w->optionForm().Check5->setChecked(autoSave);
        addRecord("unsaved");
        if (changedBehind) {
            rewriteBehindOurBack("a.kf1");
        }
        const QByteArray book = OneRecord + "\"unsaved\"\r\n" + QByteArray("\"\"\r\n").repeated(12);
        w->endWithoutWindow();
        EXPECT_PROMPTS();
        EXPECT_TRUE(ui::ProgramEnd::ended());
        EXPECT_EQ(storedFileName(), path("a.kf1"));
        EXPECT_EQ(read("a.kf1") == book, !rescued);
        const QStringList copies = QDir(rescueFolder).entryList(QDir::Files);
        ASSERT_EQ(copies.size(), rescued ? 1 : 0);
        if (rescued) {
            EXPECT_TRUE(copies[0].startsWith("a-") && copies[0].endsWith(".kf1")) << copies[0].toStdString();
            EXPECT_EQ(read("data/Keyfold/rescue/" + copies[0]), book);
            EXPECT_EQ(modeOf(rescueFolder + "/" + copies[0]), 0600u);
            EXPECT_EQ(modeOf(rescueFolder), 0700u);
        }
    }
}

TEST_F(KeepingBooks, TheEndOfTheSessionAsksOnceAndCanBeCancelled)
{
    login::writeSetting(login::KeyOptionCheck1, "1");
    w = std::make_unique<Form1>();
    ASSERT_TRUE(w->Form_Load());
    addRecord("unsaved");
    Prompts::queueAnswer(Answer::Cancel);
    EXPECT_TRUE(w->commitSession(true)) << "Cancel cancels the logout";
    Prompts::queueAnswer(Answer::No);
    EXPECT_FALSE(w->commitSession(true));
    EXPECT_PROMPTS(ExitQuestion, ExitQuestion);
    EXPECT_FALSE(ui::ProgramEnd::ended()) << "never quits inside the request";
    w->close(); // the session's end closes the window: the answer given stands
    EXPECT_PROMPTS();
    EXPECT_TRUE(ui::ProgramEnd::ended());
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
