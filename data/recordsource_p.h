#pragma once

// Shared by the files of RecordSource; not part of its interface.

#include "data/recordsource.h"
#include "data/rowstore.h"
#include "data/schema.h"

#include <QDir>
#include <QFileInfo>
#include <SQLiteCpp/Database.h>

#include <map>
#include <optional>
#include <vector>

namespace tavro {

struct ResultColumn {
    QString name;
    int table = -1; // index into the base tables, -1 for an expression
    QString origin; // column name in its base table
};

struct RecordSource::Impl {
    QString path = QLatin1String(kDatabaseFileName);
    QString sql;
    std::unique_ptr<SQLite::Database> db;

    std::vector<ResultColumn> columns;
    QStringList tables;   // base tables, in order of first use
    bool readOnly = true; // no row identity: grouped, distinct or unparsed
    RowStore store;
    int current = -1;

    std::map<int, std::optional<QString>> pending; // column -> typed value (nullopt: null)
    bool newRow = false;                           // the last row is an unwritten new row

    QString shownPath() const;
    Status open();
    Status load(std::vector<ResultColumn> &cols, QStringList &tabs, bool &ro, RowStore &rows);
    QString typed(int column) const;
    Status busyFailure() const;
};

} // namespace tavro
