// The master-key dialog on its own: its controls and every outcome of a try.
#include "login/frmLogin.h"
#include "store/Module1.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ui::Answer;
using ui::Prompts;

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class LoginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        Module1::MasterKey = QStringLiteral("wqz");
    }

    void TearDown() override { testsupport::resetProgramState(); }

    // A fresh dialog, shown and active, so the focus moves as for a user.
    std::unique_ptr<frmLogin> open()
    {
        auto dialog = std::make_unique<frmLogin>();
        dialog->show();
        dialog->activateWindow();
        QApplication::setActiveWindow(dialog.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    // Types a key and presses OK with the answers queued for the questions that follow.
    static void tryKey(frmLogin& dialog, const QString& key, Answer answer)
    {
        Prompts::queueAnswer(answer);
        dialog.txtPassword->clear();
        QTest::keyClicks(dialog.txtPassword, key);
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
    }

    static void expectNewKeyQuestion(const ui::MessageRequest& message)
    {
        EXPECT_EQ(message.text, u("マスターキーの新規作成でしょうか？"));
        EXPECT_EQ(message.title, u("マスターキーの入力"));
        EXPECT_EQ(message.buttons, ui::Buttons::YesNo);
    }
};

TEST_F(LoginTest, ControlsAndMasking)
{
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), u("マスターキーの入力"));
    EXPECT_EQ(dialog->lblLabels->text(), u("ﾊﾟｽﾜｰﾄﾞ(&P):"));
    EXPECT_EQ(dialog->cmdOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog->cmdCancel->text(), u("ｷｬﾝｾﾙ"));
    EXPECT_TRUE(dialog->cmdOK->isDefault());

    // The box starts empty with the focus, shows "*" for every character and takes no input-method text.
    QLineEdit* box = dialog->txtPassword;
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), '*');
    EXPECT_FALSE(box->testAttribute(Qt::WA_InputMethodEnabled));
    QTest::keyClicks(box, QStringLiteral("wqz"));
    EXPECT_EQ(box->displayText(), QStringLiteral("***"));

    // The label's access key brings the focus back to the box.
    dialog->cmdCancel->setFocus();
    QTest::keyClick(dialog->cmdCancel, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_FALSE(ui::ProgramEnd::ended());
}

TEST_F(LoginTest, TheBuiltInKeyIsAcceptedExactlyAndCaseSensitively)
{
    auto dialog = open();
    QTest::keyClicks(dialog->txtPassword, QStringLiteral("wqz"));
    QTest::keyClick(dialog->txtPassword, Qt::Key_Return); // Enter is OK
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->LoginSucceeded);
    EXPECT_EQ(Module1::LoginResult, Module1::LoginAccepted);
    EXPECT_TRUE(Prompts::takeMessages().isEmpty());
    EXPECT_FALSE(ui::ProgramEnd::ended());

    // Anything but the exact letters is refused with the question.
    for (const QString& key : {QStringLiteral("WQZ"), QStringLiteral("wqz "), QStringLiteral("wq")}) {
        SCOPED_TRACE(key.toStdString());
        auto refused = open();
        tryKey(*refused, key, Answer::No);
        const QList<ui::MessageRequest> messages = Prompts::takeMessages();
        ASSERT_EQ(messages.size(), 1);
        expectNewKeyQuestion(messages.at(0));
        EXPECT_TRUE(refused->isVisible());
        EXPECT_EQ(Module1::LoginResult, Module1::LoginRefused);
    }
}

TEST_F(LoginTest, RefusedKeyStaysSelectedUntilTheUserGivesAnAnswer)
{
    // No: the dialog waits with the whole text selected, and the next typing replaces it.
    auto dialog = open();
    tryKey(*dialog, QStringLiteral("secret"), Answer::No);
    ASSERT_EQ(Prompts::takeMessages().size(), 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->LoginSucceeded);
    EXPECT_EQ(Module1::LoginResult, Module1::LoginRefused);
    EXPECT_TRUE(dialog->txtPassword->hasFocus());
    EXPECT_EQ(dialog->txtPassword->selectionStart(), 0);
    EXPECT_EQ(dialog->txtPassword->selectedText(), QStringLiteral("secret"));
    QTest::keyClicks(dialog->txtPassword, QStringLiteral("wqz"));
    EXPECT_EQ(dialog->txtPassword->text(), QStringLiteral("wqz"));
    QTest::keyClick(dialog->txtPassword, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Module1::LoginResult, Module1::LoginAccepted);
    EXPECT_TRUE(Prompts::takeMessages().isEmpty());

    // Yes with a key: a new master key, the dialog closes.
    auto created = open();
    tryKey(*created, QStringLiteral("newkey"), Answer::Yes);
    ASSERT_EQ(Prompts::takeMessages().size(), 1);
    EXPECT_FALSE(created->isVisible());
    EXPECT_TRUE(created->LoginSucceeded);
    EXPECT_EQ(Module1::LoginResult, Module1::LoginNewKey);
    EXPECT_FALSE(ui::ProgramEnd::ended());

    // Yes with an empty box: the question, then the note that no key was typed; the dialog stays.
    Module1::LoginResult = Module1::LoginAccepted;
    auto empty = open();
    tryKey(*empty, QString(), Answer::Yes);
    const QList<ui::MessageRequest> messages = Prompts::takeMessages();
    ASSERT_EQ(messages.size(), 2);
    expectNewKeyQuestion(messages.at(0));
    EXPECT_EQ(messages.at(1).text, u("マスターキーが入力されていません"));
    EXPECT_EQ(messages.at(1).title, u("マスターキーの新規作成"));
    EXPECT_EQ(messages.at(1).buttons, ui::Buttons::Ok);
    EXPECT_TRUE(empty->isVisible());
    EXPECT_FALSE(empty->LoginSucceeded);
    EXPECT_EQ(Module1::LoginResult, Module1::LoginRefused);
    EXPECT_TRUE(empty->txtPassword->hasFocus());
}

TEST_F(LoginTest, CancelEscapeAndTheCloseBoxEndTheProgram)
{
    const std::function<void(frmLogin&)> cancels[] = {
        [](frmLogin& d) { QTest::mouseClick(d.cmdCancel, Qt::LeftButton); },
        [](frmLogin& d) { QTest::keyClick(d.txtPassword, Qt::Key_Escape); },
        [](frmLogin& d) { d.close(); },
    };
    for (const auto& cancel : cancels) {
        testsupport::resetProgramState();
        Module1::MasterKey = QStringLiteral("wqz");
        auto dialog = open();
        // A refused try first: the key can still not be skipped.
        tryKey(*dialog, QStringLiteral("wqz!"), Answer::No);
        ASSERT_EQ(Prompts::takeMessages().size(), 1);
        ASSERT_EQ(Module1::LoginResult, Module1::LoginRefused);
        QTest::keyClicks(dialog->txtPassword, QStringLiteral("wqz")); // the right key typed, not confirmed
        cancel(*dialog);
        EXPECT_TRUE(ui::ProgramEnd::ended());
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(dialog->LoginSucceeded);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_NE(Module1::LoginResult, Module1::LoginNewKey);
        EXPECT_TRUE(Prompts::takeMessages().isEmpty());
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
