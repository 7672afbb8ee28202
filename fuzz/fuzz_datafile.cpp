// Feeds arbitrary bytes to the book-file reader and checks what the rest of the program relies on:
//  - parseBook() returns normally, with either the records it read or one of the errors DataOpen reports
//    (input past end of file, too many records);
//  - it never claims more than 1000 records, and fills only the slots it claims (plus, on an error, the record it
//    was reading);
//  - a file that reads completely writes back, through formatBook(), to bytes that read back into the same cells,
//    each as code page 932 gives it back (a character it has no code for comes back as "?"). Only a book with a
//    cell holding CR, LF, or a quote followed by blanks and a comma or a line end is exempt: the format has no
//    escaping, and the main window refuses to store such a quote.
// A broken promise aborts, which libFuzzer reports as a crash together with the input.
#include "store/Cp932.h"
#include "store/DataFile.h"
#include "store/FileErrors.h"
#include "store/Module1.h"

#include <QByteArray>
#include <QString>

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

// The format has no escaping and ends a field at a quote followed by blanks and a comma or a line end; line ends
// inside a cell read back only as far as no such quote comes first. Books with such cells make no promise.
bool anyCellIsExempt(const Module1::Table& table, int recordCount)
{
    for (int r = 0; r < recordCount; ++r) {
        for (const QString& cell : table[static_cast<size_t>(r)]) {
            if (cell.contains(QLatin1Char('\r')) || cell.contains(QLatin1Char('\n')) ||
                !store::quoteThatEndsAField(cell).isEmpty()) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Module1::Table& table = firstTable();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const store::ReadResult read = store::parseBook(bytes, table);

    if (read.recordCount < 0 || read.recordCount > MaxRecords) {
        broken("recordCount within 0..1000", read.recordCount);
    }
    switch (read.error) {
    case store::FileError::None:
    case store::FileError::InputPastEndOfFile:
    case store::FileError::TooManyRecords:
        break;
    default:
        broken("error is one DataOpen reports", read.error);
    }
    if (read.error == store::FileError::TooManyRecords && read.recordCount != MaxRecords) {
        broken("too many records only after 1000 complete ones", read.recordCount);
    }
    if (read.error == store::FileError::None && read.recordCount < MaxRecords &&
        !slotIsEmpty(table, read.recordCount)) {
        broken("a complete read leaves the blank slot empty", read.recordCount);
    }

    if (read.error == store::FileError::None && !anyCellIsExempt(table, read.recordCount)) {
        const QByteArray written = store::formatBook(table, read.recordCount);
        Module1::Table& again = secondTable();
        const store::ReadResult reread = store::parseBook(written, again);
        if (reread.error != store::FileError::None) {
            broken("a written book reads without error", reread.error);
        }
        if (reread.recordCount != read.recordCount) {
            broken("a written book reads back as many records", reread.recordCount);
        }
        for (int r = 0; r < read.recordCount; ++r) {
            for (int f = 0; f < FieldCount; ++f) {
                const QString& cell = table[static_cast<size_t>(r)][static_cast<size_t>(f)];
                if (store::fromCp932(store::toCp932(cell)) != again[static_cast<size_t>(r)][static_cast<size_t>(f)]) {
                    broken("a written book reads back into the same cells", r * FieldCount + f);
                }
            }
        }
        clearTouched(again, reread.recordCount);
    }

    clearTouched(table, read.recordCount);
    return 0;
}
