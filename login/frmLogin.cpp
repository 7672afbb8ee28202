#include "login/frmLogin.h"

#include "store/Module1.h"
#include "ui/FormBuilder.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompts.h"
#include "ui/Twips.h"
#include "ui/Windows.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using ui::Control;
using ui::Kind;

frmLogin::frmLogin(QWidget* parent) : QDialog(parent, Qt::Dialog | ui::FixedFrame)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("マスターキーの入力"));
    setWindowIcon(QIcon(QStringLiteral(":/keyfold/icon.png")));
    setFixedSize(ui::twipsSize(3735, 1170));

    const QList<Control> controls = {
        {Kind::Label, "lblLabels", "ﾊﾟｽﾜｰﾄﾞ(&P):", 120, 240, 1080, 270, 0},
        {Kind::Edit, "txtPassword", {}, 1320, 165, 2205, 345, 1, ui::Password | ui::NoInputMethod},
        {Kind::Button, "cmdOK", "OK", 480, 720, 1140, 390, 2, ui::DefaultButton},
        {Kind::Button, "cmdCancel", "ｷｬﾝｾﾙ", 2085, 720, 1140, 390, 3},
    };
    const QList<ui::Line> lines = {
        {-15, 600, 3705, 600, QColor(128, 128, 128), 1, QStringLiteral("Line1(0)")},
        {-15, 585, 3705, 585, Qt::white, 1, QStringLiteral("Line1(1)")},
    };
    const ui::BuiltForm form = ui::buildForm(this, controls, lines);
    lblLabels = form.get<QLabel>(QStringLiteral("lblLabels"));
    txtPassword = form.get<QLineEdit>(QStringLiteral("txtPassword"));
    cmdOK = form.get<QPushButton>(QStringLiteral("cmdOK"));
    cmdCancel = form.get<QPushButton>(QStringLiteral("cmdCancel"));
    lblLabels->setBuddy(txtPassword);
    txtPassword->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmLogin::cmdOK_Click()
{
    if (txtPassword->text() == Module1::MasterKey) {
        LoginSucceeded = true;
        Module1::LoginResult = Module1::LoginAccepted;
        done(Accepted);
        return;
    }
    if (ui::Prompts::message(QStringLiteral("マスターキーの新規作成でしょうか？"), QStringLiteral("マスターキーの入力"),
                             ui::Buttons::YesNo) == ui::Answer::Yes) {
        if (!txtPassword->text().isEmpty()) {
            LoginSucceeded = true;
            done(Accepted);
            Module1::LoginResult = Module1::LoginNewKey;
            return;
        }
        ui::Prompts::message(QStringLiteral("マスターキーが入力されていません"),
                             QStringLiteral("マスターキーの新規作成"));
    }
    selectWholeKey();
    Module1::LoginResult = Module1::LoginRefused;
}

void frmLogin::selectWholeKey()
{
    // The refused key stays in the box, selected, so the next typing replaces it.
    txtPassword->setFocus();
    txtPassword->home(false);
    txtPassword->end(true);
}

void frmLogin::cmdCancel_Click()
{
    LoginSucceeded = false;
    done(Rejected);
    ui::ProgramEnd::now();
}

void frmLogin::reject()
{
    cmdCancel_Click();
}
