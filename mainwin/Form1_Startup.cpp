// Start-up and exit of the program.
#include "mainwin/Form1.h"

#include "generated/Version.h"
#include "login/Settings.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "store/Module1.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompts.h"
#include "ui/WrapCheckBox.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

using namespace Module1;
using ui::Prompts;

namespace {

const QString DefaultDataFile = QStringLiteral("keyfold.kf1");
const QString BuiltInMasterKey = QStringLiteral("wqz");

} // namespace

bool Form1::Form_Load(const QString& commandLineBook)
{
    LoginResult = LoginAccepted;
    RecordCount = 0;
    m_book.setFileName(QString());
    LastField = FieldCount - 1;
    MasterKey = BuiltInMasterKey;
    Label8->setText(bannerText() + QStringLiteral(" %1.%2.%3")
                                       .arg(keyfold::VersionMajor)
                                       .arg(keyfold::VersionMinor)
                                       .arg(keyfold::VersionRevision));

    m_book.setFileName(login::readSetting(login::KeyFileName));
    Check1->setChecked(login::checkValue(login::readSetting(login::KeyCheck1)) == 1);
    frmOption& options = optionForm();
    options.Check1->setChecked(login::checkValue(login::readSetting(login::KeyOptionCheck1)) == 1);
    options.Check5->setChecked(login::checkValue(login::readSetting(login::KeyOptionCheck5)) == 1);

    if (!options.Check1->isChecked()) {
        if (!m_login) {
            m_login = new frmLogin();
        }
        m_login->exec();
        if (!m_login->LoginSucceeded) {
            return false; // Cancel ended the program
        }
    }

    // The new-key branch, the remembered book or the empty book; a book given on the command line then takes the
    // place of the branch's own file, after the branch's other steps.
    if (LoginResult == LoginNewKey) {
        options.Check1->setChecked(false);
        options.Check5->setChecked(false);
        Check1->setChecked(false);
        VScroll1->setMaximum(0);
        RecordCount = 0;
        m_book.setFileName(DefaultDataFile);
    } else if (DataFileName.isEmpty()) {
        setWindowTitle(QStringLiteral("新規 - Keyfold"));
        VScroll1->setMaximum(0);
        RecordCount = 0;
        mnuChange->setEnabled(false);
        updateFindEntries();
    }
    if (!commandLineBook.isEmpty()) {
        m_book.setFileName(commandLineBook);
    }
    if (!DataFileName.isEmpty()) {
        DataOpen();
    }
    DispdataOutPut();
    m_running = true;
    nameRescueCopies();
    return true;
}

bool Form1::saveAtExit()
{
    // A book never given a name, whose file failed to read or is not a book this program wrote, gets its file from
    // the save dialog, which offers that file so that writing over it is the user's own choice. Cancelling keeps the
    // program running.
    if (m_book.needsSaveDialog()) {
        CommonDialog1.DialogTitle = QStringLiteral("ファイルを保存する");
        if (!DataFileName.isEmpty()) {
            CommonDialog1.FileName = DataFileName;
        }
        return CommonDialog1.ShowSave() && saveUnderChosenName();
    }
    return DataSave();
}

void Form1::nameRescueCopies()
{
    // After a logout nobody saw where the unsaved changes went: the next start says so, once.
    const QStringList copies = login::takeRescueCopies();
    if (!copies.isEmpty()) {
        Prompts::message(QStringLiteral("前回の終了時に保存されていなかった変更を、次のファイルに保存しました。\n") +
                         copies.join(QLatin1Char('\n')));
    }
}

void Form1::storeExitSettings()
{
    if (Check1->isChecked()) {
        login::writeSetting(login::KeyFileName, DataFileName);
        login::writeSetting(login::KeyCheck1, QStringLiteral("1"));
    } else {
        login::writeSetting(login::KeyFileName, QString());
        login::writeSetting(login::KeyCheck1, QStringLiteral("0"));
    }
}

bool Form1::settleUnsavedChanges()
{
    if (!Command1->isEnabled()) {
        return true;
    }
    bool save = optionForm().Check5->isChecked();
    if (!save) {
        const ui::Answer answer = Prompts::message(QStringLiteral("このファイルを保存しますか?"), QString(),
                                                   ui::Buttons::YesNoCancel, ui::Answer::Yes);
        if (answer == ui::Answer::Cancel) {
            return false;
        }
        save = answer == ui::Answer::Yes;
    }
    return !save || saveAtExit();
}

void Form1::Form_Unload(bool& cancel)
{
    // The close of the quit that ends the desktop session was answered already, when the session began to end.
    if (!m_book.exitAlreadyAnswered(RecordTable, RecordCount) && !settleUnsavedChanges()) {
        cancel = true;
        return;
    }
    storeExitSettings();
    ui::ProgramEnd::now();
}

void Form1::Command3_Click()
{
    // Called directly: the window is not being closed by the toolkit, so a Cancel simply leaves it open.
    bool cancel = false;
    Form_Unload(cancel);
}

void Form1::mnuExit_Click()
{
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (ui::ProgramEnd::ended()) {
        event->accept();
        return;
    }
    bool cancel = false;
    userCommand([this, &cancel] { Form_Unload(cancel); });
    if (cancel) {
        event->ignore();
    } else {
        event->accept();
    }
}
