#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ui {
class WrapCheckBox;
}

// The find dialog: the text sought, whether all thirteen fields are searched or the provider name only, and the
// buttons 次を検索 (the default) and キャンセル. It is modal; the main window keeps it for the whole run, so the text
// and the check box stay as the user left them (they are not stored between runs).
class frmFind : public QDialog
{
    Q_OBJECT
public:
    // `search` looks for the text and reports whether a record was found; the dialog closes on a hit and keeps the
    // text selected otherwise.
    using Search = std::function<bool(const QString& text, bool allFields)>;
    frmFind(QWidget& owner, Search search);

    QLineEdit* txtFind = nullptr;
    ui::WrapCheckBox* chkAll = nullptr; // すべての項目を検索
    QPushButton* cmdFindNext = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdFindNext_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget& m_owner;
    Search m_search;
};
