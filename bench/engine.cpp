#include "bench/engine.h"

#include "data/textrules.h"

#include <QFile>
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

} // namespace

Engine::Engine(const QString &path)
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

Engine::~Engine()
{
    sqlite3_close(m_db);
}

EngineResult Engine::step(const QString &sql) const
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

qint64 Engine::count(const QString &sql) const
{
    const QByteArray text = ("SELECT COUNT(*) FROM (" + sql + ")").toUtf8();
    sqlite3_stmt *st = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
}

QString Engine::value(const QString &sql) const
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    QString v;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        v = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return v;
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
