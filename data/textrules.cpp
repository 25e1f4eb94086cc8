#include "data/textrules.h"

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

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int collate(void *, int n1, const void *p1, int n2, const void *p2)
{
    return compareText(static_cast<const char *>(p1), n1, static_cast<const char *>(p2), n2);
}

std::u32string foldedCodePoints(const char *s, int n)
{
    return folded(QString::fromUtf8(s, n)).toStdU32String();
}

template<typename Seq>
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

    const QString sa = QString::fromUtf8(a + i, n1 - i);
    const QString sb = QString::fromUtf8(b + i, n2 - i);
    if (const int primary = sign(baseLetters(sa).compare(baseLetters(sb))))
        return primary;
    return sign(folded(sa).compare(folded(sb)));
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
