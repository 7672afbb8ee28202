// New, Open, Save and Delete: the file commands, choosing files through the one file dialog.
#include "mainwin/Form1.h"

#include "store/FileErrors.h"
#include "store/Module1.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QPushButton>
#include <QScrollBar>

using namespace Module1;
using ui::Prompts;

namespace {

const QString SaveQuestion = QStringLiteral("このファイルを保存しますか?");

} // namespace

bool Form1::saveThroughDialog()
{
    CommonDialog1.DialogTitle = QStringLiteral("ファイルを保存する");
    if (!CommonDialog1.ShowSave()) {
        return false; // a cancelled dialog changes nothing and says nothing
    }
    if (!saveUnderChosenName()) {
        return false;
    }
    setCaption(DataFileName);
    return true;
}

bool Form1::saveUnderChosenName()
{
    const QString previous = DataFileName;
    DataFileName = CommonDialog1.FileName;
    const int error = DataSave();
    if (error == store::FileError::None) {
        return true;
    }
    // Save stays enabled, and the old file is untouched because the write replaces it only when complete. The book
    // keeps the name it had: the caption, Delete and the save at exit all still mean the file that was open.
    DataFileName = previous;
    if (error != SaveDeclined) {
        Prompts::message(store::errorDescription(error));
    }
    return false;
}

bool Form1::saveBeforeLeavingBook(const QString& title)
{
    if (!Command1->isEnabled()) {
        return true;
    }
    switch (Prompts::message(SaveQuestion, title, ui::Buttons::YesNoCancel, ui::Answer::Yes)) {
    case ui::Answer::Yes:
        return saveThroughDialog();
    case ui::Answer::No:
        return true;
    default:
        return false;
    }
}

void Form1::Command7_Click()
{
    // Opening replaces the book, so unsaved changes are offered for saving first.
    if (!saveBeforeLeavingBook(QStringLiteral("開く"))) {
        return;
    }
    CommonDialog1.DialogTitle = QStringLiteral("ファイルを開く");
    if (!CommonDialog1.ShowOpen()) {
        return;
    }
    DataFileName = CommonDialog1.FileName;
    DataOpen();
    DispdataOutPut();
    setCaption(DataFileName);
    // The book now in memory is what the file holds (or nothing, after a failed read): nothing to save.
    setEnabledPair(Command1, mnuSave, false);
}

void Form1::Command1_Click()
{
    saveThroughDialog();
}

void Form1::Command2_Click()
{
    DataKill();
}

void Form1::mnuNew_Click()
{
    if (!saveBeforeLeavingBook(QStringLiteral("新規"))) {
        return;
    }
    TableClear();
    setEnabledPair(Command1, mnuSave, false);
    setEnabledPair(Command2, mnuDel, false);
    setEnabledPair(Command4, mnuAdd, false);
    setEnabledPair(Command5, mnuClear, false);
    setEnabledPair(Command6, mnuEditAs, false);
    VScroll1->setMaximum(0);
    RecordCount = 0;
    DataFileName = QStringLiteral("新規");
    m_bookFile = {}; // whatever file is called so has never been this book's
    m_bookFileUnreadable = false;
    setCaption(DataFileName);
    mnuChange->setEnabled(false);
    updateFindEntries();
    DispDataClear();
    TableClear();
}
