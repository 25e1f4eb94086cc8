#include "data/opendb.h"

#include "data/textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace tavro {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

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

QString importCommandFor(const QString &accessFile)
{
    return QStringLiteral("tavro-import \"%1\"").arg(shown(accessFile));
}

void prepareConnection(SQLite::Database &db)
{
    installTextRules(db.getHandle());
    db.setBusyTimeout(kBusyTimeoutMs);
}

OpenResult openDatabase(const QString &path)
{
    OpenResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = QStringLiteral("Le fichier de données %1 est introuvable.\n"
                                      "Placez le fichier BD2003.mdb dans ce dossier, puis rouvrez la fenêtre.")
                           .arg(shown(path));
        return result;
    }
    if (info.isDir() || !info.isReadable()) {
        result.error = QStringLiteral("Le fichier de données %1 ne peut pas être lu.\n"
                                      "Vérifiez qu'il s'agit bien d'un fichier et que vous avez le droit de le lire.")
                           .arg(shown(path));
        return result;
    }
    if (looksLikeAccessFile(path)) {
        result.error = QStringLiteral("Le fichier %1 est une base Access (Jet) que ce programme ne lit pas directement.\n"
                                      "Convertissez-la une fois avec la commande :\n%2\n"
                                      "puis relancez le programme.")
                           .arg(shown(path), importCommandFor(path));
        return result;
    }
    try {
        // READWRITE without CREATE: SQLite refuses to make a new file.
        auto db = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                     SQLite::OPEN_READWRITE);
        prepareConnection(*db);
        // open() accepts any file; the first read tells whether it is a database.
        SQLite::Statement tables(*db, "SELECT count(*) FROM sqlite_schema");
        // An empty file opens as an empty database: it holds none of our tables.
        if (tables.executeStep() && tables.getColumn(0).getInt() == 0) {
            result.error = QStringLiteral("Le fichier %1 est vide : il ne contient aucune des tables du programme.\n"
                                          "Remplacez-le par une copie valide de BD2003.mdb.")
                               .arg(shown(path));
            return result;
        }
        result.db = std::move(db);
    } catch (const SQLite::Exception &e) {
        const int code = e.getErrorCode() & 0xff;
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) {
            result.error = QStringLiteral("Le fichier %1 n'est pas une base de données lisible par ce programme.\n"
                                          "Remplacez-le par une copie valide de BD2003.mdb.")
                               .arg(shown(path));
        } else if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
            result.error = QStringLiteral("Le fichier de données %1 est occupé par un autre programme.\n"
                                          "Réessayez dans un instant.")
                               .arg(shown(path));
        } else {
            result.error = QStringLiteral("Le fichier de données %1 ne peut pas être ouvert (%2).\n"
                                          "Vérifiez le fichier et vos droits sur son dossier.")
                               .arg(shown(path), QString::fromUtf8(e.what()));
        }
    }
    return result;
}

std::unique_ptr<SQLite::Database> createDatabaseFile(const QString &path)
{
    if (QFileInfo::exists(path))
        throw SQLite::Exception("the database file already exists");
    auto db = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                 SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    prepareConnection(*db);
    return db;
}

} // namespace tavro
