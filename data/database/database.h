#pragma once

#include "data/connection.h"
#include "data/databasekind.h"
#include "data/enginefailure.h"
#include "data/tablereader.h"
#include "data/tablewriter.h"

#include <QString>

#include <memory>

namespace tavro {

// A database as the program names it: a file's path (SQLite) or a server
// database's connection string (PostgreSQL). The one place that turns a
// name into an engine: whatever reaches the data (record sources, the
// shared connection, the tools) asks it for a connection, a writer or a
// reader, and for how messages name the data; nothing above it knows
// which engine answered.
class Database {
public:
    explicit Database(QString name);
    // The database named for the program (data/setting/databasesetting.h),
    // else `fallback`, the caller's own file rule.
    static Database namedOr(const QString &fallback);

    const QString &name() const { return m_name; }
    // How messages name it: a file's full path, or the connection string
    // without its password.
    Place place() const;

    // Opens a connection; a server's readers never wait for its writers.
    Result<std::unique_ptr<Connection>> connect(Wait wait = Wait::ForBusy) const;
    // The tools' writer: a new file put in place whole, or the server's
    // tables filled in one transaction.
    Result<std::unique_ptr<TableWriter>> writer(const WriteOptions &options = {}) const;
    // The program's tables of a database of its own, only ever read; nullptr
    // when this is not one (a file of another kind, as an Access file, or a
    // server's database, whose rows its own tools copy).
    Result<std::unique_ptr<TableReader>> reader() const;
    // Gives the program's tables that lack it the key CLE, numbering the
    // rows in the order the program showed them (a file's by rowid, a
    // server's as stored), every row and column kept, all at once or not
    // at all: a new file written beside the old one and put in its place
    // (the old one kept under a dated name), or one transaction on a server.
    Result<UpgradeNotes> upgrade() const;
    // A failure of a tool's write to this database, told with what was
    // kept: nothing written there.
    Status nothingWritten(const Status &failure) const;

private:
    QString m_name;
    DatabaseKind m_kind;
};

} // namespace tavro
