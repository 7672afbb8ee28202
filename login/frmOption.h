#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;

namespace ui {
class WrapCheckBox;
}

// The options dialog. Its check boxes hold the options for the whole run: it is loaded once, at start-up, and
// only hidden afterwards. O.K stores three of them; Cancel only hides the dialog. What O.K means for the main window
// it says through its signals, in the order O.K takes its steps; the window connects them directly.
class frmOption : public QDialog
{
    Q_OBJECT
public:
    // Check2 starts as the main window's "open this file next time" box stands.
    frmOption(QWidget* main, bool openThisFileNextTime);

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

signals:
    // O.K: the main window's "open this file next time" box is to take Check2's value.
    void openThisFileNextTimeChosen(bool checked);
    // O.K: the three password boxes of the main window are to be masked, or shown as typed.
    void passwordMaskChosen(bool masked);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load(bool openThisFileNextTime);

    bool m_shownBefore = false;
};
