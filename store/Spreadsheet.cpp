#include "store/Spreadsheet.h"

#include <QVarLengthArray>

namespace store {
namespace {

using Module1::FieldCount;
using Module1::MaxRecords;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Where the first row of bytes ends (its line end, or the end), and how many cells it has, counting at most 14.
struct FirstRow
{
    qsizetype end;
    int cells;
};

FirstRow firstRow(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    int cells = 1;
    while (i < size && cells <= FieldCount) {
        if (bytes[i] == '"') { // a quoted cell: quotes inside are doubled, commas and line ends are text
            for (++i; i < size; ++i) {
                if (bytes[i] == '"') {
                    if (i + 1 < size && bytes[i + 1] == '"') {
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
            }
        }
        while (i < size && bytes[i] != ',' && !isLineEnd(bytes[i])) {
            ++i;
        }
        if (i == size || isLineEnd(bytes[i])) {
            break;
        }
        ++i; // the comma
        ++cells;
    }
    return {i, cells};
}

bool blanksThenComma(const QByteArray& bytes, qsizetype from, qsizetype end)
{
    while (from < end && (bytes[from] == ' ' || bytes[from] == '\t')) {
        ++from;
    }
    return from < end && bytes[from] == ',';
}

// Cells go into the table one after another, or row by row with every row 13 cells.
class CellSink
{
public:
    CellSink(Module1::Table& table, bool rowsOf13) : m_table(table), m_rowsOf13(rowsOf13) {}

    bool add(QString cell)
    {
        if (!m_rowsOf13) {
            return put(std::move(cell));
        }
        if (m_row.size() == FieldCount) {
            return fail(FileError::InputPastEndOfFile); // a row wider than a record
        }
        m_row.append(std::move(cell));
        return true;
    }

    bool endRow()
    {
        if (!m_rowsOf13) {
            return true;
        }
        if (m_row.size() != FieldCount) {
            return fail(FileError::InputPastEndOfFile); // a row narrower than a record
        }
        for (QString& cell : m_row) {
            put(std::move(cell)); // past 1000 records every cell is refused, none is written
        }
        m_row.clear();
        return m_result.error == FileError::None;
    }

    ParsedBook finish()
    {
        if (m_result.error == FileError::None && m_field != 0) {
            m_result.error = FileError::InputPastEndOfFile; // the file ends inside a record
        }
        return m_result;
    }

private:
    bool put(QString cell)
    {
        if (m_field == 0 && m_result.recordCount == MaxRecords) {
            return fail(FileError::TooManyRecords);
        }
        m_table[static_cast<size_t>(m_result.recordCount)][static_cast<size_t>(m_field)] = std::move(cell);
        if (++m_field == FieldCount) {
            m_field = 0;
            ++m_result.recordCount;
        }
        return true;
    }

    bool fail(FileError error)
    {
        m_result.error = error;
        return false;
    }

    Module1::Table& m_table;
    bool m_rowsOf13;
    QVarLengthArray<QString, FieldCount> m_row;
    int m_field = 0;
    ParsedBook m_result;
};

} // namespace

bool firstRowIsARecord(const QByteArray& bytes)
{
    return firstRow(bytes).cells == FieldCount;
}

bool isCommaLayout(const QByteArray& bytes)
{
    const FirstRow row = firstRow(bytes);
    if (row.cells != FieldCount) {
        return false;
    }
    if (!bytes.startsWith('"')) {
        return true;
    }
    for (qsizetype i = 1; i < row.end; ++i) {
        if (bytes[i] == '"' && !isLineEnd(bytes[i - 1]) && blanksThenComma(bytes, i + 1, row.end)) {
            return true;
        }
    }
    return false;
}

ParsedBook readSpreadsheet(QStringView text, Module1::Table& table, bool rowsOf13)
{
    CellSink sink(table, rowsOf13);
    const qsizetype size = text.size();
    // Rows stop where only line ends are left: a spreadsheet's last line end, and any empty lines after it.
    qsizetype rowsEnd = size;
    while (rowsEnd > 0 && isLineEnd(text[rowsEnd - 1])) {
        --rowsEnd;
    }
    qsizetype pos = 0;
    bool ok = true;
    while (ok && pos < rowsEnd) {
        while (true) {
            QString cell;
            if (text[pos] == QLatin1Char('"')) {
                for (++pos; pos < size;) {
                    const qsizetype quote = text.indexOf(QLatin1Char('"'), pos);
                    if (quote < 0) { // never closed: the cell runs to the end of the file
                        cell += text.mid(pos);
                        pos = size;
                        break;
                    }
                    cell += text.mid(pos, quote - pos);
                    pos = quote + 1;
                    if (pos < size && text[pos] == QLatin1Char('"')) {
                        cell += QLatin1Char('"');
                        ++pos;
                        continue;
                    }
                    break;
                }
            }
            // An unquoted cell, or what follows a closing quote before the next comma: kept as it stands.
            const qsizetype from = pos;
            while (pos < size && text[pos] != QLatin1Char(',') && !isLineEnd(text[pos])) {
                ++pos;
            }
            cell += text.mid(from, pos - from);
            if (!(ok = sink.add(std::move(cell)))) {
                break;
            }
            if (pos < size && text[pos] == QLatin1Char(',')) {
                ++pos;
                if (pos == size) { // a comma at the very end still starts an empty cell
                    ok = sink.add(QString());
                    break;
                }
                continue;
            }
            break;
        }
        if (pos < size && text[pos] == QLatin1Char('\r')) {
            ++pos;
        }
        if (pos < size && text[pos] == QLatin1Char('\n')) {
            ++pos;
        }
        ok = ok && sink.endRow();
    }
    return sink.finish();
}

} // namespace store
