// The main window from the keyboard, the wheel and an input method: Page Down/Up and Ctrl+Home/End, the wheel, the
// boxes that refuse an input method, a word still being composed when the program moves on, and Alt then Escape.
#include "login/frmLogin.h"
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/WrapCheckBox.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Module1::RecordTable;

class Navigation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        w = testsupport::makeShownMainWindow();
        testsupport::fillBook(3);
        w->VScroll1->setMaximum(3);
        w->VScroll1->setValue(1);
        QObject::connect(w->VScroll1, &QScrollBar::valueChanged, &guard, [this] { ++changes; });
    }
    void TearDown() override
    {
        w.reset();
        testsupport::resetProgramState();
    }
    // "position changes focus selected": the view position, the change events since the last look, the box with
    // the focus and the selected text of box 0.
    QString view()
    {
        const int focus = int(std::ranges::find(w->Text1, QApplication::focusWidget()) - w->Text1.begin());
        const QString row = QString("%1 %2 box%3 [%4]")
                                .arg(w->VScroll1->value())
                                .arg(changes)
                                .arg(focus)
                                .arg(w->Text1[0]->selectedText());
        changes = 0;
        return row;
    }
    void wheel(QWidget* over, int delta)
    {
        const QPoint at(over->width() / 2, over->height() / 2);
        QWheelEvent event(at, over->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &event);
    }
    static void compose(QWidget* box, const QString& preedit, const QString& commit = {})
    {
        QInputMethodEvent event(preedit, {});
        event.setCommitString(commit);
        QApplication::sendEvent(box, &event);
    }

    std::unique_ptr<Form1> w;
    QObject guard;
    int changes = 0;
};

TEST_F(Navigation, PageKeysAndCtrlHomeEndStepAsTheArrowsDoAndDoNothingAtTheEnds)
{
    // From box 0 and from another box alike: one change per key, box 0 focused with its whole text selected.
    const std::tuple<int, Qt::Key, Qt::KeyboardModifiers, const char*> steps[] = {
        {0, Qt::Key_PageDown, Qt::NoModifier, "2 1 box0 [provider2]"},
        {5, Qt::Key_PageDown, Qt::NoModifier, "3 1 box0 []"}, // the blank position
        {5, Qt::Key_PageDown, Qt::NoModifier, "3 0 box5 []"}, // past the end: nothing
        {0, Qt::Key_PageUp, Qt::NoModifier, "2 1 box0 [provider2]"},
        {7, Qt::Key_PageUp, Qt::KeypadModifier, "1 1 box0 [provider1]"},
        {12, Qt::Key_Home, Qt::ControlModifier, "0 1 box0 [provider0]"},
        {3, Qt::Key_PageUp, Qt::NoModifier, "0 0 box3 []"},
        {3, Qt::Key_Home, Qt::ControlModifier, "0 0 box3 []"},
        {0, Qt::Key_End, Qt::ControlModifier, "3 1 box0 []"},
        {2, Qt::Key_End, Qt::ControlModifier, "3 0 box2 []"},
    };
    for (const auto& [box, key, modifiers, expected] : steps) {
        SCOPED_TRACE(testing::Message() << "box " << box << " key " << key);
        w->Text1[box]->setFocus();
        w->Text1[0]->deselect();
        changes = 0;
        QTest::keyClick(w->Text1[box], key, modifiers);
        EXPECT_EQ(view(), expected);
    }
    // Ctrl+Home is no caret move in the box either.
    w->VScroll1->setValue(0);
    w->Text1[4]->setFocus();
    w->Text1[4]->setCursorPosition(3);
    QTest::keyClick(w->Text1[4], Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(w->Text1[4]->cursorPosition(), 3);
}

TEST_F(Navigation, TheWheelStepsOneRecordPerNotchAddingUpSmallStepsOverTheRecordsOnly)
{
    w->Text1[6]->setFocus();
    changes = 0;
    wheel(w->Text1[6], -120);
    EXPECT_EQ(view(), "2 1 box0 [provider2]");
    wheel(w->VScroll1, 120); // over the scroll bar too, and never the three lines of the toolkit's own wheel
    EXPECT_EQ(view(), "1 1 box0 [provider1]");
    for (int i = 0; i < 7; ++i) {
        wheel(w->Text1[3], -15); // a touchpad: eight small steps make one notch
    }
    EXPECT_EQ(view(), "1 0 box0 [provider1]");
    wheel(w->Text1[3], -15);
    EXPECT_EQ(view(), "2 1 box0 [provider2]");
    wheel(w->Text1[3], -60);
    wheel(w->Text1[3], 60); // turned back: the half notch the other way is dropped, not subtracted
    wheel(w->Text1[3], 60);
    EXPECT_EQ(view(), "1 1 box0 [provider1]");
    wheel(w->Text1[3], -360); // three notches at once: two records, then the end stops it
    EXPECT_EQ(view(), "3 2 box0 []");
    wheel(w->Text1[3], -120);
    wheel(w->Text1[3], 120);
    EXPECT_EQ(view(), "2 1 box0 [provider2]") << "nothing piles up at the end";
    wheel(w->Command4, -120); // the buttons are not the record area
    wheel(w->Check1, -120);
    EXPECT_EQ(view(), "2 0 box0 [provider2]");
}

TEST_F(Navigation, BoxesForSecretsRefuseEveryInputMethodAndTheMaskedKeyStaysHidden)
{
    const auto takesInputMethod = [](QWidget* box) { return box->inputMethodQuery(Qt::ImEnabled).toBool(); };
    for (bool masked : {false, true, false}) {
        for (int i = 0; i < 13; ++i) {
            w->Text1[i]->setMasked(masked && (i == 2 || i == 6 || i == 12));
            EXPECT_EQ(takesInputMethod(w->Text1[i]), i != 2 && i != 6 && i != 7 && i != 12) << i;
        }
    }
    frmLogin login;
    EXPECT_FALSE(takesInputMethod(login.txtPassword));
    EXPECT_TRUE(login.txtPassword->inputMethodHints() & Qt::ImhHiddenText);
}

TEST_F(Navigation, AWordBeingComposedIsCommittedOnceIntoItsOwnBoxBeforeTheProgramMovesOn)
{
    // Overwrite from the menu while "いか" is composed in box 3: stored once, where it was typed.
    w->Text1[3]->setFocus();
    w->Text1[3]->setCursorPosition(4);
    compose(w->Text1[3], "いか");
    w->mnuEditAs->trigger();
    EXPECT_EQ(RecordTable[1][3], "r1f3いか");
    // The input method sends the same word again a moment later: dropped, wherever it arrives. Later input is not.
    compose(w->Text1[3], {}, "いか");
    compose(w->Text1[3], {}, "か");
    EXPECT_EQ(w->Text1[3]->text(), "r1f3いかか");

    // The scroll bar's arrow while a word is composed in box 1: the next record's provider name stays as it is.
    compose(w->Text1[1], "すし");
    QTest::mouseClick(w->VScroll1, Qt::LeftButton, {}, QPoint(w->VScroll1->width() / 2, w->VScroll1->height() - 4));
    compose(QApplication::focusWidget(), {}, "すし");
    EXPECT_EQ(view(), "2 1 box0 [provider2]");
    EXPECT_EQ(w->Text1[1]->text(), "r2f1");
    // A word confirmed by the user and then typed again is no copy.
    compose(w->Text1[0], "すし");
    compose(w->Text1[0], {}, "すし");
    compose(w->Text1[0], {}, "すし");
    EXPECT_EQ(w->Text1[0]->text(), "すしすし");
}

TEST_F(Navigation, AltThenEscapeReturnsToTheBoxWithItsTextAndCaret)
{
    QLineEdit* box = w->Text1[5];
    box->setFocus();
    box->setCursorPosition(2);
    QTest::keyClick(box, Qt::Key_Alt);
    ASSERT_TRUE(w->menuBar()->hasFocus()) << "Alt did not reach the menu bar";
    QTest::keyClick(w->menuBar(), Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_FALSE(box->hasSelectedText());
    QTest::keyClick(box, Qt::Key_X);
    EXPECT_EQ(box->text(), "r1xf5");
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
