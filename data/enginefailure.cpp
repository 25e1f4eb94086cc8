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
    case Action::Commit:
        return QStringLiteral("Vos saisies sont conservées.");
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

Status engineFailure(Fault fault, Action action, const Place &where, const QString &engineText)
{
    const QString kept = keptFor(action);
    const bool writing = action == Action::Write || action == Action::Delete || action == Action::Commit;
    QString what;
    QString advice;
    // A file and a server's database are named, and fail, differently.
    const bool server = where.server;
    switch (fault) {
    case Fault::Busy:
        what = server ? (writing ? QStringLiteral("La ligne est en cours de modification par un autre poste dans la base de "
                                                  "données %1.")
                                 : QStringLiteral("La base de données %1 est occupée par un autre poste."))
                      : (writing ? QStringLiteral("Le fichier de données %1 est en cours d'écriture par un autre poste.")
                                 : QStringLiteral("Le fichier de données %1 est occupé par un autre poste."));
        advice = QStringLiteral("Réessayez dans un instant.");
        break;
    case Fault::ReadOnly:
        what = server ? QStringLiteral("Votre compte n'a pas le droit de modifier la base de données %1.")
                      : QStringLiteral("Le fichier de données %1 est en lecture seule.");
        advice = server ? QStringLiteral("Demandez ce droit au responsable informatique.")
                        : QStringLiteral("Demandez le droit d'écrire dans ce fichier et dans son dossier.");
        break;
    case Fault::Full:
        what = server ? QStringLiteral("Le serveur de la base de données %1 n'a plus de place.")
                      : QStringLiteral("Le disque du fichier de données %1 est plein.");
        advice = server ? QStringLiteral("Prévenez le responsable informatique.")
                        : QStringLiteral("Libérez de la place sur ce disque, puis réessayez.");
        break;
    case Fault::Unavailable:
        if (action == Action::Commit) {
            what = QStringLiteral("La connexion à la base de données %1 a été coupée au moment d'enregistrer : "
                                  "l'enregistrement a pu être fait ou non.");
            advice = QStringLiteral("Affichez de nouveau la ligne pour voir ce que la base contient.");
            break;
        }
        what = server ? QStringLiteral("Le serveur de la base de données %1 ne répond pas.")
                      : QStringLiteral("Le fichier de données %1 ne peut plus être lu.");
        advice = server ? QStringLiteral("Vérifiez le réseau, puis réessayez ; si le serveur reste muet, prévenez le "
                                         "responsable informatique.")
                        : QStringLiteral("Vérifiez le fichier, puis rouvrez la fenêtre.");
        break;
    default:
        what = server ? (writing ? QStringLiteral("L'écriture dans la base de données %1 a échoué.")
                                 : QStringLiteral("La lecture de la base de données %1 a échoué."))
                      : (writing ? QStringLiteral("L'écriture dans le fichier de données %1 a échoué.")
                                 : QStringLiteral("La lecture du fichier de données %1 a échoué."));
        advice = QStringLiteral("Réessayez ; si l'erreur revient, signalez-la au responsable informatique.");
        break;
    }
    return Status::failure(fault, what.arg(where.name), kept, advice).withDetail(engineText);
}

} // namespace tavro
