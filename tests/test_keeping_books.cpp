// What the window shows and asks when the book on disk is at stake: files that failed to read or are not books,
// saves refused or declined, texts a book file cannot hold, spreadsheet files, the end without the window and the
// next start naming the rescue copies. The rules themselves are the book session's (test_book_session).
#include "login/Settings.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Children.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/WrapCheckBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>

namespace {

using namespace Module1;
using testsupport::readAll, testsupport::writeFile, testsupport::modeOf;
using ui::Answer, ui::Buttons, ui::Prompts;

const ui::MessageRequest ExitQuestion{"このファイルを保存しますか?", "Keyfold", Buttons::YesNoCancel, Answer::Yes};
const QByteArray OneRecord = QByteArray("\"provider\"\r\n") + QByteArray("\"\"\r\n").repeated(12);

class KeepingBooks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        w = testsupport::makeShownMainWindow();
        writeFile(path("a.kf1"), OneRecord);
    }
    void TearDown() override
    {
        EXPECT_EQ(Prompts::pendingAnswers() + Prompts::pendingFileAnswers(), 0) << "queued for a prompt never shown";
        w.reset();
        testsupport::resetProgramState();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void open(const QString& name)
    {
        w->book().setFileName(path(name));
        w->DataOpen();
        w->DispdataOutPut();
    }
    // Types a provider name (and a box's text) at the blank position and adds it: the book then has unsaved changes.
    void addRecord(const QString& provider, int box = 0, const QString& text = QString())
    {
        w->VScroll1->setValue(w->VScroll1->maximum());
        w->Text1[0]->setText(provider);
        w->Text1[box]->setText(box ? text : provider);
        w->Command4->click();
    }
    QStringList offered() const
    {
        QStringList names;
        for (const ui::FileRequest& request : Prompts::takeFileRequests()) {
            names << (request.save ? "S:" : "O:") + request.fileName;
        }
        return names;
    }
    void startOver()
    {
        testsupport::resetProgramState();
        login::writeSetting(login::KeyOptionCheck1, "1");
        w = std::make_unique<Form1>();
        ASSERT_TRUE(w->Form_Load());
        w->show();
    }

    QTemporaryDir dir;
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w;
};

TEST_F(KeepingBooks, AFileThatFailedToReadOrIsNoBookIsWrittenOnlyThroughTheSaveDialog)
{
    writeFile(path("short.kf1"), OneRecord + "\"a field too many\"\r\n");
    writeFile(path("sheet.csv"), "a,b,c,d,e,f,g,h,i,j,k,l,m\r\n");
    open("a.kf1");
    open("short.kf1");
    EXPECT_PROMPTS({"Keyfoldファイルにこれ以上データがありません。", "Keyfold"});
    EXPECT_FALSE(w->Command2->isEnabled()) << "Delete would remove the file that did not read";
    for (const char* name : {"short.kf1", "sheet.csv"}) {
        open(name);
        w->optionForm().Check5->setChecked(true);
        addRecord("typed");
        Prompts::queueFileCancel(); // the auto-save at exit offers the file; cancelling keeps the program
        w->Command3->click();
        EXPECT_EQ(offered(), QStringList({"S:" + path(name)}));
        EXPECT_FALSE(ui::ProgramEnd::ended());
    }
    EXPECT_PROMPTS({"Keyfoldファイルにこれ以上データがありません。", "Keyfold"});
    EXPECT_EQ(readAll(path("sheet.csv")), "a,b,c,d,e,f,g,h,i,j,k,l,m\r\n");
    // New starts a book that saves to "新規" as it always did, whatever file was open before.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    Prompts::queueAnswer(Answer::No); // New's question about the record typed before
    w->mnuNew->trigger();
    addRecord("typed");
    w->Command3->click();
    QDir::setCurrent(previous);
    EXPECT_EQ(offered(), QStringList());
    EXPECT_PROMPTS({"このファイルを保存しますか?", "新規", Buttons::YesNoCancel, Answer::Yes},
                   {"新規に保存しました", "Keyfold"});
    EXPECT_TRUE(QFile::exists(path("新規")));
}

// Each way a save can go wrong says so once, keeps Save enabled and the window open, and changes no file.
TEST_F(KeepingBooks, ASaveThatCannotBeMadeIsToldAndKeepsTheBookUnsaved)
{
    writeFile(path("sheet.csv"), "p,,,,,,\"7h\"\",Kx'9\",,,,,,\r\n");
    open("sheet.csv");
    EXPECT_PROMPTS({"このファイルには、保存すると変わる文字や、保存できない文字があります。\n"
                    "レコード 1「ファイル転送 パスワード」: 「\",」は保存できません",
                    "Keyfold"});
    const ui::MessageRequest refused{
        "レコード 1「ファイル転送 パスワード」の「\",」はファイルに正しく保存できないため、保存できません。",
        "Keyfold"};
    addRecord("typed");
    Prompts::queueFileName(path("b.kf1"));
    w->Command1->click();
    Prompts::queueAnswer(Answer::Yes);
    Prompts::queueFileName(path("b.kf1"));
    w->mnuNew->trigger();
    EXPECT_PROMPTS(refused, {"このファイルを保存しますか?", "新規", Buttons::YesNoCancel, Answer::Yes}, refused);
    EXPECT_TRUE(w->Command1->isEnabled() && RecordCount == 2 && !QFile::exists(path("b.kf1")));
    Prompts::queueAnswer(Answer::Yes);
    Prompts::queueFileName(path("b.kf1"));
    w->Command3->click();
    EXPECT_PROMPTS(ExitQuestion, refused);
    EXPECT_FALSE(ui::ProgramEnd::ended());

    // Another program's change is asked about; another Keyfold saving right now is waited for, then told.
    Prompts::takeFileRequests();
    open("a.kf1");
    addRecord("mine");
    writeFile(path("a.kf1"), OneRecord + OneRecord);
    Prompts::queueFileName(path("a.kf1"));
    Prompts::queueAnswer(Answer::No);
    w->Command1->click();
    EXPECT_PROMPTS({"このファイルは他のプログラムによって変更されています。上書きしますか?", "Keyfold", Buttons::YesNo,
                    Answer::No});
    QLockFile other(path(".a.kf1.lock"));
    ASSERT_TRUE(other.tryLock(0));
    Prompts::queueFileName(path("a.kf1"));
    Prompts::queueAnswer(Answer::Yes);
    w->Command1->click();
    EXPECT_PROMPTS({"このファイルは他のプログラムによって変更されています。上書きしますか?", "Keyfold", Buttons::YesNo,
                    Answer::No},
                   {"他のKeyfoldがこのファイルを保存しているため、保存できませんでした。", "Keyfold"});
    Prompts::queueFileName(path("missing/b.kf1"));
    w->Command1->click();
    EXPECT_PROMPTS({"パスが見つかりません。", "Keyfold"});
    EXPECT_EQ(w->windowTitle(), path("a.kf1") + " - Keyfold");
    EXPECT_EQ(readAll(path("a.kf1")), OneRecord + OneRecord);
}

TEST_F(KeepingBooks, AddAndOverwriteStoreOnlyWhatTheFileGivesBack)
{
    addRecord("provider", 12, "a\",b");
    EXPECT_PROMPTS({"「メール パスワード」の「\",」はファイルに正しく保存できないため、登録できません。", "追加"});
    EXPECT_EQ(std::pair(int(RecordCount), QApplication::focusWidget()), std::pair(0, (QWidget*)w->Text1[12]));

    // Characters that come back as others: asked, Cancel the default; look-alikes pass as typed.
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

    // The yen sign and the overline become "\" and "~", and the question says so.
    w->VScroll1->setValue(0);
    w->Text1[3]->setText("¥10,000 ‾ €");
    Prompts::queueAnswer(Answer::Ok);
    w->Command6->click();
    EXPECT_PROMPTS(
        {"「接続情報 電話番号」の文字「¥‾€」はファイルに保存すると「\\~?」になります。置き換えて登録しますか?", "上書",
         Buttons::OkCancel, Answer::Cancel});
    EXPECT_EQ(RecordTable[0][3], "\\10,000 ~ ?");

    // Overwrite stores all thirteen boxes, any length, and the file gives them back.
    for (int i = 0; i <= LastField; ++i) {
        w->Text1[i]->setText(i == 5 ? QString(40000, 'x') : QString("box%1 \"quoted\"").arg(i));
    }
    w->Command6->click();
    const Record overwritten = RecordTable[0];
    Prompts::queueFileName(path("long.kf1"));
    w->Command1->click();
    Prompts::takeMessages();
    open("long.kf1");
    EXPECT_TRUE(RecordTable[0] == overwritten && RecordCount == 1 && overwritten[5].size() == 40000);
    w->Text1[7]->setText("x\" \r");
    w->Command6->click();
    EXPECT_PROMPTS(
        {"「ファイル転送 Webページ」の「\" 改行」はファイルに正しく保存できないため、登録できません。", "上書"});
}

TEST_F(KeepingBooks, ASpreadsheetFileSaysWhatASaveWouldChange)
{
    QByteArray csv = "\xEF\xBB\xBF";
    for (int r = 1; r <= 7; ++r) {
        csv += QString("\"%1 \"\"€\"\"\",,,,,,,,,,,,%2\r\n").arg(r).arg(r == 2 ? "ñ¥" : "").toUtf8();
    }
    writeFile(path("sheet.csv"), csv);
    open("sheet.csv");
    EXPECT_PROMPTS({"このファイルには、保存すると変わる文字や、保存できない文字があります。\n"
                    "レコード 1「接続先」: 「€」→「?」\nレコード 2「接続先」: 「€」→「?」\n"
                    "レコード 2「メール パスワード」: 「ñ」→「?」、「¥」→「\\」\nレコード 3「接続先」: 「€」→「?」\n"
                    "レコード 4「接続先」: 「€」→「?」\n…",
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

// The end without the window, in process: the real program receiving signals is the end-to-end tests' part.
TEST_F(KeepingBooks, EndingWithoutTheWindowRescuesAndTheNextStartSaysWhere)
{
    w->endWithoutWindow(); // before the start-up is over nothing is written
    EXPECT_TRUE(ui::ProgramEnd::ended() && !QFile::exists(settings.settingsFile()));

    startOver();
    open("a.kf1");
    w->Check1->setChecked(true);
    addRecord("unsaved");
    w->endWithoutWindow();
    EXPECT_PROMPTS();
    const QStringList copies = QDir(path("data/Keyfold/rescue")).entryList(QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(login::readSetting(login::KeyFileName), path("a.kf1"));
    EXPECT_EQ(readAll(path("a.kf1")), OneRecord);

    // The next start names the copy after the book's own messages, once; the five settings stay as they were.
    startOver();
    EXPECT_PROMPTS({"前回の終了時に保存されていなかった変更を、次のファイルに保存しました。\n" +
                        path("data/Keyfold/rescue/" + copies[0]),
                    "Keyfold"});
    EXPECT_EQ(RecordCount, 1);
    startOver();
    EXPECT_PROMPTS();
    EXPECT_EQ(QSettings(settings.settingsFile(), QSettings::IniFormat).allKeys(),
              QStringList({"load/Check1", "load/FileName", "load/FrmOptionCheck1"}));
}

// The end of the desktop session asks as the exit does; its answer holds for the quit that follows, not for a
// later Exit after a checkpoint or a cancelled logout.
TEST_F(KeepingBooks, TheEndOfTheSessionAsksAndItsAnswerHoldsOnlyForTheQuit)
{
    startOver();
    addRecord("unsaved");
    Prompts::queueAnswer(Answer::Cancel);
    EXPECT_TRUE(w->commitSession(true)) << "Cancel cancels the logout";
    Prompts::queueAnswer(Answer::No);
    EXPECT_FALSE(w->commitSession(true));
    EXPECT_PROMPTS(ExitQuestion, ExitQuestion);
    EXPECT_FALSE(ui::ProgramEnd::ended()) << "never quits inside the request";
    Prompts::queueAnswer(Answer::Cancel);
    w->Command3->click(); // a checkpoint: the user's own Exit later asks again
    EXPECT_PROMPTS(ExitQuestion);
    Prompts::queueAnswer(Answer::No);
    EXPECT_FALSE(w->commitSession(true));
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit); // the session manager's "die"
    EXPECT_PROMPTS(ExitQuestion);
    EXPECT_TRUE(ui::ProgramEnd::ended());
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
