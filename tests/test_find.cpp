// Finding a record: the find dialog, F3, width and case folding, wrap-around, and when the two menu entries are
// available.
#include "mainwin/Form1.h"
#include "mainwin/frmFind.h"
#include "reorder/frmChange.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

using Module1::RecordTable;
using ui::Prompts;

class Find : public ::testing::Test
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
    void book(int n, int p)
    {
        Module1::clearWholeTable();
        testsupport::fillBook(n);
        w->VScroll1->setMaximum(n);
        w->VScroll1->setValue(n);
        w->VScroll1->setValue(p);
        w->mnuFind->setEnabled(true); // as after reading a book
        w->mnuFindNext->setEnabled(true);
    }
    // Opens the find dialog with a key pressed in box 2, types and clicks as `act` says, and returns the view
    // afterwards: "position [selected text of box 0]" and whether the dialog is still open when `act` ends.
    QString find(const std::function<void(frmFind&)>& act, QKeyCombination key = Qt::CTRL | Qt::Key_F)
    {
        QString stillOpen;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmFind*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no find dialog";
                return;
            }
            act(*dialog);
            stillOpen = dialog->isVisible() ? " open" : "";
            if (dialog->isVisible()) {
                dialog->cmdCancel->click();
            }
        });
        QTest::keyClick(w->Text1[2], key.key(), key.keyboardModifiers()); // the boxes leave the two keys alone
        QApplication::setActiveWindow(w.get());                           // the focus returns to the main window
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        return view() + stillOpen;
    }
    static std::function<void(frmFind&)> search(const QString& text, bool all = false)
    {
        return [=](frmFind& dialog) {
            dialog.txtFind->setText(text);
            dialog.chkAll->setChecked(all);
            QTest::keyClick(dialog.txtFind, Qt::Key_Return);
            EXPECT_TRUE(!dialog.isVisible() || dialog.txtFind->selectedText() == text);
        };
    }
    QString view() const { return QString("%1 [%2]").arg(w->VScroll1->value()).arg(w->Text1[0]->selectedText()); }

    std::unique_ptr<Form1> w;
};

TEST_F(Find, TheDialogFindsFromTheRecordAfterTheOneShownAndWrapsRound)
{
    book(5, 1);
    RecordTable[3][0] = "ガス会社";
    RecordTable[0][0] = "ABC ﾈｯﾄ";
    RecordTable[4][9] = "pop.gas.example.jp";
    EXPECT_EQ(find(search("ｶﾞｽ")), "3 [ガス会社]");
    EXPECT_EQ(find(search("abc ネット")), "0 [ABC ﾈｯﾄ]"); // past the end, from the start again
    EXPECT_EQ(find(search("GAS")), "0 [ABC ﾈｯﾄ] open");   // provider names only
    EXPECT_PROMPTS({"「GAS」は見つかりません。", "検索"});
    EXPECT_EQ(find(search("GAS", true)), "4 [provider4]");
    // A hit on the record shown leaves the view and selects the name.
    w->Text1[6]->setFocus();
    EXPECT_EQ(find(search("provider4")), "4 [provider4]");
    EXPECT_EQ(QApplication::focusWidget(), w->Text1[0]);
    w->Text1[0]->setCursorPosition(2); // box 0 had the focus already: selected all the same
    EXPECT_EQ(find(search("provider4")), "4 [provider4]");
    EXPECT_PROMPTS();

    // The dialog keeps its text and check box, its search button is off while the box is empty.
    find([](frmFind& dialog) {
        EXPECT_EQ(dialog.txtFind->text(), "provider4");
        EXPECT_TRUE(dialog.chkAll->isChecked() == false && dialog.cmdFindNext->isDefault());
        dialog.txtFind->clear();
        EXPECT_FALSE(dialog.cmdFindNext->isEnabled());
        QTest::keyClick(dialog.txtFind, Qt::Key_Return);
    });
    EXPECT_PROMPTS();
}

TEST_F(Find, F3RepeatsTheLastSearchOrOpensTheDialog)
{
    book(4, 0);
    EXPECT_EQ(find(search("provider"), QKeyCombination(Qt::Key_F3)), "1 [provider1]") << "no search yet: F3 asks";
    QTest::keyClick(w->Text1[5], Qt::Key_F3);
    EXPECT_EQ(view(), "2 [provider2]");
    w->mnuFindNext->trigger();
    w->mnuFindNext->trigger();
    EXPECT_EQ(view(), "0 [provider0]");
    EXPECT_EQ(find(search("r3f12", true)), "3 [provider3]");
    RecordTable[3][12] = "changed";
    w->mnuFindNext->trigger(); // only the message: the view stays
    EXPECT_EQ(view(), "3 [provider3]");
    EXPECT_PROMPTS({"「r3f12」は見つかりません。", "検索"});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Find, TheEntriesFollowWhetherTheBookHoldsRecordsAndSearchSeesEveryChange)
{
    const auto entries = [this] {
        return QString("%1%2").arg(w->mnuFind->isEnabled()).arg(w->mnuFindNext->isEnabled());
    };
    EXPECT_EQ(entries(), "00");
    w->Text1[0]->setText("alpha");
    w->Command4->click();
    EXPECT_EQ(entries(), "11");
    w->VScroll1->setValue(0);
    Prompts::queueAnswer(ui::Answer::Ok);
    w->Command5->click();
    EXPECT_EQ(Prompts::takeMessages().size(), 1);
    EXPECT_EQ(entries(), "00") << Module1::RecordCount;

    book(3, 2);
    Prompts::queueAnswer(ui::Answer::No);
    w->mnuNew->trigger();
    EXPECT_EQ(entries(), "00");
    book(3, 2);
    w->showReorderedBook();
    EXPECT_EQ(entries(), "11");

    // Overwrite and reordering change the table under the search.
    w->Text1[0]->setText("zeta");
    w->Command6->click();
    EXPECT_EQ(w->findRecord("ZETA", false), 0);
    QTimer::singleShot(0, [] {
        auto* reorder = qobject_cast<frmChange*>(QApplication::activeModalWidget());
        ASSERT_TRUE(reorder);
        reorder->Command2->click(); // zeta down to place 1
        reorder->Command3->click();
    });
    w->mnuChange_Click();
    EXPECT_EQ(w->findRecord("zeta", false), 1);
    EXPECT_EQ(w->findRecord("provider1", false), 0);
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
