#include "data/rows/recordsource.h"
#include "data/rows/recordsource_p.h"

#include "data/database/database.h"
#include "data/enginefailure.h"

#include <QScopeGuard>

namespace tavro {

Status RecordSource::Impl::open(Wait wait)
{
    if (db)
        return Status::success();
    auto opened = Database(database).connect(wait);
    if (!opened)
        return opened.status();
    db = std::move(*opened);
    return Status::success();
}

Status RecordSource::Impl::noted(Status status)
{
    if (status.fault() == Fault::Replaced) {
        stale = true;
        db.reset();
    }
    return status;
}

Status RecordSource::Impl::staleFailure(Action action) const
{
    return engineFailure(Fault::Replaced, action, Database(database).place());
}

std::optional<QString> RecordSource::Impl::read(int row, int column) const
{
    if (store().isNull(row, column))
        return std::nullopt;
    return store().text(row, column);
}

QString RecordSource::Impl::typed(int column) const
{
    const auto it = pending.find(column);
    if (it != pending.end())
        return it->second.value_or(QString());
    return store().text(current, column);
}

RecordSource::RecordSource(QObject *parent)
    : QAbstractTableModel(parent)
    , d(std::make_unique<Impl>(this))
{
}

RecordSource::~RecordSource() = default;

void RecordSource::setDatabase(const QString &database)
{
    if (database == d->database)
        return;
    d->database = database;
    d->db.reset(); // the next refresh opens it
}

QString RecordSource::database() const
{
    return d->database;
}

void RecordSource::setRecordSource(const QString &sql)
{
    d->sql = sql;
}

QString RecordSource::recordSource() const
{
    return d->sql;
}

Status RecordSource::refresh(Wait wait)
{
    if (Status opened = d->open(wait); !opened)
        return opened;
    d->db->setWait(wait);
    const auto waitAgain = qScopeGuard([this] {
        if (d->db)
            d->db->setWait(Wait::ForBusy);
    });
    Result<LoadedResult> loaded = [this]() -> Result<LoadedResult> {
        try {
            return d->db->load(d->sql);
        } catch (const std::bad_alloc &) {
            return Status::failure(Fault::Refused, QStringLiteral("La mémoire manque pour afficher ce résultat."), keptRowsNote(),
                                   QStringLiteral("Précisez la recherche."));
        }
    }();
    if (!loaded)
        return d->noted(loaded.status());
    beginResetModel();
    d->loaded = std::move(*loaded);
    d->pending.clear();
    d->newRow = false;
    d->stale = false;
    d->conflicted = false;
    d->current = d->store().rowCount() > 0 ? 0 : -1;
    endResetModel();
    Q_EMIT refreshed();
    Q_EMIT currentRowChanged(d->current);
    return Status::success();
}

qint64 RecordSource::recordCount() const
{
    return d->store().rowCount() - (d->newRow ? 1 : 0);
}

bool RecordSource::isOpen() const
{
    return d->db != nullptr;
}

ReadOrigin RecordSource::readsFrom() const
{
    return d->db ? d->db->readsFrom() : ReadOrigin{ReadOrigin::Kind::File, d->database, {}};
}

Status RecordSource::readAgainFromServer()
{
    if (!d->db || d->db->readsFrom().kind != ReadOrigin::Kind::Copy || d->newRow)
        return Status::success();
    std::vector<std::optional<RowKey>> keys(d->loaded.tables.size());
    for (int t = 0; d->current >= 0 && t < int(keys.size()); ++t) {
        if (const RowKey key = d->loaded.key(d->current, t); key.valid() && d->loaded.keyed[std::size_t(t)])
            keys[std::size_t(t)] = key;
    }
    const auto typed = d->pending;
    // Failed, the rows and the typing stay as they are.
    if (Status read = refresh(); !read)
        return read;
    const bool found = d->showRow(keys);
    if (!found)
        return typed.empty()
                   ? Status::success()
                   : Status::failure(Fault::Conflict, QStringLiteral("L'enregistrement affiché n'est plus sur le serveur."),
                                     QStringLiteral("Les lignes du serveur sont affichées ; la saisie n'a pas été "
                                                    "enregistrée."));
    d->pending = typed;
    if (!typed.empty())
        Q_EMIT dataChanged(index(d->current, 0), index(d->current, columnCount() - 1));
    return Status::success();
}

int RecordSource::currentRow() const
{
    return d->current;
}

bool RecordSource::isStale() const
{
    return d->stale;
}

bool RecordSource::isReadOnly() const
{
    return d->loaded.readOnly;
}

int RecordSource::columnIndex(const QString &name) const
{
    for (std::size_t i = 0; i < d->loaded.columns.size(); ++i) {
        if (d->loaded.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    // "TELE.TEL": the table and the column it comes from.
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString table = name.left(dot), column = name.mid(dot + 1);
        for (std::size_t i = 0; i < d->loaded.columns.size(); ++i) {
            const ResultColumn &c = d->loaded.columns[i];
            if (c.table >= 0 && d->loaded.tables[c.table].compare(table, Qt::CaseInsensitive) == 0
                && c.origin.compare(column, Qt::CaseInsensitive) == 0)
                return int(i);
        }
    }
    return -1;
}

QString RecordSource::text(int row, const QString &column) const
{
    const int c = columnIndex(column);
    if (c < 0 || row < 0 || row >= d->store().rowCount())
        return {};
    if (row == d->current)
        return d->typed(c);
    return d->store().text(row, c);
}

bool RecordSource::isNull(int row, const QString &column) const
{
    const int c = columnIndex(column);
    if (c < 0 || row < 0 || row >= d->store().rowCount())
        return true;
    if (row == d->current) {
        const auto it = d->pending.find(c);
        if (it != d->pending.end())
            return !it->second.has_value();
    }
    return d->store().isNull(row, c);
}

std::optional<QString> RecordSource::valueAsRead(int row, int column) const
{
    if (row < 0 || row >= d->store().rowCount() || column < 0 || column >= columnCount())
        return std::nullopt;
    return d->read(row, column);
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
    if (d->conflicted && !d->newRow) {
        // The typing met a colleague's change: given up, the row shows as it
        // is now, found again by its key.
        d->pending.clear();
        d->reloadAt(d->currentKeys());
        return;
    }
    if (d->newRow) {
        const int row = d->store().rowCount() - 1;
        beginRemoveRows({}, row, row);
        d->store().removeRow(row);
        d->newRow = false;
        d->pending.clear();
        endRemoveRows();
        d->current = qMin(d->current, d->store().rowCount() - 1);
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
    return parent.isValid() ? 0 : d->store().rowCount();
}

int RecordSource::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(d->loaded.columns.size());
}

QVariant RecordSource::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.row() == d->current)
        return d->typed(index.column());
    return d->store().text(index.row(), index.column());
}

QVariant RecordSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columnCount() ? d->loaded.columns[section].name : QVariant();
    return section + 1;
}

Qt::ItemFlags RecordSource::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!d->loaded.readOnly && d->loaded.columns[index.column()].table >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool RecordSource::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.row() != d->current || !flags(index).testFlag(Qt::ItemIsEditable))
        return false;
    const int c = index.column();
    // An emptied field stores no value, as the old engine's text fields did.
    const QString text = value.toString();
    const std::optional<QString> typed = text.isEmpty() ? std::nullopt : std::optional(text);
    const bool wasNull = d->store().isNull(d->current, c);
    const bool same = typed ? (!wasNull && d->store().text(d->current, c) == *typed) : wasNull;
    if (same)
        d->pending.erase(c);
    else
        d->pending[c] = typed;
    Q_EMIT dataChanged(index, index);
    return true;
}

} // namespace tavro
