// The server engine: the look-up tables in a PostgreSQL database, through
// libpq. libpq rather than Qt's QPSQL driver: only libpq tells which table
// and column a result column comes from (PQftable, PQftablecol), and lets a
// large result stream in row by row (single-row mode) instead of being held
// twice in memory.
#include "data/postgres/pgconnection.h"

#include "data/enginefailure.h"
#include "data/loadpolicy.h"
#include "data/postgres/pgsession.h"
#include "data/postgres/pgtext.h"
#include "data/sqltext.h"

#include <QHash>
#include <QtEndian>

#include <memory>

namespace tavro {

namespace {

using pg::faultOf;
using pg::PgConn;
using pg::PgResult;

// Types whose binary form is their text's bytes: text, varchar, bpchar, name.
bool isText(Oid type)
{
    return type == 25 || type == 1043 || type == 1042 || type == 19;
}

class PgConnection final : public Connection {
public:
    PgConnection(PgConn conn, const QString &conninfo)
        : m_conn(std::move(conn))
        , m_conninfo(conninfo)
        , m_place{pg::placeName(conninfo), DatabaseKind::Server}
    {
    }

    QString where() const override { return m_place.name; }
    void setWait(Wait) override { } // readers never wait on a server; writers wait for a row at most lock_timeout

    Result<LoadedResult> load(const QString &sql) override;
    PickListRead readColumn(const QString &sql, const QString &column) override;

    Status begin() override
    {
        const Status begun = exec("BEGIN", Action::Write).status();
        m_writing = begun.ok();
        return begun;
    }
    Status commit() override
    {
        // Whatever COMMIT answers, the transaction is over. Without an
        // answer the write may or may not have been made: the message says so.
        auto done = exec("COMMIT", Action::Write);
        m_writing = false;
        if (!done && PQstatus(m_conn.get()) != CONNECTION_OK)
            return failure(nullptr, true, Action::Commit);
        return done.status();
    }
    void rollback() override
    {
        m_writing = false;
        if (PQstatus(m_conn.get()) == CONNECTION_OK && PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE)
            PgResult(PQexec(m_conn.get(), "ROLLBACK"));
    }

    Result<std::optional<RowKey>> update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes) override
    {
        // As in the file: each column is written only if it still holds the
        // value read, compared byte for byte, so a colleague's change of
        // another column is kept and one of these columns, even of case, is
        // never overwritten. The row is the one at the place read, or where
        // a colleague's change of it moved it (ctid moves on every write).
        QStringList assignments, checks;
        std::vector<std::optional<QByteArray>> params;
        const auto param = [&](const std::optional<QString> &v) {
            params.push_back(v ? std::optional(v->toUtf8()) : std::nullopt);
            return QStringLiteral("$%1").arg(params.size());
        };
        for (const ColumnValue &c : changes)
            assignments << quotedIdentifier(c.column) + QStringLiteral(" = ") + param(c.value);
        for (const ColumnValue &c : changes)
            checks << quotedIdentifier(c.column) + QStringLiteral(" COLLATE \"C\" IS NOT DISTINCT FROM ") + param(c.original);
        QByteArray place = pg::unpackTid(key.id);
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE ctid = %3::tid AND %4 RETURNING ctid, xmin")
                                .arg(quotedIdentifier(table), assignments.join(QLatin1String(", ")),
                                     param(QString::fromLatin1(place)), checks.join(QLatin1String(" AND ")));
        for (int hop = 0; hop < 2; ++hop) {
            auto result = exec(sql, Action::Write, params);
            if (!result)
                return result.status();
            if (PQntuples(result->get()) > 0)
                return std::optional(keyOf(result->get(), 0, 0));
            auto moved = latestPlace(table, place);
            if (!moved)
                return moved.status();
            if (*moved == place)
                break; // deleted, or not moved: changed values refused it
            place = *moved;
            params.back() = place;
        }
        return std::optional<RowKey>();
    }

    Result<RowKey> insert(const QString &table, const std::map<QString, std::optional<QString>> &values) override
    {
        QStringList names, marks;
        std::vector<std::optional<QByteArray>> params;
        for (const auto &[name, value] : values) {
            params.push_back(value ? std::optional(value->toUtf8()) : std::nullopt);
            names << quotedIdentifier(name);
            marks << QStringLiteral("$%1").arg(params.size());
        }
        auto result = exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING ctid, xmin")
                               .arg(quotedIdentifier(table), names.join(QLatin1String(", ")), marks.join(QLatin1String(", "))),
                           Action::Write, params);
        if (!result)
            return result.status();
        return keyOf(result->get(), 0, 0);
    }

    Result<bool> remove(const QString &table, RowKey key, const std::vector<ColumnValue> &) override
    {
        // The version read (xmin) or nothing: any write since, of any
        // column, refuses the delete.
        auto result = exec(QStringLiteral("DELETE FROM %1 WHERE ctid = $1::tid AND xmin = $2::xid").arg(quotedIdentifier(table)),
                           Action::Delete, {pg::unpackTid(key.id), QByteArray::number(key.version)});
        if (!result)
            return result.status();
        return QByteArray(PQcmdTuples(result->get())).toInt() > 0;
    }

    Result<bool> exists(const QString &table, RowKey key) override
    {
        auto place = latestPlace(table, pg::unpackTid(key.id));
        if (!place)
            return place.status();
        auto result =
            exec(QStringLiteral("SELECT 1 FROM %1 WHERE ctid = $1::tid").arg(quotedIdentifier(table)), Action::Read, {*place});
        if (!result)
            return result.status();
        return PQntuples(result->get()) > 0;
    }

    Result<QStringList> columnsOf(const QString &table) override
    {
        auto result = exec(QStringLiteral("SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid "
                                          "OPERATOR(pg_catalog.=) $1::pg_catalog.regclass AND attnum > 0 "
                                          "AND NOT attisdropped ORDER BY attnum"),
                           Action::Read, {quotedIdentifier(table).toUtf8()});
        if (!result)
            return result.status();
        QStringList names;
        for (int r = 0; r < PQntuples(result->get()); ++r)
            names << QString::fromUtf8(PQgetvalue(result->get(), r, 0));
        return names;
    }

private:
    // A ctid is a block number and an item number, big-endian; an xid four bytes.
    static RowKey binaryKeyOf(const PGresult *r, int column)
    {
        if (PQgetlength(r, 0, column) != 6 || PQgetlength(r, 0, column + 1) != 4)
            return {};
        const auto *tid = reinterpret_cast<const uchar *>(PQgetvalue(r, 0, column));
        const auto *xid = reinterpret_cast<const uchar *>(PQgetvalue(r, 0, column + 1));
        return {(qint64(qFromBigEndian<quint32>(tid)) << 16) | qFromBigEndian<quint16>(tid + 4), qFromBigEndian<quint32>(xid)};
    }

    static RowKey keyOf(const PGresult *r, int row, int column)
    {
        return {pg::packTid(QByteArray(PQgetvalue(r, row, column))), QByteArray(PQgetvalue(r, row, column + 1)).toLongLong()};
    }

    // Where the newest version of the row read at this place lives now.
    Result<QByteArray> latestPlace(const QString &table, const QByteArray &place)
    {
        auto r = exec(QStringLiteral("SELECT pg_catalog.currtid2($1, $2::tid)"), Action::Read,
                      {quotedIdentifier(table).toUtf8(), place});
        if (!r)
            return r.status();
        return QByteArray(PQgetvalue(r->get(), 0, 0));
    }

    // A connection the server dropped is opened again, outside a write only:
    // inside one the statement fails, and the write with it, rolled back by
    // the server.
    Status ensureConnected()
    {
        if (PQstatus(m_conn.get()) == CONNECTION_OK)
            return Status::success();
        if (m_writing)
            return failure(nullptr, true, Action::Write);
        PQreset(m_conn.get());
        if (PQstatus(m_conn.get()) != CONNECTION_OK)
            return pg::connectionFailure(m_conn.get(), m_place, m_conninfo,
                                         QStringLiteral("Les lignes affichées et les saisies restent."));
        return pg::prepareSession(m_conn.get(), m_place, m_conninfo);
    }

    // One statement. Outside a write, a connection found dropped (a server
    // restarted, an idle session ended) is opened again and the statement
    // sent once more: it only reads, or begins a write.
    template <typename Send>
    Result<PgResult> attempt(Send send, Action action, ExecStatusType expected)
    {
        for (int tries = 0;; ++tries) {
            if (Status connected = ensureConnected(); !connected)
                return connected;
            PgResult r(send());
            const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
            if (status == expected || status == PGRES_COMMAND_OK)
                return r;
            const bool lost = PQstatus(m_conn.get()) != CONNECTION_OK;
            if (!lost || m_writing || tries > 0)
                return failure(r.get(), lost, action);
        }
    }

    Result<PgResult> exec(const QString &sql, Action action, const std::vector<std::optional<QByteArray>> &params = {})
    {
        const QByteArray text = sql.toUtf8();
        std::vector<const char *> values;
        for (const auto &p : params)
            values.push_back(p ? p->constData() : nullptr);
        return attempt(
            [&] {
                return PQexecParams(m_conn.get(), text.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr,
                                    0);
            },
            action, PGRES_TUPLES_OK);
    }

    Status failure(const PGresult *result, bool lost, Action action) const
    {
        const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        const QString text = pg::errorText(m_conn.get(), result, m_conninfo);
        // The database lacks a table or column the window's query names.
        if (action == Action::Read && state && qstrncmp(state, "42", 2) == 0 && qstrcmp(state, "42501") != 0)
            return missingSchema(m_place, text);
        return engineFailure(faultOf(state, lost || PQstatus(m_conn.get()) != CONNECTION_OK), action, m_place, text);
    }

    // The base table of each result column, by the server's own names.
    // The base table of each result column; whether every column is text.
    Result<bool> describe(const QString &text, LoadedResult &result, std::vector<Oid> &tableOids);
    QString tableName(Oid oid);
    QString columnName(Oid table, int number);

    PgConn m_conn;
    QString m_conninfo; // never shown: what its texts must not show
    Place m_place;
    bool m_writing = false; // between begin() and commit() or rollback()
    QHash<Oid, QString> m_tables;
    QHash<QPair<Oid, int>, QString> m_columns;
};

QString PgConnection::tableName(Oid oid)
{
    auto it = m_tables.constFind(oid);
    if (it != m_tables.constEnd())
        return *it;
    auto r =
        exec(QStringLiteral("SELECT relname FROM pg_catalog.pg_class WHERE oid = $1"), Action::Read, {QByteArray::number(oid)});
    const QString name = r && PQntuples(r->get()) ? QString::fromUtf8(PQgetvalue(r->get(), 0, 0)) : QString();
    m_tables.insert(oid, name);
    return name;
}

QString PgConnection::columnName(Oid table, int number)
{
    const QPair<Oid, int> k(table, number);
    auto it = m_columns.constFind(k);
    if (it != m_columns.constEnd())
        return *it;
    auto r = exec(QStringLiteral("SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid = $1 AND attnum = $2"), Action::Read,
                  {QByteArray::number(table), QByteArray::number(number)});
    const QString name = r && PQntuples(r->get()) ? QString::fromUtf8(PQgetvalue(r->get(), 0, 0)) : QString();
    m_columns.insert(k, name);
    return name;
}

Result<bool> PgConnection::describe(const QString &text, LoadedResult &result, std::vector<Oid> &tableOids)
{
    const QByteArray statement = text.toUtf8();
    auto prepared =
        attempt([&] { return PQprepare(m_conn.get(), "", statement.constData(), 0, nullptr); }, Action::Read, PGRES_COMMAND_OK);
    if (!prepared)
        return prepared.status();
    PgResult described(PQdescribePrepared(m_conn.get(), ""));
    if (!described || PQresultStatus(described.get()) != PGRES_COMMAND_OK)
        return failure(described.get(), !described, Action::Read);
    const int n = PQnfields(described.get());
    result.columns.assign(std::size_t(n), {});
    bool allText = true;
    for (int i = 0; i < n; ++i) {
        result.columns[i].name = QString::fromUtf8(PQfname(described.get(), i));
        allText = allText && isText(PQftype(described.get(), i));
        const Oid oid = PQftable(described.get(), i);
        if (oid == InvalidOid)
            continue;
        auto at = std::find(tableOids.begin(), tableOids.end(), oid);
        if (at == tableOids.end()) {
            tableOids.push_back(oid);
            result.tables << tableName(oid);
            at = tableOids.end() - 1;
        }
        result.columns[i].table = int(at - tableOids.begin());
        result.columns[i].origin = columnName(oid, PQftablecol(described.get(), i));
    }
    return allText;
}

Result<LoadedResult> PgConnection::load(const QString &sql)
{
    LoadedResult result;
    result.keysPerTable = 2; // place (ctid) and version (xmin)
    const QString text = pg::withTextRules(sql);
    std::vector<Oid> oids;
    const Result<bool> allText = describe(text, result, oids);
    if (!allText)
        return allText.status();

    // Rows of DISTINCT, grouped or compound results stand for several base
    // rows or none: they get no identity and stay read-only. So do results
    // with a computed column where an aggregate may hide.
    const bool computed =
        std::any_of(result.columns.begin(), result.columns.end(), [](const ResultColumn &c) { return c.table < 0; });
    result.readOnly = result.tables.isEmpty() || groupsRows(sql) || (computed && sql.contains(QLatin1Char('(')));
    // The rows' identities asked for too; where the text names its tables
    // otherwise (an alias), the rows are read without them and stay
    // read-only. Prepared again either way: the names of the tables and
    // columns were looked up since.
    QString keyed = result.readOnly ? QString() : pg::withIdentity(text, result.tables);
    const auto prepare = [&](const QString &statement) {
        const QByteArray bytes = statement.toUtf8();
        return attempt([&] { return PQprepare(m_conn.get(), "", bytes.constData(), 0, nullptr); }, Action::Read,
                       PGRES_COMMAND_OK);
    };
    if (!keyed.isEmpty() && !prepare(keyed))
        keyed.clear();
    if (keyed.isEmpty()) {
        if (auto plain = prepare(text); !plain)
            return plain.status();
    }
    if (keyed.isEmpty())
        makeReadOnly(result);
    const int n = int(result.columns.size());
    const int hidden = result.readOnly ? 0 : int(result.tables.size()) * 2;

    // Row by row: the whole result is never held twice.
    // Binary where every column is text: a text's bytes are the same either
    // way, and the identities (ctid, xmin) come as 10 bytes, not formatted
    // and parsed again for each row.
    const bool binary = *allText && hidden > 0;
    if (!PQsendQueryPrepared(m_conn.get(), "", 0, nullptr, nullptr, nullptr, binary ? 1 : 0) || !PQsetSingleRowMode(m_conn.get()))
        return failure(nullptr, false, Action::Read);
    RowStore &rows = result.rows;
    rows.reset(n, hidden);
    std::vector<const char *> texts(static_cast<std::size_t>(n));
    std::vector<int> lengths(static_cast<std::size_t>(n));
    Status outcome; // the first failure the server sends, if any
    bool tooLarge = false;
    while (PgResult r{PQgetResult(m_conn.get())}) {
        const ExecStatusType status = PQresultStatus(r.get());
        if (status == PGRES_TUPLES_OK)
            continue; // the end of the rows
        if (status != PGRES_SINGLE_TUPLE) {
            if (outcome)
                outcome = failure(r.get(), false, Action::Read);
            continue; // read on until the server is done with the query
        }
        if (!outcome || tooLarge || PQnfields(r.get()) != n + hidden)
            continue;
        for (int i = 0; i < n; ++i) {
            const int c = hidden + i;
            texts[i] = PQgetisnull(r.get(), 0, c) ? nullptr : PQgetvalue(r.get(), 0, c);
            lengths[i] = PQgetlength(r.get(), 0, c);
        }
        if (!rows.appendRow(texts.data(), lengths.data())) {
            tooLarge = true;
            continue;
        }
        const int row = rows.rowCount() - 1;
        for (int t = 0; t < hidden / 2; ++t)
            result.setKey(row, t, binary ? binaryKeyOf(r.get(), 2 * t) : keyOf(r.get(), 0, 2 * t));
    }
    if (!outcome)
        return outcome;
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        return failure(nullptr, true, Action::Read);
    if (tooLarge)
        return tooLargeFailure();
    return result;
}

PickListRead PgConnection::readColumn(const QString &sql, const QString &column)
{
    PickListRead read;
    auto result = exec(pg::withTextRules(sql), Action::Read);
    if (!result) {
        read.status = result.status();
        return read;
    }
    const PGresult *r = result->get();
    int index = -1;
    for (int i = 0; i < PQnfields(r); ++i) {
        if (QString::fromUtf8(PQfname(r, i)).compare(column, Qt::CaseInsensitive) == 0)
            index = i;
    }
    if (index < 0) {
        read.status = missingListColumn(column);
        return read;
    }
    for (int row = 0; row < PQntuples(r); ++row) {
        if (!PQgetisnull(r, row, index))
            read.items.append(QString::fromUtf8(PQgetvalue(r, row, index), PQgetlength(r, row, index)));
    }
    return read;
}

} // namespace

Result<std::unique_ptr<Connection>> connectToServer(const QString &conninfo)
{
    auto session = pg::openSession(conninfo);
    if (!session)
        return session.status();
    return std::unique_ptr<Connection>(std::make_unique<PgConnection>(std::move(*session), conninfo));
}

} // namespace tavro
