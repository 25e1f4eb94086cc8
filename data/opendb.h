#pragma once

#include "data/status.h"

#include <QString>

#include <memory>

namespace SQLite { class Database; }

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

// Tools only: creates a new, empty database file (fails if it exists).
Result<SqliteHandle> createDatabaseFile(const QString &path);

// True when the file starts like an Access (Jet or ACE) database.
bool looksLikeAccessFile(const QString &path);

// A file's full path as messages show it.
QString displayPath(const QString &path);

// A tool of ours as a command: the one beside the program, named in full.
QString toolCommand(const QString &tool);

// The command a user runs to convert an Access file into our format, in
// place: the tool beside the program, the file named in full.
QString importCommandFor(const QString &accessFile);

// A word as a POSIX shell reads it back unchanged: quoted only when needed.
QString shellQuoted(const QString &word);

} // namespace tavro
