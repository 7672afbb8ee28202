// The options dialog: its controls, the mirror with the main window's check box, and what O.K and Cancel store.
#include "login/Settings.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/WrapCheckBox.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class OptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        settings = std::make_unique<testsupport::TempSettings>();
        window = testsupport::makeShownMainWindow();
        options = &window->optionForm();
    }

    void TearDown() override
    {
        window.reset();
        settings.reset();
        testsupport::resetProgramState();
    }

    void showOptions()
    {
        options->show();
        options->activateWindow();
        QApplication::setActiveWindow(options);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == options; }));
    }

    QStringList storedKeys() const
    {
        QSettings file(settings->settingsFile(), QSettings::IniFormat);
        file.beginGroup(QStringLiteral("load"));
        QStringList keys = file.childKeys();
        keys.sort();
        return keys;
    }

    // A click on the box itself, as a user ticks it.
    static void tick(ui::WrapCheckBox* check)
    {
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    }

    std::unique_ptr<testsupport::TempSettings> settings;
    std::unique_ptr<Form1> window;
    frmOption* options = nullptr;
};

TEST_F(OptionsTest, ControlsFocusAndModalShowing)
{
    EXPECT_EQ(options->windowTitle(), u("オプション"));
    EXPECT_TRUE(options->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(options->isVisible()); // loaded at first use, hidden
    EXPECT_EQ(options->Frame1->title(), u("起動の設定(次回,Keyfold起動時に有効)"));
    EXPECT_EQ(options->Frame2->title(), u("その他の設定"));
    EXPECT_EQ(options->Check1->text(), u("次回から、現在のマスターキーでログオンする"));
    EXPECT_EQ(options->Check2->text(), u("次回から、今開いているファイルを開く"));
    EXPECT_EQ(options->Check3->text(), u("入力された全部のパスワードを表示しない"));
    EXPECT_EQ(options->Check4->text(), u("ファイルに暗号処理をしてKeyfold暗号ファイルにする"));
    EXPECT_EQ(options->Check5->text(), u("終了時に自動保存する"));
    EXPECT_EQ(options->Command3->text(), QStringLiteral("O.K"));
    EXPECT_EQ(options->Command4->text(), u("キャンセル"));
    EXPECT_EQ(options->Check1->parentWidget(), options->Frame1);
    EXPECT_EQ(options->Check5->parentWidget(), options->Frame2);
    EXPECT_FALSE(options->Check1->isChecked() || options->Check2->isChecked() || options->Check3->isChecked() ||
                 options->Check4->isChecked() || options->Check5->isChecked());
    EXPECT_FALSE(options->Check3->isEnabled());
    EXPECT_FALSE(options->Check4->isEnabled());
    EXPECT_TRUE(options->Check1->isEnabled() && options->Check2->isEnabled() && options->Check5->isEnabled());
    EXPECT_TRUE(options->Command4->isDefault());
    EXPECT_FALSE(options->Command3->isDefault());

    // Tools > Options shows the dialog modally, centred on the main window, starting on Cancel; Tab then goes
    // through O.K and the enabled check boxes. Enter on a check box is Cancel, which stores nothing.
    bool checked = false;
    QTimer::singleShot(0, options, [&] {
        checked = true;
        EXPECT_EQ(QApplication::activeModalWidget(), options);
        // A tool window counts as active with its owner, so wait for the dialog itself to take the focus.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == options; }));
        EXPECT_LE((options->frameGeometry().center() - window->frameGeometry().center()).manhattanLength(), 4);
        EXPECT_EQ(QApplication::focusWidget(), options->Command4);
        const QList<QWidget*> chain = {options->Command3, options->Check1, options->Check2, options->Check5,
                                       options->Command4};
        for (QWidget* next : chain) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
        }
        options->Check1->setFocus();
        QTest::keyClick(options->Check1, Qt::Key_Return);
        if (options->isVisible()) {
            ADD_FAILURE() << "Enter on a check box did not close the dialog";
            options->Command4->click();
        }
    });
    window->mnuOption->trigger();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(options->isVisible());
    EXPECT_EQ(options->result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(settings->settingsFile()));
    EXPECT_EQ(&window->optionForm(), options); // only hidden, never unloaded
    EXPECT_FALSE(ui::ProgramEnd::ended());
}

TEST_F(OptionsTest, MainWindowBoxIsMirroredAtOnceWithoutStoring)
{
    window->Check1->click();
    EXPECT_TRUE(options->Check2->isChecked());
    window->Check1->click();
    EXPECT_FALSE(options->Check2->isChecked());
    window->Check1->setChecked(true);
    EXPECT_TRUE(options->Check2->isChecked());
    EXPECT_FALSE(QFile::exists(settings->settingsFile()));

    // A dialog loaded after the box was ticked starts ticked as well.
    window.reset();
    window = testsupport::makeShownMainWindow();
    window->Check1->setChecked(true);
    options = &window->optionForm();
    EXPECT_TRUE(options->Check2->isChecked());
}

TEST_F(OptionsTest, OkStoresTheThreeOptionsAndUpdatesTheMainWindow)
{
    // The password boxes masked beforehand: OK shows them as typed while masking stays off.
    for (int index : {2, 6, 12}) {
        window->Text1[index]->setEchoMode(QLineEdit::Password);
    }
    showOptions();
    tick(options->Check1);
    tick(options->Check2);
    ASSERT_TRUE(options->Check1->isChecked() && options->Check2->isChecked());
    QTest::mouseClick(options->Command3, Qt::LeftButton);

    EXPECT_FALSE(options->isVisible());
    EXPECT_TRUE(window->Check1->isChecked());
    EXPECT_TRUE(options->Check2->isChecked());
    EXPECT_EQ(login::readSetting(login::KeyOptionCheck1), QStringLiteral("1"));
    EXPECT_EQ(login::readSetting(login::KeyOptionCheck2), QStringLiteral("1"));
    EXPECT_EQ(login::readSetting(login::KeyOptionCheck5), QStringLiteral("0"));
    EXPECT_EQ(storedKeys(), (QStringList{QStringLiteral("FrmOptionCheck1"), QStringLiteral("FrmOptionCheck2"),
                                         QStringLiteral("FrmOptionCheck5")}));
    for (int index : {2, 6, 12}) {
        EXPECT_EQ(window->Text1[index]->echoMode(), QLineEdit::Normal) << index;
        EXPECT_FALSE(window->Text1[index]->testAttribute(Qt::WA_InputMethodEnabled)) << index;
    }

    // Shown again with the same states; everything cleared but auto-save, then OK.
    showOptions();
    EXPECT_TRUE(options->Check1->isChecked());
    tick(options->Check1);
    tick(options->Check2);
    tick(options->Check5);
    QTest::mouseClick(options->Command3, Qt::LeftButton);
    EXPECT_FALSE(window->Check1->isChecked());
    EXPECT_EQ(login::readSetting(login::KeyOptionCheck1), QStringLiteral("0"));
    EXPECT_EQ(login::readSetting(login::KeyOptionCheck2), QStringLiteral("0"));
    EXPECT_EQ(login::readSetting(login::KeyOptionCheck5), QStringLiteral("1"));
    EXPECT_FALSE(ui::ProgramEnd::ended());
}

TEST_F(OptionsTest, CancelEscapeAndCloseBoxStoreNothingButKeepTheBoxes)
{
    const std::function<void(frmOption&)> cancels[] = {
        [](frmOption& d) { QTest::mouseClick(d.Command4, Qt::LeftButton); },
        [](frmOption& d) { QTest::keyClick(d.Check5, Qt::Key_Escape); },
        [](frmOption& d) { d.close(); },
    };
    for (const auto& cancel : cancels) {
        showOptions();
        options->Check1->setChecked(false);
        options->Check5->setChecked(false);
        tick(options->Check1);
        tick(options->Check5);
        cancel(*options);
        EXPECT_FALSE(options->isVisible());
        EXPECT_TRUE(options->Check1->isChecked() && options->Check5->isChecked());
        EXPECT_FALSE(options->Check3->isChecked() || options->Check4->isChecked());
        EXPECT_FALSE(QFile::exists(settings->settingsFile()));
        EXPECT_EQ(&window->optionForm(), options);
    }
    EXPECT_FALSE(ui::ProgramEnd::ended());
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
