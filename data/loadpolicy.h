#pragma once

// What both engines do with a window's query and its result, written once
// beside the seam: which results can be edited, and the failures a load and
// a pick list share.

#include "data/connection.h"
#include "data/selecttext.h"
#include "data/status.h"

#include <QString>

#include <functional>

namespace tavro {

// Rows of DISTINCT, grouped or compound results stand for several base rows
// or none: true when the text has one of those keywords.
bool groupsRows(const QString &sql);

// The order rule of both engines: a text's rows end in the stored order
// of each table of its FROM clause, in that order, by the key each table's
// keyOf() gives (its CLE, or its place where it lacks one; empty: none
// needed), after whatever its own ORDER BY says. The text as it was when
// its FROM clause cannot be read.
QString inStoredOrder(const QString &sql, const std::function<QString(const FromTable &)> &keyOf);

// A result whose rows carry no identity: read, never edited; none of its
// columns comes from a base table.
void makeReadOnly(LoadedResult &result);

// A result too large for the memory left to hold it.
Status tooLargeFailure();

// A pick list's query gives no column of that name.
Status missingListColumn(const QString &column);

} // namespace tavro
