// The server engine's writes: a row found by its key, or in a table
// without one by its place, under optimistic locking.
#include "data/postgres/pgconnection_p.h"
#include "data/postgres/pgwait.h"

#include "data/sqltext.h"

namespace tavro::pg {

Status PgConnection::begin()
{
    const Status begun = exec("BEGIN", Action::Write).status();
    m_writing = begun.ok();
    return begun;
}

Status PgConnection::commit()
{
    // Whatever COMMIT answers, the transaction is over. Without an
    // answer the write may or may not have been made: the message says so.
    auto done = exec("COMMIT", Action::Write);
    m_writing = false;
    if (!done && PQstatus(m_conn.get()) != CONNECTION_OK)
        return failure(nullptr, true, Action::Commit);
    return done.status();
}

void PgConnection::rollback()
{
    m_writing = false;
    if (PQstatus(m_conn.get()) == CONNECTION_OK && PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE)
        exchange(m_conn.get(), [](PGconn *c) { return PQsendQuery(c, "ROLLBACK"); });
}

Result<std::optional<RowKey>> PgConnection::update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes,
                                                   const std::vector<ColumnValue> &asRead)
{
    // As in the file: each column is written only if it still holds the
    // value read, compared byte for byte, so a colleague's change of
    // another column is kept and one of these columns, even of case, is
    // never overwritten. The row is the one with the key; in a table
    // without it, the one at the place read, or where a colleague's
    // change of it moved it (ctid moves on every write), holding every
    // column as read, since another row may have taken the place since.
    const bool keyed = hasKey(quotedIdentifier(table));
    Params params;
    QStringList assignments, checks;
    for (const ColumnValue &c : changes)
        assignments << quotedIdentifier(c.column) + QStringLiteral(" = ") + params.add(c.value);
    for (const ColumnValue &c : keyed ? changes : asRead)
        checks << PgConnection::unchanged(c, params);
    QByteArray place = keyed ? QByteArray::number(key.id) : unpackTid(key.id);
    const QString at = rowAt(keyed, params.add(QString::fromLatin1(place)));
    const std::size_t placeParam = params.values.size() - 1;
    const QString sql =
        QStringLiteral("UPDATE %1 SET %2 WHERE %3 AND %4 RETURNING %5")
            .arg(quotedIdentifier(table), assignments.join(QLatin1String(", ")), at, checks.join(QLatin1String(" AND ")),
                 keyed ? QStringLiteral("CLE") : QStringLiteral("ctid, xmin"));
    for (int hop = 0; hop < 2; ++hop) {
        auto result = exec(sql, Action::Write, params.values);
        if (!result)
            return result.status();
        if (PQntuples(result->get()) > 0)
            return std::optional(keyed ? key : keyOf(result->get(), 0, 0));
        if (keyed)
            break;
        auto moved = latestPlace(table, place);
        if (!moved)
            return moved.status();
        if (*moved == place)
            break; // deleted, or not moved: changed values refused it
        place = *moved;
        params.values[placeParam] = place;
    }
    return std::optional<RowKey>();
}

Result<RowKey> PgConnection::insert(const QString &table, const std::map<QString, std::optional<QString>> &values)
{
    QStringList names, marks;
    std::vector<std::optional<QByteArray>> params;
    for (const auto &[name, value] : values) {
        params.push_back(value ? std::optional(value->toUtf8()) : std::nullopt);
        names << quotedIdentifier(name);
        marks << QStringLiteral("$%1").arg(params.size());
    }
    const bool keyed = hasKey(quotedIdentifier(table));
    auto result = exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                           .arg(quotedIdentifier(table), names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")),
                                keyed ? QStringLiteral("CLE") : QStringLiteral("ctid, xmin")),
                       Action::Write, params);
    if (!result)
        return result.status();
    if (keyed)
        return RowKey{QByteArray(PQgetvalue(result->get(), 0, 0)).toLongLong(), 0};
    return keyOf(result->get(), 0, 0);
}

Result<bool> PgConnection::remove(const QString &table, RowKey key, const std::vector<ColumnValue> &originals)
{
    // The row with the key, holding every column as read; in a table
    // without it, the version read (xmin) or nothing: any write since,
    // of any column, refuses the delete.
    Params params;
    QString where;
    if (hasKey(quotedIdentifier(table))) {
        QStringList checks{rowAt(true, params.add(QString::number(key.id)))};
        for (const ColumnValue &c : originals)
            checks << unchanged(c, params);
        where = checks.join(QLatin1String(" AND "));
    } else {
        where =
            QStringLiteral("ctid OPERATOR(pg_catalog.=) $1::pg_catalog.tid AND xmin OPERATOR(pg_catalog.=) $2::pg_catalog.xid");
        params.values = {unpackTid(key.id), QByteArray::number(key.version)};
    }
    auto result =
        exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(quotedIdentifier(table), where), Action::Delete, params.values);
    if (!result)
        return result.status();
    return QByteArray(PQcmdTuples(result->get())).toInt() > 0;
}

Result<std::optional<RowKey>> PgConnection::current(const QString &table, RowKey key)
{
    const bool keyed = hasKey(quotedIdentifier(table));
    QByteArray place = keyed ? QByteArray::number(key.id) : unpackTid(key.id);
    if (!keyed) {
        auto latest = latestPlace(table, place);
        if (!latest)
            return latest.status();
        place = *latest;
    }
    auto result = exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                           .arg(keyed ? QStringLiteral("CLE") : QStringLiteral("ctid, xmin"), quotedIdentifier(table),
                                rowAt(keyed, QStringLiteral("$1"))),
                       Action::Read, {place});
    if (!result)
        return result.status();
    if (PQntuples(result->get()) == 0)
        return std::optional<RowKey>();
    return std::optional(keyed ? key : keyOf(result->get(), 0, 0));
}

Result<QStringList> PgConnection::columnsOf(const QString &table)
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

// A column still holding the value read, byte for byte.
QString PgConnection::unchanged(const ColumnValue &c, Params &params)
{
    return quotedIdentifier(c.column) + QStringLiteral(" COLLATE pg_catalog.\"C\" IS NOT DISTINCT FROM ")
           + params.add(c.original);
}

// The row with the key, or at the place.
QString PgConnection::rowAt(bool keyed, const QString &param)
{
    return keyed ? QStringLiteral("CLE OPERATOR(pg_catalog.=) %1::pg_catalog.int8").arg(param)
                 : QStringLiteral("ctid OPERATOR(pg_catalog.=) %1::pg_catalog.tid").arg(param);
}

// Where the newest version of the row read at this place lives now.
Result<QByteArray> PgConnection::latestPlace(const QString &table, const QByteArray &place)
{
    auto r = exec(QStringLiteral("SELECT pg_catalog.currtid2($1, $2::pg_catalog.tid)"), Action::Read,
                  {quotedIdentifier(table).toUtf8(), place});
    if (!r)
        return r.status();
    return QByteArray(PQgetvalue(r->get(), 0, 0));
}

} // namespace tavro::pg
