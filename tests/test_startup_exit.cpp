// Start-up and exit of the whole program: how stored options are read, the master-key dialog, the book the program
// starts on, the options dialog, the three ways of leaving, and what reaches the settings file.
#include "login/Settings.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
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

#include <functional>

using ui::Answer;
using ui::Prompts;
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

TEST(Login, EveryOutcomeOfATry)
{
    const ui::MessageRequest noKeyTyped{"マスターキーが入力されていません", "マスターキーの新規作成"};
    struct Try
    {
        const char* typed;
        QList<Answer> answers;
        int result; // LoginResult afterwards
        bool stays; // the dialog still open, the typed text selected
        QList<ui::MessageRequest> prompts;
    };
    const Try tries[] = {
        {"wqz", {}, Module1::LoginAccepted, false, {}},
        {"WQZ", {Answer::No}, Module1::LoginRefused, true, {NewKeyQuestion}},
        {"wqz ", {Answer::No}, Module1::LoginRefused, true, {NewKeyQuestion}},
        {"newkey", {Answer::Yes}, Module1::LoginNewKey, false, {NewKeyQuestion}},
        {"", {Answer::Yes}, Module1::LoginRefused, true, {NewKeyQuestion, noKeyTyped}},
    };
    for (const Try& t : tries) {
        SCOPED_TRACE(t.typed);
        testsupport::resetProgramState();
        Module1::MasterKey = "wqz";
        Module1::LoginResult = -1;
        frmLogin dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        for (Answer answer : t.answers) {
            Prompts::queueAnswer(answer);
        }
        QTest::keyClicks(dialog.txtPassword, t.typed);
        EXPECT_EQ(dialog.txtPassword->displayText(), QString(qstrlen(t.typed), '*'));
        EXPECT_FALSE(dialog.txtPassword->testAttribute(Qt::WA_InputMethodEnabled));
        QTest::keyClick(dialog.txtPassword, Qt::Key_Return); // Enter is OK
        EXPECT_EQ(Module1::LoginResult, t.result);
        EXPECT_PROMPTS(t.prompts);
        EXPECT_EQ(dialog.isVisible(), t.stays);
        EXPECT_EQ(dialog.LoginSucceeded, !t.stays);
        if (t.stays) { // the next typing replaces the refused key
            EXPECT_TRUE(dialog.txtPassword->hasFocus());
            EXPECT_EQ(dialog.txtPassword->selectedText(), t.typed);
        }
        EXPECT_FALSE(ui::ProgramEnd::ended());
    }
}

class StartupExit : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(inWork); }
    void TearDown() override
    {
        window.reset();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            delete qobject_cast<frmLogin*>(widget); // the master-key dialog has no owner
        }
        QDir::setCurrent(previousDir);
        testsupport::resetProgramState();
    }

    // A data file of `count` records whose first field reads `first`, the other twelve empty.
    static void writeBook(const QString& path, int count, const QByteArray& first)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write((first + ",,,,,,,,,,,,\r\n").repeated(count)) > 0);
    }
    QByteArray settingsBytes() const
    {
        QFile file(settings->settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
    }
    // The value on disk, read by the name and in the section the settings file has always used.
    QString stored(const char* key) const
    {
        QSettings file(settings->settingsFile(), QSettings::IniFormat);
        return file.value(QStringLiteral("load/") + key, "<absent>").toString();
    }

    // Runs the start-up as the program does; `answer` acts on the master-key dialog if one is shown.
    bool startUp(const LoginAction& answer)
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
        return window->Form_Load();
    }
    static LoginAction typeKey(const QString& key, QList<Answer> answers = {})
    {
        return [=](frmLogin& login) {
            for (Answer answer : answers) {
                Prompts::queueAnswer(answer);
            }
            QTest::keyClicks(login.txtPassword, key);
            QTest::keyClick(login.txtPassword, Qt::Key_Return);
        };
    }
    void expectBook(const QString& file, int records, const QString& firstBox, bool ticked)
    {
        frmOption& options = window->optionForm();
        EXPECT_EQ(Module1::DataFileName, file);
        EXPECT_EQ(Module1::RecordCount, records);
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
    // First run: the key is asked for, the book is empty, nothing is ticked, nothing stored.
    ASSERT_TRUE(startUp(typeKey("wqz")));
    EXPECT_TRUE(loginShown);
    EXPECT_EQ(Module1::MasterKey, "wqz");
    expectBook("", 0, "", false);
    EXPECT_TRUE(window->Label8->text().endsWith("Keyfold Ver 1.1.3"));
    EXPECT_PROMPTS();
    EXPECT_EQ(settingsBytes(), "<absent>");

    // Logging on with the current key chosen: no dialog, and the remembered file opens.
    const QString book = work.filePath("帳簿, 2024; A=B #1.kf1");
    writeBook(book, 2, "book");
    writeBook("keyfold.kf1", 3, "default");
    login::writeSetting(login::KeyFileName, book);
    for (const QString& key : {login::KeyCheck1, login::KeyOptionCheck1, login::KeyOptionCheck5}) {
        login::writeSetting(key, " 1");
    }
    ASSERT_TRUE(startUp(typeKey("wqz")));
    EXPECT_FALSE(loginShown);
    expectBook(book, 2, "book", true);

    // Cancel, Escape or the close box, even after a refused key, end the program before anything opens.
    login::writeSetting(login::KeyOptionCheck1, "0");
    const QByteArray before = settingsBytes();
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
        EXPECT_TRUE(ui::ProgramEnd::ended());
        EXPECT_EQ(Module1::RecordCount, 0);
        EXPECT_PROMPTS(NewKeyQuestion);
    }

    // A new master key opens "keyfold.kf1" of the working directory and unticks everything, on screen only.
    ASSERT_TRUE(startUp(typeKey("mykey", {Answer::Yes})));
    EXPECT_EQ(Module1::LoginResult, Module1::LoginNewKey);
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
    EXPECT_EQ(settingsBytes(), before); // start-up only reads
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
    options.show();
    options.Check5->setChecked(true);
    options.Command4->click(); // Cancel only hides the dialog, which keeps its boxes
    EXPECT_FALSE(options.isVisible());
    EXPECT_TRUE(options.Check5->isChecked());
    EXPECT_EQ(settingsBytes(), "<absent>");
    for (const auto& [c1, c2, c5] : {std::tuple{true, false, false}, {false, true, false}, {false, false, true}}) {
        options.show();
        options.Check1->setChecked(c1);
        options.Check2->setChecked(c2);
        options.Check5->setChecked(c5);
        options.Command3->click();
        EXPECT_FALSE(options.isVisible());
        EXPECT_EQ(window->Check1->isChecked(), c2);
        EXPECT_EQ(stored("FrmOptionCheck1"), c1 ? "1" : "0");
        EXPECT_EQ(stored("FrmOptionCheck2"), c2 ? "1" : "0");
        EXPECT_EQ(stored("FrmOptionCheck5"), c5 ? "1" : "0");
        EXPECT_EQ(stored("Check1"), "<absent>");
    }
}

TEST_F(StartupExit, EachWayOfLeavingAsksSavesOrStaysAsTheBookNeeds)
{
    const ui::MessageRequest question{"このファイルを保存しますか?", "Keyfold", ui::Buttons::YesNoCancel, Answer::Yes};
    const ui::MessageRequest pathError{"パスが見つかりません。", "Keyfold"};
    const ui::MessageRequest savedBook{"book.kf1に保存しました", "Keyfold"};
    struct Exit
    {
        bool changed, nextTime, autoSave;
        QString file;                  // the book's file name
        QList<Answer> answers;         // to the question
        std::optional<QString> saveAs; // the save dialog's answer, empty to cancel it; none when not shown
        QList<ui::MessageRequest> prompts;
        QString saved; // the file written
        bool ends;
    };
    // No changes, with the file to be opened next time or not; changes and the answers Cancel, No and Yes; auto-save;
    // no file name (asked, then auto-save) and the save dialog cancelled; a save that fails (asked, then auto-save);
    // auto-save to the name given in the save dialog.
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
    for (const Exit& e : exits) {
        for (int way = 0; way < 3; ++way) {
            SCOPED_TRACE(testing::Message() << "case " << &e - exits << ", way " << way);
            testsupport::resetProgramState();
            settings = std::make_unique<testsupport::TempSettings>();
            QFile::remove("book.kf1");
            QFile::remove("named.kf1");
            window = testsupport::makeShownMainWindow();
            Module1::DataFileName = e.file;
            window->Check1->setChecked(e.nextTime);
            window->optionForm().Check5->setChecked(e.autoSave);
            if (e.changed) { // one record added and not saved
                window->Text1[0]->setText("provider");
                window->Command4->click();
            }
            for (Answer answer : e.answers) {
                Prompts::queueAnswer(answer);
            }
            if (e.saveAs) {
                e.saveAs->isEmpty() ? Prompts::queueFileCancel() : Prompts::queueFileName(*e.saveAs);
            }
            ways[way](*window);
            EXPECT_PROMPTS(e.prompts);
            const QList<ui::FileRequest> dialogs = Prompts::takeFileRequests();
            EXPECT_EQ(dialogs.size(), e.saveAs ? 1 : 0);
            EXPECT_TRUE(dialogs.isEmpty() || (dialogs[0].save && dialogs[0].title == "ファイルを保存する"));
            EXPECT_EQ(ui::ProgramEnd::ended(), e.ends);
            EXPECT_EQ(window->isVisible(), !e.ends);
            EXPECT_EQ(window->Command1->isEnabled(), e.changed && e.saved.isEmpty()) << "Save";
            EXPECT_EQ(QFile::exists("book.kf1"), e.saved == "book.kf1");
            EXPECT_EQ(QFile::exists("named.kf1"), e.saved == "named.kf1");
            const QString remembered = e.nextTime ? (e.saved.isEmpty() ? e.file : e.saved) : "";
            EXPECT_EQ(stored("FileName"), e.ends ? remembered : "<absent>");
            EXPECT_EQ(stored("Check1"), e.ends ? (e.nextTime ? "1" : "0") : "<absent>");
            EXPECT_EQ(stored("FrmOptionCheck5"), "<absent>"); // options are stored only by their O.K
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
