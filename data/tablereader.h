#pragma once

#include "data/schema.h"
#include "data/status.h"

#include <functional>

namespace tavro {

// Reads the program's tables from a database of the program's own, only
// ever reading: the source of an import that moves a file's rows elsewhere
// (Database::reader(), data/database/database.h).
class TableReader {
public:
    virtual ~TableReader() = default;

    // Gives each row of the table, in the order it was stored, its values in
    // the table's column order; stops at the first failure, its own or the
    // receiver's.
    virtual Status eachRow(const TableDef &table, const std::function<Status(const RowValues &)> &receive) = 0;
};

} // namespace tavro
