#pragma once

#include "store/Module1.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Reading and writing book files.
//
// A book file holds each field as a double quote, the field's code page 932 bytes, a double quote and CR LF; 13
// fields a record, records in slot order, nothing else (no header, no byte order mark, no escaping). An empty book is
// an empty file. The reader follows the old sequential-input rules, so a 13-column comma-separated file saved by a
// spreadsheet opens as well; one that starts with a UTF-8 byte order mark ("CSV UTF-8") is read as UTF-8 with the
// spreadsheet's quoting. Every function returns the error numbers of store/FileErrors.h.
namespace store {

// What the program last read from or wrote to a file: enough to tell later whether another program changed it.
struct FileStamp
{
    QString path; // absolute; empty when nothing is known
    qint64 size = -1;
    QByteArray digest; // SHA-256 of the bytes
};

struct ReadResult
{
    int error = 0;       // FileError::None on success
    int recordCount = 0; // records filled in, counting only complete ones
    bool utf8 = false;   // the file was a UTF-8 spreadsheet file
    FileStamp stamp;     // the bytes read, when the file could be read
};

// A cell that a book file cannot hold as it is.
struct UnstorableCell
{
    int record = 0;
    int field = 0;
    QString characters; // what code page 932 has no code for, each once
};

// Fills slots 0..n-1 of the table from the bytes; the caller has emptied the table first. On an error the table may
// hold partial data and the caller is expected to empty it again.
ReadResult parseBook(const QByteArray& bytes, Module1::Table& table);

// The bytes of a book file holding slots 0..recordCount-1 of the table.
QByteArray formatBook(const Module1::Table& table, int recordCount);

// parseBook() on the whole file at path, with file-system failures turned into error numbers.
ReadResult readBookFile(const QString& path, Module1::Table& table);

// Saves the book atomically: every byte is on the disk before the new file replaces the old one, and on any failure
// an existing file at path is left exactly as it was. A newly created file is readable and writable by its owner
// only; an existing file keeps its permissions. Returns 0 or an error number; on success *written (when given)
// describes the bytes now in the file.
int writeBookFile(const QString& path, const Module1::Table& table, int recordCount, FileStamp* written = nullptr);

enum class FileChange
{
    Unchanged, // the file still holds the bytes of the stamp
    Changed,   // another program wrote to it (or it cannot be read to tell)
    Gone       // there is no file at the path any more
};
FileChange checkFile(const FileStamp& stamp);

// True when both name the same file (after making them absolute).
bool samePath(const QString& a, const QString& b);

// A quote followed by blanks and then a comma or a line end ends a field in a book file, so a cell holding one reads
// back cut there. Returns that part of text (quote, blanks and the comma or line end), or an empty string.
QString quoteThatEndsAField(const QString& text);

// The first cells of slots 0..recordCount-1 holding characters that code page 932 cannot hold, at most limit of them.
QList<UnstorableCell> unstorableCells(const Module1::Table& table, int recordCount, int limit);

// Removes the file at path. Returns 0 or an error number.
int deleteBookFile(const QString& path);

} // namespace store
