#pragma once

#include <QString>

struct sqlite3;
struct UCollator;

#include <string>

namespace tavro {

// The program's text rules on a SQLite connection (see data/textform.h):
// every connection the program or its tools open gets them before its
// first query.
//  - the collation NOCASE, which every text column declares, is replaced by
//    ICU's, the one the server's columns carry;
//  - like() matches the normal forms of pattern and text, code point by
//    code point, '%' and '_' as wildcards, with the optional ESCAPE.
// Plain sqlite3 tools still read the file with their ASCII NOCASE: no index
// is ever built on these columns (the key's own is an integer's), so
// PRAGMA integrity_check stays "ok".
void installTextRules(sqlite3 *db);

// The collation itself, on UTF-8 texts: negative, zero or positive as a
// sorts before, with or after b. Texts of ASCII characters only are
// compared through a table of ICU's own order of those characters.
int compareText(const UCollator *collator, const char *a, int n1, const char *b, int n2);

// like() itself: does text match pattern, with an optional escape character.
bool likeMatch(const char *pattern, int patternLength, const char *text, int textLength, char32_t escape = 0);
// The same, the pattern already in its normal form (textform.h).
bool likeMatchForm(const std::u32string &patternForm, const char *text, int textLength, char32_t escape = 0);

} // namespace tavro
