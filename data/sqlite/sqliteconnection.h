#pragma once

#include "data/connection.h"

#include <QStringList>

namespace tavro {

// Opens a BD2003.mdb file (SQLite) as a connection; see openDatabase().
Result<std::unique_ptr<Connection>> connectToFile(const QString &path, Wait wait = Wait::ForBusy);

// The text with "<table>".rowid of each table put first in the select list:
// "SELECT CODE.AGENCE ..." -> "SELECT "CODE".rowid, CODE.AGENCE ...". The
// text after SELECT is kept byte for byte. Empty when there is no SELECT.
QString withRowids(const QString &sql, const QStringList &tables);

} // namespace tavro
