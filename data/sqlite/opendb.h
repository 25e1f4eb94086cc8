#pragma once

#include "data/status.h"

#include <QString>

#include <memory>

namespace SQLite {
class Database;
}

namespace tavro {

// How long a write waits for another copy of the program to release the file.
inline constexpr int kBusyTimeoutMs = 4000;

using SqliteHandle = std::unique_ptr<SQLite::Database>;

// Opens an existing database file for reading and writing. Never creates,
// alters or empties it: a missing file, a file that is not a database and an
// Access (Jet) file each come back as an error, the file left as it was; a
// missing file's message says how to get one.
Result<SqliteHandle> openDatabase(const QString &path, int busyTimeoutMs = kBusyTimeoutMs);

// Gives a connection the program's text rules and busy timeout. Every
// connection the program or its tools open goes through here.
void prepareConnection(SQLite::Database &db, int busyTimeoutMs = kBusyTimeoutMs);

// Whether a table has the key CLE: an INTEGER PRIMARY KEY, the rowid
// itself, which AUTOINCREMENT keeps from ever being given again. Throws
// SQLite's exception when the table cannot be read.
bool tableHasKey(SQLite::Database &db, const QString &table);

// True when the file starts like an Access (Jet or ACE) database.
bool looksLikeAccessFile(const QString &path);

} // namespace tavro
