// The server engine: the look-up tables in a PostgreSQL database, through
// libpq. libpq rather than Qt's QPSQL driver: only libpq tells which table
// and column a result column comes from (PQftable, PQftablecol), and lets a
// large result stream in row by row (single-row mode) instead of being held
// twice in memory.
#include "data/pgengine.h"

#include "data/enginefailure.h"
#include "data/pgtext.h"
#include "data/selecttext.h"

#include <libpq-fe.h>

#include <QHash>
#include <QUrl>

#include <memory>

namespace tavro {

namespace {

struct ResultDeleter {
    void operator()(PGresult *r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, ResultDeleter>;

struct ConnDeleter {
    void operator()(PGconn *c) const { PQfinish(c); }
};
using PgConn = std::unique_ptr<PGconn, ConnDeleter>;

// SQLSTATE classes as faults.
Fault faultOf(const char *state, bool connectionLost)
{
    if (connectionLost)
        return Fault::Unavailable;
    const QByteArray s(state ? state : "");
    if (s == "40001" || s == "40P01" || s == "55P03" || s == "57014")
        return Fault::Busy; // serialisation, deadlock, lock wait, time-out
    if (s == "42501" || s == "25006")
        return Fault::ReadOnly; // no privilege, read-only transaction
    if (s.startsWith("53"))
        return Fault::Full;
    if (s.startsWith("08") || s.startsWith("57P"))
        return Fault::Unavailable; // connection lost, server shut down or backend ended
    return Fault::Other;
}

// The database and server a connection string names, for messages: never
// the password.
QString placeName(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options)
        return QStringLiteral("(adresse illisible)");
    QString db, host;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val)
            continue;
        if (qstrcmp(o->keyword, "dbname") == 0)
            db = QString::fromUtf8(o->val);
        else if (qstrcmp(o->keyword, "host") == 0 || (host.isEmpty() && qstrcmp(o->keyword, "hostaddr") == 0))
            host = QString::fromUtf8(o->val);
    }
    PQconninfoFree(options);
    if (db.isEmpty())
        db = QString::fromLocal8Bit(qgetenv("PGDATABASE"));
    if (host.isEmpty())
        host = QString::fromLocal8Bit(qgetenv("PGHOST"));
    return QStringLiteral("%1 sur le serveur %2")
        .arg(db.isEmpty() ? QStringLiteral("(par défaut)") : db, host.isEmpty() ? QStringLiteral("local") : host);
}

void quiet(void *, const char *) {}

class PgConnection final : public Connection {
public:
    PgConnection(PgConn conn, const Place &place)
        : m_conn(std::move(conn))
        , m_place(place)
    {
    }

    QString where() const override { return m_place.name; }
    void setWait(Wait) override {} // readers never wait on a server; writers wait for a row at most lock_timeout

    Result<LoadedResult> load(const QString &sql) override;
    PickListRead readColumn(const QString &sql, const QString &column) override;

    Status begin() override { return exec("BEGIN", Action::Write).status(); }
    Status commit() override { return exec("COMMIT", Action::Write).status(); }
    void rollback() override
    {
        if (PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE)
            PgResult(PQexec(m_conn.get(), "ROLLBACK"));
    }

    Result<std::optional<RowKey>> update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes) override
    {
        // The row is written only if it is still the version read: a
        // colleague's change, of any column, moves it to another place
        // (ctid) and gives it another version (xmin).
        QStringList assignments;
        std::vector<std::optional<QByteArray>> params;
        for (const ColumnValue &c : changes) {
            params.push_back(c.value ? std::optional(c.value->toUtf8()) : std::nullopt);
            assignments << QStringLiteral("%1 = $%2").arg(pg::quoted(c.column)).arg(params.size());
        }
        params.push_back(pg::unpackTid(key.id));
        params.push_back(QByteArray::number(key.version));
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE ctid = $%3::tid AND xmin = $%4::xid RETURNING ctid, xmin")
                                .arg(pg::quoted(table), assignments.join(QLatin1String(", ")))
                                .arg(params.size() - 1)
                                .arg(params.size());
        auto result = exec(sql, Action::Write, params);
        if (!result)
            return result.status();
        if (PQntuples(result->get()) == 0)
            return std::optional<RowKey>();
        return std::optional(keyOf(result->get(), 0, 0));
    }

    Result<RowKey> insert(const QString &table, const std::map<QString, std::optional<QString>> &values) override
    {
        QStringList names, marks;
        std::vector<std::optional<QByteArray>> params;
        for (const auto &[name, value] : values) {
            params.push_back(value ? std::optional(value->toUtf8()) : std::nullopt);
            names << pg::quoted(name);
            marks << QStringLiteral("$%1").arg(params.size());
        }
        auto result = exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING ctid, xmin")
                               .arg(pg::quoted(table), names.join(QLatin1String(", ")), marks.join(QLatin1String(", "))),
                           Action::Write, params);
        if (!result)
            return result.status();
        return keyOf(result->get(), 0, 0);
    }

    Result<bool> remove(const QString &table, RowKey key, const std::vector<ColumnValue> &) override
    {
        auto result = exec(QStringLiteral("DELETE FROM %1 WHERE ctid = $1::tid AND xmin = $2::xid").arg(pg::quoted(table)),
                           Action::Delete, {pg::unpackTid(key.id), QByteArray::number(key.version)});
        if (!result)
            return result.status();
        return QByteArray(PQcmdTuples(result->get())).toInt() > 0;
    }

    Result<bool> exists(const QString &table, RowKey key) override
    {
        // A row a colleague changed lives on at another place: follow it.
        auto result = exec(QStringLiteral("SELECT 1 FROM %1 WHERE ctid = currtid2($1, $2::tid)").arg(pg::quoted(table)),
                           Action::Read, {table.toUtf8(), pg::unpackTid(key.id)});
        if (!result)
            return result.status();
        return PQntuples(result->get()) > 0;
    }

    Result<QStringList> columnsOf(const QString &table) override
    {
        auto result = exec(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = $1::regclass AND attnum > 0 "
                                          "AND NOT attisdropped ORDER BY attnum"),
                           Action::Read, {pg::quoted(table).toUtf8()});
        if (!result)
            return result.status();
        QStringList names;
        for (int r = 0; r < PQntuples(result->get()); ++r)
            names << QString::fromUtf8(PQgetvalue(result->get(), r, 0));
        return names;
    }

private:
    static RowKey keyOf(const PGresult *r, int row, int column)
    {
        return {pg::packTid(QByteArray(PQgetvalue(r, row, column))),
                QByteArray(PQgetvalue(r, row, column + 1)).toLongLong()};
    }

    // A connection the server dropped is opened again before the next
    // statement; inside a write the statement fails instead, and the write
    // with it.
    Status ensureConnected()
    {
        if (PQstatus(m_conn.get()) == CONNECTION_OK)
            return Status::success();
        PQreset(m_conn.get());
        if (PQstatus(m_conn.get()) != CONNECTION_OK)
            return failure(nullptr, true, Action::Read);
        return prepareSession(m_conn.get(), m_place);
    }

    Status failure(const PGresult *result, bool lost, Action action) const
    {
        const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        const QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(m_conn.get())).trimmed();
        return engineFailure(faultOf(state, lost || PQstatus(m_conn.get()) != CONNECTION_OK), action, m_place, text);
    }

    Result<PgResult> exec(const QString &sql, Action action, const std::vector<std::optional<QByteArray>> &params = {})
    {
        if (PQtransactionStatus(m_conn.get()) == PQTRANS_IDLE || PQstatus(m_conn.get()) != CONNECTION_OK) {
            if (Status connected = ensureConnected(); !connected)
                return connected;
        }
        std::vector<const char *> values;
        for (const auto &p : params)
            values.push_back(p ? p->constData() : nullptr);
        PgResult r(PQexecParams(m_conn.get(), sql.toUtf8().constData(), int(values.size()), nullptr, values.data(),
                                nullptr, nullptr, 0));
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            return failure(r.get(), !r, action);
        return r;
    }

public:
    // The session the program's texts need: backslashes are plain text in
    // literals (the quoting helper doubles apostrophes only), UTF-8, and a
    // row another counter is writing is waited for a few seconds only.
    static Status prepareSession(PGconn *conn, const Place &place)
    {
        PQsetNoticeProcessor(conn, quiet, nullptr);
        PgResult r(PQexec(conn, "SET standard_conforming_strings = on; SET client_encoding = 'UTF8'; "
                                "SET lock_timeout = '4s'; SET statement_timeout = '30s'"));
        if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
            return engineFailure(Fault::Unavailable, Action::Open, place,
                                 QString::fromUtf8(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(conn)));
        }
        return Status::success();
    }

private:
    // The base table of each result column, by the server's own names.
    Status describe(const QString &text, LoadedResult &result, std::vector<Oid> &tableOids);
    QString tableName(Oid oid);
    QString columnName(Oid table, int number);

    PgConn m_conn;
    Place m_place;
    QHash<Oid, QString> m_tables;
    QHash<QPair<Oid, int>, QString> m_columns;
};

QString PgConnection::tableName(Oid oid)
{
    auto it = m_tables.constFind(oid);
    if (it != m_tables.constEnd())
        return *it;
    auto r = exec(QStringLiteral("SELECT relname FROM pg_class WHERE oid = $1"), Action::Read, {QByteArray::number(oid)});
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
    auto r = exec(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = $1 AND attnum = $2"), Action::Read,
                  {QByteArray::number(table), QByteArray::number(number)});
    const QString name = r && PQntuples(r->get()) ? QString::fromUtf8(PQgetvalue(r->get(), 0, 0)) : QString();
    m_columns.insert(k, name);
    return name;
}

Status PgConnection::describe(const QString &text, LoadedResult &result, std::vector<Oid> &tableOids)
{
    if (Status connected = ensureConnected(); !connected)
        return connected;
    PgResult prepared(PQprepare(m_conn.get(), "", text.toUtf8().constData(), 0, nullptr));
    if (!prepared || PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
        const char *state = prepared ? PQresultErrorField(prepared.get(), PG_DIAG_SQLSTATE) : nullptr;
        const QByteArray s(state ? state : "");
        if (s.startsWith("42")) {
            // The database lacks a table or column the window's query names.
            return Status::failure(Fault::Other,
                                   QStringLiteral("La recherche demandée n'a pas pu être faite dans la base de données %1.")
                                       .arg(m_place.name),
                                   QStringLiteral("Les lignes affichées restent telles qu'elles étaient."),
                                   QStringLiteral("Vérifiez que cette base est bien celle du programme, avec ses tables "
                                                  "CODE, TELE et QRT."))
                .withDetail(QString::fromUtf8(PQresultErrorMessage(prepared.get())) + text.trimmed());
        }
        return failure(prepared.get(), !prepared, Action::Read);
    }
    PgResult described(PQdescribePrepared(m_conn.get(), ""));
    if (!described || PQresultStatus(described.get()) != PGRES_COMMAND_OK)
        return failure(described.get(), !described, Action::Read);
    const int n = PQnfields(described.get());
    result.columns.assign(std::size_t(n), {});
    for (int i = 0; i < n; ++i) {
        result.columns[i].name = QString::fromUtf8(PQfname(described.get(), i));
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
    return Status::success();
}

Result<LoadedResult> PgConnection::load(const QString &sql)
{
    LoadedResult result;
    result.keysPerTable = 2; // place (ctid) and version (xmin)
    const QString text = pg::withTextRules(sql);
    std::vector<Oid> oids;
    if (Status described = describe(text, result, oids); !described)
        return described;

    // Rows of DISTINCT, grouped or compound results stand for several base
    // rows or none: they get no identity and stay read-only. So do results
    // with a computed column where an aggregate may hide.
    static const QStringList grouping = {QStringLiteral("DISTINCT"), QStringLiteral("GROUP"), QStringLiteral("UNION"),
                                         QStringLiteral("INTERSECT"), QStringLiteral("EXCEPT"), QStringLiteral("HAVING")};
    const bool computed = std::any_of(result.columns.begin(), result.columns.end(),
                                      [](const ResultColumn &c) { return c.table < 0; });
    result.readOnly = result.tables.isEmpty() || containsKeyword(sql, grouping) || (computed && sql.contains(QLatin1Char('(')));
    QString keyed = result.readOnly ? QString() : pg::withIdentity(text, result.tables);
    if (keyed.isEmpty()) {
        result.readOnly = true;
        result.tables.clear();
        for (auto &c : result.columns)
            c.table = -1;
        keyed = text;
    }
    const int n = int(result.columns.size());
    const int hidden = result.readOnly ? 0 : int(result.tables.size()) * 2;

    // Row by row: the whole result is never held twice.
    if (!PQsendQuery(m_conn.get(), keyed.toUtf8().constData()) || !PQsetSingleRowMode(m_conn.get()))
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
            result.setKey(row, t, keyOf(r.get(), 0, 2 * t));
    }
    if (!outcome)
        return outcome;
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        return failure(nullptr, true, Action::Read);
    if (tooLarge)
        return Status::failure(Fault::Refused, QStringLiteral("Le résultat de la recherche est trop volumineux pour être affiché."),
                               QStringLiteral("Les lignes affichées restent telles qu'elles étaient."),
                               QStringLiteral("Précisez la recherche."));
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
        read.status = Status::failure(QStringLiteral("La colonne %1 manque au résultat de la requête de la liste.").arg(column));
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
    const Place place{placeName(conninfo), true};
    // Defaults first: what the clerk's setting names overrides them.
    const char *keywords[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const QByteArray info = conninfo.toUtf8();
    const char *values[] = {"15", "tavro", info.constData(), nullptr};
    PgConn conn(PQconnectdbParams(keywords, values, 1));
    if (!conn || PQstatus(conn.get()) != CONNECTION_OK) {
        const QString text = conn ? QString::fromUtf8(PQerrorMessage(conn.get())).trimmed() : QString();
        if (conn && PQconnectionNeedsPassword(conn.get())) {
            return Status::failure(Fault::Unavailable,
                                   QStringLiteral("Le serveur de la base de données %1 demande un mot de passe que ce poste "
                                                  "ne connaît pas.").arg(place.name),
                                   {}, QStringLiteral("Le responsable informatique l'inscrit dans le fichier ~/.pgpass du "
                                                      "poste."))
                .withDetail(text);
        }
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("La connexion à la base de données %1 a échoué.").arg(place.name), {},
                               QStringLiteral("Vérifiez l'adresse de la base dans le réglage du programme, le réseau, et que "
                                              "le serveur est en marche."))
            .withDetail(text);
    }
    if (Status prepared = PgConnection::prepareSession(conn.get(), place); !prepared)
        return prepared;
    return std::unique_ptr<Connection>(std::make_unique<PgConnection>(std::move(conn), place));
}

} // namespace tavro
