// Waiting on the server with a bound: libpq's asynchronous calls, and the
// socket polled with a time limit between them.
#include "data/postgres/pgwait.h"

#include <QRegularExpression>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>

namespace tavro::pg {

namespace {

// Waits for the socket (readable, or writable too), at most `ms`: the
// poll's count, 0 when the time ran out.
int waitOnSocket(PGconn *conn, bool toWrite, int ms)
{
    pollfd socket{PQsocket(conn), short(POLLIN | (toWrite ? POLLOUT : 0)), 0};
    int ready;
    do {
        ready = ::poll(&socket, 1, ms);
    } while (ready < 0 && errno == EINTR);
    return ready;
}

// The address's connect_timeout, as libpq reads it (a 1 counts as 2), or
// ours where it gives none, or none at all (0).
int connectSeconds(PGconn *conn)
{
    int seconds = 0;
    if (PQconninfoOption *options = PQconninfo(conn)) {
        for (const PQconninfoOption *o = options; o->keyword; ++o) {
            if (qstrcmp(o->keyword, "connect_timeout") == 0 && o->val)
                seconds = QByteArray(o->val).trimmed().toInt();
        }
        PQconninfoFree(options);
    }
    return seconds <= 0 ? kConnectSeconds : std::max(seconds, 2);
}

} // namespace

Heard awaitResult(PGconn *conn)
{
    for (;;) {
        // What a non-blocking connection could not send yet goes first.
        const int queued = PQflush(conn);
        if (queued < 0)
            return Heard::Broken;
        if (queued == 0 && !PQisBusy(conn))
            return Heard::Answer;
        const int ready = waitOnSocket(conn, queued > 0, kSilenceMs);
        if (ready == 0) {
            ::shutdown(PQsocket(conn), SHUT_RDWR);
            PQconsumeInput(conn); // libpq reads the end and marks the connection lost
            return Heard::Silence;
        }
        if (ready < 0 || !PQconsumeInput(conn))
            return Heard::Broken;
    }
}

PgResult exchange(PGconn *conn, const std::function<int(PGconn *)> &send, Heard *heard)
{
    Heard outcome = conn && send(conn) ? Heard::Answer : Heard::Broken;
    PgResult failed, last;
    while (outcome == Heard::Answer) {
        outcome = awaitResult(conn);
        if (outcome != Heard::Answer)
            break;
        PgResult r(PQgetResult(conn));
        if (!r)
            break;
        const ExecStatusType status = PQresultStatus(r.get());
        const bool copying = status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH;
        if ((status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE) && !failed)
            failed = std::move(r);
        else
            last = std::move(r);
        if (copying)
            break;
    }
    if (heard)
        *heard = outcome;
    if (failed)
        return failed;
    // Cut short: what came before the silence is no answer to the whole.
    return outcome == Heard::Answer ? std::move(last) : PgResult();
}

PgConn connectBounded(const char *const *keywords, const char *const *values)
{
    PgConn conn(PQconnectStartParams(keywords, values, 1));
    if (!conn || PQstatus(conn.get()) == CONNECTION_BAD)
        return conn;
    // The server's refusal then carries its SQLSTATE, by which it is worded:
    // never by its text, which comes in the server's language.
    PQsetErrorVerbosity(conn.get(), PQERRORS_VERBOSE);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(connectSeconds(conn.get()));
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || (PQsocket(conn.get()) >= 0 && waitOnSocket(conn.get(), state != PGRES_POLLING_READING, int(left)) == 0))
            break; // connection_timeout: the status stays short of CONNECTION_OK
        state = PQconnectPoll(conn.get());
    }
    if (state == PGRES_POLLING_OK)
        PQsetErrorVerbosity(conn.get(), PQERRORS_DEFAULT);
    return conn;
}

QByteArray connectionState(PGconn *conn)
{
    // The verbose form: "<severity>:  <SQLSTATE>: <message>".
    static const QRegularExpression code(QStringLiteral("\\S:  ([0-9A-Z]{5}): "));
    const QRegularExpressionMatch found = code.match(QString::fromUtf8(PQerrorMessage(conn)));
    return found.hasMatch() ? found.captured(1).toLatin1() : QByteArray();
}

} // namespace tavro::pg
