// The main window from the keyboard (page keys, Ctrl+Home/End, Alt then Escape), the wheel and an input method.
#include "login/frmLogin.h"
#include "mainwin/Form1.h"
#include "mainwin/frmFind.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/Composition.h"
#include "ui/WrapCheckBox.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

class Navigation : public ::testing::Test
{
protected:
    Navigation()
    {
        testsupport::fillBook(3);
        w->VScroll1->setMaximum(3);
        w->VScroll1->setValue(1);
        QObject::connect(w->VScroll1, &QScrollBar::valueChanged, [this] { ++changes; });
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

    int changes = 0; // outlives the window and its scroll bar
    std::unique_ptr<Form1> w = (testsupport::resetProgramState(), testsupport::makeShownMainWindow());
};

TEST_F(Navigation, PageKeysAndCtrlHomeEndStepAsTheArrowsDoAndDoNothingAtTheEnds)
{
    // One change per key, box 0 focused with its text selected; at the ends nothing, not even a caret (@) move.
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
        QTest::keyClick(w->Text1[box], key, modifiers);
        const int caret = qobject_cast<QLineEdit*>(QApplication::focusWidget())->cursorPosition();
        EXPECT_EQ(view() + QString(" @%1").arg(caret), expected) << "box " << box << " key " << key;
    }
}

TEST_F(Navigation, TheWheelStepsOneRecordPerNotchAddingUpSmallStepsOverTheRecordsOnly)
{
    w->Text1[6]->setFocus();
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
        const QPoint at(over->width() / 2, over->height() / 2);
        for (int i = 0; i < times; ++i) {
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

// Every command the user gives first commits a word being composed into the box it is typed in, once: it is stored
// with the record or goes with the record the view leaves, never into another box, and the late copy an input method
// sends afterwards is dropped wherever it arrives. Windows a command opens find nothing being composed.
TEST_F(Navigation, EveryCommandCommitsAWordBeingComposedOnceIntoItsOwnBox)
{
    QString composingInWindow;
    const auto closeWindowOnceOpen = [&composingInWindow](const std::function<void(QWidget*)>& close) {
        QTimer::singleShot(0, [&composingInWindow, close] {
            composingInWindow = ui::Composition::pending();
            close(QApplication::activeModalWidget());
        });
    };
    const auto reject = [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); };
    struct Command
    {
        const char* what;
        std::function<void(Form1&)> run;
        bool atBlank = false; // "x" typed at the blank position with "new" as the provider, else record 1's "r1f3"
        const char* box3 = "r1f3いか"; // box 3 afterwards
        const char* stored = "r1f3";   // the typed record's cell afterwards
    };
    const Command commands[] = {
        {.what = "Add", .run = [](Form1& w) { w.Command4->click(); }, .atBlank = true, .box3 = "", .stored = "xいか"},
        {.what = "Enter",
         .run = [](Form1& w) { QTest::keyClick(w.Text1[3], Qt::Key_Return); },
         .atBlank = true,
         .box3 = "",
         .stored = "xいか"},
        {.what = "Add from the menu",
         .run = [](Form1& w) { w.mnuAdd->trigger(); },
         .atBlank = true,
         .box3 = "",
         .stored = "xいか"},
        {.what = "Overwrite", .run = [](Form1& w) { w.Command6->click(); }, .stored = "r1f3いか"},
        {.what = "Clear, cancelled",
         .run = [](Form1& w) { ui::Prompts::queueAnswer(ui::Answer::Cancel), w.Command5->click(); }},
        {.what = "the scroll bar's arrow",
         .run =
             [](Form1& w) {
                 QTest::mouseClick(w.VScroll1, Qt::LeftButton, {}, {w.VScroll1->width() / 2, w.VScroll1->height() - 4});
             },
         .box3 = "r2f3"},
        {.what = "Page Down", .run = [](Form1& w) { QTest::keyClick(w.Text1[3], Qt::Key_PageDown); }, .box3 = "r2f3"},
        {.what = "the wheel",
         .run =
             [](Form1& w) {
                 QWheelEvent turn({5, 5}, w.Text1[3]->mapToGlobal(QPoint(5, 5)), {}, {0, -120}, Qt::NoButton, {},
                                  Qt::NoScrollPhase, false);
                 QApplication::sendEvent(w.Text1[3], &turn);
             },
         .box3 = "r2f3"},
        {.what = "Find",
         .run =
             [&](Form1& w) {
                 closeWindowOnceOpen([](QWidget* find) {
                     qobject_cast<frmFind*>(find)->txtFind->setText("provider0");
                     qobject_cast<frmFind*>(find)->cmdFindNext->click();
                 });
                 w.mnuFind->trigger();
             },
         .box3 = "r0f3"},
        {.what = "Options", .run = [&](Form1& w) { closeWindowOnceOpen(reject), w.mnuOption->trigger(); }},
        {.what = "Reorder", .run = [&](Form1& w) { closeWindowOnceOpen(reject), w.mnuChange->trigger(); }},
    };
    for (const Command& command : commands) {
        SCOPED_TRACE(command.what);
        Module1::clearWholeTable();
        testsupport::fillBook(3);
        w->VScroll1->setMaximum(3);
        w->VScroll1->setValue(2);
        w->VScroll1->setValue(command.atBlank ? 3 : 1);
        if (command.atBlank) {
            w->Text1[0]->setText("new");
            w->Text1[3]->setText("x");
        }
        QApplication::setActiveWindow(w.get());
        w->Text1[3]->setFocus();
        w->Text1[3]->end(false);
        composingInWindow = "-";
        compose(w->Text1[3], "いか");
        command.run(*w);
        compose(w->focusWidget(), {}, "いか"); // the input method's late copy
        EXPECT_EQ(w->Text1[3]->text(), command.box3);
        EXPECT_EQ(Module1::RecordTable[command.atBlank ? 3 : 1][3], command.stored);
        for (int i = 0; i < 13; ++i) {
            EXPECT_TRUE(i == 3 || !w->Text1[i]->text().contains("いか")) << "in box " << i;
        }
        EXPECT_TRUE(composingInWindow.isEmpty() || composingInWindow == "-") << composingInWindow.toStdString();
        ui::Prompts::takeMessages();
    }
    // A word confirmed by the user and then typed again is no copy.
    compose(w->Text1[0], "すし");
    compose(w->Text1[0], {}, "すし");
    compose(w->Text1[0], {}, "すし");
    EXPECT_TRUE(w->Text1[0]->text().endsWith("すしすし"));
}

TEST_F(Navigation, AClickInTheBoxBeingComposedInTakesTheWordOnce)
{
    // As with IBus, the input method commits the word while the click is delivered and sends it again a moment later.
    struct CommitsOnPress : QObject
    {
        bool eventFilter(QObject* box, QEvent* event) override
        {
            if (event->type() == QEvent::MouseButtonPress && !ui::Composition::pending().isEmpty()) {
                compose(static_cast<QWidget*>(box), {}, ui::Composition::pending());
            }
            return false;
        }
    };
    struct Case
    {
        bool inputMethodCommits;
        bool doubleClick;
        int wordSentAfter; // the late copy, or the word confirmed and then typed again
        const char* textAndSelection;
    };
    const Case cases[] = {
        {.inputMethodCommits = true, .doubleClick = false, .wordSentAfter = 1, .textAndSelection = "abcにほん []"},
        {.inputMethodCommits = true,
         .doubleClick = true,
         .wordSentAfter = 1,
         .textAndSelection = "abcにほん [abcにほん]"},
        {.inputMethodCommits = false,
         .doubleClick = false,
         .wordSentAfter = 2,
         .textAndSelection = "abcにほんにほん []"},
    };
    for (const Case& c : cases) {
        QLineEdit* box = w->Text1[1];
        box->setFocus();
        box->setText("abc");
        compose(box, "にほん");
        CommitsOnPress input;
        if (c.inputMethodCommits) {
            box->installEventFilter(&input);
        }
        QTest::mouseClick(box, Qt::LeftButton);
        if (c.doubleClick) {
            QTest::mouseDClick(box, Qt::LeftButton);
        }
        QApplication::processEvents();
        for (int i = 0; i < c.wordSentAfter; ++i) {
            compose(box, {}, "にほん");
        }
        EXPECT_EQ(box->text() + " [" + box->selectedText() + "]", QString(c.textAndSelection));
    }
}

TEST_F(Navigation, AltThenEscapeReturnsToTheBoxWithItsTextAndCaret)
{
    QLineEdit* box = w->Text1[5];
    box->setFocus();
    box->setCursorPosition(2);
    QTest::keyClick(box, Qt::Key_Alt);
    ASSERT_TRUE(w->menuBar()->hasFocus()) << "Alt did not reach the menu bar";
    QTest::keyClick(w->menuBar(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
    EXPECT_EQ(box->text(), "r1xf5");
}

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
