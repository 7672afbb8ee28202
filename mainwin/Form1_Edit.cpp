// Add, Overwrite and Clear: the record commands, working on the table from the thirteen boxes.
#include "mainwin/Form1.h"

#include "mainwin/FieldNames.h"
#include "store/BookFormat.h"
#include "store/Cp932.h"
#include "store/Module1.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace Module1;
using ui::Prompts;

bool Form1::boxesCanBeStored(const QString& title)
{
    // A book file ends a field at a quote followed by blanks and a comma or a line end: such text would come back
    // cut, and shift every later field.
    for (int i = 0; i <= LastField; ++i) {
        const QString cut = store::quoteThatEndsAField(Text1[i]->text());
        if (!cut.isEmpty()) {
            Prompts::message(QStringLiteral("「%1」の「%2」はファイルに正しく保存できないため、登録できません。")
                                 .arg(fieldName(i), store::visibleCharacters(cut)),
                             title);
            Text1[i]->setFocus();
            return false;
        }
    }
    // What comes back from the file as another character ("?" for what code page 932 has no code for, "\\" for the
    // yen sign): the user decides, and the book then holds exactly what a reopened file will show.
    for (int i = 0; i <= LastField; ++i) {
        const QList<store::CharacterChange> changes = store::cp932Changes(Text1[i]->text());
        if (changes.isEmpty()) {
            continue;
        }
        QString becomes;
        for (const store::CharacterChange& change : changes) {
            becomes += change.becomes;
        }
        const QString characters = store::changedCharacters(changes);
        const QString question =
            becomes.count(QLatin1Char('?')) == becomes.size()
                ? QStringLiteral("「%1」の文字「%2」はファイルに保存できません。「?」に置き換えて登録しますか?")
                      .arg(fieldName(i), characters)
                : QStringLiteral("「%1」の文字「%2」はファイルに保存すると「%3」になります。置き換えて登録しますか?")
                      .arg(fieldName(i), characters, becomes);
        if (Prompts::message(question, title, ui::Buttons::OkCancel, ui::Answer::Cancel) != ui::Answer::Ok) {
            Text1[i]->setFocus();
            return false;
        }
        for (int j = i; j <= LastField; ++j) {
            const QString text = Text1[j]->text();
            if (!store::cp932Changes(text).isEmpty()) {
                Text1[j]->setText(store::fromCp932(store::toCp932(text)));
            }
        }
        break;
    }
    return true;
}

void Form1::Command4_Click()
{
    // The blank position needs a slot of its own, so slot 1000 never takes a record.
    if (RecordCount >= MaxRecords) {
        Prompts::message(QStringLiteral("レコードは1000件までしか登録できません。"));
        return;
    }
    if (!boxesCanBeStored(QStringLiteral("追加"))) {
        return;
    }
    for (int i = 0; i <= LastField; ++i) {
        RecordTable[RecordCount][i] = Text1[i]->text();
    }
    ++RecordCount;
    VScroll1->setMaximum(RecordCount);
    // Moving to the new blank position empties the boxes and, box 0 being empty now, disables Add.
    VScroll1->setValue(VScroll1->maximum());
    DispDataClear();
    Text1[0]->setFocus();
    Command1->setEnabled(true);
    mnuSave->setEnabled(true);
    mnuChange->setEnabled(true);
    updateFindEntries();
}

void Form1::Command6_Click()
{
    if (!boxesCanBeStored(QStringLiteral("上書"))) {
        return;
    }
    const int position = VScroll1->value();
    for (int i = 0; i <= LastField; ++i) {
        RecordTable[position][i] = Text1[i]->text();
    }
    Command1->setEnabled(true);
    mnuSave->setEnabled(true);
}

void Form1::Command5_Click()
{
    if (Prompts::message(QStringLiteral("このレコードを消しますか?"), QStringLiteral("クリア"), ui::Buttons::OkCancel,
                         ui::Answer::Ok) != ui::Answer::Ok) {
        return;
    }
    const int position = VScroll1->value();
    // Close the gap; the last move brings the empty blank slot down into the former last record's slot.
    for (int r = position; r <= VScroll1->maximum() - 1; ++r) {
        for (int i = 0; i <= LastField; ++i) {
            RecordTable[r][i] = RecordTable[r + 1][i];
        }
    }
    VScroll1->setMaximum(VScroll1->maximum() - 1);
    --RecordCount;
    for (int i = 0; i <= LastField; ++i) {
        Text1[i]->setText(RecordTable[position][i]);
    }
    Command1->setEnabled(true);
    if (VScroll1->value() == VScroll1->maximum()) {
        setEnabledPair(Command5, mnuClear, false);
        setEnabledPair(Command6, mnuEditAs, false);
        if (RecordCount == 0) {
            Command4->setEnabled(false);
            Text1[0]->setFocus();
        }
    }
    mnuSave->setEnabled(true);
    updateFindEntries();
}
