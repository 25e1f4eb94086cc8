#include "data/sqlite/textrules.h"

#include <QString>
#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace tavro {
namespace {

bool isAscii(const char *s, int n)
{
    return std::all_of(s, s + n, [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

unsigned char lowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// Letters without accents, case folded: the first sort key.
QString baseLetters(const QString &s)
{
    const QString decomposed = s.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    }
    return out.toCaseFolded();
}

// Case folded with accents kept: equality and the second sort key.
QString folded(const QString &s)
{
    return s.normalized(QString::NormalizationForm_C).toCaseFolded();
}

int sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// The letters of the users' texts: ASCII and the accented Latin letters up
// to U+024F. Each of them on its own gives one letter without accents or
// case (the first sort key) and one case-folded letter (equality and the
// second key), so texts made of them compare letter by letter, without the
// strings, normalisation and allocations of the general rule; that general
// rule stays for every other character. The table is built from the general
// rule itself, so both agree.
struct LetterKeys {
    char16_t base = 0;
    char16_t folded = 0;
    bool simple = false;
};
constexpr char32_t kSimpleEnd = 0x250;
constexpr char32_t kInvalid = 0xFFFFFFFF;

const LetterKeys *letterTable()
{
    static const std::vector<LetterKeys> table = [] {
        std::vector<LetterKeys> t(kSimpleEnd);
        for (char32_t c = 0; c < kSimpleEnd; ++c) {
            const QString one = QString(QChar(char16_t(c)));
            const QString b = baseLetters(one), f = folded(one);
            if (b.size() == 1 && f.size() == 1)
                t[c] = {b[0].unicode(), f[0].unicode(), true};
        }
        return t;
    }();
    return table.data();
}

// The code point at s[i], moving i past it; kInvalid for a malformed one.
char32_t nextCodePoint(const char *s, int n, int &i)
{
    const auto c0 = static_cast<unsigned char>(s[i++]);
    if (c0 < 0x80)
        return c0;
    int more = c0 >= 0xF0 ? 3 : c0 >= 0xE0 ? 2 : c0 >= 0xC0 ? 1 : -1;
    if (more < 0 || i + more > n)
        return kInvalid;
    char32_t c = c0 & (0x3F >> more);
    for (; more > 0; --more) {
        const auto cn = static_cast<unsigned char>(s[i++]);
        if ((cn & 0xC0) != 0x80)
            return kInvalid;
        c = (c << 6) | (cn & 0x3F);
    }
    return c;
}

const LetterKeys *simpleKeys(char32_t c)
{
    if (c >= kSimpleEnd)
        return nullptr;
    const LetterKeys *k = letterTable() + c;
    return k->simple ? k : nullptr;
}

// compareText for texts of simple letters; false when a text holds another.
bool compareSimple(const char *a, int n1, const char *b, int n2, int *result)
{
    int i = 0, j = 0, secondary = 0;
    while (i < n1 && j < n2) {
        const LetterKeys *ka = simpleKeys(nextCodePoint(a, n1, i));
        const LetterKeys *kb = simpleKeys(nextCodePoint(b, n2, j));
        if (!ka || !kb)
            return false;
        if (ka->base != kb->base) {
            *result = ka->base < kb->base ? -1 : 1;
            return true;
        }
        if (!secondary && ka->folded != kb->folded)
            secondary = ka->folded < kb->folded ? -1 : 1;
    }
    // One key is the start of the other: the longer text follows, provided
    // its rest is made of such letters too (each gives one letter of key).
    if (i < n1 || j < n2) {
        const bool aLonger = i < n1;
        const char *rest = aLonger ? a : b;
        const int n = aLonger ? n1 : n2;
        for (int k = aLonger ? i : j; k < n;) {
            if (!simpleKeys(nextCodePoint(rest, n, k)))
                return false;
        }
        *result = aLonger ? 1 : -1;
        return true;
    }
    *result = secondary;
    return true;
}

bool foldSimple(const char *s, int n, std::u32string &out)
{
    out.clear();
    out.reserve(std::size_t(n));
    for (int i = 0; i < n;) {
        const LetterKeys *k = simpleKeys(nextCodePoint(s, n, i));
        if (!k)
            return false;
        out.push_back(k->folded);
    }
    return true;
}

int collate(void *, int n1, const void *p1, int n2, const void *p2)
{
    return compareText(static_cast<const char *>(p1), n1, static_cast<const char *>(p2), n2);
}

std::u32string foldedCodePoints(const char *s, int n)
{
    std::u32string out;
    if (foldSimple(s, n, out))
        return out;
    return folded(QString::fromUtf8(s, n)).toStdU32String();
}

template <typename Seq>
bool matchFolded(const Seq &p, const Seq &t, typename Seq::value_type escape)
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
    sqlite3_result_int(ctx, likeMatch(pattern, patternLength, text, textLength, escape) ? 1 : 0);
}

} // namespace

// The collation: letters without accents or case first, then accents.
int compareText(const char *a, int n1, const char *b, int n2)
{
    // Most names are plain ASCII: decide on bytes as long as both sides are.
    const int common = std::min(n1, n2);
    int i = 0;
    for (; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if ((ca | cb) & 0x80)
            break;
        const unsigned char la = lowerAscii(ca), lb = lowerAscii(cb);
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    if (i == common && isAscii(a + i, n1 - i) && isAscii(b + i, n2 - i))
        return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);

    if (int result = 0; compareSimple(a + i, n1 - i, b + i, n2 - i, &result))
        return result;
    return compareTextByRule(QString::fromUtf8(a + i, n1 - i), QString::fromUtf8(b + i, n2 - i));
}

int compareTextByRule(const QString &a, const QString &b)
{
    if (const int primary = sign(baseLetters(a).compare(baseLetters(b))))
        return primary;
    return sign(folded(a).compare(folded(b)));
}

QString foldedByRule(const QString &s)
{
    return folded(s);
}

bool likeMatch(const char *pattern, int patternLength, const char *text, int textLength, char32_t escape)
{
    if (escape < 0x80 && isAscii(pattern, patternLength) && isAscii(text, textLength)) {
        std::string p(pattern, patternLength), t(text, textLength);
        std::transform(p.begin(), p.end(), p.begin(), [](char c) { return char(lowerAscii(c)); });
        std::transform(t.begin(), t.end(), t.begin(), [](char c) { return char(lowerAscii(c)); });
        return matchFolded(p, t, static_cast<char>(lowerAscii(static_cast<unsigned char>(escape))));
    }
    const std::u32string p = foldedCodePoints(pattern, patternLength);
    const std::u32string t = foldedCodePoints(text, textLength);
    char32_t e = escape;
    if (e) {
        const std::u32string fe = QString::fromStdU32String(std::u32string(1, e)).toCaseFolded().toStdU32String();
        e = fe.empty() ? escape : fe[0];
    }
    return matchFolded(p, t, e);
}

void installTextRules(sqlite3 *db)
{
    sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, collate, nullptr);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr, nullptr);
}

} // namespace tavro
