#pragma once

// Where a session finds the data, and nothing else. Every statement the
// program and its tools send is read under a search path of pg_catalog
// first, then the data's own schema, then the session's temporary tables:
// a schema other roles may create in (public, before PostgreSQL 15) is never
// searched unless the data live there, and what the statements call is
// spelled pg_catalog.x besides, so that a function or operator planted in it
// is never preferred to the system's.

#include "data/status.h"

#include <libpq-fe.h>

namespace tavro::pg {

// Finds the data's schema and sets the session's search path to it:
//  1. when the address (options=-csearch_path=...), the role or the
//     database sets the session's path: the first schema of that path
//     holding a table CODE the role may read, else its first schema (where
//     the tools create the tables);
//  2. else a schema other than public holding such a table (the first by
//     name);
//  3. else public.
// Returns the schema; on failure the server's text is the status's detail.
Result<QString> useDataSchema(PGconn *conn);

} // namespace tavro::pg
