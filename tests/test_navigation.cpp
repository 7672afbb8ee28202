// The main window from the keyboard (page keys, Ctrl+Home/End), the wheel and an input method.
#include "support/Window.h"
#include "ui/Composition.h"

#include <QInputMethodEvent>
#include <QLabel>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

using namespace testsupport;
using Navigation = WindowTest;

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
// do nothing at all, not even move the caret.
TEST_F(Navigation, PageKeysCtrlHomeEndAndTheWheelStepAsTheArrowsDo)
{
    struct Move
    {
        QWidget* wheelOver = nullptr; // else the key goes to the box
        int delta = 0;                // the wheel's units, sent that many times
        int times = 1;
        int box = 0;
        QKeyCombination key = {};
        int position;
    };
    const Move moves[] = {
        {.wheelOver = w->Text1[6], .delta = -120, .position = 2},
        {.wheelOver = w->VScroll1, .delta = 120, .position = 1},             // not the toolkit's three lines a notch
        {.wheelOver = w->Text1[3], .delta = -15, .times = 8, .position = 2}, // a touchpad: eight steps a notch
        {.wheelOver = w->Text1[3], .delta = -60, .position = 2},
        {.wheelOver = w->Text1[3], .delta = 60, .times = 2, .position = 1}, // turned back: the half notch is dropped
        {.wheelOver = w->Text1[3], .delta = -360, .position = 3},           // two records, then the end
        {.wheelOver = w->Command4, .delta = 120, .position = 3},            // the buttons are not the record area
        {.wheelOver = w->Label8, .delta = 120, .position = 3},              // nor is the banner below the boxes
        {.box = 7, .key = Qt::KeypadModifier | Qt::Key_PageUp, .position = 2},
        {.box = 5, .key = Qt::Key_PageDown, .position = 3}, // the blank position
        {.box = 5, .key = Qt::Key_PageDown, .position = 3},
        {.box = 12, .key = Qt::ControlModifier | Qt::Key_Home, .position = 0},
        {.box = 3, .key = Qt::Key_PageUp, .position = 0},
        {.box = 3, .key = Qt::ControlModifier | Qt::Key_Home, .position = 0},
        {.box = 0, .key = Qt::ControlModifier | Qt::Key_End, .position = 3},
        {.box = 2, .key = Qt::ControlModifier | Qt::Key_End, .position = 3},
    };
    showBook(3, 1);
    for (const Move& move : moves) {
        SCOPED_TRACE(QKeySequence(move.key).toString().toStdString() + std::to_string(move.delta));
        const bool moved = move.position != w->VScroll1->value();
        QLineEdit* const box = w->Text1[move.box];
        box->setFocus();
        w->Text1[0]->deselect();
        box->setCursorPosition(1);
        const int caret = box->cursorPosition();
        for (int i = 0; move.wheelOver && i < move.times; ++i) {
            turnWheel(move.wheelOver, move.delta);
        }
        if (!move.wheelOver) {
            QTest::keyClick(box, move.key.key(), move.key.keyboardModifiers());
        }
        QLineEdit* const focus = moved ? w->Text1[0] : box;
        EXPECT_EQ(w->VScroll1->value(), move.position);
        EXPECT_EQ(QApplication::focusWidget(), focus);
        EXPECT_EQ(focus->selectedText(), moved ? focus->text() : "");
        EXPECT_EQ(focus->cursorPosition(), moved ? focus->text().size() : caret);
    }
}

// Every command the user gives first commits a word being composed into the box it is typed in, once: it is stored
// with the record or goes with the record the view leaves, never into another box, and the late copy an input method
// sends afterwards is dropped wherever it arrives. Windows a command opens find nothing being composed.
TEST_F(Navigation, EveryCommandCommitsAWordBeingComposedOnceIntoItsOwnBox)
{
    const auto click = [](QPushButton* Form1::*button) { return [button](Form1& w) { (w.*button)->click(); }; };
    const auto menu = [](QAction* Form1::*entry) { return [entry](Form1& w) { (w.*entry)->trigger(); }; };
    const auto key = [](Qt::Key key) { return [key](Form1& w) { QTest::keyClick(w.Text1[3], key); }; };
    struct Command
    {
        const char* what;
        std::function<void(Form1&)> run;
        bool atBlank = false; // typed at the blank position with "new" as the provider, else after record 1's "r1f3"
        const char* box3 = "r1f3いか"; // box 3 afterwards
        const char* stored = "r1f3";   // the typed record's cell afterwards
    };
    const Command commands[] = {
        {.what = "Add", .run = click(&Form1::Command4), .atBlank = true, .box3 = "", .stored = "いか"},
        {.what = "Enter", .run = key(Qt::Key_Return), .atBlank = true, .box3 = "", .stored = "いか"},
        {.what = "Overwrite", .run = click(&Form1::Command6), .stored = "r1f3いか"},
        {.what = "Clear, cancelled",
         .run = [](Form1& w) { ui::Prompts::queueAnswer(ui::Answer::Cancel), w.Command5->click(); }},
        {.what = "the scroll bar's arrow",
         .run = [](Form1& w) { w.VScroll1->triggerAction(QScrollBar::SliderSingleStepAdd); },
         .box3 = "r2f3"},
        {.what = "Page Down", .run = key(Qt::Key_PageDown), .box3 = "r2f3"},
        {.what = "the wheel", .run = [](Form1& w) { turnWheel(w.Text1[3], -120); }, .box3 = "r2f3"},
        {.what = "Find", .run = menu(&Form1::mnuFind)},
        {.what = "Reorder", .run = menu(&Form1::mnuChange)},
    };
    QString composingInWindow;
    for (const Command& command : commands) {
        SCOPED_TRACE(command.what);
        showBook(3, command.atBlank ? 3 : 1);
        w->Text1[0]->setText(command.atBlank ? "new" : "provider1");
        w->Text1[3]->setFocus();
        w->Text1[3]->end(false);
        compose(w->Text1[3], "いか");
        composingInWindow.clear();
        QTimer::singleShot(0, [&composingInWindow] {
            if (QWidget* window = QApplication::activeModalWidget()) {
                composingInWindow = ui::Composition::pending();
                window->close();
            }
        });
        command.run(*w);
        QApplication::processEvents();
        compose(w->focusWidget(), {}, "いか"); // the input method's late copy
        EXPECT_EQ(w->Text1[3]->text(), command.box3);
        EXPECT_EQ(Module1::RecordTable[command.atBlank ? 3 : 1][3], command.stored);
        const auto holdsWord = [](const QLineEdit* box) { return box->text().contains("いか"); };
        EXPECT_EQ(std::ranges::count_if(w->Text1, holdsWord), holdsWord(w->Text1[3]) ? 1 : 0);
        EXPECT_EQ(composingInWindow, "");
        ui::Prompts::takeMessages();
    }
}

// As with IBus, the input method may commit the word while the click is delivered, before the event loop runs again,
// and send it again a moment later; the copy is dropped, but not the same word confirmed or typed again by the user.
TEST_F(Navigation, AClickInTheBoxBeingComposedInTakesTheWordOnce)
{
    for (bool inputMethodCommitsOnClick : {true, false}) {
        QLineEdit* box = w->Text1[1];
        box->setFocus();
        box->setText("abc");
        compose(box, "にほん");
        QTest::mouseClick(box, Qt::LeftButton);
        if (inputMethodCommitsOnClick) {
            compose(box, {}, "にほん");
        }
        QApplication::processEvents();
        compose(box, {}, "にほん"); // the late copy, else the word confirmed
        compose(box, {}, "にほん"); // typed again
        EXPECT_EQ(box->text(), "abcにほんにほん") << inputMethodCommitsOnClick;
    }
    // A click in another box: the toolkit commits the word and moves the focus in one step, and the input method's
    // copy that follows does not reach the box clicked.
    compose(w->Text1[1], "いか");
    compose(w->Text1[1], {}, "いか");
    w->Text1[3]->setFocus(Qt::MouseFocusReason);
    compose(w->Text1[3], {}, "いか");
    EXPECT_EQ(w->Text1[1]->text() + "|" + w->Text1[3]->text(), "abcにほんにほんいか|");
}
