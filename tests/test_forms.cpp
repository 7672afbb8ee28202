// Every window as assistive technology sees it, and geometry above 100 %.
#include "about/frmAbout.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "mainwin/frmFind.h"
#include "reorder/frmChange.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"
#include "ui/WrapCheckBox.h"

#include <QAccessible>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

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

class Forms : public ::testing::Test
{
protected:
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w = (testsupport::resetProgramState(), testsupport::makeShownMainWindow());
};

// A box is named by its heading and its label, and so is the label, which Orca speaks for the box (it follows the
// labelled-by relation); the same name twice in a row is listed once.
TEST_F(Forms, EveryWindowNamesEveryControlAndTheMainWindowShowsItsCaptionsMenusAndKeys)
{
    EXPECT_EQ(spoken(w.get()).join(" | "),
              "Keyfold | インターネット接続情報の手帳  Keyfold Ver | Keyfold | ファイル | 編集 | 接続先 | "
              "接続情報 アカウント | 接続情報 パスワード | 接続情報 電話番号 | ファイル転送 FTP ｻｰﾊﾞｰ | "
              "ファイル転送 アカウント | ファイル転送 パスワード | ファイル転送 Webページ | "
              "ニュース NNTP ｻｰﾊﾞｰ | メール POPｻｰﾊﾞｰ | メール SMTPｻｰﾊﾞｰ | メール アドレス | メール パスワード | "
              "レコード | 追加(D) Enter | 上書(E) Alt+E | クリア(C) Alt+C | 開く(O) Alt+O | 保存(S) Alt+S | "
              "削除(L) Alt+L | 終了(E) Alt+E | 次回から、このファイルを開く | 接続情報 | ファイル転送 | "
              "ニュース | メール | ﾌｧｲﾙ(F) Alt+F | 新規(N) Ctrl+N | 開く(O) Ctrl+O | 保存(S) Alt+S | "
              "削除(L) Alt+L | 終了(E) Alt+E | 編集(E) Alt+E | 追加(D) Alt+D | 上書(S) Alt+S | クリア(C) Alt+C | "
              "検索(F)... Ctrl+F | 次を検索(N) F3 | ﾂｰﾙ(T) Alt+T | レコードの並び替え.... | "
              "オプション(O)... Alt+O | ﾍﾙﾌﾟ(H) Alt+H | Keyfoldについて Alt+K");
    frmLogin login;
    frmChange reorder(w.get());
    frmFind find(*w, [](const QString&, bool) { return false; });
    frmAbout about(w.get());
    for (QWidget* dialog : std::initializer_list<QWidget*>{&login, &w->optionForm(), &reorder, &about, &find}) {
        dialog->show();
        EXPECT_FALSE(spoken(dialog).isEmpty()) << qPrintable(dialog->objectName());
        dialog->hide();
    }
}

TEST_F(Forms, TheScrollBarTellsThePositionCountedFromOneOrThatItIsNew)
{
    const auto told = [&](int position) {
        w->VScroll1->setValue(position);
        return QAccessible::queryAccessibleInterface(w->VScroll1)->text(QAccessible::Description);
    };
    testsupport::fillBook(10);
    w->VScroll1->setMaximum(10);
    EXPECT_EQ((QStringList{told(0), told(2), told(10)}), (QStringList{"1 / 10", "3 / 10", "新規"}));
    w->Text1[0]->setText("eleventh");
    w->Command4->click();
    EXPECT_EQ(told(10), "11 / 11");
}

// Assistive technology hears "*" for each character deleted from or changed in a masked box (e2e_orca types into one).
TEST(MaskedBox, TellsOfTextChangesWithStarsAndAnUnmaskedBoxWithItsText)
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
    QAccessibleTextRemoveEvent remove(&box, 2, "z");
    QAccessibleTextUpdateEvent update(&box, 0, "wq", "abcd");
    for (bool masked : {true, false}) {
        box.setMasked(masked);
        ui::screenSecretText(&remove, tell);
        ui::screenSecretText(&update, tell);
    }
    EXPECT_EQ(told, (QStringList{"-*", "**>****", "-z", "wq>abcd"}));
}

// At 144 dpi many twips values of the design end in half a pixel.
TEST_F(Forms, TwipsAreRoundedEdgeByEdgeAtOneAndAHalfTheSize)
{
    ui::setDpiOverride(144);
    Form1 form;
    EXPECT_EQ(form.centralWidget()->size(), QSize(678, 630));
    EXPECT_EQ(form.VScroll1->geometry(), QRect(492, 24, 26, 554));
    EXPECT_EQ(form.Command4->geometry(), QRect(540, 72, 122, 38));
    EXPECT_EQ(frmLogin().size(), QSize(374, 117));
    ui::setDpiOverride(96.0);
}

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
