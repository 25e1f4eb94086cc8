#include "data/enginefailure.h"

#include <sqlite3.h>

namespace tavro {

namespace {

QString keptFor(Action action)
{
    switch (action) {
    case Action::Write:
        return keptTypingNote();
    case Action::Delete:
        return QStringLiteral("Rien n'a été supprimé.");
    case Action::Read:
        return QStringLiteral("Les lignes affichées restent telles qu'elles étaient.");
    case Action::Open:
        break;
    }
    return {};
}

} // namespace

QString keptTypingNote()
{
    return QStringLiteral("Rien n'a été enregistré ; vos saisies sont conservées.");
}

Fault sqliteFault(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
        return Fault::None;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Fault::Busy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Fault::ReadOnly;
    case SQLITE_FULL:
        return Fault::Full;
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Fault::Unavailable;
    default:
        return Fault::Other;
    }
}

Status engineFailure(Fault fault, Action action, const QString &where, const QString &engineText)
{
    const QString kept = keptFor(action);
    QString what;
    QString advice;
    switch (fault) {
    case Fault::Busy:
        what = action == Action::Write || action == Action::Delete
                   ? QStringLiteral("Le fichier de données %1 est en cours d'écriture par un autre poste.")
                   : QStringLiteral("Le fichier de données %1 est occupé par un autre poste.");
        advice = QStringLiteral("Réessayez dans un instant.");
        break;
    case Fault::ReadOnly:
        what = QStringLiteral("Le fichier de données %1 est en lecture seule.");
        advice = QStringLiteral("Demandez le droit d'écrire dans ce fichier et dans son dossier.");
        break;
    case Fault::Full:
        what = QStringLiteral("Le disque du fichier de données %1 est plein.");
        advice = QStringLiteral("Libérez de la place sur ce disque, puis réessayez.");
        break;
    case Fault::Unavailable:
        what = QStringLiteral("Le fichier de données %1 ne peut plus être lu.");
        advice = QStringLiteral("Vérifiez le fichier, puis rouvrez la fenêtre.");
        break;
    default:
        what = action == Action::Read ? QStringLiteral("La lecture du fichier de données %1 a échoué.")
                                      : QStringLiteral("L'écriture dans le fichier de données %1 a échoué.");
        advice = QStringLiteral("Réessayez ; si l'erreur revient, signalez-la au responsable informatique.");
        break;
    }
    return Status::failure(fault, what.arg(where), kept, advice).withDetail(engineText);
}

} // namespace tavro
