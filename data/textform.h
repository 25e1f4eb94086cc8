#pragma once

#include <QString>

#include <string>
#include <utility>
#include <vector>

// The one rule text is compared by, whichever engine holds it: ICU's root
// collation at secondary strength, case-blind for every letter while
// accents count. The file registers it through ICU's C API, the server has
// it as the collation "ci" of every text column: the same library, version
// and attributes, so that "=", ORDER BY, DISTINCT and GROUP BY agree.
//
// A typed prefix search (LIKE, '%' and '_' as wildcards) cannot use the
// collation on the server, so both engines match code points of one normal
// form of the pattern and of the stored text instead, chosen to agree with
// the collation (docs/developer.md lists the decisions per kind of text):
//   1. what the collation ignores is removed (soft hyphen, zero-width
//      space, byte-order mark, ...), control characters excepted;
//   2. NFKC: full-width and compatibility forms, ligatures like "ﬁ", a
//      no-break space, and an accent written apart from its letter;
//   3. lower case by ICU's root rules;
//   4. "i" with a dot above (from "İ") as one letter, and final sigma as
//      sigma, as the collation sees them.
// Text of ASCII characters only is its own lower case: both engines take
// that shortcut, which gives the same form.
namespace tavro {

// The ICU locale of the rule, as the server's collation names it.
inline constexpr char kCollationLocale[] = "und-u-ks-level2";

// The normal form of UTF-8 text, as code points.
std::u32string normalForm(const char *utf8, int length);
std::u32string normalForm(const QString &text);

// Ranges of code points the collation ignores (control characters left
// out), asked of ICU once per process.
const std::vector<std::pair<char32_t, char32_t>> &ignoredRanges();
bool isIgnored(char32_t c);

// The same set as a bracket expression of the server's regular expressions.
QString ignoredClass();

} // namespace tavro
