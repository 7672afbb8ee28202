// Every window as assistive technology sees it, the options dialog's default button, and geometry above 100 %.
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

// The names of the controls of `window` reachable from the keyboard; fails for one unnamed or two edit boxes alike.
static QStringList focusableNames(QWidget* window)
{
    QStringList names, edits;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* item) {
        if (item && item->state().focusable && item->object() != window) {
            names << item->text(QAccessible::Name);
            EXPECT_FALSE(names.last().trimmed().isEmpty())
                << qPrintable(window->objectName()) << ": " << qPrintable(item->object()->objectName()) << " unnamed";
            if (item->role() == QAccessible::EditableText) {
                edits << names.last();
            }
        }
        for (int i = 0; item && i < item->childCount(); ++i) {
            walk(item->child(i));
        }
    };
    walk(QAccessible::queryAccessibleInterface(window));
    EXPECT_EQ(edits.removeDuplicates(), 0) << qPrintable(window->objectName()) << ": two boxes of the same name";
    return names;
}

class Forms : public ::testing::Test
{
protected:
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w = (testsupport::resetProgramState(), testsupport::makeShownMainWindow());
};

TEST_F(Forms, EveryControlOfEveryWindowHasANameAndTheBoxesAreNamedByHeadingAndLabel)
{
    const QStringList names = focusableNames(w.get());
    for (const char* box :
         {"接続先", "接続情報 アカウント", "接続情報 パスワード", "接続情報 電話番号", "ファイル転送 FTP ｻｰﾊﾞｰ",
          "ファイル転送 アカウント", "ファイル転送 パスワード", "ファイル転送 Webページ", "ニュース NNTP ｻｰﾊﾞｰ",
          "メール POPｻｰﾊﾞｰ", "メール SMTPｻｰﾊﾞｰ", "メール アドレス", "メール パスワード", "レコード"}) {
        EXPECT_TRUE(names.contains(box)) << box;
    }
    const auto labels = QAccessible::queryAccessibleInterface(w->Text1[12])->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1); // each box labelled by its caption, which a screen reader speaks for the box
    EXPECT_EQ(labels.first().first->text(QAccessible::Name), "メール パスワード");

    frmLogin login;
    frmChange reorder(w.get());
    frmFind find(*w, [](const QString&, bool) { return false; });
    frmAbout about(w.get());
    for (QWidget* dialog : std::initializer_list<QWidget*>{&login, &w->optionForm(), &reorder, &about, &find}) {
        dialog->show();
        EXPECT_FALSE(focusableNames(dialog).isEmpty()) << qPrintable(dialog->objectName());
        dialog->hide();
    }
}

TEST_F(Forms, TheScrollBarTellsThePositionCountedFromOneOrThatItIsNew)
{
    const auto readOut = [&](int position) {
        w->VScroll1->setValue(position);
        const QString description = QAccessible::queryAccessibleInterface(w->VScroll1)->text(QAccessible::Description);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(w->Text1[0])->text(QAccessible::Description), description);
        return description;
    };
    EXPECT_EQ(readOut(0), "新規");
    testsupport::fillBook(10);
    w->VScroll1->setMaximum(10);
    EXPECT_EQ((QStringList{readOut(0), readOut(2), readOut(10)}), (QStringList{"1 / 10", "3 / 10", "新規"}));
    w->Text1[0]->setText("eleventh");
    w->Command4->click();
    EXPECT_EQ(readOut(10), "11 / 11");
}

// Assistive technology hears "*" for each character typed into, deleted from or set in a masked box.
TEST(MaskedBox, TellsOfTextChangesWithStarsAndAnUnmaskedBoxWithItsText)
{
    static QStringList told;
    const auto tell = [](QAccessibleEvent* event) {
        if (event->type() == QAccessible::TextInserted) {
            told << static_cast<QAccessibleTextInsertEvent*>(event)->textInserted();
        } else if (event->type() == QAccessible::TextRemoved) {
            told << "-" + static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved();
        } else {
            const auto* update = static_cast<QAccessibleTextUpdateEvent*>(event);
            told << update->textRemoved() + ">" + update->textInserted();
        }
    };
    ui::TextBox box;
    QAccessibleTextInsertEvent insert(&box, 0, "wqz");
    QAccessibleTextRemoveEvent remove(&box, 2, "z");
    QAccessibleTextUpdateEvent update(&box, 0, "wq", "abcd");
    box.setMasked(true);
    for (QAccessibleEvent* event : std::initializer_list<QAccessibleEvent*>{&insert, &remove, &update}) {
        ui::screenSecretText(event, tell);
    }
    box.setMasked(false);
    ui::screenSecretText(&insert, tell);
    EXPECT_EQ(told, (QStringList{"***", "-*", "**>****", "wqz"}));
}

TEST_F(Forms, EnterInTheOptionsGoesToCancelNotToOk)
{
    frmOption& options = w->optionForm();
    EXPECT_TRUE(options.Command4->isDefault() && !options.Command3->isDefault());
    options.show();
    options.Check5->setFocus();
    options.Check2->setChecked(true);
    QTest::keyClick(options.Check5, Qt::Key_Return);
    EXPECT_EQ(std::pair(options.isVisible(), options.result()), std::pair(false, int(QDialog::Rejected)));
    EXPECT_FALSE(w->Check1->isChecked()) << "O.K would have passed the option on";
}

TEST_F(Forms, TwipsAreRoundedEdgeByEdgeAtOneAndAHalfAndTwiceTheSize)
{
    // At 144 dpi many twips values of the design end in half a pixel; at 192 dpi the sizes double.
    const std::tuple<double, QSize, QRect, QRect, QSize> cases[] = {
        {144, {678, 630}, {492, 24, 26, 554}, {540, 72, 122, 38}, {374, 117}},
        {192, {904, 840}, {656, 32, 34, 738}, {720, 96, 162, 50}, {498, 156}},
    };
    for (const auto& [dpi, client, scrollBar, add, login] : cases) {
        SCOPED_TRACE(dpi);
        ui::setDpiOverride(dpi);
        Form1 form;
        EXPECT_EQ(form.centralWidget()->size(), client);
        EXPECT_EQ(form.VScroll1->geometry(), scrollBar);
        EXPECT_EQ(form.Command4->geometry(), add);
        EXPECT_EQ(frmLogin().size(), login);
    }
    ui::setDpiOverride(96.0);
}

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
