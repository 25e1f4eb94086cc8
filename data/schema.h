#pragma once

#include <QString>
#include <QStringList>

namespace SQLite { class Database; }

namespace tavro {

// The file's name, beside the program and in the working folder alike.
inline constexpr char kDatabaseFileName[] = "BD2003.mdb";

// Tables and their columns, in the order the tables are created.
inline constexpr const char *kCodeColumns[] = {"AGENCE", "CPOSTALE", "PROVINCE", "REGION"};
inline constexpr const char *kTeleColumns[] = {"AGENCE", "TEL", "PROVINCE", "REGION", "ADRESSE", "FAX"};
inline constexpr const char *kQrtColumns[] = {"QUARTIER", "CPOSTALE", "PROVINCE"};

struct TableDef {
    const char *name;
    const char *const *columns;
    int columnCount;
};

inline constexpr TableDef kTables[] = {
    {"CODE", kCodeColumns, 4},
    {"TELE", kTeleColumns, 6},
    {"QRT", kQrtColumns, 3},
};

// A table's column names.
QStringList columnNames(const TableDef &table);

// Creates the three tables in an empty database (tools only; the program
// itself never creates or alters the file).
void createSchema(SQLite::Database &db);

} // namespace tavro
