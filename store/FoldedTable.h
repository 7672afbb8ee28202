#pragma once

#include "store/Module1.h"

#include <vector>

// Searching the book without regard to letter case or to half-width and full-width forms. Both the text sought and
// every cell are compared in their NFKC-normalised, case-folded form (so ｶﾞｽ finds ガス and ＡＢＣ finds abc). The
// folded cells are kept, and a cell is folded again only when the table holds a different string there than the
// one it was folded from, so a search after any change of the table sees the change.
namespace store {

QString foldForSearch(const QString& text);

class FoldedTable
{
public:
    // The first record, in the order start + 1, start + 2, ... wrapping round to start itself, among records 0 to
    // count - 1 of the table, whose provider name (or any field, with allFields) holds the text. A start past the
    // last record searches from record 0. -1 when no record holds it, or the text is empty.
    int find(const Module1::Table& table, int count, int start, const QString& text, bool allFields);

private:
    struct Cell
    {
        QString source; // shares the table's string while the cell is unchanged
        QString folded;
    };
    bool contains(const QString& source, Cell& cell, const QString& needle);

    std::vector<std::array<Cell, Module1::FieldCount>> m_cells;
};

} // namespace store
