#pragma once

#include <QString>

// Error numbers of the book-file layer. They are the numbers the program's messages and users have always known for
// these situations, so they are kept as they are; errorDescription() gives the text shown with them.
namespace store {

enum class FileError
{
    None = 0,
    OutOfMemory = 7,
    FileNotFound = 53,
    DeviceIoError = 57,
    DiskFull = 61,
    InputPastEndOfFile = 62,
    PermissionDenied = 70,
    PathFileAccessError = 75, // e.g. a folder where a file was expected, or an unusable name
    PathNotFound = 76,
    TooManyRecords = 1001,  // the program's own: a file with more records than a book can hold
    NotReadBack = 1002,     // the program's own: a cell the book file would not give back as it is
    SavingElsewhere = 1003, // the program's own: another Keyfold is saving this book right now
};

// The Japanese text for an error; an empty string for None.
QString errorDescription(FileError error);

} // namespace store
