// New, Open, Save and Delete through the main window, with the file dialog and message boxes answered in advance.
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using ui::Answer;
using ui::Prompts;

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

// The file of a book whose records hold only a provider name.
QByteArray namesOnly(const QStringList& names)
{
    QByteArray out;
    for (const QString& name : names) {
        out += "\"" + name.toLatin1() + "\"\r\n" + QByteArray("\"\"\r\n").repeated(12);
    }
    return out;
}

// The messages shown since the last call, each as "title|text".
QStringList shown()
{
    QStringList list;
    for (const ui::MessageRequest& message : Prompts::takeMessages()) {
        list << message.title + "|" + message.text;
    }
    return list;
}

const QString NewQuestion = "新規|このファイルを保存しますか?";
const QString OpenQuestion = "開く|このファイルを保存しますか?";

class FileCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        w = testsupport::makeShownMainWindow();
    }
    void TearDown() override
    {
        EXPECT_EQ(Prompts::pendingAnswers(), 0) << "an answer was queued for a question never asked";
        EXPECT_EQ(Prompts::pendingFileAnswers(), 0) << "a file name was queued for a dialog never shown";
        w.reset();
        testsupport::resetProgramState();
    }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString saved(const char* name) const { return "Keyfold|" + path(name) + "に保存しました"; }

    // Adds a record at the blank position: the book then has unsaved changes.
    void add(const QString& name)
    {
        w->VScroll1->setValue(w->VScroll1->maximum());
        w->Text1[0]->setText(name);
        ASSERT_TRUE(w->Command4->isEnabled());
        w->Command4->click();
    }
    void pressEnter()
    {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : w.get(), Qt::Key_Return);
    }
    bool saveEnabled() const
    {
        EXPECT_EQ(w->Command1->isEnabled(), w->mnuSave->isEnabled());
        return w->Command1->isEnabled();
    }
    void expectNewBook()
    {
        EXPECT_EQ(Module1::RecordCount, 0);
        EXPECT_EQ(w->VScroll1->maximum(), 0);
        EXPECT_TRUE(Module1::RecordTable[0][0].isEmpty() && Module1::RecordTable[1][0].isEmpty());
        EXPECT_TRUE(w->Text1[0]->text().isEmpty());
        EXPECT_EQ(Module1::DataFileName, "新規");
        EXPECT_EQ(w->windowTitle(), "新規 - Keyfold");
        const std::initializer_list<const QObject*> disabled = {w->Command1,  w->Command2, w->Command4, w->Command5,
                                                                w->Command6,  w->mnuDel,   w->mnuAdd,   w->mnuSave,
                                                                w->mnuEditAs, w->mnuClear, w->mnuChange};
        for (const QObject* command : disabled) {
            EXPECT_FALSE(command->property("enabled").toBool()) << command->objectName().toStdString();
        }
    }

    QTemporaryDir dir;
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w;
};

TEST_F(FileCommands, NewEmptiesTheBookAskingOnlyAboutUnsavedChanges)
{
    writeRaw(path("two.kf1"), namesOnly({"alpha", "beta"}));
    Prompts::queueFileName(path("two.kf1"));
    w->Command7->click();
    w->VScroll1->setValue(1);
    ASSERT_TRUE(w->Command2->isEnabled() && w->Command6->isEnabled());
    Prompts::takeFileRequests();
    w->mnuNew->trigger();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(Prompts::takeFileRequests().isEmpty());
    expectNewBook();

    add("alpha");
    add("beta");
    Prompts::queueAnswer(Answer::Cancel);
    w->mnuNew->trigger();
    const QList<ui::MessageRequest> question = Prompts::takeMessages();
    ASSERT_EQ(question.size(), 1);
    EXPECT_EQ(question[0].title + "|" + question[0].text, NewQuestion);
    EXPECT_EQ(question[0].buttons, ui::Buttons::YesNoCancel);
    EXPECT_EQ(Module1::RecordCount, 2);
    EXPECT_TRUE(saveEnabled());

    // Yes, then the save dialog is cancelled: the book and its unsaved state stay.
    Prompts::queueAnswer(Answer::Yes);
    Prompts::queueFileCancel();
    w->mnuNew->trigger();
    EXPECT_EQ(shown(), QStringList({NewQuestion}));
    EXPECT_EQ(Prompts::takeFileRequests().size(), 1);
    EXPECT_EQ(Module1::RecordTable[1][0], "beta");
    EXPECT_TRUE(saveEnabled());

    Prompts::queueAnswer(Answer::Yes);
    Prompts::queueFileName(path("saved.kf1"));
    w->mnuNew->trigger();
    EXPECT_EQ(shown(), QStringList({NewQuestion, saved("saved.kf1")}));
    EXPECT_EQ(readAll(path("saved.kf1")), namesOnly({"alpha", "beta"}));
    expectNewBook();

    // No drops the changes without a dialog.
    add("gamma");
    Prompts::queueAnswer(Answer::No);
    Prompts::takeFileRequests();
    w->mnuNew->trigger();
    EXPECT_EQ(shown(), QStringList({NewQuestion}));
    EXPECT_TRUE(Prompts::takeFileRequests().isEmpty());
    expectNewBook();
}

TEST_F(FileCommands, OpenCancelledOrOfAMissingFile)
{
    writeRaw(path("two.kf1"), namesOnly({"alpha", "beta"}));
    Prompts::queueFileName(path("two.kf1"));
    w->mnuOpen->trigger();
    ASSERT_EQ(Module1::RecordCount, 2);

    Prompts::queueFileCancel();
    w->Command7->click();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_EQ(Module1::DataFileName, path("two.kf1"));
    EXPECT_EQ(w->windowTitle(), path("two.kf1") + " - Keyfold");
    EXPECT_EQ(w->Text1[0]->text(), "alpha");

    // A name typed into the open dialog for a file that does not exist: reported, and the caption names it.
    const QString missing = path("typo.kf1");
    Prompts::queueFileName(missing);
    w->Command7->click();
    EXPECT_EQ(shown(), QStringList({"Keyfold|Keyfold(" + missing + ")\rファイルが見つかりません。"}));
    EXPECT_EQ(Module1::RecordCount, 0);
    EXPECT_EQ(w->windowTitle(), missing + " - Keyfold");
    EXPECT_FALSE(w->mnuChange->isEnabled());
    EXPECT_FALSE(saveEnabled());
}

TEST_F(FileCommands, OpenWithUnsavedChangesAsksFirst)
{
    writeRaw(path("other.kf1"), namesOnly({"other"}));
    add("alpha");
    Prompts::queueAnswer(Answer::Cancel);
    w->Command7->click();
    EXPECT_EQ(shown(), QStringList({OpenQuestion}));
    EXPECT_TRUE(Prompts::takeFileRequests().isEmpty());
    EXPECT_EQ(Module1::RecordCount, 1);
    EXPECT_TRUE(saveEnabled());

    // Yes with a cancelled save ends Open: no open dialog, the book kept.
    Prompts::queueAnswer(Answer::Yes);
    Prompts::queueFileCancel();
    w->Command7->click();
    EXPECT_EQ(shown(), QStringList({OpenQuestion}));
    EXPECT_EQ(Prompts::takeFileRequests().size(), 1);
    EXPECT_EQ(Module1::RecordTable[0][0], "alpha");
    EXPECT_TRUE(saveEnabled());

    // Yes saves through the dialog first, then opens.
    Prompts::queueAnswer(Answer::Yes);
    Prompts::queueFileName(path("alpha.kf1"));
    Prompts::queueFileName(path("other.kf1"));
    w->Command7->click();
    EXPECT_EQ(shown(), QStringList({OpenQuestion, saved("alpha.kf1")}));
    const QList<ui::FileRequest> requests = Prompts::takeFileRequests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_TRUE(requests[0].save && !requests[1].save);
    EXPECT_EQ(readAll(path("alpha.kf1")), namesOnly({"alpha"}));
    EXPECT_EQ(Module1::RecordTable[0][0], "other");
    EXPECT_FALSE(saveEnabled());

    // No drops the changes and opens.
    add("dropped");
    Prompts::queueAnswer(Answer::No);
    Prompts::queueFileName(path("alpha.kf1"));
    w->Command7->click();
    EXPECT_EQ(shown(), QStringList({OpenQuestion}));
    EXPECT_EQ(Module1::RecordCount, 1);
    EXPECT_EQ(Module1::RecordTable[0][0], "alpha");
    EXPECT_FALSE(saveEnabled());
    EXPECT_EQ(readAll(path("other.kf1")), namesOnly({"other"}));
}

TEST_F(FileCommands, DialogsOfferTheirTitleFiltersAndTheLastPath)
{
    add("alpha");
    Prompts::queueFileName(path("first.kf1"));
    w->Command1->click();
    Prompts::queueFileName(path("first.kf1"));
    w->Command7->click();
    w->mnuNew->trigger();
    add("beta");
    Prompts::queueFileCancel();
    w->mnuSave->trigger();

    const QList<ui::FileRequest> requests = Prompts::takeFileRequests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_TRUE(requests[0].save && !requests[1].save && requests[2].save);
    EXPECT_EQ(requests[0].title, "ファイルを保存する");
    EXPECT_EQ(requests[1].title, "ファイルを開く");
    EXPECT_TRUE(requests[0].fileName.isEmpty());
    EXPECT_EQ(requests[1].fileName, path("first.kf1")) << "the open dialog offers the path just saved";
    EXPECT_EQ(requests[2].fileName, path("first.kf1")) << "after New the last chosen path, never 新規";
    for (const ui::FileRequest& request : requests) {
        EXPECT_EQ(request.nameFilters,
                  QStringList({"Keyfoldファイル (*.kf1)", "Keyfold暗号付きファイル (*.kf2)", "CSVファイル (*.csv)"}));
        EXPECT_EQ(request.filterIndex, 0);
    }
    EXPECT_EQ(Module1::DataFileName, "新規") << "a cancelled dialog changes nothing";
    EXPECT_TRUE(saveEnabled());
}

TEST_F(FileCommands, SaveWritesWhateverNameWasChosen)
{
    writeRaw(path("old.kf1"), "something else entirely\r\n");
    add("alpha");
    add("beta");
    Prompts::queueFileName(path("old.kf1"));
    w->Command1->click();
    EXPECT_EQ(shown(), QStringList({saved("old.kf1")})) << "no question before replacing";
    const QByteArray book = namesOnly({"alpha", "beta"});
    EXPECT_EQ(readAll(path("old.kf1")), book);
    EXPECT_FALSE(saveEnabled());
    EXPECT_TRUE(w->Command2->isEnabled() && w->mnuDel->isEnabled());
    EXPECT_EQ(w->windowTitle(), path("old.kf1") + " - Keyfold");

    for (const char* name : {"book", "book.csv", "book.kf2"}) {
        Prompts::queueFileName(path(name));
        w->Command1_Click();
        EXPECT_EQ(readAll(path(name)), book) << name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"book", "book.csv", "book.kf2", "old.kf1"}));
}

TEST_F(FileCommands, AFailedSaveIsReportedAndKeepsTheChanges)
{
    writeRaw(path("plain"), "not a folder");
    add("alpha");
    for (const QString& target : {path("missing/book.kf1"), path("plain/book.kf1")}) {
        SCOPED_TRACE(target.toStdString());
        Prompts::queueFileName(target);
        w->Command1->click();
        EXPECT_EQ(shown(), QStringList({"Keyfold|パスが見つかりません。"}));
        EXPECT_TRUE(saveEnabled());
        EXPECT_FALSE(w->Command2->isEnabled());
        EXPECT_EQ(w->windowTitle(), "Keyfold");
    }
    EXPECT_EQ(readAll(path("plain")), "not a folder");
    EXPECT_FALSE(QFile::exists(path("missing")));

    Prompts::queueAnswer(Answer::Yes);
    Prompts::queueFileName(path("missing/book.kf1"));
    w->mnuNew->trigger();
    EXPECT_EQ(shown(), QStringList({NewQuestion, "Keyfold|パスが見つかりません。"}));
    EXPECT_EQ(Module1::RecordCount, 1) << "New stops at its failed save";
    EXPECT_TRUE(saveEnabled());
}

TEST_F(FileCommands, DeleteAsksBeforeRemovingTheFile)
{
    add("alpha");
    Prompts::queueFileName(path("book.kf1"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    Prompts::takeMessages();
    // The focus of the Save button that the save disabled must not pass to Delete, nor Delete's to Exit: a stray
    // Enter afterwards goes to the disabled Add and does nothing.
    pressEnter();
    EXPECT_TRUE(shown().isEmpty());

    Prompts::queueAnswer(Answer::Cancel);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    EXPECT_EQ(shown(), QStringList({"削除|このファイルを消しますか?"}));
    EXPECT_TRUE(QFile::exists(path("book.kf1")));

    Prompts::queueAnswer(Answer::Ok);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(path("book.kf1")));
    EXPECT_FALSE(w->Command2->isEnabled() || w->mnuDel->isEnabled());
    EXPECT_EQ(Module1::RecordTable[0][0], "alpha");
    pressEnter();
    EXPECT_FALSE(ui::ProgramEnd::ended());
    EXPECT_EQ(shown().size(), 1);
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
