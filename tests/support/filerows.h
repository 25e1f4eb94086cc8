#pragma once

#include <QString>
#include <QStringList>

namespace tavro::test {

// The rows a query gives on a BD2003.mdb file, under the program's text
// rules: each row's values joined with '|', NULL as "<null>". One line
// saying why when the file does not open.
QStringList fileRows(const QString &path, const QString &sql);

} // namespace tavro::test
