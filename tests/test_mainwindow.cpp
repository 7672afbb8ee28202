// The main window on real widgets: the order of its events, Add, Overwrite and Clear with
// what a book file cannot hold, and the file commands with what they show and ask, the message boxes and file dialogs
// answered in advance. The rules of the book on disk are the session's (test_book_session).
#include "support/Window.h"

using namespace Module1;
using namespace testsupport;
using ui::Answer, ui::Buttons, ui::MessageRequest, ui::Prompts;

const MessageRequest DeleteQuestion{"このファイルを消しますか?", "削除", Buttons::OkCancel, Answer::Ok};
const MessageRequest NoPath{"パスが見つかりません。", "Keyfold"};
const MessageRequest NewQuestion{"このファイルを保存しますか?", "新規", Buttons::YesNoCancel, Answer::Yes};

TEST_F(WindowTest, AMoveChangesTheBoxesInsideItsAssignmentAndAddMovesBeforeEnablingSaveUpToTheThousandthRecord)
{
    showBook(3, 0);
    QStringList log, expected;
    QObject guard;
    const auto note = [&](const QString& event) { log << event + ": " + shown(*w); };
    const QString atOne = "3 records at 1: Overwrite Clear Reorder";
    for (int i = 0; i < 13; ++i) {
        QObject::connect(w->Text1[i], &QLineEdit::textChanged, &guard,
                         [&, i](const QString& text) { note(QString("box %1 = %2").arg(i).arg(text)); });
        expected << QString("box %1 = %2: ").arg(i).arg(RecordTable[1][i]) + atOne;
    }
    QObject::connect(w->VScroll1, &QScrollBar::valueChanged, &guard, [&](int v) { note(QString("value %1").arg(v)); });
    QObject::connect(w->VScroll1, &QScrollBar::rangeChanged, &guard,
                     [&](int, int max) { note(QString("maximum %1").arg(max)); });

    // The boxes change inside the move, each with the new position already in force.
    w->VScroll1->setValue(1);
    EXPECT_EQ(log, expected << "value 1: " + atOne);
    w->VScroll1->setSliderDown(true); // dragging the thumb shows each record passed over
    w->VScroll1->setSliderPosition(2);
    EXPECT_TRUE(showsSlot(2));
    w->VScroll1->setSliderDown(false);

    // Add (here by Enter) grows the range, moves to the new blank position (box 0 emptied disables Add) and only then
    // enables Save.
    w->VScroll1->setValue(3);
    w->Text1[12]->setText("pass");
    w->Text1[0]->setText("alpha");
    log.clear();
    QTest::keyClick(w->Text1[3], Qt::Key_Enter, Qt::KeypadModifier);
    note("returned");
    EXPECT_EQ(log, QStringList({"maximum 4: 4 records at 3: Add Reorder", "box 0 = : 4 records at 4: Reorder",
                                "box 12 = : 4 records at 4: Reorder", "value 4: 4 records at 4: Reorder",
                                "returned: 4 records at 4: Save Reorder Find"}));
    EXPECT_EQ(RecordTable[3][0] + "|" + RecordTable[3][1] + "|" + RecordTable[3][12], "alpha||pass");

    showBook(999, 999);
    for (const char* name : {"last", "one too many"}) {
        w->Text1[0]->setText(name);
        w->Command4->click();
    }
    EXPECT_SHOWN("1000 records at 1000: Add Save Reorder Find",
                 {"レコードは1000件までしか登録できません。", "Keyfold"});
    EXPECT_TRUE(RecordTable[999][0] == "last" && blank(RecordTable[1000]));
}

TEST_F(WindowTest, OverwriteAndAddStoreOnlyWhatTheFileGivesBackAndClearAsksThenClosesTheGap)
{
    showBook(3, 1);
    w->Text1[0]->clear();
    w->Text1[12]->setText("newpass");
    w->mnuEditAs->trigger();
    EXPECT_SHOWN("3 records at 1: Overwrite Clear Save Reorder");
    EXPECT_EQ(RecordTable[1][0] + "|" + RecordTable[1][12] + "|" + RecordTable[0][12], "|newpass|r0f12");

    // The view after the record at the position was cleared: the record that moved up, or the blank position.
    struct Cleared
    {
        int records, at;
        const char* state;
    };
    const Cleared clears[] = {
        {.records = 2, .at = 2, .state = "2 records at 2: Save Reorder Find"},
        {.records = 2, .at = 0, .state = "2 records at 0: Overwrite Clear Save Reorder Find"},
        {.records = 0, .at = 0, .state = "0 records at 0: Save Reorder"}, // the only one
    };
    for (const Cleared& after : clears) {
        SCOPED_TRACE(after.state);
        showBook(after.records + 1, after.at);
        w->Text1[5]->setFocus();
        after.records == 0 ? command(w->mnuClear, {Answer::Ok}) : command(w->Command5, {Answer::Ok});
        EXPECT_SHOWN(after.state, {"このレコードを消しますか?", "クリア", Buttons::OkCancel, Answer::Ok});
        for (int r = 0; r < after.records; ++r) {
            EXPECT_EQ(RecordTable[r][12], QString("r%1f12").arg(r < after.at ? r : r + 1));
        }
        EXPECT_TRUE(blank(RecordTable[after.records]) && showsSlot(after.at));
    }
    EXPECT_EQ(QApplication::focusWidget(), w->Text1[0]);

    // Add and Overwrite store only what the file gives back.
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

// One file opened after another: the window shows slot 0 under the file's name and says why a file did not read; it
// then offers no Add (for a name typed before), nor Delete or reorder of a file that did not read.
TEST_F(WindowTest, OpenShowsTheBookReadOrSaysWhyNot)
{
    writeFile(path("two.kf1"), bookBytes(2));
    writeFile(path("27-lines.kf1"), bookBytes(2) + "\"x\"\r\n");
    writeFile(path("empty.kf1"), {});
    writeFile(path("1001.kf1"), bookBytes(1).repeated(1001));
    w->Text1[0]->setText("typed");
    w->mnuChange->setEnabled(false);
    w->Check1->setChecked(true);
    command(w->Command7, {}, {"two.kf1"});
    EXPECT_SHOWN("2 records at 0: Overwrite Clear Delete Reorder Find");
    EXPECT_TRUE(showsSlot(0) && w->Text1[12]->text() == "r0f12" && w->windowTitle() == title("two.kf1"));
    command(w->Command7, {}, {"27-lines.kf1"});
    EXPECT_SHOWN("0 records at 0:", {"Keyfoldファイルにこれ以上データがありません。", "Keyfold"});
    EXPECT_TRUE(blank(RecordTable[0]) && w->Text1[0]->text().isEmpty() && w->windowTitle() == title("27-lines.kf1"));
    command(w->Command7, {}, {"empty.kf1"});
    EXPECT_SHOWN("0 records at 0: Delete");
    command(w->Command7, {}, {"1001.kf1"});
    EXPECT_SHOWN("0 records at 0:", {"レコードが1000件を超えているため、このファイルを開けません。", "Keyfold"});
    command(w->Command7, {}, {"."}); // a folder
    EXPECT_SHOWN("0 records at 0:", {"パス名が無効です。", "Keyfold"});
    command(w->Command7, {}, {"two.kf1"});
    command(w->Command7, {}, {"missing.kf1"}); // an empty book named so, Delete as it was, not to be opened next time
    EXPECT_SHOWN("0 records at 0: Delete",
                 {"Keyfold(" + path("missing.kf1") + ")\rファイルが見つかりません。", "Keyfold"});
    EXPECT_TRUE(blank(RecordTable[0]) && w->Text1[0]->text().isEmpty() && !w->Check1->isChecked() &&
                w->windowTitle() == title("missing.kf1"));
    w->Text1[0]->setText("added"); // a record again: Reorder is back
    w->Command4->click();
    EXPECT_SHOWN("1 records at 1: Save Delete Reorder Find");
}

TEST_F(WindowTest, NewAndOpenAskAboutUnsavedChangesAndGoOnOnlyWhenTheyAreSavedOrDropped)
{
    const MessageRequest openQuestion{"このファイルを保存しますか?", "開く", Buttons::YesNoCancel, Answer::Yes};
    // New: Cancel, Yes and the save dialog cancelled, Yes and saved.
    const QString unsaved = "2 records at 2: Save Reorder";
    showBook(2, 2, true);
    command(w->mnuNew, {Answer::Cancel});
    EXPECT_SHOWN(unsaved, NewQuestion);
    command(w->mnuNew, {Answer::Yes}, {""});
    EXPECT_SHOWN(unsaved, NewQuestion);
    command(w->mnuNew, {Answer::Yes}, {"saved"});
    EXPECT_SHOWN("0 records at 0:", NewQuestion, saved("saved")); // and an empty book named 新規
    EXPECT_TRUE(blank(RecordTable[0]) && blank(RecordTable[1]) && w->Text1[0]->text().isEmpty());
    EXPECT_EQ(DataFileName + " / " + w->windowTitle(), "新規 / 新規 - Keyfold");
    // Open: No and the open dialog cancelled, Yes and saved and opened.
    showBook(2, 2, true);
    command(w->Command7, {Answer::No}, {""});
    EXPECT_SHOWN("2 records at 2: Save", openQuestion);
    writeFile(path("two.kf1"), bookBytes(2));
    command(w->Command7, {Answer::Yes}, {"one.kf1", "two.kf1"});
    EXPECT_SHOWN("2 records at 0: Overwrite Clear Delete Reorder Find", openQuestion, saved("one.kf1"));
    EXPECT_EQ(dialogs(), QStringList({"save ", "save ", "open saved", "save saved", "open one.kf1"}))
        << "each offers the last path chosen, never 新規";
    // New from a record whose boxes are all empty already: no box changes, yet Overwrite and Clear go off.
    writeFile(path("blank.kf1"), QByteArray("\"\"\r\n").repeated(13));
    command(w->Command7, {}, {"blank.kf1"});
    command(w->mnuNew);
    EXPECT_SHOWN("0 records at 0:");
}

TEST_F(WindowTest, SaveWritesWhateverNameWasChosenOrKeepsTheBookUnsavedAndDeleteAsksThenKeepsTheBook)
{
    writeFile(path("old.kf1"), "something else entirely\r\n");
    showBook(2, 2, true);
    command(w->Command1, {}, {"old.kf1"}); // replaced without a question
    EXPECT_SHOWN("2 records at 2: Delete Reorder", saved("old.kf1"));
    EXPECT_EQ(readAll(path("old.kf1")) + w->windowTitle(), bookBytes(2) + title("old.kf1"));
    // A missing folder, or a file where a folder should be: told, the changes kept, New stopped.
    showBook(1, 1, true);
    command(w->Command1, {}, {"missing/book.kf1"});
    command(w->Command1, {}, {"old.kf1/book.kf1"});
    command(w->mnuNew, {Answer::Yes}, {"missing/book.kf1"});
    EXPECT_SHOWN("1 records at 1: Save Delete Reorder", NoPath, NoPath, NewQuestion, NoPath);

    // The focus of a button that its own command disabled passes nowhere: a stray Enter reaches the disabled Add,
    // not Delete after Save nor Exit after Delete.
    Prompts::queueFileName(path("book.kf1"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_PROMPTS(saved("book.kf1"));
    w->VScroll1->setValue(0);
    setEnabledPair(w->Command1, w->mnuSave, true);
    Prompts::queueAnswer(Answer::Cancel);
    w->Command2->setFocus();
    QTest::keyClick(w->Command2, Qt::Key_Return); // Enter on a focused button clicks it
    EXPECT_TRUE(QFile::exists(path("book.kf1")) && w->Text1[12]->text() == "r0f12");
    command(w->Command2, {Answer::Ok});
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_SHOWN("1 records at 0: Overwrite Clear Save Reorder", DeleteQuestion, DeleteQuestion);
    EXPECT_TRUE(!QFile::exists(path("book.kf1")) && w->Text1[12]->text().isEmpty() && !ui::ProgramEnd::ended());
    EXPECT_EQ(RecordTable[0][0] + " in " + w->windowTitle(), "provider0 in " + title("book.kf1"));
    // The file is gone now: another delete says so and changes nothing else.
    setEnabledPair(w->Command2, w->mnuDel, true);
    w->Text1[0]->setText("kept");
    command(w->mnuDel, {Answer::Ok});
    EXPECT_PROMPTS(DeleteQuestion, {"ファイルが見つかりません。", "Keyfold"});
    EXPECT_TRUE(w->Text1[0]->text() == "kept" && w->Command2->isEnabled());

    // A file another program wrote is told on opening what a save would change; a save that cannot be made, or is
    // declined, keeps the book unsaved and the file as it was.
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
