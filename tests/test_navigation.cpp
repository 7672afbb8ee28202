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
#include <utility>

namespace {

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
    // "position changes box<focus> [selected text of box 0]", the changes counted since the last look.
    QString view()
    {
        const auto focus = std::ranges::find(w->Text1, QApplication::focusWidget()) - w->Text1.begin();
        const int position = w->VScroll1->value(), count = std::exchange(changes, 0);
        return QString("%1 %2 box%3 [%4]").arg(position).arg(count).arg(focus).arg(w->Text1[0]->selectedText());
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
    // From box 0 and from another box alike: one change per key, box 0 focused with its whole text selected; at
    // the ends nothing, not even a move of the caret (@) in the box.
    const std::tuple<int, Qt::Key, Qt::KeyboardModifiers, const char*> steps[] = {
        {0, Qt::Key_PageDown, Qt::NoModifier, "2 1 box0 [provider2] @9"},
        {5, Qt::Key_PageDown, Qt::NoModifier, "3 1 box0 [] @0"}, // the blank position
        {5, Qt::Key_PageDown, Qt::NoModifier, "3 0 box5 [] @0"},
        {0, Qt::Key_PageUp, Qt::NoModifier, "2 1 box0 [provider2] @9"},
        {7, Qt::Key_PageUp, Qt::KeypadModifier, "1 1 box0 [provider1] @9"},
        {12, Qt::Key_Home, Qt::ControlModifier, "0 1 box0 [provider0] @9"},
        {3, Qt::Key_PageUp, Qt::NoModifier, "0 0 box3 [] @1"},
        {3, Qt::Key_Home, Qt::ControlModifier, "0 0 box3 [] @1"},
        {0, Qt::Key_End, Qt::ControlModifier, "3 1 box0 [] @0"},
        {2, Qt::Key_End, Qt::ControlModifier, "3 0 box2 [] @0"},
    };
    for (const auto& [box, key, modifiers, expected] : steps) {
        w->Text1[box]->setFocus();
        w->Text1[0]->deselect();
        w->Text1[box]->setCursorPosition(1);
        changes = 0;
        QTest::keyClick(w->Text1[box], key, modifiers);
        const auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        EXPECT_EQ(view() + QString(" @%1").arg(focus->cursorPosition()), expected) << "box " << box << " key " << key;
    }
}

TEST_F(Navigation, TheWheelStepsOneRecordPerNotchAddingUpSmallStepsOverTheRecordsOnly)
{
    w->Text1[6]->setFocus();
    changes = 0;
    const std::tuple<QWidget*, int, int, const char*> turns[] = {
        // {under the pointer, units, times, view afterwards}
        {w->Text1[6], -120, 1, "2 1 box0 [provider2]"},
        {w->VScroll1, 120, 1, "1 1 box0 [provider1]"}, // never the three lines of the toolkit's own wheel
        {w->Text1[3], -15, 7, "1 0 box0 [provider1]"}, // a touchpad: eight small steps make one notch
        {w->Text1[3], -15, 1, "2 1 box0 [provider2]"},
        {w->Text1[3], -60, 1, "2 0 box0 [provider2]"},
        {w->Text1[3], 60, 2, "1 1 box0 [provider1]"}, // turned back: the half notch the other way is dropped
        {w->Text1[3], -360, 1, "3 2 box0 []"},        // three notches at once: two records, then the end
        {w->Text1[3], -120, 1, "3 0 box0 []"},
        {w->Text1[3], 120, 1, "2 1 box0 [provider2]"},  // nothing piled up at the end
        {w->Command4, -120, 1, "2 0 box0 [provider2]"}, // the buttons are not the record area
        {w->Check1, -120, 1, "2 0 box0 [provider2]"},
    };
    for (const auto& [over, delta, times, expected] : turns) {
        for (int i = 0; i < times; ++i) {
            const QPoint at(over->width() / 2, over->height() / 2);
            QWheelEvent event(at, over->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(over, &event);
        }
        EXPECT_EQ(view(), expected) << delta << " x" << times;
    }
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
    EXPECT_EQ(Module1::RecordTable[1][3], "r1f3いか");
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
    QTest::keyClick(box, Qt::Key_X);
    EXPECT_EQ(box->text(), "r1xf5");
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
