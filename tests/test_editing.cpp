// Add, Overwrite and Clear on the main window's real widgets.
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/TestApp.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ui::Prompts;

// Which of Add, Overwrite and Clear are enabled, as "AOC" with "-" for a disabled one; menus agree with buttons.
std::string recordCommands(const Form1& w)
{
    EXPECT_EQ(w.Command4->isEnabled(), w.mnuAdd->isEnabled());
    EXPECT_EQ(w.Command6->isEnabled(), w.mnuEditAs->isEnabled());
    EXPECT_EQ(w.Command5->isEnabled(), w.mnuClear->isEnabled());
    return std::string() + (w.Command4->isEnabled() ? 'A' : '-') + (w.Command6->isEnabled() ? 'O' : '-') +
           (w.Command5->isEnabled() ? 'C' : '-');
}

bool saveEnabled(const Form1& w)
{
    EXPECT_EQ(w.Command1->isEnabled(), w.mnuSave->isEnabled());
    return w.Command1->isEnabled();
}

bool boxesEmpty(const Form1& w)
{
    return std::all_of(w.Text1.begin(), w.Text1.end(), [](const QLineEdit* box) { return box->text().isEmpty(); });
}

class Editing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        w = testsupport::makeShownMainWindow();
    }
    void TearDown() override
    {
        w.reset();
        testsupport::resetProgramState();
    }
    // A book of n records with the view at position p.
    void showBook(int n, int p)
    {
        testsupport::fillBook(n);
        w->VScroll1->setMaximum(n);
        w->VScroll1->setValue(p == 0 ? n : 0);
        w->VScroll1->setValue(p);
    }

    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w;
};

TEST_F(Editing, AddStoresTheBoxesAndReadiesTheNextBlank)
{
    w->mnuChange->setEnabled(false);
    w->Text1[0]->setText("alpha");
    w->Text1[7]->setText("http://example.jp/");
    w->Command7->setFocus();
    QTest::mouseClick(w->Command4, Qt::LeftButton);

    EXPECT_EQ(Module1::RecordCount, 1);
    EXPECT_EQ(Module1::RecordTable[0][0], "alpha");
    EXPECT_EQ(Module1::RecordTable[0][7], "http://example.jp/");
    EXPECT_TRUE(Module1::RecordTable[0][1].isEmpty() && Module1::RecordTable[1][0].isEmpty());
    EXPECT_EQ(w->VScroll1->maximum(), 1);
    EXPECT_EQ(w->VScroll1->value(), 1);
    EXPECT_TRUE(boxesEmpty(*w));
    EXPECT_EQ(recordCommands(*w), "---");
    EXPECT_TRUE(saveEnabled(*w));
    EXPECT_TRUE(w->mnuChange->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), w->Text1[0]);
    EXPECT_TRUE(Prompts::takeMessages().isEmpty());
}

TEST_F(Editing, AddMovesTheViewBeforeItEnablesSave)
{
    QStringList log;
    QObject guard;
    const auto state = [&] {
        return QString("count=%1 add=%2 save=%3")
            .arg(Module1::RecordCount)
            .arg(w->Command4->isEnabled())
            .arg(w->Command1->isEnabled());
    };
    QObject::connect(w->VScroll1, &QScrollBar::rangeChanged, &guard, [&](int, int max) {
        log << QString("max %1 slot0=%2 ").arg(max).arg(Module1::RecordTable[0][0]) + state();
    });
    QObject::connect(w->VScroll1, &QScrollBar::valueChanged, &guard,
                     [&](int value) { log << QString("value %1 ").arg(value) + state(); });
    for (int i = 0; i < 13; ++i) {
        QObject::connect(w->Text1[i], &QLineEdit::textChanged, &guard, [&, i](const QString& text) {
            log << QString("text%1 '%2' @%3 ").arg(i).arg(text).arg(w->VScroll1->value()) + state();
        });
    }
    w->Text1[0]->setText("alpha");
    w->Text1[3]->setText("03");
    log.clear();

    w->Command4->click();
    log << "returned " + state();
    EXPECT_EQ(log, QStringList({
                       "max 1 slot0=alpha count=1 add=1 save=0",
                       "text0 '' @1 count=1 add=0 save=0",
                       "text3 '' @1 count=1 add=0 save=0",
                       "value 1 count=1 add=0 save=0",
                       "returned count=1 add=0 save=1",
                   }));
}

TEST_F(Editing, EnterRunsAddOnlyWhileAddIsEnabled)
{
    w->Text1[3]->setFocus();
    QTest::keyClicks(w->Text1[3], "0120");
    QTest::keyClick(w->Text1[3], Qt::Key_Return);
    EXPECT_EQ(Module1::RecordCount, 0) << "no provider name, no record";
    EXPECT_EQ(w->Text1[3]->text(), "0120");

    w->Text1[0]->setText("alpha");
    QTest::keyClick(w->Text1[3], Qt::Key_Return);
    EXPECT_EQ(Module1::RecordCount, 1);
    EXPECT_EQ(Module1::RecordTable[0][3], "0120");
    EXPECT_TRUE(boxesEmpty(*w));

    QTest::keyClicks(w->Text1[0], "beta");
    QTest::keyClick(w->Text1[0], Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_EQ(Module1::RecordTable[1][0], "beta");

    // At a record position Add is disabled, and Enter adds no copy of the record.
    w->VScroll1->setValue(0);
    w->Text1[0]->setFocus();
    QTest::keyClick(w->Text1[0], Qt::Key_Return);
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_EQ(w->VScroll1->value(), 0);
    EXPECT_TRUE(Module1::RecordTable[2][0].isEmpty());
}

TEST_F(Editing, OverwriteStoresTheBoxesWithoutAsking)
{
    showBook(3, 1);
    w->Text1[0]->clear();
    w->Text1[2]->setText("newpass");
    w->Command6->click();

    EXPECT_TRUE(Prompts::takeMessages().isEmpty());
    EXPECT_TRUE(Module1::RecordTable[1][0].isEmpty()) << "an empty provider name is stored as typed";
    EXPECT_EQ(Module1::RecordTable[1][2], "newpass");
    EXPECT_EQ(Module1::RecordTable[0][2], "r0f2");
    EXPECT_EQ(w->VScroll1->value(), 1);
    EXPECT_EQ(recordCommands(*w), "-OC");
    EXPECT_TRUE(saveEnabled(*w));
}

TEST_F(Editing, ClearAsksAndClosesTheGap)
{
    showBook(3, 2);
    Prompts::queueAnswer(ui::Answer::Cancel);
    w->Command5->click();
    const QList<ui::MessageRequest> messages = Prompts::takeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].title + "|" + messages[0].text, "クリア|このレコードを消しますか?");
    EXPECT_EQ(messages[0].buttons, ui::Buttons::OkCancel);
    EXPECT_EQ(messages[0].defaultAnswer, ui::Answer::Ok);
    EXPECT_EQ(Module1::RecordCount, 3);
    EXPECT_EQ(w->Text1[0]->text(), "provider2");
    EXPECT_FALSE(saveEnabled(*w));

    // The last of three: the view stays, now on the blank position.
    Prompts::queueAnswer(ui::Answer::Ok);
    w->mnuClear->trigger();
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_EQ(w->VScroll1->maximum(), 2);
    EXPECT_EQ(w->VScroll1->value(), 2);
    EXPECT_TRUE(boxesEmpty(*w));
    EXPECT_TRUE(Module1::RecordTable[2][0].isEmpty());
    EXPECT_EQ(recordCommands(*w), "---");
    EXPECT_TRUE(saveEnabled(*w));

    // The first of three: the others move up and the view shows the former second record.
    Module1::clearWholeTable();
    showBook(3, 0);
    w->mnuChange->setEnabled(false);
    Prompts::queueAnswer(ui::Answer::Ok);
    w->Command5->click();
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_EQ(w->VScroll1->maximum(), 2);
    EXPECT_EQ(w->VScroll1->value(), 0);
    EXPECT_EQ(Module1::RecordTable[1][12], "r2f12");
    EXPECT_TRUE(Module1::RecordTable[2][0].isEmpty() && Module1::RecordTable[2][12].isEmpty());
    EXPECT_EQ(w->Text1[0]->text(), "provider1");
    EXPECT_EQ(w->Text1[12]->text(), "r1f12");
    EXPECT_EQ(recordCommands(*w), "-OC");
    EXPECT_FALSE(w->mnuChange->isEnabled()) << "Clear leaves reordering as it was";

    // The only record: an empty book, focus back in box 0.
    Module1::clearWholeTable();
    showBook(1, 0);
    setEnabledPair(w->Command1, w->mnuSave, false);
    Prompts::queueAnswer(ui::Answer::Ok);
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    EXPECT_EQ(Module1::RecordCount, 0);
    EXPECT_EQ(w->VScroll1->maximum(), 0);
    EXPECT_TRUE(boxesEmpty(*w));
    EXPECT_TRUE(Module1::RecordTable[0][0].isEmpty());
    EXPECT_EQ(recordCommands(*w), "---");
    EXPECT_TRUE(saveEnabled(*w));
    EXPECT_EQ(QApplication::focusWidget(), w->Text1[0]);
    Prompts::takeMessages();
}

TEST_F(Editing, TheThousandthRecordIsTheLast)
{
    showBook(999, 999);
    w->Text1[0]->setText("last");
    ASSERT_EQ(recordCommands(*w), "A--");
    w->Command4->click();
    EXPECT_TRUE(Prompts::takeMessages().isEmpty());
    EXPECT_EQ(Module1::RecordCount, 1000);
    EXPECT_EQ(Module1::RecordTable[999][0], "last");
    EXPECT_EQ(w->VScroll1->value(), 1000);

    w->Text1[0]->setText("one too many");
    w->Text1[1]->setText("account");
    w->Command4->click();
    const QList<ui::MessageRequest> messages = Prompts::takeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].title + "|" + messages[0].text, "Keyfold|レコードは1000件までしか登録できません。");
    EXPECT_EQ(messages[0].buttons, ui::Buttons::Ok);
    EXPECT_EQ(Module1::RecordCount, 1000);
    for (const QString& cell : Module1::RecordTable[1000]) {
        EXPECT_TRUE(cell.isEmpty());
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
