// The bytes of a book file: reading them into cells and writing cells as them. No file system here.
#include "store/BookFormat.h"

#include "store/Spreadsheet.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <memory>

namespace store {
namespace {

using Module1::FieldCount;
using Module1::MaxRecords;

struct ByteOrderMark
{
    const char* bytes;
    QStringConverter::Encoding converter;
    Encoding encoding;
};
const ByteOrderMark ByteOrderMarks[] = {
    {"\xEF\xBB\xBF", QStringConverter::Utf8, Encoding::Utf8},
    {"\xFF\xFE", QStringConverter::Utf16LE, Encoding::Utf16LE},
    {"\xFE\xFF", QStringConverter::Utf16BE, Encoding::Utf16BE},
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDelimiter(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// Walks the raw bytes of a book file field by field, by the old sequential-input rules: blanks before a field are
// skipped, an unquoted field ends at a comma or line end with its trailing blanks removed. Working on bytes rather
// than decoded text is safe because the second byte of a Shift-JIS character is never a quote, comma, blank, CR or
// LF; each field is decoded on its own. Every byte is looked at a bounded number of times, so even a huge file
// without line ends reads in linear time.
class FieldReader
{
public:
    FieldReader(const char* begin, const char* end) : m_pos(begin), m_end(end) {}

    bool atEnd() const { return m_pos == m_end; }

    QString readField()
    {
        while (m_pos != m_end && isBlank(*m_pos)) {
            ++m_pos;
        }
        if (m_pos != m_end && *m_pos == '"') {
            return readQuoted();
        }
        const char* begin = m_pos;
        const char* stop = findDelimiter(m_pos);
        m_pos = stop;
        consumeDelimiter();
        while (stop != begin && isBlank(stop[-1])) {
            --stop;
        }
        return fromCp932(begin, stop - begin);
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
                return fromCp932(begin, quote - begin);
            }
            from = quote + 1;
        }
        m_pos = m_end;
        return fromCp932(begin, m_end - begin);
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
};

ParsedBook readBookLayout(const QByteArray& bytes, Module1::Table& table)
{
    ParsedBook result;
    FieldReader reader(bytes.constData(), bytes.constData() + bytes.size());
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

QString decode(QStringConverter::Encoding encoding, const QByteArray& bytes)
{
    // Everything after the mark is text, a second mark included.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

} // namespace

ParsedBook parseBook(const QByteArray& bytes, Module1::Table& table)
{
    for (const ByteOrderMark& mark : ByteOrderMarks) {
        if (bytes.startsWith(mark.bytes)) {
            const QString text = decode(mark.converter, bytes.mid(static_cast<qsizetype>(std::strlen(mark.bytes))));
            // A mark tells the encoding, not the layout: a file of 13-cell rows is read row by row, anything else
            // cell after cell as it always was.
            const bool rows = firstRowIsARecord(text.toUtf8());
            ParsedBook result = readSpreadsheet(text, table, rows);
            result.encoding = mark.encoding;
            result.layout = rows ? Layout::Comma : Layout::Book;
            return result;
        }
    }
    if (!isCommaLayout(bytes)) {
        return readBookLayout(bytes, table);
    }
    const bool utf8 = looksLikeUtf8(bytes);
    ParsedBook result = readSpreadsheet(utf8 ? decode(QStringConverter::Utf8, bytes) : fromCp932(bytes), table, true);
    result.encoding = utf8 ? Encoding::Utf8 : Encoding::Cp932;
    result.layout = Layout::Comma;
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

QByteArray formatSpreadsheet(const Module1::Table& table, int recordCount)
{
    recordCount = std::clamp(recordCount, 0, MaxRecords);
    QString text;
    for (int r = 0; r < recordCount; ++r) {
        for (int f = 0; f < FieldCount; ++f) {
            QString cell = table[static_cast<size_t>(r)][static_cast<size_t>(f)];
            text += QLatin1Char('"') + cell.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
            text += f + 1 < FieldCount ? QStringLiteral(",") : QStringLiteral("\r\n");
        }
    }
    return QByteArray(ByteOrderMarks[0].bytes) + text.toUtf8();
}

} // namespace store
