// The embedded engine: BD2003.mdb as a SQLite file.
#include "data/sqlite/sqliteconnection.h"

#include "data/enginefailure.h"
#include "data/loadpolicy.h"
#include "data/schema.h"
#include "data/selecttext.h"
#include "data/setting/paths.h"
#include "data/sqlite/opendb.h"
#include "data/sqlite/sqlitestep.h"
#include "data/sqltext.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace tavro {

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

StatementPtr prepare(sqlite3 *db, const QByteArray &sql)
{
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return nullptr;
    }
    return StatementPtr(s);
}

QString utf8(const char *s)
{
    return s ? QString::fromUtf8(s) : QString();
}

// Aggregates show in the compiled program as Agg* instructions.
bool usesAggregates(sqlite3 *db, const QByteArray &sql)
{
    StatementPtr explain = prepare(db, "EXPLAIN " + sql);
    if (!explain)
        return true;
    while (sqlite3_step(explain.get()) == SQLITE_ROW) {
        const auto *opcode = reinterpret_cast<const char *>(sqlite3_column_text(explain.get(), 1));
        if (opcode && qstrncmp(opcode, "Agg", 3) == 0)
            return true;
    }
    return false;
}

void bindText(SQLite::Statement &st, int index, const std::optional<QString> &value)
{
    if (value)
        st.bind(index, value->toStdString());
    else
        st.bind(index);
}

// Which file a path names: another file put in its place (a conversion
// run again, a copy restored) has another identity.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity &) const = default;
};

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

class SqliteConnection final : public Connection {
public:
    SqliteConnection(std::unique_ptr<SQLite::Database> db, const QString &path, std::optional<FileIdentity> identity)
        : m_db(std::move(db))
        , m_path(path)
        , m_identity(identity)
    {
    }

    QString where() const override { return displayPath(m_path); }
    void setWait(Wait wait) override { m_db->setBusyTimeout(wait == Wait::ForBusy ? kBusyTimeoutMs : 0); }

    Result<LoadedResult> load(const QString &sql) override;
    PickListRead readColumn(const QString &sql, const QString &column) override;

    Status begin() override
    {
        // IMMEDIATE: take the write lock at once, waiting the busy timeout
        // for another copy of the program, before anything is written.
        return run([&] { m_db->exec("BEGIN IMMEDIATE"); });
    }
    Status commit() override
    {
        return run([&] { m_db->exec("COMMIT"); });
    }
    void rollback() override
    {
        if (!sqlite3_get_autocommit(m_db->getHandle()))
            sqlite3_exec(m_db->getHandle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }

    Result<std::optional<RowKey>> update(const QString &table, RowKey key, const std::vector<ColumnValue> &changes,
                                         const std::vector<ColumnValue> &asRead) override
    {
        // Each column is written only if it still holds the value read,
        // compared byte for byte: a colleague's change, even of case, is
        // never overwritten. In a table without the key, a rowid another
        // row may have taken since: the whole row must be as read.
        const bool keyed = hasKey(table);
        QStringList assignments;
        for (const ColumnValue &c : changes)
            assignments << quotedIdentifier(c.column) + QLatin1String(" = ?");
        const std::vector<ColumnValue> &checked = keyed ? changes : asRead;
        std::optional<RowKey> now;
        const Status s = run([&] {
            SQLite::Statement st(
                *m_db, QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                           .arg(quotedIdentifier(table), assignments.join(QLatin1String(", ")), rowMatch(keyed, checked))
                           .toStdString());
            int i = 1;
            for (const ColumnValue &c : changes)
                bindText(st, i++, c.value);
            st.bind(i++, static_cast<int64_t>(key.id));
            for (const ColumnValue &c : checked)
                bindText(st, i++, c.original);
            if (st.exec() > 0)
                now = key; // a rowid does not move
        });
        if (!s)
            return s;
        return now;
    }

    Result<RowKey> insert(const QString &table, const std::map<QString, std::optional<QString>> &values) override
    {
        RowKey key;
        const Status s = run([&] {
            QStringList names;
            for (const auto &entry : values)
                names << entry.first;
            SQLite::Statement st(*m_db, insertStatement(table, names).toStdString());
            int i = 1;
            for (const auto &entry : values)
                bindText(st, i++, entry.second);
            st.exec();
            key.id = m_db->getLastInsertRowid();
        });
        if (!s)
            return s;
        return key;
    }

    Result<bool> remove(const QString &table, RowKey key, const std::vector<ColumnValue> &originals) override
    {
        bool removed = false;
        const Status s = run(
            [&] {
                SQLite::Statement st(*m_db, QStringLiteral("DELETE FROM %1 WHERE %2")
                                                .arg(quotedIdentifier(table), rowMatch(hasKey(table), originals))
                                                .toStdString());
                st.bind(1, static_cast<int64_t>(key.id));
                int i = 2;
                for (const ColumnValue &c : originals)
                    bindText(st, i++, c.original);
                removed = st.exec() > 0;
            },
            Action::Delete);
        if (!s)
            return s;
        return removed;
    }

    Result<std::optional<RowKey>> current(const QString &table, RowKey key) override
    {
        bool found = false;
        const Status s = run(
            [&] {
                SQLite::Statement st(*m_db, QStringLiteral("SELECT 1 FROM %1 WHERE %2")
                                                .arg(quotedIdentifier(table), rowMatch(hasKey(table), {}))
                                                .toStdString());
                st.bind(1, static_cast<int64_t>(key.id));
                found = st.executeStep();
            },
            Action::Read);
        if (!s)
            return s;
        return found ? std::optional(key) : std::nullopt; // a rowid does not move
    }

    Result<QStringList> columnsOf(const QString &table) override
    {
        QStringList names;
        const Status s = run(
            [&] {
                SQLite::Statement info(*m_db, QStringLiteral("PRAGMA table_info(%1)").arg(quotedIdentifier(table)).toStdString());
                while (info.executeStep())
                    names << QString::fromUtf8(info.getColumn(1).getText());
            },
            Action::Read);
        if (!s)
            return s;
        return names;
    }

    // Whether a table has the key CLE (tableHasKey()), asked once per table
    // and connection; a table as a query names it.
    bool hasKey(const QString &table)
    {
        const QString name = table.toLower();
        const auto known = m_keyed.constFind(name);
        if (known != m_keyed.constEnd())
            return *known;
        bool keyed = false;
        run([&] { keyed = tableHasKey(*m_db, table); }, Action::Read);
        m_keyed.insert(name, keyed);
        return keyed;
    }

    // The row by its key (or rowid), then each column as given, one value
    // bound for each.
    static QString rowMatch(bool keyed, const std::vector<ColumnValue> &columns)
    {
        QStringList checks{keyed ? QStringLiteral("CLE = ?") : QStringLiteral("rowid = ?")};
        for (const ColumnValue &c : columns)
            checks << quotedIdentifier(c.column) + QLatin1String(" IS ? COLLATE BINARY");
        return checks.join(QLatin1String(" AND "));
    }

    QString keyOf(const FromTable &table)
    {
        return table.reference + (hasKey(table.name) ? QStringLiteral(".CLE") : QStringLiteral(".rowid"));
    }

private:
    // One engine call; its failure worded for the user.
    template <typename Step>
    Status run(Step &&step, Action action = Action::Write)
    {
        if (Status same = sameFile(action); !same)
            return same;
        return sqliteStep(step, [this, action](const SQLite::Exception &e) {
            return failure(e.getErrorCode(), action, QString::fromUtf8(e.what()));
        });
    }

    // A file replaced under the connection would still be read (and refused
    // any write, as SQLite keeps writes from a file gone from its folder):
    // every statement first makes sure the path still names the file opened.
    bool replaced() const { return !m_identity || identityOf(m_path) != m_identity; }
    Status sameFile(Action action) const
    {
        return replaced() ? engineFailure(Fault::Replaced, action, Place{where()}) : Status::success();
    }

    // The file lacks a table or column the window's query names.
    Status missingSchema(const QString &sql) const
    {
        return tavro::missingSchema(Place{where()},
                                    utf8(sqlite3_errmsg(m_db->getHandle())) + QStringLiteral("\n") + sql.trimmed());
    }

    Status failure(int code, Action action, const QString &engineText) const
    {
        Fault fault = sqliteFault(code);
        if (fault == Fault::ReadOnly && replaced())
            fault = Fault::Replaced; // between the look and the write
        // A write needs a journal beside the file: a folder that may not be
        // written fails it with an input/output error, which is the folder's
        // being read-only to the clerk.
        const bool writing = action == Action::Write || action == Action::Delete;
        if (writing && (fault == Fault::Other || fault == Fault::Unavailable)
            && !QFileInfo(QFileInfo(m_path).absolutePath()).isWritable())
            fault = Fault::ReadOnly;
        return engineFailure(fault, action, Place{where()}, engineText);
    }

    std::unique_ptr<SQLite::Database> m_db;
    QString m_path;
    std::optional<FileIdentity> m_identity; // of the file opened
    QHash<QString, bool> m_keyed; // table, lower case -> has the key
};

Result<LoadedResult> SqliteConnection::load(const QString &sql)
{
    if (Status same = sameFile(Action::Read); !same)
        return same;
    LoadedResult result;
    sqlite3 *h = m_db->getHandle();
    const QByteArray original = sql.toUtf8();
    StatementPtr st = prepare(h, original);
    if (!st) {
        const int code = sqlite3_errcode(h) & 0xff;
        return code == SQLITE_ERROR ? missingSchema(sql) : failure(code, Action::Read, utf8(sqlite3_errmsg(h)));
    }
    auto &cols = result.columns;
    auto &tabs = result.tables;
    const int n = sqlite3_column_count(st.get());
    cols.assign(std::size_t(n), {});
    for (int i = 0; i < n; ++i) {
        cols[i].name = utf8(sqlite3_column_name(st.get(), i));
        const QString table = utf8(sqlite3_column_table_name(st.get(), i));
        if (table.isEmpty())
            continue;
        int t = int(tabs.indexOf(table));
        if (t < 0) {
            t = int(tabs.size());
            tabs << table;
        }
        cols[i].table = t;
        cols[i].origin = utf8(sqlite3_column_origin_name(st.get(), i));
    }

    // Rows of DISTINCT, grouped or compound results stand for several base
    // rows or none: they get no identity and stay read-only, in the order
    // the engine gives (a DISTINCT's: each value where its first row is met
    // in the table's order). Others end in the tables' stored order.
    int hidden = 0;
    // An aggregate needs a function call, so a text without "(" has none and
    // is spared compiling a second time to look.
    if (!tabs.isEmpty() && !groupsRows(sql) && !(sql.contains(QLatin1Char('(')) && usesAggregates(h, original))) {
        const QString ordered = inStoredOrder(sql, [this](const FromTable &t) { return keyOf(t); });
        QStringList keys;
        for (const QString &table : tabs) {
            result.keyed.push_back(hasKey(table));
            keys << quotedIdentifier(table) + (result.keyed.back() ? QStringLiteral(".CLE") : QStringLiteral(".rowid"));
        }
        const QByteArray rewritten = withHiddenColumns(ordered, keys).toUtf8();
        StatementPtr keyed = rewritten.isEmpty() ? nullptr : prepare(h, rewritten);
        if (keyed && sqlite3_column_count(keyed.get()) == n + int(tabs.size())) {
            st = std::move(keyed);
            hidden = int(tabs.size());
            result.readOnly = false;
        } else if (StatementPtr inOrder = prepare(h, ordered.toUtf8()); inOrder && ordered != sql) {
            st = std::move(inOrder);
        }
    }
    if (result.readOnly)
        makeReadOnly(result);

    RowStore &rows = result.rows;
    rows.reset(n, hidden * result.keysPerTable);
    std::vector<const char *> texts(static_cast<std::size_t>(n));
    std::vector<int> lengths(static_cast<std::size_t>(n));
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        for (int i = 0; i < n; ++i) {
            const int c = hidden + i;
            // Text comes straight from SQLite's row buffer into the store: one copy.
            texts[i] = reinterpret_cast<const char *>(sqlite3_column_text(st.get(), c));
            if (!texts[i] && sqlite3_column_type(st.get(), c) != SQLITE_NULL)
                return tooLargeFailure(); // out of memory
            lengths[i] = texts[i] ? sqlite3_column_bytes(st.get(), c) : 0;
        }
        if (!rows.appendRow(texts.data(), lengths.data()))
            return tooLargeFailure();
        const int row = rows.rowCount() - 1;
        for (int k = 0; k < hidden; ++k) {
            if (sqlite3_column_type(st.get(), k) != SQLITE_NULL)
                result.setKey(row, k, RowKey{sqlite3_column_int64(st.get(), k), 0});
        }
    }
    // A table changed by another program since this connection last looked
    // shows only when the query runs.
    if (rc != SQLITE_DONE)
        return (rc & 0xff) == SQLITE_ERROR ? missingSchema(sql) : failure(rc, Action::Read, utf8(sqlite3_errmsg(h)));
    return result;
}

PickListRead SqliteConnection::readColumn(const QString &sql, const QString &column)
{
    PickListRead read;
    Status missing;
    read.status = run(
        [&] {
            const QString text = groupsRows(sql) ? sql : inStoredOrder(sql, [this](const FromTable &t) { return keyOf(t); });
            SQLite::Statement query(*m_db, text.toStdString());
            int index = -1;
            for (int i = 0; i < query.getColumnCount(); ++i) {
                if (QString::fromUtf8(query.getColumnName(i)).compare(column, Qt::CaseInsensitive) == 0) {
                    index = i;
                    break;
                }
            }
            if (index < 0) {
                missing = missingListColumn(column);
                return;
            }
            while (query.executeStep()) {
                const SQLite::Column value = query.getColumn(index);
                if (value.isNull())
                    continue;
                read.items.append(storedText(value.getText(), value.getBytes()));
            }
        },
        Action::Read);
    if (!missing)
        read.status = missing;
    return read;
}

} // namespace

Result<std::unique_ptr<Connection>> connectToFile(const QString &database, Wait wait)
{
    // Looked at before opening: a file put in place between the two is
    // taken for replaced at the first statement and read again, never the
    // other way round.
    const std::optional<FileIdentity> identity = identityOf(database);
    auto opened = openDatabase(database, wait == Wait::ForBusy ? kBusyTimeoutMs : 0);
    if (!opened)
        return opened.status();
    return std::unique_ptr<Connection>(std::make_unique<SqliteConnection>(std::move(*opened), database, identity));
}

} // namespace tavro
