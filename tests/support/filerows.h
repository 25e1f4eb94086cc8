#pragma once

#include <QString>
#include <QStringList>

namespace tavro::test {

// The rows a query gives on a BD2003.mdb file, under the program's text
// rules: each row's values joined with '|', NULL as "<null>", the key CLE
// left out unless the query names it (see keptColumn()). One line saying
// why when the file does not open.
QStringList fileRows(const QString &path, const QString &sql);

// Whether a result column goes into the rows shown: the key a "SELECT *"
// gives beside the data only when the query names it.
bool keptColumn(const QString &sql, const QString &column);

} // namespace tavro::test
