#include "login/frmOption.h"

#include "login/Settings.h"
#include "ui/FormBuilder.h"
#include "ui/Twips.h"
#include "ui/Windows.h"
#include "ui/WrapCheckBox.h"

#include <QGroupBox>
#include <QPushButton>

using ui::Control;
using ui::Kind;

frmOption::frmOption(QWidget* main, bool openThisFileNextTime) : QDialog(main, Qt::Tool | ui::FixedFrame)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("オプション"));
    setFixedSize(ui::twipsSize(5175, 3195));

    const QList<Control> controls = {
        {Kind::Frame, "Frame1", "起動の設定(次回,Keyfold起動時に有効)", 120, 120, 4935, 975, 2},
        {Kind::CheckBox, "Check1", "次回から、現在のマスターキーでログオンする", 120, 240, 4575, 255, 3, 0, "Frame1"},
        {Kind::CheckBox, "Check2", "次回から、今開いているファイルを開く", 120, 600, 4695, 255, 4, 0, "Frame1"},
        {Kind::Frame, "Frame2", "その他の設定", 120, 1200, 4935, 1335, 5},
        {Kind::CheckBox, "Check4", "ファイルに暗号処理をしてKeyfold暗号ファイルにする", 120, 240, 4695, 255, 7,
         ui::Disabled, "Frame2"},
        {Kind::CheckBox, "Check3", "入力された全部のパスワードを表示しない", 120, 600, 4695, 255, 6, ui::Disabled,
         "Frame2"},
        {Kind::CheckBox, "Check5", "終了時に自動保存する", 120, 960, 4695, 255, 8, 0, "Frame2"},
        {Kind::Button, "Command3", "O.K", 2520, 2760, 1215, 375, 1},
        {Kind::Button, "Command4", "キャンセル", 3840, 2760, 1215, 375, 0, ui::DefaultButton},
    };
    const QList<ui::Line> lines = {
        {120, 2625, 5040, 2625, QColor(128, 128, 128), 1, QStringLiteral("Line1(1)")},
        {120, 2640, 5040, 2640, Qt::white, 1, QStringLiteral("Line1(0)")},
    };
    const ui::BuiltForm form = ui::buildForm(this, controls, lines);
    Frame1 = form.get<QGroupBox>(QStringLiteral("Frame1"));
    Frame2 = form.get<QGroupBox>(QStringLiteral("Frame2"));
    Check1 = form.get<ui::WrapCheckBox>(QStringLiteral("Check1"));
    Check2 = form.get<ui::WrapCheckBox>(QStringLiteral("Check2"));
    Check3 = form.get<ui::WrapCheckBox>(QStringLiteral("Check3"));
    Check4 = form.get<ui::WrapCheckBox>(QStringLiteral("Check4"));
    Check5 = form.get<ui::WrapCheckBox>(QStringLiteral("Check5"));
    Command3 = form.get<QPushButton>(QStringLiteral("Command3"));
    Command4 = form.get<QPushButton>(QStringLiteral("Command4"));

    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    Form_Load(openThisFileNextTime);
}

void frmOption::Form_Load(bool openThisFileNextTime)
{
    Check2->setChecked(openThisFileNextTime);
}

void frmOption::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the main window; the first showing starts on Cancel, the first place in the tab order.
    ui::centreOver(this, parentWidget()->frameGeometry());
    if (!m_shownBefore) {
        m_shownBefore = true;
        Command4->setFocus();
    }
}

void frmOption::Command3_Click()
{
    login::writeSetting(login::KeyOptionCheck1, login::checkText(Check1->isChecked()));
    emit openThisFileNextTimeChosen(Check2->isChecked());
    login::writeSetting(login::KeyOptionCheck2, login::checkText(Check2->isChecked()));
    login::writeSetting(login::KeyOptionCheck5, login::checkText(Check5->isChecked()));
    emit passwordMaskChosen(Check3->isChecked());
    done(Accepted);
}

void frmOption::Command4_Click()
{
    done(Rejected);
}

void frmOption::reject()
{
    Command4_Click();
}
