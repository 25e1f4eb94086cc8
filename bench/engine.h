#pragma once

// The limit every figure is set against: the engine's own client library on
// a connection of its own, running the same query to its end and reading
// every value as text. Nothing else: no model, no widget, no copy. For the
// file, SQLite's C API with the text rules the program installs; for a
// server, libpq fetching the whole result at once (PQexec) of the query as
// the server spells it, in a session set as the program sets its own.

#include <QString>

#include <memory>

namespace tavro::bench {

struct EngineResult {
    qint64 rows = 0;
    qint64 bytes = 0; // UTF-8 bytes of every non-null cell read as text
    bool ok = false;
};

class Engine {
public:
    virtual ~Engine() = default;

    virtual bool isOpen() const = 0;
    // A server works in a process of its own: its figures are wall time.
    virtual bool isServer() const = 0;

    // Runs the query, reading every row's columns as text.
    virtual EngineResult step(const QString &sql) const = 0;
    // Milliseconds until the query's first row is in hand (wall time).
    virtual double firstRowMs(const QString &sql) const = 0;
    // SELECT COUNT(*) over the query, or -1.
    virtual qint64 count(const QString &sql) const = 0;
    // The first column of the first row as text ("" when none).
    virtual QString value(const QString &sql) const = 0;
};

// A file path or a server connection string, as the program takes them.
std::unique_ptr<Engine> openEngine(const QString &database);

// Counts the statements every SQLite connection opened from now on starts,
// the program's own included, so a benchmark can show that something ran no
// query at all.
void countStatements();
qint64 statementsStarted();

} // namespace tavro::bench
