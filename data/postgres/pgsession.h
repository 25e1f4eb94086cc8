#pragma once

// What the server engine's files share: libpq handles, sessions opened with
// the program's settings, and the server's failure codes. Not for other
// layers: they reach the server through Connection and TableWriter
// (data/connection.h, data/tablewriter.h), opened by data/database/.

#include "data/enginefailure.h"

#include <libpq-fe.h>

#include <memory>

namespace tavro::pg {

struct ResultDeleter {
    void operator()(PGresult *r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, ResultDeleter>;

struct ConnDeleter {
    void operator()(PGconn *c) const { PQfinish(c); }
};
using PgConn = std::unique_ptr<PGconn, ConnDeleter>;

// Whether a table ($1, as a query names it) has the key CLE the tools make:
// one row, "t" or "f".
inline constexpr char kHasKeySql[] =
    "SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_attribute WHERE attrelid OPERATOR(pg_catalog.=) pg_catalog.to_regclass($1) "
    "AND attname OPERATOR(pg_catalog.=) 'cle' AND attidentity OPERATOR(pg_catalog.<>) '' AND NOT attisdropped)";

// A SQLSTATE as a fault; any code is Unavailable once the connection is lost.
Fault faultOf(const char *state, bool connectionLost);

// The database, server and port a connection string names, as messages
// show them: never the password.
QString placeName(const QString &conninfo);

// Sets what the program's texts need on a session (also after a reconnection).
Status prepareSession(PGconn *conn, const Place &place);

// A connection that could not be made, or made again: a password missing
// or refused, or else the server out of reach or the database unknown.
Status connectionFailure(PGconn *conn, const Place &place, const QString &kept);

// Connects with the program's defaults (the connection string overrides
// them) and prepares the session. `sessionAttrs`, when given, overrides the
// string's target_session_attrs: which of several hosts is taken.
Result<PgConn> openSession(const QString &conninfo, const char *sessionAttrs = nullptr);

// How many hosts a connection string names (libpq's comma-separated lists).
int hostCount(const QString &conninfo);

// Whether look-ups and saves take sessions of their own: several hosts,
// and no target_session_attrs named by the string or PGTARGETSESSIONATTRS
// (an administrator who names one means that one for everything). With no
// attributes given, openSession() then takes the primary.
bool splitsSessions(const QString &conninfo);

// Whether the session is a standby's (in recovery).
bool isStandby(PGconn *conn);

// The database, host and port a session reached, as messages show them.
QString sessionPlace(PGconn *conn);

} // namespace tavro::pg
