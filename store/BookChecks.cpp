// What a book file can hold: the check before every save, and what a save would change.
#include "store/BookFormat.h"

#include <memory>

namespace store {
namespace {

bool isFieldEnd(QChar c)
{
    return c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Kana, kanji and full-width forms: what a Japanese spreadsheet file holds in three-byte UTF-8 characters.
bool isJapanese(char32_t c)
{
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

} // namespace

std::optional<CellNote> firstCellNotReadBack(const Module1::Table& table, int recordCount, const QByteArray& book)
{
    const auto again = std::make_unique<Module1::Table>();
    const ParsedBook read = parseBook(book, *again);
    for (int r = 0; r < recordCount; ++r) {
        for (int f = 0; f < Module1::FieldCount; ++f) {
            const QString& cell = table[static_cast<size_t>(r)][static_cast<size_t>(f)];
            const QString& back = (*again)[static_cast<size_t>(r)][static_cast<size_t>(f)];
            // A cell's own round trip: "?" and the look-alikes the user has accepted are what the file is meant to
            // give back; only a broken layout gives back something else. Most cells come back as they are, and
            // need no conversion to tell.
            const bool readBack = r < read.recordCount && (back == cell || back == fromCp932(toCp932(cell)));
            if (!readBack) {
                const QString cut = quoteThatEndsAField(cell);
                return CellNote{r, f, cut.isEmpty() ? cell : cut};
            }
        }
    }
    return std::nullopt;
}

QString quoteThatEndsAField(const QString& text)
{
    for (qsizetype quote = text.indexOf(QLatin1Char('"')); quote >= 0;
         quote = text.indexOf(QLatin1Char('"'), quote + 1)) {
        qsizetype after = quote + 1;
        while (after < text.size() && isBlank(text.at(after))) {
            ++after;
        }
        if (after < text.size() && isFieldEnd(text.at(after))) {
            return text.mid(quote, after - quote + 1);
        }
    }
    return QString();
}

QList<CellChange> cellsASaveChanges(const Module1::Table& table, int recordCount, int limit)
{
    QList<CellChange> cells;
    for (int r = 0; r < std::min(recordCount, Module1::MaxRecords); ++r) {
        for (int f = 0; f < Module1::FieldCount; ++f) {
            const QString& cell = table[static_cast<size_t>(r)][static_cast<size_t>(f)];
            CellChange change{r, f, cp932Changes(cell), quoteThatEndsAField(cell)};
            if (!change.changes.isEmpty() || !change.cut.isEmpty()) {
                cells.append(change);
                if (cells.size() == limit) {
                    return cells;
                }
            }
        }
    }
    return cells;
}

QString visibleCharacters(const QString& characters)
{
    QString text = characters;
    text.replace(QLatin1String("\r\n"), QStringLiteral("改行"));
    text.replace(QLatin1Char('\r'), QStringLiteral("改行"));
    text.replace(QLatin1Char('\n'), QStringLiteral("改行"));
    return text;
}

bool looksLikeUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    int japanese = 0;
    for (qsizetype i = 0; i < size;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead < 0xC2 || lead > 0xF4) {
            return false; // a continuation byte, an over-long lead or past U+10FFFF
        }
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t c = lead & (0x7F >> length);
        if (i + length > size) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        // Over-long forms, surrogates and code points past U+10FFFF are not UTF-8.
        if ((length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
            (length == 4 && (c < 0x10000 || c > 0x10FFFF))) {
            return false;
        }
        japanese += length == 3 && isJapanese(c) ? 1 : 0;
        i += length;
    }
    return japanese >= 2;
}

} // namespace store
