#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The state that every window of the program shares: the open book and the few values the windows pass to each
// other. It lives for the whole run; the windows read and write it directly.
namespace Module1 {

inline constexpr int RecordSlots = 1001; // slots 0..1000; a book keeps one slot free as the blank slot
inline constexpr int MaxRecords = 1000;
inline constexpr int FieldCount = 13;

using Record = std::array<QString, FieldCount>;
using Table = std::array<Record, RecordSlots>;

// The book: records lie densely in slots 0..RecordCount-1, slot RecordCount is the blank slot.
extern Table RecordTable;
extern std::int16_t RecordCount;
extern std::int16_t LastField; // the highest field index, always 12
extern QString DataFileName;   // written only through store::BookSession
// The name a book has before it has a file.
inline const QString NewBookName = QStringLiteral("新規");
extern QString MasterKey;
// Outcome of the master-key dialog: 0 accepted, 1 refused (dialog still open), 2 a new master key.
extern std::int16_t LoginResult;

inline constexpr std::int16_t LoginAccepted = 0;
inline constexpr std::int16_t LoginRefused = 1;
inline constexpr std::int16_t LoginNewKey = 2;

// Empties the book's slots, the blank slot and the one after it (never past slot 1000).
void TableClear();

// Empties every slot of a table, the program's own by default.
void clearWholeTable(Table& table = RecordTable);

// Puts everything back as at program start; used by tests that run several sessions in one process.
void resetState();

} // namespace Module1
