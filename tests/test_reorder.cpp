// The reorder dialog, opened from the Tools menu: its moves on a working copy, what it shows of the selection, and
// what Apply, O.K and every other way of closing leave in the book and on the main window.
#include "support/Window.h"

#include <QListWidget>

struct Case
{
    int records = 0;
    int select = 0;             // the row chosen before the steps
    QStringList steps = {};     // "up" and "down" are tried even where the buttons are disabled; "apply" is clicked
    std::vector<int> work = {}; // the working copy afterwards, as places in the book
    QString close = "Cancel";   // or "O.K", or the close box (Escape takes the same way)
    std::vector<int> book = {}; // the book afterwards when an Apply was followed by moves; else as it was or as worked
};

using Reorder = testsupport::WindowTest;

TEST_F(Reorder, MovesApplyAndEveryWayOfClosing)
{
    const Case cases[] = {
        {.records = 1, .steps = {"up", "down"}, .work = {0}}, // a move past an end does nothing
        {.records = 4, .select = 2, .steps = {"up", "down", "down"}, .work = {0, 1, 3, 2}},
        // Apply writes, and any close then brings the main window up to date.
        {.records = 3, .steps = {"down", "apply", "down"}, .work = {1, 2, 0}, .book = {1, 0, 2}},
        {.records = 3, .steps = {"down", "apply"}, .work = {1, 0, 2}, .close = "close box"},
        {.records = 4, .select = 3, .steps = {"up", "apply", "up", "up"}, .work = {3, 0, 1, 2}, .close = "O.K"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        showBook(c.records, c.records / 2);
        const std::vector<Module1::Record> book(Module1::RecordTable.begin(), Module1::RecordTable.begin() + c.records);
        const auto inOrder = [&](const std::vector<int>& order) {
            std::vector<Module1::Record> records;
            std::ranges::transform(order, std::back_inserter(records), [&](int i) { return book[i]; });
            return records;
        };
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<frmChange*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_TRUE(d->frameGeometry().center() == w->frameGeometry().center() && d->font().pointSize() == 9 &&
                        d->Label4->frameWidth() == 1 &&
                        d->Label4->palette().window().color() == QColor(192, 192, 255) && d->Command1->isEnabled() &&
                        d->Command2->isEnabled())
                << "centred over the main window, in 9 points, the name in light blue with a border; Up, Down";
            d->List1->setCurrentRow(c.select);
            for (const QString& step : c.steps) {
                step == "up" ? d->Command1_Click() : step == "down" ? d->Command2_Click() : d->Command5->click();
            }
            EXPECT_EQ(d->WorkTable, inOrder(c.work));
            // Every caption, the selected record's name and place, and the list in its working order.
            QStringList texts = testsupport::captions(d);
            std::ranges::transform(d->List1->findItems("", Qt::MatchContains), std::back_inserter(texts),
                                   &QListWidgetItem::text);
            const QString place = QString::number(std::ranges::find(c.work, c.select) - c.work.begin());
            QStringList expected{"レコードの並び替え", "上へ(&U)", "下へ(&D)", "適用(&T)", "O.K", "キャンセル"};
            expected += {"選択したプロバイダ名", book[c.select][0], "選択番号", place, "プロバイダ名一覧"};
            std::ranges::transform(inOrder(c.work), std::back_inserter(expected), [](auto& r) { return r[0]; });
            EXPECT_EQ(texts, expected);
            EXPECT_EQ(d->Command4->isEnabled(), c.steps.last() != "apply") << "Cancel";
            c.close == "O.K" ? d->Command3->click() : c.close == "Cancel" ? d->Command4->click() : void(d->close());
            EXPECT_FALSE(d->isVisible()) << "the dialog stayed open";
            d->done(d->result()); // a dialog a fault left open would block the test
        });
        w->mnuChange->trigger();
        // O.K or an Apply shows the first record at view 0 and marks the book unsaved.
        const bool applied = c.close == "O.K" || c.steps.contains("apply");
        const std::vector records(Module1::RecordTable.begin(), Module1::RecordTable.begin() + c.records);
        EXPECT_EQ(std::tuple(records, w->VScroll1->value(), w->Text1[0]->text(), w->Command1->isEnabled()),
                  applied ? std::tuple(inOrder(c.book.empty() ? c.work : c.book), 0, records[0][0], true)
                          : std::tuple(book, c.records / 2, book[c.records / 2][0], false))
            << "the book, the view, its provider, Save";
    }
}
