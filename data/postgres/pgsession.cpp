// Server sessions: opening them with the program's settings, naming them in
// messages, and the server's failure codes.
#include "data/postgres/pgsession.h"

#include "data/postgres/pgschema.h"
#include "data/setting/conninfo.h"

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
// compiling it (JIT), which pays on reports, not on look-ups.
Status prepareSession(PGconn *conn, const Place &place, const QString &conninfo, QString *schema)
{
    PQsetNoticeProcessor(conn, quiet, nullptr);
    PgResult r(PQexec(conn, "SET standard_conforming_strings = on; SET client_encoding = 'UTF8'; "
                            "SET lock_timeout = '4s'; SET statement_timeout = '30s'; "
                            "SET synchronize_seqscans = off; SET max_parallel_workers_per_gather = 0; SET jit = off"));
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

Status connectionFailure(PGconn *conn, const Place &place, const QString &conninfo, const QString &kept)
{
    const QString text = errorText(conn, nullptr, conninfo);
    if (conn && PQconnectionNeedsPassword(conn)) {
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("Le serveur de la base de données %1 demande un mot de passe que ce poste "
                                              "ne connaît pas.")
                                   .arg(place.name),
                               kept,
                               QStringLiteral("Le responsable informatique inscrit ce mot de passe dans le fichier "
                                              "~/.pgpass du poste."))
            .withDetail(text);
    }
    if (conn && PQconnectionUsedPassword(conn)) {
        return Status::failure(
                   Fault::Unavailable,
                   QStringLiteral("Le serveur de la base de données %1 a refusé le mot de passe de ce poste.").arg(place.name),
                   kept,
                   QStringLiteral("Le responsable informatique corrige le mot de passe inscrit dans le "
                                  "fichier ~/.pgpass du poste."))
            .withDetail(text);
    }
    return Status::failure(Fault::Unavailable, QStringLiteral("La connexion à la base de données %1 a échoué.").arg(place.name),
                           kept,
                           QStringLiteral("Vérifiez l'adresse de la base dans le réglage du programme, le réseau, et que "
                                          "le serveur est en marche, puis réessayez."))
        .withDetail(text);
}

Result<PgConn> openSession(const QString &conninfo, QString *schema)
{
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
                              nullptr};
    const QByteArray info = conninfo.toUtf8();
    const char *values[] = {"5", "5", "2", "3", "11000", "tavro", info.constData(), nullptr};
    PgConn conn(PQconnectdbParams(keywords, values, 1));
    if (!conn || PQstatus(conn.get()) != CONNECTION_OK)
        return connectionFailure(conn.get(), place, conninfo, {});
    if (Status prepared = prepareSession(conn.get(), place, conninfo, schema); !prepared)
        return prepared;
    return conn;
}

} // namespace tavro::pg
