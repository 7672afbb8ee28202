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

class StartupExit : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(inWork); }
    void TearDown() override // the window, with the master-key dialog it owns, goes with the fixture
    {
        QDir::setCurrent(previousDir);
        testsupport::resetProgramState();
    }

    // FileName, Check1 and the three options on disk, '-' for each absent, by the names and in the section the
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
    // A book of `count` records whose first field reads `first`, the other twelve empty.
    static void writeBook(const QString& path, int count, const QByteArray& first)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write((first + ",,,,,,,,,,,,\r\n").repeated(count)) > 0);
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

TEST_F(StartupExit, StartsOnNoBookTheRememberedOneTheNewKeysOneOrTheGivenOneAndExitRemembersItAbsolute)
{
    const QString book = work.filePath("帳簿, 2024; A=B #1.kf1"), given = work.filePath("given.kf1");
    const QString gone = work.filePath("gone.kf1");
    const ui::MessageRequest goneMissing{"Keyfold(" + gone + ")\rファイルが見つかりません。", "Keyfold"};
    writeBook(book, 2, "book");
    writeBook("keyfold.kf1", 3, "default");
    writeBook(given, 2, "given");
    // Each row: FileName and Check1, the option to skip the dialog and auto-save as stored (none if empty); the
    // command line; the key typed (none: no dialog; "mykey" a new one); the book then: file, records, first box, all
    // four boxes ticked; the messages. A book on the command line takes the place of the start-up's own, also of a
    // new key's "keyfold.kf1" of the working directory; a new key unticks all, on screen only.
    const std::tuple<QString, QStringList, QStringList, QString, QString, int, QString, bool, QList<ui::MessageRequest>>
        rows[] = {
            {"", {}, {}, "wqz", "", 0, "", false, {}},
            {book, {" 1", "1", "1"}, {}, "", book, 2, "book", true, {}},
            {book, {"1", "0", "1"}, {}, "mykey", "keyfold.kf1", 3, "default", false, {NewKeyQuestion}},
            {gone, {}, {}, "wqz", gone, 0, "", false, {goneMissing}},
            {"", {}, {"given.kf1"}, "wqz", given, 2, "given", false, {}},
            {book, {"1", "1", "1"}, {"given.kf1"}, "", given, 2, "given", true, {}},
            {book, {"1", "0", "1"}, {given}, "mykey", given, 2, "given", false, {NewKeyQuestion}},
            {"", {}, {"gone.kf1"}, "wqz", gone, 0, "", false, {goneMissing}},
        };
    for (const auto& [fileName, ticks, arguments, key, file, records, first, ticked, prompts] : rows) {
        SCOPED_TRACE((fileName + " " + ticks.join(',') + " " + arguments.join(' ') + " " + key).toStdString());
        testsupport::resetProgramState();
        settings = std::make_unique<testsupport::TempSettings>();
        if (!fileName.isEmpty()) {
            login::writeSetting(login::KeyFileName, fileName);
        }
        for (int i = 0; i < ticks.size(); ++i) {
            login::writeSetting(QList{login::KeyCheck1, login::KeyOptionCheck1, login::KeyOptionCheck5}[i], ticks[i]);
        }
        const QString before = stored();
        ASSERT_TRUE(startUp(typeKey(key, key == "mykey" ? QList{Answer::Yes} : QList<Answer>{}), arguments));
        EXPECT_EQ(loginShown, !key.isEmpty());
        EXPECT_PROMPTS(prompts);
        expectBook(file, records, first, ticked);
        EXPECT_TRUE(window->Label8->text().endsWith("Keyfold Ver 1.1.3"));
        EXPECT_TRUE(!records || window->mnuChange->isEnabled());
        EXPECT_EQ(stored(), before); // start-up only reads
        window->Command3->click();   // unchanged: no question; the book is remembered only when ticked
        EXPECT_TRUE(ui::ProgramEnd::ended());
        EXPECT_EQ(stored().section('|', 0, 1), ticked ? file + "|1" : "|0");
    }
}

TEST_F(StartupExit, RefusedKeysStaySelectedAndCancelEscapeOrTheCloseBoxEndAtOnce)
{
    // Keys of another case or with a trailing blank are refused, and so is a new key of nothing (Backspace empties
    // the box); each stays selected so that the next typing replaces it. Then Cancel, Escape or the close box, even
    // with the right key typed, end the program before anything opens.
    const ui::MessageRequest noKeyTyped{"マスターキーが入力されていません", "マスターキーの新規作成"};
    const LoginAction cancels[] = {[](frmLogin& login) { QTest::mouseClick(login.cmdCancel, Qt::LeftButton); },
                                   [](frmLogin& login) { QTest::keyClick(login.txtPassword, Qt::Key_Escape); },
                                   [](frmLogin& login) { login.close(); }};
    for (const LoginAction& cancel : cancels) {
        testsupport::resetProgramState();
        EXPECT_FALSE(startUp([&](frmLogin& login) {
            QApplication::setActiveWindow(&login);
            EXPECT_FALSE(login.txtPassword->testAttribute(Qt::WA_InputMethodEnabled));
            for (const char* typed : {"WQZ", "wqz ", "\b"}) {
                typeKey(typed, {*typed == '\b' ? Answer::Yes : Answer::No})(login);
                const QString text = QString(typed).remove('\b');
                EXPECT_EQ(login.txtPassword->displayText(), QString(text.size(), '*'));
                EXPECT_TRUE(login.isVisible() && login.txtPassword->hasFocus() &&
                            login.txtPassword->selectedText() == text && !ui::ProgramEnd::ended() &&
                            Module1::LoginResult == Module1::LoginRefused)
                    << typed;
            }
            QTest::keyClicks(login.txtPassword, "wqz"); // the right key typed, never confirmed
            cancel(login);
        }));
        EXPECT_TRUE(ui::ProgramEnd::ended() && Module1::RecordCount == 0 && loginShown);
        EXPECT_PROMPTS(NewKeyQuestion, NewKeyQuestion, NewKeyQuestion, noKeyTyped);
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
    for (const auto& [c1, c2, c5, ok] : {std::tuple{false, false, true, false},
                                         {true, false, false, true},
                                         {false, true, false, true},
                                         {false, false, true, true}}) {
        options.show();
        options.Check1->setChecked(c1);
        options.Check2->setChecked(c2);
        options.Check5->setChecked(c5);
        (ok ? options.Command3 : options.Command4)->click();
        EXPECT_EQ(std::tuple(options.isVisible(), options.Check5->isChecked(), window->Check1->isChecked()),
                  std::tuple(false, c5, ok ? c2 : true));
        EXPECT_EQ(stored(), ok ? QString("-|-|%1|%2|%3").arg(c1).arg(c2).arg(c5) : "-|-|-|-|-");
    }
}

TEST_F(StartupExit, EachWayOfLeavingAsksSavesOrStaysAsTheBookNeeds)
{
    const ui::MessageRequest question{"このファイルを保存しますか?", "Keyfold", ui::Buttons::YesNoCancel, Answer::Yes};
    const ui::MessageRequest savedBook{"book.kf1に保存しました", "Keyfold"},
        noPath{"パスが見つかりません。", "Keyfold"};
    // Each row: the book changed; it is to be opened next time; auto-save; its file name; the answers to the
    // question; the save dialog's answer (empty to cancel it, none when not shown); the messages; the file written;
    // the program ends. More failed saves and auto-save are the keeping-books test's.
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
        {true, true, false, "missing/book.kf1", {Answer::Yes}, {}, {question, noPath}, {}, false},
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
            EXPECT_EQ(dialogs.size() == 1 && dialogs[0].save && dialogs[0].title == "ファイルを保存する",
                      saveAs.has_value());
            EXPECT_EQ(std::tuple(ui::ProgramEnd::ended(), window->isVisible(), window->Command1->isEnabled()),
                      std::tuple(ends, !ends, changed && saved.isEmpty()));
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
