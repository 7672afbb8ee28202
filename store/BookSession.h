#pragma once

#include "store/DataFile.h"
#include "store/Module1.h"
#include "store/Rescue.h"

#include <QDateTime>

#include <algorithm>

#include <functional>
#include <optional>
#include <vector>

// The book on disk has one owner: this session. It holds the book's file name (Module1::DataFileName is written
// only from here), what was last read from or written to that file, whether the file failed to read or is not a
// book this program wrote, and the table as it stood after the last read, save or New. Every write goes through it:
// save, save under a new name, quiet save, rescue copy, delete. It shows nothing; the main window asks the questions
// it needs and shows the messages its results call for.
namespace store {

enum class SaveOutcome
{
    Saved,
    Declined, // the file was changed by another program (or another Keyfold is saving it) and is left alone
    Failed,
};

struct SaveResult
{
    SaveOutcome outcome = SaveOutcome::Saved;
    FileError error = FileError::None;     // when Failed
    std::optional<CellNote> notReadBack{}; // when Failed with FileError::NotReadBack
    bool saved() const { return outcome == SaveOutcome::Saved; }
};

// What became of unsaved changes when the program ended without a window.
struct QuietEnd
{
    enum class Kind
    {
        NothingUnsaved,
        Saved,   // to the book's own file
        Rescued, // to rescue.path
        Lost,    // no rescue copy could be made anywhere: rescue.failed says why
    };
    Kind kind = Kind::NothingUnsaved;
    RescueResult rescue;
};

class BookSession
{
public:
    // Asks whether the book's file, changed by another program since this one read or wrote it, is to be written
    // over. A quiet save has no one to ask and declines.
    using AskOverwrite = std::function<bool()>;

    // The book's file: the path chosen in a dialog, remembered in the settings or given on the command line.
    void setFileName(const QString& path);

    // Reads the file DataFileName names into the table (emptied first; left empty when the read fails).
    ReadResult open(Module1::Table& table);
    // The book becomes a new one: no file ("新規"), nothing unsaved.
    void startNew();

    // Saves to DataFileName.
    SaveResult save(const Module1::Table& table, int recordCount, const AskOverwrite& ask);
    // Saves under a name the user chose; when the save does not happen the book keeps the name it had.
    SaveResult saveAs(const QString& path, const Module1::Table& table, int recordCount, const AskOverwrite& ask);
    // Deletes the book's file.
    FileError remove();

    // The exit's save (and the auto-save) may write to DataFileName only when it names a file that read as a code
    // page 932 book, or that did not exist; otherwise the user picks the file in the save dialog.
    bool needsSaveDialog() const;
    bool fileUnreadable() const { return m_unreadable; }

    // The table differs from the table as it stood after the last read, save or New.
    bool unsaved(const Module1::Table& table, int recordCount) const;

    // Ending without a window (a signal, a session end without interaction): unsaved changes go to the book's file
    // where the exit would save without asking (autoSave, and neither a save dialog nor a question needed), otherwise
    // to a rescue copy.
    QuietEnd endQuietly(const Module1::Table& table, int recordCount, bool autoSave, const QDateTime& now);

    // The answer given at the end of a desktop session (the exit question, or a rescue) holds for the quit that
    // follows it and for nothing else, and only while the table is as it was then.
    void sessionEndAnswered(const Module1::Table& table, int recordCount);
    void quitStarting() { m_quitting = m_sessionAnswer.has_value(); }
    bool exitAlreadyAnswered(const Module1::Table& table, int recordCount);

private:
    SaveResult write(const QString& path, const Module1::Table& table, int recordCount, const AskOverwrite& ask);
    void takeAsBaseline(const Module1::Table& table, int recordCount);
    static std::vector<Module1::Record> copyOf(const Module1::Table& table, int recordCount);
    static bool same(const std::vector<Module1::Record>& records, const Module1::Table& table, int recordCount);

    FileStamp m_stamp;         // what this program last read from or wrote to the book's file
    bool m_unreadable = false; // the file failed to read: not written without the save dialog
    bool m_notABook = false;   // the file read, but not as a code page 932 book: likewise
    std::vector<Module1::Record> m_baseline;
    std::optional<std::vector<Module1::Record>> m_sessionAnswer;
    bool m_quitting = false;
};

} // namespace store
