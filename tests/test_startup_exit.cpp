// Start-up and exit of the whole program: how stored options are read, the master-key dialog, the book the program
// starts on, the options dialog, the three ways of leaving, and what reaches the settings file.
#include "login/Settings.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "support/Children.h"
#include "support/Window.h"
#include "ui/CommandLine.h"
#include "ui/ProgramEnd.h"

#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTimer>

#include <functional>

using ui::Answer, ui::MessageRequest, ui::Prompts;
using LoginAction = std::function<void(frmLogin&)>;

const MessageRequest NewKey{"マスターキーの新規作成でしょうか？", "マスターキーの入力", ui::Buttons::YesNo,
                            Answer::Yes};
const MessageRequest Question{"このファイルを保存しますか?", "Keyfold", ui::Buttons::YesNoCancel, Answer::Yes};
const MessageRequest NoPath{"パスが見つかりません。", "Keyfold"};

TEST(Settings, CheckValueIsTheLeadingNumberRoundedAndOnlyOneIsTicked)
{
    // Blanks skipped, rounded to the nearest integer with halves to even; full-width digits are no number.
    for (const char* one : {"1", " 1", "1abc", "+1", "01", "1e0", "1.4", "0.6", ".9", "10e-1"}) {
        EXPECT_EQ(login::checkValue(QString::fromUtf8(one)), 1) << '"' << one << '"';
    }
    for (const char* other : {"0", "", "abc", "a1", "+", "１", "2", "-1", "1.5", "0.5", "-0.4", "2.5", "1e400"}) {
        EXPECT_EQ(login::checkValue(QString::fromUtf8(other)), 0) << '"' << other << '"';
    }
}

class StartupExit : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(inWork); }
    void TearDown() override // the window, with the master-key dialog it owns, goes with the fixture
    {
        QDir::setCurrent(previousDir);
        testsupport::resetProgramState();
    }
    // A fresh start: the program's state and an empty settings folder.
    void reset()
    {
        testsupport::resetProgramState();
        settings.emplace();
    }
    // FileName, Check1 and the three options on disk, '-' for each absent, by the names and in the section the
    // settings file has always used.
    QString stored() const
    {
        QStringList values;
        for (const char* key : {"FileName", "Check1", "FrmOptionCheck1", "FrmOptionCheck2", "FrmOptionCheck5"}) {
            values << QSettings(settings->settingsFile(), QSettings::IniFormat)
                          .value("load/" + QString(key), "-")
                          .toString();
        }
        return values.join('|');
    }
    // Runs the start-up as the program does; `answer` acts on the master-key dialog if one is shown.
    bool startUp(const LoginAction& answer, const QStringList& arguments = {})
    {
        loginShown = false;
        window = std::make_unique<Form1>();
        QTimer::singleShot(0, window.get(), [&] {
            if (auto* login = qobject_cast<frmLogin*>(QApplication::activeModalWidget())) {
                loginShown = true;
                answer(*login);
                if (login->isVisible()) { // it would block the test for ever
                    ADD_FAILURE() << "the master-key dialog stayed open";
                    login->done(QDialog::Rejected);
                }
            }
        });
        return window->Form_Load(ui::parseCommandLine(QStringList("keyfold") + arguments, QDir::currentPath()).book);
    }
    // Types the key and Return, the answer to the question whether it is a new master key queued.
    static LoginAction typeKey(const QString& key, Answer answer = Answer::No)
    {
        return [=](frmLogin& login) {
            Prompts::queueAnswer(answer);
            QTest::keyClicks(login.txtPassword, key);
            QTest::keyClick(login.txtPassword, Qt::Key_Return);
        };
    }

    QString previousDir = QDir::currentPath();
    QTemporaryDir work;
    bool inWork = work.isValid() && QDir::setCurrent(work.path());
    std::optional<testsupport::TempSettings> settings{std::in_place};
    std::unique_ptr<Form1> window;
    bool loginShown = false;
};

TEST_F(StartupExit, StartsOnNoBookTheRememberedOneTheNewKeysOneOrTheGivenOneAndExitRemembersItAbsolute)
{
    const QString book = work.filePath("帳簿, 2024; A=B #1.kf1"), given = work.filePath("given.kf1");
    const QString gone = work.filePath("gone.kf1");
    for (const QString& file : {book, QString("keyfold.kf1"), given}) {
        testsupport::writeFile(file, QByteArray("x,,,,,,,,,,,,\r\n").repeated(2));
    }
    // A book on the command line takes the place of the start-up's own, also of a new key's "keyfold.kf1" of the
    // working directory; a new key unticks all options, on screen only.
    struct Start
    {
        QString remembered{}; // the stored FileName
        QStringList ticks{};  // the stored Check1, FrmOptionCheck1 (no master-key dialog), FrmOptionCheck5 (auto-save)
        QStringList args{};   // the command line
        QString key{};        // typed into the master-key dialog, none when not shown, "new" for a new master key
        QString opened{};     // the book then (two records, or none when not read), all four boxes ticked
        bool ticked = false;
        QList<MessageRequest> prompts{};
    };
    const Start starts[] = {
        {.key = "wqz"},
        {.remembered = book, .ticks = {" 1", "1", "1"}, .opened = book, .ticked = true},
        {.remembered = book, .ticks = {"1", "0", "1"}, .key = "new", .opened = "keyfold.kf1", .prompts = {NewKey}},
        {.remembered = gone,
         .key = "wqz",
         .opened = gone,
         .prompts = {{"Keyfold(" + gone + ")\rファイルが見つかりません。", "Keyfold"}}},
        {.remembered = book, .ticks = {"1", "1", "1"}, .args = {"given.kf1"}, .opened = given, .ticked = true},
        {.remembered = book, .ticks = {"1", "0"}, .args = {given}, .key = "new", .opened = given, .prompts = {NewKey}},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE((start.remembered + " " + start.args.join(' ') + " " + start.key).toStdString());
        reset();
        login::writeSetting(login::KeyFileName, start.remembered);
        for (int i = 0; i < start.ticks.size(); ++i) {
            login::writeSetting(QList{login::KeyCheck1, login::KeyOptionCheck1, login::KeyOptionCheck5}[i],
                                start.ticks[i]);
        }
        const QString before = stored();
        ASSERT_TRUE(startUp(start.key == "new" ? typeKey("mykey", Answer::Yes) : typeKey(start.key), start.args));
        EXPECT_EQ(loginShown, !start.key.isEmpty());
        EXPECT_PROMPTS(start.prompts);
        const int records = start.opened.isEmpty() || start.opened == gone ? 0 : 2;
        EXPECT_EQ(std::pair(Module1::DataFileName, int(Module1::RecordCount)), std::pair(start.opened, records));
        EXPECT_EQ(window->Text1[0]->text() + window->windowTitle(),
                  (records ? "x" + start.opened : "新規") + " - Keyfold");
        frmOption& options = window->optionForm();
        for (ui::WrapCheckBox* box : {window->Check1, options.Check1, options.Check2, options.Check5}) {
            EXPECT_EQ(box->isChecked(), start.ticked) << box->objectName().toStdString();
        }
        EXPECT_TRUE(window->Label8->text().endsWith("Keyfold Ver 1.1.3") &&
                    window->mnuChange->isEnabled() == (records > 0));
        EXPECT_EQ(stored(), before); // start-up only reads
        window->Command3->click();   // unchanged: no question; the book is remembered only when ticked
        EXPECT_TRUE(ui::ProgramEnd::ended());
        EXPECT_EQ(stored().section('|', 0, 1), start.ticked ? start.opened + "|1" : "|0");
        Prompts::reset(); // the answer for a question not asked
    }
}

TEST_F(StartupExit, RefusedKeysStaySelectedAndCancelEscapeOrTheCloseBoxEndAtOnce)
{
    // Keys of another case or with a trailing blank are refused, and so is a new key of nothing (Backspace empties
    // the box); each stays selected so that the next typing replaces it. Then Cancel, Escape or the close box, even
    // with the right key typed, end the program before anything opens.
    const LoginAction cancels[] = {[](frmLogin& login) { QTest::mouseClick(login.cmdCancel, Qt::LeftButton); },
                                   [](frmLogin& login) { QTest::keyClick(login.txtPassword, Qt::Key_Escape); },
                                   [](frmLogin& login) { login.close(); }};
    for (const LoginAction& cancel : cancels) {
        testsupport::resetProgramState();
        EXPECT_FALSE(startUp([&](frmLogin& login) {
            QApplication::setActiveWindow(&login);
            EXPECT_FALSE(login.txtPassword->testAttribute(Qt::WA_InputMethodEnabled));
            for (const QString typed : {"WQZ", "wqz ", ""}) {
                typeKey(typed.isEmpty() ? "\b" : typed, typed.isEmpty() ? Answer::Yes : Answer::No)(login);
                EXPECT_TRUE(login.isVisible() && login.txtPassword->hasFocus() &&
                            login.txtPassword->selectedText() == typed &&
                            login.txtPassword->displayText() == QString(typed.size(), '*') &&
                            !ui::ProgramEnd::ended() && Module1::LoginResult == Module1::LoginRefused)
                    << typed.toStdString();
            }
            QTest::keyClicks(login.txtPassword, "wqz"); // the right key typed, never confirmed
            cancel(login);
        }));
        EXPECT_TRUE(ui::ProgramEnd::ended() && Module1::RecordCount == 0 && loginShown);
        EXPECT_PROMPTS(NewKey, NewKey, NewKey, {"マスターキーが入力されていません", "マスターキーの新規作成"});
    }
}

TEST_F(StartupExit, OptionsOkStoresTheThreeOptionsAndCancelNothing)
{
    window = testsupport::makeShownMainWindow();
    frmOption& options = window->optionForm();
    EXPECT_FALSE(options.Check3->isEnabled() || options.Check4->isEnabled() || options.Check3->isChecked() ||
                 options.Check4->isChecked());
    for (bool ticked : {true, false, true}) { // the main window's box is mirrored at once
        window->Check1->click();
        EXPECT_EQ(options.Check2->isChecked(), ticked);
    }
    // Cancel only hides the dialog, which keeps its boxes; O.K also passes the second to the main window's box.
    struct Choice
    {
        bool skipDialog = false, nextTime = false, autoSave = false, ok = false;
    };
    for (const Choice& c : {Choice{.skipDialog = true, .autoSave = true}, Choice{.skipDialog = true, .ok = true},
                            Choice{.nextTime = true, .ok = true}}) {
        options.show();
        options.Check1->setChecked(c.skipDialog);
        options.Check2->setChecked(c.nextTime);
        options.Check5->setChecked(c.autoSave);
        (c.ok ? options.Command3 : options.Command4)->click();
        EXPECT_TRUE(!options.isVisible() && options.Check5->isChecked() == c.autoSave &&
                    window->Check1->isChecked() == (c.ok ? c.nextTime : true));
        EXPECT_EQ(stored(),
                  c.ok ? QString("-|-|%1|%2|%3").arg(c.skipDialog).arg(c.nextTime).arg(c.autoSave) : "-|-|-|-|-");
    }
}

TEST_F(StartupExit, EachWayOfLeavingAsksSavesOrStaysAsTheBookNeeds)
{
    struct Exit
    {
        bool changed = true;  // one record added and not saved
        bool nextTime = true; // the book is to be opened next time
        bool autoSave = false;
        QString file = "book.kf1";
        std::optional<Answer> answer{};  // to the question
        std::optional<QString> saveAs{}; // to the save dialog, "" to cancel it; none when not shown
        QList<MessageRequest> prompts{};
        QString saved{}; // the file written, and the program ends
        bool ends = true;
    };
    const MessageRequest saved{"book.kf1に保存しました", "Keyfold"}, savedNamed{"named.kf1に保存しました", "Keyfold"};
    const Exit exits[] = {
        {.changed = false},
        {.answer = Answer::Cancel, .prompts = {Question}, .ends = false},
        {.nextTime = false, .answer = Answer::No, .prompts = {Question}},
        {.answer = Answer::Yes, .prompts = {Question, saved}, .saved = "book.kf1"},
        {.nextTime = false, .autoSave = true, .prompts = {saved}, .saved = "book.kf1"},
        {.file = "", .answer = Answer::Yes, .saveAs = "", .prompts = {Question}, .ends = false},
        {.file = "missing/book.kf1", .answer = Answer::Yes, .prompts = {Question, NoPath}, .ends = false},
        {.autoSave = true, .file = "", .saveAs = "named.kf1", .prompts = {savedNamed}, .saved = "named.kf1"},
    };
    // The Exit button (a direct call), File > Exit, and the window's close box.
    const std::function<void(Form1&)> ways[] = {[](Form1& w) { w.Command3->click(); },
                                                [](Form1& w) { w.mnuExit->trigger(); }, [](Form1& w) { w.close(); }};
    for (const Exit& exit : exits) {
        for (const auto& way : ways) {
            SCOPED_TRACE(testing::Message() << "row " << &exit - exits << ", way " << &way - ways);
            reset();
            window = testsupport::makeShownMainWindow();
            window->book().setFileName(exit.file);
            window->Check1->setChecked(exit.nextTime);
            window->optionForm().Check5->setChecked(exit.autoSave);
            window->Text1[0]->setText(exit.changed ? "provider" : "");
            window->Command4->click(); // Add, disabled while box 0 is empty
            if (exit.answer) {
                Prompts::queueAnswer(*exit.answer);
            }
            if (exit.saveAs) {
                exit.saveAs->isEmpty() ? Prompts::queueFileCancel() : Prompts::queueFileName(*exit.saveAs);
            }
            way(*window);
            EXPECT_PROMPTS(exit.prompts);
            const QList<ui::FileRequest> dialogs = Prompts::takeFileRequests();
            EXPECT_EQ(dialogs.size() == 1 && dialogs[0].title == "ファイルを保存する", exit.saveAs.has_value());
            EXPECT_EQ(std::tuple(ui::ProgramEnd::ended(), window->isVisible(), window->Command1->isEnabled()),
                      std::tuple(exit.ends, !exit.ends, exit.changed && exit.saved.isEmpty()));
            EXPECT_EQ(QDir().entryList(QDir::Files), exit.saved.isEmpty() ? QStringList() : QStringList(exit.saved));
            // Only where the program ends, the book to open next time; options are stored only by their O.K.
            const QString remembered = exit.nextTime ? (exit.saved.isEmpty() ? exit.file : exit.saved) : "";
            EXPECT_EQ(stored(), exit.ends ? remembered + (exit.nextTime ? "|1" : "|0") + "|-|-|-" : "-|-|-|-|-");
            QFile::remove(exit.saved); // for the next round
        }
    }
}
