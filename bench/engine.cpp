#include "bench/engine.h"
#include "bench/harness.h"

#include "data/databasekind.h"
#include "data/postgres/pgtext.h"
#include "data/sqlite/textrules.h"

#include <QFile>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>

namespace tavro::bench {

namespace {

std::atomic<qint64> g_statements{0};

int traced(unsigned, void *, void *, void *)
{
    ++g_statements;
    return 0;
}

int traceConnection(sqlite3 *db, char **, const sqlite3_api_routines *)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, traced, nullptr);
    return SQLITE_OK;
}

class FileEngine final : public Engine {
public:
    explicit FileEngine(const QString &path);
    ~FileEngine() override { sqlite3_close(m_db); }

    bool isOpen() const override { return m_db != nullptr; }
    bool isServer() const override { return false; }
    EngineResult step(const QString &sql) const override;
    double firstRowMs(const QString &sql) const override;
    qint64 count(const QString &sql) const override;
    QString value(const QString &sql) const override;

private:
    sqlite3 *m_db = nullptr;
};

class ServerEngine final : public Engine {
public:
    explicit ServerEngine(const QString &conninfo)
        : m_conn(PQconnectdb(conninfo.toUtf8().constData()))
    {
        // The program's session settings: one process per query from the
        // table's first page, no JIT (see pg::prepareSession).
        PQclear(PQexec(m_conn, "SET standard_conforming_strings = on; SET synchronize_seqscans = off; "
                               "SET max_parallel_workers_per_gather = 0; SET jit = off"));
    }
    ~ServerEngine() override { PQfinish(m_conn); }

    bool isOpen() const override { return PQstatus(m_conn) == CONNECTION_OK; }
    bool isServer() const override { return true; }

    EngineResult step(const QString &sql) const override
    {
        EngineResult result;
        PGresult *r = PQexec(m_conn, pg::withTextRules(sql).toUtf8().constData());
        result.ok = PQresultStatus(r) == PGRES_TUPLES_OK;
        result.rows = PQntuples(r);
        const int n = PQnfields(r);
        for (int row = 0; row < result.rows; ++row) {
            for (int c = 0; c < n; ++c) {
                if (!PQgetisnull(r, row, c) && PQgetvalue(r, row, c))
                    result.bytes += PQgetlength(r, row, c);
            }
        }
        PQclear(r);
        return result;
    }
    double firstRowMs(const QString &sql) const override
    {
        QElapsedTimer t;
        t.start();
        double first = -1;
        PQsendQuery(m_conn, pg::withTextRules(sql).toUtf8().constData());
        PQsetSingleRowMode(m_conn);
        while (PGresult *r = PQgetResult(m_conn)) {
            if (first < 0 && PQresultStatus(r) == PGRES_SINGLE_TUPLE)
                first = t.nsecsElapsed() / 1e6;
            PQclear(r);
        }
        return first;
    }
    qint64 count(const QString &sql) const override
    {
        const QString n = value(QStringLiteral("SELECT COUNT(*) FROM (%1) AS q").arg(sql));
        return n.isEmpty() ? -1 : n.toLongLong();
    }
    QString value(const QString &sql) const override
    {
        PGresult *r = PQexec(m_conn, pg::withTextRules(sql).toUtf8().constData());
        const QString v =
            PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0 ? QString::fromUtf8(PQgetvalue(r, 0, 0)) : QString();
        PQclear(r);
        return v;
    }

private:
    PGconn *m_conn;
};

} // namespace

std::unique_ptr<Engine> openEngine(const QString &database)
{
    if (databaseKind(database) == DatabaseKind::Server)
        return std::make_unique<ServerEngine>(database);
    return std::make_unique<FileEngine>(database);
}

FileEngine::FileEngine(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    installTextRules(m_db);
    sqlite3_busy_timeout(m_db, 5000);
}

EngineResult FileEngine::step(const QString &sql) const
{
    EngineResult result;
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return result;
    }
    const int n = sqlite3_column_count(st);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++result.rows;
        for (int i = 0; i < n; ++i) {
            if (sqlite3_column_text(st, i))
                result.bytes += sqlite3_column_bytes(st, i);
        }
    }
    result.ok = rc == SQLITE_DONE;
    sqlite3_finalize(st);
    return result;
}

qint64 FileEngine::count(const QString &sql) const
{
    const QByteArray text = ("SELECT COUNT(*) FROM (" + sql + ")").toUtf8();
    sqlite3_stmt *st = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
}

QString FileEngine::value(const QString &sql) const
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    QString v;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return v;
}

double FileEngine::firstRowMs(const QString &sql) const
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    const double ms = timeMs([&] {
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) == SQLITE_OK)
            sqlite3_step(st);
    });
    sqlite3_finalize(st);
    return ms;
}

void countStatements()
{
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(traceConnection));
}

qint64 statementsStarted()
{
    return g_statements.load();
}

} // namespace tavro::bench
