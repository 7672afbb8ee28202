#pragma once

#include "store/FileErrors.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// When the program has to end without a window (a logout, kill) and cannot save the book to its own file, the
// unsaved book goes to a rescue copy, a spreadsheet file that holds every character:
// $XDG_DATA_HOME/Keyfold/rescue/<name>-<yyyyMMdd-HHmmss>.csv, readable by its owner only. When that folder cannot
// be made or written, the copy goes beside the book (a book without a file: the home folder), then into the home
// folder. A name is never taken twice: two copies made in the same second are "-2", "-3"...
namespace store {

struct RescueAttempt
{
    QString path; // the folder, or the file tried in it
    FileError error = FileError::None;
};

struct RescueResult
{
    QString path;                // the copy made; empty when none could be made
    QList<RescueAttempt> failed; // every place tried in vain, in order
};

// Writes bytes to a new rescue copy of the book named bookName (its file's path, or empty or "新規" for a book
// without a file), taken at when.
RescueResult writeRescueCopy(const QString& bookName, const QByteArray& bytes, const QDateTime& when);

} // namespace store
