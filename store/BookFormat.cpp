// The bytes of a book file: reading them into cells and writing cells as them. No file system here.
#include "store/Cp932.h"
#include "store/DataFile.h"
#include "store/FileErrors.h"

#include <algorithm>
#include <cstring>

namespace store {
namespace {

using Module1::FieldCount;
using Module1::MaxRecords;

const QByteArray Utf8ByteOrderMark("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDelimiter(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// Walks the raw bytes of a book file field by field. Working on bytes rather than decoded text is safe because the
// second byte of a Shift-JIS character is never a quote, comma, blank, CR or LF (and UTF-8 never uses ASCII bytes
// inside a character); each field is decoded on its own. Every byte is looked at a bounded number of times, so even
// a huge file without line ends reads in linear time.
class FieldReader
{
public:
    FieldReader(const char* begin, const char* end, bool utf8) : m_pos(begin), m_end(end), m_utf8(utf8) {}

    bool atEnd() const { return m_pos == m_end; }

    QString readField()
    {
        while (m_pos != m_end && isBlank(*m_pos)) {
            ++m_pos;
        }
        if (m_pos != m_end && *m_pos == '"') {
            return m_utf8 ? readSpreadsheetQuoted() : readQuoted();
        }
        const char* begin = m_pos;
        const char* stop = findDelimiter(m_pos);
        m_pos = stop;
        consumeDelimiter();
        while (stop != begin && isBlank(stop[-1])) {
            --stop;
        }
        return decode(begin, stop - begin);
    }

private:
    // The program writes a quote inside a field as it is, so a quote ends a quoted field only where the field can
    // end: before blanks and a comma, a line end or the end of the file. Any other quote is part of the text. A
    // field with no such quote runs, across line ends if need be, to the end of the file.
    QString readQuoted()
    {
        const char* begin = m_pos + 1;
        for (const char* from = begin; from != m_end;) {
            const auto* quote = static_cast<const char*>(std::memchr(from, '"', static_cast<size_t>(m_end - from)));
            if (!quote) {
                break;
            }
            const char* after = quote + 1;
            while (after != m_end && isBlank(*after)) {
                ++after;
            }
            if (after == m_end || isDelimiter(*after)) {
                m_pos = after;
                consumeDelimiter();
                return decode(begin, quote - begin);
            }
            from = quote + 1;
        }
        m_pos = m_end;
        return decode(begin, m_end - begin);
    }

    // A spreadsheet doubles a quote inside a quoted field; the first single quote ends the field, and anything after
    // it up to the next delimiter is not part of any field.
    QString readSpreadsheetQuoted()
    {
        QByteArray text;
        const char* from = m_pos + 1;
        while (true) {
            const auto* quote = static_cast<const char*>(std::memchr(from, '"', static_cast<size_t>(m_end - from)));
            const char* stop = quote ? quote : m_end;
            text.append(from, stop - from);
            if (!quote) {
                m_pos = m_end;
                break;
            }
            if (quote + 1 != m_end && quote[1] == '"') {
                text += '"';
                from = quote + 2;
                continue;
            }
            m_pos = findDelimiter(quote + 1);
            consumeDelimiter();
            break;
        }
        return decode(text.constData(), text.size());
    }

    QString decode(const char* data, qsizetype size) const
    {
        return m_utf8 ? QString::fromUtf8(data, size) : fromCp932(data, size);
    }

    const char* findDelimiter(const char* from) const
    {
        while (from != m_end && !isDelimiter(*from)) {
            ++from;
        }
        return from;
    }

    // A comma, or a line end: CR LF, a lone CR or a lone LF.
    void consumeDelimiter()
    {
        if (m_pos == m_end) {
            return;
        }
        const char c = *m_pos++;
        if (c == '\r' && m_pos != m_end && *m_pos == '\n') {
            ++m_pos;
        }
    }

    const char* m_pos;
    const char* m_end;
    bool m_utf8;
};

} // namespace

ReadResult parseBook(const QByteArray& bytes, Module1::Table& table)
{
    ReadResult result;
    result.utf8 = bytes.startsWith(Utf8ByteOrderMark);
    const char* begin = bytes.constData() + (result.utf8 ? Utf8ByteOrderMark.size() : 0);
    FieldReader reader(begin, bytes.constData() + bytes.size(), result.utf8);
    // End of file is tested before each record only: a file that stops inside a record is an error, not a short one.
    while (!reader.atEnd()) {
        if (result.recordCount == MaxRecords) {
            result.error = FileError::TooManyRecords;
            return result;
        }
        Module1::Record& record = table[static_cast<size_t>(result.recordCount)];
        for (int field = 0; field < FieldCount; ++field) {
            if (reader.atEnd()) {
                result.error = FileError::InputPastEndOfFile;
                return result;
            }
            record[static_cast<size_t>(field)] = reader.readField();
        }
        ++result.recordCount;
    }
    return result;
}

QByteArray formatBook(const Module1::Table& table, int recordCount)
{
    // Never write more than the reader accepts back.
    recordCount = std::clamp(recordCount, 0, MaxRecords);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(recordCount) * FieldCount * 24);
    for (int r = 0; r < recordCount; ++r) {
        for (const QString& cell : table[static_cast<size_t>(r)]) {
            out += '"';
            out += toCp932(cell);
            out += "\"\r\n";
        }
    }
    return out;
}

QString quoteThatEndsAField(const QString& text)
{
    for (qsizetype quote = text.indexOf(QLatin1Char('"')); quote >= 0;
         quote = text.indexOf(QLatin1Char('"'), quote + 1)) {
        qsizetype after = quote + 1;
        while (after < text.size() && (text.at(after) == QLatin1Char(' ') || text.at(after) == QLatin1Char('\t'))) {
            ++after;
        }
        if (after < text.size() && (text.at(after) == QLatin1Char(',') || text.at(after) == QLatin1Char('\r') ||
                                    text.at(after) == QLatin1Char('\n'))) {
            return text.mid(quote, after - quote + 1);
        }
    }
    return QString();
}

QList<UnstorableCell> unstorableCells(const Module1::Table& table, int recordCount, int limit)
{
    QList<UnstorableCell> cells;
    for (int r = 0; r < std::min(recordCount, MaxRecords) && cells.size() < limit; ++r) {
        for (int f = 0; f < FieldCount && cells.size() < limit; ++f) {
            const QString missing = cp932Unrepresentable(table[static_cast<size_t>(r)][static_cast<size_t>(f)]);
            if (!missing.isEmpty()) {
                cells.append({r, f, missing});
            }
        }
    }
    return cells;
}

} // namespace store
