#pragma once

#include "data/tablewriter.h"
#include "tools/accessimport.h"

#include <functional>
#include <memory>

namespace tavro {

// Where an import's rows come from: an Access file (read with libmdb's
// help), or a BD2003.mdb of the program's own (SQLite), as when a branch
// moves its file onto a server. Either is only ever read.
class ImportSource {
public:
    virtual ~ImportSource() = default;

    // Opens the source and checks that it holds the program's tables and
    // columns; notes in the report what it leaves out. The failures say
    // what is wrong with the source only.
    static Result<std::unique_ptr<ImportSource>> open(const ImportOptions &options, ImportReport *report);

    // Gives each row of the table, in the source's order, its values in
    // the table's column order; stops at the first failure, its own or the
    // receiver's.
    virtual Status eachRow(const TableDef &table, const std::function<Status(const RowValues &)> &receive) = 0;

    // Values read so far whose text held half of a UTF-16 pair alone, read
    // as U+FFFD.
    virtual qint64 loneSurrogates() const { return 0; }
};

} // namespace tavro
