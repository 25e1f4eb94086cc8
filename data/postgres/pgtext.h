#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The windows' query texts are written for the users' old engine, which the
// SQLite file imitates. On a PostgreSQL server the same texts are respelled
// here, so that they give the same rows in the same order.
namespace tavro::pg {

// What the respelling needs to know of the tables a text names (as written
// in it): whether a table has the key CLE, and whether a column has the
// indexes of its pick list (listIndexSql()). Unknown: neither.
struct TableFacts {
    std::function<bool(const QString &table)> keyed;
    std::function<bool(const QString &table, const QString &column)> listed;
};

// The program's text rules, spelled for PostgreSQL (its columns carry the
// collation "ci", which "=", ORDER BY and GROUP BY follow already):
//  - LIKE, which PostgreSQL 15 refuses on such a column, compares the
//    normal forms of text and pattern code point by code point
//    (normalFormSql(), data/textform.h), with no escape character, as
//    SQLite's LIKE;
//  - ORDER BY puts NULLs first, as SQLite does;
//  - "SELECT DISTINCT col FROM table ..." gives each value in the order its
//    first row is met (by CLE, or by place in a table without it), spelled
//    as that row spells it, as SQLite does, without sorting every row.
QString withTextRules(const QString &sql, const TableFacts &facts = {});

// The normal form of a text expression (a column, a literal) as the
// server computes it; the same expression in a query and in an index.
QString normalFormSql(const QString &operand);

// The indexes a column's pick list reads through (withTextRules()): the
// column's values with the key, and the key of the rows whose value is
// null or too long for an index entry. `on` names the table as the
// statement must (with its schema).
QStringList listIndexSql(const QString &on, const QString &table, const QString &column);

// The rows in stored order (the key of each table of the FROM clause, or
// where a table lacks it and nothing else orders the rows, its places) and
// the row identities first in the select list (the key, or the place and
// version of each base table named as the server names it).
QString withStoredOrder(const QString &sql, const TableFacts &facts);
QString withIdentity(const QString &sql, const QStringList &tables, const TableFacts &facts);

// A row's place ctid ("(block,item)") packed in one number, and back.
qint64 packTid(const QByteArray &ctid);
QByteArray unpackTid(qint64 packed);

} // namespace tavro::pg
