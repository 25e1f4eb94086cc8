// A server database with the counter's local copy to fall back on.
#include "data/database/localcopy.h"

#include "data/postgres/pgconnection.h"
#include "data/postgres/pgwriter.h"
#include "data/setting/databasesetting.h"
#include "data/setting/paths.h"
#include "data/sqlite/sqliteconnection.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QMutex>

namespace tavro {

namespace {

// Per database: whether its servers are known out of reach, and how many
// times one was heard from again. A window that opens while the servers
// are known out of reach opens on the copy at once, without waiting for
// them again; the refresh of the copy says when one answers.
struct Reach {
    bool unreachable = false;
    QDeadlineTimer askAgain;
    quint64 answered = 0;
};
QMutex g_mutex;
QHash<QString, Reach> g_reach;

// After this, a window that opens asks the servers again even if the
// copy's refresh (which tries every half minute, in a process of its own,
// so that no clerk waits for a server that does not answer) said nothing.
constexpr int kAskAgainMs = 5 * 60 * 1000;

Reach reachOf(const QString &database)
{
    QMutexLocker lock(&g_mutex);
    return g_reach.value(database);
}

void noteUnreachable(const QString &database)
{
    QMutexLocker lock(&g_mutex);
    Reach &r = g_reach[database];
    r.unreachable = true;
    r.askAgain = QDeadlineTimer(kAskAgainMs);
}

void noteReached(const QString &database)
{
    QMutexLocker lock(&g_mutex);
    g_reach[database].unreachable = false;
}

class CopyFallback final : public Connection {
public:
    CopyFallback(QString database, std::unique_ptr<Connection> live)
        : m_database(std::move(database))
        , m_live(std::move(live))
        , m_answered(reachOf(m_database).answered)
    {
    }
    CopyFallback(QString database, std::unique_ptr<Connection> copy, QDateTime taken, Wait wait)
        : m_database(std::move(database))
        , m_copy(std::move(copy))
        , m_taken(std::move(taken))
        , m_answered(reachOf(m_database).answered)
        , m_wait(wait)
    {
    }

    QString where() const override { return m_live ? m_live->where() : shownDatabase(m_database); }
    void setWait(Wait wait) override
    {
        m_wait = wait;
        (m_live ? m_live : m_copy)->setWait(wait);
    }
    ReadOrigin readsFrom() const override
    {
        if (m_live)
            return m_live->readsFrom();
        return {ReadOrigin::Kind::Copy, displayPath(localCopyPath(m_database)), m_taken};
    }

    Result<LoadedResult> load(const QString &sql) override
    {
        backToServer();
        if (!m_live)
            return m_copy->load(sql);
        auto loaded = m_live->load(sql);
        if (!loaded && loaded.status().fault() == Fault::Unavailable && toCopy())
            return m_copy->load(sql);
        return loaded;
    }
    PickListRead readColumn(const QString &sql, const QString &column) override
    {
        backToServer();
        if (!m_live)
            return m_copy->readColumn(sql, column);
        PickListRead read = m_live->readColumn(sql, column);
        if (read.status.fault() == Fault::Unavailable && read.items.isEmpty() && toCopy())
            return m_copy->readColumn(sql, column);
        return read;
    }

    // Saves: the server's, or refused on the copy. A write begun on the
    // server is never carried on on the copy.
    Status begin() override
    {
        backToServer();
        return m_live ? m_live->begin() : copyRefusal(m_taken);
    }
    Status commit() override { return m_live ? m_live->commit() : copyRefusal(m_taken); }
    void rollback() override
    {
        if (m_live)
            m_live->rollback();
    }
    Result<std::optional<RowKey>> update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes,
                                         const std::vector<ColumnValue> &asRead) override
    {
        if (!m_live)
            return copyRefusal(m_taken);
        return m_live->update(table, key, changes, asRead);
    }
    Result<RowKey> insert(const QString &table, const std::map<QString, std::optional<QString>> &values) override
    {
        if (!m_live)
            return copyRefusal(m_taken);
        return m_live->insert(table, values);
    }
    Result<bool> remove(const QString &table, RowKey key, const std::vector<ColumnValue> &originals) override
    {
        if (!m_live)
            return copyRefusal(m_taken);
        return m_live->remove(table, key, originals);
    }
    Result<std::optional<RowKey>> current(const QString &table, RowKey key) override
    {
        return (m_live ? m_live : m_copy)->current(table, key);
    }
    Result<QStringList> columnsOf(const QString &table) override { return (m_live ? m_live : m_copy)->columnsOf(table); }

private:
    // On the copy, once a server was heard from again: the server's
    // connection from now on, if it opens.
    void backToServer()
    {
        if (m_live)
            return;
        const quint64 answered = reachOf(m_database).answered;
        if (answered == m_answered)
            return;
        m_answered = answered;
        auto live = connectToServer(m_database);
        if (!live)
            return;
        m_live = std::move(*live);
        m_live->setWait(m_wait);
        m_copy.reset();
    }

    // The server lost under a look-up: the copy answers, if there is one.
    bool toCopy()
    {
        if (!m_copy) {
            const QString path = localCopyPath(m_database);
            const auto taken = localCopyTaken(path);
            if (!taken || serverAnswers(m_database))
                return false;
            auto copy = connectToFile(path, m_wait);
            if (!copy)
                return false;
            m_copy = std::move(*copy);
            m_taken = *taken;
        }
        noteUnreachable(m_database);
        m_answered = reachOf(m_database).answered;
        m_live.reset();
        return true;
    }

    QString m_database;
    std::unique_ptr<Connection> m_live;
    std::unique_ptr<Connection> m_copy;
    QDateTime m_taken;
    quint64 m_answered = 0;
    Wait m_wait = Wait::ForBusy;
};

} // namespace

Status copyRefusal(const QDateTime &taken)
{
    return Status::failure(Fault::Unavailable,
                           QStringLiteral("L'enregistrement demande le serveur, qui ne répond pas : ce poste consulte la %1.")
                               .arg(copyTakenText(taken).replace(0, 1, QLatin1Char('c'))),
                           QStringLiteral("Rien n'a été enregistré ; vos saisies sont conservées."),
                           QStringLiteral("Réessayez quand le serveur répondra de nouveau."));
}

CopyNotices &copyNotices()
{
    static CopyNotices notices;
    return notices;
}

void noteServerAnswers(const QString &database)
{
    {
        QMutexLocker lock(&g_mutex);
        Reach &r = g_reach[database];
        r.unreachable = false;
        ++r.answered;
    }
    Q_EMIT copyNotices().serverAnswers(database);
}

Result<std::unique_ptr<Connection>> connectWithCopy(const QString &database, Wait wait)
{
    const QString path = localCopyPath(database);
    const Reach reach = reachOf(database);
    std::optional<QDateTime> taken;
    // Known out of reach a moment ago: the copy at once.
    if (!reach.unreachable || reach.askAgain.hasExpired() || !(taken = localCopyTaken(path))) {
        auto live = connectToServer(database);
        if (live) {
            noteReached(database);
            return std::unique_ptr<Connection>(std::make_unique<CopyFallback>(database, std::move(*live)));
        }
        // A password refused or a database unknown is said, as without a copy.
        if (live.status().fault() != Fault::Unavailable || !(taken = localCopyTaken(path)) || serverAnswers(database))
            return live.status();
        noteUnreachable(database);
    }
    auto copy = connectToFile(path, wait);
    if (!copy)
        return copy.status();
    return std::unique_ptr<Connection>(std::make_unique<CopyFallback>(database, std::move(*copy), *taken, wait));
}

} // namespace tavro
