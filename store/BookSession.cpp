#include "store/BookSession.h"

#include <QFileInfo>
#include <QLockFile>

namespace store {
namespace {

using Module1::DataFileName;

// How long a save waits for another Keyfold that is saving the same book, and how much longer once the user has
// said to write over its changes.
constexpr int LockWaitMs = 1000;
constexpr int LongerLockWaitMs = 3000;

// The lock sits beside the book, not on it: a save replaces the book's file by a rename, and a lock taken on the old
// file would not hold the new one.
QString lockPath(const QString& book)
{
    const QFileInfo info(book);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".lock");
}

} // namespace

void BookSession::setFileName(const QString& path)
{
    DataFileName = path;
}

ReadResult BookSession::open(Module1::Table& table)
{
    Module1::clearWholeTable(table);
    ReadResult read = readBookFile(DataFileName, table);
    if (read.error == FileError::None) {
        m_stamp = read.stamp;
        m_unreadable = false;
        m_notABook = !read.isCp932Book();
        takeAsBaseline(table, read.recordCount);
        return read;
    }
    // A failed read leaves an empty book, never half of one that a later save would write out. Nor is the empty book
    // written over a file that exists but did not read. A file that is not there simply becomes the book's file.
    Module1::clearWholeTable(table);
    read.recordCount = 0;
    m_stamp = {};
    m_unreadable = read.error != FileError::FileNotFound;
    m_notABook = false;
    m_baseline.clear();
    return read;
}

void BookSession::startNew()
{
    DataFileName = Module1::NewBookName;
    m_stamp = {}; // whatever file is called so has never been this book's
    m_unreadable = false;
    m_notABook = false;
    m_baseline.clear();
}

SaveResult BookSession::save(const Module1::Table& table, int recordCount, const AskOverwrite& ask)
{
    return write(DataFileName, table, recordCount, ask);
}

SaveResult BookSession::saveAs(const QString& path, const Module1::Table& table, int recordCount,
                               const AskOverwrite& ask)
{
    const QString previous = DataFileName;
    DataFileName = path;
    const SaveResult result = write(path, table, recordCount, ask);
    if (!result.saved()) {
        // The old file is untouched (the write replaces it only when complete), and the caption, Delete and the
        // save at exit all still mean the file that was open.
        DataFileName = previous;
    }
    return result;
}

SaveResult BookSession::write(const QString& path, const Module1::Table& table, int recordCount,
                              const AskOverwrite& ask)
{
    // From the look at the file to the rename, no other Keyfold writes this book: otherwise both would find it as
    // they left it, and the second rename would silently drop the first one's records.
    QLockFile lock(lockPath(path));
    bool overwriteAgreed = false;
    if (!lock.tryLock(LockWaitMs) && lock.error() == QLockFile::LockFailedError) {
        // Another Keyfold is saving it right now, so the file is changing under this one's feet.
        if (!ask || !ask()) {
            return {.outcome = SaveOutcome::Declined};
        }
        overwriteAgreed = true;
        if (!lock.tryLock(LongerLockWaitMs)) {
            return {.outcome = SaveOutcome::Failed, .error = FileError::SavingElsewhere};
        }
    }
    // A folder that takes no lock file takes no book either; the write then says why.
    if (!overwriteAgreed && samePath(path, m_stamp.path) && checkFile(m_stamp) == FileChange::Changed &&
        (!ask || !ask())) {
        return {.outcome = SaveOutcome::Declined};
    }
    const WriteResult written = writeBookFile(path, table, recordCount);
    if (written.error != FileError::None) {
        return {.outcome = SaveOutcome::Failed, .error = written.error, .notReadBack = written.notReadBack};
    }
    m_stamp = written.stamp;
    m_unreadable = false;
    m_notABook = false;
    takeAsBaseline(table, recordCount);
    return {.outcome = SaveOutcome::Saved};
}

FileError BookSession::remove()
{
    return deleteBookFile(DataFileName);
}

bool BookSession::needsSaveDialog() const
{
    return DataFileName.isEmpty() || m_unreadable || m_notABook;
}

bool BookSession::unsaved(const Module1::Table& table, int recordCount) const
{
    return !same(m_baseline, table, recordCount);
}

QuietEnd BookSession::endQuietly(const Module1::Table& table, int recordCount, bool autoSave, const QDateTime& now)
{
    QuietEnd end;
    if (!unsaved(table, recordCount)) {
        return end;
    }
    if (autoSave && !needsSaveDialog() && save(table, recordCount, nullptr).saved()) {
        end.kind = QuietEnd::Kind::Saved;
        return end;
    }
    end.rescue = writeRescueCopy(DataFileName, formatSpreadsheet(table, recordCount), now);
    end.kind = end.rescue.path.isEmpty() ? QuietEnd::Kind::Lost : QuietEnd::Kind::Rescued;
    return end;
}

void BookSession::sessionEndAnswered(const Module1::Table& table, int recordCount)
{
    m_sessionAnswer = copyOf(table, recordCount);
    m_quitting = false;
}

bool BookSession::exitAlreadyAnswered(const Module1::Table& table, int recordCount)
{
    const bool answered = m_quitting && m_sessionAnswer && same(*m_sessionAnswer, table, recordCount);
    m_quitting = false;
    m_sessionAnswer.reset();
    return answered;
}

void BookSession::takeAsBaseline(const Module1::Table& table, int recordCount)
{
    m_baseline = copyOf(table, recordCount);
}

std::vector<Module1::Record> BookSession::copyOf(const Module1::Table& table, int recordCount)
{
    return {table.begin(), table.begin() + std::clamp(recordCount, 0, Module1::MaxRecords)};
}

bool BookSession::same(const std::vector<Module1::Record>& records, const Module1::Table& table, int recordCount)
{
    return static_cast<int>(records.size()) == recordCount && std::equal(records.begin(), records.end(), table.begin());
}

} // namespace store
