// The tools' writer over a server database: the comparison rules, the
// tables and their rows (through COPY) in one transaction.
#include "data/postgres/pgwriter.h"

#include "data/postgres/pgsession.h"
#include "data/postgres/pgtext.h"
#include "data/sqltext.h"

namespace tavro {

namespace {

using pg::PgConn;
using pg::PgResult;

const QString kNothingWritten = QStringLiteral("Rien n'a été écrit dans la base de données.");

// Every text column compares as the program's rules say: case ignored for
// every letter, accents kept, "École" among the E (see pgtext.h for LIKE).
// The collation and the tables live in the data's schema, named with it:
// the search path starts with pg_catalog, where nothing is created.
QString createCollationSql(const QString &schema)
{
    return QStringLiteral("CREATE COLLATION IF NOT EXISTS %1.ci (provider = icu, locale = 'und-u-ks-level2', "
                          "deterministic = false)")
        .arg(schema);
}

// The key CLE is the server's to give: ALWAYS, so that no statement can
// set one that the sequence would give again later. The tools never copy
// keys: the rows are numbered afresh in the order they come.
QString createTableSql(const QString &schema, const TableDef &table)
{
    QStringList columns;
    for (const QString &c : columnNames(table))
        columns << c + QStringLiteral(" TEXT COLLATE %1.ci").arg(schema);
    columns << QLatin1String(kKeyColumn) + QStringLiteral(" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY");
    return QStringLiteral("CREATE TABLE %1.%2 (%3)").arg(schema, QLatin1String(table.name), columns.join(QLatin1String(", ")));
}

// COPY's text format: backslash escapes, \N for NULL.
void appendCopyValue(QByteArray &out, const std::optional<QByteArray> &value)
{
    if (!value) {
        out += "\\N";
        return;
    }
    for (const char c : *value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

class ServerTableWriter final : public TableWriter {
public:
    ServerTableWriter(PgConn conn, const QString &conninfo, const QString &schema)
        : m_conn(std::move(conn))
        , m_conninfo(conninfo)
        , m_schema(quotedIdentifier(schema))
        , m_place{pg::placeName(conninfo), DatabaseKind::Server}
    {
    }
    // Closing without COMMIT: the server rolls everything back.

    QString where() const override { return m_place.name; }

    Status prepare(bool replace);

    Status startTable(const TableDef &table) override
    {
        if (Status ended = endCopy(); !ended)
            return ended;
        const QString sql =
            QStringLiteral("COPY %1 (%2) FROM STDIN").arg(tableName(table), columnNames(table).join(QLatin1String(", ")));
        PgResult r(PQexec(m_conn.get(), sql.toUtf8().constData()));
        if (!r || PQresultStatus(r.get()) != PGRES_COPY_IN)
            return failure(r.get());
        m_copying = true;
        return Status::success();
    }
    Status addRow(const RowValues &values) override
    {
        for (int i = 0; i < values.size(); ++i) {
            if (i)
                m_buffer += '\t';
            appendCopyValue(m_buffer, values[i]);
        }
        m_buffer += '\n';
        return m_buffer.size() < (1 << 20) ? Status::success() : flush();
    }
    Status commit() override
    {
        if (Status ended = endCopy(); !ended)
            return ended;
        // The pick lists' indexes, made once the rows are in (faster than
        // kept up row by row); kept tables have them already.
        for (const TableDef &table : kTables) {
            for (const char *column : table.listed) {
                for (const QString &index :
                     pg::listIndexSql(tableName(table), QLatin1String(table.name), QLatin1String(column))) {
                    if (Status made = exec(
                            QString(index).replace(QLatin1String("CREATE INDEX "), QLatin1String("CREATE INDEX IF NOT EXISTS ")));
                        !made)
                        return made;
                }
            }
        }
        return exec("COMMIT");
    }

    // See upgradeServer().
    Result<UpgradeNotes> upgrade()
    {
        // A tool may run long: no statement time-out, a fair wait for the
        // counters' sessions to let go of the tables; every row read from
        // the first page on.
        if (Status begun = exec(QStringLiteral("SET statement_timeout = 0; SET lock_timeout = '30s'; BEGIN")); !begun)
            return begun;
        UpgradeNotes notes;
        for (const TableDef &table : kTables) {
            const QString name = tableName(table);
            if (Status locked = exec(QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(name)); !locked)
                return locked;
            auto keyed = query(QLatin1String(pg::kHasKeySql), {name.toUtf8()});
            if (!keyed)
                return keyed.status();
            UpgradedTable noted{QLatin1String(table.name), 0, qstrcmp(PQgetvalue(keyed->get(), 0, 0), "t") != 0};
            const Status done = noted.keyed ? giveKey(table, &noted.rows) : count(name, &noted.rows);
            if (!done)
                return done;
            notes.tables.append(noted);
        }
        if (Status committed = exec(QStringLiteral("COMMIT")); !committed)
            return committed;
        return notes;
    }

    // The rows numbered in the order a scan meets them, the order the
    // program showed; then the key is the server's to give, after the last.
    Status giveKey(const TableDef &table, qint64 *rows)
    {
        const QString name = tableName(table);
        const QString constraint = QStringLiteral("tavro_%1_key").arg(QString::fromLatin1(table.name).toLower());
        auto numbered = query(QStringLiteral("ALTER TABLE %1 ADD COLUMN CLE bigint; "
                                             "UPDATE %1 SET CLE = o.n FROM (SELECT ctid AS place, pg_catalog.row_number() OVER "
                                             "(ORDER BY ctid) AS n FROM %1) AS o WHERE %1.ctid OPERATOR(pg_catalog.=) o.place")
                                  .arg(name));
        if (!numbered)
            return numbered.status();
        *rows = QByteArray(PQcmdTuples(numbered->get())).toLongLong();
        QStringList steps{
            QStringLiteral("ALTER TABLE %1 ALTER COLUMN CLE SET NOT NULL, ALTER COLUMN CLE ADD GENERATED ALWAYS AS IDENTITY "
                           "(START WITH %2)")
                .arg(name)
                .arg(*rows + 1),
            QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 PRIMARY KEY (CLE)").arg(name, constraint)};
        for (const char *column : table.listed)
            steps << pg::listIndexSql(name, QLatin1String(table.name), QLatin1String(column));
        // Written again in key order, without the versions the numbering left.
        steps << QStringLiteral("CLUSTER %1 USING %2").arg(name, constraint) << QStringLiteral("ANALYZE %1").arg(name);
        for (const QString &step : steps) {
            if (Status made = exec(step); !made)
                return made;
        }
        return Status::success();
    }

private:
    Status count(const QString &table, qint64 *rows)
    {
        auto counted = query(QStringLiteral("SELECT pg_catalog.count(*) FROM %1").arg(table));
        if (!counted)
            return counted.status();
        *rows = QByteArray(PQgetvalue(counted->get(), 0, 0)).toLongLong();
        return Status::success();
    }
    QString tableName(const TableDef &table) const { return m_schema + QLatin1Char('.') + QLatin1String(table.name); }

    Status flush()
    {
        if (!m_buffer.isEmpty() && PQputCopyData(m_conn.get(), m_buffer.constData(), int(m_buffer.size())) != 1)
            return failure(nullptr);
        m_buffer.clear();
        return Status::success();
    }
    Status endCopy()
    {
        if (!m_copying)
            return Status::success();
        m_copying = false;
        if (Status flushed = flush(); !flushed)
            return flushed;
        if (PQputCopyEnd(m_conn.get(), nullptr) != 1)
            return failure(nullptr);
        Status outcome;
        while (PgResult r{PQgetResult(m_conn.get())}) {
            if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && outcome)
                outcome = failure(r.get());
        }
        return outcome;
    }
    Result<PgResult> query(const QString &sql, const QList<QByteArray> &params = {})
    {
        const QByteArray text = sql.toUtf8();
        std::vector<const char *> values;
        for (const QByteArray &p : params)
            values.push_back(p.constData());
        // Without parameters, as several statements in one text.
        PgResult r(params.isEmpty() ? PQexec(m_conn.get(), text.constData())
                                    : PQexecParams(m_conn.get(), text.constData(), int(values.size()), nullptr, values.data(),
                                                   nullptr, nullptr, 0));
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            return failure(r.get());
        return r;
    }
    Status exec(const QString &sql) { return query(sql).status(); }

    Status failure(const PGresult *r) const
    {
        const char *state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        const bool lost = PQstatus(m_conn.get()) != CONNECTION_OK;
        return nothingWrittenToServer(
            engineFailure(pg::faultOf(state, lost), Action::Write, m_place, pg::errorText(m_conn.get(), r, m_conninfo)));
    }

    PgConn m_conn;
    QString m_conninfo; // never shown: what its texts must not show
    QString m_schema;   // the data's, quoted
    Place m_place;
    bool m_copying = false;
    QByteArray m_buffer;
};

Status ServerTableWriter::prepare(bool replace)
{
    // A tool may run long: no statement time-out, a fair wait for the
    // counters' sessions to let go of the tables.
    if (Status set = exec(QStringLiteral("SET statement_timeout = 0; SET lock_timeout = '30s'; BEGIN")); !set)
        return set;
    auto encoding = query(QStringLiteral("SELECT pg_catalog.pg_encoding_to_char(encoding) FROM pg_catalog.pg_database "
                                         "WHERE datname = pg_catalog.current_database()"));
    if (!encoding)
        return encoding.status();
    if (qstrcmp(PQgetvalue(encoding->get(), 0, 0), "UTF8") != 0) {
        return Status::failure(Fault::Refused,
                               QStringLiteral("La base de données %1 n'est pas en UTF-8 (elle est en %2).")
                                   .arg(m_place.name, QString::fromUtf8(PQgetvalue(encoding->get(), 0, 0))),
                               kNothingWritten,
                               QStringLiteral("Créez-la en UTF-8 : createdb -E UTF8 --locale=C.UTF-8 -T template0 ..."));
    }
    if (Status made = exec(createCollationSql(m_schema)); !made)
        return made;
    QStringList holding;
    std::vector<bool> keep;
    for (const TableDef &table : kTables) {
        // Kept when it has the program's columns, each under the rules, and
        // the key: its rows are replaced, its keys go on from where they were.
        auto shape = query(QStringLiteral("SELECT pg_catalog.count(*) FILTER (WHERE c.collname = 'ci' AND c.collnamespace "
                                          "OPERATOR(pg_catalog.=) r.relnamespace AND pg_catalog.upper(a.attname) "
                                          "OPERATOR(pg_catalog.=) ANY ($1::pg_catalog.text[])), pg_catalog.count(*), "
                                          "pg_catalog.count(*) FILTER (WHERE a.attname = 'cle' AND a.attidentity = 'a') "
                                          "FROM pg_catalog.pg_class r JOIN pg_catalog.pg_attribute a ON a.attrelid = r.oid "
                                          "LEFT JOIN pg_catalog.pg_collation c ON c.oid = a.attcollation "
                                          "WHERE r.oid OPERATOR(pg_catalog.=) pg_catalog.to_regclass($2) "
                                          "AND a.attnum > 0 AND NOT a.attisdropped"),
                           {"{" + columnNames(table).join(QLatin1Char(',')).toUtf8() + "}", tableName(table).toUtf8()});
        if (!shape)
            return shape.status();
        const bool exists = QByteArray(PQgetvalue(shape->get(), 0, 1)).toInt() > 0;
        keep.push_back(QByteArray(PQgetvalue(shape->get(), 0, 0)).toInt() == table.columnCount()
                       && QByteArray(PQgetvalue(shape->get(), 0, 2)).toInt() == 1);
        if (!exists)
            continue;
        auto rows = query(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1)").arg(tableName(table)));
        if (!rows)
            return rows.status();
        if (qstrcmp(PQgetvalue(rows->get(), 0, 0), "t") == 0)
            holding << QLatin1String(table.name);
    }
    if (!holding.isEmpty() && !replace) {
        return Status::failure(Fault::Refused,
                               QStringLiteral("La base de données %1 contient déjà des lignes dans %2 : elle est laissée telle "
                                              "quelle.")
                                   .arg(m_place.name, holding.join(QLatin1String(", "))),
                               kNothingWritten, QStringLiteral("Ajoutez --force pour remplacer ces tables."));
    }
    for (std::size_t i = 0; i < std::size(kTables); ++i) {
        const QString name = tableName(kTables[i]);
        const Status s =
            keep[i] ? exec(QStringLiteral("TRUNCATE %1").arg(name))
                    : exec(QStringLiteral("DROP TABLE IF EXISTS %1; %2").arg(name, createTableSql(m_schema, kTables[i])));
        if (!s)
            return s;
    }
    return Status::success();
}

} // namespace

Result<UpgradeNotes> upgradeServer(const QString &conninfo)
{
    QString schema;
    auto session = pg::openSession(conninfo, pg::kCopyStatementSeconds, &schema);
    if (!session)
        return nothingWrittenToServer(session.status());
    return ServerTableWriter(std::move(*session), conninfo, schema).upgrade();
}

Status nothingWrittenToServer(const Status &failure)
{
    return Status::failure(failure.fault(), failure.what(), kNothingWritten, failure.advice()).withDetail(failure.detail());
}

Result<std::unique_ptr<TableWriter>> serverTableWriter(const QString &conninfo, const WriteOptions &options)
{
    QString schema;
    auto session = pg::openSession(conninfo, pg::kCopyStatementSeconds, &schema);
    if (!session)
        return nothingWrittenToServer(session.status());
    auto writer = std::make_unique<ServerTableWriter>(std::move(*session), conninfo, schema);
    if (Status prepared = writer->prepare(options.replace); !prepared)
        return prepared;
    return std::unique_ptr<TableWriter>(std::move(writer));
}

} // namespace tavro
