#pragma once

#include "store/BookSession.h"
#include "store/FoldedTable.h"
#include "ui/CommonDialog.h"
#include "ui/TextBox.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QWheelEvent;
class frmAbout;
class frmFind;
class frmLogin;
class frmOption;

namespace ui {
class TextBox;
class WrapCheckBox;
} // namespace ui

// The main window: shows one record of the book at a time in thirteen edit boxes, moves between records with the
// scroll bar, edits records, runs the file commands and carries the start-up and exit procedures. Controls and
// handlers keep the names the program's design gives them, so each handler is found at once.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Controls.
    std::array<ui::TextBox*, 13> Text1{};
    QScrollBar* VScroll1 = nullptr;
    QPushButton* Command1 = nullptr;    // Save
    QPushButton* Command2 = nullptr;    // Delete
    QPushButton* Command3 = nullptr;    // Exit
    QPushButton* Command4 = nullptr;    // Add, the default button
    QPushButton* Command5 = nullptr;    // Clear
    QPushButton* Command6 = nullptr;    // Overwrite
    QPushButton* Command7 = nullptr;    // Open
    ui::WrapCheckBox* Check1 = nullptr; // open this file next time
    QLabel* Label8 = nullptr;           // the product banner
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuSetup = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuNew = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuDel = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuEditAs = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuFind = nullptr;     // 検索, Ctrl+F
    QAction* mnuFindNext = nullptr; // 次を検索, F3
    QAction* mnuChange = nullptr;
    QAction* mnuOption = nullptr;
    QAction* mnuVer = nullptr;
    ui::CommonDialog CommonDialog1;

    // Start-up and exit. Form_Load returns false when the program ended during start-up (the master key was not
    // given); the window is then not to be shown. A book given on the command line opens in place of the one the
    // start-up would open, or of the empty book.
    bool Form_Load(const QString& commandLineBook = QString());
    void Form_Unload(bool& cancel);
    void Command3_Click();
    void mnuExit_Click();

    // Record view and navigation.
    void DispDataClear();
    void DispdataOutPut();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void Text1_Change(int index);
    void Text1_GotFocus(int index);
    void Text1_DblClick(int index);
    void Check1_Click();

    // Record editing.
    void Command4_Click();
    void Command6_Click();
    void Command5_Click();
    void mnuAdd_Click() { Command4_Click(); }
    void mnuEditAs_Click() { Command6_Click(); }
    void mnuClear_Click() { Command5_Click(); }

    // Records from the keyboard and the wheel, and finding a record. moveToRecord moves the view as a click on the
    // scroll bar does and leaves box 0 focused with its text selected; false when the position is out of range or
    // already shown.
    bool moveToRecord(int position);
    void mnuFind_Click();
    void mnuFindNext_Click();
    // The record where the text is found, searching after the view position and ending with it; -1 when none.
    int findRecord(const QString& text, bool allFields);
    frmFind& findForm(); // loaded on first use and kept for the run, with its text and check box

    // File commands and the data file.
    void Command7_Click();
    void Command1_Click();
    void Command2_Click();
    void mnuNew_Click();
    void mnuOpen_Click() { Command7_Click(); }
    void mnuSave_Click() { Command1_Click(); }
    void mnuDel_Click() { Command2_Click(); }
    void DataOpen();
    // Saves to DataFileName and says so; a failure is shown, a declined save says nothing. False when not saved.
    bool DataSave();
    void DataKill();
    // The book on disk: its file, what was last read or written, what counts as unsaved.
    store::BookSession& book() { return m_book; }

    // Ending without the window (SIGTERM, SIGHUP, SIGINT): unsaved changes (whatever Save shows) go to the book's
    // file where the auto-save option allows, else into a rescue copy; the settings are stored as a normal exit
    // does and the program ends. During the master-key dialog it ends the program and writes nothing.
    void endWithoutWindow();
    // The session is ending (the session manager's commit-data request). With interaction allowed the user is asked
    // as at exit; otherwise the book is saved or rescued as by endWithoutWindow(). The program goes on running
    // either way. Returns true when the user cancelled, which cancels the logout.
    bool commitSession(bool interactionAllowed);

    // Dialogs.
    void mnuOption_Click();
    void mnuChange_Click();
    void mnuVer_Click();
    frmOption& optionForm(); // loads the options dialog, hidden, on first use
    frmAbout* aboutBox() const;

    // After the reorder dialog has written a new order: show the first record at position 0 and mark the book
    // as changed, so the boxes never show one record's fields at another record's position.
    void showReorderedBook();

    // The banner as designed, before start-up adds the version.
    static QString bannerText();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectHandlers();
    // The one way in for every command the user gives (buttons, menu entries, Enter, record keys, the wheel, closing
    // the window).
    void userCommand(const std::function<void()>& handler);
    void centreOnScreen();
    void setCaption(const QString& path);
    // Add, Overwrite and Clear follow from the view position and box 0.
    void applyRecordCommandStates();
    bool saveThroughDialog();                         // Save's steps; false when cancelled or failed
    bool saveBeforeLeavingBook(const QString& title); // the question before New or Open; false to stop
    bool saveAtExit();
    static store::BookSession::AskOverwrite askOverwrite();
    bool showSave(const store::SaveResult& result); // the messages and states after a save; true when saved
    void nameRescueCopies();
    // The exit's question about unsaved changes, and the save it leads to; false when the user stays.
    bool settleUnsavedChanges();
    // Saves under the name chosen in the save dialog; a save that fails keeps the name the book had before.
    bool saveUnderChosenName();
    void storeExitSettings();
    void watchSessionEnd();
    void reportCellsASaveChanges();
    // The book's unsaved changes, without a window: to its file when auto-save allows it, else to a rescue copy.
    void saveOrRescueQuietly();
    // Add and Overwrite store only what a book file gives back: false when a box holds what it cannot.
    bool boxesCanBeStored(const QString& title);
    void describePosition(); // the accessible description of the scroll bar and box 0
    void presentBox0Again(); // after a move that left the focus in box 0
    void updateFindEntries();
    bool navigationKey(const QKeyEvent& event);
    bool recordWheel(const QWheelEvent& event, QPointF clientPosition);
    void showFound(int position);

    store::BookSession m_book;
    bool m_running = false; // the start-up is over and the window is in use
    QPointer<frmOption> m_option;
    QPointer<frmLogin> m_login;
    QPointer<frmAbout> m_about;
    QPointer<frmFind> m_find;
    store::FoldedTable m_folded;
    QString m_lastFind; // the text of the last search, for F3
    bool m_lastFindAll = false;
    int m_findHit = -1;   // where the find dialog's last search hit
    int m_wheelDelta = 0; // wheel units not yet worth a record
};

// Enables or disables a button and its menu entry together.
void setEnabledPair(QPushButton* button, QAction* menuEntry, bool enabled);
