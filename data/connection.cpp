#include "data/connection.h"

namespace tavro {

RowKey LoadedResult::key(int row, int table) const
{
    const int first = table * keysPerTable;
    return {rows.key(row, first), keysPerTable > 1 ? rows.key(row, first + 1) : 0};
}

void LoadedResult::setKey(int row, int table, RowKey key)
{
    const int first = table * keysPerTable;
    rows.setKey(row, first, key.id);
    if (keysPerTable > 1)
        rows.setKey(row, first + 1, key.version);
}

} // namespace tavro
