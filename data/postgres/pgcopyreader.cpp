// A server's three tables read for a counter's local copy.
#include "data/postgres/pgsession.h"
#include "data/postgres/pgwriter.h"

namespace tavro {

namespace {

using namespace pg;

class ServerCopyReader final : public TableReader {
public:
    ServerCopyReader(PgConn conn, const Place &place)
        : m_conn(std::move(conn))
        , m_place(place)
    {
    }

    // One snapshot for the three tables: the copy never pairs a table as
    // it was with another as it is.
    Status begin() { return run("SET statement_timeout = 0; BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"); }

    Status eachRow(const TableDef &table, const std::function<Status(const RowValues &)> &receive) override
    {
        const QByteArray name(table.name);
        const char *param[] = {name.constData()};
        PgResult keyed(PQexecParams(m_conn.get(), kHasKeySql, 1, nullptr, param, nullptr, nullptr, 0));
        if (PQresultStatus(keyed.get()) != PGRES_TUPLES_OK)
            return failure(keyed.get());
        const bool hasKey = PQntuples(keyed.get()) == 1 && qstrcmp(PQgetvalue(keyed.get(), 0, 0), "t") == 0;
        // The tools' names, unquoted as the tools made them.
        const QStringList columns = columnNames(table);
        // A table without the key gets it in the copy, numbered in stored order.
        const QString sql = QStringLiteral("SELECT %1, %2 FROM %3%4")
                                .arg(columns.join(QLatin1String(", ")), hasKey ? QStringLiteral("CLE") : QStringLiteral("NULL"),
                                     QLatin1String(table.name), hasKey ? QStringLiteral(" ORDER BY CLE") : QString());
        if (!PQsendQuery(m_conn.get(), sql.toUtf8().constData()) || !PQsetSingleRowMode(m_conn.get()))
            return failure(nullptr);
        Status outcome;
        RowValues values;
        while (PgResult r{PQgetResult(m_conn.get())}) {
            const ExecStatusType status = PQresultStatus(r.get());
            if (status == PGRES_TUPLES_OK)
                continue;
            if (status != PGRES_SINGLE_TUPLE) {
                if (outcome)
                    outcome = failure(r.get());
                continue; // read on until the server is done with the query
            }
            if (!outcome)
                continue;
            values.clear();
            for (int c = 0; c < PQnfields(r.get()); ++c)
                values << (PQgetisnull(r.get(), 0, c)
                               ? std::nullopt
                               : std::optional(QByteArray(PQgetvalue(r.get(), 0, c), PQgetlength(r.get(), 0, c))));
            outcome = receive(values);
        }
        if (outcome && PQstatus(m_conn.get()) != CONNECTION_OK)
            return failure(nullptr);
        return outcome;
    }

private:
    Status run(const char *sql)
    {
        PgResult r(PQexec(m_conn.get(), sql));
        return PQresultStatus(r.get()) == PGRES_COMMAND_OK ? Status::success() : failure(r.get());
    }
    Status failure(const PGresult *r) const
    {
        const char *state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        return engineFailure(faultOf(state, PQstatus(m_conn.get()) != CONNECTION_OK), Action::Read, m_place,
                             QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(m_conn.get())).trimmed());
    }

    PgConn m_conn;
    Place m_place;
};

} // namespace

Result<std::unique_ptr<TableReader>> serverCopyReader(const QString &conninfo)
{
    // Where several hosts are named, a standby answers: the primary is
    // left to the saves.
    auto session = openSession(conninfo, kCopyStatementSeconds, nullptr, splitsSessions(conninfo) ? "prefer-standby" : nullptr);
    if (!session)
        return session.status();
    auto reader = std::make_unique<ServerCopyReader>(std::move(*session), Place{placeName(conninfo), DatabaseKind::Server});
    if (Status begun = reader->begin(); !begun)
        return begun;
    return std::unique_ptr<TableReader>(std::move(reader));
}

bool serverAnswers(const QString &conninfo)
{
    const char *keywords[] = {"connect_timeout", "dbname", nullptr};
    const QByteArray info = conninfo.toUtf8();
    const char *values[] = {"5", info.constData(), nullptr};
    return PQpingParams(keywords, values, 1) != PQPING_NO_RESPONSE;
}

} // namespace tavro
