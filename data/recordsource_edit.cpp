// Moving, adding, writing and deleting rows of a RecordSource.
#include "data/recordsource.h"
#include "data/recordsource_p.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <algorithm>

namespace tavro {

namespace {

const QString &keptNote()
{
    static const QString note = QStringLiteral("Rien n'a été enregistré ; vos saisies sont conservées.");
    return note;
}

QString quotedName(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

void bindText(SQLite::Statement &st, int index, const std::optional<QString> &value)
{
    if (value)
        st.bind(index, value->toStdString());
    else
        st.bind(index);
}

// What a failed write means to the user. Busy: another copy of the program
// holds the file past the busy timeout. Read-only: the file or its folder
// may not be written.
QString writeFailure(const SQLite::Exception &e, const QString &file, bool deleting)
{
    const QString kept = deleting ? QStringLiteral("Rien n'a été supprimé.") : keptNote();
    switch (e.getErrorCode() & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Le fichier de données %1 est en cours d'écriture par un autre poste.\n%2\n"
                              "Réessayez dans un instant.").arg(file, kept);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return QStringLiteral("Le fichier de données %1 est en lecture seule.\n%2\n"
                              "Demandez le droit d'écrire dans ce fichier et dans son dossier.").arg(file, kept);
    case SQLITE_FULL:
        return QStringLiteral("Le disque du fichier de données %1 est plein.\n%2").arg(file, kept);
    default:
        return QStringLiteral("L'écriture dans le fichier de données %1 a échoué (%2).\n%3")
            .arg(file, QString::fromUtf8(e.what()), kept);
    }
}

Status readOnlyFailure()
{
    return Status::failure(QStringLiteral("Les lignes affichées ne peuvent pas être modifiées : chacune résume "
                                          "plusieurs enregistrements ou aucun.\n"
                                          "Affichez la table entière pour modifier un enregistrement."));
}

} // namespace

// ---- moves ----------------------------------------------------------------

void RecordSource::setCurrentRow(int row) { moveTo(row); }
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
            Q_EMIT moveFailed(written.error);
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
        return Status::failure(QStringLiteral("Aucun résultat n'est affiché : impossible d'ajouter un enregistrement."));
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
        return Status::failure(QStringLiteral("Aucun enregistrement n'est affiché : rien à enregistrer."));
    if (!hasPendingChanges())
        return Status::success();
    if (d->readOnly)
        return readOnlyFailure();
    if (d->newRow && d->pending.empty())
        return Status::failure(QStringLiteral("Le nouvel enregistrement est vide : saisissez au moins une valeur, "
                                              "puis enregistrez."));
    if (!d->db)
        return Status::failure(QStringLiteral("Le fichier de données %1 n'est pas ouvert.").arg(d->shownPath()));

    const int row = d->current;
    const int tableCount = int(d->tables.size());
    // Per table: column in its table -> (typed value, value read). A column
    // shown twice takes the last value typed.
    struct Change {
        std::optional<QString> value;
        std::optional<QString> original;
    };
    std::vector<std::map<QString, Change>> changes(static_cast<std::size_t>(tableCount));
    for (const auto &[column, value] : d->pending) {
        const ResultColumn &rc = d->columns[column];
        std::optional<QString> original;
        if (!d->store.isNull(row, column))
            original = d->store.text(row, column);
        changes[rc.table][rc.origin] = Change{value, original};
    }

    std::vector<qint64> inserted(static_cast<std::size_t>(tableCount), RowStore::kNoKey);
    std::vector<std::map<QString, std::optional<QString>>> copied(static_cast<std::size_t>(tableCount));
    try {
        // IMMEDIATE: take the write lock at once, waiting the busy timeout
        // for another copy of the program, before anything is written.
        SQLite::Transaction tx(*d->db, SQLite::TransactionBehavior::IMMEDIATE);
        for (int t = 0; t < tableCount; ++t) {
            const auto &set = changes[t];
            if (set.empty())
                continue;
            const QString table = quotedName(d->tables[t]);
            const qint64 rowid = d->store.key(row, t);
            if (rowid != RowStore::kNoKey) {
                QStringList assignments, checks;
                for (const auto &[name, change] : set) {
                    assignments << quotedName(name) + QLatin1String(" = ?");
                    checks << quotedName(name) + QLatin1String(" IS ? COLLATE BINARY");
                }
                SQLite::Statement st(*d->db, QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ? AND %3")
                                                 .arg(table, assignments.join(QLatin1String(", ")),
                                                      checks.join(QLatin1String(" AND ")))
                                                 .toStdString());
                int i = 1;
                for (const auto &entry : set)
                    bindText(st, i++, entry.second.value);
                st.bind(i++, static_cast<int64_t>(rowid));
                for (const auto &entry : set)
                    bindText(st, i++, entry.second.original);
                if (st.exec() == 0) {
                    // Nothing matched: another user changed or deleted the row.
                    return Status::failure(QStringLiteral("L'enregistrement a été modifié ou supprimé par un autre "
                                                          "utilisateur depuis son affichage. ") + keptNote()
                                           + QStringLiteral("\nAffichez-le de nouveau pour voir sa version actuelle."));
                }
                continue;
            }
            // The row has no line in this table yet: it receives one when a
            // value is typed for it. Its columns named like a shown column
            // (the join key AGENCE of CODE and TELE) take that column's value.
            std::map<QString, std::optional<QString>> values;
            for (const auto &[name, change] : set)
                values[name] = change.value;
            if (std::none_of(values.begin(), values.end(), [](const auto &v) { return v.second.has_value(); }))
                continue;
            SQLite::Statement info(*d->db, QStringLiteral("PRAGMA table_info(%1)").arg(table).toStdString());
            while (info.executeStep()) {
                const QString name = QString::fromUtf8(info.getColumn(1).getText());
                const bool already = std::any_of(values.begin(), values.end(), [&](const auto &v) {
                    return v.first.compare(name, Qt::CaseInsensitive) == 0;
                });
                const int shown = columnIndex(name);
                if (already || shown < 0)
                    continue;
                const QString value = d->typed(shown);
                if (!value.isEmpty()) {
                    values[name] = value;
                    copied[t][name] = value;
                }
            }
            QStringList names, marks;
            for (const auto &entry : values) {
                names << quotedName(entry.first);
                marks << QStringLiteral("?");
            }
            SQLite::Statement st(*d->db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                             .arg(table, names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")))
                                             .toStdString());
            int i = 1;
            for (const auto &entry : values)
                bindText(st, i++, entry.second);
            st.exec();
            inserted[t] = d->db->getLastInsertRowid();
        }
        tx.commit();
    } catch (const SQLite::Exception &e) {
        return Status::failure(writeFailure(e, d->shownPath(), false));
    } catch (const std::exception &e) {
        return Status::failure(QStringLiteral("L'écriture a échoué (%1).\n").arg(QString::fromUtf8(e.what())) + keptNote());
    }

    // Written: the row now holds what the file holds.
    for (const auto &[column, value] : d->pending) {
        const QByteArray bytes = value ? value->toUtf8() : QByteArray();
        d->store.setCell(row, column, value ? bytes.constData() : nullptr, int(bytes.size()));
    }
    for (int t = 0; t < tableCount; ++t) {
        if (inserted[t] == RowStore::kNoKey)
            continue;
        d->store.setKey(row, t, inserted[t]);
        for (std::size_t c = 0; c < d->columns.size(); ++c) {
            const ResultColumn &rc = d->columns[c];
            const auto it = rc.table == t ? copied[t].find(rc.origin) : copied[t].end();
            if (it != copied[t].end() && d->pending.find(int(c)) == d->pending.end()) {
                const QByteArray bytes = it->second->toUtf8();
                d->store.setCell(row, int(c), bytes.constData(), int(bytes.size()));
            }
        }
    }
    d->pending.clear();
    d->newRow = false;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    return Status::success();
}

Status RecordSource::deleteCurrent()
{
    const int row = d->current;
    if (row < 0)
        return Status::failure(QStringLiteral("Aucun enregistrement n'est affiché : rien à supprimer."));
    if (d->newRow) {
        // Never written: giving it up is the whole deletion.
        cancelPendingChanges();
        return Status::success();
    }
    if (d->readOnly || d->columns.empty() || d->columns[0].table < 0)
        return readOnlyFailure();
    const int t = d->columns[0].table;
    const qint64 rowid = d->store.key(row, t);
    bool gone = false;
    if (rowid != RowStore::kNoKey) {
        try {
            SQLite::Statement st(*d->db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quotedName(d->tables[t])).toStdString());
            st.bind(1, static_cast<int64_t>(rowid));
            gone = st.exec() == 0;
        } catch (const SQLite::Exception &e) {
            return Status::failure(writeFailure(e, d->shownPath(), true));
        }
    }
    // The row leaves the list; the one that takes its place becomes current.
    beginRemoveRows({}, row, row);
    d->store.removeRow(row);
    d->pending.clear();
    endRemoveRows();
    d->current = qMin(row, d->store.rowCount() - 1);
    Q_EMIT currentRowChanged(d->current);
    if (gone || rowid == RowStore::kNoKey)
        return Status::failure(QStringLiteral("Cet enregistrement avait déjà été supprimé par un autre utilisateur."));
    return Status::success();
}

} // namespace tavro
