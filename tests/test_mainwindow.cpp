// The main window on real widgets: the record view, Add/Overwrite/Clear, the data file procedures and the file
// commands, with the message boxes and file dialogs answered in advance.
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

using namespace Module1;
using namespace ui;

const QString NewQuestion = "新規|このファイルを保存しますか?|*Yes/No/Cancel";
const QString OpenQuestion = "開く|このファイルを保存しますか?|*Yes/No/Cancel";
const QString DeleteQuestion = "削除|このファイルを消しますか?|*OK/Cancel";

// The data file of the book that testsupport::fillBook(n) makes.
QByteArray bookBytes(int n)
{
    QByteArray out;
    for (int i = 0; i < n * FieldCount; ++i) {
        const int r = i / FieldCount, f = i % FieldCount;
        out += (f ? QString("\"r%1f%2\"\r\n").arg(r).arg(f) : QString("\"provider%1\"\r\n").arg(r)).toLatin1();
    }
    return out;
}

class MainWindow : public ::testing::Test
{
protected:
    void TearDown() override
    {
        EXPECT_EQ(Prompts::pendingAnswers() + Prompts::pendingFileAnswers(), 0) << "queued for a prompt never shown";
        w.reset();
        testsupport::resetProgramState();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    static QString info(const QString& text) { return "Keyfold|" + text + "|*OK"; }
    QString saved(const QString& name) const { return info(path(name) + "に保存しました"); }
    static bool blank(const Record& record) { return std::ranges::all_of(record, &QString::isEmpty); }
    QByteArray readFile(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    void writeFile(const QString& name, const QByteArray& data) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    }

    // The book and the commands in one row: "RecordCount/VScroll1.Max@VScroll1.Value" and then Add, Overwrite,
    // Clear, Save, Delete and reorder as "AOCSDR" with '-' for each one disabled. Menu entries must agree.
    QString status() const
    {
        const QPushButton* buttons[] = {w->Command4, w->Command6, w->Command5, w->Command1, w->Command2};
        const QAction* entries[] = {w->mnuAdd, w->mnuEditAs, w->mnuClear, w->mnuSave, w->mnuDel};
        QString row = QString("%1/%2@%3 ").arg(RecordCount).arg(w->VScroll1->maximum()).arg(w->VScroll1->value());
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(buttons[i]->isEnabled(), entries[i]->isEnabled()) << entries[i]->objectName().toStdString();
            row += buttons[i]->isEnabled() ? "AOCSD"[i] : '-';
        }
        return row + (w->mnuChange->isEnabled() ? 'R' : '-');
    }
    // The messages shown since the last call, each as "title|text|buttons" with the default button starred.
    static QStringList shown()
    {
        const char* const sets[] = {"OK", "OK/Cancel", "Yes/No", "Yes/No/Cancel"};
        const char* const names[] = {"OK", "Cancel", "Yes", "No"};
        QStringList list;
        for (const MessageRequest& m : Prompts::takeMessages()) {
            const QString star = names[int(m.defaultAnswer)];
            list << m.title + "|" + m.text + "|" + QString(sets[int(m.buttons)]).replace(star, "*" + star);
        }
        return list;
    }
    // The file dialogs since the last call as "S:" (save) or "O:" (open) and the file offered; each checked in full.
    static QString dialogs()
    {
        QStringList list;
        for (const FileRequest& request : Prompts::takeFileRequests()) {
            EXPECT_EQ(request.title, request.save ? "ファイルを保存する" : "ファイルを開く");
            EXPECT_EQ(request.nameFilters, QStringList({"Keyfoldファイル (*.kf1)", "Keyfold暗号付きファイル (*.kf2)",
                                                        "CSVファイル (*.csv)"}));
            EXPECT_EQ(request.filterIndex, 0);
            list << (request.save ? "S:" : "O:") + QFileInfo(request.fileName).fileName();
        }
        return list.join(' ');
    }
    // An emptied table holding fillBook(n), viewed at position p after a real move of the scroll bar, maybe unsaved.
    void showBook(int n, int p, bool unsaved = false)
    {
        setEnabledPair(w->Command1, w->mnuSave, unsaved);
        clearWholeTable();
        testsupport::fillBook(n);
        w->VScroll1->setMaximum(n);
        w->VScroll1->setValue(p == 0 ? n : 0);
        w->VScroll1->setValue(p);
    }
    bool showsSlot(int slot) const { return std::ranges::equal(w->Text1, RecordTable[slot], {}, &QLineEdit::text); }

    QTemporaryDir dir;
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w = [] {
        testsupport::resetProgramState();
        return testsupport::makeShownMainWindow();
    }();
};

TEST_F(MainWindow, TheScrollBarShowsEachRecordAsItMovesAndAddMovesBeforeEnablingSave)
{
    showBook(3, 0);
    QStringList log, expected;
    QObject guard;
    const auto note = [&](const QString& what) { log << what + " " + status(); };
    for (int i = 0; i < 13; ++i) {
        QObject::connect(w->Text1[i], &QLineEdit::textChanged, &guard,
                         [&, i](const QString& text) { note(QString("text%1=%2").arg(i).arg(text)); });
        expected << QString("text%1=%2 3/3@1 -OC--R").arg(i).arg(RecordTable[1][i]);
    }
    QObject::connect(w->VScroll1, &QScrollBar::valueChanged, &guard, [&](int v) { note(QString("value=%1").arg(v)); });
    QObject::connect(w->VScroll1, &QScrollBar::rangeChanged, &guard,
                     [&](int, int m) { note(QString("max=%1").arg(m)); });

    // The boxes change inside the move, each with the new position already in force.
    w->VScroll1->setValue(1);
    EXPECT_EQ(log, expected << "value=1 3/3@1 -OC--R");
    for (const int p : {2, 3, 0, 1}) {
        w->Text1[7]->setFocus();
        w->VScroll1->setValue(p);
        EXPECT_TRUE(showsSlot(p) && QApplication::focusWidget() == w->Text1[0]) << p;
        EXPECT_EQ(status(), QString("3/3@%1 ").arg(p) + (p < 3 ? "-OC--R" : "-----R"));
    }
    // At a record the boxes are a working copy: no Add, nothing stored, and the same value is no move.
    w->Text1[0]->setText("edited");
    w->VScroll1->setValue(1);
    EXPECT_EQ(RecordTable[1][0] + "|" + w->Text1[0]->text() + " " + status(), "provider1|edited 3/3@1 -OC--R");
    w->VScroll1->setSliderDown(true); // dragging the thumb shows each record passed over
    for (int p = 3; p >= 0; --p) {
        w->VScroll1->setSliderPosition(p);
        EXPECT_TRUE(showsSlot(p)) << p;
    }
    w->VScroll1->setSliderDown(false);

    // Add grows the range, moves to the new blank position (box 0 emptied disables Add) and only then enables Save.
    w->VScroll1->setValue(3);
    w->Text1[0]->setText("alpha");
    w->Text1[3]->setText("03");
    log.clear();
    w->Command4->click();
    note("returned");
    EXPECT_EQ(log, QStringList({"max=4 4/4@3 A----R", "text0= 4/4@4 -----R", "text3= 4/4@4 -----R",
                                "value=4 4/4@4 -----R", "returned 4/4@4 ---S-R"}));
}

TEST_F(MainWindow, EnterRunsAddOnlyWhileAddIsEnabledUpToTheThousandthRecord)
{
    w->mnuChange->setEnabled(false);
    QTest::keyClicks(w->Text1[3], "0120");
    QTest::keyClick(w->Text1[3], Qt::Key_Return);
    EXPECT_EQ(status(), "0/0@0 ------") << "only box 0 counts: no provider name, no record";
    QTest::keyClicks(w->Text1[0], "alpha");
    QTest::keyClick(w->Text1[3], Qt::Key_Return);
    EXPECT_EQ(status(), "1/1@1 ---S-R");
    EXPECT_EQ(RecordTable[0][0] + "|" + RecordTable[0][1] + "|" + RecordTable[0][3], "alpha||0120");
    EXPECT_TRUE(blank(RecordTable[1]) && showsSlot(1) && QApplication::focusWidget() == w->Text1[0]);

    QTest::keyClicks(w->Text1[0], "beta");
    QTest::keyClick(w->Text1[0], Qt::Key_Enter, Qt::KeypadModifier);
    w->VScroll1->setValue(0); // at a record Add is disabled, and Enter adds no copy of it
    QTest::keyClick(w->Text1[0], Qt::Key_Return);
    EXPECT_EQ(RecordTable[1][0] + " " + status(), "beta 2/2@0 -OCS-R");

    showBook(999, 999);
    w->Text1[0]->setText("last");
    w->Command4->click();
    EXPECT_EQ(RecordTable[999][0] + " " + status(), "last 1000/1000@1000 ---S-R");
    w->Text1[0]->setText("one too many");
    w->Command4->click();
    EXPECT_EQ(shown(), QStringList({info("レコードは1000件までしか登録できません。")}));
    EXPECT_TRUE(RecordCount == 1000 && blank(RecordTable[1000]));
}

TEST_F(MainWindow, FixedLayoutAndFocusOrDoubleClickSelectingTheWholeText)
{
    const QSize before = w->size();
    w->resize(before + QSize(200, 100));
    EXPECT_EQ(w->size(), before);
    EXPECT_EQ(w->centralWidget()->size(), QSize(452, 420));
    EXPECT_EQ(w->VScroll1->geometry(), QRect(328, 16, 17, 369));
    EXPECT_EQ(w->Command4->geometry(), QRect(360, 48, 81, 25));
    EXPECT_TRUE(w->Command4->isDefault());

    showBook(2, 0);
    w->Command7->setFocus();
    w->Text1[4]->setFocus();
    EXPECT_EQ(w->Text1[4]->selectedText(), "r0f4");
    QLineEdit* words = w->Text1[6];
    words->setText("two words");
    w->Command7->setFocus();
    QTest::mouseDClick(words, Qt::LeftButton, {}, QPoint(6, words->height() / 2));
    EXPECT_EQ(words->selectedText(), "two words");

    // Focus that only visits a menu comes back without a selection, the caret where it was.
    words->setCursorPosition(3);
    QTimer::singleShot(10, [] { QApplication::activePopupWidget()->close(); });
    w->mnuEdit->exec(w->mapToGlobal(QPoint(8, 8)));
    EXPECT_TRUE(QApplication::focusWidget() == words && words->cursorPosition() == 3 && !words->hasSelectedText());

    // The arrow of the scroll bar moves one record and selects the provider name in box 0.
    QTest::mouseClick(w->VScroll1, Qt::LeftButton, {}, QPoint(w->VScroll1->width() / 2, w->VScroll1->height() - 4));
    EXPECT_TRUE(QApplication::focusWidget() == w->Text1[0] && w->Text1[0]->selectedText() == "provider1");
}

TEST_F(MainWindow, OverwriteStoresWithoutAskingAndClearAsksThenClosesTheGap)
{
    showBook(3, 1);
    w->Text1[0]->clear();
    w->Text1[2]->setText("newpass");
    w->mnuEditAs->trigger();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_EQ(RecordTable[1][0] + "|" + RecordTable[1][2] + "|" + RecordTable[0][2], "|newpass|r0f2");
    EXPECT_EQ(status(), "3/3@1 -OCS-R");

    // Records n, viewed at p; the answer; the records left and the commands then.
    const std::tuple<int, int, Answer, int, const char*> clears[] = {
        {3, 2, Answer::Cancel, 3, "-OC--R"}, // nothing changes
        {3, 2, Answer::Ok, 2, "---S-R"},     // the last: the view is now at the blank position
        {3, 0, Answer::Ok, 2, "-OCS-R"},     // the first: the others move up
        {1, 0, Answer::Ok, 0, "---S-R"},     // the only one: an empty book waiting for a name
    };
    for (const auto& [n, p, answer, count, states] : clears) {
        SCOPED_TRACE(testing::Message() << n << " records at " << p);
        showBook(n, p);
        w->Text1[5]->setFocus();
        Prompts::queueAnswer(answer);
        n == 1 ? w->mnuClear->trigger() : QTest::mouseClick(w->Command5, Qt::LeftButton);
        EXPECT_EQ(shown(), QStringList({"クリア|このレコードを消しますか?|*OK/Cancel"}));
        EXPECT_EQ(status(), QString("%1/%1@%2 ").arg(count).arg(p) + states);
        for (int r = 0; r < count; ++r) {
            EXPECT_EQ(RecordTable[r][12], QString("r%1f12").arg(r < p || count == n ? r : r + 1)) << r;
        }
        EXPECT_TRUE(blank(RecordTable[count]) && showsSlot(p));
    }
    EXPECT_EQ(QApplication::focusWidget(), w->Text1[0]);
}

TEST_F(MainWindow, OpenReadsABookNewEmptiesItAndBothAskOnlyAboutUnsavedChanges)
{
    // A name typed at position 0 of the empty book enabled Add; the read stays at 0, so it must drop Add itself.
    w->Text1[0]->setText("typed");
    w->mnuChange->setEnabled(false);
    w->Check1->setChecked(true);
    writeFile("empty.kf1", {});
    writeFile("two.kf1", bookBytes(2));
    for (const char* name : {"empty.kf1", "two.kf1"}) {
        Prompts::queueFileName(path(name));
        w->Command7->click();
    }
    EXPECT_TRUE(shown().isEmpty() && showsSlot(0) && w->Text1[12]->text() == "r0f12" && w->Check1->isChecked());
    EXPECT_EQ(status() + " " + w->windowTitle(), "2/2@0 -OC-DR " + path("two.kf1") + " - Keyfold");
    w->VScroll1->setValue(1);
    w->mnuNew->trigger();
    EXPECT_EQ(dialogs(), "O: O:empty.kf1");
    EXPECT_TRUE(shown().isEmpty() && blank(RecordTable[0]) && blank(RecordTable[1]) && w->Text1[0]->text().isEmpty());
    EXPECT_EQ(status() + " " + DataFileName + " / " + w->windowTitle(), "0/0@0 ------ 新規 / 新規 - Keyfold");

    // Leaves an unsaved book by Open or New: the answer to the question, then the answers to the save and the open
    // dialog (none when nullptr, a cancel when empty); the dialogs shown and the book then.
    const auto queueFile = [&](const char* name) {
        if (name) {
            *name ? Prompts::queueFileName(path(name)) : Prompts::queueFileCancel();
        }
    };
    const std::tuple<bool, Answer, const char*, const char*, const char*, const char*> leaves[] = {
        {false, Answer::Cancel, nullptr, nullptr, "", "2/2@2 ---S--"},
        {false, Answer::Yes, "", nullptr, "S:two.kf1", "2/2@2 ---S--"}, // after New the last path, never 新規
        {false, Answer::Yes, "saved", nullptr, "S:two.kf1", "0/0@0 ------"},
        {false, Answer::No, nullptr, nullptr, "", "0/0@0 ------"},
        {true, Answer::Cancel, nullptr, nullptr, "", "2/2@2 ---S--"},
        {true, Answer::Yes, "", nullptr, "S:saved", "2/2@2 ---S--"},
        {true, Answer::Yes, "one.kf1", "two.kf1", "S:saved O:one.kf1", "2/2@0 -OC-DR"}, // nothing left to save
        {true, Answer::No, nullptr, "", "O:two.kf1", "2/2@2 ---SDR"},
        {true, Answer::No, nullptr, "two.kf1", "O:two.kf1", "2/2@0 -OC-DR"},
    };
    for (const auto& [open, answer, saveAs, openAs, files, states] : leaves) {
        SCOPED_TRACE(testing::Message() << (open ? "Open " : "New ") << files);
        showBook(2, 2, true);
        Prompts::queueAnswer(answer);
        queueFile(saveAs);
        queueFile(openAs);
        open ? w->Command7->click() : w->mnuNew->trigger();
        EXPECT_EQ(dialogs(), files);
        const QString question = open ? OpenQuestion : NewQuestion;
        EXPECT_EQ(shown(), saveAs && *saveAs ? QStringList({question, saved(saveAs)}) : QStringList({question}));
        EXPECT_EQ(status(), states);
    }
    EXPECT_EQ(readFile("saved") + readFile("one.kf1"), bookBytes(2) + bookBytes(2));

    // A name that does not exist is reported: an empty book named so, not to be opened next time.
    w->Text1[0]->setText("typed");
    w->Check1->setChecked(true);
    Prompts::queueFileName(path("typo.kf1"));
    w->mnuOpen->trigger();
    EXPECT_EQ(shown(), QStringList({info("Keyfold(" + path("typo.kf1") + ")\rファイルが見つかりません。")}));
    EXPECT_TRUE(blank(RecordTable[0]) && blank(RecordTable[1]) && w->Text1[0]->text().isEmpty());
    EXPECT_EQ(status() + " " + w->windowTitle(), "0/0@0 ----D- " + path("typo.kf1") + " - Keyfold");
    EXPECT_FALSE(w->Check1->isChecked());
}

TEST_F(MainWindow, SaveWritesWhateverNameWasChosenAndDeleteAsksThenKeepsTheBook)
{
    // An existing file is replaced without a question; the name is kept as given; an empty book is an empty file.
    writeFile("old.kf1", "something else entirely\r\n");
    for (const auto& [name, n] :
         {std::pair{"old.kf1", 2}, {"book", 2}, {"book.csv", 1}, {"book.kf2", 1}, {"empty.kf1", 0}}) {
        showBook(n, n, true);
        Prompts::queueFileName(path(name));
        w->Command1->click();
        EXPECT_EQ(shown(), QStringList({saved(name)})) << name;
        EXPECT_EQ(readFile(name), bookBytes(n)) << name;
        EXPECT_EQ(status() + " " + w->windowTitle(), QString("%1/%1@%1 ----DR ").arg(n) + path(name) + " - Keyfold");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({"book", "book.csv", "book.kf2", "empty.kf1", "old.kf1"}));

    // A missing folder, or a file where a folder should be: reported, the changes kept, New stopped.
    showBook(1, 1, true);
    for (const char* target : {"missing/book.kf1", "old.kf1/book.kf1", ""}) {
        Prompts::queueFileName(path(*target ? target : "missing/book.kf1"));
        *target ? w->Command1->click() : (Prompts::queueAnswer(Answer::Yes), w->mnuNew->trigger());
        EXPECT_EQ(shown(), *target ? QStringList({info("パスが見つかりません。")})
                                   : QStringList({NewQuestion, info("パスが見つかりません。")}));
        EXPECT_EQ(status(), "1/1@1 ---SDR") << target;
    }
    EXPECT_TRUE(readFile("old.kf1") == bookBytes(2) && !QFile::exists(path("missing")));

    // The focus of a button that its own command disabled passes nowhere: a stray Enter reaches the disabled Add,
    // not Delete after Save nor Exit after Delete.
    Prompts::queueFileName(path("book.kf1"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_EQ(shown(), QStringList({saved("book.kf1")}));
    w->VScroll1->setValue(0);
    setEnabledPair(w->Command1, w->mnuSave, true);
    for (const Answer answer : {Answer::Cancel, Answer::Ok}) {
        Prompts::queueAnswer(answer);
        w->Command2->setFocus(); // Enter on a focused button clicks it
        answer == Answer::Ok ? QTest::mouseClick(w->Command2, Qt::LeftButton)
                             : QTest::keyClick(w->Command2, Qt::Key_Return);
        EXPECT_EQ(shown(), QStringList({DeleteQuestion}));
        EXPECT_EQ(QFile::exists(path("book.kf1")), answer == Answer::Cancel);
        EXPECT_EQ(w->Text1[12]->text(), answer == Answer::Cancel ? "r0f12" : "");
    }
    EXPECT_EQ(status(), "1/1@0 -OCS-R");
    EXPECT_EQ(RecordTable[0][0] + " in " + w->windowTitle(), "provider0 in " + path("book.kf1") + " - Keyfold");
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_FALSE(ProgramEnd::ended());

    // The file is gone now: another delete reports it and changes nothing else.
    setEnabledPair(w->Command2, w->mnuDel, true);
    w->Text1[0]->setText("kept");
    Prompts::queueAnswer(Answer::Ok);
    w->mnuDel->trigger();
    EXPECT_EQ(shown(), QStringList({DeleteQuestion, info("ファイルが見つかりません。")}));
    EXPECT_EQ(w->Text1[0]->text() + " " + status(), "kept 1/1@0 -OCSDR");
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
