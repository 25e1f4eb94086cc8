#pragma once

#include "data/schema.h"
#include "data/status.h"

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

namespace SQLite { class Database; }

namespace tavro {

// One row's values in its table's column order, as UTF-8; nullopt is NULL.
using RowValues = QList<std::optional<QByteArray>>;

// Fills the program's three tables, whichever engine holds them: the tools
// (sample data, import) write through it. The schema and every row form one
// transaction: nothing is seen, and nothing is changed, until commit()
// succeeds; a writer destroyed before that leaves the database as it was.
class TableWriter {
public:
    virtual ~TableWriter() = default;

    // The data as messages name them.
    virtual QString where() const = 0;
    // The rows that follow go to this table (each table once, in any order).
    virtual Status startTable(const TableDef &table) = 0;
    virtual Status addRow(const RowValues &values) = 0;
    virtual Status commit() = 0;
};

// Over a new, empty SQLite file: creates the tables (with the program's
// text rules) at once. The caller owns the file, and removes it on failure.
Result<std::unique_ptr<TableWriter>> fileTableWriter(SQLite::Database &db, const QString &path);

// Over a server database (a postgresql:// address or key=value string):
// the comparison rules and the tables are made where absent; tables that
// already hold rows are refused unless `replace`, then emptied in the same
// transaction. Existing tables of the program's shape are kept, with the
// rights granted on them.
Result<std::unique_ptr<TableWriter>> serverTableWriter(const QString &conninfo, bool replace);

} // namespace tavro
