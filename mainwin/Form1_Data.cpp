// Moving the book between the record table and its data file.
#include "mainwin/Form1.h"

#include "mainwin/FieldNames.h"
#include "store/DataFile.h"
#include "store/FileErrors.h"
#include "store/Module1.h"
#include "ui/Prompts.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

using namespace Module1;
using ui::Prompts;

void Form1::DataOpen()
{
    LastField = FieldCount - 1;
    clearWholeTable();
    const store::ReadResult read = store::readBookFile(DataFileName, RecordTable);
    if (read.error == store::FileError::None) {
        RecordCount = static_cast<std::int16_t>(read.recordCount);
        VScroll1->setMaximum(RecordCount);
        VScroll1->setValue(0);
        // The states follow the view position and box 0 even when the view already stood at 0 and no change
        // event ran.
        applyRecordCommandStates();
        setEnabledPair(Command2, mnuDel, true);
        setCaption(DataFileName);
        if (RecordCount > 0) {
            mnuChange->setEnabled(true); // a book just read can be reordered
        }
        m_bookFile = read.stamp;
        m_bookFileUnreadable = false;
        if (read.utf8) {
            reportUnstorableCells();
        }
        updateFindEntries();
        return;
    }

    // A failed read leaves an empty book, never half of one that a later save would write out. Nor is the empty book
    // written over a file that exists but did not read: it has no file to save to until the user picks one. A file
    // that is not there simply becomes the new book's file.
    clearWholeTable();
    m_bookFile = {};
    m_bookFileUnreadable = read.error != store::FileError::FileNotFound;
    if (m_bookFileUnreadable) {
        setEnabledPair(Command2, mnuDel, false);
    }
    const QString description = store::errorDescription(read.error);
    if (read.error == store::FileError::FileNotFound) {
        Prompts::message(QStringLiteral("Keyfold(") + DataFileName + QStringLiteral(")\r") + description);
        Check1->setChecked(false);
    } else if (read.error == store::FileError::InputPastEndOfFile) {
        Prompts::message(QStringLiteral("Keyfold") + description);
    } else {
        Prompts::message(description);
    }
    VScroll1->setMaximum(0);
    RecordCount = 0;
    applyRecordCommandStates();
    setWindowTitle(QStringLiteral("新規 - Keyfold"));
    mnuChange->setEnabled(false);
    updateFindEntries();
}

int Form1::DataSave(bool quiet)
{
    // Another Keyfold, or any other program, may have written the book's file since this one read or wrote it.
    if (store::samePath(DataFileName, m_bookFile.path) && store::checkFile(m_bookFile) == store::FileChange::Changed) {
        if (quiet ||
            Prompts::message(QStringLiteral("このファイルは他のプログラムによって変更されています。上書きしますか?"),
                             QString(), ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes) {
            return SaveDeclined;
        }
    }
    store::FileStamp written;
    const int error = store::writeBookFile(DataFileName, RecordTable, RecordCount, &written);
    if (error != store::FileError::None) {
        return error;
    }
    m_bookFile = written;
    m_bookFileUnreadable = false;
    if (!quiet) {
        Prompts::message(DataFileName + QStringLiteral("に保存しました"));
    }
    setEnabledPair(Command2, mnuDel, true);
    setEnabledPair(Command1, mnuSave, false);
    setCaption(DataFileName);
    return 0;
}

void Form1::reportUnstorableCells()
{
    // A spreadsheet's UTF-8 file may hold characters that the book's own format cannot; say which before any save
    // turns them into "?".
    constexpr int Shown = 5;
    const QList<store::UnstorableCell> cells = store::unstorableCells(RecordTable, RecordCount, Shown + 1);
    if (cells.isEmpty()) {
        return;
    }
    QString text = QStringLiteral("このファイルには、保存すると「?」に置き換わる文字があります。");
    for (const store::UnstorableCell& cell : cells.first(std::min<qsizetype>(cells.size(), Shown))) {
        text +=
            QStringLiteral("\nレコード %1「%2」: %3").arg(cell.record + 1).arg(fieldName(cell.field), cell.characters);
    }
    if (cells.size() > Shown) {
        text += QStringLiteral("\n…");
    }
    Prompts::message(text);
}

void Form1::DataKill()
{
    if (Prompts::message(QStringLiteral("このファイルを消しますか?"), QStringLiteral("削除"), ui::Buttons::OkCancel,
                         ui::Answer::Ok) != ui::Answer::Ok) {
        return;
    }
    const int error = store::deleteBookFile(DataFileName);
    if (error != store::FileError::None) {
        Prompts::message(store::errorDescription(error));
        return;
    }
    for (int i = 0; i <= LastField; ++i) {
        Text1[i]->setText(QString());
    }
    setEnabledPair(Command2, mnuDel, false);
}
