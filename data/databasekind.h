#pragma once

#include <QDir>
#include <QString>

namespace tavro {

// Which engine holds a database the program is told to use.
enum class DatabaseKind {
    File,   // a BD2003.mdb file (SQLite)
    Server, // a PostgreSQL database
};

// The one rule that reads a name: a file that exists (relative names from
// `folder`) is that file, whatever characters its name holds; otherwise
// what libpq takes for a connection, a URI of its own schemes
// ("postgresql://", "postgres://") or its key=value form led by one of its
// options ("host=… dbname=…"), names a server's database; anything else is
// a file path, "C:/…", "other://…" and "x=1.mdb" included. The setting
// reads values by it and the factory (data/database/) opens by it; nothing
// else asks.
DatabaseKind databaseKind(const QString &name, const QDir &folder = QDir());

} // namespace tavro
