// The counter's local copy of a server database: where it lives, when it
// was taken, and taking it again.
#include "data/database/localcopy.h"

#include "data/databasekind.h"
#include "data/postgres/pgwriter.h"
#include "data/schema.h"
#include "data/setting/databasesetting.h"
#include "data/sqlite/filewriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace tavro {

QString localCopyPath(const QString &database, const QProcessEnvironment &env)
{
    if (databaseKind(database) != DatabaseKind::Server)
        return {};
    QString folder = env.value(QStringLiteral("XDG_CACHE_HOME"));
    if (!QDir::isAbsolutePath(folder))
        folder = QDir(env.value(QStringLiteral("HOME"), QDir::homePath())).filePath(QStringLiteral(".cache"));
    // The address as shown (password masked) names the file: the copy of
    // one database, whatever password reaches it.
    const QByteArray digest =
        QCryptographicHash::hash(shownDatabase(database, ConnectionShown::Whole).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(folder).filePath(QStringLiteral("tavro/copie-%1.sqlite").arg(QString::fromLatin1(digest.left(16))));
}

std::optional<QDateTime> localCopyTaken(const QString &path)
{
    if (path.isEmpty() || !QFile::exists(path))
        return std::nullopt;
    try {
        SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement taken(db, std::string("SELECT PRISE FROM ") + kCopyTable);
        if (!taken.executeStep())
            return std::nullopt;
        QDateTime when = QDateTime::fromString(QString::fromStdString(taken.getColumn(0).getString()), Qt::ISODate);
        return when.isValid() ? std::optional(when.toLocalTime()) : std::nullopt;
    } catch (const SQLite::Exception &) {
        return std::nullopt; // not a copy of ours
    }
}

Result<QDateTime> refreshLocalCopy(const QString &database)
{
    const QString path = localCopyPath(database);
    if (path.isEmpty())
        return Status::failure(Fault::Refused, QStringLiteral("Seule une base sur un serveur a une copie locale."));
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Status::failure(Fault::ReadOnly, QStringLiteral("Le dossier %1 ne peut pas être créé.").arg(folder),
                               QStringLiteral("La copie locale d'avant reste."));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QDateTime taken = QDateTime::currentDateTime();
    auto reader = serverCopyReader(database);
    if (!reader)
        return reader.status();
    auto writer = fileTableWriter(
        path, WriteOptions{.replace = true, .copyTaken = taken, .copyOf = shownDatabase(database, ConnectionShown::Whole)});
    if (!writer)
        return writer.status();
    for (const TableDef &table : kTables) {
        if (Status started = (*writer)->startTable(table); !started)
            return started;
        if (Status read = (*reader)->eachRow(table, [&](const RowValues &row) { return (*writer)->addRow(row); }); !read)
            return read;
    }
    if (Status done = (*writer)->commit(); !done)
        return done;
    return taken;
}

QString copyTakenText(const QDateTime &taken)
{
    return QStringLiteral("Copie locale du %1 à %2")
        .arg(taken.toString(QStringLiteral("dd/MM/yyyy")), taken.toString(QStringLiteral("HH:mm")));
}

QString readOriginText(const ReadOrigin &origin, const QDateTime &now)
{
    switch (origin.kind) {
    case ReadOrigin::Kind::Primary:
        return QStringLiteral("Lecture : serveur principal, %1").arg(origin.where);
    case ReadOrigin::Kind::Standby:
        return QStringLiteral("Lecture : serveur de secours, %1").arg(origin.where);
    case ReadOrigin::Kind::Copy: {
        const qint64 minutes = qMax<qint64>(0, origin.taken.secsTo(now) / 60);
        const QString age = minutes < 60 ? QStringLiteral("%1 min").arg(minutes)
                            : minutes < 48 * 60
                                ? QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'))
                                : QStringLiteral("%1 jours").arg(minutes / (24 * 60));
        return QStringLiteral("Lecture : %1 (prise il y a %2), aucun serveur ne répond : consultation seulement")
            .arg(copyTakenText(origin.taken).replace(0, 1, QLatin1Char('c')), age);
    }
    case ReadOrigin::Kind::File:
        break;
    }
    return QStringLiteral("Lecture : fichier %1").arg(origin.where);
}

} // namespace tavro
