#include "reorder/frmChange.h"

#include "ui/Fonts.h"
#include "ui/FormBuilder.h"
#include "ui/Twips.h"
#include "ui/Windows.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

using namespace Module1;
using ui::Control;
using ui::Kind;

namespace {

constexpr int ClientWidth = 5475;
constexpr int ClientHeight = 4050;
const QColor NameBoxColour(192, 192, 255);

QList<Control> controlTable()
{
    // List1 comes first so that it is first in the focus chain and holds the focus when the dialog opens.
    return {
        {Kind::List, "List1", {}, 120, 1080, 3975, 2220, 0},
        {Kind::Button, "Command1", "上へ(&U)", 4200, 1080, 1215, 375, 1, ui::Disabled},
        {Kind::Button, "Command2", "下へ(&D)", 4200, 1560, 1215, 375, 2, ui::Disabled},
        {Kind::Button, "Command5", "適用(&T)", 4200, 2040, 1215, 375, 5, ui::Disabled},
        {Kind::Button, "Command3", "O.K", 2760, 3600, 1215, 375, 3, ui::Disabled},
        {Kind::Button, "Command4", "キャンセル", 4200, 3600, 1215, 375, 4, ui::DefaultButton},
        // 135 twips wider than designed: in a Gothic face of fixed width the heading needs ten full cells.
        {Kind::Label, "Label5", "選択したプロバイダ名", 120, 120, 1830, 375, 10},
        {Kind::Label, "Label4", {}, 135, 480, 3960, 240, 9, ui::Bordered, {}, NameBoxColour},
        {Kind::Label, "Label3", "選択番号", 2880, 120, 735, 255, 8},
        {Kind::Label, "Label2", {}, 3720, 120, 375, 255, 7, ui::Bordered, {}, NameBoxColour},
        {Kind::Label, "Label1", "プロバイダ名一覧", 120, 840, 1935, 255, 6},
    };
}

} // namespace

frmChange::frmChange(QWidget* main) : QDialog(main, Qt::Tool | ui::FixedFrame)
{
    setObjectName(QStringLiteral("frmChange"));
    setWindowTitle(QStringLiteral("レコードの並び替え"));
    setFont(ui::gothicFont(9));
    setFixedSize(ui::twipsSize(ClientWidth, ClientHeight));

    // The etched rule above O.K and Cancel: a grey line over the top pixel of a two-pixel white one.
    const QList<ui::Line> lines = {
        {0, 3480, 5400, 3480, Qt::white, 2, QStringLiteral("Line1(0)")},
        {0, 3480, 5400, 3480, QColor(128, 128, 128), 1, QStringLiteral("Line1(1)")},
    };
    const ui::BuiltForm form = ui::buildForm(this, controlTable(), lines);
    form.get<QWidget>(QStringLiteral("Line1(0)"))->stackUnder(form.get<QWidget>(QStringLiteral("Line1(1)")));
    List1 = form.get<QListWidget>(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    Command1 = form.get<QPushButton>(QStringLiteral("Command1"));
    Command2 = form.get<QPushButton>(QStringLiteral("Command2"));
    Command3 = form.get<QPushButton>(QStringLiteral("Command3"));
    Command4 = form.get<QPushButton>(QStringLiteral("Command4"));
    Command5 = form.get<QPushButton>(QStringLiteral("Command5"));
    Label1 = form.get<QLabel>(QStringLiteral("Label1"));
    Label2 = form.get<QLabel>(QStringLiteral("Label2"));
    Label3 = form.get<QLabel>(QStringLiteral("Label3"));
    Label4 = form.get<QLabel>(QStringLiteral("Label4"));
    Label5 = form.get<QLabel>(QStringLiteral("Label5"));
    // A screen reader names the list by its heading (the list's own accessibility ignores a buddy).
    Label1->setBuddy(List1);
    List1->setAccessibleName(Label1->text());

    // currentRowChanged is emitted before setCurrentRow returns, so a handler that moves the selection has the
    // selected record's fields taken again before it goes on; changing an entry's text does not emit it.
    connect(List1, &QListWidget::currentRowChanged, this, [this] { List1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });

    Form_Load();
}

frmChange::~frmChange() = default;

void frmChange::Form_Load()
{
    const int count = std::clamp(static_cast<int>(RecordCount), 0, MaxRecords);
    WorkTable.assign(count, Record{});
    for (int r = 0; r < count; ++r) {
        for (int f = 0; f <= LastField; ++f) {
            WorkTable[r][f] = RecordTable[r][f];
        }
    }
    for (int r = 0; r < count; ++r) {
        List1->addItem(RecordTable[r][0]);
    }
    // An empty book has no entry 0: nothing is selected, Up and Down stay disabled and only Cancel does anything.
    List1->setCurrentRow(0);
    showSelection();
}

void frmChange::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ui::centreOver(this, parentWidget()->frameGeometry());
}

void frmChange::showSelection()
{
    const int p = List1->currentRow();
    if (p < 0) {
        return;
    }
    Label2->setText(QString::number(p));
    Label4->setText(List1->item(p)->text());
}

void frmChange::List1_Click()
{
    const int p = List1->currentRow();
    if (p < 0) {
        return;
    }
    SelectedName = List1->item(p)->text();
    for (int f = 0; f <= LastField; ++f) {
        SelectedFields[f] = WorkTable[p][f];
    }
    showSelection();
    // Up and Down stay enabled at either end of the list; the moves themselves ignore a step past an end.
    Command1->setEnabled(true);
    Command2->setEnabled(true);
}

void frmChange::Command1_Click()
{
    const int p = List1->currentRow();
    if (p <= 0) {
        return;
    }
    List1->item(p)->setText(List1->item(p - 1)->text());
    List1->item(p - 1)->setText(SelectedName);
    for (int f = 0; f <= LastField; ++f) {
        WorkTable[p][f] = WorkTable[p - 1][f];
        WorkTable[p - 1][f] = SelectedFields[f];
    }
    // The moved record stays selected; List1_Click takes its fields again at the new place.
    List1->setCurrentRow(p - 1);
    afterMove();
}

void frmChange::Command2_Click()
{
    const int p = List1->currentRow();
    if (p < 0 || p >= List1->count() - 1) {
        return;
    }
    List1->item(p)->setText(List1->item(p + 1)->text());
    List1->item(p + 1)->setText(SelectedName);
    for (int f = 0; f <= LastField; ++f) {
        WorkTable[p][f] = WorkTable[p + 1][f];
        WorkTable[p + 1][f] = SelectedFields[f];
    }
    List1->setCurrentRow(p + 1);
    afterMove();
}

void frmChange::afterMove()
{
    showSelection();
    // A move is something to confirm, to apply, or to throw away again with Cancel (even after an Apply).
    Command3->setEnabled(true);
    Command4->setEnabled(true);
    Command5->setEnabled(true);
}

void frmChange::writeWorkTable()
{
    // The whole table in use is written, not only the records that moved.
    for (int r = 0; r < workCount(); ++r) {
        for (int f = 0; f <= LastField; ++f) {
            RecordTable[r][f] = WorkTable[r][f];
        }
    }
}

void frmChange::Command5_Click()
{
    writeWorkTable();
    m_mainOutOfDate = true;
    // What is applied can no longer be cancelled; Cancel returns with the next move.
    Command3->setEnabled(true);
    Command4->setEnabled(false);
}

void frmChange::Command3_Click()
{
    writeWorkTable();
    emit reordered();
    m_mainOutOfDate = false;
    accept();
}

void frmChange::Command4_Click()
{
    reject();
}

void frmChange::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

void frmChange::Form_Unload()
{
    // After an Apply the book already has the new order, but the main window still shows, at its view position,
    // the record that stood there before; an Overwrite would store those fields at the wrong record. So any close
    // after an Apply brings the main window up to date as O.K does.
    if (m_mainOutOfDate) {
        m_mainOutOfDate = false;
        emit reordered();
    }
}
