// The login folder on its own: the master-key dialog, the options dialog, and how settings are read and kept.
#include "login/Settings.h"
#include "support/Window.h"

using testsupport::modeOf, ui::Answer, ui::Prompts;
using Login = testsupport::WindowTest; // the main window of the options dialog, settings of the test's own

// A ticked box is stored as a number: blanks skipped, rounded to the nearest integer with halves to even, it must be
// 1; full-width digits are no number. The settings are their owner's alone, and made so again should they have been
// opened to others. Rescue copies are named once, oldest first.
TEST_F(Login, SettingsTickAtOneAreTheOwnersAloneStoredByTheOptionsOkAndNameEachRescueCopyOnceOldestFirst)
{
    QString ticked;
    for (const char* text : {"1",   " 1", "1abc", "+1", "01", "1e0", "1.4", "0.6", ".9",   "10e-1", "0",    "",
                             "abc", "a1", "+",    "１", "2",  "-1",  "1.5", "0.5", "-0.4", "2.5",   "1e400"}) {
        ticked += QString::number(login::checkValue(QString::fromUtf8(text)));
    }
    EXPECT_EQ(ticked, "11111111110000000000000");
    const QString file = settings->settingsFile(), folder = QFileInfo(file).path();
    login::writeSetting(login::KeyCheck1, "1");
    EXPECT_EQ(std::pair(modeOf(folder), modeOf(file)), std::pair(0700u, 0600u));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(file).constData(), 0644);
    login::writeSetting(login::KeyCheck1, "0");
    EXPECT_EQ(std::pair(modeOf(folder), modeOf(file)), std::pair(0700u, 0600u)) << "made private again";
    login::recordRescueCopy("/tmp/a-20261207-120001.csv");
    login::recordRescueCopy("/tmp/b-20261207-120000.csv");
    EXPECT_EQ(login::takeRescueCopies() + login::takeRescueCopies(), // the second finds none
              QStringList({"/tmp/b-20261207-120000.csv", "/tmp/a-20261207-120001.csv"}));
    // The options dialog stores the three options on O.K only and passes "open this file next time" to the main
    // window's box; Cancel only hides the dialog, which keeps its boxes.
    frmOption& options = w->optionForm();
    EXPECT_FALSE(options.Check3->isEnabled() || options.Check4->isEnabled()) << "not offered";
    struct Choice
    {
        bool skipDialog = false, nextTime = false, autoSave = false, ok = false;
    };
    for (const Choice& c :
         {Choice{.skipDialog = true, .nextTime = true, .autoSave = true},
          Choice{.nextTime = true, .autoSave = true, .ok = true}, Choice{.skipDialog = true, .ok = true}}) {
        options.show();
        options.Check1->setChecked(c.skipDialog);
        options.Check2->setChecked(c.nextTime);
        options.Check5->setChecked(c.autoSave);
        (c.ok ? options.Command3 : options.Command4)->click();
        EXPECT_TRUE(!options.isVisible() && options.Check5->isChecked() == c.autoSave &&
                    w->Check1->isChecked() == (c.ok && c.nextTime));
        EXPECT_EQ(settings->stored(),
                  c.ok ? QString("-|0|%1|%2|%3").arg(c.skipDialog).arg(c.nextTime).arg(c.autoSave) : "-|0|-|-|-");
    }
}

// Keys of another case or with a trailing blank are refused, and so is a new key of nothing (Backspace empties the
// box); each stays selected so that the next typing replaces it. Escape, even with the right key typed, ends the
// program as Cancel does.
TEST_F(Login, RefusedMasterKeysStaySelectedAndEscapeEndsTheProgram)
{
    Module1::MasterKey = "wqz";
    frmLogin login;
    login.show();
    QApplication::setActiveWindow(&login);
    for (const QString typed : {"WQZ", "wqz ", ""}) {
        Prompts::queueAnswer(typed.isEmpty() ? Answer::Yes : Answer::No); // whether it is a new master key
        QTest::keyClicks(login.txtPassword, typed.isEmpty() ? "\b" : typed);
        QTest::keyClick(login.txtPassword, Qt::Key_Return);
        EXPECT_TRUE(login.isVisible() && login.txtPassword->hasFocus() && login.txtPassword->selectedText() == typed &&
                    login.txtPassword->displayText() == QString(typed.size(), '*') &&
                    !login.txtPassword->testAttribute(Qt::WA_InputMethodEnabled) &&
                    Module1::LoginResult == Module1::LoginRefused && !ui::ProgramEnd::ended())
            << typed.toStdString();
    }
    QTest::keyClicks(login.txtPassword, "wqz"); // the right key typed, never confirmed
    QTest::keyClick(login.txtPassword, Qt::Key_Escape);
    EXPECT_TRUE(ui::ProgramEnd::ended() && !login.isVisible() && !login.LoginSucceeded);
    // After the three questions whether it is a new master key.
    EXPECT_EQ(Prompts::takeMessages().value(3),
              ui::MessageRequest({"マスターキーが入力されていません", "マスターキーの新規作成"}));
}
