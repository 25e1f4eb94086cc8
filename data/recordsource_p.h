#pragma once

// Shared by the files of RecordSource; not part of its interface.

#include "data/databasesetting.h"
#include "data/enginefailure.h"
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

// A query's result as loaded: its columns, base tables and rows.
struct LoadedResult {
    std::vector<ResultColumn> columns;
    QStringList tables;   // base tables, in order of first use
    bool readOnly = true; // no row identity: grouped, distinct or unparsed
    RowStore rows;
};

// A changed column of one base table: the value typed and the value read.
struct Change {
    std::optional<QString> value;
    std::optional<QString> original;
};
using TableChanges = std::map<QString, Change>; // column in its table -> change

// What a save wrote besides the typed values: per base table, the rowid of
// a row it inserted and the values it copied into that row.
struct Written {
    explicit Written(std::size_t tables)
        : inserted(tables, RowStore::kNoKey)
        , copied(tables)
    {
    }
    std::vector<qint64> inserted;
    std::vector<std::map<QString, QString>> copied;
};

struct RecordSource::Impl {
    explicit Impl(RecordSource *source)
        : owner(source)
    {
    }
    RecordSource *owner;
    QString path = databaseOr(QLatin1String(kDatabaseFileName));
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
    Result<LoadedResult> load();
    QString typed(int column) const;
    // The steps of a save.
    std::vector<TableChanges> collectChanges() const;
    // False when the row no longer holds what was read.
    bool updateRow(int table, qint64 rowid, const TableChanges &set);
    void insertMissingRow(int table, const TableChanges &set, Written &written);
    void applyWritten(const Written &written);

    // An engine failure while doing `action`, as the user reads it.
    Status failure(int sqliteCode, Action action, const QString &engineText) const;
};

} // namespace tavro
