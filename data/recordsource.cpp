#include "data/recordsource.h"
#include "data/recordsource_p.h"

#include "data/opendb.h"
#include "data/rowstore.h"
#include "data/schema.h"
#include "data/selecttext.h"

#include <QDir>
#include <QFileInfo>
#include <SQLiteCpp/Database.h>
#include <sqlite3.h>


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

} // namespace

QString RecordSource::Impl::shownPath() const
{
    return displayPath(path);
}

Status RecordSource::Impl::open()
{
    if (db)
        return Status::success();
    auto opened = openDatabase(path);
    if (!opened)
        return opened.status();
    db = std::move(*opened);
    return Status::success();
}

Status RecordSource::Impl::failure(int sqliteCode, Action action, const QString &engineText) const
{
    return engineFailure(sqliteFault(sqliteCode), action, shownPath(), engineText);
}

Result<LoadedResult> RecordSource::Impl::load()
{
    LoadedResult result;
    sqlite3 *h = db->getHandle();
    const QByteArray original = sql.toUtf8();
    StatementPtr st = prepare(h, original);
    if (!st) {
        const int code = sqlite3_errcode(h) & 0xff;
        if (code != SQLITE_ERROR)
            return failure(code, Action::Read, utf8(sqlite3_errmsg(h)));
        // The file lacks a table or column the window's query names.
        return Status::failure(Fault::Other,
                               QStringLiteral("La recherche demandée n'a pas pu être faite dans le fichier de données %1.")
                                   .arg(shownPath()),
                               QStringLiteral("Les lignes affichées restent telles qu'elles étaient."),
                               QStringLiteral("Vérifiez que ce fichier est bien le BD2003.mdb du programme, "
                                              "avec ses tables CODE, TELE et QRT."))
            .withDetail(utf8(sqlite3_errmsg(h)) + QStringLiteral("\n") + sql.trimmed());
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
    // rows or none: they get no identity and stay read-only.
    bool ro = true;
    int hidden = 0;
    static const QStringList grouping = {QStringLiteral("DISTINCT"), QStringLiteral("GROUP"), QStringLiteral("UNION"),
                                         QStringLiteral("INTERSECT"), QStringLiteral("EXCEPT"), QStringLiteral("HAVING")};
    // An aggregate needs a function call, so a text without "(" has none and
    // is spared compiling a second time to look.
    if (!tabs.isEmpty() && !containsKeyword(sql, grouping)
        && !(sql.contains(QLatin1Char('(')) && usesAggregates(h, original))) {
        const QByteArray rewritten = withRowids(sql, tabs).toUtf8();
        StatementPtr keyed = rewritten.isEmpty() ? nullptr : prepare(h, rewritten);
        if (keyed && sqlite3_column_count(keyed.get()) == n + int(tabs.size())) {
            st = std::move(keyed);
            hidden = int(tabs.size());
            ro = false;
        }
    }
    result.readOnly = ro;
    if (ro) {
        tabs.clear();
        for (auto &c : cols)
            c.table = -1;
    }

    const Status tooLarge = Status::failure(Fault::Refused,
                                            QStringLiteral("Le résultat de la recherche est trop volumineux pour être affiché."),
                                            QStringLiteral("Les lignes affichées restent telles qu'elles étaient."),
                                            QStringLiteral("Précisez la recherche."));
    RowStore &rows = result.rows;
    rows.reset(n, hidden);
    std::vector<const char *> texts(static_cast<std::size_t>(n));
    std::vector<int> lengths(static_cast<std::size_t>(n));
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        for (int i = 0; i < n; ++i) {
            const int c = hidden + i;
            // Text comes straight from SQLite's row buffer into the store: one copy.
            texts[i] = reinterpret_cast<const char *>(sqlite3_column_text(st.get(), c));
            if (!texts[i] && sqlite3_column_type(st.get(), c) != SQLITE_NULL)
                return tooLarge; // out of memory
            lengths[i] = texts[i] ? sqlite3_column_bytes(st.get(), c) : 0;
        }
        if (!rows.appendRow(texts.data(), lengths.data()))
            return tooLarge;
        const int row = rows.rowCount() - 1;
        for (int k = 0; k < hidden; ++k) {
            if (sqlite3_column_type(st.get(), k) != SQLITE_NULL)
                rows.setKey(row, k, sqlite3_column_int64(st.get(), k));
        }
    }
    if (rc != SQLITE_DONE)
        return failure(rc, Action::Read, utf8(sqlite3_errmsg(h)));
    return result;
}

QString RecordSource::Impl::typed(int column) const
{
    const auto it = pending.find(column);
    if (it != pending.end())
        return it->second.value_or(QString());
    return store.text(current, column);
}

RecordSource::RecordSource(QObject *parent)
    : QAbstractTableModel(parent)
    , d(std::make_unique<Impl>(this))
{
}

RecordSource::~RecordSource() = default;

void RecordSource::setDatabasePath(const QString &path)
{
    if (path == d->path)
        return;
    d->path = path;
    d->db.reset(); // the next refresh opens the new file
}

QString RecordSource::databasePath() const
{
    return d->path;
}

void RecordSource::setRecordSource(const QString &sql)
{
    d->sql = sql;
}

QString RecordSource::recordSource() const
{
    return d->sql;
}

Status RecordSource::refresh()
{
    if (Status opened = d->open(); !opened)
        return opened;
    Result<LoadedResult> loaded = [this]() -> Result<LoadedResult> {
        try {
            return d->load();
        } catch (const std::bad_alloc &) {
            return Status::failure(Fault::Refused, QStringLiteral("La mémoire manque pour afficher ce résultat."),
                                   QStringLiteral("Les lignes affichées restent telles qu'elles étaient."),
                                   QStringLiteral("Précisez la recherche."));
        }
    }();
    if (!loaded)
        return loaded.status();
    beginResetModel();
    d->columns = std::move(loaded->columns);
    d->tables = std::move(loaded->tables);
    d->readOnly = loaded->readOnly;
    d->store = std::move(loaded->rows);
    d->pending.clear();
    d->newRow = false;
    d->current = d->store.rowCount() > 0 ? 0 : -1;
    endResetModel();
    Q_EMIT refreshed();
    Q_EMIT currentRowChanged(d->current);
    return Status::success();
}

qint64 RecordSource::recordCount() const
{
    return d->store.rowCount() - (d->newRow ? 1 : 0);
}

bool RecordSource::isOpen() const
{
    return d->db != nullptr;
}

int RecordSource::currentRow() const
{
    return d->current;
}

bool RecordSource::isReadOnly() const
{
    return d->readOnly;
}

int RecordSource::columnIndex(const QString &name) const
{
    for (std::size_t i = 0; i < d->columns.size(); ++i) {
        if (d->columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    // "TELE.TEL": the table and the column it comes from.
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString table = name.left(dot), column = name.mid(dot + 1);
        for (std::size_t i = 0; i < d->columns.size(); ++i) {
            const ResultColumn &c = d->columns[i];
            if (c.table >= 0 && d->tables[c.table].compare(table, Qt::CaseInsensitive) == 0
                && c.origin.compare(column, Qt::CaseInsensitive) == 0)
                return int(i);
        }
    }
    return -1;
}

QString RecordSource::text(int row, const QString &column) const
{
    const int c = columnIndex(column);
    if (c < 0 || row < 0 || row >= d->store.rowCount())
        return {};
    if (row == d->current)
        return d->typed(c);
    return d->store.text(row, c);
}

bool RecordSource::isNull(int row, const QString &column) const
{
    const int c = columnIndex(column);
    if (c < 0 || row < 0 || row >= d->store.rowCount())
        return true;
    if (row == d->current) {
        const auto it = d->pending.find(c);
        if (it != d->pending.end())
            return !it->second.has_value();
    }
    return d->store.isNull(row, c);
}

bool RecordSource::hasPendingChanges() const
{
    return !d->pending.empty() || d->newRow;
}

bool RecordSource::hasTypedChanges() const
{
    return !d->pending.empty();
}

void RecordSource::cancelPendingChanges()
{
    if (d->newRow) {
        const int row = d->store.rowCount() - 1;
        beginRemoveRows({}, row, row);
        d->store.removeRow(row);
        d->newRow = false;
        d->pending.clear();
        endRemoveRows();
        d->current = qMin(d->current, d->store.rowCount() - 1);
        Q_EMIT currentRowChanged(d->current);
        return;
    }
    if (d->pending.empty())
        return;
    d->pending.clear();
    Q_EMIT dataChanged(index(d->current, 0), index(d->current, columnCount() - 1));
}

int RecordSource::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : d->store.rowCount();
}

int RecordSource::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(d->columns.size());
}

QVariant RecordSource::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.row() == d->current)
        return d->typed(index.column());
    return d->store.text(index.row(), index.column());
}

QVariant RecordSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columnCount() ? d->columns[section].name : QVariant();
    return section + 1;
}

Qt::ItemFlags RecordSource::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!d->readOnly && d->columns[index.column()].table >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool RecordSource::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.row() != d->current
        || !flags(index).testFlag(Qt::ItemIsEditable))
        return false;
    const int c = index.column();
    // An emptied field stores no value, as the old engine's text fields did.
    const QString text = value.toString();
    const std::optional<QString> typed = text.isEmpty() ? std::nullopt : std::optional(text);
    const bool wasNull = d->store.isNull(d->current, c);
    const bool same = typed ? (!wasNull && d->store.text(d->current, c) == *typed) : wasNull;
    if (same)
        d->pending.erase(c);
    else
        d->pending[c] = typed;
    Q_EMIT dataChanged(index, index);
    return true;
}

} // namespace tavro
