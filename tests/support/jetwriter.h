#pragma once

// Writes Access (Jet 4) files of any size for the importer's benchmarks and
// tests, from a small real file taken as a model: its tables keep their
// definitions (but for the changes a Table asks for), their rows are
// replaced by the ones given, laid out in new pages at the end of the file
// the way the engine lays them out, with the usage map and the row count of
// each table rewritten to match. A memo stays in its row up to 1,000 bytes,
// takes a page of its own up to 4,000, and a chain of pages beyond.
#include "data/status.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavro::jetwriter {

struct Row {
    QList<std::optional<QString>> values; // one per column of the table, in its order
    bool moved = false;                   // kept on another page, its slot leading there
    bool deleted = false;                 // deleted (a moved row: deleted after it moved)
};

struct Table {
    QString name;
    QList<Row> rows;
    QStringList memoColumns; // text columns turned into memos
    // Text columns whose "Unicode compression" is off; the others have it
    // on, as the engine gives a new text column, and one-byte texts are
    // stored compressed there.
    QStringList plainColumns = {};
    // Text columns turned into identifiers (GUID), their values given as
    // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}". The engine keeps such a
    // column among the variable ones in some of its own tables; so does this.
    QStringList guidColumns = {};
    // Text columns added to the table, after its own, as the engine adds
    // them: numbered after every column it ever had.
    QStringList addedColumns = {};
};

// Copies `model` (a Jet 4 file) to `out` with the given tables' rows
// replaced; other tables are left as they are.
Status write(const QString &model, const QString &out, const QList<Table> &tables);

} // namespace tavro::jetwriter
