// Finding a record: the find dialog, F3, width and case folding, and wrap-around.
#include "mainwin/frmFind.h"
#include "support/Window.h"

using Find = testsupport::WindowTest;

// The box with the focus and the key pressed there; when the find dialog is to be answered, the text and the check
// box typed into it before Return (cancelled if it stays open).
struct Search
{
    int box;
    QKeyCombination key;
    const char* text = nullptr;
    bool all = false;
};

TEST_F(Find, SearchesStartAfterTheRecordShownWrapRoundIgnoreWidthAndCaseAndRepeatWithF3)
{
    // Where the view went: the position, the box with the focus, what box 0 has selected, and the dialog left open
    // with the text selected.
    const auto find = [&](const Search& search) {
        QString open;
        QObject guard; // dies with this call, so its timer never answers a later one
        QTimer::singleShot(0, &guard, [&] {
            auto* dialog = qobject_cast<frmFind*>(QApplication::activeModalWidget());
            EXPECT_EQ(dialog == nullptr, search.text == nullptr) << "the find dialog asked, or not";
            if (!dialog) {
                return;
            }
            EXPECT_EQ(QStringList({dialog->windowTitle(), dialog->chkAll->text(), dialog->cmdFindNext->text(),
                                   dialog->cmdCancel->text(), dialog->txtFind->accessibleName()}),
                      QStringList({"検索", "すべての項目を検索", "次を検索", "キャンセル", "検索する文字列"}));
            dialog->txtFind->setText(search.text);
            dialog->chkAll->setChecked(search.all);
            QTest::keyClick(dialog->txtFind, Qt::Key_Return);
            if (dialog->isVisible()) {
                open = " open [" + dialog->txtFind->selectedText() + "]";
                dialog->cmdCancel->click();
            }
        });
        w->Text1[search.box]->setFocus();
        w->Text1[0]->deselect();
        QTest::keyClick(QApplication::focusWidget(), search.key.key(), search.key.keyboardModifiers());
        QApplication::setActiveWindow(w.get()); // the focus returns to the main window
        const auto box = std::ranges::find(w->Text1, QApplication::focusWidget()) - w->Text1.begin();
        return QString("at %1, box %2 [%3]").arg(w->VScroll1->value()).arg(box).arg(w->Text1[0]->selectedText()) + open;
    };
    showBook(5, 1);
    w->showReorderedBook(); // the find entries on
    w->VScroll1->setValue(1);
    Module1::RecordTable[3][0] = "ガス会社";
    Module1::RecordTable[0][0] = "ABC ﾈｯﾄ";
    Module1::RecordTable[4][12] = "pop.gas.example.jp"; // the last field
    const QKeyCombination dialog = Qt::CTRL | Qt::Key_F;
    const std::pair<Search, const char*> searches[] = {
        {{.box = 2, .key = Qt::Key_F3, .text = "provider"}, "at 2, box 0 [provider2]"}, // F3 first asks
        {{.box = 5, .key = Qt::Key_F3}, "at 4, box 0 [provider4]"},
        {{.box = 2, .key = dialog, .text = "ｶﾞｽ"}, "at 3, box 0 [ガス会社]"},
        {{.box = 2, .key = dialog, .text = "abc ネット"}, "at 0, box 0 [ABC ﾈｯﾄ]"}, // past the end, round
        {{.box = 3, .key = Qt::Key_F3}, "at 0, box 0 [ABC ﾈｯﾄ]"},                // only the first record, shown already
        {{.box = 2, .key = dialog, .text = "GAS"}, "at 0, box 2 [] open [GAS]"}, // provider names only
        {{.box = 2, .key = dialog, .text = "GAS", .all = true}, "at 4, box 0 [provider4]"},
        // The record shown: the view stays, the name selected, also when box 0 had the focus already.
        {{.box = 0, .key = dialog, .text = "provider4"}, "at 4, box 0 [provider4]"},
    };
    for (const auto& [search, found] : searches) {
        EXPECT_EQ(find(search), found) << (search.text ? search.text : "F3");
    }
    Module1::RecordTable[4][0] = "changed"; // searched as it is now: only the message, the view stays
    EXPECT_EQ(find({.box = 0, .key = Qt::Key_F3}), "at 4, box 0 []");
    EXPECT_PROMPTS({"「GAS」は見つかりません。", "検索"}, {"「provider4」は見つかりません。", "検索"});
    w->Text1[2]->setFocus(Qt::MouseFocusReason); // left for the dialog, not come back since: an arrival, all selected
    EXPECT_EQ(w->Text1[2]->selectedText(), "r4f2");
}
