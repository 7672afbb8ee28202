#include "store/FoldedTable.h"

namespace store {

QString foldForSearch(const QString& text)
{
    // Case folding can leave text that is no longer normalised (and the other way round), so normalise again.
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded().normalized(QString::NormalizationForm_KC);
}

bool FoldedTable::contains(const QString& source, Cell& cell, const QString& needle)
{
    // An unchanged cell shares its data with the copy kept here; any assignment to it gives it data of its own.
    if (source.constData() != cell.source.constData() || source.size() != cell.source.size()) {
        cell.source = source;
        cell.folded = foldForSearch(source);
    }
    return cell.folded.contains(needle);
}

int FoldedTable::find(const Module1::Table& table, int count, int start, const QString& text, bool allFields)
{
    const QString needle = foldForSearch(text);
    if (needle.isEmpty() || count <= 0) {
        return -1;
    }
    if (m_cells.size() < static_cast<size_t>(count)) {
        m_cells.resize(static_cast<size_t>(count));
    }
    if (start < 0 || start >= count) {
        start = count - 1;
    }
    const int fields = allFields ? Module1::FieldCount : 1;
    for (int k = 1; k <= count; ++k) {
        const int r = (start + k) % count;
        for (int f = 0; f < fields; ++f) {
            if (contains(table[r][f], m_cells[r][f], needle)) {
                return r;
            }
        }
    }
    return -1;
}

} // namespace store
