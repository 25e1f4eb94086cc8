#include "data/sqlite/fileupgrade.h"

#include "data/selecttext.h"
#include "data/setting/paths.h"
#include "data/sqlite/newfile.h"
#include "data/sqlite/opendb.h"
#include "data/sqlite/sqlitestep.h"
#include "data/sqltext.h"

#include <QFile>
#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>

namespace tavro {

namespace {

// The table's own statement, under another name, with the key added after
// its columns: its columns keep their types and text rules.
QString withKey(const QString &create, const QString &name)
{
    const SqlTokens t(create);
    qsizetype open = 0, close = -1;
    int depth = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t.isPunct(i, '(') && depth++ == 0)
            open = i;
        else if (t.isPunct(i, ')') && --depth == 0)
            close = i;
    }
    if (close < 0)
        return {};
    return QStringLiteral("CREATE TABLE %1 ").arg(name) + create.mid(t[open].start, t[close].start - t[open].start)
           + QStringLiteral(", %1 INTEGER PRIMARY KEY AUTOINCREMENT)").arg(QLatin1String(kKeyColumn));
}

// Remakes one table with the key, its rows numbered in rowid order.
void giveKey(SQLite::Database &db, const QString &table, qint64 *rows)
{
    QString remade;
    QStringList columns;
    {
        // Read and done with before the table goes: a statement still
        // reading would keep it locked.
        SQLite::Statement create(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE BINARY");
        create.bind(1, table.toStdString());
        if (!create.executeStep())
            throw SQLite::Exception("no such table: " + table.toStdString());
        remade = withKey(QString::fromUtf8(create.getColumn(0).getText()), QStringLiteral("tavro_upgrade"));
        SQLite::Statement info(db, QStringLiteral("PRAGMA table_info(%1)").arg(quotedIdentifier(table)).toStdString());
        while (info.executeStep())
            columns << quotedIdentifier(QString::fromUtf8(info.getColumn(1).getText()));
    }
    db.exec(remade.toStdString());
    *rows = db.exec(QStringLiteral("INSERT INTO tavro_upgrade (%1) SELECT %1 FROM %2 ORDER BY rowid")
                        .arg(columns.join(QLatin1String(", ")), quotedIdentifier(table))
                        .toStdString());
    db.exec(QStringLiteral("DROP TABLE %1").arg(quotedIdentifier(table)).toStdString());
    db.exec(QStringLiteral("ALTER TABLE tavro_upgrade RENAME TO %1").arg(quotedIdentifier(table)).toStdString());
}

Status refused(const QString &what)
{
    return nothingWrittenToFile(Status::failure(Fault::Refused, what));
}

} // namespace

Result<UpgradeNotes> upgradeFile(const QString &path)
{
    auto opened = openDatabase(path);
    if (!opened)
        return opened.status();
    SQLite::Database &old = **opened;
    UpgradeNotes notes;
    QStringList handMade;
    const Status read = sqliteStep(
        [&] {
            for (const TableDef &table : kTables) {
                const QString name = QLatin1String(table.name);
                // Noted as given the key if it lacks it: giveKey() does so.
                const bool lacking = !tableHasKey(old, name);
                const qint64 rows = old.execAndGet(QStringLiteral("SELECT count(*) FROM %1").arg(name).toStdString()).getInt64();
                notes.tables.append({name, rows, lacking});
            }
            SQLite::Statement extra(old, "SELECT name FROM sqlite_master WHERE type IN ('index', 'trigger') AND sql IS NOT NULL "
                                         "AND upper(tbl_name) IN ('CODE', 'TELE', 'QRT')");
            while (extra.executeStep())
                handMade << QString::fromUtf8(extra.getColumn(0).getText());
        },
        [&](const SQLite::Exception &e) {
            return nothingWrittenToFile(sqliteFailure(e, Action::Read, Place{displayPath(path)}));
        });
    if (!read)
        return read;
    if (std::none_of(notes.tables.begin(), notes.tables.end(), [](const UpgradedTable &t) { return t.keyed; }))
        return notes; // every table has the key already
    // An index made by hand on a text column would be rebuilt under the
    // program's comparison rule, which the sqlite3 tool does not know.
    if (!handMade.isEmpty())
        return refused(QStringLiteral("Le fichier %1 contient des index ou déclencheurs ajoutés à la main (%2) : la mise à jour "
                                      "ne les reprendrait pas.")
                           .arg(displayPath(path), handMade.join(QLatin1String(", "))));

    WriteNotes written;
    auto file = NewFile::create(path, true, &written);
    if (!file)
        return file.status();
    (*file)->takeRightsOf(path);
    std::string check;
    const Status made = sqliteStep(
        [&] {
            SQLite::Database copy(QFile::encodeName((*file)->temporaryPath()).toStdString(), SQLite::OPEN_READWRITE);
            SQLite::Backup(copy, old).executeStep();
            prepareConnection(copy);
            copy.exec("BEGIN");
            for (UpgradedTable &table : notes.tables) {
                if (table.keyed)
                    giveKey(copy, table.name, &table.rows);
            }
            copy.exec("COMMIT");
            check = copy.execAndGet("PRAGMA integrity_check").getString();
        },
        [&](const SQLite::Exception &e) {
            return nothingWrittenToFile(sqliteFailure(e, Action::Write, Place{displayPath(path)}));
        });
    if (!made)
        return made;
    if (check != "ok")
        return nothingWrittenToFile(
            Status::failure(Fault::Other, QStringLiteral("Le fichier mis à jour ne passe pas le contrôle d'intégrité."), {},
                            QStringLiteral("Relancez la mise à jour ; si l'erreur revient, vérifiez le disque."))
                .withDetail(QString::fromStdString(check)));
    opened->reset();
    if (Status placed = (*file)->place(&written); !placed)
        return placed;
    notes.backup = written.backup;
    return notes;
}

} // namespace tavro
