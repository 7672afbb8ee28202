// The main window's controls and menus, as laid out in twips.
#include "mainwin/Form1.h"

#include "mainwin/FieldNames.h"
#include "store/Module1.h"

#include "ui/Fonts.h"
#include "ui/FormBuilder.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"
#include "ui/Windows.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

using ui::Control;
using ui::Kind;

namespace {

constexpr double LabelPoints = 9.75;
constexpr double CheckPoints = 9.0;
constexpr int ClientWidth = 6780;
constexpr int ClientHeight = 6300;

struct FieldRow
{
    int top;
    const char* caption;
    int labelLeft;
    QColor colour;
    const char* group; // the heading the box sits under
};

// Box i shows field i. Box 0 (the provider name) sits apart, with its caption above it.
// clang-format off
const FieldRow FieldRows[13] = {
    {240, "接続先", 120, QColor(255, 224, 192), ""},
    {840, "アカウント", 240, QColor(255, 255, 192), "接続情報"},
    {1200, "パスワード", 240, QColor(255, 255, 192), "接続情報"},
    {1560, "電話番号", 240, QColor(255, 255, 192), "接続情報"},
    {2160, "FTP ｻｰﾊﾞｰ", 240, QColor(255, 192, 255), "ファイル転送"},
    {2520, "アカウント", 240, QColor(255, 192, 255), "ファイル転送"},
    {2880, "パスワード", 240, QColor(255, 192, 255), "ファイル転送"},
    {3240, "Webページ", 360, QColor(255, 192, 255), "ファイル転送"},
    {3840, "NNTP ｻｰﾊﾞｰ", 240, QColor(192, 192, 255), "ニュース"},
    {4440, "POPｻｰﾊﾞｰ", 240, QColor(255, 192, 192), "メール"},
    {4800, "SMTPｻｰﾊﾞｰ", 240, QColor(255, 192, 192), "メール"},
    {5160, "アドレス", 240, QColor(255, 192, 192), "メール"},
    {5520, "パスワード", 240, QColor(255, 192, 192), "メール"},
};
const int FieldTabIndex[13] = {0, 3, 5, 7, 10, 12, 14, 16, 19, 22, 24, 26, 28};
const int FieldLabelTabIndex[13] = {1, 4, 6, 8, 11, 13, 15, 17, 20, 23, 25, 27, 40};
const bool FieldWithoutInputMethod[13] = {false, false, true, false, false, false, true,
                                          true, false, false, false, false, true};
// clang-format on

struct Heading
{
    const char* name;
    const char* caption;
    int top;
    int whiteY;
    int darkY;
    int tabIndex;
};
const Heading Headings[4] = {
    {"Label9", "接続情報", 600, 720, 735, 2},
    {"Label10", "ファイル転送", 1920, 2030, 2040, 9},
    {"Label11", "ニュース", 3600, 3710, 3720, 18},
    {"Label12", "メール", 4200, 4310, 4320, 21},
};

// clang-format off
QList<Control> controlTable()
{
    QList<Control> controls;
    for (int i = 0; i < 13; ++i) {
        const FieldRow& row = FieldRows[i];
        const bool first = i == 0;
        controls.append({Kind::Edit, QStringLiteral("Text1(%1)").arg(i), {}, first ? 240 : 1320, row.top,
                         first ? 3855 : 3495, 270, FieldTabIndex[i],
                         FieldWithoutInputMethod[i] ? unsigned(ui::NoInputMethod) : 0u, {}, row.colour});
        controls.append({Kind::Label, QStringLiteral("FieldLabel(%1)").arg(i), QString::fromUtf8(row.caption),
                         row.labelLeft, first ? 0 : row.top + 15, 1035, 255, FieldLabelTabIndex[i], 0, {}, {},
                         LabelPoints});
    }
    for (const Heading& heading : Headings) {
        controls.append({Kind::Label, QString::fromLatin1(heading.name), QString::fromUtf8(heading.caption), 240,
                         heading.top, 1215, 255, heading.tabIndex, 0, {}, {}, LabelPoints});
    }
    controls += QList<Control>{
        {Kind::VScroll, "VScroll1", {}, 4920, 240, 255, 5535, 29},
        {Kind::Frame, "Frame2", "編集", 5280, 480, 1455, 1695, 41},
        {Kind::Frame, "Frame3", "ファイル", 5280, 2280, 1455, 1695, 42},
        {Kind::Frame, "Frame4", "Keyfold", 5280, 4080, 1455, 735, 43},
        {Kind::Button, "Command4", "追加(&D)", 5400, 720, 1215, 375, 30, ui::Disabled | ui::DefaultButton},
        {Kind::Button, "Command6", "上書(&E)", 5400, 1200, 1215, 375, 31, ui::Disabled},
        {Kind::Button, "Command5", "クリア(&C)", 5400, 1680, 1215, 375, 32, ui::Disabled},
        {Kind::Button, "Command7", "開く(&O)", 5400, 2520, 1215, 375, 33},
        {Kind::Button, "Command1", "保存(&S)", 5400, 3000, 1215, 375, 34, ui::Disabled},
        {Kind::Button, "Command2", "削除(&L)", 5400, 3480, 1215, 375, 35, ui::Disabled},
        {Kind::Button, "Command3", "終了(&E)", 5400, 4320, 1215, 375, 36},
        {Kind::Frame, "Frame1", {}, 0, 5880, 6615, 375, 37},
        {Kind::Label, "Label8", Form1::bannerText(), 240, 120, 6255, 240, 38, 0, "Frame1", {}, LabelPoints},
        {Kind::CheckBox, "Check1", "次回から、このファイルを開く", 5400, 5160, 1215, 615, 39, ui::WordWrap, {}, {},
         CheckPoints},
    };
    return controls;
}
// clang-format on

QList<ui::Line> ruleTable()
{
    QList<ui::Line> lines;
    for (const Heading& heading : Headings) {
        lines.append({120, heading.whiteY, 4800, heading.whiteY, Qt::white});
        lines.append({120, heading.darkY, 4800, heading.darkY, QColor(64, 64, 64)});
    }
    return lines;
}

} // namespace

QString fieldName(int field)
{
    if (field < 0 || field >= Module1::FieldCount) {
        return QString();
    }
    const QString caption = QString::fromUtf8(FieldRows[field].caption);
    const QString group = QString::fromUtf8(FieldRows[field].group);
    return group.isEmpty() ? caption : group + QLatin1Char(' ') + caption;
}

QString Form1::bannerText()
{
    return QStringLiteral("インターネット接続情報の手帳  Keyfold Ver");
}

void Form1::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ui::twipsSize(ClientWidth, ClientHeight));
    client->setFont(ui::gothicFont(CheckPoints));
    setCentralWidget(client);

    const ui::BuiltForm form = ui::buildForm(client, controlTable(), ruleTable());
    for (int i = 0; i < 13; ++i) {
        Text1[i] = form.get<ui::TextBox>(QStringLiteral("Text1(%1)").arg(i));
        // A screen reader names each box by its heading and its label: the three password boxes differ only in
        // their group. The label is the box's buddy, so the labelled-by relation is there too, and a screen reader
        // that follows it (Orca does) speaks the label's name instead of the box's: the label carries the same.
        auto* label = form.get<QLabel>(QStringLiteral("FieldLabel(%1)").arg(i));
        Text1[i]->setAccessibleName(fieldName(i));
        label->setAccessibleName(fieldName(i));
        label->setBuddy(Text1[i]);
    }
    for (const Heading& heading : Headings) {
        // A heading interrupts its rule: it is as wide as its text and painted over the rule.
        auto* label = form.get<QLabel>(QString::fromLatin1(heading.name));
        label->resize(label->sizeHint().width() + ui::twipsToPixels(60), label->height());
        label->setAutoFillBackground(true);
        label->raise();
    }
    VScroll1 = form.get<QScrollBar>(QStringLiteral("VScroll1"));
    VScroll1->setRange(0, 0);
    VScroll1->setSingleStep(1);
    VScroll1->setPageStep(1);
    VScroll1->setAccessibleName(QStringLiteral("レコード"));
    Command1 = form.get<QPushButton>(QStringLiteral("Command1"));
    Command2 = form.get<QPushButton>(QStringLiteral("Command2"));
    Command3 = form.get<QPushButton>(QStringLiteral("Command3"));
    Command4 = form.get<QPushButton>(QStringLiteral("Command4"));
    Command5 = form.get<QPushButton>(QStringLiteral("Command5"));
    Command6 = form.get<QPushButton>(QStringLiteral("Command6"));
    Command7 = form.get<QPushButton>(QStringLiteral("Command7"));
    Check1 = form.get<ui::WrapCheckBox>(QStringLiteral("Check1"));
    Label8 = form.get<QLabel>(QStringLiteral("Label8"));
    Frame1 = form.get<QGroupBox>(QStringLiteral("Frame1"));
    Frame2 = form.get<QGroupBox>(QStringLiteral("Frame2"));
    Frame3 = form.get<QGroupBox>(QStringLiteral("Frame3"));
    Frame4 = form.get<QGroupBox>(QStringLiteral("Frame4"));
}

void Form1::buildMenus()
{
    QMenuBar* bar = menuBar();
    const auto entry = [this](QMenu* menu, const char* name, const char* caption, bool enabled) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(enabled);
        return action;
    };
    mnuFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuNew = entry(mnuFile, "mnuNew", "新規(&N)", true);
    mnuNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuOpen = entry(mnuFile, "mnuOpen", "開く(&O)", true);
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSave = entry(mnuFile, "mnuSave", "保存(&S)", false);
    mnuDel = entry(mnuFile, "mnuDel", "削除(&L)", false);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuBar01"));
    mnuExit = entry(mnuFile, "mnuExit", "終了(&E)", true);

    mnuEdit = bar->addMenu(QStringLiteral("編集(&E)"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuAdd = entry(mnuEdit, "mnuAdd", "追加(&D)", false);
    mnuEditAs = entry(mnuEdit, "mnuEditAs", "上書(&S)", false);
    mnuClear = entry(mnuEdit, "mnuClear", "クリア(&C)", false);
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuBar03"));
    mnuFind = entry(mnuEdit, "mnuFind", "検索(&F)...", false);
    mnuFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFindNext = entry(mnuEdit, "mnuFindNext", "次を検索(&N)", false);
    mnuFindNext->setShortcut(QKeySequence(Qt::Key_F3));

    mnuSetup = bar->addMenu(QStringLiteral("ﾂｰﾙ(&T)"));
    mnuSetup->setObjectName(QStringLiteral("mnuSetup"));
    mnuChange = entry(mnuSetup, "mnuChange", "レコードの並び替え....", true);
    mnuSetup->addSeparator()->setObjectName(QStringLiteral("mnuBar02"));
    mnuOption = entry(mnuSetup, "mnuOption", "オプション(&O)...", true);

    mnuHelp = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuVer = entry(mnuHelp, "mnuVer", "&Keyfoldについて", true);
}

void Form1::centreOnScreen()
{
    adjustSize();
    if (const QScreen* screen = this->screen()) {
        ui::centreOver(this, screen->availableGeometry());
    }
}
