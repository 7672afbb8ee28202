// The reorder dialog, opened from the Tools menu: its moves on a working copy, what it shows of the selection, and
// what Apply, O.K and every other way of closing leave in the book and on the main window.
#include "reorder/frmChange.h"
#include "support/Window.h"

#include <QLabel>
#include <QListWidget>
#include <QTimer>

namespace {

struct Case
{
    int records = 0;
    int select = 0;             // the row chosen before the steps
    QStringList steps = {};     // "up" and "down" are tried even where the buttons are disabled; "apply" is clicked
    std::vector<int> work = {}; // the working copy afterwards, as places in the book
    QString close = "Cancel";   // or "O.K", "Escape", "close box"
    std::vector<int> book = {}; // the book afterwards when an Apply was followed by moves; else as it was or as worked
};

TEST(Reorder, MovesApplyAndEveryWayOfClosing)
{
    const Case cases[] = {
        {.records = 1, .steps = {"up", "down"}, .work = {0}},
        {.records = 3, .select = 2, .steps = {"down"}, .work = {0, 1, 2}}, // a move past an end does nothing
        {.records = 4, .select = 2, .steps = {"up", "down", "down"}, .work = {0, 1, 3, 2}},
        {.records = 4, .select = 3, .steps = {"up"}, .work = {0, 1, 3, 2}, .close = "Escape"},
        // Apply writes, and any close then brings the main window up to date.
        {.records = 3, .steps = {"down", "apply", "down"}, .work = {1, 2, 0}, .book = {1, 0, 2}},
        {.records = 3, .steps = {"down", "apply"}, .work = {1, 0, 2}, .close = "close box"},
        {.records = 4, .select = 3, .steps = {"up", "apply", "up", "up"}, .work = {3, 0, 1, 2}, .close = "O.K"},
        {.records = 0, .steps = {"up", "down"}}, // an empty book: nothing selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.records << " records, row " << c.select << ", " << c.close.toStdString());
        testsupport::resetProgramState();
        testsupport::fillBook(c.records);
        const std::vector<Module1::Record> book(Module1::RecordTable.begin(), Module1::RecordTable.begin() + c.records);
        const auto inOrder = [&](const std::vector<int>& order) {
            std::vector<Module1::Record> records;
            std::ranges::transform(order, std::back_inserter(records), [&](int i) { return book[i]; });
            return records;
        };
        const auto main = testsupport::makeShownMainWindow();
        main->VScroll1->setMaximum(c.records);
        main->VScroll1->setValue(c.records / 2);
        const QString shownBefore = main->Text1[0]->text();
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<frmChange*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_TRUE(d->frameGeometry().center() == main->frameGeometry().center() && d->font().pointSize() == 9)
                << "centred over the main window, in 9 points";
            EXPECT_EQ(d->Command1->isEnabled() && d->Command2->isEnabled(), c.records > 0) << "Up, Down";
            d->List1->setCurrentRow(c.select);
            for (const QString& step : c.steps) {
                step == "up" ? d->Command1_Click() : step == "down" ? d->Command2_Click() : d->Command5->click();
            }
            EXPECT_EQ(d->WorkTable, inOrder(c.work));
            // Every caption, the list in its working order, and the selected record's place and name.
            QStringList texts{d->windowTitle()}, expected{"レコードの並び替え"};
            for (int i = 0; i < d->List1->count(); ++i) {
                texts << d->List1->item(i)->text();
                expected << book[c.work[i]][0];
            }
            for (const QWidget* child : d->findChildren<QWidget*>()) {
                texts << child->property("text").toString();
            }
            texts.removeAll("");
            const QString name = c.records ? book[c.select][0] : "";
            const QString place =
                c.records ? QString::number(std::ranges::find(c.work, c.select) - c.work.begin()) : "";
            expected += {"上へ(&U)", "下へ(&D)", "適用(&T)",        "O.K", "キャンセル", "選択したプロバイダ名", name,
                         "選択番号", place,      "プロバイダ名一覧"};
            expected.removeAll("");
            EXPECT_EQ(texts, expected);
            EXPECT_EQ(d->Command4->isEnabled(), c.steps.last() != "apply") << "Cancel";
            EXPECT_TRUE(d->Label4->frameWidth() == 1 && d->Label4->autoFillBackground() &&
                        d->Label4->palette().window().color() == QColor(192, 192, 255))
                << "the name bordered by a single line, filled light blue";
            c.close == "O.K"      ? d->Command3->click()
            : c.close == "Cancel" ? d->Command4->click()
            : c.close == "Escape" ? QTest::keyClick(d->List1, Qt::Key_Escape)
                                  : void(d->close());
            if (d->isVisible()) { // it would block the test for ever
                ADD_FAILURE() << "the dialog stayed open";
                d->done(0);
            }
        });
        QTest::keyClick(main.get(), Qt::Key_T, Qt::AltModifier);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
        // O.K or an Apply shows the first record at view 0 and marks the book unsaved.
        const bool applied = c.close == "O.K" || c.steps.contains("apply");
        EXPECT_EQ(std::vector(Module1::RecordTable.begin(), Module1::RecordTable.begin() + c.records),
                  applied ? inOrder(c.book.empty() ? c.work : c.book) : book);
        EXPECT_EQ(std::tuple(main->VScroll1->value(), main->Text1[0]->text(), main->Command1->isEnabled()),
                  applied ? std::tuple(0, Module1::RecordTable[0][0], true)
                          : std::tuple(c.records / 2, shownBefore, false))
            << "the view, its provider, Save";
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
