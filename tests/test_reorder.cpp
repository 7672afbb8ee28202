// The reorder dialog, run from the menu: moves on a working copy, and what Apply, O.K and every other way of closing
// leave in the book and on the main window.
#include "mainwin/Form1.h"
#include "reorder/frmChange.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <string_view>

namespace {

using Records = std::vector<Module1::Record>;

TEST(Reorder, MovesApplyAndEveryWayOfClosing)
{
    // Records in the book; steps (U up, D down, also where disabled, A apply, a digit selects); the working copy then,
    // as places in the book; Label2; the close (K O.K, C Cancel, E Escape, X close box); the book afterwards; whether
    // the main window was brought up to date (view 0 showing record 0, Save enabled) or stayed as it was.
    const std::tuple<int, const char*, const char*, const char*, char, const char*, bool> cases[] = {
        {1, "UD", "0", "0", 'C', "0", false},         // a single record: both ends at once
        {3, "U2D", "012", "2", 'C', "012", false},    // a move past an end does nothing
        {4, "2UDD", "0132", "3", 'C', "0123", false}, // moves in the middle; Cancel writes nothing
        {4, "3U", "0132", "2", 'E', "0123", false},
        {4, "3U", "0132", "2", 'X', "0123", false},
        {3, "DAD", "120", "2", 'C', "102", true}, // Apply writes, and any close then updates the main window
        {3, "DA", "102", "1", 'E', "102", true},
        {3, "DA", "102", "1", 'X', "102", true},
        {4, "DA3UUU", "3102", "0", 'K', "3102", true},
        {0, "UD", "", "", 'C', "", false}, // an empty book: nothing selected
    };
    for (const auto& [n, steps, work, position, close, book, mainUpdated] : cases) {
        SCOPED_TRACE(testing::Message() << n << " records, " << steps << ", " << close);
        testsupport::resetProgramState();
        testsupport::fillBook(n);
        const Records o(Module1::RecordTable.begin(), Module1::RecordTable.begin() + n);
        const auto records = [&](std::string_view order) {
            Records r;
            std::ranges::transform(order, std::back_inserter(r), [&](char i) { return o[i - '0']; });
            return r;
        };
        Form1 main;
        main.VScroll1->setMaximum(n);
        main.VScroll1->setValue(n / 2);
        const auto shown = [&] { return QStringList{main.Text1[0]->text(), main.Text1[12]->text()}; };
        const QStringList shownBefore = shown();
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<frmChange*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->Command1->isEnabled() && d->Command2->isEnabled(), n > 0) << "Up, Down";
            for (const char* m = steps; *m; ++m) {
                *m == 'U'   ? d->Command1_Click()
                : *m == 'D' ? d->Command2_Click()
                : *m == 'A' ? d->Command5->click()
                            : d->List1->setCurrentRow(*m - '0');
            }
            EXPECT_EQ(d->WorkTable, records(work));
            EXPECT_EQ(d->Label2->text(), position);
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(d->List1->item(i)->text(), o[work[i] - '0'][0]);
            }
            EXPECT_EQ(d->Command4->isEnabled(), !QByteArray(steps).endsWith('A')) << "Cancel";
            close == 'K'   ? d->Command3->click()
            : close == 'C' ? d->Command4->click()
            : close == 'E' ? QTest::keyClick(d->List1, Qt::Key_Escape)
                           : void(d->close());
            if (d->isVisible()) { // it would block the test for ever
                ADD_FAILURE() << "the dialog stayed open";
                d->done(0);
            }
        });
        main.mnuChange_Click();
        EXPECT_EQ(main.findChild<frmChange*>(), nullptr) << "unloaded when it closes";
        EXPECT_EQ(Records(Module1::RecordTable.begin(), Module1::RecordTable.begin() + n), records(book));
        EXPECT_EQ(main.VScroll1->value(), mainUpdated ? 0 : n / 2);
        const Module1::Record& first = Module1::RecordTable[0];
        EXPECT_EQ(shown(), mainUpdated ? QStringList({first[0], first[12]}) : shownBefore);
        EXPECT_EQ(main.Command1->isEnabled(), mainUpdated) << "Save";
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
