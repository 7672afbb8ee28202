// The login folder on its own: the master-key dialog, the options dialog, and how settings are read and kept.
#include "login/Settings.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "support/Children.h"
#include "support/Window.h"
#include "ui/ProgramEnd.h"

#include <functional>

using ui::Answer, ui::Prompts;

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

TEST(Settings, AreForTheirOwnerOnlyAndNameEachRescueCopyOnceOldestFirst)
{
    const testsupport::TempSettings settings;
    const QString folder = QFileInfo(settings.settingsFile()).path();
    login::writeSetting(login::KeyCheck1, "1");
    EXPECT_EQ(std::pair(testsupport::modeOf(folder), testsupport::modeOf(settings.settingsFile())),
              std::pair(0700u, 0600u));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(settings.settingsFile()).constData(), 0644);
    login::writeSetting(login::KeyCheck1, "0");
    EXPECT_EQ(std::pair(testsupport::modeOf(folder), testsupport::modeOf(settings.settingsFile())),
              std::pair(0700u, 0600u));
    EXPECT_EQ(login::readSetting(login::KeyCheck1), "0");
    // Rescue copies are named once, oldest first.
    login::recordRescueCopy("/tmp/a-20261207-120001.csv");
    login::recordRescueCopy("/tmp/b-20261207-120000.csv");
    EXPECT_EQ(login::takeRescueCopies(), QStringList({"/tmp/b-20261207-120000.csv", "/tmp/a-20261207-120001.csv"}));
    EXPECT_TRUE(login::takeRescueCopies().isEmpty());
}

// Keys of another case or with a trailing blank are refused, and so is a new key of nothing (Backspace empties the
// box); each stays selected so that the next typing replaces it. Cancel, Escape or the close box, even with the right
// key typed, end the program.
TEST(MasterKey, RefusedKeysStaySelectedAndCancelEscapeOrTheCloseBoxEndTheProgram)
{
    const std::function<void(frmLogin&)> cancels[] = {
        [](frmLogin& login) { QTest::mouseClick(login.cmdCancel, Qt::LeftButton); },
        [](frmLogin& login) { QTest::keyClick(login.txtPassword, Qt::Key_Escape); },
        [](frmLogin& login) { login.close(); }};
    for (const auto& cancel : cancels) {
        testsupport::resetProgramState();
        Module1::MasterKey = "wqz";
        frmLogin login;
        login.show();
        QApplication::setActiveWindow(&login);
        EXPECT_FALSE(login.txtPassword->testAttribute(Qt::WA_InputMethodEnabled));
        for (const QString typed : {"WQZ", "wqz ", ""}) {
            Prompts::queueAnswer(typed.isEmpty() ? Answer::Yes : Answer::No); // whether it is a new master key
            QTest::keyClicks(login.txtPassword, typed.isEmpty() ? "\b" : typed);
            QTest::keyClick(login.txtPassword, Qt::Key_Return);
            EXPECT_TRUE(login.isVisible() && login.txtPassword->hasFocus() &&
                        login.txtPassword->selectedText() == typed &&
                        login.txtPassword->displayText() == QString(typed.size(), '*') && !ui::ProgramEnd::ended() &&
                        Module1::LoginResult == Module1::LoginRefused)
                << typed.toStdString();
        }
        QTest::keyClicks(login.txtPassword, "wqz"); // the right key typed, never confirmed
        cancel(login);
        EXPECT_TRUE(ui::ProgramEnd::ended() && !login.isVisible() && !login.LoginSucceeded);
        const ui::MessageRequest newKey{"マスターキーの新規作成でしょうか？", "マスターキーの入力", ui::Buttons::YesNo,
                                        Answer::Yes};
        EXPECT_PROMPTS(newKey, newKey, newKey, {"マスターキーが入力されていません", "マスターキーの新規作成"});
    }
    testsupport::resetProgramState();
}

// The options dialog of the main window: O.K stores the three options and passes "open this file next time" back to
// the main window's box, which it mirrors at once; Cancel only hides the dialog, which keeps its boxes.
TEST(Options, OkStoresTheThreeOptionsAndCancelNothing)
{
    testsupport::resetProgramState();
    const testsupport::TempSettings settings;
    const auto window = testsupport::makeShownMainWindow();
    frmOption& options = window->optionForm();
    EXPECT_FALSE(options.Check3->isEnabled() || options.Check4->isEnabled() || options.Check3->isChecked() ||
                 options.Check4->isChecked());
    for (bool ticked : {true, false, true}) {
        window->Check1->click();
        EXPECT_EQ(options.Check2->isChecked(), ticked);
    }
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
        EXPECT_EQ(settings.stored(),
                  c.ok ? QString("-|-|%1|%2|%3").arg(c.skipDialog).arg(c.nextTime).arg(c.autoSave) : "-|-|-|-|-");
    }
}
