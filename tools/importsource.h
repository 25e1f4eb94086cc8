#pragma once

#include "data/tablereader.h"
#include "tools/accessimport.h"

#include <memory>

namespace tavro {

// Where an import's rows come from: a database of the program's own (a
// BD2003.mdb, as when a branch moves its file onto a server), else an
// Access file (read with libmdb's help). Either is only ever read. Opens
// the source and checks that it holds the program's tables and columns;
// notes in the report what it leaves out. The failures say what is wrong
// with the source only.
Result<std::unique_ptr<TableReader>> openImportSource(const ImportOptions &options, ImportReport *report);

} // namespace tavro
