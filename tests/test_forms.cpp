// Every window as assistive technology sees it (names, labels, the scroll bar's position), the options dialog's
// default button, and the forms' geometry at a scaling other than 100 %.
#include "about/frmAbout.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "mainwin/frmFind.h"
#include "reorder/frmChange.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/Twips.h"
#include "ui/WrapCheckBox.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Every interface under `root`, depth first.
void walk(QAccessibleInterface* root, QList<QAccessibleInterface*>& all)
{
    all.append(root);
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface* child = root->child(i)) {
            walk(child, all);
        }
    }
}

// The names of the controls a user can reach with the keyboard; fails for an unnamed one or two equal edit boxes.
QStringList focusableNames(QWidget* window)
{
    QList<QAccessibleInterface*> all;
    walk(QAccessible::queryAccessibleInterface(window), all);
    QStringList names, edits;
    for (QAccessibleInterface* item : all) {
        if (!item->state().focusable || item->object() == window) {
            continue;
        }
        const QString name = item->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty()) << window->objectName().toStdString() << ": "
                                               << item->object()->objectName().toStdString() << " has no name";
        if (item->role() == QAccessible::EditableText) {
            EXPECT_FALSE(edits.contains(name))
                << window->objectName().toStdString() << ": two boxes named " << name.toStdString();
            edits << name;
        }
        names << name;
    }
    return names;
}

class Forms : public ::testing::Test
{
protected:
    void SetUp() override { testsupport::resetProgramState(); }
    void TearDown() override
    {
        ui::setDpiOverride(96.0);
        testsupport::resetProgramState();
    }
    testsupport::TempSettings settings;
};

TEST_F(Forms, EveryControlOfEveryWindowHasANameAndTheBoxesAreNamedByHeadingAndLabel)
{
    auto w = testsupport::makeShownMainWindow();
    const QStringList boxes = {"接続先",
                               "接続情報 アカウント",
                               "接続情報 パスワード",
                               "接続情報 電話番号",
                               "ファイル転送 FTP ｻｰﾊﾞｰ",
                               "ファイル転送 アカウント",
                               "ファイル転送 パスワード",
                               "ファイル転送 Webページ",
                               "ニュース NNTP ｻｰﾊﾞｰ",
                               "メール POPｻｰﾊﾞｰ",
                               "メール SMTPｻｰﾊﾞｰ",
                               "メール アドレス",
                               "メール パスワード"};
    const QStringList names = focusableNames(w.get());
    for (const QString& box : boxes) {
        EXPECT_TRUE(names.contains(box)) << box.toStdString();
    }
    EXPECT_TRUE(names.contains("レコード"));
    // Each box is labelled by its caption.
    QAccessibleInterface* password = QAccessible::queryAccessibleInterface(w->Text1[12]);
    const auto labels = password->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first().first->text(QAccessible::Name), "パスワード");

    frmLogin login;
    frmChange reorder(*w);
    frmFind find(*w, [](const QString&, bool) { return false; });
    auto* about = new frmAbout(w.get());
    for (QWidget* dialog : std::initializer_list<QWidget*>{&login, &w->optionForm(), &reorder, about, &find}) {
        dialog->show();
        EXPECT_FALSE(focusableNames(dialog).isEmpty()) << dialog->objectName().toStdString();
        dialog->hide();
    }
    delete about;
}

TEST_F(Forms, TheScrollBarTellsThePositionCountedFromOneOrThatItIsNew)
{
    auto w = testsupport::makeShownMainWindow();
    const auto description = [&] {
        return QAccessible::queryAccessibleInterface(w->VScroll1)->text(QAccessible::Description);
    };
    EXPECT_EQ(description(), "新規");
    testsupport::fillBook(10);
    w->VScroll1->setMaximum(10);
    EXPECT_EQ(description(), "1 / 10");
    w->VScroll1->setValue(2);
    EXPECT_EQ(description(), "3 / 10");
    w->VScroll1->setValue(10);
    EXPECT_EQ(description(), "新規");
    w->Text1[0]->setText("eleventh");
    w->Command4->click();
    EXPECT_EQ(description(), "新規");
    w->VScroll1->setValue(10);
    EXPECT_EQ(description(), "11 / 11");
}

TEST_F(Forms, EnterInTheOptionsGoesToCancelNotToOk)
{
    auto w = testsupport::makeShownMainWindow();
    frmOption& options = w->optionForm();
    EXPECT_TRUE(options.Command4->isDefault());
    EXPECT_FALSE(options.Command3->isDefault());
    options.show();
    options.Check5->setFocus();
    options.Check2->setChecked(true);
    QTest::keyClick(options.Check5, Qt::Key_Return);
    EXPECT_EQ(std::pair(options.isVisible(), options.result()), std::pair(false, int(QDialog::Rejected)));
    EXPECT_FALSE(w->Check1->isChecked()) << "O.K would have passed the option on";
}

TEST_F(Forms, TwipsAreRoundedEdgeByEdgeAtOneAndAHalfAndTwiceTheSize)
{
    // At 96 dpi every twips value of the design is a whole number of pixels; at 144 dpi many end in a half, and at
    // 192 dpi the sizes double.
    const std::tuple<double, QSize, QRect, QRect, QSize> cases[] = {
        {144, {678, 630}, {492, 24, 26, 554}, {540, 72, 122, 38}, {374, 117}},
        {192, {904, 840}, {656, 32, 34, 738}, {720, 96, 162, 50}, {498, 156}},
    };
    for (const auto& [dpi, client, scrollBar, add, login] : cases) {
        SCOPED_TRACE(dpi);
        ui::setDpiOverride(dpi);
        Form1 w;
        EXPECT_EQ(w.centralWidget()->size(), client);
        EXPECT_EQ(w.VScroll1->geometry(), scrollBar);
        EXPECT_EQ(w.Command4->geometry(), add);
        EXPECT_EQ(frmLogin().size(), login);
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
