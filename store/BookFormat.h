#pragma once

#include "store/Cp932.h"
#include "store/FileErrors.h"
#include "store/Module1.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The bytes of book files, with no file system involved.
//
// A book, as this program writes it, holds each field as a double quote, the field's code page 932 bytes, a double
// quote and CR LF; 13 fields a record, records in slot order, nothing else (no header, no byte order mark, no
// escaping). An empty book is an empty file.
//
// The reader also opens what spreadsheets write. A file that starts with a byte order mark (UTF-8, or UTF-16 in
// either byte order) is read with a spreadsheet's quoting. A file without one whose first row is a comma-separated
// line of 13 cells is too, in UTF-8 when it plainly is UTF-8 and in code page 932 otherwise. Anything else is read
// in the book's own layout, one field a line, in code page 932, by the old sequential-input rules.
namespace store {

enum class Encoding
{
    Cp932,
    Utf8,
    Utf16LE,
    Utf16BE
};

enum class Layout
{
    Book,  // one field a line, or (with a byte order mark) cells taken one after another, 13 a record
    Comma, // one record a row of 13 comma-separated cells
};

struct ParsedBook
{
    FileError error = FileError::None;
    int recordCount = 0; // records filled in, counting only complete ones
    Encoding encoding = Encoding::Cp932;
    Layout layout = Layout::Book;
    // What this program writes and reads back unchanged. Any other file is not written over without the user
    // choosing it in the save dialog, so it never turns into a book behind the user's back.
    bool isCp932Book() const { return encoding == Encoding::Cp932 && layout == Layout::Book; }
};

// Fills slots 0..n-1 of the table from the bytes; the caller has emptied the table first. On an error the table may
// hold partial data and the caller is expected to empty it again.
ParsedBook parseBook(const QByteArray& bytes, Module1::Table& table);

// The bytes of a book file holding slots 0..recordCount-1 of the table.
QByteArray formatBook(const Module1::Table& table, int recordCount);

// The same records as a spreadsheet's "CSV UTF-8" file: a byte order mark, 13 quoted cells a row with quotes
// doubled, CR LF. It holds every character and every cell as it is, and the reader opens it again.
QByteArray formatSpreadsheet(const Module1::Table& table, int recordCount);

// A cell as a user finds it: 0-based record and field, and the characters concerned.
struct CellNote
{
    int record = 0;
    int field = 0;
    QString characters;
};

// The first cell of slots 0..recordCount-1 that the book bytes (formatBook of the same table) do not give back as
// that cell's own code page 932 round trip, read with the whole reader. Its characters are the quote that ends the
// field early, with the blanks and the comma or line end after it. Nothing when the book reads back as it should.
std::optional<CellNote> firstCellNotReadBack(const Module1::Table& table, int recordCount, const QByteArray& book);

// A quote followed by blanks and then a comma or a line end ends a field in a book file, so a cell holding one reads
// back cut there. Returns that part of text (quote, blanks and the comma or line end), or an empty string.
QString quoteThatEndsAField(const QString& text);

// What a save would do to the cells of slots 0..recordCount-1, at most limit cells: characters that come back as
// others (cp932Changes), and quotes that would cut the cell short (the save is then refused).
struct CellChange
{
    int record = 0;
    int field = 0;
    QList<CharacterChange> changes;
    QString cut; // quoteThatEndsAField of the cell
};
QList<CellChange> cellsASaveChanges(const Module1::Table& table, int recordCount, int limit);

// Characters as a message names them: a line break is named in words.
QString visibleCharacters(const QString& characters);

// True when bytes without a byte order mark are UTF-8 rather than code page 932: every byte sequence is valid UTF-8
// and at least two of its characters are Japanese ones of three bytes (kana, kanji, full-width forms). Code page 932
// text hardly ever passes; the README gives the measured rates.
bool looksLikeUtf8(QByteArrayView bytes);

} // namespace store
