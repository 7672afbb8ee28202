#pragma once

#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "mainwin/Form1.h"
#include "reorder/frmChange.h"
#include "store/Module1.h"
#include "support/Children.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/ProgramEnd.h"
#include "ui/Twips.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <optional>

// The main window as its tests see it: the book it shows, the commands it offers, and a fixture with a shown window,
// a scratch folder and settings of its own. Includes what most widget tests use, the dialogs included.
namespace testsupport {

// The book and the commands of the window in one line, e.g. "2 records at 0: Overwrite Clear Delete Reorder Find" (the
// records, also the scroll bar's maximum, and the view position). Each button must agree with its menu entry, and
// Find Next with Find.
QString shown(const Form1& window);
// The window's title and the text of each child that has one, in the order they were made.
QStringList captions(const QWidget* window);

class WindowTest : public ::testing::Test
{
protected:
    WindowTest();
    void TearDown() override;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString title(const QString& name) const { return path(name) + " - Keyfold"; }
    ui::MessageRequest saved(const QString& name) const { return {path(name) + "に保存しました", "Keyfold"}; }
    // A book of n records (as bookBytes(n) writes them) viewed at p after a real move of the scroll bar, maybe with
    // unsaved changes.
    void showBook(int n, int p, bool unsaved = false);
    // Opens the file (written with the bytes) and adds a record typed at the blank position: the book is unsaved.
    void openAndAdd(const QString& name, const QByteArray& bytes);
    static bool blank(const Module1::Record& record) { return std::ranges::all_of(record, &QString::isEmpty); }
    bool showsSlot(int s) const { return std::ranges::equal(w->Text1, Module1::RecordTable[s], {}, &QLineEdit::text); }
    // Queues the answers to the message boxes and the file dialogs to come (a name in the folder, "" for a cancel),
    // then clicks the button or triggers the menu entry.
    template <class Target>
    void command(Target* target, std::initializer_list<ui::Answer> answers = {},
                 std::initializer_list<const char*> files = {})
    {
        std::ranges::for_each(answers, ui::Prompts::queueAnswer);
        for (const char* name : files) {
            *name ? ui::Prompts::queueFileName(path(name)) : ui::Prompts::queueFileCancel();
        }
        if constexpr (std::is_base_of_v<QAction, Target>) {
            target->trigger();
        } else {
            target->click();
        }
    }
    // The file dialogs since the last look, as "save <name offered>" or "open <name offered>".
    static QStringList dialogs();

    QTemporaryDir dir;
    std::optional<TempSettings> settings{std::in_place}; // emplace() starts afresh
    std::unique_ptr<Form1> w;
};

} // namespace testsupport

// The messages shown since the last check (as EXPECT_PROMPTS), then the book and the commands of window `w`.
#define EXPECT_SHOWN(state, ...)                                                                                       \
    do {                                                                                                               \
        EXPECT_PROMPTS(__VA_ARGS__);                                                                                   \
        EXPECT_EQ(testsupport::shown(*w), state);                                                                      \
    } while (false)
