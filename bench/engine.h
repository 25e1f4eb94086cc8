#pragma once

// The limit every figure is set against: SQLite's own C API on a connection
// of its own, with the same text rules the program installs, stepping a
// query to its end and reading every column as text. Nothing else: no model,
// no widget, no copy.

#include <QString>

struct sqlite3;

namespace tavro::bench {

struct EngineResult {
    qint64 rows = 0;
    qint64 bytes = 0; // UTF-8 bytes of every non-null cell read as text
    bool ok = false;
};

class Engine {
public:
    explicit Engine(const QString &path);
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    bool isOpen() const { return m_db != nullptr; }

    // prepare, step every row reading each column as text, finalize.
    EngineResult step(const QString &sql) const;
    // SELECT COUNT(*) over the query, or -1.
    qint64 count(const QString &sql) const;
    // The first column of the first row as text ("" when none).
    QString value(const QString &sql) const;

private:
    sqlite3 *m_db = nullptr;
};

// Counts the statements every connection opened from now on starts, the
// program's own included, so a benchmark can show that something ran no
// query at all.
void countStatements();
qint64 statementsStarted();

} // namespace tavro::bench
