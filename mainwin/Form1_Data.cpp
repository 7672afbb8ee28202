// Moving the book between the record table and its data file. The rules of the book on disk are the session's
// (store/BookSession.h); here the window shows what they lead to.
#include "mainwin/Form1.h"

#include "mainwin/FieldNames.h"
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
    const store::ReadResult read = m_book.open(RecordTable);
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
        if (!read.isCp932Book()) {
            reportCellsASaveChanges();
        }
        updateFindEntries();
        return;
    }

    if (m_book.fileUnreadable()) {
        setEnabledPair(Command2, mnuDel, false); // the file that failed to read is not the book's to delete
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

store::BookSession::AskOverwrite Form1::askOverwrite()
{
    return [] {
        return Prompts::message(QStringLiteral("このファイルは他のプログラムによって変更されています。上書きしますか?"),
                                QString(), ui::Buttons::YesNo, ui::Answer::No) == ui::Answer::Yes;
    };
}

bool Form1::DataSave()
{
    return showSave(m_book.save(RecordTable, RecordCount, askOverwrite()));
}

bool Form1::saveUnderChosenName()
{
    return showSave(m_book.saveAs(CommonDialog1.FileName, RecordTable, RecordCount, askOverwrite()));
}

bool Form1::showSave(const store::SaveResult& result)
{
    if (result.outcome == store::SaveOutcome::Failed) {
        // Save stays enabled; the old file is as it was.
        if (result.notReadBack) {
            const store::CellNote& cell = *result.notReadBack;
            Prompts::message(
                QStringLiteral("レコード %1「%2」の「%3」はファイルに正しく保存できないため、保存できません。")
                    .arg(cell.record + 1)
                    .arg(fieldName(cell.field), store::visibleCharacters(cell.characters)));
        } else {
            Prompts::message(store::errorDescription(result.error));
        }
    }
    if (!result.saved()) {
        return false; // declined: the user has said so already
    }
    Prompts::message(DataFileName + QStringLiteral("に保存しました"));
    setEnabledPair(Command2, mnuDel, true);
    setEnabledPair(Command1, mnuSave, false);
    setCaption(DataFileName);
    return true;
}

void Form1::reportCellsASaveChanges()
{
    // A file this program did not write may hold what a book file cannot: say which before a save is tried.
    constexpr int Shown = 5;
    const QList<store::CellChange> cells = store::cellsASaveChanges(RecordTable, RecordCount, Shown + 1);
    if (cells.isEmpty()) {
        return;
    }
    QString text = QStringLiteral("このファイルには、保存すると変わる文字や、保存できない文字があります。");
    for (const store::CellChange& cell : cells.first(std::min<qsizetype>(cells.size(), Shown))) {
        QStringList parts;
        for (const store::CharacterChange& change : cell.changes) {
            parts << QStringLiteral("「%1」→「%2」").arg(change.character, change.becomes);
        }
        if (!cell.cut.isEmpty()) {
            parts << QStringLiteral("「%1」は保存できません").arg(store::visibleCharacters(cell.cut));
        }
        text += QStringLiteral("\nレコード %1「%2」: %3")
                    .arg(cell.record + 1)
                    .arg(fieldName(cell.field), parts.join(QStringLiteral("、")));
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
    const store::FileError error = m_book.remove();
    if (error != store::FileError::None) {
        Prompts::message(store::errorDescription(error));
        return;
    }
    for (int i = 0; i <= LastField; ++i) {
        Text1[i]->setText(QString());
    }
    setEnabledPair(Command2, mnuDel, false);
}
