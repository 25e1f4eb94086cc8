#include "data/sqlite/opendb.h"

#include "data/enginefailure.h"
#include "data/schema.h"
#include "data/setting/databasesetting.h"
#include "data/setting/paths.h"
#include "data/sqlite/sqlitestep.h"
#include "data/sqlite/textrules.h"

#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace tavro {

bool looksLikeAccessFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(20);
    // Bytes 4 to 19 carry the engine's signature in every Access file.
    return head.size() == 20 && (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

namespace {

// Where the program looked and the two ways to get the file there.
Status missingFile(const QString &path)
{
    const QString shown = displayPath(path);
    const DatabaseSetting &setting = databaseSetting();
    const bool named = setting.isNamed() && setting.value == path;
    const QString target = shellQuoted(shown);
    QString advice = QStringLiteral("Pour l'obtenir, convertissez la base Access du bureau :\n%1 -o %2 ANCIENNE-BASE.mdb\n"
                                    "ou, pour essayer le programme, écrivez-y une base d'exemple inventée :\n%3 -o %2\n"
                                    "puis rouvrez la fenêtre.")
                         .arg(toolCommand(QStringLiteral("tavro-import")), target, toolCommand(QStringLiteral("tavro-sample")));
    if (named) {
        advice += QStringLiteral(" Si la base est ailleurs, corrigez %1.").arg(sourceDescription(setting));
    } else {
        advice += QStringLiteral(" Une base placée ailleurs se nomme par l'option --database, la variable %1 "
                                 "ou un fichier %2 (voir « tavro --help »).")
                      .arg(QLatin1String(kDatabaseVariable), QLatin1String(kSettingsFileName));
    }
    const QString what =
        named ? QStringLiteral("Le fichier de données %1, nommé par %2, est introuvable.").arg(shown, sourceDescription(setting))
              : QStringLiteral("Le fichier de données %1 est introuvable.").arg(shown);
    return Status::failure(Fault::Unavailable, what, QStringLiteral("Aucun fichier n'a été créé."), advice);
}

} // namespace

bool tableHasKey(SQLite::Database &db, const QString &table)
{
    SQLite::Statement info(db, QStringLiteral("PRAGMA table_info(%1)").arg(table).toStdString());
    bool keyed = false;
    while (info.executeStep()) {
        const QString name = QString::fromUtf8(info.getColumn(1).getText());
        const QString type = QString::fromUtf8(info.getColumn(2).getText());
        keyed = keyed
                || (name.compare(QLatin1String(kKeyColumn), Qt::CaseInsensitive) == 0 && info.getColumn(5).getInt() == 1
                    && type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0);
    }
    return keyed;
}

void prepareConnection(SQLite::Database &db, int busyTimeoutMs)
{
    installTextRules(db.getHandle());
    db.setBusyTimeout(busyTimeoutMs);
}

Result<SqliteHandle> openDatabase(const QString &path, int busyTimeoutMs)
{
    const QString shown = displayPath(path);
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists()) {
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("Le fichier de données %1 est un lien qui ne mène à aucun fichier.").arg(shown), {},
                               QStringLiteral("Remplacez ce lien par le fichier BD2003.mdb, puis rouvrez la fenêtre."));
    }
    if (!info.exists())
        return missingFile(path);
    // Only a regular file is opened: reading a named pipe or a device of
    // that name would wait for ever.
    if (!info.isFile() || !info.isReadable()) {
        return Status::failure(Fault::Unavailable, QStringLiteral("Le fichier de données %1 ne peut pas être lu.").arg(shown), {},
                               QStringLiteral("Vérifiez qu'il s'agit bien d'un fichier et que vous avez le droit de le lire."));
    }
    if (looksLikeAccessFile(path)) {
        return Status::failure(
            Fault::Unavailable,
            QStringLiteral("Le fichier %1 est une base Access (Jet) que ce programme ne lit pas directement.").arg(shown), {},
            QStringLiteral("Convertissez-la une fois avec la commande :\n%1\n"
                           "(l'ancienne base est gardée à côté, renommée %2.bak-...), puis relancez le programme.")
                .arg(importCommandFor(path), info.fileName()));
    }
    const QString replace = QStringLiteral("Remplacez-le par une copie valide de BD2003.mdb.");
    try {
        // READWRITE without CREATE: SQLite refuses to make a new file.
        auto db = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE);
        prepareConnection(*db, busyTimeoutMs);
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
        return Status::failure(Fault::Unavailable, QStringLiteral("Le fichier de données %1 ne peut pas être ouvert.").arg(shown),
                               {}, QStringLiteral("Vérifiez le fichier et vos droits sur son dossier."))
            .withDetail(QString::fromUtf8(e.what()));
    }
}

} // namespace tavro
