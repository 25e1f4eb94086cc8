#pragma once

// Every wait on the server, bounded from this side. A server process that
// accepts and then says nothing (frozen, swapped out, behind a network that
// swallows packets) would otherwise keep a clerk waiting for ever: the
// server's own time limits cannot fire in a process that does not run, and
// TCP keep-alives do not reach a local socket. Not for other layers.

#include "data/postgres/pgsession.h"

#include <QByteArray>

#include <functional>

namespace tavro::pg {

// How long one of the program's statements may run on the server, which
// then stops it and says so (statement_timeout).
inline constexpr int kStatementSeconds = 8;
// How long the program waits without a word from the server: a statement's
// time on the server and a margin. Past it the connection is given up.
inline constexpr int kSilenceMs = kStatementSeconds * 1000 + 2000;
// How long connecting may take when the address does not say
// (connect_timeout): reaching the server, logging in, the session's start.
inline constexpr int kConnectSeconds = 5;

// What a wait on the server came to.
enum class Heard {
    Answer,  // a result can be read without waiting
    Silence, // nothing for kSilenceMs: the connection is shut and marked lost
    Broken,  // the connection failed
};

// Sends what is still queued and waits until PQgetResult can give the next
// result without blocking, the server silent kSilenceMs at most. On silence
// the socket is shut, so that a server that is alive after all drops the
// statement (client_connection_check_interval) and libpq sees the
// connection lost.
Heard awaitResult(PGconn *conn);

// One statement sent by `send` (a PQsend... call) and its results read as
// PQexec reads them: the first failure, else the last result; nullptr when
// nothing came back, `heard` telling why.
PgResult exchange(PGconn *conn, const std::function<int(PGconn *)> &send, Heard *heard = nullptr);

// PQconnectdbParams, with every wait bounded (the address's connect_timeout,
// else kConnectSeconds) and the server's refusal kept with its SQLSTATE
// (connectionState()). nullptr only when libpq has no memory left.
PgConn connectBounded(const char *const *keywords, const char *const *values);

// The SQLSTATE of the server's refusal of a connection made by
// connectBounded(), or an empty array (no answer, network, libpq's own).
QByteArray connectionState(PGconn *conn);

} // namespace tavro::pg
