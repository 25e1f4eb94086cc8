// Server sessions: opening them with the program's settings, naming them in
// messages, and the server's failure codes.
#include "data/postgres/pgsession.h"

#include <QHash>

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

// The database, server and port a connection string names, for messages:
// never the password.
QString placeName(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options)
        return QStringLiteral("(adresse illisible)");
    QHash<QByteArray, QString> given;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (o->val && *o->val)
            given.insert(QByteArray(o->keyword), QString::fromUtf8(o->val));
    }
    PQconninfoFree(options);
    const auto value = [&](const char *keyword, const char *variable, const QString &fallback) {
        const QString v = given.value(keyword, QString::fromLocal8Bit(qgetenv(variable)));
        return v.isEmpty() ? fallback : v;
    };
    const QString host = value("host", "PGHOST", value("hostaddr", "PGHOSTADDR", QStringLiteral("local")));
    return QStringLiteral("%1 sur le serveur %2 (port %3)")
        .arg(value("dbname", "PGDATABASE", QStringLiteral("(par défaut)")), host,
             value("port", "PGPORT", QStringLiteral("5432")));
}

// The session the program's texts need: backslashes are plain text in
// literals (the quoting helper doubles apostrophes only), UTF-8, and a
// row another counter is writing is waited for a few seconds only. A table
// is scanned from its first page by one process, so that its rows come in
// their stored order (as the file gives them) without a sort; one clerk's
// search takes no more than one of the server's processors, and no time
// compiling it (JIT), which pays on reports, not on look-ups.
Status prepareSession(PGconn *conn, const Place &place)
{
    PQsetNoticeProcessor(conn, quiet, nullptr);
    PgResult r(PQexec(conn, "SET standard_conforming_strings = on; SET client_encoding = 'UTF8'; "
                            "SET lock_timeout = '4s'; SET statement_timeout = '30s'; "
                            "SET synchronize_seqscans = off; SET max_parallel_workers_per_gather = 0; SET jit = off"));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        return engineFailure(Fault::Unavailable, Action::Open, place,
                             QString::fromUtf8(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(conn)));
    }
    return Status::success();
}

Status connectionFailure(PGconn *conn, const Place &place, const QString &kept)
{
    const QString text = conn ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : QString();
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

Result<PgConn> openSession(const QString &conninfo, const char *sessionAttrs)
{
    // The tools write, and take the primary among several hosts.
    if (!sessionAttrs && splitsSessions(conninfo))
        sessionAttrs = "read-write";
    const Place place{placeName(conninfo), DatabaseKind::Server};
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
    const char *values[] = {"5", "5", "2", "3", "11000", "tavro", info.constData(), sessionAttrs, nullptr};
    PgConn conn(PQconnectdbParams(keywords, values, 1));
    if (!conn || PQstatus(conn.get()) != CONNECTION_OK)
        return connectionFailure(conn.get(), place, {});
    if (Status prepared = prepareSession(conn.get(), place); !prepared)
        return prepared;
    return conn;
}

} // namespace tavro::pg
