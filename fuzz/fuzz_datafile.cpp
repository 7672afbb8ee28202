// Feeds arbitrary bytes to the book-file reader and checks what the rest of the program relies on:
//  - parseBook() returns normally, with either the records it read or one of the errors DataOpen reports
//    (input past end of file, too many records);
//  - it never claims more than 1000 records, and fills only the slots it claims (plus, on an error, the record it
//    was reading);
//  - every table the writer accepts reads back into the same cells, each as code page 932 gives it back (a
//    character it has no code for comes back as "?"), and every book it writes is read in the book layout; it
//    refuses a table only when a cell holds a quote followed by blanks and a comma or a line end;
//  - a rescue copy of the table reads back into exactly the same cells.
// A broken promise aborts, which libFuzzer reports as a crash together with the input.
#include "store/BookFormat.h"
#include "store/Module1.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using Module1::FieldCount;
using Module1::MaxRecords;
using Module1::RecordSlots;

[[noreturn]] void broken(const char* promise, int detail = 0)
{
    std::fprintf(stderr, "broken promise: %s (%d)\n", promise, detail);
    std::abort();
}

// Two tables for the whole run: allocating 2 x 13,013 strings per input would drown the reader's own cost.
Module1::Table& firstTable()
{
    static const auto table = std::make_unique<Module1::Table>();
    return *table;
}

Module1::Table& secondTable()
{
    static const auto table = std::make_unique<Module1::Table>();
    return *table;
}

// Empties the slots a parse may have touched (the records read and the one it stopped in), so the next input starts
// from an empty table as DataOpen gives it.
void clearTouched(Module1::Table& table, int recordCount)
{
    const int last = recordCount < RecordSlots ? recordCount : RecordSlots - 1;
    for (int r = 0; r <= last; ++r) {
        for (QString& cell : table[static_cast<size_t>(r)]) {
            cell.clear();
        }
    }
}

bool slotIsEmpty(const Module1::Table& table, int slot)
{
    for (const QString& cell : table[static_cast<size_t>(slot)]) {
        if (!cell.isEmpty()) {
            return false;
        }
    }
    return true;
}

bool anyCellIsCut(const Module1::Table& table, int recordCount)
{
    for (int r = 0; r < recordCount; ++r) {
        for (const QString& cell : table[static_cast<size_t>(r)]) {
            if (!store::quoteThatEndsAField(cell).isEmpty()) {
                return true;
            }
        }
    }
    return false;
}

// Reads bytes into the second table and checks each cell against what the first table's cells should become.
template <typename Expected>
void checkReadBack(const char* what, const QByteArray& bytes, const Module1::Table& table, int recordCount,
                   Expected expected)
{
    Module1::Table& again = secondTable();
    const store::ParsedBook reread = store::parseBook(bytes, again);
    if (reread.error != store::FileError::None || reread.recordCount != recordCount) {
        broken(what, reread.recordCount);
    }
    for (int r = 0; r < recordCount; ++r) {
        for (int f = 0; f < FieldCount; ++f) {
            const QString& cell = table[static_cast<size_t>(r)][static_cast<size_t>(f)];
            if (expected(cell) != again[static_cast<size_t>(r)][static_cast<size_t>(f)]) {
                broken(what, r * FieldCount + f);
            }
        }
    }
    clearTouched(again, reread.recordCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Module1::Table& table = firstTable();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const store::ParsedBook read = store::parseBook(bytes, table);

    if (read.recordCount < 0 || read.recordCount > MaxRecords) {
        broken("recordCount within 0..1000", read.recordCount);
    }
    switch (read.error) {
    case store::FileError::None:
    case store::FileError::InputPastEndOfFile:
    case store::FileError::TooManyRecords:
        break;
    default:
        broken("error is one DataOpen reports", static_cast<int>(read.error));
    }
    if (read.error == store::FileError::TooManyRecords && read.recordCount != MaxRecords) {
        broken("too many records only after 1000 complete ones", read.recordCount);
    }
    if (read.error == store::FileError::None && read.recordCount < MaxRecords &&
        !slotIsEmpty(table, read.recordCount)) {
        broken("a complete read leaves the blank slot empty", read.recordCount);
    }

    if (read.error == store::FileError::None) {
        const int count = read.recordCount;
        const QByteArray book = store::formatBook(table, count);
        const auto refused = store::firstCellNotReadBack(table, count, book);
        if (refused.has_value() != anyCellIsCut(table, count)) {
            broken("the writer refuses exactly the tables with a quote that cuts a cell", refused.has_value());
        }
        if (!refused) {
            Module1::Table& again = secondTable();
            if (!store::parseBook(book, again).isCp932Book()) {
                broken("a written book is read as a code page 932 book");
            }
            clearTouched(again, count);
            checkReadBack("a written book reads back into the same cells", book, table, count,
                          [](const QString& cell) { return store::fromCp932(store::toCp932(cell)); });
        }
        checkReadBack("a rescue copy reads back into the same cells", store::formatSpreadsheet(table, count), table,
                      count, [](const QString& cell) {
                          // As UTF-8 holds it: a lone surrogate is written as "?"; a leading U+FEFF is text.
                          QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
                          return QString(utf8.decode(cell.toUtf8()));
                      });
    }

    clearTouched(table, read.recordCount);
    return 0;
}
