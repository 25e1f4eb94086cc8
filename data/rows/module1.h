#pragma once

#include "data/connection.h"
#include "data/status.h"

#include <QString>

// The program-wide shared connection the record windows read their pick lists
// through. Every call of connect() replaces it with a newly opened connection.
namespace Module1 {

// Replaces the shared connection with a new connection to the database named
// for the program (data/setting/databasesetting.h), else to BD2003.mdb in the program's
// folder. On failure the shared connection is left unopened
// (connection() returns nullptr) and the reason is returned.
tavro::Status connect(tavro::Wait wait = tavro::Wait::ForBusy);

// The connection opened by the last connect(), or nullptr.
tavro::Connection *connection();

// The folder the shared connection looks in when no database is named: the
// program's own folder unless a test points it elsewhere.
QString programFolder();
void setProgramFolder(const QString &folder);

} // namespace Module1
