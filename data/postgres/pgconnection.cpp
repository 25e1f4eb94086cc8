// The server engine: the look-up tables in a PostgreSQL database, through
// libpq. libpq rather than Qt's QPSQL driver: only libpq tells which table
// and column a result column comes from (PQftable, PQftablecol), and lets a
// large result stream in row by row (single-row mode) instead of being held
// twice in memory.
#include "data/postgres/pgconnection.h"

#include "data/loadpolicy.h"
#include "data/postgres/pgconnection_p.h"
#include "data/postgres/pgwait.h"
#include "data/sqltext.h"

#include <QtEndian>

#include <memory>

namespace tavro {

namespace pg {

namespace {

// Types whose binary form is their text's bytes: text, varchar, bpchar, name.
bool isText(Oid type)
{
    return type == 25 || type == 1043 || type == 1042 || type == 19;
}

// Integers, whose binary form is big-endian (the key CLE a "SELECT *" shows).
int integerBytes(Oid type)
{
    return type == 20 ? 8 : type == 23 ? 4 : type == 21 ? 2 : 0;
}

qint64 binaryInteger(const char *bytes, int length)
{
    const auto *b = reinterpret_cast<const uchar *>(bytes);
    return length == 8 ? qFromBigEndian<qint64>(b) : length == 4 ? qFromBigEndian<qint32>(b) : qFromBigEndian<qint16>(b);
}

} // namespace

// Whether a table (as a query names it) has the key CLE, and whether a
// column of it has its pick list's indexes: asked once per connection.
bool PgConnection::hasKey(const QString &table)
{
    const auto known = m_keyed.constFind(table);
    if (known != m_keyed.constEnd())
        return *known;
    auto r = exec(QLatin1String(kHasKeySql), Action::Read, {table.toUtf8()});
    const bool keyed = r && PQntuples(r->get()) && qstrcmp(PQgetvalue(r->get(), 0, 0), "t") == 0;
    if (r)
        m_keyed.insert(table, keyed);
    return keyed;
}

bool PgConnection::hasListIndexes(const QString &table, const QString &column)
{
    const QString name = table + QLatin1Char('.') + column;
    const auto known = m_listed.constFind(name);
    if (known != m_listed.constEnd())
        return *known;
    // The server folds a name not between quotes to lower case.
    QString relation = table.section(QLatin1Char('.'), -1);
    relation = relation.startsWith(QLatin1Char('"')) ? relation.mid(1, relation.size() - 2) : relation.toLower();
    const QString stem = QStringLiteral("tavro_%1_%2").arg(relation, column.toLower());
    auto r = PgConnection::exec(
        QStringLiteral("SELECT pg_catalog.count(*) FROM pg_catalog.pg_index x JOIN pg_catalog.pg_class i ON i.oid "
                       "OPERATOR(pg_catalog.=) x.indexrelid WHERE x.indrelid OPERATOR(pg_catalog.=) "
                       "pg_catalog.to_regclass($1) AND i.relname OPERATOR(pg_catalog.=) ANY ($2::pg_catalog.name[])"),
        Action::Read, {table.toUtf8(), QStringLiteral("{%1_list,%1_rest}").arg(stem).toUtf8()});
    const bool listed = r && PQntuples(r->get()) && QByteArray(PQgetvalue(r->get(), 0, 0)).toInt() == 2;
    if (r)
        m_listed.insert(name, listed);
    return listed;
}

TableFacts PgConnection::facts()
{
    return {[this](const QString &table) { return hasKey(table); },
            [this](const QString &table, const QString &column) { return hasListIndexes(table, column); }};
}

// A ctid is a block number and an item number, big-endian; an xid four bytes.
RowKey PgConnection::binaryKeyOf(const PGresult *r, int column)
{
    if (PQgetlength(r, 0, column) != 6 || PQgetlength(r, 0, column + 1) != 4)
        return {};
    const auto *tid = reinterpret_cast<const uchar *>(PQgetvalue(r, 0, column));
    const auto *xid = reinterpret_cast<const uchar *>(PQgetvalue(r, 0, column + 1));
    return {(qint64(qFromBigEndian<quint32>(tid)) << 16) | qFromBigEndian<quint16>(tid + 4), qFromBigEndian<quint32>(xid)};
}

RowKey PgConnection::keyOf(const PGresult *r, int row, int column)
{
    return {packTid(QByteArray(PQgetvalue(r, row, column))), QByteArray(PQgetvalue(r, row, column + 1)).toLongLong()};
}

// A connection the server dropped is opened again, outside a write only:
// inside one the statement fails, and the write with it, rolled back by
// the server.
Status PgConnection::ensureConnected()
{
    if (PQstatus(m_conn.get()) == CONNECTION_OK)
        return Status::success();
    if (m_writing)
        return PgConnection::failure(nullptr, true, Action::Write);
    // A refusal is told by its SQLSTATE (pgwait.h), found in the verbose text.
    PQsetErrorVerbosity(m_conn.get(), PQERRORS_VERBOSE);
    PQreset(m_conn.get());
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        return connectionFailure(m_conn.get(), m_place, m_conninfo, QStringLiteral("Les lignes affichées et les saisies restent."));
    PQsetErrorVerbosity(m_conn.get(), PQERRORS_DEFAULT);
    PQsetnonblocking(m_conn.get(), 1);
    return prepareSession(m_conn.get(), m_place, m_conninfo, kStatementSeconds);
}

Result<PgResult> PgConnection::attempt(const std::function<int(PGconn *)> &send, Action action, ExecStatusType expected)
{
    for (int tries = 0;; ++tries) {
        if (Status connected = ensureConnected(); !connected)
            return connected;
        Heard heard = Heard::Answer;
        PgResult r = exchange(m_conn.get(), send, &heard);
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status == expected || status == PGRES_COMMAND_OK)
            return r;
        const bool lost = PQstatus(m_conn.get()) != CONNECTION_OK;
        if (!lost || m_writing || tries > 0 || heard == Heard::Silence)
            return failure(r.get(), lost, action);
    }
}

Status PgConnection::failure(const PGresult *result, bool lost, Action action) const
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QString text = errorText(m_conn.get(), result, m_conninfo);
    // The database lacks a table or column the window's query names.
    if (action == Action::Read && state && qstrncmp(state, "42", 2) == 0 && qstrcmp(state, "42501") != 0)
        return missingSchema(m_place, text);
    if (state && qstrcmp(state, "57014") == 0)
        return tooLongFailure(action, m_place, kStatementSeconds, text);
    return engineFailure(faultOf(state, lost || PQstatus(m_conn.get()) != CONNECTION_OK), action, m_place, text);
}

Result<PgResult> PgConnection::exec(const QString &sql, Action action, const std::vector<std::optional<QByteArray>> &params)
{
    const QByteArray text = sql.toUtf8();
    std::vector<const char *> values;
    for (const auto &p : params)
        values.push_back(p ? p->constData() : nullptr);
    return attempt(
        [&](PGconn *c) {
            return PQsendQueryParams(c, text.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
        },
        action, PGRES_TUPLES_OK);
}

Result<QByteArray> PgConnection::value(const char *sql, const std::vector<std::optional<QByteArray>> &params)
{
    auto r = exec(QLatin1String(sql), Action::Read, params);
    if (!r)
        return r.status();
    if (PQntuples(r->get()) != 1 || PQnfields(r->get()) != 1)
        return failure(r->get(), false, Action::Read);
    return QByteArray(PQgetvalue(r->get(), 0, 0));
}

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

Result<std::vector<int>> PgConnection::describe(const QString &text, LoadedResult &result, std::vector<Oid> &tableOids)
{
    const QByteArray statement = text.toUtf8();
    auto prepared =
        attempt([&](PGconn *c) { return PQsendPrepare(c, "", statement.constData(), 0, nullptr); }, Action::Read,
                PGRES_COMMAND_OK);
    if (!prepared)
        return prepared.status();
    PgResult described = exchange(m_conn.get(), [](PGconn *c) { return PQsendDescribePrepared(c, ""); });
    if (!described || PQresultStatus(described.get()) != PGRES_COMMAND_OK)
        return failure(described.get(), PQstatus(m_conn.get()) != CONNECTION_OK, Action::Read);
    const int n = PQnfields(described.get());
    result.columns.assign(std::size_t(n), {});
    std::vector<int> binaryForms(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        result.columns[i].name = QString::fromUtf8(PQfname(described.get(), i));
        const Oid type = PQftype(described.get(), i);
        binaryForms[std::size_t(i)] = isText(type) ? 0 : integerBytes(type) ? integerBytes(type) : -1;
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
    return binaryForms;
}

Result<LoadedResult> PgConnection::load(const QString &sql)
{
    LoadedResult result;
    const TableFacts known = facts();
    const QString text = withTextRules(sql, known);
    std::vector<Oid> oids;
    const Result<std::vector<int>> forms = describe(text, result, oids);
    if (!forms)
        return forms.status();

    // Rows of DISTINCT, grouped or compound results stand for several base
    // rows or none: they get no identity and stay read-only, in the order
    // the respelling gives. So do results with a computed column where an
    // aggregate may hide. Others end in the tables' stored order.
    const bool computed =
        std::any_of(result.columns.begin(), result.columns.end(), [](const ResultColumn &c) { return c.table < 0; });
    result.readOnly = result.tables.isEmpty() || groupsRows(sql) || (computed && sql.contains(QLatin1Char('(')));
    const QString ordered = result.readOnly ? text : withStoredOrder(text, known);
    // The rows' identities asked for too; where the text names its tables
    // otherwise (an alias), the rows are read without them and stay
    // read-only. Prepared again either way: the names of the tables and
    // columns were looked up since.
    QString keyed = result.readOnly ? QString() : withIdentity(ordered, result.tables, known);
    const auto prepare = [&](const QString &statement) {
        const QByteArray bytes = statement.toUtf8();
        return attempt([&](PGconn *c) { return PQsendPrepare(c, "", bytes.constData(), 0, nullptr); }, Action::Read,
                       PGRES_COMMAND_OK);
    };
    if (!keyed.isEmpty() && !prepare(keyed))
        keyed.clear();
    if (keyed.isEmpty() && (ordered == text || !prepare(ordered))) {
        if (auto plain = prepare(text); !plain)
            return plain.status();
    }
    if (keyed.isEmpty())
        makeReadOnly(result);
    // Per table its key (CLE), or its place (ctid) and version (xmin).
    std::vector<int> firstKey;
    int hidden = 0;
    for (const QString &table : result.tables) {
        firstKey.push_back(hidden);
        result.keyed.push_back(hasKey(quotedIdentifier(table)));
        hidden += result.keyed.back() ? 1 : 2;
    }
    result.keysPerTable = hidden > int(result.tables.size()) ? 2 : 1;
    const int n = int(result.columns.size());

    // Row by row: the whole result is never held twice.
    // Binary where every column allows: a text's bytes are the same either
    // way, and the identities come as 8 or 10 bytes, not formatted and
    // parsed again for each row.
    const bool binary = std::none_of(forms->begin(), forms->end(), [](int f) { return f < 0; }) && hidden > 0;
    if (!PQsendQueryPrepared(m_conn.get(), "", 0, nullptr, nullptr, nullptr, binary ? 1 : 0) || !PQsetSingleRowMode(m_conn.get()))
        return failure(nullptr, false, Action::Read);
    RowStore &rows = result.rows;
    rows.reset(n, int(result.tables.size()) * result.keysPerTable);
    std::vector<const char *> texts(static_cast<std::size_t>(n));
    std::vector<int> lengths(static_cast<std::size_t>(n));
    std::vector<QByteArray> numbers(static_cast<std::size_t>(n));
    Status outcome; // the first failure the server sends, if any
    bool tooLarge = false;
    for (;;) {
        if (awaitResult(m_conn.get()) != Heard::Answer) {
            if (outcome)
                outcome = failure(nullptr, true, Action::Read);
            break;
        }
        const PgResult r{PQgetResult(m_conn.get())};
        if (!r)
            break;
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
            if (binary && texts[i] && (*forms)[std::size_t(i)] > 0) {
                numbers[std::size_t(i)] = QByteArray::number(binaryInteger(texts[i], lengths[i]));
                texts[i] = numbers[std::size_t(i)].constData();
                lengths[i] = int(numbers[std::size_t(i)].size());
            }
        }
        if (!rows.appendRow(texts.data(), lengths.data())) {
            tooLarge = true;
            continue;
        }
        const int row = rows.rowCount() - 1;
        for (int t = 0; hidden > 0 && t < int(firstKey.size()); ++t) {
            const int k = firstKey[std::size_t(t)];
            const bool byKey = (t + 1 < int(firstKey.size()) ? firstKey[std::size_t(t) + 1] : hidden) - k == 1;
            if (PQgetisnull(r.get(), 0, k))
                continue;
            if (byKey)
                result.setKey(row, t,
                              {binary ? binaryInteger(PQgetvalue(r.get(), 0, k), PQgetlength(r.get(), 0, k))
                                      : QByteArray(PQgetvalue(r.get(), 0, k)).toLongLong(),
                               0});
            else
                result.setKey(row, t, binary ? binaryKeyOf(r.get(), k) : keyOf(r.get(), 0, k));
        }
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
    const TableFacts known = facts();
    const QString text = withTextRules(sql, known);
    auto result = exec(groupsRows(sql) ? text : withStoredOrder(text, known), Action::Read);
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
            read.items.append(storedText(PQgetvalue(r, row, index), PQgetlength(r, row, index)));
    }
    return read;
}

} // namespace pg

Result<std::unique_ptr<Connection>> connectToServer(const QString &conninfo)
{
    if (pg::splitsSessions(conninfo))
        return pg::splitConnection(conninfo);
    auto session = pg::openSession(conninfo, pg::kStatementSeconds);
    if (!session)
        return session.status();
    return std::unique_ptr<Connection>(
        std::make_unique<pg::PgConnection>(std::move(*session), conninfo));
}

} // namespace tavro
