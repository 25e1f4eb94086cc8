// Moving, adding, writing and deleting rows of a RecordSource.
#include "data/recordsource.h"
#include "data/recordsource_p.h"
#include "data/sqltext.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <algorithm>

namespace tavro {

namespace {

void bindText(SQLite::Statement &st, int index, const std::optional<QString> &value)
{
    if (value)
        st.bind(index, value->toStdString());
    else
        st.bind(index);
}

Status readOnlyFailure()
{
    return Status::failure(Fault::Refused,
                           QStringLiteral("Les lignes affichées ne peuvent pas être modifiées : chacune résume "
                                          "plusieurs enregistrements ou aucun."),
                           {}, QStringLiteral("Affichez la table entière pour modifier un enregistrement."));
}

Status conflictFailure()
{
    return Status::failure(Fault::Conflict,
                           QStringLiteral("L'enregistrement a été modifié ou supprimé par un autre utilisateur depuis son "
                                          "affichage."),
                           keptTypingNote(), QStringLiteral("Affichez-le de nouveau pour voir sa version actuelle."));
}

} // namespace

// ---- moves ----------------------------------------------------------------

void RecordSource::moveFirst() { moveTo(0); }
void RecordSource::movePrevious() { moveTo(d->current - 1); }
void RecordSource::moveNext() { moveTo(d->current + 1); }
void RecordSource::moveLast() { moveTo(d->store.rowCount() - 1); }

Status RecordSource::moveTo(int row)
{
    int count = d->store.rowCount();
    if (count == 0)
        return Status::success();
    row = qBound(0, row, count - 1);
    if (row == d->current)
        return Status::success();
    if (d->newRow && d->pending.empty()) {
        // A new row left blank is given up, as nothing was typed into it.
        beginRemoveRows({}, count - 1, count - 1);
        d->store.removeRow(count - 1);
        d->newRow = false;
        endRemoveRows();
        --count;
        row = qMin(row, count - 1);
    } else if (hasPendingChanges()) {
        // The old data control wrote a changed row when the user left it.
        if (Status written = update(); !written) {
            Q_EMIT moveFailed(written);
            return written;
        }
    }
    const int old = d->current;
    d->current = row;
    if (old >= 0 && old < count)
        Q_EMIT dataChanged(index(old, 0), index(old, columnCount() - 1));
    Q_EMIT currentRowChanged(row);
    return Status::success();
}

// ---- add, write, delete ---------------------------------------------------

Status RecordSource::addNew()
{
    if (d->columns.empty())
        return Status::failure(Fault::Refused,
                               QStringLiteral("Aucun résultat n'est affiché : impossible d'ajouter un enregistrement."));
    if (d->readOnly)
        return readOnlyFailure();
    if (d->newRow)
        return Status::success(); // the blank row is already there, current
    if (hasPendingChanges()) {
        if (Status written = update(); !written)
            return written;
    }
    const int row = d->store.rowCount();
    beginInsertRows({}, row, row);
    d->store.appendRow();
    d->newRow = true;
    d->pending.clear();
    endInsertRows();
    d->current = row;
    Q_EMIT currentRowChanged(row);
    return Status::success();
}

Status RecordSource::update()
{
    if (d->current < 0)
        return Status::failure(Fault::Refused, QStringLiteral("Aucun enregistrement n'est affiché : rien à enregistrer."));
    if (!hasPendingChanges())
        return Status::success();
    if (d->readOnly)
        return readOnlyFailure();
    if (d->newRow && d->pending.empty())
        return Status::failure(Fault::Refused,
                               QStringLiteral("Le nouvel enregistrement est vide : saisissez au moins une valeur, "
                                              "puis enregistrez."));
    if (!d->db)
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("Le fichier de données %1 n'est pas ouvert.").arg(d->shownPath()),
                               keptTypingNote());

    const std::vector<TableChanges> changes = d->collectChanges();
    Written written(changes.size());
    try {
        // IMMEDIATE: take the write lock at once, waiting the busy timeout
        // for another copy of the program, before anything is written.
        SQLite::Transaction tx(*d->db, SQLite::TransactionBehavior::IMMEDIATE);
        for (int t = 0; t < int(changes.size()); ++t) {
            if (changes[t].empty())
                continue;
            const qint64 rowid = d->store.key(d->current, t);
            if (rowid != RowStore::kNoKey) {
                if (!d->updateRow(t, rowid, changes[t]))
                    return conflictFailure();
            } else {
                d->insertMissingRow(t, changes[t], written);
            }
        }
        tx.commit();
    } catch (const SQLite::Exception &e) {
        return d->failure(e.getErrorCode(), Action::Write, QString::fromUtf8(e.what()));
    }
    d->applyWritten(written);
    const int row = d->current;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    return Status::success();
}

std::vector<TableChanges> RecordSource::Impl::collectChanges() const
{
    // A column shown twice takes the last value typed.
    std::vector<TableChanges> changes(tables.size());
    for (const auto &[column, value] : pending) {
        const ResultColumn &rc = columns[column];
        std::optional<QString> original;
        if (!store.isNull(current, column))
            original = store.text(current, column);
        changes[rc.table][rc.origin] = Change{value, original};
    }
    return changes;
}

bool RecordSource::Impl::updateRow(int table, qint64 rowid, const TableChanges &set)
{
    // Each column is written only if it still holds the value read, compared
    // byte for byte: a colleague's change, even of case, is never overwritten.
    QStringList assignments, checks;
    for (const auto &[name, change] : set) {
        assignments << quotedIdentifier(name) + QLatin1String(" = ?");
        checks << quotedIdentifier(name) + QLatin1String(" IS ? COLLATE BINARY");
    }
    SQLite::Statement st(*db, QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ? AND %3")
                                  .arg(quotedIdentifier(tables[table]), assignments.join(QLatin1String(", ")),
                                       checks.join(QLatin1String(" AND ")))
                                  .toStdString());
    int i = 1;
    for (const auto &entry : set)
        bindText(st, i++, entry.second.value);
    st.bind(i++, static_cast<int64_t>(rowid));
    for (const auto &entry : set)
        bindText(st, i++, entry.second.original);
    return st.exec() > 0;
}

void RecordSource::Impl::insertMissingRow(int table, const TableChanges &set, Written &written)
{
    // The row has no line in this table yet: it receives one when a value is
    // typed for it. Its columns named like a shown column (the join key
    // AGENCE of CODE and TELE) take that column's value.
    std::map<QString, std::optional<QString>> values;
    for (const auto &[name, change] : set)
        values[name] = change.value;
    if (std::none_of(values.begin(), values.end(), [](const auto &v) { return v.second.has_value(); }))
        return;
    const QString quotedTable = quotedIdentifier(tables[table]);
    SQLite::Statement info(*db, QStringLiteral("PRAGMA table_info(%1)").arg(quotedTable).toStdString());
    while (info.executeStep()) {
        const QString name = QString::fromUtf8(info.getColumn(1).getText());
        const bool already = std::any_of(values.begin(), values.end(), [&](const auto &v) {
            return v.first.compare(name, Qt::CaseInsensitive) == 0;
        });
        const int shown = owner->columnIndex(name);
        if (already || shown < 0)
            continue;
        const QString value = typed(shown);
        if (!value.isEmpty()) {
            values[name] = value;
            written.copied[table][name] = value;
        }
    }
    QStringList names;
    for (const auto &entry : values)
        names << entry.first;
    SQLite::Statement st(*db, insertStatement(tables[table], names).toStdString());
    int i = 1;
    for (const auto &entry : values)
        bindText(st, i++, entry.second);
    st.exec();
    written.inserted[table] = db->getLastInsertRowid();
}

void RecordSource::Impl::applyWritten(const Written &written)
{
    // Written: the row now holds what the file holds.
    const int row = current;
    for (const auto &[column, value] : pending) {
        const QByteArray bytes = value ? value->toUtf8() : QByteArray();
        store.setCell(row, column, value ? bytes.constData() : nullptr, int(bytes.size()));
    }
    for (int t = 0; t < int(written.inserted.size()); ++t) {
        if (written.inserted[t] == RowStore::kNoKey)
            continue;
        store.setKey(row, t, written.inserted[t]);
        const auto &copied = written.copied[t];
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const ResultColumn &rc = columns[c];
            const auto it = rc.table == t ? copied.find(rc.origin) : copied.end();
            if (it != copied.end() && pending.find(int(c)) == pending.end()) {
                const QByteArray bytes = it->second.toUtf8();
                store.setCell(row, int(c), bytes.constData(), int(bytes.size()));
            }
        }
    }
    pending.clear();
    newRow = false;
}

Status RecordSource::deleteCurrent()
{
    const int row = d->current;
    if (row < 0)
        return Status::failure(Fault::Refused, QStringLiteral("Aucun enregistrement n'est affiché : rien à supprimer."));
    if (d->newRow) {
        // Never written: giving it up is the whole deletion.
        cancelPendingChanges();
        return Status::success();
    }
    if (d->readOnly || d->columns.empty() || d->columns[0].table < 0)
        return readOnlyFailure();
    const int t = d->columns[0].table;
    const qint64 rowid = d->store.key(row, t);
    if (rowid != RowStore::kNoKey) {
        try {
            if (!d->deleteRow(t, rowid)) {
                // A colleague changed or deleted it since it was read: nothing
                // is deleted, and the rows are read again to show what is there.
                const bool stillThere = d->rowExists(t, rowid);
                d->reload();
                return stillThere ? Status::failure(Fault::Conflict,
                                                    QStringLiteral("Cet enregistrement a été modifié par un autre "
                                                                   "utilisateur depuis son affichage."),
                                                    QStringLiteral("Rien n'a été supprimé."),
                                                    QStringLiteral("Sa version actuelle est affichée : supprimez-le de "
                                                                   "nouveau si c'est bien celui-là."))
                                  : Status::failure(Fault::Conflict,
                                                    QStringLiteral("Cet enregistrement avait déjà été supprimé par un "
                                                                   "autre utilisateur."),
                                                    {}, QStringLiteral("Les lignes affichées ont été relues."));
            }
        } catch (const SQLite::Exception &e) {
            return d->failure(e.getErrorCode(), Action::Delete, QString::fromUtf8(e.what()));
        }
    }
    // The row leaves the list; the one that takes its place becomes current.
    beginRemoveRows({}, row, row);
    d->store.removeRow(row);
    d->pending.clear();
    endRemoveRows();
    d->current = qMin(row, d->store.rowCount() - 1);
    Q_EMIT currentRowChanged(d->current);
    if (rowid == RowStore::kNoKey)
        return Status::failure(Fault::Conflict,
                               QStringLiteral("Cet enregistrement avait déjà été supprimé par un autre utilisateur."));
    return Status::success();
}

bool RecordSource::Impl::deleteRow(int table, qint64 rowid)
{
    // Only the row as it was read: every column the window loaded from this
    // table must still hold the value shown, byte for byte.
    QStringList checks{QStringLiteral("rowid = ?")};
    std::vector<std::optional<QString>> originals;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].table != table)
            continue;
        checks << quotedIdentifier(columns[c].origin) + QLatin1String(" IS ? COLLATE BINARY");
        originals.push_back(store.isNull(current, int(c)) ? std::nullopt : std::optional(store.text(current, int(c))));
    }
    SQLite::Statement st(*db, QStringLiteral("DELETE FROM %1 WHERE %2")
                                  .arg(quotedIdentifier(tables[table]), checks.join(QLatin1String(" AND ")))
                                  .toStdString());
    st.bind(1, static_cast<int64_t>(rowid));
    int i = 2;
    for (const auto &value : originals)
        bindText(st, i++, value);
    return st.exec() > 0;
}

bool RecordSource::Impl::rowExists(int table, qint64 rowid)
{
    SQLite::Statement st(*db, QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?").arg(quotedIdentifier(tables[table])).toStdString());
    st.bind(1, static_cast<int64_t>(rowid));
    return st.executeStep();
}

void RecordSource::Impl::reload()
{
    const int row = current;
    if (owner->refresh().ok() && row > 0)
        owner->moveTo(qMin(row, store.rowCount() - 1));
}

} // namespace tavro
