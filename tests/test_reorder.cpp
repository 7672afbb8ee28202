#include "mainwin/Form1.h"
#include "reorder/frmChange.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using Module1::Record;
using Module1::RecordTable;
using Records = std::vector<Record>;

namespace {

// Everything on the dialog a user can see, to tell "nothing changed at all" from a quiet change.
struct Seen
{
    QStringList entries;
    int selected;
    QString label2, label4;
    QList<bool> upDownOkCancelApply;
    Records work;
    bool operator==(const Seen&) const = default;
};

Seen seen(const frmChange& d)
{
    QStringList entries;
    for (int i = 0; i < d.List1->count(); ++i) {
        entries << d.List1->item(i)->text();
    }
    return {entries,
            d.List1->currentRow(),
            d.Label2->text(),
            d.Label4->text(),
            {d.Command1->isEnabled(), d.Command2->isEnabled(), d.Command3->isEnabled(), d.Command4->isEnabled(),
             d.Command5->isEnabled()},
            d.WorkTable};
}

Records book()
{
    return {RecordTable.begin(), RecordTable.begin() + Module1::RecordCount};
}

class Reorder : public ::testing::Test
{
protected:
    // A book of n records; the main window stands at its last record with nothing to save.
    void open(int n)
    {
        dialog.reset(); // a child of the main window: gone before it
        main.reset();
        testsupport::resetProgramState();
        testsupport::fillBook(n);
        original = book();
        main = std::make_unique<Form1>();
        main->VScroll1->setMaximum(n);
        main->VScroll1->setValue(std::max(n - 1, 0));
        dialog = std::make_unique<frmChange>(*main);
        dialog->show();
    }
    void TearDown() override { testsupport::resetProgramState(); }
    void expectMainShowsFirstRecord()
    {
        EXPECT_EQ(main->VScroll1->value(), 0);
        for (int f = 0; f < Module1::FieldCount; ++f) {
            EXPECT_EQ(main->Text1[f]->text(), RecordTable[0][f]) << "box " << f;
        }
        EXPECT_TRUE(main->Command1->isEnabled()) << "Save";
    }

    std::unique_ptr<Form1> main;
    std::unique_ptr<frmChange> dialog;
    Records original;
};

TEST_F(Reorder, OpensOnTheFirstRecordOfAWorkingCopy)
{
    open(4);
    const Seen s = seen(*dialog);
    EXPECT_EQ(s.entries, QStringList({"provider0", "provider1", "provider2", "provider3"}));
    EXPECT_EQ(s.selected, 0);
    EXPECT_EQ(s.label2, "0");
    EXPECT_EQ(s.label4, "provider0");
    EXPECT_EQ(s.upDownOkCancelApply, QList<bool>({true, true, false, true, false}));
    EXPECT_EQ(s.work, original);
    EXPECT_EQ(dialog->SelectedFields, original[0]);
    for (QLabel* heading : {dialog->Label1, dialog->Label3, dialog->Label5}) {
        EXPECT_LE(heading->sizeHint().width(), heading->width()) << heading->text().toStdString() << " is cut off";
    }
}

TEST_F(Reorder, MovesPastAnEndChangeNothing)
{
    for (int n : {1, 3}) {
        SCOPED_TRACE(n);
        open(n);
        const Seen atTop = seen(*dialog);
        dialog->Command1->click();
        EXPECT_EQ(seen(*dialog), atTop);
        dialog->List1->setCurrentRow(n - 1);
        const Seen atBottom = seen(*dialog);
        dialog->Command2->click();
        EXPECT_EQ(seen(*dialog), atBottom);
        EXPECT_EQ(atBottom.upDownOkCancelApply, QList<bool>({true, true, false, true, false}));
        dialog->Command4->click();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(book(), original);
    }
}

TEST_F(Reorder, AMoveExchangesTwoWholeRecordsAndKeepsTheSelection)
{
    open(4);
    dialog->List1->setCurrentRow(2);
    dialog->Command1->click();
    EXPECT_EQ(dialog->WorkTable, Records({original[0], original[2], original[1], original[3]})); // all 13 fields
    Seen s = seen(*dialog);
    EXPECT_EQ(s.entries, QStringList({"provider0", "provider2", "provider1", "provider3"}));
    EXPECT_EQ(s.selected, 1);
    EXPECT_EQ(s.label2, "1");
    EXPECT_EQ(s.label4, "provider2");
    EXPECT_EQ(dialog->SelectedFields, original[2]);
    EXPECT_EQ(s.upDownOkCancelApply, QList<bool>({true, true, true, true, true}));
    EXPECT_EQ(book(), original) << "moves touch only the working copy";

    // Down carries the same record on; equal and empty names move by position like any other.
    dialog->WorkTable[2][0] = dialog->WorkTable[3][0] = QString();
    dialog->List1->item(2)->setText(QString());
    dialog->List1->item(3)->setText(QString());
    dialog->Command2->click();
    dialog->Command2->click();
    s = seen(*dialog);
    EXPECT_EQ(s.entries, QStringList({"provider0", "", "", "provider2"}));
    EXPECT_EQ(s.label2, "3");
    EXPECT_EQ(dialog->WorkTable[3], original[2]);
}

TEST_F(Reorder, EveryCloseWithoutApplyWritesNothing)
{
    const std::vector<std::pair<const char*, std::function<void(frmChange&)>>> closes = {
        {"Cancel", [](frmChange& d) { d.Command4->click(); }},
        {"Escape", [](frmChange& d) { QTest::keyClick(d.List1, Qt::Key_Escape); }},
        {"Enter on the list", [](frmChange& d) { QTest::keyClick(d.List1, Qt::Key_Return); }},
        {"close box", [](frmChange& d) { d.close(); }},
    };
    for (const auto& [how, close] : closes) {
        SCOPED_TRACE(how);
        open(4);
        dialog->List1->setCurrentRow(3);
        dialog->Command1->click();
        dialog->Command1->click();
        dialog->List1->setFocus();
        close(*dialog);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(book(), original);
        EXPECT_EQ(main->VScroll1->value(), 3);
        EXPECT_FALSE(main->Command1->isEnabled()) << "Save";
        EXPECT_EQ(frmChange(*main).WorkTable, original) << "the next opening starts from the book";
    }
}

TEST_F(Reorder, ApplyWritesTheOrderAndAnyLaterCloseUpdatesTheMainWindow)
{
    open(3);
    dialog->Command2->click(); // 1 0 2
    dialog->Command5->click();
    EXPECT_EQ(book(), Records({original[1], original[0], original[2]}));
    EXPECT_EQ(seen(*dialog).upDownOkCancelApply, QList<bool>({true, true, true, false, true}));
    EXPECT_FALSE(main->Command1->isEnabled()) << "the main window waits for the close";
    dialog->Command2->click(); // 1 2 0, never applied
    EXPECT_TRUE(dialog->Command4->isEnabled()) << "a move brings Cancel back";
    dialog->Command4->click();
    EXPECT_EQ(book(), Records({original[1], original[0], original[2]}));
    expectMainShowsFirstRecord();

    // With Cancel disabled after Apply, Escape and the close box still close.
    for (const bool byEscape : {false, true}) {
        SCOPED_TRACE(byEscape ? "Escape" : "close box");
        open(3);
        dialog->Command2->click();
        dialog->Command5->click();
        byEscape ? QTest::keyClick(dialog->List1, Qt::Key_Escape) : void(dialog->close());
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(RecordTable[0], original[1]);
        expectMainShowsFirstRecord();
    }
}

TEST_F(Reorder, OkWritesTheLatestOrderAndShowsItsFirstRecord)
{
    open(4);
    dialog->Command2->click(); // 1 0 2 3
    dialog->Command5->click();
    dialog->List1->setCurrentRow(3);
    for (int i = 0; i < 3; ++i) {
        dialog->Command1->click(); // 3 1 0 2
    }
    dialog->Command3->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(book(), Records({original[3], original[1], original[0], original[2]}));
    EXPECT_EQ(main->Text1[0]->text(), "provider3");
    expectMainShowsFirstRecord();
}

TEST_F(Reorder, AnEmptyBookOffersOnlyCancel)
{
    open(0);
    const Seen s = seen(*dialog);
    EXPECT_EQ(s, (Seen{{}, -1, {}, {}, {false, false, false, true, false}, {}}));
    dialog->Command1_Click();
    dialog->Command2_Click();
    EXPECT_EQ(seen(*dialog), s);
    dialog->Command4->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(main->Command1->isEnabled());
}

TEST_F(Reorder, TheMenuCommandRunsTheDialogModallyOverTheMainWindow)
{
    open(3);
    dialog.reset();
    bool modalOverMain = false;
    QTimer::singleShot(0, [&] {
        auto* shown = main->findChild<frmChange*>();
        ASSERT_NE(shown, nullptr);
        modalOverMain = QApplication::activeModalWidget() == shown && shown->parentWidget() == main.get();
        shown->Command2->click();
        shown->Command3->click();
    });
    main->mnuChange_Click();
    EXPECT_TRUE(modalOverMain);
    EXPECT_EQ(main->findChild<frmChange*>(), nullptr) << "unloaded when it closes";
    EXPECT_EQ(RecordTable[0], original[1]);
    expectMainShowsFirstRecord();
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
