#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The master-key dialog: guards the start of the program. It compares the typed key with the built-in master key
// and reports the outcome in Module1::LoginResult; Cancel, Escape and the close box end the program.
class frmLogin : public QDialog
{
    Q_OBJECT
public:
    explicit frmLogin(QWidget* parent = nullptr);

    QLabel* lblLabels = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // True when the dialog hid itself after the right key or a new key.
    bool LoginSucceeded = false;

    void cmdOK_Click();
    void cmdCancel_Click();

    // Escape and the close box: the key cannot be skipped by closing the dialog.
    void reject() override;

private:
    void selectWholeKey();
};
