#include "data/schema.h"

#include <SQLiteCpp/Database.h>

namespace tavro {

namespace {

// Every column text, compared under the program's NOCASE. No key and no
// index: see textrules.h.
QString createTableSql(const TableDef &table)
{
    QString sql = QStringLiteral("CREATE TABLE %1 (").arg(QLatin1String(table.name));
    for (int i = 0; i < table.columnCount; ++i) {
        if (i)
            sql += QLatin1String(", ");
        sql += QLatin1String(table.columns[i]) + QLatin1String(" TEXT COLLATE NOCASE");
    }
    return sql + QLatin1Char(')');
}

} // namespace

QStringList columnNames(const TableDef &table)
{
    QStringList names;
    for (int i = 0; i < table.columnCount; ++i)
        names << QLatin1String(table.columns[i]);
    return names;
}

void createSchema(SQLite::Database &db)
{
    for (const TableDef &table : kTables)
        db.exec(createTableSql(table).toStdString());
}

} // namespace tavro
