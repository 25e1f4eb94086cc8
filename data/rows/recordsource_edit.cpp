// Moving, adding, writing and deleting rows of a RecordSource.
#include "data/rows/recordsource.h"
#include "data/rows/recordsource_p.h"

#include "data/enginefailure.h"
#include "data/schema.h"

#include <algorithm>

namespace tavro {

namespace {

Status readOnlyFailure()
{
    return Status::failure(Fault::Refused,
                           QStringLiteral("Les lignes affichées ne peuvent pas être modifiées : chacune résume "
                                          "plusieurs enregistrements ou aucun."),
                           {}, QStringLiteral("Affichez la table entière pour modifier un enregistrement."));
}

Status conflictFailure(bool deleted)
{
    if (deleted)
        return Status::failure(Fault::Conflict,
                               QStringLiteral("L'enregistrement a été supprimé par un autre utilisateur depuis son affichage : "
                                              "rien n'a été enregistré."),
                               keptTypingNote(), QStringLiteral("Abandonnez la saisie pour relire les lignes."));
    return Status::failure(Fault::Conflict,
                           QStringLiteral("L'enregistrement a été modifié ou supprimé par un autre utilisateur depuis son "
                                          "affichage."),
                           keptTypingNote(), QStringLiteral("Abandonnez la saisie pour voir sa version actuelle."));
}

bool isKeyColumn(const ResultColumn &column)
{
    return column.origin.compare(QLatin1String(kKeyColumn), Qt::CaseInsensitive) == 0;
}

} // namespace

// ---- moves ----------------------------------------------------------------

void RecordSource::moveFirst()
{
    moveTo(0);
}
void RecordSource::movePrevious()
{
    moveTo(d->current - 1);
}
void RecordSource::moveNext()
{
    moveTo(d->current + 1);
}
void RecordSource::moveLast()
{
    moveTo(d->store().rowCount() - 1);
}

Status RecordSource::moveTo(int row)
{
    int count = d->store().rowCount();
    if (count == 0)
        return Status::success();
    row = qBound(0, row, count - 1);
    if (row == d->current)
        return Status::success();
    if (d->newRow && d->pending.empty()) {
        // A new row left blank is given up, as nothing was typed into it.
        beginRemoveRows({}, count - 1, count - 1);
        d->store().removeRow(count - 1);
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
    d->conflicted = false;
    if (old >= 0 && old < count)
        Q_EMIT dataChanged(index(old, 0), index(old, columnCount() - 1));
    Q_EMIT currentRowChanged(row);
    return Status::success();
}

// ---- add, write, delete ---------------------------------------------------

Status RecordSource::addNew()
{
    if (d->loaded.columns.empty())
        return Status::failure(Fault::Refused,
                               QStringLiteral("Aucun résultat n'est affiché : impossible d'ajouter un enregistrement."));
    if (d->loaded.readOnly)
        return readOnlyFailure();
    if (d->stale)
        return d->staleFailure(Action::Write);
    if (d->newRow)
        return Status::success(); // the blank row is already there, current
    if (hasPendingChanges()) {
        if (Status written = update(); !written)
            return written;
    }
    const int row = d->store().rowCount();
    beginInsertRows({}, row, row);
    d->store().appendRow();
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
    if (d->loaded.readOnly)
        return readOnlyFailure();
    if (d->newRow && d->pending.empty())
        return Status::failure(Fault::Refused,
                               QStringLiteral("Le nouvel enregistrement est vide : saisissez au moins une valeur, "
                                              "puis enregistrez."));
    // Rows of a file since replaced have keys that mean other rows now.
    if (d->stale)
        return d->staleFailure(Action::Write);
    if (!d->db)
        return Status::failure(Fault::Unavailable, QStringLiteral("Les données ne sont pas ouvertes."), keptTypingNote());

    // Collected here, written where the runner says (off the window's
    // thread, which reads but never changes the rows meanwhile), applied
    // here again.
    const std::vector<TableChanges> changes = d->collectChanges();
    Written written(changes.size());
    const auto write = [&] { return d->write(changes, written); };
    if (Status status = d->noted(d->runner ? d->runner(write) : write()); !status)
        return status;
    d->applyWritten(written);
    const int row = d->current;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    return Status::success();
}

void RecordSource::setWriteRunner(WriteRunner runner)
{
    d->runner = std::move(runner);
}

Status RecordSource::Impl::write(const std::vector<TableChanges> &changes, Written &written)
{
    WriteTransaction tx(*db);
    if (Status begun = tx.begin(); !begun)
        return begun;
    for (int t = 0; t < int(changes.size()); ++t) {
        if (changes[t].empty())
            continue;
        const RowKey key = loaded.key(current, t);
        if (!key.valid()) {
            if (Status inserted = insertMissingRow(t, changes[t], written); !inserted)
                return inserted;
            continue;
        }
        const auto updated = db->update(loaded.tables[t], key, changes[t], originalsOf(t));
        if (!updated)
            return updated.status();
        if (!*updated) {
            // Nothing written, whatever took the row's place: the typing
            // stays on this row, which giving it up shows as it is now.
            conflicted = true;
            const auto now = db->current(loaded.tables[t], key);
            return conflictFailure(now && !*now);
        }
        written.keys[t] = *updated;
    }
    return tx.commit();
}

std::vector<TableChanges> RecordSource::Impl::collectChanges() const
{
    // A column shown twice takes the last value typed.
    std::vector<std::map<QString, ColumnValue>> byName(loaded.tables.size());
    for (const auto &[column, value] : pending) {
        const ResultColumn &rc = columns()[column];
        byName[rc.table][rc.origin] = ColumnValue{rc.origin, value, read(current, column)};
    }
    std::vector<TableChanges> changes(byName.size());
    for (std::size_t t = 0; t < byName.size(); ++t) {
        for (auto &entry : byName[t])
            changes[t].push_back(std::move(entry.second));
    }
    return changes;
}

Status RecordSource::Impl::insertMissingRow(int table, const TableChanges &set, Written &written)
{
    // The row has no line in this table yet: it receives one when a value is
    // typed for it. Its columns named like a shown column (the join key
    // AGENCE of CODE and TELE) take that column's value.
    std::map<QString, std::optional<QString>> values;
    for (const ColumnValue &change : set)
        values[change.column] = change.value;
    if (std::none_of(values.begin(), values.end(), [](const auto &v) { return v.second.has_value(); }))
        return Status::success();
    const auto names = db->columnsOf(loaded.tables[table]);
    if (!names)
        return names.status();
    for (const QString &name : *names) {
        const bool already = std::any_of(values.begin(), values.end(),
                                         [&](const auto &v) { return v.first.compare(name, Qt::CaseInsensitive) == 0; });
        const int shown = owner->columnIndex(name);
        if (already || shown < 0)
            continue;
        const QString value = typed(shown);
        if (!value.isEmpty()) {
            values[name] = value;
            written.copied[table][name] = value;
        }
    }
    const auto key = db->insert(loaded.tables[table], values);
    if (!key)
        return key.status();
    written.keys[table] = *key;
    return Status::success();
}

void RecordSource::Impl::applyWritten(const Written &written)
{
    // Written: the row now holds what the file holds.
    const int row = current;
    for (const auto &[column, value] : pending) {
        const QByteArray bytes = value ? value->toUtf8() : QByteArray();
        store().setCell(row, column, value ? bytes.constData() : nullptr, int(bytes.size()));
    }
    for (int t = 0; t < int(written.keys.size()); ++t) {
        if (!written.keys[t])
            continue;
        loaded.setKey(row, t, *written.keys[t]);
        const auto &copied = written.copied[t];
        for (std::size_t c = 0; c < columns().size(); ++c) {
            const ResultColumn &rc = columns()[c];
            if (rc.table != t || pending.find(int(c)) != pending.end())
                continue;
            const auto it = copied.find(rc.origin);
            // A row just added shows the key it was given, as a row read does.
            const QByteArray bytes = it != copied.end()                               ? it->second.toUtf8()
                                     : isKeyColumn(rc) && store().isNull(row, int(c)) ? QByteArray::number(written.keys[t]->id)
                                                                                      : QByteArray();
            if (!bytes.isEmpty())
                store().setCell(row, int(c), bytes.constData(), int(bytes.size()));
        }
    }
    pending.clear();
    newRow = false;
    conflicted = false;
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
    if (d->loaded.readOnly || d->loaded.columns.empty() || d->loaded.columns[0].table < 0)
        return readOnlyFailure();
    if (d->stale)
        return d->staleFailure(Action::Delete);
    const int t = d->loaded.columns[0].table;
    const RowKey key = d->loaded.key(row, t);
    if (key.valid()) {
        const auto removed = d->db->remove(d->loaded.tables[t], key, d->originalsOf(t));
        if (!removed)
            return d->noted(removed.status());
        if (!*removed) {
            // A colleague changed or deleted it since it was read: nothing
            // is deleted, and the rows are read again to show the same row
            // as it is now, found by its key, never the one in its place.
            // Without a key, a row at its place may be another: the rows
            // are read again from the first.
            if (!d->loaded.keyed[std::size_t(t)]) {
                d->reloadAt({});
                return Status::failure(Fault::Conflict,
                                       QStringLiteral("Cet enregistrement a été modifié ou supprimé par un autre utilisateur "
                                                      "depuis son affichage."),
                                       QStringLiteral("Rien n'a été supprimé."),
                                       QStringLiteral("Les lignes affichées ont été relues : retrouvez-le avant de le supprimer "
                                                      "de nouveau."));
            }
            const auto keys = d->currentKeys();
            const bool there = keys[std::size_t(t)].has_value();
            const bool shown = there && d->reloadAt(keys);
            if (!there)
                d->reloadAt({});
            if (shown)
                return Status::failure(Fault::Conflict,
                                       QStringLiteral("Cet enregistrement a été modifié par un autre utilisateur depuis "
                                                      "son affichage."),
                                       QStringLiteral("Rien n'a été supprimé."),
                                       QStringLiteral("Sa version actuelle est affichée : supprimez-le de nouveau si "
                                                      "c'est bien celui-là."));
            if (there)
                return Status::failure(Fault::Conflict,
                                       QStringLiteral("Cet enregistrement a été modifié par un autre utilisateur depuis "
                                                      "son affichage : il ne répond plus à la recherche affichée."),
                                       QStringLiteral("Rien n'a été supprimé."),
                                       QStringLiteral("Les lignes affichées ont été relues."));
            return Status::failure(Fault::Conflict,
                                   QStringLiteral("Cet enregistrement avait déjà été supprimé par un autre utilisateur."), {},
                                   QStringLiteral("Les lignes affichées ont été relues."));
        }
    }
    // The row leaves the list; the one that takes its place becomes current.
    beginRemoveRows({}, row, row);
    d->store().removeRow(row);
    d->pending.clear();
    endRemoveRows();
    d->current = qMin(row, d->store().rowCount() - 1);
    Q_EMIT currentRowChanged(d->current);
    if (!key.valid())
        return Status::failure(Fault::Conflict,
                               QStringLiteral("Cet enregistrement avait déjà été supprimé par un autre utilisateur."));
    return Status::success();
}

std::vector<ColumnValue> RecordSource::Impl::originalsOf(int table) const
{
    // Every column the window loaded from this table, as it was read: the
    // row is deleted only if it still holds them all. The key finds the
    // row; it is not one of them.
    std::vector<ColumnValue> originals;
    for (std::size_t c = 0; c < columns().size(); ++c) {
        if (columns()[c].table == table && !isKeyColumn(columns()[c]))
            originals.push_back({columns()[c].origin, std::nullopt, read(current, int(c))});
    }
    return originals;
}

std::vector<std::optional<RowKey>> RecordSource::Impl::currentKeys()
{
    // Only a key tells a row from another that took its place.
    std::vector<std::optional<RowKey>> keys(std::size_t(loaded.tables.size()));
    for (int t = 0; current >= 0 && t < int(keys.size()); ++t) {
        if (const RowKey key = loaded.key(current, t); key.valid() && loaded.keyed[std::size_t(t)]) {
            const auto now = db->current(loaded.tables[t], key);
            keys[std::size_t(t)] = now ? *now : std::nullopt;
        }
    }
    return keys;
}

bool RecordSource::Impl::reloadAt(const std::vector<std::optional<RowKey>> &keys)
{
    return owner->refresh().ok() && showRow(keys);
}

bool RecordSource::Impl::showRow(const std::vector<std::optional<RowKey>> &keys)
{
    if (std::none_of(keys.begin(), keys.end(), [](const auto &k) { return k.has_value(); }))
        return false;
    for (int row = 0; row < store().rowCount(); ++row) {
        bool same = true;
        for (std::size_t t = 0; same && t < keys.size() && int(t) < int(loaded.tables.size()); ++t)
            same = !keys[t] || loaded.key(row, int(t)).id == keys[t]->id;
        if (same) {
            owner->moveTo(row);
            return true;
        }
    }
    return false;
}

} // namespace tavro
