#include "data/sqlite/textrules.h"

#include "data/textform.h"

#include <sqlite3.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>

namespace tavro {
namespace {

bool isAscii(const char *s, int n)
{
    return std::all_of(s, s + n, [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

UCollator *openCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open(kCollationLocale, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    return collator;
}

// Each ASCII character's place in ICU's order, 0 for one the collation
// ignores. At secondary strength an ASCII character has one weight and no
// accent, so two texts of them compare as the sequences of their places.
// Asked of ICU itself, once per process.
const std::array<unsigned char, 128> &asciiPlaces()
{
    static const std::array<unsigned char, 128> places = [] {
        std::array<unsigned char, 128> table{};
        UCollator *collator = openCollator();
        if (!collator)
            return table;
        std::array<UChar, 128> chars{};
        std::iota(chars.begin(), chars.end(), UChar(0));
        const auto compare = [&](UChar a, UChar b) { return ucol_strcoll(collator, &a, 1, &b, 1); };
        std::sort(chars.begin(), chars.end(), [&](UChar a, UChar b) { return compare(a, b) == UCOL_LESS; });
        const UChar nothing = 0;
        unsigned char place = 0;
        for (std::size_t i = 0; i < chars.size(); ++i) {
            if (ucol_strcoll(collator, &chars[i], 1, &nothing, 0) == UCOL_EQUAL)
                continue; // ignored: place 0
            if (i == 0 || table[chars[i - 1]] == 0 || compare(chars[i - 1], chars[i]) != UCOL_EQUAL)
                ++place;
            table[chars[i]] = place;
        }
        ucol_close(collator);
        return table;
    }();
    return places;
}

int compareAscii(const char *a, int n1, const char *b, int n2)
{
    const auto &places = asciiPlaces();
    int i = 0, j = 0;
    for (;;) {
        while (i < n1 && places[static_cast<unsigned char>(a[i])] == 0)
            ++i;
        while (j < n2 && places[static_cast<unsigned char>(b[j])] == 0)
            ++j;
        if (i == n1 || j == n2)
            return (i == n1 ? 0 : 1) - (j == n2 ? 0 : 1);
        const int pa = places[static_cast<unsigned char>(a[i++])], pb = places[static_cast<unsigned char>(b[j++])];
        if (pa != pb)
            return pa < pb ? -1 : 1;
    }
}

int collate(void *collator, int n1, const void *p1, int n2, const void *p2)
{
    return compareText(static_cast<const UCollator *>(collator), static_cast<const char *>(p1), n1, static_cast<const char *>(p2),
                       n2);
}

void closeCollator(void *collator)
{
    ucol_close(static_cast<UCollator *>(collator));
}

template <typename Seq>
bool matchForms(const Seq &p, const Seq &t, typename Seq::value_type escape)
{
    // Iterative matcher: remember the last '%' and retry from one character
    // further on failure; '_' takes exactly one character.
    std::size_t pi = 0, ti = 0;
    std::size_t starP = Seq::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size()) {
            auto pc = p[pi];
            if (escape && pc == escape && pi + 1 < p.size()) {
                if (p[pi + 1] == t[ti]) {
                    pi += 2;
                    ++ti;
                    continue;
                }
            } else if (pc == '%') {
                starP = pi++;
                starT = ti;
                continue;
            } else if (pc == '_' || pc == t[ti]) {
                ++pi;
                ++ti;
                continue;
            }
        }
        if (starP == Seq::npos)
            return false;
        pi = starP + 1;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == '%')
        ++pi;
    return pi == p.size();
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    // SQLite calls like(pattern, text [, escape]).
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    const auto *pattern = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int patternLength = sqlite3_value_bytes(argv[0]);
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    const int textLength = sqlite3_value_bytes(argv[1]);
    char32_t escape = 0;
    if (argc == 3) {
        const auto *e = reinterpret_cast<const char *>(sqlite3_value_text(argv[2]));
        const std::u32string esc = QString::fromUtf8(e, sqlite3_value_bytes(argv[2])).toStdU32String();
        if (esc.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = esc[0];
    }
    if (escape < 0x80 && isAscii(pattern, patternLength) && isAscii(text, textLength)) {
        sqlite3_result_int(ctx, likeMatch(pattern, patternLength, text, textLength, escape) ? 1 : 0);
        return;
    }
    // The pattern is the same for every row of a search: its normal form is
    // kept with the statement rather than made again row after row.
    const auto *kept = static_cast<const std::u32string *>(sqlite3_get_auxdata(ctx, 0));
    std::u32string made;
    if (!kept) {
        made = normalForm(pattern, patternLength);
        sqlite3_set_auxdata(ctx, 0, new std::u32string(made), [](void *form) { delete static_cast<std::u32string *>(form); });
    }
    sqlite3_result_int(ctx, likeMatchForm(kept ? *kept : made, text, textLength, escape) ? 1 : 0);
}

} // namespace

int compareText(const UCollator *collator, const char *a, int n1, const char *b, int n2)
{
    if (isAscii(a, n1) && isAscii(b, n2))
        return compareAscii(a, n1, b, n2);
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(collator, a, n1, b, n2, &status);
}

bool likeMatch(const char *pattern, int patternLength, const char *text, int textLength, char32_t escape)
{
    if (escape < 0x80 && isAscii(pattern, patternLength) && isAscii(text, textLength)) {
        // The normal form of ASCII text is its lower case.
        std::string p(pattern, std::size_t(patternLength)), t(text, std::size_t(textLength));
        const auto lower = [](char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); };
        std::transform(p.begin(), p.end(), p.begin(), lower);
        std::transform(t.begin(), t.end(), t.begin(), lower);
        return matchForms(p, t, lower(char(escape)));
    }
    return likeMatchForm(normalForm(pattern, patternLength), text, textLength, escape);
}

bool likeMatchForm(const std::u32string &patternForm, const char *text, int textLength, char32_t escape)
{
    const std::u32string e = escape ? normalForm(QString::fromStdU32String(std::u32string(1, escape))) : std::u32string();
    return matchForms(patternForm, normalForm(text, textLength), e.size() == 1 ? e[0] : escape);
}

void installTextRules(sqlite3 *db)
{
    // SQLite's Bloom filter, which a join through an automatic index
    // consults first, tells texts apart by their length in bytes: a name
    // with a no-break space or a soft hyphen would never meet the same name
    // without. It is turned off (SQLITE_BloomFilter, an optimisation bit).
    constexpr int kBloomFilter = 0x00080000;
    sqlite3_test_control(SQLITE_TESTCTRL_OPTIMIZATIONS, db, kBloomFilter);
    // A collator of its own per connection: a connection is used by one
    // thread at a time, a collator shared between threads need not be.
    if (UCollator *collator = openCollator())
        sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, collator, collate, closeCollator);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr, nullptr);
}

} // namespace tavro
