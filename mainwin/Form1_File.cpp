// New, Open, Save and Delete: the file commands, choosing files through the one file dialog.
#include "mainwin/Form1.h"

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
    m_book.setFileName(CommonDialog1.FileName);
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
    m_book.startNew(); // DataFileName is "新規" from here on
    setCaption(DataFileName);
    mnuChange->setEnabled(false);
    updateFindEntries();
    DispDataClear();
    TableClear();
}
