// Server sessions: opening them with the program's settings, naming them in
// messages, and the server's failure codes.
#include "data/postgres/pgsession.h"

#include "data/postgres/pgschema.h"
#include "data/postgres/pgwait.h"
#include "data/setting/conninfo.h"

#include <QHash>

#include <optional>

namespace tavro::pg {

namespace {

void quiet(void *, const char *) { }

} // namespace

Fault faultOf(const char *state, bool connectionLost)
{
    if (connectionLost)
        return Fault::Unavailable;
    const QByteArray s(state ? state : "");
    if (s == "40001" || s == "40P01" || s == "55P03" || s == "57014")
        return Fault::Busy; // serialisation, deadlock, lock wait, time-out
    if (s == "42501" || s == "25006")
        return Fault::ReadOnly; // no privilege, read-only transaction
    if (s.startsWith("53"))
        return Fault::Full;
    if (s.startsWith("08") || s.startsWith("57P"))
        return Fault::Unavailable; // connection lost, server shut down or backend ended
    return Fault::Other;
}

QString placeName(const QString &conninfo)
{
    return shownConnection(conninfo, ConnectionShown::Place);
}

QString errorText(PGconn *conn, const PGresult *result, const QString &conninfo)
{
    const char *text = result ? PQresultErrorMessage(result) : conn ? PQerrorMessage(conn) : "";
    return withoutSecrets(QString::fromUtf8(text).trimmed(), conninfo);
}

// The session the program's texts need: backslashes are plain text in
// literals (the quoting helper doubles apostrophes only), UTF-8, and a
// row another counter is writing is waited for a few seconds only. A table
// is scanned from its first page by one process, so that its rows come in
// their stored order (as the file gives them) without a sort; one clerk's
// search takes no more than one of the server's processors, and no time
// compiling it (JIT), which pays on reports, not on look-ups. A statement
// whose client has gone (a wait given up, pgwait.h) is dropped soon.
Status prepareSession(PGconn *conn, const Place &place, const QString &conninfo, int statementSeconds, QString *schema)
{
    PQsetNoticeProcessor(conn, quiet, nullptr);
    QByteArray settings = "SET standard_conforming_strings = on; SET client_encoding = 'UTF8'; "
                          "SET lock_timeout = '4s'; SET statement_timeout = '"
                          + QByteArray::number(statementSeconds)
                          + "s'; SET synchronize_seqscans = off; SET max_parallel_workers_per_gather = 0; SET jit = off";
    if (PQserverVersion(conn) >= 140000)
        settings += "; SET client_connection_check_interval = '2s'";
    Heard heard = Heard::Answer;
    PgResult r = exchange(
        conn, [&](PGconn *c) { return PQsendQuery(c, settings.constData()); }, &heard);
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        return engineFailure(Fault::Unavailable, Action::Open, place, errorText(conn, r.get(), conninfo));
    }
    auto path = useDataSchema(conn);
    if (!path)
        return engineFailure(Fault::Unavailable, Action::Open, place, withoutSecrets(path.status().detail(), conninfo));
    if (schema)
        *schema = *path;
    return Status::success();
}

namespace {

// The connection was made and the server then refused it: why, by its
// SQLSTATE (and libpq's account of the password), never by its words.
std::optional<Status> refusal(PGconn *conn, const Place &place, const QString &kept)
{
    const QByteArray state = connectionState(conn);
    const auto says = [&](Fault fault, const QString &what, const QString &advice) {
        return Status::failure(fault, what.arg(place.name), kept, advice);
    };
    if (PQconnectionNeedsPassword(conn)) {
        return says(Fault::Unavailable,
                    QStringLiteral("Le serveur de la base de données %1 demande un mot de passe que ce poste ne connaît pas."),
                    QStringLiteral("Le responsable informatique inscrit ce mot de passe dans le fichier ~/.pgpass du poste."));
    }
    if (state == "28P01" && PQconnectionUsedPassword(conn)) {
        return says(Fault::Unavailable,
                    QStringLiteral("Le serveur de la base de données %1 a refusé le mot de passe de ce poste."),
                    QStringLiteral("Le responsable informatique corrige le mot de passe inscrit dans le fichier ~/.pgpass "
                                   "du poste."));
    }
    if (state == "3D000") {
        return says(Fault::Unavailable, QStringLiteral("La base de données %1 n'existe pas."),
                    QStringLiteral("Vérifiez le nom de la base (dbname) dans le réglage du programme ; s'il est juste, "
                                   "prévenez le responsable informatique."));
    }
    if (state == "42501") {
        return says(Fault::Unavailable, QStringLiteral("Votre compte n'a pas le droit de se connecter à la base de données %1."),
                    QStringLiteral("Demandez ce droit (CONNECT) au responsable informatique."));
    }
    if (state == "28000") {
        return says(Fault::Unavailable,
                    QStringLiteral("Le serveur de la base de données %1 n'accepte pas de connexion de votre compte depuis ce "
                                   "poste."),
                    QStringLiteral("Le responsable informatique autorise ce compte à se connecter (rôle avec LOGIN, accès "
                                   "prévu pour ce poste)."));
    }
    if (state == "53300") {
        return says(Fault::Busy,
                    QStringLiteral("Le serveur de la base de données %1 a déjà toutes les connexions qu'il accepte."),
                    QStringLiteral("Réessayez dans un instant ; si cela revient, prévenez le responsable informatique."));
    }
    if (state == "57P03") {
        return says(Fault::Unavailable, QStringLiteral("Le serveur de la base de données %1 démarre ou s'arrête."),
                    QStringLiteral("Réessayez dans un instant."));
    }
    return std::nullopt;
}

} // namespace

Status connectionFailure(PGconn *conn, const Place &place, const QString &conninfo, const QString &kept)
{
    // A connection given up on before its end has no message of libpq's.
    const QString text = !conn                              ? QString()
                         : PQstatus(conn) == CONNECTION_BAD ? errorText(conn, nullptr, conninfo)
                                                            : QStringLiteral("timeout expired");
    if (conn) {
        if (std::optional<Status> refused = refusal(conn, place, kept))
            return refused->withDetail(text);
    }
    return Status::failure(Fault::Unavailable, QStringLiteral("La connexion à la base de données %1 a échoué.").arg(place.name),
                           kept,
                           QStringLiteral("Vérifiez l'adresse de la base dans le réglage du programme, le réseau, et que "
                                          "le serveur est en marche, puis réessayez."))
        .withDetail(text);
}

int hostCount(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options)
        return 1;
    int count = 1;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (o->val && *o->val && (qstrcmp(o->keyword, "host") == 0 || qstrcmp(o->keyword, "hostaddr") == 0))
            count = qMax(count, int(QByteArray(o->val).count(',')) + 1);
    }
    PQconninfoFree(options);
    return count;
}

bool namesSessionAttrs(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    PQfreemem(error);
    bool named = !qEnvironmentVariableIsEmpty("PGTARGETSESSIONATTRS");
    for (PQconninfoOption *o = options; o && o->keyword; ++o) {
        if (qstrcmp(o->keyword, "target_session_attrs") == 0 && o->val && *o->val)
            named = true;
    }
    PQconninfoFree(options);
    return named;
}

bool splitsSessions(const QString &conninfo)
{
    return hostCount(conninfo) > 1 && !namesSessionAttrs(conninfo);
}

// Servers since version 14 tell it themselves, and again when promoted.
bool isStandby(PGconn *conn)
{
    const char *standby = PQparameterStatus(conn, "in_hot_standby");
    return standby && qstrcmp(standby, "on") == 0;
}

QString sessionPlace(PGconn *conn)
{
    return QStringLiteral("%1 sur le serveur %2 (port %3)")
        .arg(QString::fromUtf8(PQdb(conn)), QString::fromUtf8(PQhost(conn)), QString::fromUtf8(PQport(conn)));
}

Result<PgConn> openSession(const QString &conninfo, int statementSeconds, QString *schema, const char *sessionAttrs)
{
    // The tools write, and take the primary among several hosts.
    if (!sessionAttrs && splitsSessions(conninfo))
        sessionAttrs = "read-write";
    const Place place{placeName(conninfo), DatabaseKind::Server};
    if (!readableConnection(conninfo)) {
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("La base de données (adresse illisible) n'a pas été ouverte : son adresse ne "
                                              "se lit pas."),
                               {},
                               QStringLiteral("Vérifiez l'adresse de la base (réglage du programme, option -o des outils). "
                                              "Dans une adresse postgresql://, un « @ », un « / » ou un « % » d'un mot de "
                                              "passe s'écrit %40, %2F ou %25 ; mieux, le mot de passe va dans le fichier "
                                              "~/.pgpass."));
    }
    // Defaults first: what the setting names overrides them. A server that
    // cannot be reached is said so within about 5 seconds; a network that
    // goes silent under an open connection is noticed within about 11.
    const char *keywords[] = {"connect_timeout",
                              "keepalives_idle",
                              "keepalives_interval",
                              "keepalives_count",
                              "tcp_user_timeout",
                              "fallback_application_name",
                              "dbname",
                              sessionAttrs ? "target_session_attrs" : nullptr,
                              nullptr};
    const QByteArray info = conninfo.toUtf8();
    const QByteArray connectTimeout = QByteArray::number(kConnectSeconds);
    const char *values[] = {connectTimeout.constData(), "5", "2", "3", "11000", "tavro", info.constData(), sessionAttrs, nullptr};
    PgConn conn = connectBounded(keywords, values);
    if (!conn || PQstatus(conn.get()) != CONNECTION_OK)
        return connectionFailure(conn.get(), place, conninfo, {});
    if (Status prepared = prepareSession(conn.get(), place, conninfo, statementSeconds, schema); !prepared)
        return prepared;
    return conn;
}

} // namespace tavro::pg
