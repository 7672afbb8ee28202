#include "store/Module1.h"

#include <algorithm>

namespace Module1 {

Table RecordTable;
std::int16_t RecordCount = 0;
std::int16_t LastField = FieldCount - 1;
QString DataFileName;
QString MasterKey;
std::int16_t LoginResult = LoginAccepted;

void TableClear()
{
    const int last = std::min(RecordCount + 1, MaxRecords);
    for (int r = 0; r <= last; ++r) {
        for (int f = 0; f <= LastField; ++f) {
            RecordTable[r][f].clear();
        }
    }
}

void clearWholeTable(Table& table)
{
    for (Record& record : table) {
        for (QString& cell : record) {
            cell.clear();
        }
    }
}

void resetState()
{
    clearWholeTable();
    RecordCount = 0;
    LastField = FieldCount - 1;
    DataFileName.clear();
    MasterKey.clear();
    LoginResult = LoginAccepted;
}

} // namespace Module1
