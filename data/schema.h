#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <string_view>

namespace tavro {

// A table of the program and its columns, in their order. The compiler
// counts the columns, and finds a column's place from its name: a name the
// table lacks does not compile, and a column added in the middle moves
// every place with it.
struct TableDef {
    const char *name;
    std::span<const char *const> columns;
    std::span<const char *const> listed;

    constexpr int columnCount() const { return int(columns.size()); }
    consteval int column(std::string_view wanted) const
    {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (wanted == columns[i])
                return int(i);
        }
        throw "no such column in this table"; // never reached in a constant: a compile error
    }
};

// Every table the tools make has, beside its columns, this key: a number
// given to each row as it is added, never given again, which saves and
// deletes find the row by and which orders the rows (see docs/developer.md).
// Tables made before it have none: they work as they did.
inline constexpr char kKeyColumn[] = "CLE";

inline constexpr const char *kCodeColumns[] = {"AGENCE", "CPOSTALE", "PROVINCE", "REGION"};
inline constexpr const char *kTeleColumns[] = {"AGENCE", "TEL", "PROVINCE", "REGION", "ADRESSE", "FAX"};
inline constexpr const char *kQrtColumns[] = {"QUARTIER", "CPOSTALE", "PROVINCE"};
// The columns a window's pick list gives the distinct values of: a server
// keeps indexes for them (data/postgres/pgtext.h).
inline constexpr const char *kCodeListed[] = {"REGION", "PROVINCE"};
inline constexpr const char *kQrtListed[] = {"PROVINCE"};

inline constexpr TableDef kCodeTable{"CODE", kCodeColumns, kCodeListed};
inline constexpr TableDef kTeleTable{"TELE", kTeleColumns, {}};
inline constexpr TableDef kQrtTable{"QRT", kQrtColumns, kQrtListed};

// The three tables, in the order they are created and filled.
inline constexpr TableDef kTables[] = {kCodeTable, kTeleTable, kQrtTable};

// A table's column names.
QStringList columnNames(const TableDef &table);

// One row's values in its table's column order, as UTF-8; nullopt is NULL.
using RowValues = QList<std::optional<QByteArray>>;

// A row filled column by column, each named:
//   TableRow(kCodeTable).set(kCodeTable.column("AGENCE"), agence)
// A column left unset is NULL.
class TableRow {
public:
    explicit TableRow(const TableDef &table)
        : m_values(table.columnCount())
    {
    }
    TableRow &set(int column, const std::optional<QString> &value);
    const RowValues &values() const { return m_values; }

private:
    RowValues m_values;
};

} // namespace tavro
