#pragma once

#include "data/tablewriter.h"

#include <memory>

namespace tavro {

// Over a server database (a libpq connection string): the comparison rules
// and the tables are made where absent; tables that already hold rows are
// refused unless options.replace, then emptied in the same transaction.
// Existing tables of the program's shape are kept, with the rights granted
// on them.
Result<std::unique_ptr<TableWriter>> serverTableWriter(const QString &conninfo, const WriteOptions &options);

// A failure, told with what was kept: nothing written in the database.
Status nothingWrittenToServer(const Status &failure);

} // namespace tavro
