// What the window shows and asks when the book on disk is at stake: files that failed to read or are not books,
// saves refused or declined, texts a book file cannot hold, the end without the window and the next start naming
// the rescue copies. The rules themselves are the book session's (test_book_session).
#include "login/Settings.h"
#include "login/frmOption.h"
#include "support/Children.h"
#include "support/Window.h"
#include "ui/ProgramEnd.h"

#include <QDir>
#include <QSettings>

using namespace Module1;
using testsupport::readAll, testsupport::writeFile, testsupport::modeOf;
using ui::Answer, ui::Buttons, ui::MessageRequest, ui::Prompts;

const MessageRequest ExitQuestion{"このファイルを保存しますか?", "Keyfold", Buttons::YesNoCancel, Answer::Yes};
const QByteArray OneRecord = QByteArray("\"provider\"\r\n") + QByteArray("\"\"\r\n").repeated(12);

class KeepingBooks : public testsupport::WindowTest
{
protected:
    void SetUp() override { writeFile(path("a.kf1"), OneRecord); }
    void open(const QString& name)
    {
        w->book().setFileName(path(name));
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
    void startOver()
    {
        testsupport::resetProgramState();
        login::writeSetting(login::KeyOptionCheck1, "1");
        w = std::make_unique<Form1>();
        ASSERT_TRUE(w->Form_Load());
        w->show();
    }
};

// The exit's save (auto-save here) offers the file that failed to read in the save dialog.
TEST_F(KeepingBooks, AFileThatFailedToReadIsWrittenOnlyThroughTheSaveDialog)
{
    writeFile(path("short.kf1"), OneRecord + "\"a field too many\"\r\n");
    open("short.kf1");
    w->optionForm().Check5->setChecked(true);
    addRecord("typed");
    Prompts::queueFileCancel(); // cancelling keeps the program
    w->Command3->click();
    EXPECT_EQ(Prompts::takeFileRequests().value(0).fileName, path("short.kf1"));
    EXPECT_FALSE(ui::ProgramEnd::ended());
    EXPECT_PROMPTS({"Keyfoldファイルにこれ以上データがありません。", "Keyfold"});
}

// A file another program wrote is told on opening what a save would change; a save that cannot be made, or is
// declined, keeps the book unsaved and the file as it was.
TEST_F(KeepingBooks, WhatASaveWouldChangeIsToldAndASaveThatCannotBeMadeKeepsTheBookUnsaved)
{
    const QByteArray cells = ",,,,,,,,,,,,\r\n";
    writeFile(path("sheet.csv"), "\xEF\xBB\xBF"
                                 "€,,,,,,\"7h\"\",Kx'9\",,,,,,\r\n€,,,,,,,,,,,,ñ¥\r\n€" +
                                     cells + "€" + cells);
    open("sheet.csv");
    EXPECT_PROMPTS(
        {"このファイルには、保存すると変わる文字や、保存できない文字があります。\n"
         "レコード 1「接続先」: 「€」→「?」\nレコード 1「ファイル転送 パスワード」: 「\",」は保存できません\n"
         "レコード 2「接続先」: 「€」→「?」\nレコード 2「メール パスワード」: 「ñ」→「?」、「¥」→「\\」\n"
         "レコード 3「接続先」: 「€」→「?」\n…",
         "Keyfold"});
    addRecord("typed");
    Prompts::queueFileName(path("b.kf1"));
    w->Command1->click();
    EXPECT_PROMPTS(
        {"レコード 1「ファイル転送 パスワード」の「\",」はファイルに正しく保存できないため、保存できません。",
         "Keyfold"});
    EXPECT_TRUE(w->Command1->isEnabled() && !QFile::exists(path("b.kf1")));

    // Another program's change is asked about; No leaves its file and says nothing more.
    open("a.kf1");
    addRecord("mine");
    writeFile(path("a.kf1"), OneRecord + OneRecord);
    const MessageRequest changed{"このファイルは他のプログラムによって変更されています。上書きしますか?", "Keyfold",
                                 Buttons::YesNo, Answer::No};
    Prompts::queueFileName(path("a.kf1"));
    Prompts::queueAnswer(Answer::No);
    w->Command1->click();
    EXPECT_PROMPTS(changed);
    EXPECT_TRUE(w->Command1->isEnabled() && w->windowTitle() == path("a.kf1") + " - Keyfold");
    EXPECT_EQ(readAll(path("a.kf1")), OneRecord + OneRecord);
}

TEST_F(KeepingBooks, AddAndOverwriteStoreOnlyWhatTheFileGivesBack)
{
    w->Text1[12]->setText("a\",b");
    addRecord("provider");
    EXPECT_PROMPTS({"「メール パスワード」の「\",」はファイルに正しく保存できないため、登録できません。", "追加"});
    EXPECT_TRUE(RecordCount == 0 && QApplication::focusWidget() == w->Text1[12]);

    // Characters that come back as others: asked, Cancel the default; look-alikes pass as typed.
    const MessageRequest question{"「接続情報 パスワード」の文字「€ñ」はファイルに保存できません。"
                                  "「?」に置き換えて登録しますか?",
                                  "追加", Buttons::OkCancel, Answer::Cancel};
    w->Text1[12]->setText("〜−¢‖");
    w->Text1[2]->setText("pass€ñ€");
    for (const Answer answer : {Answer::Cancel, Answer::Ok}) {
        Prompts::queueAnswer(answer);
        w->Command4->click();
        EXPECT_PROMPTS(question);
        EXPECT_TRUE(answer == Answer::Ok ? RecordCount == 1 : QApplication::focusWidget() == w->Text1[2]);
    }
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
