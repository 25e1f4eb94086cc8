// Jet 4 text: UTF-16, or "compressed" where the column allows it.
#include "tools/accessfile_p.h"

namespace tavro::access {

namespace {

quint16 u16(const unsigned char *p)
{
    return quint16(p[0] | p[1] << 8);
}

// UTF-16 (little-endian) to UTF-8, pairs of surrogates joined; half of a
// pair alone becomes U+FFFD. Gives how many it replaced.
int appendUtf16(QByteArray *out, const unsigned char *p, int units)
{
    int replaced = 0;
    for (int i = 0; i < units; ++i) {
        char32_t c = u16(p + 2 * i);
        if (c >= 0xd800 && c < 0xe000) {
            const char32_t low = i + 1 < units ? u16(p + 2 * (i + 1)) : 0;
            if (c < 0xdc00 && low >= 0xdc00 && low < 0xe000) {
                c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00);
                ++i;
            } else {
                c = 0xfffd;
                ++replaced;
            }
        }
        if (c < 0x80) {
            out->append(char(c));
        } else if (c < 0x800) {
            out->append(char(0xc0 | c >> 6)).append(char(0x80 | (c & 0x3f)));
        } else if (c < 0x10000) {
            out->append(char(0xe0 | c >> 12)).append(char(0x80 | (c >> 6 & 0x3f))).append(char(0x80 | (c & 0x3f)));
        } else {
            out->append(char(0xf0 | c >> 18)).append(char(0x80 | (c >> 12 & 0x3f)));
            out->append(char(0x80 | (c >> 6 & 0x3f))).append(char(0x80 | (c & 0x3f)));
        }
    }
    return replaced;
}

// "Compressed" Jet 4 text after its mark FF FE: runs of one-byte characters
// U+0001 to U+00FF and runs of UTF-16, each zero byte switching from one
// kind of run to the other. Fails on a UTF-16 run of an odd length.
std::optional<QByteArray> decompressed(const unsigned char *p, int size, int *replaced)
{
    QByteArray out;
    out.reserve(size + size / 2);
    bool compressed = true;
    int at = 2;
    int lone = 0;
    while (at < size) {
        int end = at;
        while (end < size && p[end] != 0)
            ++end;
        if (compressed) {
            for (int i = at; i < end; ++i) {
                if (p[i] < 0x80)
                    out.append(char(p[i]));
                else
                    out.append(char(0xc0 | p[i] >> 6)).append(char(0x80 | (p[i] & 0x3f)));
            }
        } else if ((end - at) % 2 != 0) {
            return std::nullopt;
        } else {
            lone += appendUtf16(&out, p + at, (end - at) / 2);
        }
        compressed = !compressed;
        at = end + 1;
    }
    *replaced += lone;
    return out;
}

} // namespace

std::optional<QByteArray> jet4Text(const unsigned char *p, int size, bool compressible, int *replaced)
{
    // The mark is only one where the column allows compression: elsewhere
    // FF FE is U+FEFF, the first character of a plain text. A text that
    // does not decompress was stored plain.
    if (compressible && size >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        if (std::optional<QByteArray> text = decompressed(p, size, replaced))
            return text;
    }
    if (size % 2 != 0)
        return std::nullopt;
    QByteArray out;
    out.reserve(size + size / 2);
    *replaced += appendUtf16(&out, p, size / 2);
    return out;
}

} // namespace tavro::access
