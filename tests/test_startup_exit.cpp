// Start-up and exit of the whole program: the book it starts on after the stored options and the master-key dialog,
// the three ways of leaving and what reaches the settings file, the end without the window and the next start naming
// the rescue copy, and the end of the desktop session. The rules of the book on disk are the session's.
#include "login/Settings.h"
#include "support/Window.h"

#include <QDir>

using namespace testsupport;
using ui::Answer, ui::Buttons, ui::MessageRequest, ui::Prompts;

const MessageRequest NewKey{"マスターキーの新規作成でしょうか？", "マスターキーの入力", Buttons::YesNo, Answer::Yes};
const MessageRequest Question{"このファイルを保存しますか?", "Keyfold", Buttons::YesNoCancel, Answer::Yes};
const MessageRequest NoPath{"パスが見つかりません。", "Keyfold"};

class StartupExit : public WindowTest
{
protected:
    void SetUp() override { ASSERT_TRUE(QDir::setCurrent(dir.path())); }
    void TearDown() override
    {
        QDir::setCurrent(previousDir);
        WindowTest::TearDown();
    }
    // A fresh start: the program's state and an empty settings folder.
    void reset()
    {
        resetProgramState();
        settings.emplace();
    }
    // Runs the start-up as the program does, maybe with a book given on the command line. A master-key dialog shown
    // gets the key typed and Return ("new" for a new master key, answered Yes), or its Cancel when the key is "cancel".
    bool startUp(const QString& key, const QString& book = {})
    {
        w = std::make_unique<Form1>();
        QTimer::singleShot(0, w.get(), [&] {
            if (auto* login = qobject_cast<frmLogin*>(QApplication::activeModalWidget())) {
                if (key == "new") {
                    Prompts::queueAnswer(Answer::Yes);
                }
                QTest::keyClicks(login->txtPassword, key == "new" ? "mykey" : key);
                QTest::keyClick(key == "cancel" ? static_cast<QWidget*>(login->cmdCancel) : login->txtPassword,
                                Qt::Key_Return);
                login->done(login->result()); // a dialog a fault left open would block the test
            }
        });
        const bool started = w->Form_Load(book);
        w->setVisible(started);
        return started;
    }

    QString previousDir = QDir::currentPath();
};

TEST_F(StartupExit, StartsOnNoBookTheRememberedOneTheNewKeysOneOrTheGivenOne)
{
    const QString book = path("帳簿, 2024; A=B #1.kf1"), given = path("given.kf1"), gone = path("gone.kf1");
    for (const QString& file : {book, QString("keyfold.kf1"), given}) {
        writeFile(file, QByteArray("x,,,,,,,,,,,,\r\n").repeated(2));
    }
    // A book on the command line takes the place of the start-up's own, also of a new key's "keyfold.kf1" of the
    // working directory; a new key unticks all options, on screen only.
    struct Start
    {
        QString remembered{}; // the stored FileName
        QStringList ticks{};  // the stored Check1, FrmOptionCheck1 (no master-key dialog), FrmOptionCheck5 (auto-save)
        QString given{};      // on the command line
        QString key{};        // typed into the master-key dialog, none when not shown, "new" for a new master key
        QString opened{};     // the book then (two records, or none when not read), all four boxes ticked
        bool ticked = false;
        QList<MessageRequest> prompts{};
    };
    const MessageRequest goneMissing{"Keyfold(" + gone + ")\rファイルが見つかりません。", "Keyfold"};
    const Start starts[] = {
        {.key = "wqz"},
        {.remembered = book, .ticks = {" 1", "1", "1"}, .opened = book, .ticked = true},
        {.remembered = book, .ticks = {"1", "0", "1"}, .key = "new", .opened = "keyfold.kf1", .prompts = {NewKey}},
        {.remembered = gone, .key = "wqz", .opened = gone, .prompts = {goneMissing}},
        {.remembered = book, .ticks = {"1", "0"}, .given = given, .key = "new", .opened = given, .prompts = {NewKey}},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE((start.remembered + " " + start.given + " " + start.key).toStdString());
        reset();
        login::writeSetting(login::KeyFileName, start.remembered);
        for (int i = 0; i < start.ticks.size(); ++i) {
            login::writeSetting(QList{login::KeyCheck1, login::KeyOptionCheck1, login::KeyOptionCheck5}[i],
                                start.ticks[i]);
        }
        const QString before = settings->stored();
        ASSERT_TRUE(startUp(start.key, start.given));
        EXPECT_PROMPTS(start.prompts);
        const int records = start.opened.isEmpty() || start.opened == gone ? 0 : 2;
        EXPECT_EQ(std::pair(Module1::DataFileName, int(Module1::RecordCount)), std::pair(start.opened, records));
        EXPECT_EQ(w->Text1[0]->text() + w->windowTitle(), (records ? "x" + start.opened : "新規") + " - Keyfold");
        frmOption& options = w->optionForm();
        for (ui::WrapCheckBox* box : {w->Check1, options.Check1, options.Check2, options.Check5}) {
            EXPECT_EQ(box->isChecked(), start.ticked) << box->objectName().toStdString();
        }
        EXPECT_TRUE(w->Label8->text().endsWith("Keyfold Ver 1.1.3") && w->mnuChange->isEnabled() == (records > 0));
        EXPECT_EQ(settings->stored(), before); // start-up only reads
    }
    // Cancel in the master-key dialog ends the program before anything opens.
    reset();
    login::writeSetting(login::KeyFileName, book);
    EXPECT_FALSE(startUp("cancel"));
    EXPECT_TRUE(ui::ProgramEnd::ended() && Module1::RecordCount == 0 && w->windowTitle() == "Keyfold");
}

TEST_F(StartupExit, EachWayOfLeavingAsksSavesOrStaysAsTheBookNeeds)
{
    struct Exit
    {
        bool changed = true;  // one record added and not saved
        bool nextTime = true; // the book is to be opened next time
        bool autoSave = false;
        QString file = "book.kf1";
        QList<Answer> answers{}; // to the question
        QStringList saveAs{};    // the answer to the save dialog, if one is shown
        QList<MessageRequest> prompts{};
        QString saved{}; // the file written
        bool ends = true;
    };
    const MessageRequest saved{"book.kf1に保存しました", "Keyfold"}, savedNamed{"named.kf1に保存しました", "Keyfold"};
    const Exit exits[] = {
        {.changed = false},
        {.answers = {Answer::Cancel}, .prompts = {Question}, .ends = false},
        {.nextTime = false, .answers = {Answer::No}, .prompts = {Question}},
        {.answers = {Answer::Yes}, .prompts = {Question, saved}, .saved = "book.kf1"},
        {.nextTime = false, .autoSave = true, .prompts = {saved}, .saved = "book.kf1"},
        {.file = "missing/book.kf1", .answers = {Answer::Yes}, .prompts = {Question, NoPath}, .ends = false},
        {.autoSave = true, .file = "", .saveAs = {"named.kf1"}, .prompts = {savedNamed}, .saved = "named.kf1"},
    };
    // The Exit button (a direct call), File > Exit, and the window's close box.
    const std::function<void(Form1&)> ways[] = {[](Form1& w) { w.Command3->click(); },
                                                [](Form1& w) { w.mnuExit->trigger(); }, [](Form1& w) { w.close(); }};
    for (const Exit& exit : exits) {
        for (const auto& way : ways) {
            SCOPED_TRACE(testing::Message() << "row " << &exit - exits << ", way " << &way - ways);
            reset();
            w = makeShownMainWindow();
            w->book().setFileName(exit.file);
            w->Check1->setChecked(exit.nextTime);
            w->optionForm().Check5->setChecked(exit.autoSave);
            w->Text1[0]->setText(exit.changed ? "provider" : "");
            w->Command4->click(); // Add, disabled while box 0 is empty
            std::ranges::for_each(exit.answers, Prompts::queueAnswer);
            std::ranges::for_each(exit.saveAs, Prompts::queueFileName);
            way(*w);
            EXPECT_PROMPTS(exit.prompts);
            EXPECT_EQ(Prompts::takeFileRequests().value(0).title, exit.saveAs.isEmpty() ? "" : "ファイルを保存する");
            EXPECT_EQ(std::tuple(ui::ProgramEnd::ended(), w->isVisible(), w->Command1->isEnabled()),
                      std::tuple(exit.ends, !exit.ends, exit.changed && exit.saved.isEmpty()));
            EXPECT_EQ(QDir().entryList(QDir::Files), exit.saved.isEmpty() ? QStringList() : QStringList(exit.saved));
            // Only where the program ends, the book to open next time; options are stored only by their O.K.
            const QString remembered = exit.nextTime ? (exit.saved.isEmpty() ? exit.file : exit.saved) : "";
            EXPECT_EQ(settings->stored(),
                      exit.ends ? remembered + (exit.nextTime ? "|1" : "|0") + "|-|-|-" : "-|-|-|-|-");
            QDir().remove(exit.saved); // for the next round
        }
    }
}

// The end without the window, in process (the real program receiving signals is the end-to-end tests' part), and the
// end of the desktop session, which asks as the exit does: a cancel there cancels the logout, and the quit that follows
// an answer does not ask again (when an answer holds is the session's rule). A file that failed to read is saved only
// through the save dialog, which offers it.
TEST_F(StartupExit, EndingWithoutTheWindowRescuesForTheNextStartToNameAndTheEndOfTheSessionAsksAsTheExitDoes)
{
    w->endWithoutWindow(); // before the start-up is over nothing is written
    EXPECT_TRUE(ui::ProgramEnd::ended() && !QFile::exists(settings->settingsFile()));
    reset();
    login::writeSetting(login::KeyOptionCheck1, "1"); // no master-key dialog from here on
    ASSERT_TRUE(startUp(""));
    openAndAdd("a.kf1", bookBytes(1));
    w->Check1->setChecked(true);
    w->endWithoutWindow();
    EXPECT_PROMPTS();
    const QStringList copies = QDir(path("data/Keyfold/rescue")).entryList(QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(login::readSetting(login::KeyFileName), path("a.kf1"));
    resetProgramState(); // the next start names the copy after the book's own messages
    ASSERT_TRUE(startUp(""));
    EXPECT_PROMPTS({"前回の終了時に保存されていなかった変更を、次のファイルに保存しました。\n" +
                        path("data/Keyfold/rescue/" + copies[0]),
                    "Keyfold"});
    EXPECT_EQ(Module1::RecordCount, 1);

    openAndAdd("short.kf1", bookBytes(1) + "\"a field too many\"\r\n");
    w->optionForm().Check5->setChecked(true); // auto-save: no question, the save dialog
    Prompts::queueFileCancel();
    EXPECT_TRUE(w->commitSession(true)) << "a cancel cancels the logout";
    EXPECT_EQ(Prompts::takeFileRequests().value(0).fileName, path("short.kf1"));
    w->optionForm().Check5->setChecked(false);
    Prompts::queueAnswer(Answer::No);
    EXPECT_FALSE(w->commitSession(true));
    EXPECT_PROMPTS({"Keyfoldファイルにこれ以上データがありません。", "Keyfold"}, Question);
    EXPECT_FALSE(ui::ProgramEnd::ended()) << "never quits inside the request";
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit); // the session manager's "die"
    EXPECT_PROMPTS();
    EXPECT_TRUE(ui::ProgramEnd::ended());
}
