// Every window as assistive technology sees it, the main window's captions, menus and keys, and geometry above 100 %.
#include "support/Window.h"

#include <QAccessible>

using Forms = testsupport::WindowTest;

// What a screen reader finds from `item` down: each name, with the keys that reach it and "off" while it is disabled;
// unnamed containers are left out. Every control that takes the keyboard must have a name.
static QStringList spoken(QAccessibleInterface* item, QStringList told = {})
{
    const QString name = item->text(QAccessible::Name), keys = item->text(QAccessible::Accelerator);
    EXPECT_TRUE(!item->state().focusable || !name.trimmed().isEmpty()) << qPrintable(item->object()->objectName());
    if (!name.isEmpty() && (told.isEmpty() || told.last() != name)) {
        told << name + (keys.isEmpty() ? "" : " " + keys) + (item->state().disabled ? " off" : "");
    }
    for (int i = 0; i < item->childCount(); ++i) {
        told = spoken(item->child(i), told);
    }
    return told;
}

// The main window, its menus and the entries that start disabled included. A box is named by its heading and its label,
// and so is the label, which Orca speaks for the box (it follows the labelled-by relation); the same name twice in a
// row is listed once.
TEST_F(Forms, EveryWindowNamesEveryControlAndTheMainWindowShowsItsCaptionsMenusAndKeys)
{
    EXPECT_EQ(spoken(QAccessible::queryAccessibleInterface(w.get())).join(" | "),
              "Keyfold | インターネット接続情報の手帳  Keyfold Ver | Keyfold | ファイル | 編集 | 接続先 | "
              "接続情報 アカウント | 接続情報 パスワード | 接続情報 電話番号 | ファイル転送 FTP ｻｰﾊﾞｰ | "
              "ファイル転送 アカウント | ファイル転送 パスワード | ファイル転送 Webページ | "
              "ニュース NNTP ｻｰﾊﾞｰ | メール POPｻｰﾊﾞｰ | メール SMTPｻｰﾊﾞｰ | メール アドレス | メール パスワード | "
              "レコード | 追加(D) Enter off | 上書(E) Alt+E off | クリア(C) Alt+C off | 開く(O) Alt+O | "
              "保存(S) Alt+S off | 削除(L) Alt+L off | 終了(E) Alt+E | 次回から、このファイルを開く | 接続情報 | "
              "ファイル転送 | ニュース | メール | ﾌｧｲﾙ(F) Alt+F | 新規(N) Ctrl+N | 開く(O) Ctrl+O | "
              "保存(S) Alt+S off | 削除(L) Alt+L off | 終了(E) Alt+E | 編集(E) Alt+E | 追加(D) Alt+D off | "
              "上書(S) Alt+S off | クリア(C) Alt+C off | 検索(F)... Ctrl+F off | 次を検索(N) F3 off | ﾂｰﾙ(T) Alt+T | "
              "レコードの並び替え.... | オプション(O)... Alt+O | ﾍﾙﾌﾟ(H) Alt+H | Keyfoldについて Alt+K");
    // Of the dialogs, only the reorder dialog's list takes its name from the program rather than from a caption or a
    // label of its own (the master-key box, named by its label, is heard under e2e_orca).
    frmChange reorder(w.get());
    EXPECT_FALSE(spoken(QAccessible::queryAccessibleInterface(&reorder)).isEmpty());
}

// A box takes a text of any length. Assistive technology hears "*" for each character typed into, deleted from or
// changed in a masked box (e2e_orca types into one).
TEST(TextBox, TakesAnyLengthAndTellsOfChangesInAMaskedBoxWithStars)
{
    static QStringList told;
    const auto tell = [](QAccessibleEvent* event) {
        const auto* insert = dynamic_cast<QAccessibleTextInsertEvent*>(event);
        const auto* remove = dynamic_cast<QAccessibleTextRemoveEvent*>(event);
        const auto* update = dynamic_cast<QAccessibleTextUpdateEvent*>(event);
        told << (insert   ? "+" + insert->textInserted()
                 : remove ? "-" + remove->textRemoved()
                          : update->textRemoved() + ">" + update->textInserted());
    };
    ui::TextBox box;
    box.setText(QString(40000, 'x'));
    EXPECT_EQ(box.text().size(), 40000);
    QAccessibleTextInsertEvent insert(&box, 1, "ab");
    QAccessibleTextRemoveEvent remove(&box, 2, "z");
    QAccessibleTextUpdateEvent update(&box, 0, "wq", "abcd");
    for (bool masked : {true, false}) {
        box.setMasked(masked);
        ui::screenSecretText(&insert, tell);
        ui::screenSecretText(&remove, tell);
        ui::screenSecretText(&update, tell);
    }
    EXPECT_EQ(told, (QStringList{"+**", "-*", "**>****", "+ab", "-z", "wq>abcd"}));
}

// At 144 dpi many twips values of the design end in half a pixel. A heading is only as wide as its text, so that the
// rule beside it shows.
TEST(Twips, AreRoundedEdgeByEdgeAtOneAndAHalfTheSize)
{
    ui::setDpiOverride(144);
    Form1 form;
    EXPECT_EQ(QList<QRect>({form.centralWidget()->rect(), form.findChild<QLabel*>("FieldLabel(1)")->geometry(),
                            form.Check1->geometry(), frmLogin().rect()}),
              QList<QRect>({{0, 0, 678, 630}, {24, 86, 104, 25}, {540, 516, 122, 62}, {0, 0, 374, 117}}));
    EXPECT_LT(form.findChild<QLabel*>("Label9")->width(), ui::twipsToPixels(1215));
    ui::setDpiOverride(96.0);
}
