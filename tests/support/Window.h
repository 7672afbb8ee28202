#pragma once

#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>

// The main window as its tests see it: the book it shows, the commands it offers, and a fixture with a shown window,
// a scratch folder and settings of its own. Includes what most widget tests use.
namespace testsupport {

// The commands the window offers; viewOf() expects a button and its menu entry to agree, which holds everywhere but
// after a reorder (that enables the Save button alone, as designed).
enum Command : unsigned
{
    Add = 1,
    Overwrite = 2,
    Clear = 4,
    Save = 8,
    Delete = 16,
    Reorder = 32,
};

// The records of the book (also the scroll bar's maximum), the view position and the commands enabled.
struct View
{
    int records = 0;
    int at = 0;
    unsigned on = 0;
    bool operator==(const View&) const = default;
};
View viewOf(const Form1& window);
bool blank(const Module1::Record& record); // every field empty
QString describe(const View& view);        // e.g. "2 records at 0, on: Overwrite Clear Delete"
void PrintTo(const View& view, std::ostream* os);

class WindowTest : public ::testing::Test
{
protected:
    WindowTest();
    void TearDown() override;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString title(const QString& name) const { return path(name) + " - Keyfold"; } // the caption for a file here
    ui::MessageRequest saved(const QString& name) const { return {path(name) + "に保存しました", "Keyfold"}; }
    // fillBook(n) in an emptied table, viewed at p after a real move of the scroll bar, maybe with unsaved changes.
    void showBook(int n, int p, bool unsaved = false);
    // Reads the file (written with the bytes) as Open does, then adds a record typed at the blank position: the book
    // then has unsaved changes.
    void openAndAdd(const QString& name, const QByteArray& bytes);
    // The boxes show the slot.
    bool showsSlot(int slot) const;
    // Queues the answers to the message boxes and the file dialogs to come (a name in the folder, "" for a cancel),
    // then clicks the button or triggers the menu entry.
    void command(QAbstractButton* button, std::initializer_list<ui::Answer> answers = {},
                 std::initializer_list<const char*> files = {});
    void command(QAction* entry, std::initializer_list<ui::Answer> answers = {},
                 std::initializer_list<const char*> files = {});
    // The file dialogs since the last look, as "save <name offered>" or "open <name offered>".
    static QStringList dialogs();

    QTemporaryDir dir;
    std::optional<TempSettings> settings{std::in_place}; // emplace() starts afresh
    std::unique_ptr<Form1> w;
};

} // namespace testsupport

// The messages shown since the last check (as EXPECT_PROMPTS), then the book and the commands of window `w`.
#define EXPECT_SHOWN(view, ...)                                                                                        \
    do {                                                                                                               \
        EXPECT_PROMPTS(__VA_ARGS__);                                                                                   \
        EXPECT_EQ(testsupport::viewOf(*w), view);                                                                      \
    } while (false)
