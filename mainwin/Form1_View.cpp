// Record view and navigation: the scroll bar picks the slot the thirteen boxes show.
#include "mainwin/Form1.h"

#include "login/frmOption.h"
#include "store/Module1.h"
#include "ui/WrapCheckBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace Module1;

void Form1::DispDataClear()
{
    for (int i = 0; i <= LastField; ++i) {
        Text1[i]->setText(QString());
    }
}

void Form1::DispdataOutPut()
{
    for (int i = 0; i <= LastField; ++i) {
        Text1[i]->setText(RecordTable[0][i]);
    }
}

void Form1::applyRecordCommandStates()
{
    const bool blank = VScroll1->value() == VScroll1->maximum();
    setEnabledPair(Command6, mnuEditAs, !blank);
    setEnabledPair(Command5, mnuClear, !blank);
    setEnabledPair(Command4, mnuAdd, blank && !Text1[0]->text().isEmpty());
}

void Form1::VScroll1_Change()
{
    const int position = VScroll1->value();
    // Each box that changes runs Text1_Change at once, with the new position already in force.
    for (int i = 0; i <= LastField; ++i) {
        Text1[i]->setText(RecordTable[position][i]);
    }
    applyRecordCommandStates();
    Text1[0]->setFocus();
}

void Form1::VScroll1_Scroll()
{
    // While the thumb is dragged the boxes follow it.
    VScroll1_Change();
}

void Form1::Text1_Change(int /*index*/)
{
    // Only the blank position reacts, and only to box 0: no record is added without a provider name.
    if (VScroll1->value() != VScroll1->maximum()) {
        return;
    }
    applyRecordCommandStates();
}

void Form1::Text1_GotFocus(int index)
{
    QLineEdit* box = Text1[index];
    if (!box->text().isEmpty()) {
        box->setSelection(0, static_cast<int>(box->text().size()));
    }
}

void Form1::Text1_DblClick(int index)
{
    // A double-click selects the whole text, not one word.
    Text1_GotFocus(index);
}

void Form1::Check1_Click()
{
    optionForm().Check2->setChecked(Check1->isChecked());
}
