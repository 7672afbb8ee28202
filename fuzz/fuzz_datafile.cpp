// Arbitrary bytes for the book reader. Its promises: it returns normally (the sanitizers watch the rest), with at
// most 1000 records and only the errors the main window reports; whatever read without error, the writer writes as a
// book that reads back into the same cells as code page 932 gives them back (the check before a save refuses only a
// cell a quote would cut), and as a rescue copy that reads back into exactly the same cells. A broken promise aborts;
// libFuzzer keeps the input.
#include "store/BookFormat.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace store;

namespace {

void promise(bool kept, const char* what)
{
    if (!kept) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

// Empties the rows a read may have touched: a fresh table per input would cost more than the reader itself.
void clearRows(Module1::Table& table, int count)
{
    for (int r = 0; r <= std::min(count, Module1::RecordSlots - 1); ++r) {
        table[r].fill(QString());
    }
}

// The bytes read again give every cell back as its own encoding does: code page 932 for a book, UTF-8 for a rescue
// copy (which writes a lone surrogate as "?" and keeps a leading U+FEFF as text).
bool readsBack(const QByteArray& bytes, const Module1::Table& table, int count, bool asBook)
{
    static const auto again = std::make_unique<Module1::Table>();
    const ParsedBook read = parseBook(bytes, *again);
    bool same = read.error == FileError::None && read.recordCount == count && read.isCp932Book() == asBook;
    for (int r = 0; same && r < count; ++r) {
        for (int f = 0; f < Module1::FieldCount; ++f) {
            const QString& cell = table[r][f];
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            same = same && (*again)[r][f] == (asBook ? fromCp932(toCp932(cell)) : QString(utf8.decode(cell.toUtf8())));
        }
    }
    clearRows(*again, read.recordCount);
    return same;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto table = std::make_unique<Module1::Table>();
    const ParsedBook read =
        parseBook(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), *table);
    const int count = read.recordCount;
    promise(count >= 0 && count <= Module1::MaxRecords, "at most 1000 records");
    promise(read.error == FileError::None || read.error == FileError::InputPastEndOfFile ||
                (read.error == FileError::TooManyRecords && count == Module1::MaxRecords),
            "only the errors of a short file or of too many records");
    if (read.error == FileError::None) {
        // A quote before blanks and a comma or line end: the only thing a book cannot hold.
        const auto cuts = [](const QString& cell) { return !quoteThatEndsAField(cell).isEmpty(); };
        const bool cut = std::any_of(table->begin(), table->begin() + count,
                                     [&](const Module1::Record& record) { return std::ranges::any_of(record, cuts); });
        const QByteArray book = formatBook(*table, count);
        promise(firstCellNotReadBack(*table, count, book).has_value() == cut, "the save is refused only for a cut");
        promise(cut || readsBack(book, *table, count, true), "a written book reads back as a book into the same cells");
        promise(readsBack(formatSpreadsheet(*table, count), *table, count, false),
                "a rescue copy reads back into the same cells");
    }
    clearRows(*table, count);
    return 0;
}
