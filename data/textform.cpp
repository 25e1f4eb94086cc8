#include "data/textform.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <memory>

namespace tavro {

namespace {

struct CollatorCloser {
    void operator()(UCollator *c) const { ucol_close(c); }
};

// Blocks no code point of which the collation ignores: unassigned and
// private ones get weights of their own, as do ideographs and Hangul
// syllables; asking about them all would take ICU some 170 ms.
bool mayBeIgnored(UChar32 c)
{
    const int8_t type = u_charType(c);
    return type != U_UNASSIGNED && type != U_PRIVATE_USE_CHAR && type != U_SURROGATE && type != U_CONTROL_CHAR
           && !u_hasBinaryProperty(c, UCHAR_UNIFIED_IDEOGRAPH) && !(c >= 0xAC00 && c <= 0xD7A3);
}

std::vector<std::pair<char32_t, char32_t>> askIcu()
{
    std::vector<std::pair<char32_t, char32_t>> ranges;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCollator, CollatorCloser> collator(ucol_open(kCollationLocale, &status));
    if (U_FAILURE(status))
        return ranges;
    const UChar nothing[1] = {0};
    for (UChar32 c = 0; c <= 0x10FFFF; ++c) {
        if (!mayBeIgnored(c))
            continue;
        UChar unit[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(unit, length, c);
        if (ucol_strcoll(collator.get(), unit, length, nothing, 0) != UCOL_EQUAL)
            continue;
        if (!ranges.empty() && ranges.back().second + 1 == char32_t(c))
            ranges.back().second = char32_t(c);
        else
            ranges.emplace_back(char32_t(c), char32_t(c));
    }
    return ranges;
}

QString escaped(char32_t c)
{
    return c < 0x10000 ? QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'))
                       : QStringLiteral("\\U%1").arg(uint(c), 8, 16, QLatin1Char('0'));
}

std::u32string asciiForm(const char *s, int n)
{
    std::u32string out(std::size_t(n), U'\0');
    for (int i = 0; i < n; ++i) {
        const char c = s[i];
        out[std::size_t(i)] = char32_t(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return out;
}

using Units = std::u16string;

// ICU's case mapping into a buffer grown as ICU asks.
template <typename Map>
Units mapped(const Units &in, Map map)
{
    Units out(in.size() + 8, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = map(out.data(), int32_t(out.size()), in.data(), int32_t(in.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(std::size_t(length), u'\0');
        status = U_ZERO_ERROR;
        length = map(out.data(), int32_t(out.size()), in.data(), int32_t(in.size()), &status);
    }
    if (U_FAILURE(status))
        return in;
    out.resize(std::size_t(length));
    return out;
}

} // namespace

const std::vector<std::pair<char32_t, char32_t>> &ignoredRanges()
{
    static const std::vector<std::pair<char32_t, char32_t>> ranges = askIcu();
    return ranges;
}

bool isIgnored(char32_t c)
{
    const auto &ranges = ignoredRanges();
    const auto it = std::upper_bound(ranges.begin(), ranges.end(), c,
                                     [](char32_t v, const std::pair<char32_t, char32_t> &r) { return v < r.first; });
    return it != ranges.begin() && c <= std::prev(it)->second;
}

QString ignoredClass()
{
    QString out = QStringLiteral("[");
    for (const auto &[first, last] : ignoredRanges())
        out += first == last ? escaped(first) : escaped(first) + QLatin1Char('-') + escaped(last);
    return out + QLatin1Char(']');
}

std::u32string normalForm(const char *utf8, int length)
{
    if (std::all_of(utf8, utf8 + length, [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; }))
        return asciiForm(utf8, length);
    // UTF-8 to UTF-16, what the collation ignores left out on the way; a
    // malformed byte reads as U+FFFD.
    Units units;
    units.reserve(std::size_t(length));
    for (int i = 0; i < length;) {
        UChar32 c;
        U8_NEXT_OR_FFFD(utf8, i, length, c);
        if (isIgnored(char32_t(c)))
            continue;
        if (U_IS_BMP(c)) {
            units.push_back(char16_t(c));
        } else {
            units.push_back(U16_LEAD(c));
            units.push_back(U16_TRAIL(c));
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2 *nfkc = unorm2_getNFKCInstance(&status);
    if (U_SUCCESS(status)) {
        units = mapped(units, [nfkc](UChar *dest, int32_t capacity, const UChar *src, int32_t n, UErrorCode *error) {
            return unorm2_normalize(nfkc, src, n, dest, capacity, error);
        });
    }
    // The server lower-cases under its collation "und-x-icu": the root rules.
    units = mapped(units, [](UChar *dest, int32_t capacity, const UChar *src, int32_t n, UErrorCode *error) {
        return u_strToLower(dest, capacity, src, n, "und", error);
    });
    std::u32string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size();) {
        UChar32 c;
        U16_NEXT(units.data(), i, units.size(), c);
        if (c == 0x0307 && !out.empty() && out.back() == U'i')
            out.back() = U'\u0130'; // "İ" lower-cased is "i" and a combining dot
        else
            out.push_back(c == 0x03C2 ? U'\u03C3' : char32_t(c)); // final sigma
    }
    return out;
}

std::u32string normalForm(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return normalForm(utf8.constData(), int(utf8.size()));
}

} // namespace tavro
