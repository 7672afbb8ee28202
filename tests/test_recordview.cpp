// The main window's record view: navigation, the Add rule, selection, layout and the order of nested events.
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/TestApp.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// Which of Add, Overwrite and Clear are enabled, as "AOC" with "-" for a disabled one; menus agree with buttons.
std::string recordCommands(const Form1& w)
{
    EXPECT_EQ(w.Command4->isEnabled(), w.mnuAdd->isEnabled());
    EXPECT_EQ(w.Command6->isEnabled(), w.mnuEditAs->isEnabled());
    EXPECT_EQ(w.Command5->isEnabled(), w.mnuClear->isEnabled());
    return std::string() + (w.Command4->isEnabled() ? 'A' : '-') + (w.Command6->isEnabled() ? 'O' : '-') +
           (w.Command5->isEnabled() ? 'C' : '-');
}

bool boxesShowSlot(const Form1& w, int record)
{
    for (int i = 0; i < 13; ++i) {
        if (w.Text1[i]->text() != Module1::RecordTable[record][i]) {
            return false;
        }
    }
    return true;
}

class RecordView : public ::testing::Test
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
    // A book of n records, shown at position 0 the way a change of position shows it.
    void showBook(int n)
    {
        testsupport::fillBook(n);
        w->VScroll1->setMaximum(n);
        w->VScroll1->setValue(n);
        w->VScroll1->setValue(0);
    }

    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w;
};

TEST_F(RecordView, EmptyBookAllowsAddOnlyWithAProviderName)
{
    EXPECT_EQ(recordCommands(*w), "---");
    w->Text1[3]->setFocus();
    QTest::keyClicks(w->Text1[3], "0120");
    QTest::keyClicks(w->Text1[12], "secret");
    EXPECT_EQ(recordCommands(*w), "---") << "only box 0 counts";

    QTest::keyClicks(w->Text1[0], "Niftyserve");
    EXPECT_EQ(recordCommands(*w), "A--");
    QTest::keyClicks(w->Text1[5], "more");
    EXPECT_EQ(recordCommands(*w), "A--");

    w->Text1[0]->selectAll();
    QTest::keyClick(w->Text1[0], Qt::Key_Backspace);
    EXPECT_EQ(recordCommands(*w), "---");
    EXPECT_EQ(w->Text1[3]->text(), "0120");
}

TEST_F(RecordView, EveryWayOfMovingShowsTheRecordAndItsCommands)
{
    for (const int n : {1, 3}) {
        SCOPED_TRACE(n);
        showBook(n);
        ASSERT_EQ(w->VScroll1->maximum(), n) << "n records give n + 1 positions";
        for (int p = 0; p <= n; ++p) {
            w->VScroll1->setValue(p);
            EXPECT_TRUE(boxesShowSlot(*w, p)) << p;
            EXPECT_EQ(recordCommands(*w), p < n ? "-OC" : "---") << p;
            EXPECT_EQ(QApplication::focusWidget(), w->Text1[0]);
        }
        // Dragging the thumb shows each record passed over.
        w->VScroll1->setSliderDown(true);
        for (int p = n; p >= 0; --p) {
            w->VScroll1->setSliderPosition(p);
            EXPECT_TRUE(boxesShowSlot(*w, p)) << p;
        }
        w->VScroll1->setSliderDown(false);
        EXPECT_EQ(recordCommands(*w), "-OC");
    }

    // The down arrow moves one record and leaves the focus in box 0 with the provider name selected.
    w->Text1[7]->setFocus();
    QTest::mouseClick(w->VScroll1, Qt::LeftButton, {}, QPoint(w->VScroll1->width() / 2, w->VScroll1->height() - 4));
    EXPECT_EQ(w->VScroll1->value(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w->Text1[0]);
    EXPECT_EQ(w->Text1[0]->selectedText(), "provider1");
}

TEST_F(RecordView, BoxesAreAWorkingCopyUntilTheViewMoves)
{
    showBook(2);
    w->VScroll1->setValue(1);
    const Module1::Record stored = Module1::RecordTable[1];
    w->Text1[0]->clear();
    QTest::keyClicks(w->Text1[0], "edited");
    EXPECT_EQ(recordCommands(*w), "-OC");
    EXPECT_FALSE(w->Command1->isEnabled());
    EXPECT_EQ(Module1::RecordTable[1], stored);

    w->VScroll1->setValue(1); // the value it already has: no change, the typing stays
    EXPECT_EQ(w->Text1[0]->text(), "edited");
    w->VScroll1->setValue(0);
    w->VScroll1->setValue(1);
    EXPECT_TRUE(boxesShowSlot(*w, 1));
    EXPECT_EQ(Module1::RecordTable[1], stored);
}

TEST_F(RecordView, FocusAndDoubleClickSelectTheWholeText)
{
    showBook(1);
    w->Command7->setFocus();
    w->Text1[4]->setFocus();
    EXPECT_EQ(w->Text1[4]->selectedText(), "r0f4");
    EXPECT_EQ(w->Text1[4]->selectionStart(), 0);

    // A double-click on the first word selects both words and the blank, not one word.
    QLineEdit* words = w->Text1[6];
    words->setText("two words");
    w->Command7->setFocus();
    QTest::mouseDClick(words, Qt::LeftButton, {}, QPoint(6, words->height() / 2));
    EXPECT_EQ(words->selectedText(), "two words");
    EXPECT_EQ(QApplication::focusWidget(), words);

    // Focus that only visits a menu or another window comes back without a selection: typing must not replace
    // the text.
    words->setCursorPosition(3);
    QTimer::singleShot(10, [] { QApplication::activePopupWidget()->close(); });
    w->mnuEdit->exec(w->mapToGlobal(QPoint(8, 8)));
    EXPECT_EQ(QApplication::focusWidget(), words);
    EXPECT_FALSE(words->hasSelectedText());
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(QApplication::focusWidget(), words);
    EXPECT_FALSE(words->hasSelectedText());
    EXPECT_EQ(words->cursorPosition(), 3);
}

TEST_F(RecordView, BoxesHaveTheirGroupColourAndInputMethodSetting)
{
    const QColor colours[13] = {{255, 224, 192}, {255, 255, 192}, {255, 255, 192}, {255, 255, 192}, {255, 192, 255},
                                {255, 192, 255}, {255, 192, 255}, {255, 192, 255}, {192, 192, 255}, {255, 192, 192},
                                {255, 192, 192}, {255, 192, 192}, {255, 192, 192}};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(w->Text1[i]->palette().color(QPalette::Base), colours[i]) << i;
        const bool direct = i == 2 || i == 6 || i == 7 || i == 12;
        EXPECT_EQ(w->Text1[i]->testAttribute(Qt::WA_InputMethodEnabled), !direct) << i;
    }
}

TEST_F(RecordView, WindowStartsWithItsCaptionsMenusAndStates)
{
    EXPECT_EQ(w->windowTitle(), "Keyfold");
    QStringList buttons;
    for (const QPushButton* button :
         {w->Command4, w->Command6, w->Command5, w->Command7, w->Command1, w->Command2, w->Command3}) {
        buttons << (button->isEnabled() ? "+" : "-") + button->text();
    }
    EXPECT_EQ(buttons, QStringList({"-追加(&D)", "-上書(&E)", "-クリア(&C)", "+開く(&O)", "-保存(&S)", "-削除(&L)",
                                    "+終了(&E)"}));
    EXPECT_EQ(w->Check1->text(), "次回から、このファイルを開く");
    EXPECT_TRUE(w->Command4->isDefault());
    EXPECT_FALSE(w->Check1->isChecked());
    EXPECT_EQ(w->findChild<QLabel*>("FieldLabel(4)")->text(), "FTP ｻｰﾊﾞｰ");
    EXPECT_EQ(w->findChild<QLabel*>("FieldLabel(9)")->text(), "POPｻｰﾊﾞｰ");

    // Menus in order; an empty entry is a separator.
    QStringList menus;
    for (const QMenu* menu : {w->mnuFile, w->mnuEdit, w->mnuSetup, w->mnuHelp}) {
        menus << menu->title();
        for (const QAction* action : menu->actions()) {
            menus << (action->isSeparator() ? QString() : (action->isEnabled() ? "+" : "-") + action->text());
        }
    }
    EXPECT_EQ(menus,
              QStringList({"ﾌｧｲﾙ(&F)", "+新規(&N)", "+開く(&O)", "-保存(&S)", "-削除(&L)", "", "+終了(&E)", "編集(&E)",
                           "-追加(&D)", "-上書(&S)", "-クリア(&C)", "ﾂｰﾙ(&T)", "+レコードの並び替え....", "",
                           "+オプション(&O)...", "ﾍﾙﾌﾟ(&H)", "+&Keyfoldについて"}));
    EXPECT_EQ(w->mnuNew->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(w->mnuOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
}

TEST_F(RecordView, FixedSizeAndTwipGeometryAt96Dpi)
{
    EXPECT_EQ(w->centralWidget()->size(), QSize(452, 420));
    const QSize before = w->size();
    w->resize(before + QSize(200, 100));
    EXPECT_EQ(w->size(), before);
    EXPECT_EQ(w->minimumSize(), w->maximumSize());

    EXPECT_EQ(w->Text1[0]->geometry(), QRect(16, 16, 257, 18));
    EXPECT_EQ(w->Text1[12]->geometry(), QRect(88, 368, 233, 18));
    EXPECT_EQ(w->VScroll1->geometry(), QRect(328, 16, 17, 369));
    EXPECT_EQ(w->Command4->geometry(), QRect(360, 48, 81, 25));
    EXPECT_EQ(w->Frame3->geometry(), QRect(352, 152, 97, 113));
}

TEST_F(RecordView, ChangingThePositionUpdatesTheBoxesBeforeSetValueReturns)
{
    showBook(3);
    QStringList log;
    QObject guard;
    for (int i = 0; i < 13; ++i) {
        QObject::connect(w->Text1[i], &QLineEdit::textChanged, &guard, [&, i](const QString& text) {
            log << QString("text%1 %2 @%3").arg(i).arg(text).arg(w->VScroll1->value());
        });
    }
    QObject::connect(w->VScroll1, &QScrollBar::valueChanged, &guard,
                     [&](int value) { log << QString("value %1").arg(value); });

    w->VScroll1->setValue(2);
    log << "returned";
    QStringList expected;
    for (int i = 0; i < 13; ++i) {
        expected << QString("text%1 %2 @2").arg(i).arg(Module1::RecordTable[2][i]);
    }
    EXPECT_EQ(log, expected << "value 2"
                            << "returned");
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
