#pragma once

#include <QString>
#include <QStringList>

// The windows' query texts are written for the users' old engine, which the
// SQLite file imitates. On a PostgreSQL server the same texts are respelled
// here, so that they give the same rows in the same order.
namespace tavro::pg {

// The program's text rules, spelled for PostgreSQL (its columns carry a
// case-blind ICU collation, which "=" and ORDER BY follow already):
//  - LIKE, which PostgreSQL 15 refuses on such a column, becomes ILIKE under
//    a deterministic ICU collation, which folds the case of every letter
//    and keeps accents apart, with no escape character, as SQLite's LIKE;
//  - ORDER BY puts NULLs first, as SQLite does;
//  - "SELECT DISTINCT col FROM table ..." gives each value in the order its
//    first row is met, as SQLite does, rather than in hash order.
QString withTextRules(const QString &sql);

// The row identities first in the select list (ctid and xmin of each base
// table, named as the server names it), and the rows in table order where
// several tables are joined and nothing orders them, or to settle ties of
// what does. Empty when the text does not start with SELECT.
QString withIdentity(const QString &sql, const QStringList &tables);

// A row's place ctid ("(block,item)") packed in one number, and back.
qint64 packTid(const QByteArray &ctid);
QByteArray unpackTid(qint64 packed);

} // namespace tavro::pg
