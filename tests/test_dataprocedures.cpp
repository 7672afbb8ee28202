// DataOpen, DataSave and DataKill as the main window runs them: the book, the window's states and the messages.
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/TestApp.h"
#include "ui/Prompts.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ui::Prompts;

// n records in the program's format, field f of record r holding "r<r>f<f>".
QByteArray numberedBook(int n)
{
    QByteArray out;
    for (int r = 0; r < n; ++r) {
        for (int f = 0; f < Module1::FieldCount; ++f) {
            out += "\"r" + QByteArray::number(r) + "f" + QByteArray::number(f) + "\"\r\n";
        }
    }
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeRaw(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

// The one message shown since the last call, as "title|text|buttons".
QString onlyMessage()
{
    const QList<ui::MessageRequest> messages = Prompts::takeMessages();
    if (messages.size() != 1) {
        return QString("%1 messages").arg(messages.size());
    }
    return messages[0].title + "|" + messages[0].text + "|" + QString::number(int(messages[0].buttons));
}
const QString OkOnly = "|0";

bool tableIsEmpty()
{
    const auto empty = [](const Module1::Record& r) { return std::ranges::all_of(r, &QString::isEmpty); };
    return std::ranges::all_of(Module1::RecordTable, empty);
}

class DataProcedures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        w = testsupport::makeShownMainWindow();
    }
    void TearDown() override
    {
        w.reset();
        testsupport::resetProgramState();
    }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // Opens a file the way Open does, without the dialog.
    void open(const QString& file)
    {
        Module1::DataFileName = file;
        w->DataOpen();
        w->DispdataOutPut();
    }

    // A two-record book at the blank position with a name typed into box 0, reordering disabled and Check1
    // ticked: everything a failed read has to put right.
    void dirtyBookAtBlank()
    {
        writeRaw(path("two.kf1"), numberedBook(2));
        open(path("two.kf1"));
        w->VScroll1->setValue(2);
        w->Text1[0]->setText("typed");
        w->mnuChange->setEnabled(false);
        w->Check1->setChecked(true);
        ASSERT_TRUE(w->Command4->isEnabled());
        Prompts::takeMessages();
    }

    void expectEmptyBookAfterFailure()
    {
        EXPECT_EQ(Module1::RecordCount, 0);
        EXPECT_EQ(w->VScroll1->maximum(), 0);
        EXPECT_EQ(w->VScroll1->value(), 0);
        EXPECT_TRUE(tableIsEmpty());
        EXPECT_TRUE(w->Text1[0]->text().isEmpty());
        const std::initializer_list<const QObject*> commands = {w->Command4, w->Command5,  w->Command6,
                                                                w->mnuAdd,   w->mnuEditAs, w->mnuClear};
        for (const QObject* command : commands) {
            EXPECT_FALSE(command->property("enabled").toBool()) << command->objectName().toStdString();
        }
        EXPECT_EQ(w->windowTitle(), "新規 - Keyfold");
        EXPECT_FALSE(w->mnuChange->isEnabled());
    }

    QTemporaryDir dir;
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w;
};

TEST_F(DataProcedures, OpeningAFileShowsItsFirstRecord)
{
    // A name typed into the empty book enabled Add; the view stays at position 0, so no change of position runs
    // and the read itself has to drop Add.
    w->Text1[0]->setText("typed");
    ASSERT_TRUE(w->Command4->isEnabled());
    writeRaw(path("two.kf1"), numberedBook(2));
    w->mnuChange->setEnabled(false);
    w->Check1->setChecked(true);
    Module1::DataFileName = path("two.kf1");
    w->DataOpen();
    EXPECT_FALSE(w->Command4->isEnabled() || w->mnuAdd->isEnabled());
    w->DispdataOutPut();

    EXPECT_TRUE(Prompts::takeMessages().isEmpty());
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_EQ(w->VScroll1->maximum(), 2);
    EXPECT_EQ(w->VScroll1->value(), 0);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(w->Text1[i]->text(), QString("r0f%1").arg(i));
    }
    EXPECT_TRUE(w->Command6->isEnabled() && w->mnuEditAs->isEnabled() && w->Command5->isEnabled());
    EXPECT_TRUE(w->Command2->isEnabled() && w->mnuDel->isEnabled());
    EXPECT_FALSE(w->Command1->isEnabled() || w->mnuSave->isEnabled());
    EXPECT_TRUE(w->mnuChange->isEnabled());
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_EQ(w->windowTitle(), path("two.kf1") + " - Keyfold");

    // An empty file is an empty book at its blank position; the previous book is gone.
    writeRaw(path("empty.kf1"), {});
    w->VScroll1->setValue(1);
    open(path("empty.kf1"));
    EXPECT_TRUE(Prompts::takeMessages().isEmpty());
    EXPECT_EQ(Module1::RecordCount, 0);
    EXPECT_EQ(w->VScroll1->maximum(), 0);
    EXPECT_TRUE(tableIsEmpty());
    EXPECT_FALSE(w->Command6->isEnabled() || w->Command5->isEnabled() || w->mnuEditAs->isEnabled());
    EXPECT_TRUE(w->Command2->isEnabled() && w->mnuDel->isEnabled());
    EXPECT_EQ(w->windowTitle(), path("empty.kf1") + " - Keyfold");
}

TEST_F(DataProcedures, FailedReadsAreReportedAndLeaveAnEmptyBook)
{
    dirtyBookAtBlank();
    const QString missing = path("nowhere.kf1");
    open(missing);
    EXPECT_EQ(onlyMessage(), "Keyfold|Keyfold(" + missing + ")\rファイルが見つかりません。" + OkOnly);
    EXPECT_FALSE(w->Check1->isChecked());
    expectEmptyBookAfterFailure();
    EXPECT_EQ(Module1::DataFileName, missing);

    dirtyBookAtBlank();
    writeRaw(path("short.kf1"), numberedBook(2) + "\"one more\"\r\n");
    open(path("short.kf1"));
    EXPECT_EQ(onlyMessage(), "Keyfold|Keyfoldファイルにこれ以上データがありません。" + OkOnly);
    expectEmptyBookAfterFailure();
    EXPECT_TRUE(w->Check1->isChecked()) << "only a missing file unticks it";

    dirtyBookAtBlank();
    writeRaw(path("big.kf1"), numberedBook(1001));
    open(path("big.kf1"));
    EXPECT_EQ(onlyMessage(), "Keyfold|レコードが1000件を超えているため、このファイルを開けません。" + OkOnly);
    expectEmptyBookAfterFailure();
}

TEST_F(DataProcedures, SavingWritesTheBookAndMarksItSaved)
{
    Module1::RecordTable[0][0] = "ｱｶｳﾝﾄ";
    Module1::RecordTable[0][1] = "接続";
    Module1::RecordTable[0][2] = "a, b";
    Module1::RecordTable[1][12] = "x\"y";
    Module1::RecordCount = 2;
    w->VScroll1->setMaximum(2);
    setEnabledPair(w->Command1, w->mnuSave, true);
    Module1::DataFileName = path("book.kf1");

    EXPECT_EQ(w->DataSave(), 0);
    QByteArray expected = "\"\xB1\xB6\xB3\xDD\xC4\"\r\n\"\x90\xDA\x91\xB1\"\r\n\"a, b\"\r\n";
    for (int i = 0; i < 10 + 12; ++i) {
        expected += "\"\"\r\n";
    }
    expected += "\"x\"y\"\r\n";
    EXPECT_EQ(readAll(path("book.kf1")), expected);
    EXPECT_EQ(onlyMessage(), "Keyfold|" + path("book.kf1") + "に保存しました" + OkOnly);
    EXPECT_FALSE(w->Command1->isEnabled() || w->mnuSave->isEnabled());
    EXPECT_TRUE(w->Command2->isEnabled() && w->mnuDel->isEnabled());
    EXPECT_EQ(w->windowTitle(), path("book.kf1") + " - Keyfold");

    // An empty book is an empty file, and still reported.
    Module1::clearWholeTable();
    Module1::RecordCount = 0;
    Module1::DataFileName = path("empty.kf1");
    EXPECT_EQ(w->DataSave(), 0);
    EXPECT_EQ(readAll(path("empty.kf1")), QByteArray());
    EXPECT_EQ(onlyMessage(), "Keyfold|" + path("empty.kf1") + "に保存しました" + OkOnly);
}

TEST_F(DataProcedures, DeletingAFileAsksAndKeepsTheBook)
{
    writeRaw(path("two.kf1"), numberedBook(2));
    open(path("two.kf1"));
    setEnabledPair(w->Command1, w->mnuSave, true);

    Prompts::queueAnswer(ui::Answer::Cancel);
    w->DataKill();
    EXPECT_EQ(onlyMessage(), "削除|このファイルを消しますか?|" + QString::number(int(ui::Buttons::OkCancel)));
    EXPECT_TRUE(QFile::exists(path("two.kf1")));
    EXPECT_EQ(w->Text1[0]->text(), "r0f0");
    EXPECT_TRUE(w->Command2->isEnabled() && w->mnuDel->isEnabled());

    Prompts::queueAnswer(ui::Answer::Ok);
    w->DataKill();
    Prompts::takeMessages();
    EXPECT_FALSE(QFile::exists(path("two.kf1")));
    EXPECT_TRUE(w->Text1[0]->text().isEmpty() && w->Text1[12]->text().isEmpty());
    EXPECT_FALSE(w->Command2->isEnabled() || w->mnuDel->isEnabled());
    EXPECT_EQ(Module1::RecordTable[1][0], "r1f0");
    EXPECT_TRUE(w->Command1->isEnabled() && w->mnuSave->isEnabled());
    EXPECT_EQ(w->windowTitle(), path("two.kf1") + " - Keyfold");

    // The file is gone now: another delete reports it and changes nothing else.
    w->Command2->setEnabled(true);
    w->Text1[0]->setText("kept");
    Prompts::queueAnswer(ui::Answer::Ok);
    w->DataKill();
    EXPECT_EQ(Prompts::takeMessages().value(1).text, "ファイルが見つかりません。");
    EXPECT_EQ(w->Text1[0]->text(), "kept");
    EXPECT_TRUE(w->Command2->isEnabled());
    EXPECT_EQ(Module1::RecordCount, 2);
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
