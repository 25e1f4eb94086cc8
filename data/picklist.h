#pragma once

#include "data/status.h"

#include <QStringList>

namespace SQLite { class Database; }

namespace tavro {

// Runs a pick-list query on a connection, reading forward, and appends the
// named column's value of each row, in the order returned, to items. A null
// value adds nothing; an empty text adds an empty item. When the query
// cannot run or a row cannot be read, the list stays as filled so far and
// the failure is returned. A null connection is a failure.
Status readPickList(SQLite::Database *db, const QString &sql, const QString &column, QStringList &items);

} // namespace tavro
