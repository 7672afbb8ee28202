// Moving the book between the record table and its data file.
#include "mainwin/Form1.h"

#include "store/DataFile.h"
#include "store/FileErrors.h"
#include "store/Module1.h"
#include "ui/Prompts.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

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
        updateFindEntries();
        return;
    }

    // A failed read leaves an empty book, never half of one that a later save would write out.
    clearWholeTable();
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

int Form1::DataSave()
{
    const int error = store::writeBookFile(DataFileName, RecordTable, RecordCount);
    if (error != store::FileError::None) {
        return error;
    }
    Prompts::message(DataFileName + QStringLiteral("に保存しました"));
    setEnabledPair(Command2, mnuDel, true);
    setEnabledPair(Command1, mnuSave, false);
    setCaption(DataFileName);
    return 0;
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
