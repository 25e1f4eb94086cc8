#include "data/enginefailure.h"

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
        return keptRowsNote();
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

QString keptRowsNote()
{
    return QStringLiteral("Les lignes affichées restent telles qu'elles étaient.");
}

Status missingSchema(const Place &where, const QString &engineText)
{
    const bool server = where.kind == DatabaseKind::Server;
    return Status::failure(Fault::Other,
                           (server ? QStringLiteral("La recherche demandée n'a pas pu être faite dans la base de données %1.")
                                   : QStringLiteral("La recherche demandée n'a pas pu être faite dans le fichier de données %1."))
                               .arg(where.name),
                           keptRowsNote(),
                           server ? QStringLiteral("Vérifiez que cette base est bien celle du programme, avec ses tables "
                                                   "CODE, TELE et QRT.")
                                  : QStringLiteral("Vérifiez que ce fichier est bien le BD2003.mdb du programme, "
                                                   "avec ses tables CODE, TELE et QRT."))
        .withDetail(engineText);
}

Status tooLongFailure(Action action, const Place &where, int seconds, const QString &engineText)
{
    const bool reading = action == Action::Read;
    return Status::failure(Fault::Busy,
                           (reading ? QStringLiteral("La base de données %1 a arrêté la recherche : elle durait plus de %2 "
                                                     "secondes.")
                                    : QStringLiteral("La base de données %1 a arrêté l'écriture : elle durait plus de %2 "
                                                     "secondes."))
                               .arg(where.name)
                               .arg(seconds),
                           keptFor(action),
                           reading ? QStringLiteral("Précisez la recherche, ou réessayez quand le serveur sera moins chargé.")
                                   : QStringLiteral("Réessayez dans un instant ; si cela revient, prévenez le responsable "
                                                    "informatique."))
        .withDetail(engineText);
}

Status nothingToCount(const Place &where)
{
    const bool server = where.kind == DatabaseKind::Server;
    return Status::failure(Fault::Unavailable,
                           (server ? QStringLiteral("La base de données %1 n'est pas ouverte : il n'y a pas "
                                                    "d'enregistrements à compter.")
                                   : QStringLiteral("Le fichier de données %1 n'est pas ouvert : il n'y a pas "
                                                    "d'enregistrements à compter."))
                               .arg(where.name),
                           {},
                           server ? QStringLiteral("Vérifiez que le serveur est en marche, puis rouvrez la fenêtre.")
                                  : QStringLiteral("Mettez le fichier en place, puis rouvrez la fenêtre."));
}

Status engineFailure(Fault fault, Action action, const Place &where, const QString &engineText)
{
    const QString kept = keptFor(action);
    const bool writing = action == Action::Write || action == Action::Delete || action == Action::Commit;
    QString what;
    QString advice;
    // A file and a server's database are named, and fail, differently.
    const bool server = where.kind == DatabaseKind::Server;
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
        // On a server the account's rights refuse a look-up as well.
        what = server ? (writing ? QStringLiteral("Votre compte n'a pas le droit de modifier la base de données %1.")
                                 : QStringLiteral("Votre compte n'a pas le droit de consulter la base de données %1."))
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
    case Fault::Replaced:
        // Only a file can be replaced under a connection: a server's
        // database keeps its identity.
        what = QStringLiteral("Le fichier de données %1 a été remplacé par un autre depuis qu'il a été ouvert.");
        advice = action == Action::Write ? QStringLiteral(
                     "Votre saisie porte sur une ligne de l'ancien fichier et ne sera pas écrite dans le nouveau : "
                     "recopiez-la si besoin, puis abandonnez-la ; les lignes du nouveau fichier seront alors lues.")
                                         : QStringLiteral("Les lignes du nouveau fichier vont être lues.");
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
