#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace about {
class ProgramStarter;
class Registry;
} // namespace about

// The About box: the program's title and version over the cloud picture, the maker's banner, and a button that
// starts the platform's system information tool. It is modeless and deletes itself when closed, so the next
// choice of the menu command loads a fresh box.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent);

    QLabel* Image1 = nullptr; // the background picture, behind everything
    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label1 = nullptr; // the maker's banner, first line
    QLabel* Label2 = nullptr; // the maker's banner, second line: the contact address
    QPushButton* cmdSysInfo = nullptr;
    QPushButton* cmdOK = nullptr; // default and cancel button

    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Where cmdSysInfo looks for the tool and how it starts it; the platform's own unless a test says otherwise.
    // Both must outlive the box.
    void useSysInfoSources(about::Registry& registry, about::ProgramStarter& starter);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();

    about::Registry* m_registry;
    about::ProgramStarter* m_starter;
};
