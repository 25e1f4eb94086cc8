#pragma once

#include "data/tablewriter.h"

#include <memory>

namespace tavro {

// A new BD2003.mdb file (SQLite) with the program's tables, under its text
// rules, put in place whole at commit() (data/sqlite/newfile.h).
Result<std::unique_ptr<TableWriter>> fileTableWriter(const QString &target, const WriteOptions &options);

} // namespace tavro
