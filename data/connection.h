#pragma once

#include "data/picklist.h"
#include "data/rowstore.h"
#include "data/status.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tavro {

// Where a result column comes from: its base table (an index into the
// result's tables) and its name there; -1 for an expression.
struct ResultColumn {
    QString name;
    int table = -1;
    QString origin;
};

// Which base row a result row shows, in one of its tables: its key CLE,
// or in a table without one, its place (a file's rowid, a server's ctid)
// and on a server the version of the row as it was read.
struct RowKey {
    qint64 id = RowStore::kNoKey;
    qint64 version = 0;
    bool valid() const { return id != RowStore::kNoKey; }
};

// A query's result as loaded: its columns, base tables and rows. Each row
// carries keysPerTable keys per base table: its RowKey's id, then its
// version where the engine keeps one (a key or a SQLite rowid needs none,
// and a million rows are 8 MB lighter without).
struct LoadedResult {
    int keysPerTable = 1;
    std::vector<ResultColumn> columns;
    QStringList tables;      // base tables, in order of first use
    std::vector<bool> keyed; // per base table: its rows have the key CLE
    bool readOnly = true;    // no row identity: grouped, distinct or unparsed
    RowStore rows;

    RowKey key(int row, int table) const;
    void setKey(int row, int table, RowKey key);
};

// A column's value as written, and as it was read (nullopt: null).
struct ColumnValue {
    QString column;
    std::optional<QString> value;
    std::optional<QString> original;
};

// Whether an operation waits a few seconds for data another program holds
// (a SQLite file being written) or gives up at once, as a retry in the
// background must.
enum class Wait { ForBusy, No };

// One connection to the data, whichever engine holds them (opened by
// Database::connect(), data/database/database.h). It runs a
// window's fixed query texts with the program's text rules, says which base
// table and row each result column and row comes from, and writes one row
// at a time under optimistic locking. Every engine failure comes back as a
// Status worded by engineFailure(); nothing of the engine is thrown.
class Connection {
public:
    virtual ~Connection() = default;

    // The data as messages name them (a file's full path).
    virtual QString where() const = 0;

    virtual void setWait(Wait wait) = 0;

    // Runs a query text and loads every row.
    virtual Result<LoadedResult> load(const QString &sql) = 0;
    // Runs a query text reading forward and gives one column's values.
    virtual PickListRead readColumn(const QString &sql, const QString &column) = 0;

    // A write: begin, the row operations, then commit; a write left
    // uncommitted is rolled back.
    virtual Status begin() = 0;
    virtual Status commit() = 0;
    virtual void rollback() = 0;

    // Sets the columns of the row with this key, only if each still holds
    // its original value. In a table without the key CLE, whose rows are
    // found by their place (which a deleted row leaves to the next), every
    // column of the row as read (`asRead`) must still hold its value.
    // Nothing when the row no longer qualifies; the key the row has now
    // otherwise.
    virtual Result<std::optional<RowKey>> update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes,
                                                 const std::vector<ColumnValue> &asRead) = 0;
    // Adds a row and gives its key.
    virtual Result<RowKey> insert(const QString &table, const std::map<QString, std::optional<QString>> &values) = 0;
    // Deletes the row with this key if every given column still holds its
    // original value (a server's table without the key: if the row is still
    // the version read); false when it no longer does.
    virtual Result<bool> remove(const QString &table, RowKey key, const std::vector<ColumnValue> &originals) = 0;
    // The key the row read with this key has now (a server's row without
    // the key CLE moves on every write); nothing when it was deleted.
    virtual Result<std::optional<RowKey>> current(const QString &table, RowKey key) = 0;
    // A table's columns, in its order.
    virtual Result<QStringList> columnsOf(const QString &table) = 0;
};

// A write that rolls back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Connection &connection)
        : m_connection(connection)
    {
    }
    ~WriteTransaction()
    {
        if (m_open)
            m_connection.rollback();
    }
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    Status begin()
    {
        Status s = m_connection.begin();
        m_open = s.ok();
        return s;
    }
    Status commit()
    {
        Status s = m_connection.commit();
        if (s)
            m_open = false;
        return s;
    }

private:
    Connection &m_connection;
    bool m_open = false;
};

} // namespace tavro
