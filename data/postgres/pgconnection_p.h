#pragma once

// The server engine's connection, shared by its two files: reading
// (pgconnection.cpp) and writing (pgwrites.cpp). Not for other files.

#include "data/connection.h"
#include "data/enginefailure.h"
#include "data/postgres/pgsession.h"
#include "data/postgres/pgtext.h"

#include <QHash>

#include <functional>

namespace tavro::pg {

class PgConnection final : public Connection {
public:
    PgConnection(PgConn conn, const QString &conninfo)
        : m_conn(std::move(conn))
        , m_conninfo(conninfo)
        , m_place{placeName(conninfo), DatabaseKind::Server}
    {
        // Nothing waits on a server that stops reading a long statement.
        PQsetnonblocking(m_conn.get(), 1);
    }

    QString where() const override { return m_place.name; }
    ReadOrigin readsFrom() const override
    {
        return {isStandby(m_conn.get()) ? ReadOrigin::Kind::Standby : ReadOrigin::Kind::Primary, sessionPlace(m_conn.get()), {}};
    }
    // One value of a statement's one row (empty for NULL), for the split
    // sessions' bookkeeping.
    Result<QByteArray> value(const char *sql, const std::vector<std::optional<QByteArray>> &params = {});
    void setWait(Wait) override { } // readers never wait on a server; writers wait for a row at most lock_timeout

    Result<LoadedResult> load(const QString &sql) override;
    PickListRead readColumn(const QString &sql, const QString &column) override;

    Status begin() override;
    Status commit() override;
    void rollback() override;
    Result<std::optional<RowKey>> update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes,
                                         const std::vector<ColumnValue> &asRead) override;
    Result<RowKey> insert(const QString &table, const std::map<QString, std::optional<QString>> &values) override;
    Result<bool> remove(const QString &table, RowKey key, const std::vector<ColumnValue> &originals) override;
    Result<std::optional<RowKey>> current(const QString &table, RowKey key) override;
    Result<QStringList> columnsOf(const QString &table) override;

private:
    // A statement's parameters, numbered as they are added.
    struct Params {
        std::vector<std::optional<QByteArray>> values;
        QString add(const std::optional<QString> &v)
        {
            values.push_back(v ? std::optional(v->toUtf8()) : std::nullopt);
            return QStringLiteral("$%1").arg(values.size());
        }
    };

    // A column still holding the value read, byte for byte.
    static QString unchanged(const ColumnValue &c, Params &params);
    // The row with the key, or at the place.
    static QString rowAt(bool keyed, const QString &param);
    // Where the newest version of the row read at this place lives now.
    Result<QByteArray> latestPlace(const QString &table, const QByteArray &place);

    // Whether a table (as a query names it) has the key CLE, and whether a
    // column of it has its pick list's indexes: asked once per connection.
    bool hasKey(const QString &table);
    bool hasListIndexes(const QString &table, const QString &column);
    TableFacts facts();

    // A ctid is a block number and an item number, big-endian; an xid four
    // bytes: a row's place and version, binary or as text.
    static RowKey binaryKeyOf(const PGresult *r, int column);
    static RowKey keyOf(const PGresult *r, int row, int column);

    // A connection the server dropped is opened again, outside a write only:
    // inside one the statement fails, and the write with it, rolled back by
    // the server.
    Status ensureConnected();

    // One statement, every wait bounded (pgwait.h). Outside a write, a
    // connection found dropped (a server restarted, an idle session ended)
    // is opened again and the statement sent once more: it only reads, or
    // begins a write. A server that kept silent is not asked again: the
    // clerk hears of it now.
    Result<PgResult> attempt(const std::function<int(PGconn *)> &send, Action action, ExecStatusType expected);
    Result<PgResult> exec(const QString &sql, Action action, const std::vector<std::optional<QByteArray>> &params = {});
    Status failure(const PGresult *result, bool lost, Action action) const;

    // The base table of each result column, by the server's own names; how
    // each column's binary form reads as text: 0 as it is, 2, 4 or 8 as a
    // big-endian integer of that many bytes, -1 not at all.
    Result<std::vector<int>> describe(const QString &text, LoadedResult &result, std::vector<Oid> &tableOids);
    QString tableName(Oid oid);
    QString columnName(Oid table, int number);

    PgConn m_conn;
    QString m_conninfo; // never shown: what its texts must not show
    Place m_place;
    bool m_writing = false; // between begin() and commit() or rollback()
    QHash<Oid, QString> m_tables;
    QHash<QPair<Oid, int>, QString> m_columns;
    QHash<QString, bool> m_keyed;  // a table as a query names it -> has the key
    QHash<QString, bool> m_listed; // "table.column" -> has its pick list's indexes
};

} // namespace tavro::pg

namespace tavro::pg {

// Several hosts: look-ups on a session that prefers a standby, opened now;
// saves on the primary's, opened at the first write (pgsplit.cpp).
Result<std::unique_ptr<Connection>> splitConnection(const QString &conninfo);

} // namespace tavro::pg
