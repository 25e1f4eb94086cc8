#include "data/postgres/pgschema.h"

#include "data/postgres/pgsession.h"
#include "data/postgres/pgwait.h"

namespace tavro::pg {

namespace {

// Read under the session's first path, which may still hold public: every
// function and operator named with its schema. A path the address, the
// role or the database sets is the administrator's choice; else a table
// CODE anywhere but public was put there by an owner on purpose, while one
// in public may be anybody's who can create there.
constexpr char kFindSchema[] = R"(
WITH named AS (
  SELECT p.name, p.place
  FROM pg_catalog.pg_settings s,
       pg_catalog.unnest(pg_catalog.current_schemas(false)) WITH ORDINALITY AS p(name, place)
  WHERE s.name OPERATOR(pg_catalog.=) 'search_path' AND s.source OPERATOR(pg_catalog.<>) 'default'
), holding AS (
  SELECT n.nspname AS name
  FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid OPERATOR(pg_catalog.=) c.relnamespace
  WHERE c.relname OPERATOR(pg_catalog.=) 'code' AND c.relkind OPERATOR(pg_catalog.=) ANY ('{r,p,v}'::pg_catalog."char"[])
    AND pg_catalog.has_schema_privilege(n.oid, 'USAGE') AND pg_catalog.has_table_privilege(c.oid, 'SELECT')
), ranked AS (
  SELECT named.name, CASE WHEN named.name OPERATOR(pg_catalog.=) ANY (SELECT name FROM holding) THEN 1 ELSE 2 END AS rank,
         named.place
  FROM named
  UNION ALL
  SELECT name, 3, 0 FROM holding WHERE name OPERATOR(pg_catalog.<>) 'public'
  UNION ALL
  SELECT 'public', 4, 0
)
SELECT chosen.name,
       pg_catalog.set_config('search_path', 'pg_catalog, ' OPERATOR(pg_catalog.||) pg_catalog.quote_ident(chosen.name)
                                            OPERATOR(pg_catalog.||) ', pg_temp', false)
FROM (SELECT name FROM ranked ORDER BY rank, place, name LIMIT 1) chosen
)";

} // namespace

Result<QString> useDataSchema(PGconn *conn)
{
    PgResult r = exchange(conn, [](PGconn *c) { return PQsendQuery(c, kFindSchema); });
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) != 1)
        return Status::failure(QStringLiteral("Le schéma des données n'a pas pu être choisi."))
            .withDetail(QString::fromUtf8(r ? PQresultErrorMessage(r.get()) : PQerrorMessage(conn)).trimmed());
    return QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
}

} // namespace tavro::pg
