#include "tools/accessimport.h"

#include "data/opendb.h"
#include "data/schema.h"
#include "tools/accessfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavro {

namespace {

QStringList schemaColumns(const TableDef &table)
{
    QStringList names;
    for (int i = 0; i < table.columnCount; ++i)
        names << QLatin1String(table.columns[i]);
    return names;
}

// Removes the temporary file (and a journal SQLite may have left) unless
// the import got as far as renaming it into place.
class TemporaryTarget {
public:
    explicit TemporaryTarget(QString path) : m_path(std::move(path)) {}
    ~TemporaryTarget()
    {
        if (!m_kept) {
            QFile::remove(m_path);
            QFile::remove(m_path + QLatin1String("-journal"));
        }
    }
    TemporaryTarget(const TemporaryTarget &) = delete;
    TemporaryTarget &operator=(const TemporaryTarget &) = delete;
    const QString &path() const { return m_path; }
    void keep() { m_kept = true; }

private:
    QString m_path;
    bool m_kept = false;
};

// A name for the temporary file in the target's folder, so the final rename
// stays on one file system and is atomic. QTemporaryFile picks a free name;
// SQLite then makes the file afresh.
QString temporaryNameBeside(const QString &target, QString *error)
{
    QTemporaryFile probe(target + QLatin1String(".import-XXXXXX"));
    probe.setAutoRemove(false);
    if (!probe.open()) {
        *error = QStringLiteral("Impossible d'écrire dans le dossier %1 (%2).")
                     .arg(displayPath(QFileInfo(target).absolutePath()), probe.errorString());
        return {};
    }
    const QString name = probe.fileName();
    probe.close();
    QFile::remove(name);
    return name;
}

Status checkSource(access::AccessFile &file, const QString &source, ImportReport *report)
{
    QStringList ours;
    for (const TableDef &table : kTables) {
        const QString name = QLatin1String(table.name);
        ours << name;
        if (file.findTable(name).isEmpty())
            return Status::failure(QStringLiteral("La table %1 est absente de la base Access %2.").arg(name, displayPath(source)));
        QString error;
        const QList<access::Column> columns = file.columns(name, &error);
        if (!error.isEmpty())
            return Status::failure(error);
        const QStringList wanted = schemaColumns(table);
        for (const QString &column : wanted) {
            const auto it = std::find_if(columns.begin(), columns.end(), [&](const access::Column &c) {
                return c.name.compare(column, Qt::CaseInsensitive) == 0;
            });
            if (it == columns.end())
                return Status::failure(QStringLiteral("La colonne %1 est absente de la table %2 de la base Access %3.")
                                           .arg(column, name, displayPath(source)));
            if (!it->readable)
                return Status::failure(QStringLiteral("La colonne %1 de la table %2 est de type %3 : elle ne contient pas de texte.")
                                           .arg(column, name, it->typeName));
        }
        for (const access::Column &c : columns) {
            if (!wanted.contains(c.name, Qt::CaseInsensitive))
                report->leftOut << file.findTable(name) + QLatin1Char('.') + c.name;
        }
    }
    for (const QString &table : file.tableNames()) {
        if (!ours.contains(table, Qt::CaseInsensitive))
            report->leftOut << table;
    }
    return Status::success();
}

Status copyRows(access::AccessFile &file, SQLite::Database &db, ImportReport *report)
{
    // Schema and rows in one transaction: one commit, one wait for the disk.
    SQLite::Transaction transaction(db);
    createSchema(db);
    for (const TableDef &table : kTables) {
        const QString name = QLatin1String(table.name);
        const QStringList columns = schemaColumns(table);
        QString error;
        std::unique_ptr<access::RowCursor> rows = file.rows(name, columns, &error);
        if (!rows)
            return Status::failure(error);
        QStringList marks;
        for (int i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        SQLite::Statement insert(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                         .arg(name, columns.join(QLatin1String(", ")), marks.join(QLatin1String(", ")))
                                         .toStdString());
        qint64 count = 0;
        while (rows->next()) {
            const QList<access::Value> &values = rows->values();
            for (int i = 0; i < values.size(); ++i) {
                if (values[i])
                    insert.bind(i + 1, std::string(values[i]->constData(), size_t(values[i]->size())));
                else
                    insert.bind(i + 1);
            }
            insert.exec();
            insert.reset();
            ++count;
        }
        if (!rows->error().isEmpty())
            return Status::failure(rows->error());
        report->tables.append({name, count});
    }
    transaction.commit();
    const std::string check = db.execAndGet("PRAGMA integrity_check").getString();
    if (check != "ok")
        return Status::failure(QStringLiteral("Le fichier écrit ne passe pas le contrôle d'intégrité : %1")
                                   .arg(QString::fromStdString(check)));
    return Status::success();
}

// Puts the finished file in place. Without force an existing target is never
// replaced, not even one that appeared during the import; with force the old
// file first gets a second name, then the new one replaces it in one step.
Status placeFile(const QString &temporary, const ImportOptions &options, ImportReport *report)
{
    const QString target = options.target;
    if (!options.force) {
        QFile file(temporary);
        if (!file.rename(target))
            return Status::failure(QFileInfo::exists(target)
                                       ? QStringLiteral("Le fichier %1 existe déjà : il est laissé tel quel.").arg(displayPath(target))
                                       : QStringLiteral("Le fichier %1 ne peut pas être mis en place (%2).")
                                             .arg(displayPath(target), file.errorString()));
        return Status::success();
    }
    QString backup;
    if (QFileInfo::exists(target)) {
        const QDateTime now = QDateTime::currentDateTime();
        backup = backupPathFor(target, now);
        for (int n = 2; QFileInfo::exists(backup); ++n)
            backup = backupPathFor(target, now) + QStringLiteral("-%1").arg(n);
        const QByteArray from = QFile::encodeName(target);
        const QByteArray to = QFile::encodeName(backup);
        if (::link(from.constData(), to.constData()) != 0 && !QFile::copy(target, backup))
            return Status::failure(QStringLiteral("Impossible de garder une copie de %1 sous le nom %2 ; rien n'a été remplacé.")
                                       .arg(displayPath(target), displayPath(backup)));
    }
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (!backup.isEmpty())
            QFile::remove(backup);
        return Status::failure(QStringLiteral("Le fichier %1 ne peut pas être remplacé (%2).").arg(displayPath(target), why));
    }
    report->backup = backup;
    return Status::success();
}

bool flushToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

QString backupPathFor(const QString &target, const QDateTime &when)
{
    return target + QLatin1String(".bak-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

Status importAccessFile(const ImportOptions &options, ImportReport *report)
{
    *report = ImportReport{};
    const QFileInfo targetInfo(options.target);
    if (targetInfo.exists() && !options.force)
        return Status::failure(QStringLiteral("Le fichier %1 existe déjà : il est laissé tel quel.\n"
                                              "Ajoutez --force pour le remplacer (l'ancien est gardé à côté).")
                                   .arg(displayPath(options.target)));
    if (targetInfo.isDir())
        return Status::failure(QStringLiteral("%1 est un dossier.").arg(displayPath(options.target)));
    if (!targetInfo.absoluteDir().exists())
        return Status::failure(QStringLiteral("Le dossier %1 n'existe pas.").arg(displayPath(targetInfo.absolutePath())));

    QString error;
    std::unique_ptr<access::AccessFile> file = access::AccessFile::open(options.source, {options.charset}, &error);
    if (!file)
        return Status::failure(error);
    report->jetVersion = file->jetVersion();
    if (Status checked = checkSource(*file, options.source, report); !checked)
        return checked;

    const QString name = temporaryNameBeside(options.target, &error);
    if (name.isEmpty())
        return Status::failure(error);
    TemporaryTarget temporary(name);
    auto created = createDatabaseFile(temporary.path());
    if (!created)
        return created.status();
    try {
        auto &db = *created;
        // A file nobody else knows yet needs no journal: a failure deletes
        // it. One flush to disk before the rename makes it durable.
        db->exec("PRAGMA journal_mode = OFF");
        db->exec("PRAGMA synchronous = OFF");
        if (Status copied = copyRows(*file, *db, report); !copied)
            return copied;
    } catch (const std::exception &e) {
        return Status::failure(QStringLiteral("Écriture de %1 impossible : %2").arg(displayPath(temporary.path()), QString::fromUtf8(e.what())));
    }
    if (!flushToDisk(temporary.path()))
        return Status::failure(QStringLiteral("Écriture de %1 impossible : le disque refuse l'enregistrement.").arg(displayPath(temporary.path())));
    if (Status placed = placeFile(temporary.path(), options, report); !placed)
        return placed;
    temporary.keep();
    // The rename itself lives in the folder: flush it too (best effort).
    flushToDisk(QFileInfo(options.target).absolutePath());
    return Status::success();
}

} // namespace tavro
