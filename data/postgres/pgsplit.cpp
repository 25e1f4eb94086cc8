// Several hosts, as a site with streaming standbys names them: look-ups
// where a standby answers, saves on the primary.
#include "data/postgres/pgconnection_p.h"
#include "data/postgres/pgwait.h"

namespace tavro::pg {

namespace {

class SplitConnection final : public Connection {
public:
    SplitConnection(QString conninfo, std::unique_ptr<PgConnection> reader)
        : m_conninfo(std::move(conninfo))
        , m_place{placeName(m_conninfo), DatabaseKind::Server}
        , m_reader(std::move(reader))
    {
    }

    QString where() const override { return m_place.name; }
    void setWait(Wait) override { }
    ReadOrigin readsFrom() const override { return m_reader->readsFrom(); }

    Result<LoadedResult> load(const QString &sql) override { return readerNow().load(sql); }
    PickListRead readColumn(const QString &sql, const QString &column) override { return readerNow().readColumn(sql, column); }

    Status begin() override
    {
        if (Status opened = openWriter(); !opened)
            return opened;
        return m_writer->begin();
    }
    Status commit() override
    {
        if (!m_writer)
            return engineFailure(Fault::Other, Action::Commit, m_place);
        Status done = m_writer->commit();
        if (done) {
            // Until a standby has replayed this save, look-ups read the
            // primary: the clerk sees the row as saved, never an older one.
            auto lsn = m_writer->value("SELECT pg_catalog.pg_current_wal_insert_lsn()");
            m_savedAt = lsn ? *lsn : QByteArray("FFFFFFFF/FFFFFFFF");
        }
        return done;
    }
    void rollback() override
    {
        if (m_writer)
            m_writer->rollback();
    }
    Result<std::optional<RowKey>> update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes,
                                         const std::vector<ColumnValue> &asRead) override
    {
        if (Status opened = openWriter(); !opened)
            return opened;
        return m_writer->update(table, key, changes, asRead);
    }
    Result<RowKey> insert(const QString &table, const std::map<QString, std::optional<QString>> &values) override
    {
        if (Status opened = openWriter(); !opened)
            return opened;
        return m_writer->insert(table, values);
    }
    Result<bool> remove(const QString &table, RowKey key, const std::vector<ColumnValue> &originals) override
    {
        if (Status opened = openWriter(); !opened)
            return opened;
        return m_writer->remove(table, key, originals);
    }
    // Where a row is now, and the columns a save writes: the primary's.
    Result<std::optional<RowKey>> current(const QString &table, RowKey key) override
    {
        if (Status opened = openWriter(); !opened)
            return opened;
        return m_writer->current(table, key);
    }
    Result<QStringList> columnsOf(const QString &table) override
    {
        if (Status opened = openWriter(); !opened)
            return opened;
        return m_writer->columnsOf(table);
    }

private:
    Status openWriter()
    {
        if (m_writer)
            return Status::success();
        auto session = openSession(m_conninfo, kStatementSeconds, nullptr, "read-write");
        if (!session)
            return session.status();
        m_writer = std::make_unique<PgConnection>(std::move(*session), m_conninfo);
        return Status::success();
    }

    // The standby's session, once it has replayed the last save (a
    // primary's session, reached when no standby answers, has nothing
    // to replay); the primary's until then.
    Connection &readerNow()
    {
        if (m_savedAt.isEmpty() || !m_writer)
            return *m_reader;
        auto replayed = m_reader->value("SELECT pg_catalog.pg_last_wal_replay_lsn() IS NULL "
                                        "OR pg_catalog.pg_last_wal_replay_lsn() OPERATOR(pg_catalog.>=) $1::pg_catalog.pg_lsn",
                                        {m_savedAt});
        if (replayed && *replayed == "t") {
            m_savedAt.clear();
            return *m_reader;
        }
        return *m_writer;
    }

    QString m_conninfo;
    Place m_place;
    std::unique_ptr<PgConnection> m_reader;
    std::unique_ptr<PgConnection> m_writer;
    QByteArray m_savedAt; // the primary's WAL position after the last save
};

} // namespace

Result<std::unique_ptr<Connection>> splitConnection(const QString &conninfo)
{
    auto session = openSession(conninfo, kStatementSeconds, nullptr, "prefer-standby");
    if (!session)
        return session.status();
    return std::unique_ptr<Connection>(
        std::make_unique<SplitConnection>(conninfo, std::make_unique<PgConnection>(std::move(*session), conninfo)));
}

} // namespace tavro::pg
