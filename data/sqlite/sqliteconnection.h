#pragma once

#include "data/connection.h"

namespace tavro {

// Opens a BD2003.mdb file (SQLite) as a connection; see openDatabase().
Result<std::unique_ptr<Connection>> connectToFile(const QString &path, Wait wait = Wait::ForBusy);

} // namespace tavro
