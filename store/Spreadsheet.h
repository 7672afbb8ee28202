#pragma once

#include "store/BookFormat.h"

#include <QStringView>

// Files that spreadsheets write: how to tell them from a book, and how to read them (store's own use).
namespace store {

// True when the first row of bytes (read with a spreadsheet's rules from the start) is 13 cells and cannot be the
// start of a book this program wrote: the bytes do not start with a quote, or a quote that does not open a line is
// followed by blanks and a comma. A book's lines each start with a quote, and a cell holding a quote before blanks
// and a comma is never written (it would not read back), so every book the writer produces stays a book.
bool isCommaLayout(const QByteArray& bytes);

// True when the first row of bytes, read with a spreadsheet's rules, is 13 cells.
bool firstRowIsARecord(const QByteArray& bytes);

// Reads the cells of text with a spreadsheet's rules: a cell that starts with a quote runs to the quote that is not
// doubled (a doubled quote is one quote of the text; commas and line breaks inside belong to the cell), any other cell
// to the next comma or line end, blanks and all. CR LF, LF and a lone CR end a row; empty lines at the very end are
// ignored. With rowsOf13 every row must be 13 cells, one record each; otherwise the cells are taken one after
// another, 13 a record, whatever the rows.
ParsedBook readSpreadsheet(QStringView text, Module1::Table& table, bool rowsOf13);

} // namespace store
