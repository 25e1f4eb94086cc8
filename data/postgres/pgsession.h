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

// How long a statement of the tools' may run on the server: a whole table
// copied in one statement. The program's own are limited far lower
// (pgwait.h).
inline constexpr int kCopyStatementSeconds = 30;

// libpq's or the server's text about a failure (the result's, else the
// connection's), without what conninfo must not show (conninfo.h).
QString errorText(PGconn *conn, const PGresult *result, const QString &conninfo);

// Sets what the program's texts need on a session (also after a
// reconnection), its statements stopped by the server after
// `statementSeconds`, the search path included (pgschema.h); the data's
// schema in `schema` when asked.
Status prepareSession(PGconn *conn, const Place &place, const QString &conninfo, int statementSeconds, QString *schema = nullptr);

// A connection that could not be made, or made again, worded by what
// happened: a password missing or refused, the database unknown, the
// account not allowed there, the server full, or else out of reach.
Status connectionFailure(PGconn *conn, const Place &place, const QString &conninfo, const QString &kept);

// Connects with the program's defaults (the connection string overrides
// them), every wait bounded (pgwait.h), and prepares the session; the data's
// schema in `schema` when asked. A string libpq would misread is refused
// before anything is sent. `sessionAttrs`, when given, overrides the
// string's target_session_attrs: which of several hosts is taken.
Result<PgConn> openSession(const QString &conninfo, int statementSeconds, QString *schema = nullptr,
                           const char *sessionAttrs = nullptr);

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
