#pragma once

#include "store/Module1.h"

#include <QByteArray>
#include <QString>

// Reading and writing book files.
//
// A book file holds each field as a double quote, the field's code page 932 bytes, a double quote and CR LF; 13
// fields a record, records in slot order, nothing else (no header, no byte order mark, no escaping). An empty book is
// an empty file. The reader follows the old sequential-input rules, so a 13-column comma-separated file saved by a
// spreadsheet opens as well. Every function returns the error numbers of store/FileErrors.h.
namespace store {

struct ReadResult
{
    int error = 0;       // FileError::None on success
    int recordCount = 0; // records filled in, counting only complete ones
};

// Fills slots 0..n-1 of the table from the bytes; the caller has emptied the table first. On an error the table may
// hold partial data and the caller is expected to empty it again.
ReadResult parseBook(const QByteArray& bytes, Module1::Table& table);

// The bytes of a book file holding slots 0..recordCount-1 of the table.
QByteArray formatBook(const Module1::Table& table, int recordCount);

// parseBook() on the whole file at path, with file-system failures turned into error numbers.
ReadResult readBookFile(const QString& path, Module1::Table& table);

// Saves the book atomically: on any failure an existing file at path is left exactly as it was. A newly created file
// is readable and writable by its owner only; an existing file keeps its permissions. Returns 0 or an error number.
int writeBookFile(const QString& path, const Module1::Table& table, int recordCount);

// Removes the file at path. Returns 0 or an error number.
int deleteBookFile(const QString& path);

} // namespace store
