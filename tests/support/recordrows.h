#pragma once

// A small invented directory for the record-window tests, small enough that
// every expected result can be written out by hand: two directorates, three
// principal offices, an office listed twice in CODE, one with two telephone
// rows, one without any, an apostrophe, accents, and a null in each list.

#include "support/testdb.h"

#include <QVariant>

namespace tavro::test {

void fillRecordRows(TestDatabase &db);

} // namespace tavro::test
