#pragma once

#include <QString>

// Error numbers of the book-file layer. They are the numbers the program's messages and users have always known for
// these situations, so they are kept as they are; errorDescription() gives the text shown with them.
namespace store {
namespace FileError {

constexpr int None = 0;
constexpr int OutOfMemory = 7;
constexpr int FileNotFound = 53;
constexpr int DeviceIoError = 57;
constexpr int DiskFull = 61;
constexpr int InputPastEndOfFile = 62;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccessError = 75; // e.g. a folder where a file was expected, or an unusable name
constexpr int PathNotFound = 76;
constexpr int TooManyRecords = 1001; // the program's own: a file with more records than a book can hold

} // namespace FileError

// The Japanese text for an error number; an empty string for None, a generic text for numbers not listed above.
QString errorDescription(int code);

} // namespace store
