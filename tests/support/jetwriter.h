#pragma once

// Writes Access (Jet 4) files of any size for the importer's benchmarks and
// tests, from a small real file taken as a model: its tables keep their
// definitions, their rows are replaced by the ones given, laid out in new
// pages at the end of the file the way the engine lays them out, with the
// usage map and the row count of each table rewritten to match.
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
};

// Copies `model` (a Jet 4 file) to `out` with the given tables' rows
// replaced; other tables are left as they are.
Status write(const QString &model, const QString &out, const QList<Table> &tables);

} // namespace tavro::jetwriter
