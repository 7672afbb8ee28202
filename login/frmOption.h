#pragma once

#include <QDialog>

class Form1;
class QGroupBox;
class QPushButton;

namespace ui {
class WrapCheckBox;
}

// The options dialog. Its check boxes hold the options for the whole run: it is loaded once, at start-up, and
// only hidden afterwards. O.K stores three of them; Cancel only hides the dialog.
class frmOption : public QDialog
{
    Q_OBJECT
public:
    explicit frmOption(Form1& main);

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    ui::WrapCheckBox* Check1 = nullptr; // skip the master-key dialog at start
    ui::WrapCheckBox* Check2 = nullptr; // reopen the current file next time; mirrors the main window's Check1
    ui::WrapCheckBox* Check3 = nullptr; // mask the password boxes (never enabled)
    ui::WrapCheckBox* Check4 = nullptr; // encipher the data file (never enabled)
    ui::WrapCheckBox* Check5 = nullptr; // save automatically on exit
    QPushButton* Command3 = nullptr;    // O.K
    QPushButton* Command4 = nullptr;    // キャンセル, default and cancel button

    void Command3_Click();
    void Command4_Click();

    // The close box hides the dialog like Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();

    Form1& m_main;
    bool m_shownBefore = false;
};
