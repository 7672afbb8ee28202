// Start-up and exit of the whole program: how stored options are read, the master-key dialog, the book the program
// starts on, the options dialog, the three ways of leaving, and what reaches the settings file.
#include "login/Settings.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/CommandLine.h"
#include "ui/ProgramEnd.h"
#include "ui/WrapCheckBox.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using ui::Answer, ui::Prompts;
using LoginAction = std::function<void(frmLogin&)>;

namespace {

const ui::MessageRequest NewKeyQuestion{"マスターキーの新規作成でしょうか？", "マスターキーの入力", ui::Buttons::YesNo,
                                        Answer::Yes};

TEST(Settings, CheckValueIsTheLeadingNumberRoundedAndOnlyOneIsTicked)
{
    // Blanks skipped, rounded to the nearest integer with halves to even; full-width digits are no number.
    const std::pair<const char*, int> cases[] = {
        {"0", 0},   {"1", 1},   {" 1", 1}, {"1abc", 1}, {"+1", 1},    {"01", 1},  {"1e0", 1},   {"", 0},
        {"abc", 0}, {"a1", 0},  {"+", 0},  {"１", 0},   {"2", 0},     {"-1", 0},  {"1.5", 0},   {"0.5", 0},
        {"1.4", 1}, {"0.6", 1}, {".9", 1}, {"-0.4", 0}, {"10e-1", 1}, {"2.5", 0}, {"1e400", 0},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(login::checkValue(QString::fromUtf8(text)), expected) << '"' << text << '"';
    }
}

TEST(Login, ARefusedKeyStaysSelectedSoThatTheNextTypingReplacesIt)
{
    testsupport::resetProgramState();
    Module1::MasterKey = "wqz";
    frmLogin dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    // Typed into one dialog in turn: keys of another case or with a trailing blank are refused, and so is a new key
    // of nothing (Backspace empties the box); Enter is OK. A new key chosen is the start-up's business, below.
    const ui::MessageRequest noKeyTyped{"マスターキーが入力されていません", "マスターキーの新規作成"};
    const std::tuple<const char*, QList<Answer>, int, QList<ui::MessageRequest>> tries[] = {
        {"WQZ", {Answer::No}, Module1::LoginRefused, {NewKeyQuestion}},
        {"wqz ", {Answer::No}, Module1::LoginRefused, {NewKeyQuestion}},
        {"\b", {Answer::Yes}, Module1::LoginRefused, {NewKeyQuestion, noKeyTyped}},
        {"wqz", {}, Module1::LoginAccepted, {}},
    };
    for (const auto& [typed, answers, result, prompts] : tries) {
        SCOPED_TRACE(typed);
        const QString text = QString(typed).remove('\b');
        std::ranges::for_each(answers, Prompts::queueAnswer);
        QTest::keyClicks(dialog.txtPassword, typed);
        EXPECT_EQ(dialog.txtPassword->displayText(), QString(text.size(), '*'));
        QTest::keyClick(dialog.txtPassword, Qt::Key_Return);
        EXPECT_EQ(Module1::LoginResult, result);
        EXPECT_PROMPTS(prompts);
        const bool stays = result == Module1::LoginRefused;
        EXPECT_EQ(std::tuple(dialog.isVisible(), dialog.LoginSucceeded, ui::ProgramEnd::ended()),
                  std::tuple(stays, !stays, false));
        EXPECT_TRUE(!stays || (dialog.txtPassword->hasFocus() && dialog.txtPassword->selectedText() == text));
    }
    EXPECT_FALSE(dialog.txtPassword->testAttribute(Qt::WA_InputMethodEnabled));
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

    // FileName, Check1 and the three options on disk, '-' for each absent, read by the names and in the section the
    // settings file has always used.
    QString stored() const
    {
        QSettings file(settings->settingsFile(), QSettings::IniFormat);
        QStringList values;
        for (const char* key : {"FileName", "Check1", "FrmOptionCheck1", "FrmOptionCheck2", "FrmOptionCheck5"}) {
            values << file.value(QStringLiteral("load/") + key, "-").toString();
        }
        return values.join('|');
    }

    // Runs the start-up as the program does; `answer` acts on the master-key dialog if one is shown.
    bool startUp(const LoginAction& answer, const QStringList& arguments = {})
    {
        const ui::CommandLine command = ui::parseCommandLine(QStringList("keyfold") + arguments, QDir::currentPath());
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
        return window->Form_Load(command.book);
    }
    static LoginAction typeKey(const QString& key, QList<Answer> answers = {})
    {
        return [=](frmLogin& login) {
            std::ranges::for_each(answers, Prompts::queueAnswer);
            QTest::keyClicks(login.txtPassword, key);
            QTest::keyClick(login.txtPassword, Qt::Key_Return);
        };
    }
    void expectBook(const QString& file, int records, const QString& firstBox, bool ticked)
    {
        frmOption& options = window->optionForm();
        EXPECT_EQ(std::pair(Module1::DataFileName, int(Module1::RecordCount)), std::pair(file, records));
        EXPECT_EQ(window->Text1[0]->text(), firstBox);
        EXPECT_EQ(window->windowTitle(), (records ? file : "新規") + QStringLiteral(" - Keyfold"));
        for (ui::WrapCheckBox* box : {window->Check1, options.Check1, options.Check2, options.Check5}) {
            EXPECT_EQ(box->isChecked(), ticked) << box->objectName().toStdString();
        }
    }

    QString previousDir = QDir::currentPath();
    QTemporaryDir work;
    bool inWork = work.isValid() && QDir::setCurrent(work.path());
    std::unique_ptr<testsupport::TempSettings> settings = std::make_unique<testsupport::TempSettings>();
    std::unique_ptr<Form1> window;
    bool loginShown = false;
};

TEST_F(StartupExit, StartsOnNoFileTheRememberedOneOrTheNewKeysOneAndCancelEndsAtOnce)
{
    // First run: the built-in key is asked for, the book is empty, nothing is ticked, nothing stored.
    ASSERT_TRUE(startUp(typeKey("wqz")));
    EXPECT_TRUE(loginShown);
    expectBook("", 0, "", false);
    EXPECT_TRUE(window->Label8->text().endsWith("Keyfold Ver 1.1.3"));
    EXPECT_PROMPTS();
    EXPECT_EQ(stored(), "-|-|-|-|-");

    // Logging on with the current key chosen: no dialog, and the remembered file opens.
    const QString book = work.filePath("帳簿, 2024; A=B #1.kf1");
    // Data files of two and three records whose first field reads "book" and "default", the other twelve empty.
    for (const auto& [path, count, first] :
         {std::tuple<QString, int, QByteArray>{book, 2, "book"}, {"keyfold.kf1", 3, "default"}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write((first + ",,,,,,,,,,,,\r\n").repeated(count)) > 0);
    }
    login::writeSetting(login::KeyFileName, book);
    for (const QString& key : {login::KeyCheck1, login::KeyOptionCheck1, login::KeyOptionCheck5}) {
        login::writeSetting(key, " 1");
    }
    ASSERT_TRUE(startUp(typeKey("wqz")));
    EXPECT_FALSE(loginShown);
    expectBook(book, 2, "book", true);

    // Cancel, Escape or the close box, even after a refused key, end the program before anything opens.
    login::writeSetting(login::KeyOptionCheck1, "0");
    const QString before = stored();
    const LoginAction cancels[] = {[](frmLogin& login) { QTest::mouseClick(login.cmdCancel, Qt::LeftButton); },
                                   [](frmLogin& login) { QTest::keyClick(login.txtPassword, Qt::Key_Escape); },
                                   [](frmLogin& login) { login.close(); }};
    for (const LoginAction& cancel : cancels) {
        testsupport::resetProgramState();
        EXPECT_FALSE(startUp([&](frmLogin& login) {
            typeKey("wqz!", {Answer::No})(login);       // refused: the dialog stays
            QTest::keyClicks(login.txtPassword, "wqz"); // the right key typed, never confirmed
            cancel(login);
        }));
        EXPECT_TRUE(ui::ProgramEnd::ended() && Module1::RecordCount == 0);
        EXPECT_PROMPTS(NewKeyQuestion);
    }

    // A new master key opens "keyfold.kf1" of the working directory and unticks everything, on screen only.
    ASSERT_TRUE(startUp(typeKey("mykey", {Answer::Yes})));
    expectBook("keyfold.kf1", 3, "default", false);
    EXPECT_PROMPTS(NewKeyQuestion);
    ASSERT_TRUE(QFile::remove("keyfold.kf1"));
    ASSERT_TRUE(startUp(typeKey("mykey", {Answer::Yes})));
    EXPECT_PROMPTS(NewKeyQuestion, {"Keyfold(keyfold.kf1)\rファイルが見つかりません。", "Keyfold"});
    expectBook("keyfold.kf1", 0, "", false);

    // A remembered file that is gone is reported; the book is empty.
    ASSERT_TRUE(QFile::remove(book));
    ASSERT_TRUE(startUp(typeKey("wqz")));
    EXPECT_PROMPTS({"Keyfold(" + book + ")\rファイルが見つかりません。", "Keyfold"});
    EXPECT_EQ(Module1::RecordCount, 0);
    EXPECT_EQ(stored(), before); // start-up only reads
}

TEST_F(StartupExit, ABookOnTheCommandLineOpensInPlaceOfTheStartUpsOwnAndIsRememberedAbsolute)
{
    // Two records whose first field reads "given"; a remembered book and keyfold.kf1 of one record each.
    for (const auto& [path, count, first] : {std::tuple<QString, int, QByteArray>{"given.kf1", 2, "given"},
                                             {"remembered.kf1", 1, "remembered"},
                                             {"keyfold.kf1", 1, "default"}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write((first + ",,,,,,,,,,,,\r\n").repeated(count)) > 0);
    }
    const QString given = work.filePath("given.kf1");

    // No book remembered: the given one opens rather than the empty book.
    ASSERT_TRUE(startUp(typeKey("wqz"), {"given.kf1"}));
    expectBook(given, 2, "given", false);
    EXPECT_TRUE(window->mnuChange->isEnabled());

    // A remembered book, to be opened next time without the dialog: the given one opens, and leaving remembers
    // its absolute path.
    login::writeSetting(login::KeyFileName, work.filePath("remembered.kf1"));
    for (const QString& key : {login::KeyCheck1, login::KeyOptionCheck1, login::KeyOptionCheck5}) {
        login::writeSetting(key, "1");
    }
    ASSERT_TRUE(startUp(typeKey("wqz"), {"given.kf1"}));
    EXPECT_FALSE(loginShown);
    expectBook(given, 2, "given", true);
    window->Command3->click();
    EXPECT_TRUE(ui::ProgramEnd::ended());
    EXPECT_EQ(stored(), given + "|1|1|-|1");
    testsupport::resetProgramState();

    // From another folder, without an argument, the remembered book still opens.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    ASSERT_TRUE(startUp(typeKey("wqz")));
    expectBook(given, 2, "given", true);

    // A new master key still unticks everything, but the given book opens instead of keyfold.kf1.
    login::writeSetting(login::KeyOptionCheck1, "0");
    login::writeSetting(login::KeyOptionCheck5, "0");
    ASSERT_TRUE(startUp(typeKey("mykey", {Answer::Yes}), {given}));
    EXPECT_PROMPTS(NewKeyQuestion);
    expectBook(given, 2, "given", false);

    // A given book that is missing is reported as any missing book; the book is empty and nothing is ticked.
    const QString missing = QDir(elsewhere.path()).filePath("gone.kf1");
    ASSERT_TRUE(startUp(typeKey("wqz"), {"gone.kf1"}));
    EXPECT_PROMPTS({"Keyfold(" + missing + ")\rファイルが見つかりません。", "Keyfold"});
    expectBook(missing, 0, "", false);
}

TEST_F(StartupExit, OptionsOkStoresTheThreeOptionsAndCancelNothing)
{
    window = testsupport::makeShownMainWindow();
    frmOption& options = window->optionForm();
    EXPECT_FALSE(options.Check3->isEnabled() || options.Check4->isEnabled());
    EXPECT_FALSE(options.Check3->isChecked() || options.Check4->isChecked());
    for (bool ticked : {true, false, true}) { // the main window's box is mirrored at once
        window->Check1->click();
        EXPECT_EQ(options.Check2->isChecked(), ticked);
    }
    // Cancel only hides the dialog, which keeps its boxes; O.K also passes the second to the main window's box.
    for (const auto& [c1, c2, c5, ok] : {std::tuple{false, false, true, false},
                                         {true, false, false, true},
                                         {false, true, false, true},
                                         {false, false, true, true}}) {
        options.show();
        options.Check1->setChecked(c1);
        options.Check2->setChecked(c2);
        options.Check5->setChecked(c5);
        (ok ? options.Command3 : options.Command4)->click();
        EXPECT_EQ(std::pair(options.isVisible(), options.Check5->isChecked()), std::pair(false, c5));
        EXPECT_EQ(window->Check1->isChecked(), ok ? c2 : true);
        EXPECT_EQ(stored(), ok ? QString("-|-|%1|%2|%3").arg(c1).arg(c2).arg(c5) : "-|-|-|-|-");
    }
}

TEST_F(StartupExit, EachWayOfLeavingAsksSavesOrStaysAsTheBookNeeds)
{
    const ui::MessageRequest question{"このファイルを保存しますか?", "Keyfold", ui::Buttons::YesNoCancel, Answer::Yes};
    const ui::MessageRequest pathError{"パスが見つかりません。", "Keyfold"};
    const ui::MessageRequest savedBook{"book.kf1に保存しました", "Keyfold"};
    // Each row: the book changed; it is to be opened next time; auto-save; its file name; the answers to the
    // question; the save dialog's answer (empty to cancel it, none when not shown); the messages; the file written;
    // the program ends.
    // No changes, with the file to be opened next time or not; changes and the answers Cancel, No and Yes; auto-save;
    // no file name (asked, then auto-save) and the save dialog cancelled; a save that fails (asked, then auto-save);
    // auto-save to the name given in the save dialog.
    using Exit = std::tuple<bool, bool, bool, QString, QList<Answer>, std::optional<QString>, QList<ui::MessageRequest>,
                            QString, bool>;
    const Exit exits[] = {
        {false, true, false, "book.kf1", {}, {}, {}, {}, true},
        {false, false, false, "book.kf1", {}, {}, {}, {}, true},
        {true, true, false, "book.kf1", {Answer::Cancel}, {}, {question}, {}, false},
        {true, true, false, "book.kf1", {Answer::No}, {}, {question}, {}, true},
        {true, true, false, "book.kf1", {Answer::Yes}, {}, {question, savedBook}, "book.kf1", true},
        {true, false, true, "book.kf1", {}, {}, {savedBook}, "book.kf1", true},
        {true, true, false, "", {Answer::Yes}, "", {question}, {}, false},
        {true, true, true, "", {}, "", {}, {}, false},
        {true, true, false, "missing/book.kf1", {Answer::Yes}, {}, {question, pathError}, {}, false},
        {true, true, true, "missing/book.kf1", {}, {}, {pathError}, {}, false},
        {true, true, true, "", {}, "named.kf1", {{"named.kf1に保存しました", "Keyfold"}}, "named.kf1", true},
    };
    // The Exit button (a direct call), File > Exit, and the window's close box.
    const std::function<void(Form1&)> ways[] = {[](Form1& w) { w.Command3->click(); },
                                                [](Form1& w) { w.mnuExit->trigger(); }, [](Form1& w) { w.close(); }};
    for (int row = 0; row < std::ssize(exits); ++row) {
        const auto& [changed, nextTime, autoSave, file, answers, saveAs, prompts, saved, ends] = exits[row];
        for (int way = 0; way < 3; ++way) {
            SCOPED_TRACE(testing::Message() << "row " << row << ", way " << way);
            testsupport::resetProgramState();
            settings = std::make_unique<testsupport::TempSettings>();
            window = testsupport::makeShownMainWindow();
            Module1::DataFileName = file;
            window->Check1->setChecked(nextTime);
            window->optionForm().Check5->setChecked(autoSave);
            window->Text1[0]->setText(changed ? "provider" : ""); // one record added and not saved, or none
            window->Command4->click();                            // Add, disabled while box 0 is empty
            std::ranges::for_each(answers, Prompts::queueAnswer);
            if (saveAs) {
                saveAs->isEmpty() ? Prompts::queueFileCancel() : Prompts::queueFileName(*saveAs);
            }
            ways[way](*window);
            EXPECT_PROMPTS(prompts);
            const QList<ui::FileRequest> dialogs = Prompts::takeFileRequests();
            EXPECT_EQ(dialogs.size(), saveAs ? 1 : 0);
            EXPECT_TRUE(dialogs.isEmpty() || (dialogs[0].save && dialogs[0].title == "ファイルを保存する"));
            EXPECT_EQ(std::pair(ui::ProgramEnd::ended(), window->isVisible()), std::pair(ends, !ends));
            EXPECT_EQ(window->Command1->isEnabled(), changed && saved.isEmpty()) << "Save";
            EXPECT_EQ(QDir().entryList(QDir::Files), saved.isEmpty() ? QStringList() : QStringList(saved));
            // Only where the program ends, the book to open next time; options are stored only by their O.K.
            const QString remembered = nextTime ? (saved.isEmpty() ? file : saved) : "";
            EXPECT_EQ(stored(), ends ? remembered + (nextTime ? "|1" : "|0") + "|-|-|-" : "-|-|-|-|-");
            QFile::remove(saved); // for the next round
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
