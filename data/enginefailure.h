#pragma once

#include "data/databasekind.h"
#include "data/status.h"

namespace tavro {

// What the program was doing when the engine failed: it decides what the
// message says was kept.
enum class Action {
    Open,   // opening the data
    Read,   // running a query: the rows shown stay
    Write,  // saving typed values: they stay in the fields
    Delete, // deleting a row: nothing was deleted
    Commit, // ending a write whose answer never came: it may have been made
};

// Where the data live, as messages name them: a file's full path, or a
// database on a server ("tavro sur le serveur 10.1.2.3").
struct Place {
    QString name;
    DatabaseKind kind = DatabaseKind::File;
};

// The one place an engine's failure becomes what a clerk reads: what
// happened to which data, what was kept, what to do. The engine's own text
// goes to the status's detail, never into the message.
Status engineFailure(Fault fault, Action action, const Place &where, const QString &engineText = {});

// A server stopped a statement that ran longer than it allows.
Status tooLongFailure(Action action, const Place &where, int seconds, const QString &engineText);

// The data lack a table or column a window's query names: the file or
// database is not the program's.
Status missingSchema(const Place &where, const QString &engineText);

// The data never opened: a window has no rows to count.
Status nothingToCount(const Place &where);

// The note a failed write ends with.
QString keptTypingNote();
// The note a failed read ends with.
QString keptRowsNote();

} // namespace tavro
