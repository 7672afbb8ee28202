// Finding a record: the find dialog, F3, width and case folding, wrap-around, and when the menu entries are on.
#include "mainwin/Form1.h"
#include "mainwin/frmFind.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

class Find : public ::testing::Test
{
protected:
    // Presses `key` in the focused box. Unless `text` is null, the find dialog must show what was asked last; it is
    // answered with `text` and Return, and cancelled if still open. Returns view(), " open" added if it stayed open.
    QString find(QKeyCombination key, const char* text = nullptr, bool all = false)
    {
        QString open;
        if (text) {
            QTimer::singleShot(0, [&, asked = std::exchange(last, text + QString(all ? " all" : ""))] {
                auto* dialog = qobject_cast<frmFind*>(QApplication::activeModalWidget());
                ASSERT_TRUE(dialog) << "no find dialog";
                EXPECT_EQ(dialog->txtFind->text() + (dialog->chkAll->isChecked() ? " all" : ""), asked);
                dialog->txtFind->setText(text);
                dialog->chkAll->setChecked(all);
                EXPECT_TRUE(dialog->cmdFindNext->isDefault() && dialog->cmdFindNext->isEnabled() == (*text != 0));
                QTest::keyClick(dialog->txtFind, Qt::Key_Return);
                if (dialog->isVisible()) {
                    EXPECT_EQ(dialog->txtFind->selectedText(), text);
                    open = " open";
                    dialog->cmdCancel->click();
                }
            });
        }
        w->Text1[0]->deselect();
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        QApplication::setActiveWindow(w.get()); // the focus returns to the main window
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        return view() + open;
    }
    // "position box<focus> [selected text of box 0]"
    QString view() const
    {
        const auto focus = std::ranges::find(w->Text1, QApplication::focusWidget()) - w->Text1.begin();
        return QString("%1 box%2 [%3]").arg(w->VScroll1->value()).arg(focus).arg(w->Text1[0]->selectedText());
    }

    std::unique_ptr<Form1> w = (testsupport::resetProgramState(), testsupport::makeShownMainWindow());
    QString last;
};

TEST_F(Find, SearchesStartAfterTheRecordShownWrapRoundIgnoreWidthAndCaseAndRepeatWithF3)
{
    testsupport::fillBook(5);
    w->VScroll1->setMaximum(5);
    w->showReorderedBook(); // the find entries on
    w->VScroll1->setValue(1);
    Module1::RecordTable[3][0] = "ガス会社";
    Module1::RecordTable[0][0] = "ABC ﾈｯﾄ";
    Module1::RecordTable[4][9] = "pop.gas.example.jp";
    const QKeyCombination dialog = Qt::CTRL | Qt::Key_F;
    const std::tuple<int, QKeyCombination, const char*, bool, const char*> searches[] = {
        // {box with the focus, key, text asked in the dialog, all fields, view afterwards}
        {2, Qt::Key_F3, "provider", false, "2 box0 [provider2]"}, // no search yet: F3 asks
        {5, Qt::Key_F3, nullptr, false, "4 box0 [provider4]"},
        {5, Qt::Key_F3, nullptr, false, "1 box0 [provider1]"},
        {2, dialog, "ｶﾞｽ", false, "3 box0 [ガス会社]"},
        {2, dialog, "abc ネット", false, "0 box0 [ABC ﾈｯﾄ]"}, // past the end, from the start again
        {2, dialog, "GAS", false, "0 box2 [] open"},          // provider names only: not found
        {2, dialog, "GAS", true, "4 box0 [provider4]"},
        {6, dialog, "provider4", false, "4 box0 [provider4]"}, // the record shown: the view stays, the name selected
        {0, dialog, "provider4", false, "4 box0 [provider4]"}, // also when box 0 had the focus already
        {0, dialog, "", false, "4 box0 [] open"},              // nothing to search for; the caret is left alone
    };
    for (const auto& [box, key, text, all, expected] : searches) {
        w->Text1[box]->setFocus();
        EXPECT_EQ(find(key, text, all), expected) << text;
    }
    Module1::RecordTable[4][0] = "changed"; // searched as it is now: only the message, the view stays
    w->mnuFindNext->trigger();
    EXPECT_EQ(view(), "4 box0 []");
    EXPECT_PROMPTS({"「GAS」は見つかりません。", "検索"}, {"「provider4」は見つかりません。", "検索"});
}

TEST_F(Find, FindAndFindNextAreOnWhileTheBookHoldsRecords)
{
    const auto entries = [this] { return w->mnuFind->isEnabled() + w->mnuFindNext->isEnabled(); };
    EXPECT_EQ(entries(), 0);
    testsupport::fillBook(3);
    w->VScroll1->setMaximum(3);
    w->showReorderedBook();
    EXPECT_EQ(entries(), 2);
    ui::Prompts::queueAnswer(ui::Answer::No); // the changes not saved
    w->mnuNew->trigger();
    EXPECT_EQ(entries(), 0);
    w->Text1[0]->setText("alpha");
    w->Command4->click();
    EXPECT_EQ(entries(), 2);
    w->VScroll1->setValue(0);
    ui::Prompts::queueAnswer(ui::Answer::Ok);
    w->Command5->click(); // the only record cleared
    EXPECT_EQ(entries(), 0);
    EXPECT_EQ(ui::Prompts::takeMessages().size(), 2);
}

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
