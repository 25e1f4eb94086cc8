#include "data/sqlite/sqlitestep.h"

#include <sqlite3.h>

namespace tavro {

Fault sqliteFault(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
        return Fault::None;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Fault::Busy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Fault::ReadOnly;
    case SQLITE_FULL:
        return Fault::Full;
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Fault::Unavailable;
    default:
        return Fault::Other;
    }
}

} // namespace tavro
