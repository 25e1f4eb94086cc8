#pragma once

#include <QString>

struct sqlite3;

namespace tavro {

// The users' old engine compared text without regard to case for every
// letter, accented ones included, and sorted "École" among the E. SQLite's
// own NOCASE folds ASCII only, so every connection the program or its tools
// open gets these rules before its first query:
//  - the collation NOCASE (declared on every text column) is replaced by one
//    that orders by letters without accents or case first, then by accents,
//    and calls two texts equal when they differ in case only;
//  - like() matches without regard to case ("éc%" finds "ÉCOLE"), accents
//    still counting, '%' and '_' as wildcards, with the optional ESCAPE.
// Plain sqlite3 tools still read the file with their ASCII NOCASE; no index
// is ever built on these columns, so PRAGMA integrity_check stays "ok".
void installTextRules(sqlite3 *db);

// The collation NOCASE itself: negative, zero or positive as a sorts
// before, with or after b (UTF-8 texts).
int compareText(const char *a, int n1, const char *b, int n2);

// The rule the collation and like() follow, on whole strings: compareText
// and likeMatch take a shortcut through a table of the Latin letters, and
// must agree with it.
int compareTextByRule(const QString &a, const QString &b);
QString foldedByRule(const QString &s);

// like() itself: does text match pattern, with an optional escape character.
bool likeMatch(const char *pattern, int patternLength, const char *text, int textLength, char32_t escape = 0);

} // namespace tavro
