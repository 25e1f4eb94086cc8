// The rows of an Access table, read page by page from the file. libmdb's own
// table scan is not used: it takes lengths and offsets from the page without
// checking them, reads a moved row at its new place (out of order, and again
// after it was deleted), follows a memo's page chain without end and turns
// Jet 4 text into UCS-2, which has no room for characters beyond the Basic
// Multilingual Plane.
#include "tools/accessfile_p.h"

#include <QUuid>

#include <mdbtools.h>

#include <cstring>
#include <set>

namespace tavro::access {

namespace {

quint16 u16(const unsigned char *p)
{
    return quint16(p[0] | p[1] << 8);
}
quint32 u24(const unsigned char *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16;
}
quint32 u32(const unsigned char *p)
{
    return u24(p) | quint32(p[3]) << 24;
}

// A row's slot flags: the row was deleted (or is the new place of a moved
// row, which its old place leads to), or the row moved and its slot holds
// the new place.
constexpr quint16 kDeleted = 0x8000;
constexpr quint16 kMoved = 0x4000;
constexpr int kOffsetMask = 0x1fff;
constexpr int kMemoHeader = 12;

struct Span {
    int start = 0;
    int end = 0;
    quint16 flags = 0;
};

// Where a row lies on its page: its start and the start of the row before
// it (rows fill the page from its end), both inside the page and after the
// table of slots.
std::optional<Span> rowSpan(const unsigned char *page, int pageSize, int countOffset, int slot)
{
    const int slots = u16(page + countOffset);
    const int firstFree = countOffset + 2 + 2 * slots;
    if (slot < 0 || slot >= slots || firstFree > pageSize)
        return std::nullopt;
    const quint16 raw = u16(page + countOffset + 2 + 2 * slot);
    const int start = raw & kOffsetMask;
    const int end = slot == 0 ? pageSize : u16(page + countOffset + 2 * slot) & kOffsetMask;
    if (start < firstFree || start >= end || end > pageSize)
        return std::nullopt;
    return Span{start, end, quint16(raw & (kDeleted | kMoved))};
}

// Whether any of the bits from..to is set.
bool bitsFrom(const unsigned char *bits, quint64 from, quint64 to)
{
    for (quint64 i = from; i < to; ++i) {
        if (bits[i / 8] & (1 << (i % 8)))
            return true;
    }
    return false;
}

bool isDataPageOf(const std::vector<unsigned char> &page, quint32 definition)
{
    return page[0] == 0x01 && u32(page.data() + 4) == definition;
}

} // namespace

int fixedSize(int type)
{
    switch (type) {
    case MDB_BYTE:
        return 1;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
    case MDB_FLOAT:
        return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return 8;
    case MDB_REPID:
        return 16;
    case MDB_NUMERIC:
        return 17;
    }
    return -1;
}

RowCursor::RowCursor(std::unique_ptr<Private> p)
    : d(std::move(p))
{
}

RowCursor::~RowCursor() = default;

Result<bool> RowCursor::next()
{
    m_values.clear();
    return d->next(&m_values);
}

qint64 RowCursor::loneSurrogates() const
{
    return d->loneSurrogates;
}

Status RowCursor::Private::damaged(const QString &why) const
{
    return damagedTable(*file, table.name, read + 1, why);
}

// The next page after `after` that the table's usage map names, 0 after
// the last. Damage to the map cannot make rows up: a page it names past the
// end of the file or holding no row of the table adds none, and the count
// at the end of the scan tells whether rows went missing.
quint32 RowCursor::Private::nextPage(quint32 after)
{
    const auto *map = reinterpret_cast<const unsigned char *>(table.usageMap.constData());
    const qsizetype size = table.usageMap.size();
    const quint64 pages = file->pages();
    if (size >= 1 && map[0] == 0) {
        // The pages as bits, from a first page on.
        if (size < 5)
            return 0;
        const quint64 first = u32(map + 1);
        const quint64 bits = quint64(size - 5) * 8;
        const quint64 inFile = pages > first ? qMin(bits, pages - first) : 0;
        for (quint64 i = after >= first ? quint64(after) - first + 1 : 0; i < inFile; ++i) {
            if (map[5 + i / 8] & (1 << (i % 8)))
                return quint32(first + i);
        }
        pastEnd = bitsFrom(map + 5, inFile, bits);
        return 0;
    }
    if (size >= 1 && map[0] == 1) {
        // The bits kept on pages of their own, each for a stretch of the file.
        const quint64 perPage = quint64(file->pageSize() - 4) * 8;
        const qsizetype entries = (size - 1) / 4;
        quint64 from = quint64(after) + 1;
        for (qsizetype j = qsizetype(from / perPage); j < entries; ++j, from = quint64(j) * perPage) {
            const quint32 bitsPage = u32(map + 1 + 4 * j);
            if (bitsPage == 0)
                continue;
            if (bitsPage != mapPageNumber) {
                mapPageNumber = 0;
                if (!file->readPage(bitsPage, mapPage.data()) || mapPage[0] != 0x05) {
                    pastEnd = pastEnd || bitsPage >= pages;
                    continue;
                }
                mapPageNumber = bitsPage;
            }
            const quint64 stretch = quint64(j) * perPage;
            const quint64 end = stretch >= pages ? 0 : qMin(perPage, pages - stretch);
            for (quint64 i = from - stretch; i < end; ++i) {
                if (mapPage[4 + i / 8] & (1 << (i % 8)))
                    return quint32(stretch + i);
            }
            pastEnd = pastEnd || bitsFrom(mapPage.data() + 4, qMax(end, from - stretch), perPage);
        }
        return 0;
    }
    // A map of no known kind: every page of the file, in order.
    return quint64(after) + 1 < pages ? after + 1 : 0;
}

Result<bool> RowCursor::Private::next(QList<Value> *values)
{
    auto fail = [&](const Status &status) -> Result<bool> {
        failure = status;
        values->clear();
        return status;
    };
    if (!failure.ok())
        return failure;
    if (finished)
        return false;
    const int pageSize = file->pageSize();
    const int countOffset = file->rowCountOffset();
    for (;;) {
        if (pageNumber == 0 || slot >= slots) {
            const quint32 following = nextPage(pageNumber);
            if (following == 0) {
                finished = true;
                if (read != qint64(table.declaredRows))
                    return fail(damagedTable(
                        *file, table.name, 0,
                        (pastEnd ? QStringLiteral(
                             "sa définition compte %1 ligne(s), mais seules %2 se trouvent dans le fichier, qui est tronqué")
                                 : QStringLiteral("sa définition compte %1 ligne(s), mais %2 ont été trouvées"))
                            .arg(table.declaredRows)
                            .arg(read)));
                return false;
            }
            pageNumber = following;
            if (!file->readPage(pageNumber, page.data()))
                return fail(damaged(QStringLiteral("la page %1 ne peut pas être lue").arg(pageNumber)));
            slot = 0;
            // A page the map names that holds none of this table's rows
            // adds none: the count at the end tells whether any went missing.
            slots = isDataPageOf(page, table.definitionPage) ? u16(page.data() + countOffset) : 0;
            if (countOffset + 2 + 2 * slots > pageSize)
                return fail(
                    damaged(QStringLiteral("la table des emplacements de la page %1 déborde de la page").arg(pageNumber)));
            continue;
        }
        const int s = slot++;
        if (u16(page.data() + countOffset + 2 + 2 * s) & kDeleted)
            continue;
        if (read >= qint64(table.declaredRows))
            return fail(damagedTable(
                *file, table.name, 0,
                QStringLiteral("elle contient plus de lignes que les %1 que compte sa définition").arg(table.declaredRows)));
        std::optional<Span> span = rowSpan(page.data(), pageSize, countOffset, s);
        if (!span)
            return fail(damaged(QStringLiteral("l'emplacement %1 de la page %2 déborde de sa page").arg(s).arg(pageNumber)));
        // A row that grew too big for its page moved; its slot keeps where
        // it went. It is read here, in its place; its new place is skipped.
        const unsigned char *rowPage = page.data();
        for (int hops = 0; span->flags & kMoved; ++hops) {
            if (hops == 8 || span->end - span->start < 4)
                return fail(damaged(QStringLiteral("une ligne déplacée de la page %1 ne mène à aucune ligne").arg(pageNumber)));
            const int movedSlot = rowPage[span->start];
            const quint32 movedPage = u24(rowPage + span->start + 1);
            if (!file->readPage(movedPage, moved.data()) || !isDataPageOf(moved, table.definitionPage))
                return fail(damaged(
                    QStringLiteral("une ligne déplacée mène à la page %1, qui n'est pas une page de la table").arg(movedPage)));
            rowPage = moved.data();
            span = rowSpan(rowPage, pageSize, countOffset, movedSlot);
            if (!span)
                return fail(damaged(QStringLiteral("une ligne déplacée mène hors de la page %1").arg(movedPage)));
            // The new place is marked so that a scan passes over it, and is
            // the new place of that one row: a live row there would be
            // read twice and the moved one lost.
            if (!(span->flags & kDeleted))
                return fail(damaged(QStringLiteral("une ligne déplacée mène à l'emplacement %1 de la page %2, qui n'est pas "
                                                   "marqué comme nouvelle place d'une ligne")
                                        .arg(movedSlot)
                                        .arg(movedPage)));
            if (!movedTargets.insert(quint64(movedPage) << 8 | quint64(movedSlot)).second)
                return fail(damaged(QStringLiteral("deux lignes déplacées mènent à l'emplacement %1 de la page %2")
                                        .arg(movedSlot)
                                        .arg(movedPage)));
        }
        Result<bool> cracked = crack(rowPage, span->start, span->end, values);
        if (!cracked)
            return fail(cracked.status());
        ++read;
        return true;
    }
}

Result<bool> RowCursor::Private::crack(const unsigned char *p, int start, int end, QList<Value> *values)
{
    auto broken = [this] { return damaged(QStringLiteral("la ligne de la page %1 est incohérente").arg(pageNumber)); };
    const bool jet3 = file->jet3();
    const int countSize = jet3 ? 1 : 2;
    if (end - start < countSize + 1)
        return broken();
    const int rowColumns = jet3 ? p[start] : u16(p + start);
    // Deleted columns keep their place in the rows, so the table's highest
    // count bounds every row's.
    if (rowColumns > table.maxColumns)
        return broken();
    const int maskSize = (rowColumns + 7) / 8;
    const int mask = end - maskSize;
    if (mask < start + countSize)
        return broken();

    // Offsets of the variable columns from the row's start, one more than
    // there are columns: each column ends where the next begins.
    std::vector<int> &offsets = scratchOffsets;
    offsets.clear();
    int dataEnd = mask;
    if (table.hasVariableColumns) {
        if (jet3) {
            const int rowLength = end - start;
            const int varCount = p[mask - 1];
            int jumps = (rowLength - 1) / 256;
            const int last = mask - 2 - jumps; // the first offset, read backwards
            if ((last - start - varCount) / 256 < jumps)
                --jumps;
            if (last - varCount < start + countSize || mask - 1 - jumps < start + countSize)
                return broken();
            int used = 0;
            for (int i = 0; i <= varCount; ++i) {
                while (used < jumps && i == p[mask - 2 - used])
                    ++used;
                offsets.push_back(p[last - i] + used * 256);
            }
            dataEnd = last - varCount;
        } else {
            if (mask - 2 < start + countSize)
                return broken();
            const int varCount = u16(p + mask - 2);
            dataEnd = mask - 2 - 2 * (varCount + 1);
            if (dataEnd < start + countSize)
                return broken();
            for (int i = 0; i <= varCount; ++i)
                offsets.push_back(u16(p + mask - 4 - 2 * i));
        }
        for (size_t i = 0; i < offsets.size(); ++i) {
            const int previous = i == 0 ? countSize : offsets[i - 1];
            if (offsets[i] < previous || start + offsets[i] > dataEnd)
                return broken();
        }
    }
    const int varCount = offsets.empty() ? 0 : int(offsets.size()) - 1;
    const int fixedEnd = varCount > 0 ? start + offsets[0] : dataEnd;

    // A row written before a column was added has no bit for it in its mask
    // and no place for it: NULL. A column the mask says has a value must have
    // its place in the row, else the row is damaged, not the value missing.
    std::vector<Field> &fields = scratchFields;
    fields.assign(table.columns.size(), Field());
    for (size_t i = 0; i < table.columns.size(); ++i) {
        const TableShape::Col &col = table.columns[i];
        Field &f = fields[i];
        if (!col.damage.isEmpty() || col.number >= rowColumns)
            continue;
        f.null = !(p[mask + col.number / 8] & (1 << (col.number % 8)));
        if (f.null || col.type == MDB_BOOL)
            continue;
        if (col.fixed) {
            f.start = start + countSize + col.fixedOffset;
            f.size = col.size;
        } else if (col.varNumber < varCount) {
            f.start = start + offsets[size_t(col.varNumber)];
            f.size = offsets[size_t(col.varNumber) + 1] - offsets[size_t(col.varNumber)];
        } else {
            return damaged(QStringLiteral("la colonne %1 a une valeur mais pas de place dans sa ligne").arg(col.name));
        }
        if (f.start + f.size > (col.fixed ? fixedEnd : dataEnd))
            return damaged(QStringLiteral("la colonne %1 déborde de sa ligne").arg(col.name));
    }

    for (int index : wanted) {
        const TableShape::Col &col = table.columns[size_t(index)];
        const Field &f = fields[size_t(index)];
        if (col.type == MDB_BOOL) {
            // A yes/no column keeps its value in the null mask.
            values->append(col.number < rowColumns ? Value(QByteArray(f.null ? "0" : "1")) : std::nullopt);
            continue;
        }
        if (f.null) {
            values->append(std::nullopt);
            continue;
        }
        const unsigned char *at = p + f.start;
        Result<QByteArray> value = col.type == MDB_TEXT   ? text(col, at, f.size)
                                   : col.type == MDB_MEMO ? readMemo(col, at, f.size)
                                                          : otherType(col, at, f.size);
        if (!value)
            return value.status();
        values->append(Value(*value));
    }
    return true;
}

Result<QByteArray> RowCursor::Private::text(const TableShape::Col &col, const unsigned char *bytes, int size)
{
    if (size == 0)
        return QByteArray("");
    if (file->jet3())
        return file->codePageText(bytes, size);
    int replaced = 0;
    std::optional<QByteArray> decoded = jet4Text(bytes, size, col.compressible, &replaced);
    if (!decoded)
        return damaged(QStringLiteral("le texte de la colonne %1 est abîmé").arg(col.name));
    loneSurrogates += replaced > 0;
    return *decoded;
}

Result<QByteArray> RowCursor::Private::readMemo(const TableShape::Col &col, const unsigned char *field, int size)
{
    if (size == 0)
        return QByteArray("");
    auto broken = [&] { return damaged(QStringLiteral("le mémo de la colonne %1 ne peut pas être lu en entier").arg(col.name)); };
    if (size < kMemoHeader)
        return broken();
    // 12 bytes in the row: the length with two flags, then where the text
    // is when it is not in the row itself.
    const quint32 head = u32(field);
    const int length = int(head & 0x3fffffffu);
    // The declared length is that of what is stored, no more and no less:
    // a text longer than it would be cut short without a word.
    QByteArray bytes;
    if (head & 0x80000000u) {
        if (head & 0x40000000u || kMemoHeader + length != size)
            return broken();
        bytes = QByteArray(reinterpret_cast<const char *>(field + kMemoHeader), length);
    } else {
        // On pages of their own, in one piece or as a chain whose pieces each
        // start with where the next is; a chain ends with its declared
        // length and may not come back to a piece it has read.
        const bool single = head & 0x40000000u;
        const int skip = single ? 0 : 4;
        quint32 where = u32(field + 4);
        std::set<quint32> seen;
        while (where != 0 && bytes.size() < length) {
            if (!seen.insert(where).second || !file->readPage(where >> 8, memo.data()) || memo[0] != 0x01
                || memcmp(memo.data() + 4, "LVAL", 4) != 0)
                return broken();
            std::optional<Span> span = rowSpan(memo.data(), file->pageSize(), file->rowCountOffset(), int(where & 0xff));
            if (!span || span->end - span->start < skip)
                return broken();
            const int piece = span->end - span->start - skip;
            if (bytes.size() + piece > length)
                return broken();
            bytes.append(reinterpret_cast<const char *>(memo.data() + span->start + skip), piece);
            where = single ? 0 : u32(memo.data() + span->start);
        }
        if (bytes.size() != length || where != 0)
            return broken();
    }
    return text(col, reinterpret_cast<const unsigned char *>(bytes.constData()), int(bytes.size()));
}

Result<QByteArray> RowCursor::Private::otherType(const TableShape::Col &col, const unsigned char *field, int size)
{
    const int expected = fixedSize(col.type);
    if (expected < 0 || size != expected)
        return damaged(QStringLiteral("la valeur de la colonne %1 n'a pas la taille de son type").arg(col.name));
    if (col.type == MDB_REPID) {
        // The engine's own form: braces, five groups, the first three stored
        // little-endian.
        const QUuid id(u32(field), u16(field + 4), u16(field + 6), field[8], field[9], field[10], field[11], field[12], field[13],
                       field[14], field[15]);
        return id.toString(QUuid::WithBraces).toUpper().toLatin1();
    }
    // libmdb writes numbers, dates and identifiers as text; some of its
    // conversions read the page buffer, so the value goes there first.
    MdbHandle *mdb = file->mdb();
    memcpy(mdb->pg_buf, field, size_t(size));
    mdb->cur_pg = 0;
    char *text = col.type == MDB_NUMERIC ? mdb_numeric_to_string(mdb, 0, col.scale, col.precision)
                                         : mdb_col_to_string(mdb, mdb->pg_buf, 0, col.type, size);
    QByteArray value(text ? text : "");
    g_free(text);
    return value;
}

} // namespace tavro::access
