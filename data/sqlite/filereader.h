#pragma once

#include "data/tablereader.h"

#include <QString>

#include <memory>

namespace tavro {

// The program's tables of a BD2003.mdb file (SQLite), opened read-only and
// checked at once: a missing table or column is told now rather than
// halfway. nullptr when the file is no SQLite database, or no regular file:
// the caller may read it another way.
Result<std::unique_ptr<TableReader>> fileTableReader(const QString &path);

} // namespace tavro
