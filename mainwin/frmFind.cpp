#include "mainwin/frmFind.h"

#include "ui/Fonts.h"
#include "ui/FormBuilder.h"
#include "ui/Twips.h"
#include "ui/Windows.h"
#include "ui/WrapCheckBox.h"

#include <QLineEdit>
#include <QPushButton>

using ui::Control;
using ui::Kind;

namespace {

constexpr int ClientWidth = 4815;
constexpr int ClientHeight = 1095;

// clang-format off
QList<Control> controlTable()
{
    return {
        {Kind::Edit, "txtFind", {}, 120, 165, 3375, 315, 0},
        {Kind::CheckBox, "chkAll", "すべての項目を検索", 120, 615, 3375, 255, 1},
        {Kind::Button, "cmdFindNext", "次を検索", 3600, 120, 1095, 375, 2, ui::DefaultButton | ui::Disabled},
        {Kind::Button, "cmdCancel", "キャンセル", 3600, 600, 1095, 375, 3},
    };
}
// clang-format on

} // namespace

frmFind::frmFind(QWidget& owner, Search search)
    : QDialog(&owner, Qt::Dialog | ui::FixedFrame), m_owner(owner), m_search(std::move(search))
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("検索"));
    setFont(ui::gothicFont(9));
    setFixedSize(ui::twipsSize(ClientWidth, ClientHeight));

    const ui::BuiltForm form = ui::buildForm(this, controlTable());
    txtFind = form.get<QLineEdit>(QStringLiteral("txtFind"));
    chkAll = form.get<ui::WrapCheckBox>(QStringLiteral("chkAll"));
    cmdFindNext = form.get<QPushButton>(QStringLiteral("cmdFindNext"));
    cmdCancel = form.get<QPushButton>(QStringLiteral("cmdCancel"));
    // The box has no label of its own on screen; a screen reader names it by what it is for.
    txtFind->setAccessibleName(QStringLiteral("検索する文字列"));

    connect(txtFind, &QLineEdit::textChanged, this, [this] { cmdFindNext->setEnabled(!txtFind->text().isEmpty()); });
    connect(cmdFindNext, &QPushButton::clicked, this, [this] { cmdFindNext_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmFind::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ui::centreOver(this, m_owner.frameGeometry());
    txtFind->setFocus();
    txtFind->selectAll();
}

void frmFind::cmdFindNext_Click()
{
    if (txtFind->text().isEmpty()) {
        return;
    }
    if (m_search(txtFind->text(), chkAll->isChecked())) {
        accept();
        return;
    }
    // Nothing found: the dialog stays, the text selected for a new try.
    txtFind->setFocus();
    txtFind->selectAll();
}

void frmFind::cmdCancel_Click()
{
    reject();
}
