#pragma once

#include "data/schema.h"
#include "data/status.h"

#include <QString>
#include <QStringList>

namespace tavro {

// How a tool's write treats what is there already.
struct WriteOptions {
    // Replace it: a file is kept beside the new one under a dated name
    // (.bak-YYYYMMDD-HHMMSS); a server's tables are emptied in the same
    // transaction. Otherwise a file that exists, or tables that hold rows,
    // are refused and left as they were.
    bool replace = false;
};

// What a write did besides the rows, for the tool to tell the user.
struct WriteNotes {
    QString backup;               // where the replaced file now is; empty if none was there
    QStringList removedLeftovers; // temporary files of interrupted writes to the same file
};

// What an upgrade did, for the tool to tell the user: each table, its rows
// and whether it was given the key now (else it had it).
struct UpgradedTable {
    QString name;
    qint64 rows = 0;
    bool keyed = false;
};
struct UpgradeNotes {
    QList<UpgradedTable> tables;
    QString backup; // where the file as it was now is; empty when nothing was replaced
};

// Fills the program's three tables, whichever engine holds them: the tools
// (sample data, import) write through it (Database::writer(),
// data/database/database.h). The tables and every row form one whole:
// nothing is seen, and nothing is changed, until commit() succeeds; a
// writer destroyed before that leaves the database as it was. Every failure
// says what was kept: nothing written.
class TableWriter {
public:
    virtual ~TableWriter() = default;

    // The data as messages name them.
    virtual QString where() const = 0;
    // The rows that follow go to this table (each table once, in any order).
    virtual Status startTable(const TableDef &table) = 0;
    virtual Status addRow(const RowValues &values) = 0;
    virtual Status commit() = 0;

    const WriteNotes &notes() const { return m_notes; }

protected:
    WriteNotes m_notes;
};

} // namespace tavro
