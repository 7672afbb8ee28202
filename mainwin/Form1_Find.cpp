// Finding a record: 編集 > 検索 (Ctrl+F) asks for a text in the find dialog, 編集 > 次を検索 (F3) repeats the last
// search. A search starts after the record shown, wraps round once and ends with the record shown itself.
#include "mainwin/Form1.h"

#include "mainwin/frmFind.h"
#include "store/Module1.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QScrollBar>

using namespace Module1;

namespace {

void reportNotFound(const QString& text)
{
    ui::Prompts::message(QStringLiteral("「%1」は見つかりません。").arg(text), QStringLiteral("検索"));
}

} // namespace

void Form1::updateFindEntries()
{
    // There is something to find while the book holds records.
    mnuFind->setEnabled(RecordCount > 0);
    mnuFindNext->setEnabled(RecordCount > 0);
}

int Form1::findRecord(const QString& text, bool allFields)
{
    return m_folded.find(RecordTable, RecordCount, VScroll1->value(), text, allFields);
}

frmFind& Form1::findForm()
{
    if (!m_find) {
        m_find = new frmFind(*this, [this](const QString& text, bool allFields) {
            m_lastFind = text;
            m_lastFindAll = allFields;
            const int found = findRecord(text, allFields);
            if (found < 0) {
                reportNotFound(text);
                return false;
            }
            m_findHit = found;
            return true;
        });
    }
    return *m_find;
}

void Form1::showFound(int position)
{
    if (position == VScroll1->value()) {
        // A hit on the record shown leaves the view where it is.
        Text1[0]->setFocus();
        Text1_GotFocus(0);
        return;
    }
    moveToRecord(position);
}

void Form1::mnuFind_Click()
{
    m_findHit = -1;
    if (findForm().exec() == QDialog::Accepted && m_findHit >= 0) {
        showFound(m_findHit);
    }
}

void Form1::mnuFindNext_Click()
{
    if (m_lastFind.isEmpty()) {
        mnuFind_Click();
        return;
    }
    const int found = findRecord(m_lastFind, m_lastFindAll);
    if (found < 0) {
        reportNotFound(m_lastFind);
        return;
    }
    showFound(found);
}
