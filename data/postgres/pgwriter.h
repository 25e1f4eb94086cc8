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

// Gives the tables of a server database that lack it the key CLE (see
// Database::upgrade()), in one transaction: the rows numbered in their
// stored order, the key made the server's to give from there on, the pick
// lists' indexes made, and each table written again in key order.
Result<UpgradeNotes> upgradeServer(const QString &conninfo);

// A failure, told with what was kept: nothing written in the database.
Status nothingWrittenToServer(const Status &failure);

} // namespace tavro
