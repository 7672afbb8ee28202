// Every window as assistive technology sees it, the main window's captions, menus and keys, and geometry above 100 %.
#include "about/frmAbout.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "mainwin/frmFind.h"
#include "reorder/frmChange.h"
#include "support/Window.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <functional>

using Forms = testsupport::WindowTest;

// What a screen reader finds in `window`: each name, with the keys that reach it; unnamed containers are left out.
// Every control that takes the keyboard must have a name.
static QStringList spoken(QWidget* window)
{
    QStringList told;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* item) {
        const QString name = item->text(QAccessible::Name), keys = item->text(QAccessible::Accelerator);
        EXPECT_TRUE(!item->state().focusable || !name.trimmed().isEmpty()) << qPrintable(item->object()->objectName());
        if (!name.isEmpty() && (told.isEmpty() || told.last() != name)) {
            told << (keys.isEmpty() ? name : name + " " + keys);
        }
        for (int i = 0; i < item->childCount(); ++i) {
            walk(item->child(i));
        }
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return told;
}

// A box is named by its heading and its label, and so is the label, which Orca speaks for the box (it follows the
// labelled-by relation); the same name twice in a row is listed once.
TEST_F(Forms, EveryWindowNamesEveryControlAndTheMainWindowShowsItsCaptionsMenusAndKeys)
{
    EXPECT_EQ(spoken(w->centralWidget()).join(" | "),
              "インターネット接続情報の手帳  Keyfold Ver | Keyfold | ファイル | 編集 | 接続先 | "
              "接続情報 アカウント | 接続情報 パスワード | 接続情報 電話番号 | ファイル転送 FTP ｻｰﾊﾞｰ | "
              "ファイル転送 アカウント | ファイル転送 パスワード | ファイル転送 Webページ | "
              "ニュース NNTP ｻｰﾊﾞｰ | メール POPｻｰﾊﾞｰ | メール SMTPｻｰﾊﾞｰ | メール アドレス | メール パスワード | "
              "レコード | 追加(D) Enter | 上書(E) Alt+E | クリア(C) Alt+C | 開く(O) Alt+O | 保存(S) Alt+S | "
              "削除(L) Alt+L | 終了(E) Alt+E | 次回から、このファイルを開く | 接続情報 | ファイル転送 | "
              "ニュース | メール");
    QStringList menus; // each entry by its name, caption and shortcut, and whether it starts disabled
    for (const QAction* menu : w->menuBar()->actions()) {
        QStringList entries;
        for (const QAction* e : menu->menu()->actions()) {
            entries << (e->objectName() + " " + e->text() + " " + e->shortcut().toString() +
                        (e->isEnabled() ? "" : " off"))
                           .simplified();
        }
        menus << menu->menu()->objectName() + " " + menu->text() + ": " + entries.join(", ");
    }
    EXPECT_EQ(menus,
              QStringList({"mnuFile ﾌｧｲﾙ(&F): mnuNew 新規(&N) Ctrl+N, mnuOpen 開く(&O) Ctrl+O, mnuSave 保存(&S) off, "
                           "mnuDel 削除(&L) off, mnuBar01, mnuExit 終了(&E)",
                           "mnuEdit 編集(&E): mnuAdd 追加(&D) off, mnuEditAs 上書(&S) off, mnuClear クリア(&C) off, "
                           "mnuBar03, mnuFind 検索(&F)... Ctrl+F off, mnuFindNext 次を検索(&N) F3 off",
                           "mnuSetup ﾂｰﾙ(&T): mnuChange レコードの並び替え...., mnuBar02, mnuOption オプション(&O)...",
                           "mnuHelp ﾍﾙﾌﾟ(&H): mnuVer &Keyfoldについて"}));
    w->resize(900, 900); // the window keeps the size of its design
    EXPECT_LT(w->width(), 900);

    frmLogin login;
    frmChange reorder(w.get());
    frmFind find(*w, [](const QString&, bool) { return false; });
    frmAbout about(w.get());
    for (QWidget* dialog : std::initializer_list<QWidget*>{&login, &w->optionForm(), &reorder, &about, &find}) {
        dialog->show();
        EXPECT_FALSE(spoken(dialog).isEmpty()) << qPrintable(dialog->objectName());
        dialog->hide();
    }
    w->mnuVer->trigger();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->mnuVer->trigger(); // the About box already open comes to the front
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == w->aboutBox(); }));
}

TEST_F(Forms, TheScrollBarTellsThePositionCountedFromOneOrThatItIsNew)
{
    const auto told = [&](int position) {
        w->VScroll1->setValue(position);
        return QAccessible::queryAccessibleInterface(w->VScroll1)->text(QAccessible::Description);
    };
    showBook(10, 0);
    EXPECT_EQ((QStringList{told(0), told(2), told(10)}), (QStringList{"1 / 10", "3 / 10", "新規"}));
    w->Text1[0]->setText("eleventh");
    w->Command4->click();
    EXPECT_EQ(told(10), "11 / 11");
}

// A box takes a text of any length. Assistive technology hears "*" for each character deleted from or changed in a
// masked box (e2e_orca types into one).
TEST(TextBox, TakesAnyLengthAndTellsOfChangesInAMaskedBoxWithStars)
{
    static QStringList told;
    const auto tell = [](QAccessibleEvent* event) {
        if (const auto* remove = dynamic_cast<QAccessibleTextRemoveEvent*>(event)) {
            told << "-" + remove->textRemoved();
        } else if (const auto* update = dynamic_cast<QAccessibleTextUpdateEvent*>(event)) {
            told << update->textRemoved() + ">" + update->textInserted();
        }
    };
    ui::TextBox box;
    box.setText(QString(40000, 'x'));
    EXPECT_EQ(box.text().size(), 40000);
    QAccessibleTextRemoveEvent remove(&box, 2, "z");
    QAccessibleTextUpdateEvent update(&box, 0, "wq", "abcd");
    for (bool masked : {true, false}) {
        box.setMasked(masked);
        ui::screenSecretText(&remove, tell);
        ui::screenSecretText(&update, tell);
    }
    EXPECT_EQ(told, (QStringList{"-*", "**>****", "-z", "wq>abcd"}));
}

// At 144 dpi many twips values of the design end in half a pixel. A heading is only as wide as its text, so that the
// rule beside it shows.
TEST(Twips, AreRoundedEdgeByEdgeAtOneAndAHalfTheSize)
{
    ui::setDpiOverride(144);
    Form1 form;
    EXPECT_EQ(form.centralWidget()->size(), QSize(678, 630));
    EXPECT_EQ(form.VScroll1->geometry(), QRect(492, 24, 26, 554));
    EXPECT_EQ(form.Command4->geometry(), QRect(540, 72, 122, 38));
    EXPECT_LT(form.findChild<QLabel*>("Label9")->width(), ui::twipsToPixels(1215));
    EXPECT_EQ(frmLogin().size(), QSize(374, 117));
    ui::setDpiOverride(96.0);
}
