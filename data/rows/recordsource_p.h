#pragma once

// Shared by the files of RecordSource; not part of its interface.

#include "data/connection.h"
#include "data/enginefailure.h"
#include "data/rows/recordsource.h"
#include "data/setting/databasesetting.h"
#include "data/setting/paths.h"

#include <map>
#include <optional>
#include <vector>

namespace tavro {

using TableChanges = std::vector<ColumnValue>; // the changed columns of one base table

// What a save wrote besides the typed values: per base table, the key of a
// row it wrote and the values it copied into a row it inserted.
struct Written {
    explicit Written(std::size_t tables)
        : keys(tables)
        , copied(tables)
    {
    }
    std::vector<std::optional<RowKey>> keys;
    std::vector<std::map<QString, QString>> copied;
};

struct RecordSource::Impl {
    explicit Impl(RecordSource *source)
        : owner(source)
    {
    }
    RecordSource *owner;
    QString database = databaseOr(QLatin1String(kDatabaseFileName));
    QString sql;
    std::unique_ptr<Connection> db;

    LoadedResult loaded;
    int current = -1;

    std::map<int, std::optional<QString>> pending; // column -> typed value (nullopt: null)
    bool newRow = false;                           // the last row is an unwritten new row
    bool stale = false;                            // the rows come from a file since replaced
    bool conflicted = false;                       // the typing met a colleague's change

    const std::vector<ResultColumn> &columns() const { return loaded.columns; }
    RowStore &store() { return loaded.rows; }
    const RowStore &store() const { return loaded.rows; }

    Status open(Wait wait);
    // A failure passed on; when it says the file was replaced, the rows are
    // marked stale and the connection dropped: the next refresh opens the
    // file now at that path. Never called while a write holds the connection.
    Status noted(Status status);
    Status staleFailure(Action action) const;
    QString typed(int column) const;
    std::optional<QString> read(int row, int column) const;

    WriteRunner runner; // none: a save writes where it is called

    // The steps of a save: collect, write (wherever the runner runs it),
    // apply.
    std::vector<TableChanges> collectChanges() const;
    Status write(const std::vector<TableChanges> &changes, Written &written);
    Status insertMissingRow(int table, const TableChanges &set, Written &written);
    void applyWritten(const Written &written);
    // The columns of a table as they were read on the current row.
    std::vector<ColumnValue> originalsOf(int table) const;
    // The keys the current row has now in each of its tables (nothing for
    // a table where it has none, or was deleted).
    std::vector<std::optional<RowKey>> currentKeys();
    // Reads the rows again and makes current the row with these keys: true
    // when it is among them; the first row otherwise.
    bool reloadAt(const std::vector<std::optional<RowKey>> &keys);
    // Makes current the loaded row with these keys: true when it is there.
    bool showRow(const std::vector<std::optional<RowKey>> &keys);
};

} // namespace tavro
