// Start-up and exit of the whole program: the master key, the book it starts on, and the three ways of leaving.
#include "login/Settings.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompts.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <utility>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ui::Answer;
using ui::Prompts;
using LoginAction = std::function<void(frmLogin&)>;

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The Exit button (a direct call), File > Exit, and the window's close box.
const std::function<void(Form1&)> ExitWays[] = {
    [](Form1& w) { w.Command3->click(); },
    [](Form1& w) { w.mnuExit->trigger(); },
    [](Form1& w) { w.close(); },
};

class StartupExitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        previousDir = QDir::currentPath();
        ASSERT_TRUE(work.isValid() && QDir::setCurrent(work.path()));
        settings = std::make_unique<testsupport::TempSettings>();
    }

    void TearDown() override
    {
        window.reset();
        // The master-key dialog has no owner and stays loaded; drop the ones left behind.
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmLogin*>(widget)) {
                delete widget;
            }
        }
        QDir::setCurrent(previousDir);
        settings.reset();
        testsupport::resetProgramState();
    }

    // A data file whose field f of record r reads "<tag>r<r>f<f>".
    static void writeBook(const QString& path, int count, const char* tag)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int r = 0; r < count; ++r) {
            for (int f = 0; f < Module1::FieldCount; ++f) {
                file.write(QStringLiteral("\"%1r%2f%3\"\r\n").arg(QLatin1String(tag)).arg(r).arg(f).toLatin1());
            }
        }
    }

    QByteArray settingsBytes() const
    {
        QFile file(settings->settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
    }

    QString stored(const char* key) const
    {
        return QSettings(settings->settingsFile(), QSettings::IniFormat)
            .value(QStringLiteral("load/") + QLatin1String(key), QStringLiteral("<absent>"))
            .toString();
    }

    // Runs the start-up as the program does; `answer` acts on the master-key dialog if one is shown.
    bool startUp(const LoginAction& answer)
    {
        loginShown = false;
        window = std::make_unique<Form1>();
        QTimer answering;
        QObject::connect(&answering, &QTimer::timeout, [&] {
            answering.stop();
            if (auto* login = qobject_cast<frmLogin*>(QApplication::activeModalWidget())) {
                loginShown = login->objectName() == QStringLiteral("frmLogin") && !window->isVisible();
                answer(*login);
            }
        });
        QTimer watchdog; // a dialog left open would block the test for ever
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            ADD_FAILURE() << "the master-key dialog stayed open";
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->done(QDialog::Rejected);
            }
        });
        answering.start(0);
        watchdog.start(5000);
        const bool started = window->Form_Load();
        if (started) {
            window->show();
        }
        return started;
    }

    static LoginAction typeKey(const QString& key, QList<Answer> answers = {})
    {
        return [key, answers](frmLogin& login) {
            for (Answer answer : answers) {
                Prompts::queueAnswer(answer);
            }
            QTest::keyClicks(login.txtPassword, key);
            QTest::mouseClick(login.cmdOK, Qt::LeftButton);
        };
    }

    // A shown main window holding one record that is not saved yet.
    void openChangedBook(const QString& dataFile, bool openNextTime, bool autoSave)
    {
        testsupport::resetProgramState();
        window = testsupport::makeShownMainWindow();
        Module1::DataFileName = dataFile;
        window->Check1->setChecked(openNextTime);
        window->optionForm().Check5->setChecked(autoSave);
        window->Text1[0]->setText(QStringLiteral("provider"));
        window->Text1[1]->setText(QStringLiteral("account"));
        window->Command4->click();
        ASSERT_EQ(Module1::RecordCount, 1);
        ASSERT_TRUE(window->Command1->isEnabled());
    }

    static void expectSaveQuestion(const ui::MessageRequest& message)
    {
        EXPECT_EQ(message.text, QStringLiteral("このファイルを保存しますか?"));
        EXPECT_EQ(message.title, QStringLiteral("Keyfold"));
        EXPECT_EQ(message.buttons, ui::Buttons::YesNoCancel);
        EXPECT_EQ(message.defaultAnswer, Answer::Yes);
    }

    // The exit stopped: the window open, the book still unsaved, nothing stored.
    void expectExitAbandoned(const QByteArray& settingsBefore)
    {
        EXPECT_FALSE(ui::ProgramEnd::ended());
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->Command1->isEnabled() && window->mnuSave->isEnabled());
        EXPECT_EQ(Module1::RecordCount, 1);
        EXPECT_EQ(settingsBytes(), settingsBefore);
    }

    void expectAllBoxesUnchecked()
    {
        frmOption& options = window->optionForm();
        EXPECT_FALSE(window->Check1->isChecked() || options.Check1->isChecked() || options.Check2->isChecked() ||
                     options.Check5->isChecked());
    }

    void expectEmptyBook()
    {
        EXPECT_EQ(Module1::RecordCount, 0);
        EXPECT_EQ(window->VScroll1->maximum(), 0);
        EXPECT_EQ(window->VScroll1->value(), 0);
        EXPECT_EQ(window->windowTitle(), u("新規 - Keyfold"));
        for (QLineEdit* box : window->Text1) {
            EXPECT_TRUE(box->text().isEmpty());
        }
        EXPECT_FALSE(window->mnuChange->isEnabled());
    }

    QTemporaryDir work;
    QString previousDir;
    std::unique_ptr<testsupport::TempSettings> settings;
    std::unique_ptr<Form1> window;
    bool loginShown = false;
};

TEST_F(StartupExitTest, FirstRunAsksForTheKeyAndStartsAnEmptyBook)
{
    ASSERT_TRUE(startUp(typeKey(QStringLiteral("wqz"))));
    EXPECT_TRUE(loginShown); // before the main window appeared
    EXPECT_EQ(Module1::MasterKey, QStringLiteral("wqz"));
    EXPECT_EQ(Module1::LoginResult, Module1::LoginAccepted);
    EXPECT_TRUE(Module1::DataFileName.isEmpty());
    expectEmptyBook();
    expectAllBoxesUnchecked();
    EXPECT_FALSE(window->Command1->isEnabled());
    EXPECT_TRUE(window->Label8->text().endsWith(QStringLiteral("Keyfold Ver 1.1.3")));
    EXPECT_TRUE(Prompts::takeMessages().isEmpty());
    EXPECT_FALSE(QFile::exists(settings->settingsFile())); // start-up only reads
}

TEST_F(StartupExitTest, StartsOnTheRememberedTheDefaultOrNoFile)
{
    const QString book = work.filePath(QStringLiteral("book.kf1"));
    writeBook(book, 2, "b");
    writeBook(QStringLiteral("keyfold.kf1"), 3, "k");
    login::writeSetting(login::KeyFileName, book);
    login::writeSetting(login::KeyCheck1, QStringLiteral("1"));
    login::writeSetting(login::KeyOptionCheck1, QStringLiteral("1"));
    login::writeSetting(login::KeyOptionCheck5, QStringLiteral("1"));
    QByteArray before = settingsBytes();

    // Logging on with the current key was chosen: no dialog, the remembered file opens at once.
    ASSERT_TRUE(startUp(typeKey(QStringLiteral("wqz"))));
    EXPECT_FALSE(loginShown);
    EXPECT_EQ(Module1::DataFileName, book);
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_EQ(window->Text1[0]->text(), QStringLiteral("br0f0"));
    EXPECT_EQ(window->windowTitle(), book + QStringLiteral(" - Keyfold"));
    frmOption& options = window->optionForm();
    EXPECT_TRUE(window->Check1->isChecked() && options.Check1->isChecked() && options.Check2->isChecked() &&
                options.Check5->isChecked());
    EXPECT_TRUE(Prompts::takeMessages().isEmpty());

    // The option is read as a number: " 1" is 1, "1.5" rounds to 2, which shows the dialog.
    login::writeSetting(login::KeyOptionCheck1, QStringLiteral(" 1"));
    ASSERT_TRUE(startUp(typeKey(QStringLiteral("wqz"))));
    EXPECT_FALSE(loginShown);
    login::writeSetting(login::KeyOptionCheck1, QStringLiteral("1.5"));
    before = settingsBytes();
    ASSERT_TRUE(startUp(typeKey(QStringLiteral("wqz"))));
    EXPECT_TRUE(loginShown);
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_EQ(window->windowTitle(), book + QStringLiteral(" - Keyfold"));

    // A new master key: "keyfold.kf1" of the working directory instead, and the boxes reset on screen only.
    ASSERT_TRUE(startUp(typeKey(QStringLiteral("mykey"), {Answer::Yes})));
    EXPECT_EQ(Module1::LoginResult, Module1::LoginNewKey);
    EXPECT_EQ(Module1::DataFileName, QStringLiteral("keyfold.kf1"));
    EXPECT_EQ(Module1::RecordCount, 3);
    EXPECT_EQ(window->Text1[0]->text(), QStringLiteral("kr0f0"));
    expectAllBoxesUnchecked();
    EXPECT_EQ(Prompts::takeMessages().size(), 1); // the question only
    EXPECT_EQ(settingsBytes(), before);

    // Without the default file: its not-found message and an empty book.
    ASSERT_TRUE(QFile::remove(QStringLiteral("keyfold.kf1")));
    ASSERT_TRUE(startUp(typeKey(QStringLiteral("mykey"), {Answer::Yes})));
    QList<ui::MessageRequest> messages = Prompts::takeMessages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages.at(1).text.contains(QStringLiteral("keyfold.kf1")));
    EXPECT_TRUE(messages.at(1).text.contains(u("ファイルが見つかりません。")));
    expectEmptyBook();

    // A remembered file that is gone is reported; the book is empty.
    ASSERT_TRUE(QFile::remove(book));
    ASSERT_TRUE(startUp(typeKey(QStringLiteral("wqz"))));
    messages = Prompts::takeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.at(0).text.contains(book));
    expectEmptyBook();
}

TEST_F(StartupExitTest, CancellingTheKeyEndsTheProgramBeforeAnythingOpens)
{
    const QString book = work.filePath(QStringLiteral("book.kf1"));
    writeBook(book, 2, "b");
    login::writeSetting(login::KeyFileName, book);
    login::writeSetting(login::KeyCheck1, QStringLiteral("1"));
    const QByteArray before = settingsBytes();
    const LoginAction cancels[] = {
        [](frmLogin& login) { QTest::mouseClick(login.cmdCancel, Qt::LeftButton); },
        [](frmLogin& login) { QTest::keyClick(login.txtPassword, Qt::Key_Escape); },
        [](frmLogin& login) { login.close(); },
    };
    for (const LoginAction& cancel : cancels) {
        testsupport::resetProgramState();
        const bool started = startUp([&](frmLogin& login) {
            QTest::keyClicks(login.txtPassword, QStringLiteral("wqz")); // typed but never confirmed
            cancel(login);
        });
        EXPECT_FALSE(started);
        EXPECT_TRUE(loginShown);
        EXPECT_TRUE(ui::ProgramEnd::ended());
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(Module1::RecordCount, 0);
        EXPECT_TRUE(Prompts::takeMessages().isEmpty());
        EXPECT_EQ(settingsBytes(), before);
    }
}

TEST_F(StartupExitTest, ExitWithoutChangesStoresTheFileChoiceAndEnds)
{
    const QString book = work.filePath(QStringLiteral("book.kf1"));
    for (const auto& exit : ExitWays) {
        for (bool openNextTime : {true, false}) {
            testsupport::resetProgramState();
            settings = std::make_unique<testsupport::TempSettings>();
            window = testsupport::makeShownMainWindow();
            Module1::DataFileName = book;
            window->Check1->setChecked(openNextTime);
            exit(*window);
            EXPECT_TRUE(Prompts::takeMessages().isEmpty());
            EXPECT_TRUE(ui::ProgramEnd::ended());
            EXPECT_FALSE(window->isVisible());
            EXPECT_EQ(stored("FileName"), openNextTime ? book : QString());
            EXPECT_EQ(stored("Check1"), openNextTime ? QStringLiteral("1") : QStringLiteral("0"));
            EXPECT_EQ(stored("FrmOptionCheck1"), QStringLiteral("<absent>")); // options only on their OK
            EXPECT_FALSE(QFile::exists(book));
        }
    }
}

TEST_F(StartupExitTest, ExitWithChangesAsksOrSavesAutomatically)
{
    login::writeSetting(login::KeyFileName, QStringLiteral("old.kf1"));
    login::writeSetting(login::KeyCheck1, QStringLiteral("0"));
    const QByteArray before = settingsBytes();
    const QString book = work.filePath(QStringLiteral("book.kf1"));

    // Cancel at the question: nothing happens, whichever way the exit came.
    for (const auto& exit : ExitWays) {
        openChangedBook(book, true, false);
        Prompts::queueAnswer(Answer::Cancel);
        exit(*window);
        const QList<ui::MessageRequest> messages = Prompts::takeMessages();
        ASSERT_EQ(messages.size(), 1);
        expectSaveQuestion(messages.at(0));
        expectExitAbandoned(before);
        EXPECT_FALSE(QFile::exists(book));
    }

    // Yes (or auto-save without a question) saves and shows the saved message; No leaves without saving.
    // Answer::Ok stands for auto-save, which asks nothing.
    const std::pair<int, Answer> cases[] = {{0, Answer::Yes}, {1, Answer::Yes}, {2, Answer::Yes},
                                            {1, Answer::No},  {0, Answer::Ok},  {2, Answer::Ok}};
    for (const auto& [way, answer] : cases) {
        const bool autoSave = answer == Answer::Ok;
        SCOPED_TRACE(testing::Message() << way << autoSave);
        QFile::remove(book);
        openChangedBook(book, true, autoSave);
        if (!autoSave) {
            Prompts::queueAnswer(answer);
        }
        ExitWays[way](*window);
        const QList<ui::MessageRequest> messages = Prompts::takeMessages();
        const bool saved = answer != Answer::No;
        ASSERT_EQ(messages.size(), (autoSave ? 0 : 1) + (saved ? 1 : 0));
        if (!autoSave) {
            expectSaveQuestion(messages.at(0));
        }
        if (saved) {
            EXPECT_EQ(messages.last().text, book + u("に保存しました"));
            QFile file(book);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll().startsWith("\"provider\"\r\n\"account\"\r\n"));
        } else {
            EXPECT_FALSE(QFile::exists(book));
        }
        EXPECT_TRUE(ui::ProgramEnd::ended());
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(stored("FileName"), book);
        EXPECT_EQ(stored("Check1"), QStringLiteral("1"));
    }
}

TEST_F(StartupExitTest, SaveAtExitThatCannotBeMadeKeepsTheProgramRunning)
{
    const QString named = work.filePath(QStringLiteral("named.kf1"));
    const QString unreachable = work.filePath(QStringLiteral("missing/book.kf1"));
    for (bool autoSave : {false, true}) {
        for (const auto& exit : ExitWays) {
            SCOPED_TRACE(autoSave);
            // No file name: the save dialog asks for one; cancelling it abandons the exit.
            openChangedBook(QString(), true, autoSave);
            if (!autoSave) {
                Prompts::queueAnswer(Answer::Yes);
            }
            Prompts::queueFileCancel();
            exit(*window);
            const QList<ui::FileRequest> requests = Prompts::takeFileRequests();
            ASSERT_EQ(requests.size(), 1);
            EXPECT_TRUE(requests.at(0).save);
            EXPECT_EQ(requests.at(0).title, u("ファイルを保存する"));
            EXPECT_EQ(Prompts::takeMessages().size(), autoSave ? 0 : 1);
            expectExitAbandoned("<absent>");

            // A save that fails: its error is shown and the exit abandoned.
            Module1::DataFileName = unreachable;
            if (!autoSave) {
                Prompts::queueAnswer(Answer::Yes);
            }
            exit(*window);
            const QList<ui::MessageRequest> messages = Prompts::takeMessages();
            ASSERT_EQ(messages.size(), autoSave ? 1 : 2);
            EXPECT_EQ(messages.last().text, u("パスが見つかりません。"));
            EXPECT_EQ(messages.last().title, QStringLiteral("Keyfold"));
            EXPECT_EQ(messages.last().buttons, ui::Buttons::Ok);
            expectExitAbandoned("<absent>");
            EXPECT_FALSE(QFile::exists(unreachable));

            // Named in the dialog this time: saved there, and the name is remembered.
            QFile::remove(named);
            Module1::DataFileName.clear();
            if (!autoSave) {
                Prompts::queueAnswer(Answer::Yes);
            }
            Prompts::queueFileName(named);
            exit(*window);
            EXPECT_TRUE(QFile::exists(named));
            EXPECT_TRUE(ui::ProgramEnd::ended());
            EXPECT_EQ(stored("FileName"), named);
            EXPECT_EQ(stored("Check1"), QStringLiteral("1"));
            settings = std::make_unique<testsupport::TempSettings>();
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
