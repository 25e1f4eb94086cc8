#pragma once

#include "data/connection.h"

namespace tavro {

// Opens a PostgreSQL database named by a libpq connection string or
// postgresql:// address. Passwords come the libpq way (~/.pgpass,
// PGPASSFILE, a service file, PG* variables) and never appear in a message.
Result<std::unique_ptr<Connection>> connectToServer(const QString &conninfo);

} // namespace tavro
