#include "data/opendb.h"

#include "data/enginefailure.h"
#include "data/textrules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace tavro {

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool looksLikeAccessFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(20);
    // Bytes 4 to 19 carry the engine's signature in every Access file.
    return head.size() == 20
        && (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

QString shellQuoted(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString importCommandFor(const QString &accessFile)
{
    // The converter is built beside the program. It writes the new file where
    // the Access one is and keeps that one beside it as a backup, so the
    // command fits whichever of the two paths found the Access file.
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QString tool = folder.isEmpty() ? QStringLiteral("tavro-import")
                                          : QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("tavro-import")));
    const QString file = shellQuoted(displayPath(accessFile));
    return QStringLiteral("%1 --force -o %2 %2").arg(shellQuoted(tool), file);
}

void prepareConnection(SQLite::Database &db)
{
    installTextRules(db.getHandle());
    db.setBusyTimeout(kBusyTimeoutMs);
}

Result<SqliteHandle> openDatabase(const QString &path)
{
    const QString shown = displayPath(path);
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists()) {
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("Le fichier de données %1 est un lien qui ne mène à aucun fichier.").arg(shown),
                               {}, QStringLiteral("Remplacez ce lien par le fichier BD2003.mdb, puis rouvrez la fenêtre."));
    }
    if (!info.exists()) {
        return Status::failure(Fault::Unavailable, QStringLiteral("Le fichier de données %1 est introuvable.").arg(shown),
                               {}, QStringLiteral("Placez le fichier BD2003.mdb dans ce dossier, puis rouvrez la fenêtre."));
    }
    // Only a regular file is opened: reading a named pipe or a device of
    // that name would wait for ever.
    if (!info.isFile() || !info.isReadable()) {
        return Status::failure(Fault::Unavailable, QStringLiteral("Le fichier de données %1 ne peut pas être lu.").arg(shown),
                               {}, QStringLiteral("Vérifiez qu'il s'agit bien d'un fichier et que vous avez le droit de le lire."));
    }
    if (looksLikeAccessFile(path)) {
        return Status::failure(
            Fault::Unavailable,
            QStringLiteral("Le fichier %1 est une base Access (Jet) que ce programme ne lit pas directement.").arg(shown), {},
            QStringLiteral("Convertissez-la une fois avec la commande :\n%1\n"
                           "(l'ancienne base est gardée à côté, renommée BD2003.mdb.bak-...), puis relancez le programme.")
                .arg(importCommandFor(path)));
    }
    const QString replace = QStringLiteral("Remplacez-le par une copie valide de BD2003.mdb.");
    try {
        // READWRITE without CREATE: SQLite refuses to make a new file.
        auto db = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE);
        prepareConnection(*db);
        // open() accepts any file; the first read tells whether it is a database.
        SQLite::Statement tables(*db, "SELECT count(*) FROM sqlite_schema");
        // An empty file opens as an empty database: it holds none of our tables.
        if (tables.executeStep() && tables.getColumn(0).getInt() == 0) {
            return Status::failure(
                Fault::Unavailable,
                QStringLiteral("Le fichier %1 est vide : il ne contient aucune des tables du programme.").arg(shown), {},
                replace);
        }
        return SqliteHandle(std::move(db));
    } catch (const SQLite::Exception &e) {
        const int code = e.getErrorCode() & 0xff;
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) {
            return Status::failure(
                       Fault::Unavailable,
                       QStringLiteral("Le fichier %1 n'est pas une base de données lisible par ce programme.").arg(shown), {},
                       replace)
                .withDetail(QString::fromUtf8(e.what()));
        }
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            return engineFailure(Fault::Busy, Action::Open, Place{shown}, QString::fromUtf8(e.what()));
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("Le fichier de données %1 ne peut pas être ouvert.").arg(shown), {},
                               QStringLiteral("Vérifiez le fichier et vos droits sur son dossier."))
            .withDetail(QString::fromUtf8(e.what()));
    }
}

Result<SqliteHandle> createDatabaseFile(const QString &path)
{
    if (QFileInfo::exists(path))
        return Status::failure(Fault::Refused, QStringLiteral("Le fichier %1 existe déjà.").arg(displayPath(path)));
    try {
        auto db = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                     SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        prepareConnection(*db);
        return SqliteHandle(std::move(db));
    } catch (const SQLite::Exception &e) {
        return engineFailure(sqliteFault(e.getErrorCode()), Action::Write, Place{displayPath(path)}, QString::fromUtf8(e.what()));
    }
}

} // namespace tavro
