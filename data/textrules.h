#pragma once

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

// like() itself: does text match pattern, with an optional escape character.
bool likeMatch(const char *pattern, int patternLength, const char *text, int textLength,
               char32_t escape = 0);

} // namespace tavro
