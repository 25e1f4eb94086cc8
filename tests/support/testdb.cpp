#include "support/testdb.h"

#include "data/database/database.h"
#include "data/postgres/pgtext.h"
#include "data/rows/module1.h"
#include "data/sample/sampledata.h"
#include "data/schema.h"
#include "data/setting/databasesetting.h"
#include "data/setting/paths.h"
#include "data/sqlite/opendb.h"
#include "data/sqltext.h"
#include "support/filerows.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <QtTest>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <libpq-fe.h>

#include <condition_variable>
#include <csignal>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace tavro::test {

namespace {

// The private server's connection string, without a database.
QString serverAddress()
{
    static const QString address = [] {
        QFile state(qEnvironmentVariable("TAVRO_TEST_SERVER"));
        const QString line = state.open(QIODevice::ReadOnly) ? QString::fromUtf8(state.readLine()).trimmed()
                                                             : QStringLiteral("unavailable: no server was started for the tests");
        if (line.startsWith(QLatin1String("unavailable"))) {
            // Only where the server packages cannot be installed (CTest's skip code).
            std::fprintf(stderr, "SKIP: %s\n", qPrintable(line));
            std::exit(77);
        }
        return line;
    }();
    return address;
}

// The standby's connection string, without a database (the state file's
// second line).
QString standbyAddress()
{
    serverAddress();
    QFile state(qEnvironmentVariable("TAVRO_TEST_SERVER"));
    state.open(QIODevice::ReadOnly);
    state.readLine();
    const QString line = QString::fromUtf8(state.readLine()).trimmed();
    if (!line.startsWith(QLatin1String("standby ")))
        qFatal("test server: no standby in %s", qPrintable(state.fileName()));
    return line.mid(8);
}

// A keyword's value in a connection string of the state file.
QString valueOf(const QString &address, const QString &keyword)
{
    const QStringList words = address.split(QLatin1Char(' '));
    for (const QString &w : words) {
        if (w.startsWith(keyword + QLatin1Char('=')))
            return w.mid(keyword.size() + 1);
    }
    return {};
}

using PgHandle = std::shared_ptr<PGconn>;

PgHandle pgConnect(const QString &conninfo)
{
    PgHandle c(PQconnectdb(conninfo.toUtf8().constData()), PQfinish);
    if (PQstatus(c.get()) != CONNECTION_OK)
        qFatal("test server: %s", PQerrorMessage(c.get()));
    // The tests' own statements, and the program's texts they run, read as
    // the program's sessions read them, whatever the database says.
    PQclear(PQexec(c.get(), "SET standard_conforming_strings = on"));
    return c;
}

// Runs a statement; the result's rows, or qFatal on failure.
std::shared_ptr<PGresult> pgRun(PGconn *c, const QString &sql, const QVariantList &values = {})
{
    QList<QByteArray> bytes;
    std::vector<const char *> params;
    for (const QVariant &v : values)
        bytes << v.toString().toUtf8();
    for (int i = 0; i < values.size(); ++i)
        params.push_back(values[i].isNull() ? nullptr : bytes[i].constData());
    std::shared_ptr<PGresult> r(values.isEmpty() ? PQexec(c, sql.toUtf8().constData())
                                                 : PQexecParams(c, sql.toUtf8().constData(), int(params.size()), nullptr,
                                                                params.data(), nullptr, nullptr, 0),
                                PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        qFatal("test server: %s\n%s", PQresultErrorMessage(r.get()), qPrintable(sql));
    return r;
}

SQLite::Database openFile(const QString &path)
{
    SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE);
    prepareConnection(db);
    return db;
}

} // namespace

TestDatabase::TestDatabase()
    : m_previousFolder(QDir::currentPath())
{
    static int made = 0;
    if (onServer())
        m_server = serverAddress() + QStringLiteral(" dbname=tavro_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
}

TestDatabase::~TestDatabase()
{
    QDir::setCurrent(m_previousFolder);
    Module1::setProgramFolder(QString());
    if (!m_server.isEmpty())
        useDatabaseSetting({});
    if (m_created)
        pgRun(pgConnect(serverAddress() + QStringLiteral(" dbname=postgres")).get(),
              QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name()));
}

bool TestDatabase::onServer()
{
    return qEnvironmentVariable("TAVRO_TEST_ENGINE") == QLatin1String("postgresql");
}

QString TestDatabase::path() const
{
    return m_server.isEmpty() ? QDir(m_dir.path()).filePath(QLatin1String(kDatabaseFileName)) : m_server;
}

QString TestDatabase::name() const
{
    return m_server.isEmpty() ? QDir::toNativeSeparators(path()) : m_server.section(QLatin1Char('='), -1);
}

QString TestDatabase::asRole(const QString &role) const
{
    return m_server + QStringLiteral(" user=") + role;
}

void TestDatabase::create(bool withTables)
{
    if (!m_server.isEmpty()) {
        const PgHandle admin = pgConnect(serverAddress() + QStringLiteral(" dbname=postgres"));
        pgRun(admin.get(), QStringLiteral("CREATE DATABASE %1").arg(name()));
        m_created = true;
        // The program must set it on itself: the server here says otherwise.
        pgRun(admin.get(), QStringLiteral("ALTER DATABASE %1 SET standard_conforming_strings = off").arg(name()));
    }
    if (!withTables)
        return;
    auto writer = Database(path()).writer();
    const Status made = writer ? (*writer)->commit() : writer.status();
    if (!made)
        qFatal("test database: %s\n%s", qPrintable(made.message()), qPrintable(made.detail()));
    if (!m_server.isEmpty())
        pgRun(pgConnect(m_server).get(), QStringLiteral("GRANT SELECT ON CODE, TELE, QRT TO tavro_reader, tavro_password"));
}

void TestDatabase::createWithoutKeys()
{
    create(false);
    QStringList statements;
    if (!m_server.isEmpty())
        statements << QStringLiteral("CREATE COLLATION ci (provider = icu, locale = 'und-u-ks-level2', deterministic = false)");
    for (const TableDef &table : kTables) {
        QStringList columns;
        for (const QString &column : columnNames(table))
            columns << column
                           + (m_server.isEmpty() ? QStringLiteral(" TEXT COLLATE NOCASE") : QStringLiteral(" TEXT COLLATE ci"));
        statements << QStringLiteral("CREATE TABLE %1 (%2)").arg(QLatin1String(table.name), columns.join(QLatin1String(", ")));
    }
    if (!m_server.isEmpty()) {
        pgRun(pgConnect(m_server).get(), statements.join(QLatin1Char(';')));
        return;
    }
    SQLite::Database db(QFile::encodeName(path()).toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(statements.join(QLatin1Char(';')).toStdString());
}

void TestDatabase::createSample()
{
    if (!m_server.isEmpty())
        create();
    if (const auto written = writeSampleDatabase(path(), SampleOptions{.replace = true}); !written)
        qFatal("sample database: %s\n%s", qPrintable(written.status().message()), qPrintable(written.status().detail()));
}

void TestDatabase::insert(const char *table, const QVariantList &values)
{
    // By the columns' names: the key, where the table has it, is the engine's to give.
    QStringList marks;
    for (int i = 0; i < values.size(); ++i)
        marks << (m_server.isEmpty() ? QStringLiteral("?") : QStringLiteral("$%1").arg(i + 1));
    const auto def =
        std::find_if(std::begin(kTables), std::end(kTables), [&](const TableDef &t) { return qstrcmp(t.name, table) == 0; });
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(QLatin1String(table), columnNames(*def).mid(0, values.size()).join(QLatin1Char(',')),
                                 marks.join(QLatin1Char(',')));
    if (!m_server.isEmpty()) {
        pgRun(pgConnect(m_server).get(), sql, values);
        return;
    }
    SQLite::Database db = openFile(path());
    SQLite::Statement st(db, sql.toStdString());
    for (int i = 0; i < values.size(); ++i) {
        if (values[i].isNull())
            st.bind(i + 1);
        else
            st.bind(i + 1, values[i].toString().toStdString());
    }
    st.exec();
}

void TestDatabase::exec(const QString &sql, const QString &role)
{
    if (!m_server.isEmpty())
        pgRun(pgConnect(role.isEmpty() ? m_server : asRole(role)).get(), sql);
    else
        openFile(path()).exec(sql.toStdString());
}

QStringList TestDatabase::rows(const QString &sql) const
{
    QStringList out;
    if (!m_server.isEmpty()) {
        const auto r = pgRun(pgConnect(m_server).get(), pg::withTextRules(sql));
        for (int row = 0; row < PQntuples(r.get()); ++row) {
            QStringList cells;
            for (int c = 0; c < PQnfields(r.get()); ++c) {
                if (keptColumn(sql, QString::fromUtf8(PQfname(r.get(), c))))
                    cells << (PQgetisnull(r.get(), row, c)
                                  ? QStringLiteral("<null>")
                                  : storedText(PQgetvalue(r.get(), row, c), PQgetlength(r.get(), row, c)));
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    return fileRows(path(), sql);
}

std::shared_ptr<void> TestDatabase::holdForWriting(const char *table, bool readersToo)
{
    if (!m_server.isEmpty()) {
        PgHandle c = pgConnect(m_server);
        pgRun(c.get(), QStringLiteral("BEGIN"));
        pgRun(c.get(), readersToo ? QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(QLatin1String(table))
                                  : QStringLiteral("SELECT * FROM %1 FOR UPDATE").arg(QLatin1String(table)));
        return c; // closing it rolls back
    }
    auto db = std::make_shared<SQLite::Database>(openFile(path()));
    auto lock = std::make_shared<SQLite::Transaction>(*db, readersToo ? SQLite::TransactionBehavior::EXCLUSIVE
                                                                      : SQLite::TransactionBehavior::IMMEDIATE);
    return std::shared_ptr<void>(lock.get(), [db, lock](void *) mutable { lock.reset(); });
}

QString TestDatabase::throughStandby(const QString &linkFolder) const
{
    const QString primary = serverAddress(), standby = standbyAddress();
    QString hosts = valueOf(primary, QStringLiteral("host")) + QLatin1Char(',') + valueOf(standby, QStringLiteral("host"));
    if (!linkFolder.isEmpty()) {
        hosts = linkFolder + QStringLiteral("/primary,") + linkFolder + QStringLiteral("/standby");
        setReachable(linkFolder, true);
    }
    return QStringLiteral("host=%1 port=%2,%3 user=%4 dbname=%5")
        .arg(hosts, valueOf(primary, QStringLiteral("port")), valueOf(standby, QStringLiteral("port")),
             valueOf(primary, QStringLiteral("user")), name());
}

void TestDatabase::setReachable(const QString &linkFolder, bool reachable) const
{
    const QString links[] = {linkFolder + QStringLiteral("/primary"), linkFolder + QStringLiteral("/standby")};
    const QString targets[] = {valueOf(serverAddress(), QStringLiteral("host")),
                               valueOf(standbyAddress(), QStringLiteral("host"))};
    for (int i = 0; i < 2; ++i) {
        QFile::remove(links[i]);
        if (reachable && !QFile::link(targets[i], links[i]))
            qFatal("cannot link %s", qPrintable(links[i]));
    }
}

void TestDatabase::waitForStandby() const
{
    const auto primary = pgConnect(serverAddress() + QStringLiteral(" dbname=postgres"));
    const QByteArray lsn(PQgetvalue(pgRun(primary.get(), QStringLiteral("SELECT pg_current_wal_insert_lsn()")).get(), 0, 0));
    const auto standby = pgConnect(standbyAddress() + QStringLiteral(" dbname=postgres"));
    // A standby that replays a dropped database waits for its own sessions
    // there to end (max_standby_streaming_delay, 30 s), and a loaded
    // machine replays slowly: a minute before giving up.
    for (int tries = 0; tries < 3000; ++tries) {
        const auto r = pgRun(standby.get(), QStringLiteral("SELECT pg_last_wal_replay_lsn() >= $1::pg_lsn"), {lsn});
        if (qstrcmp(PQgetvalue(r.get(), 0, 0), "t") == 0)
            return;
        QThread::msleep(20);
    }
    qFatal("test server: the standby did not catch up");
}

void TestDatabase::pauseStandby(bool paused) const
{
    pgRun(pgConnect(standbyAddress() + QStringLiteral(" dbname=postgres")).get(),
          paused ? QStringLiteral("SELECT pg_wal_replay_pause()") : QStringLiteral("SELECT pg_wal_replay_resume()"));
}

QStringList TestDatabase::standbyRows(const QString &sql) const
{
    const auto r = pgRun(pgConnect(standbyAddress() + QStringLiteral(" dbname=") + name()).get(), pg::withTextRules(sql));
    QStringList out;
    for (int row = 0; row < PQntuples(r.get()); ++row) {
        QStringList cells;
        for (int c = 0; c < PQnfields(r.get()); ++c)
            cells << (PQgetisnull(r.get(), row, c) ? QStringLiteral("<null>") : QString::fromUtf8(PQgetvalue(r.get(), row, c)));
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

void TestDatabase::cutConnections()
{
    if (!m_server.isEmpty())
        pgRun(pgConnect(m_server).get(), QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                                        "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
}

namespace {

// Server processes stopped, and the thread that lets them go on.
struct Frozen {
    std::vector<pid_t> pids;
    std::mutex lock;
    std::condition_variable over;
    bool done = false;
    std::thread thaw;
    ~Frozen()
    {
        {
            std::lock_guard guard(lock);
            done = true;
        }
        over.notify_all();
        thaw.join();
    }
};

} // namespace

std::shared_ptr<void> TestDatabase::freezeSessions(int atMostSeconds)
{
    if (m_server.isEmpty())
        return {};
    auto frozen = std::make_shared<Frozen>();
    const auto r =
        pgRun(pgConnect(m_server).get(), QStringLiteral("SELECT pid FROM pg_stat_activity "
                                                        "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    for (int row = 0; row < PQntuples(r.get()); ++row) {
        const pid_t pid = QByteArray(PQgetvalue(r.get(), row, 0)).toInt();
        if (::kill(pid, SIGSTOP) == 0)
            frozen->pids.push_back(pid);
    }
    frozen->thaw = std::thread([f = frozen.get(), atMostSeconds] {
        std::unique_lock guard(f->lock);
        f->over.wait_for(guard, std::chrono::seconds(atMostSeconds), [f] { return f->done; });
        for (const pid_t pid : f->pids)
            ::kill(pid, SIGCONT);
    });
    return frozen;
}

void TestDatabase::setMissing(bool missing)
{
    const QString away = name() + QStringLiteral("_away");
    if (m_server.isEmpty()) {
        if (!QFile::rename(missing ? path() : path() + QStringLiteral(".away"),
                           missing ? path() + QStringLiteral(".away") : path()))
            qFatal("cannot rename %s", qPrintable(path()));
        return;
    }
    pgRun(pgConnect(serverAddress() + QStringLiteral(" dbname=postgres")).get(),
          missing ? QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE datname = '%1'; "
                                   "ALTER DATABASE %1 RENAME TO %2")
                        .arg(name(), away)
                  : QStringLiteral("ALTER DATABASE %2 RENAME TO %1").arg(name(), away));
}

void TestDatabase::replaceWith(const TestDatabase &other)
{
    if (!m_server.isEmpty() || std::rename(QFile::encodeName(other.path()).constData(), QFile::encodeName(path()).constData()))
        qFatal("cannot put %s in the place of %s", qPrintable(other.path()), qPrintable(path()));
}

void TestDatabase::makeCurrent()
{
    Module1::setProgramFolder(m_dir.path());
    QDir::setCurrent(m_dir.path());
    if (!m_server.isEmpty())
        useDatabaseSetting(DatabaseSetting{m_server, DatabaseSource::Option, {}, {}});
}

} // namespace tavro::test
