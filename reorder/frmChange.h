#pragma once

#include "store/Module1.h"

#include <QDialog>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// The reorder dialog: the user moves the records of the book up and down, one place at a time, on a working copy.
// The shared RecordTable changes only through Apply and O.K; Cancel, Escape and the close box write nothing.
// It is loaded at every opening (the main window builds it on the stack and runs it modally), so nothing carries
// over from one opening to the next.
class frmChange : public QDialog
{
    Q_OBJECT
public:
    explicit frmChange(QWidget* main);
    ~frmChange() override;

    // Controls.
    QListWidget* List1 = nullptr;    // the provider names in record order
    QPushButton* Command1 = nullptr; // 上へ
    QPushButton* Command2 = nullptr; // 下へ
    QPushButton* Command3 = nullptr; // O.K
    QPushButton* Command4 = nullptr; // キャンセル, default and cancel button
    QPushButton* Command5 = nullptr; // 適用
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr; // the selected position, counted from 0
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr; // the selected provider name
    QLabel* Label5 = nullptr;

    // The working copy: one entry per record of the book when the dialog was loaded, addressed [record][field]
    // like RecordTable. Only the records in use are copied, so the dialog stays small on the caller's stack.
    std::vector<Module1::Record> WorkTable;
    // The selected record's fields and list text, taken from the working copy at the last selection change.
    Module1::Record SelectedFields;
    QString SelectedName;

    void List1_Click();
    void Command1_Click(); // Up
    void Command2_Click(); // Down
    void Command5_Click(); // Apply
    void Command3_Click(); // O.K
    void Command4_Click(); // Cancel

    // Every way of closing (O.K, Cancel, Escape, Enter on Cancel, the close box) ends here.
    void done(int result) override;

signals:
    // A new order is in RecordTable that the main window does not show yet: it is to show the first record at
    // position 0 and mark the book as changed. Emitted by O.K before the dialog closes, and on closing after an
    // Apply that O.K did not follow.
    void reordered();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();
    void writeWorkTable(); // the whole working copy into RecordTable
    void showSelection();  // Label2 and Label4 from the current entry
    void afterMove();
    int workCount() const { return static_cast<int>(WorkTable.size()); }

    // An Apply wrote a new order that the main window has not been shown yet.
    bool m_mainOutOfDate = false;
};
