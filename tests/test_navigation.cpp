// The main window from the keyboard (page keys, Ctrl+Home/End), the wheel and an input method.
#include "support/Window.h"
#include "ui/Composition.h"

#include <QInputMethodEvent>
#include <QWheelEvent>

using Navigation = testsupport::WindowTest;

static void compose(QWidget* box, const QString& preedit, const QString& commit = {})
{
    QInputMethodEvent event(preedit, {});
    event.setCommitString(commit);
    QApplication::sendEvent(box, &event);
}

static void turnWheel(QWidget* over, int delta)
{
    const QPoint at(over->width() / 2, over->height() / 2);
    QWheelEvent event(at, over->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &event);
}

// A move selects box 0's text, as the scroll bar's arrows do; a key at either end and the wheel outside the record area
// do nothing at all, not even move the caret. The scroll bar tells a screen reader the position counted from one, or
// that the view is at the blank position.
TEST_F(Navigation, PageKeysCtrlHomeEndAndTheWheelStepAsTheArrowsDoAndTheScrollBarTellsWhere)
{
    struct Move
    {
        QWidget* wheelOver = nullptr; // else the key goes to the box
        int delta = 0;                // the wheel's units
        int box = 0;
        QKeyCombination key = {};
        const char* told; // the scroll bar's description afterwards
    };
    const Move moves[] = {
        {.wheelOver = w->VScroll1, .delta = 120, .told = "2 / 3"}, // not the toolkit's three lines a notch
        {.wheelOver = w->Text1[3], .delta = -60, .told = "2 / 3"}, // half a notch, as a touchpad sends
        {.wheelOver = w->Text1[3], .delta = 60, .told = "2 / 3"},  // turned back: the half notch is dropped
        {.wheelOver = w->Text1[3], .delta = 60, .told = "1 / 3"},
        {.wheelOver = w->Text1[6], .delta = -480, .told = "新規"}, // three records, then the end
        {.wheelOver = w->Command4, .delta = 120, .told = "新規"},  // the buttons are not the record area
        {.wheelOver = w->Label8, .delta = 120, .told = "新規"},    // nor is the banner below the boxes
        {.box = 7, .key = Qt::KeypadModifier | Qt::Key_PageUp, .told = "3 / 3"},
        {.box = 12, .key = Qt::ControlModifier | Qt::Key_Home, .told = "1 / 3"},
        {.box = 0, .key = Qt::ControlModifier | Qt::Key_End, .told = "新規"},
        {.box = 2, .key = Qt::ControlModifier | Qt::Key_End, .told = "新規"},
    };
    showBook(3, 2);
    for (const Move& move : moves) {
        const bool moved = move.told != w->VScroll1->accessibleDescription();
        QLineEdit* const box = w->Text1[move.box];
        box->setFocus();
        w->Text1[0]->deselect();
        box->setCursorPosition(1);
        const int caret = box->cursorPosition();
        move.wheelOver ? turnWheel(move.wheelOver, move.delta)
                       : QTest::keyClick(box, move.key.key(), move.key.keyboardModifiers());
        QLineEdit* const focus = moved ? w->Text1[0] : box;
        EXPECT_EQ(
            std::tuple(w->VScroll1->accessibleDescription(), QApplication::focusWidget(), focus->selectedText(),
                       focus->cursorPosition()),
            std::tuple(QString(move.told), focus, moved ? focus->text() : "", moved ? focus->text().size() : caret))
            << "row " << &move - moves;
    }
}

// Every command the user gives first commits a word being composed into the box it is typed in, once: it is stored
// with the record or goes with the record the view leaves, never into another box, and the late copy an input method
// sends afterwards is dropped wherever it arrives. Windows a command opens find nothing being composed.
TEST_F(Navigation, EveryCommandCommitsAWordBeingComposedOnceIntoItsOwnBox)
{
    const auto key = [](Qt::Key key) { return [key](Form1& w) { QTest::keyClick(w.Text1[3], key); }; };
    struct Command
    {
        const char* what;
        std::function<void(Form1&)> run;
        // Typed at the blank position with "new" as the provider, and stored there; else after record 1's "r1f3".
        bool atBlank = false;
        const char* box3 = "r1f3いか"; // box 3 afterwards
    };
    const Command commands[] = {
        {.what = "Add", .run = [](Form1& w) { w.Command4->click(); }, .atBlank = true, .box3 = ""},
        {.what = "Enter", .run = key(Qt::Key_Return), .atBlank = true, .box3 = ""},
        {.what = "the scroll bar's arrow",
         .run = [](Form1& w) { w.VScroll1->triggerAction(QScrollBar::SliderSingleStepAdd); },
         .box3 = "r2f3"},
        {.what = "Page Down", .run = key(Qt::Key_PageDown), .box3 = "r2f3"},
        {.what = "the wheel", .run = [](Form1& w) { turnWheel(w.Text1[3], -120); }, .box3 = "r2f3"},
        {.what = "Find", .run = [](Form1& w) { w.mnuFind->trigger(); }},
    };
    for (const Command& command : commands) {
        SCOPED_TRACE(command.what);
        showBook(3, command.atBlank ? 3 : 1);
        w->Text1[0]->setText(command.atBlank ? "new" : "provider1");
        w->Text1[3]->setFocus();
        w->Text1[3]->end(false);
        compose(w->Text1[3], "いか");
        QTimer::singleShot(0, [] {
            if (QWidget* window = QApplication::activeModalWidget()) {
                EXPECT_EQ(ui::Composition::pending(), "") << "in the window the command opened";
                window->close();
            }
        });
        command.run(*w);
        QApplication::processEvents();
        compose(w->focusWidget(), {}, "いか"); // the input method's late copy
        EXPECT_EQ(w->Text1[3]->text() + "|" + Module1::RecordTable[command.atBlank ? 3 : 1][3],
                  QString(command.box3) + "|" + (command.atBlank ? "いか" : "r1f3"));
        EXPECT_EQ(std::ranges::count_if(w->Text1, [](QLineEdit* box) { return box->text().contains("いか"); }),
                  QString(command.box3).contains("いか"));
    }
}

// As with IBus, the input method may commit the word while the click is delivered, before the event loop runs again,
// and send it again a moment later; the copy is dropped, but not the same word confirmed or typed again by the user.
// A click in another box: the toolkit commits the word and moves the focus in one step, and the input method's copy
// that follows does not reach the box clicked.
TEST_F(Navigation, AClickInTheBoxBeingComposedInTakesTheWordOnce)
{
    w->Text1[1]->setFocus();
    for (bool inputMethodCommitsOnClick : {true, false}) {
        compose(w->Text1[1], "にほん");
        QTest::mouseClick(w->Text1[1], Qt::LeftButton);
        if (inputMethodCommitsOnClick) {
            compose(w->Text1[1], {}, "にほん");
        }
        QApplication::processEvents();
        compose(w->Text1[1], {}, "にほん"); // the late copy, else the word confirmed
        compose(w->Text1[1], {}, "にほん"); // typed again
    }
    compose(w->Text1[1], "いか");
    compose(w->Text1[1], {}, "いか");
    w->Text1[3]->setFocus(Qt::MouseFocusReason);
    compose(w->Text1[3], {}, "いか");
    // The same on into box 4, but what the input method sends there is another word: no copy is coming after all.
    compose(w->Text1[3], "たこ");
    compose(w->Text1[3], {}, "たこ");
    w->Text1[4]->setFocus(Qt::MouseFocusReason);
    compose(w->Text1[4], {}, "x");
    EXPECT_EQ(w->Text1[1]->text() + "|" + w->Text1[3]->text() + "|" + w->Text1[4]->text(),
              "にほんにほんにほんにほんいか|たこ|x");
}
