#pragma once

#include "store/BookFormat.h"
#include "store/FileErrors.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Book files on disk: reading, saving atomically, noticing another program's writes, deleting. The bytes themselves
// are store/BookFormat.h's business.
namespace store {

// What the program last read from or wrote to a file: enough to tell later whether another program changed it.
struct FileStamp
{
    QString path;     // absolute; empty when nothing is known
    QByteArray bytes; // the bytes themselves: a shared copy costs nothing and a comparison beats hashing them
};

struct ReadResult : ParsedBook
{
    FileStamp stamp; // the bytes read, when the file could be read
};

// parseBook() on the whole file at path, with file-system failures turned into errors.
ReadResult readBookFile(const QString& path, Module1::Table& table);

struct WriteResult
{
    FileError error = FileError::None;
    std::optional<CellNote> notReadBack{}; // with FileError::NotReadBack: the first cell that would not read back
    FileStamp stamp;                       // on success, the bytes now in the file
};

// Saves the book atomically: every byte is on the disk before the new file replaces the old one, and on any failure
// an existing file at path is left exactly as it was. Nothing is written when the bytes would not read back into
// the same cells. A newly created file is readable and writable by its owner only; an existing file keeps its
// permissions.
WriteResult writeBookFile(const QString& path, const Module1::Table& table, int recordCount);

// The atomic write itself, of any bytes.
FileError writeFileAtomically(const QString& path, const QByteArray& bytes);

enum class FileChange
{
    Unchanged, // the file still holds the bytes of the stamp
    Changed,   // another program wrote to it (or it cannot be read to tell)
    Gone       // there is no file at the path any more
};
FileChange checkFile(const FileStamp& stamp);

// True when both name the same file (after making them absolute).
bool samePath(const QString& a, const QString& b);

// Removes the file at path.
FileError deleteBookFile(const QString& path);

// The error for a failed write, read or lookup, from errno.
FileError writeError(int errnoValue);

// Every byte to the file descriptor and from there to the disk (fsync).
FileError writeThrough(int fd, const QByteArray& bytes);

} // namespace store
