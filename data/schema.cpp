#include "data/schema.h"

namespace tavro {

QStringList columnNames(const TableDef &table)
{
    QStringList names;
    for (const char *column : table.columns)
        names << QLatin1String(column);
    return names;
}

TableRow &TableRow::set(int column, const std::optional<QString> &value)
{
    m_values[column] = value ? std::optional(value->toUtf8()) : std::nullopt;
    return *this;
}

} // namespace tavro
