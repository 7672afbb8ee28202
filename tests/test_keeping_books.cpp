// What the window shows and asks when the book on disk is at stake: files that failed to read or are not books,
// saves refused or declined, texts a book file cannot hold, the end without the window and the next start naming
// the rescue copies. The rules themselves are the book session's (test_book_session).
#include "login/Settings.h"
#include "login/frmOption.h"
#include "support/Children.h"
#include "support/Window.h"
#include "ui/ProgramEnd.h"

#include <QDir>

using namespace Module1;
using testsupport::readAll, testsupport::writeFile;
using ui::Answer, ui::Buttons, ui::MessageRequest, ui::Prompts;

const MessageRequest ExitQuestion{"このファイルを保存しますか?", "Keyfold", Buttons::YesNoCancel, Answer::Yes};

class KeepingBooks : public testsupport::WindowTest
{
protected:
    // Reads the file as Open does, then adds a record typed at the blank position: the book has unsaved changes.
    void openAndAdd(const QString& name, const QByteArray& bytes)
    {
        writeFile(path(name), bytes);
        w->book().setFileName(path(name));
        w->DataOpen();
        w->DispdataOutPut();
        w->VScroll1->setValue(RecordCount);
        w->Text1[0]->setText("typed");
        w->Command4->click();
    }
    // The program started again, without the master-key dialog, on the book it remembers.
    void startOver()
    {
        testsupport::resetProgramState();
        login::writeSetting(login::KeyOptionCheck1, "1");
        w = std::make_unique<Form1>();
        ASSERT_TRUE(w->Form_Load());
        w->show();
    }
};

// The exit's save (auto-save here) offers the file that failed to read in the save dialog; cancelling stays.
TEST_F(KeepingBooks, AFileThatFailedToReadIsWrittenOnlyThroughTheSaveDialog)
{
    openAndAdd("short.kf1", testsupport::bookBytes(1) + "\"a field too many\"\r\n");
    w->optionForm().Check5->setChecked(true);
    command(w->Command3, {}, {""});
    EXPECT_EQ(Prompts::takeFileRequests().value(0).fileName, path("short.kf1"));
    EXPECT_FALSE(ui::ProgramEnd::ended());
    EXPECT_PROMPTS({"Keyfoldファイルにこれ以上データがありません。", "Keyfold"});
}

// A file another program wrote is told on opening what a save would change; a save that cannot be made, or is
// declined, keeps the book unsaved and the file as it was.
TEST_F(KeepingBooks, WhatASaveWouldChangeIsToldAndASaveThatCannotBeMadeKeepsTheBookUnsaved)
{
    const QByteArray sheet =
        "\xEF\xBB\xBF€,,,,,,\"7h\"\",Kx'9\",,,,,,\r\n€,,,,,,,,,,,,ñ¥\r\n€,,,,,,,,,,,,\r\n€,,,,,,,,,,,,\r\n";
    openAndAdd("sheet.csv", sheet);
    EXPECT_PROMPTS(
        {"このファイルには、保存すると変わる文字や、保存できない文字があります。\n"
         "レコード 1「接続先」: 「€」→「?」\nレコード 1「ファイル転送 パスワード」: 「\",」は保存できません\n"
         "レコード 2「接続先」: 「€」→「?」\nレコード 2「メール パスワード」: 「ñ」→「?」、「¥」→「\\」\n"
         "レコード 3「接続先」: 「€」→「?」\n…",
         "Keyfold"});
    command(w->Command1, {}, {"b.kf1"});
    EXPECT_PROMPTS(
        {"レコード 1「ファイル転送 パスワード」の「\",」はファイルに正しく保存できないため、保存できません。",
         "Keyfold"});
    EXPECT_TRUE(w->Command1->isEnabled() && !QFile::exists(path("b.kf1")));

    // Another program's change is asked about; No leaves its file and says nothing more.
    openAndAdd("a.kf1", testsupport::bookBytes(1));
    writeFile(path("a.kf1"), "theirs");
    command(w->Command1, {Answer::No}, {"a.kf1"});
    EXPECT_PROMPTS({"このファイルは他のプログラムによって変更されています。上書きしますか?", "Keyfold", Buttons::YesNo,
                    Answer::No});
    EXPECT_TRUE(w->Command1->isEnabled() && readAll(path("a.kf1")) == "theirs");
}

TEST_F(KeepingBooks, AddAndOverwriteStoreOnlyWhatTheFileGivesBack)
{
    w->Text1[0]->setText("provider");
    w->Text1[12]->setText("a\",b");
    w->Command4->click();
    EXPECT_PROMPTS({"「メール パスワード」の「\",」はファイルに正しく保存できないため、登録できません。", "追加"});
    EXPECT_TRUE(RecordCount == 0 && QApplication::focusWidget() == w->Text1[12]);

    // Characters that come back as others: asked, Cancel the default; look-alikes pass as typed.
    w->Text1[12]->setText("〜−¢‖");
    w->Text1[2]->setText("pass€ñ€");
    for (const Answer answer : {Answer::Cancel, Answer::Ok}) {
        command(w->Command4, {answer});
        EXPECT_PROMPTS({"「接続情報 パスワード」の文字「€ñ」はファイルに保存できません。「?」に置き換えて登録しますか?",
                        "追加", Buttons::OkCancel, Answer::Cancel});
        EXPECT_TRUE(answer == Answer::Ok ? RecordCount == 1 : QApplication::focusWidget() == w->Text1[2]);
    }
    EXPECT_EQ(RecordTable[0][2] + RecordTable[0][12], "pass???〜−¢‖");

    // The yen sign and the overline become "\" and "~", and the question says so.
    w->VScroll1->setValue(0);
    w->Text1[3]->setText("¥10,000 ‾ €");
    command(w->Command6, {Answer::Ok});
    EXPECT_PROMPTS(
        {"「接続情報 電話番号」の文字「¥‾€」はファイルに保存すると「\\~?」になります。置き換えて登録しますか?", "上書",
         Buttons::OkCancel, Answer::Cancel});
    EXPECT_EQ(RecordTable[0][3], "\\10,000 ~ ?");
}

// The end without the window, in process: the real program receiving signals is the end-to-end tests' part.
TEST_F(KeepingBooks, EndingWithoutTheWindowRescuesAndTheNextStartSaysWhere)
{
    w->endWithoutWindow(); // before the start-up is over nothing is written
    EXPECT_TRUE(ui::ProgramEnd::ended() && !QFile::exists(settings.settingsFile()));

    startOver();
    openAndAdd("a.kf1", testsupport::bookBytes(1));
    w->Check1->setChecked(true);
    w->endWithoutWindow();
    EXPECT_PROMPTS();
    const QStringList copies = QDir(path("data/Keyfold/rescue")).entryList(QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(login::readSetting(login::KeyFileName), path("a.kf1"));
    EXPECT_EQ(readAll(path("a.kf1")), testsupport::bookBytes(1));

    // The next start names the copy after the book's own messages, once.
    startOver();
    EXPECT_PROMPTS({"前回の終了時に保存されていなかった変更を、次のファイルに保存しました。\n" +
                        path("data/Keyfold/rescue/" + copies[0]),
                    "Keyfold"});
    EXPECT_EQ(RecordCount, 1);
    startOver();
    EXPECT_PROMPTS();
}

// The end of the desktop session asks as the exit does, and the quit that follows does not ask again. When the answer
// holds is the session's rule.
TEST_F(KeepingBooks, TheEndOfTheSessionAsksAndTheQuitThatFollowsDoesNotAskAgain)
{
    startOver();
    openAndAdd("a.kf1", testsupport::bookBytes(1));
    Prompts::queueAnswer(Answer::Cancel);
    EXPECT_TRUE(w->commitSession(true)) << "Cancel cancels the logout";
    Prompts::queueAnswer(Answer::No);
    EXPECT_FALSE(w->commitSession(true));
    EXPECT_PROMPTS(ExitQuestion, ExitQuestion);
    EXPECT_FALSE(ui::ProgramEnd::ended()) << "never quits inside the request";
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit); // the session manager's "die"
    EXPECT_PROMPTS();
    EXPECT_TRUE(ui::ProgramEnd::ended());
}
