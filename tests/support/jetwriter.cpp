#include "support/jetwriter.h"

#include <QFile>
#include <QMap>
#include <QUuid>

#include <mdbtools.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavro::jetwriter {

namespace {

constexpr int kPage = 4096;
constexpr int kSlots = 14; // Jet 4: the table of row offsets starts here
constexpr int kInlineMemo = 1000;
constexpr int kMemoPiece = 4000;

void put16(char *at, quint32 v)
{
    at[0] = char(v & 0xff);
    at[1] = char(v >> 8 & 0xff);
}

void put32(char *at, quint32 v)
{
    put16(at, v & 0xffff);
    put16(at + 2, v >> 16);
}

quint32 get32(const char *at)
{
    const auto *u = reinterpret_cast<const unsigned char *>(at);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

QByteArray le16(quint32 v)
{
    QByteArray b(2, '\0');
    put16(b.data(), v);
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    put32(b.data(), v);
    return b;
}

// As the engine stores text. In a column with Unicode compression, a text
// whose every character fits one byte is "compressed" after the mark FF FE;
// one that begins with U+FEFF, whose bytes would pass for the mark, is
// written in the compressed form as well, in runs (a zero byte switches
// between one-byte characters and UTF-16). Any other text is UTF-16.
QByteArray encode(const QString &text, bool compressible)
{
    const auto oneByte = [](QChar c) { return c.unicode() > 0 && c.unicode() <= 0xff; };
    const QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    if (!compressible || text.isEmpty())
        return utf16;
    if (std::all_of(text.begin(), text.end(), oneByte))
        return QByteArray("\xff\xfe") + text.toLatin1();
    if (text.front() != QChar(0xfeff))
        return utf16;
    QByteArray out("\xff\xfe");
    bool inOneByte = true;
    for (QChar c : text) {
        if (oneByte(c) != inOneByte) {
            out += '\0';
            inOneByte = !inOneByte;
        }
        if (inOneByte)
            out += char(c.unicode());
        else
            out += char(c.unicode() & 0xff) + QByteArray(1, char(c.unicode() >> 8));
    }
    return out;
}

// An identifier as the engine stores it: its first three parts little-endian.
QByteArray guid(const QString &text)
{
    const QUuid id(text);
    QByteArray b(16, '\0');
    put32(b.data(), id.data1);
    put16(b.data() + 4, id.data2);
    put16(b.data() + 6, id.data3);
    memcpy(b.data() + 8, id.data4, 8);
    return b;
}

// A data page filled from its end, one row after the other.
class PageBuilder {
public:
    explicit PageBuilder(const QByteArray &owner)
        : m_page(kPage, '\0')
    {
        m_page[0] = 0x01;
        m_page[1] = 0x01;
        m_page.replace(4, 4, owner);
    }
    bool fits(qsizetype size) const { return kSlots + 2 * (m_count + 1) <= m_low - size; }
    int add(const QByteArray &row, quint16 flags)
    {
        m_low -= int(row.size());
        m_page.replace(m_low, row.size(), row);
        put16(m_page.data() + kSlots + 2 * m_count, quint32(m_low) | flags);
        return m_count++;
    }
    int count() const { return m_count; }
    QByteArray finish()
    {
        put16(m_page.data() + 2, quint32(m_low - kSlots - 2 * m_count));
        put16(m_page.data() + 12, quint32(m_count));
        return m_page;
    }

private:
    QByteArray m_page;
    int m_count = 0;
    int m_low = kPage;
};

struct Column {
    int number = 0;
    int varNumber = 0;
    int entry = 0; // its place among the definition's column entries
    bool fixed = false;
};

class Writer {
public:
    explicit Writer(QByteArray model)
        : m_file(std::move(model))
        , m_firstNew(quint32(m_file.size() / kPage))
    {
    }

    quint32 nextPage() const { return m_firstNew + quint32(m_added.size()); }
    quint32 append(const QByteArray &page)
    {
        m_added.append(page);
        return nextPage() - 1;
    }
    char *at(quint32 page, int offset) { return m_file.data() + qsizetype(page) * kPage + offset; }

    // A memo's 12 bytes in the row, its text inline, on a page of its own
    // or on a chain of pages.
    QByteArray memo(const QString &text, bool compressible)
    {
        const QByteArray data = encode(text, compressible);
        if (data.size() <= kInlineMemo)
            return le32(quint32(data.size()) | 0x80000000u) + le32(0) + le32(0) + data;
        const quint32 first = nextPage();
        if (data.size() <= kMemoPiece) {
            PageBuilder page("LVAL");
            page.add(data, 0);
            append(page.finish());
            return le32(quint32(data.size()) | 0x40000000u) + le32(first << 8) + le32(0);
        }
        const int pieces = int((data.size() + kMemoPiece - 1) / kMemoPiece);
        for (int i = 0; i < pieces; ++i) {
            PageBuilder page("LVAL");
            const quint32 next = i + 1 < pieces ? (first + quint32(i) + 1) << 8 : 0;
            page.add(le32(next) + data.mid(qsizetype(i) * kMemoPiece, kMemoPiece), 0);
            append(page.finish());
        }
        return le32(quint32(data.size())) + le32(first << 8) + le32(0);
    }

    Status table(MdbHandle *mdb, const Table &t);
    QByteArray result() const
    {
        QByteArray out = m_file;
        for (const QByteArray &p : m_added)
            out += p;
        return out;
    }

private:
    QByteArray m_file;
    quint32 m_firstNew;
    QList<QByteArray> m_added;
};

Status Writer::table(MdbHandle *mdb, const Table &t)
{
    MdbTableDef *def = mdb_read_table_by_name(mdb, const_cast<char *>(t.name.toUtf8().constData()), MDB_TABLE);
    if (!def || !mdb_read_columns(def))
        return Status::failure(QStringLiteral("no table %1 in the model").arg(t.name));
    const quint32 definition = quint32(def->entry->table_pg);
    const MdbFormatConstants *fmt = mdb->fmt;
    std::vector<Column> columns; // in the order of their null-mask bits
    QMap<int, int> entryOf;      // column number -> place among the definition's entries
    for (guint i = 0; i < def->num_cols; ++i) {
        const char *entry = at(definition, fmt->tab_cols_start_offset + int(def->num_real_idxs) * fmt->tab_ridx_entry_size
                                               + int(i) * fmt->tab_col_entry_size);
        entryOf[static_cast<unsigned char>(entry[fmt->col_num_offset])] = int(i);
    }
    QStringList names;
    for (guint i = 0; i < def->num_cols; ++i) {
        auto *c = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, i));
        columns.push_back({c->col_num, int(c->var_col_num), entryOf.value(c->col_num), bool(c->is_fixed)});
        names << QString::fromUtf8(c->name);
    }
    const int realIndexes = int(def->num_real_idxs);
    mdb_free_tabledef(def);
    if (std::any_of(columns.begin(), columns.end(), [](const Column &c) { return c.fixed; }))
        return Status::failure(QStringLiteral("table %1 has fixed-size columns").arg(t.name));
    const int entries = fmt->tab_cols_start_offset + realIndexes * fmt->tab_ridx_entry_size;
    auto entryOfColumn = [&](int i) { return at(definition, entries + fmt->tab_col_entry_size * columns[size_t(i)].entry); };

    // Added columns: an entry like the first column's, numbered after every
    // column the table had, and a name after the others; the rest of the
    // definition moves down to make room.
    for (const QString &name : t.addedColumns) {
        char *page = at(definition, 0);
        const int countAt = fmt->tab_num_cols_offset;
        const int maxColumns = int(get32(page + countAt - 4) & 0xffff);
        const int variable = int(get32(page + countAt - 2) & 0xffff);
        int namesEnd = entries + fmt->tab_col_entry_size * int(columns.size());
        for (size_t i = 0; i < columns.size(); ++i)
            namesEnd += 2 + int(get32(page + namesEnd) & 0xffff);
        const QByteArray encodedName =
            le16(quint32(name.size() * 2)) + QByteArray(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
        QByteArray entry(entryOfColumn(0), fmt->tab_col_entry_size);
        put16(entry.data() + fmt->col_num_offset, quint32(maxColumns));
        put16(entry.data() + fmt->tab_col_offset_var, quint32(variable));
        put16(entry.data() + fmt->tab_row_col_num_offset, quint32(columns.size()));
        const quint32 length = get32(page + 8);
        QByteArray definitionBytes(page, kPage);
        definitionBytes.insert(namesEnd, encodedName);
        definitionBytes.insert(entries + fmt->tab_col_entry_size * int(columns.size()), entry);
        const qsizetype grown = entry.size() + encodedName.size();
        if (length + grown + 8 > quint32(kPage)
            || std::any_of(definitionBytes.end() - grown, definitionBytes.end(), [](char c) { return c != 0; }))
            return Status::failure(QStringLiteral("no room for column %1 in the definition of %2").arg(name, t.name));
        definitionBytes.truncate(kPage);
        put32(definitionBytes.data() + 8, length + quint32(grown));
        put16(definitionBytes.data() + 2, quint32(kPage - 8) - length - quint32(grown));
        put16(definitionBytes.data() + countAt - 4, quint32(maxColumns + 1));
        put16(definitionBytes.data() + countAt - 2, quint32(variable + 1));
        put16(definitionBytes.data() + countAt, quint32(columns.size() + 1));
        memcpy(page, definitionBytes.constData(), kPage);
        columns.push_back({maxColumns, variable, int(columns.size()), false});
        names << name;
    }
    const int count = int(columns.size());

    // Memo and identifier columns: type and size in the definition; Unicode
    // compression on, but where asked off.
    for (int i = 0; i < count; ++i) {
        char *entry = entryOfColumn(i);
        if (t.memoColumns.contains(names[i])) {
            entry[0] = MDB_MEMO;
            put16(entry + fmt->col_size_offset, 0);
        } else if (t.guidColumns.contains(names[i])) {
            entry[0] = MDB_REPID;
            put16(entry + fmt->col_size_offset, 16);
        }
        entry[fmt->col_flags_offset + 1] = char(t.plainColumns.contains(names[i]) || entry[0] == MDB_REPID ? 0 : 1);
    }
    for (const QStringList &asked : {t.memoColumns, t.plainColumns, t.guidColumns}) {
        for (const QString &name : asked) {
            if (!names.contains(name))
                return Status::failure(QStringLiteral("no column %1 in %2").arg(name, t.name));
        }
    }

    // The rows as the engine writes them: the column count, the values of the
    // variable columns, their offsets backwards, their count, the null mask.
    auto encodeRow = [&](const Row &row) -> QByteArray {
        QByteArray data = le16(quint32(count));
        QByteArray mask((count + 7) / 8, '\0');
        std::vector<int> offsets(size_t(count) + 1);
        for (int v = 0; v < count; ++v) {
            const auto c = std::find_if(columns.begin(), columns.end(), [&](const Column &col) { return col.varNumber == v; });
            const int i = int(c - columns.begin());
            offsets[size_t(v)] = int(data.size());
            const std::optional<QString> value = i < row.values.size() ? row.values[i] : std::nullopt;
            if (!value)
                continue;
            mask[c->number / 8] = char(mask[c->number / 8] | 1 << (c->number % 8));
            const bool compressible = !t.plainColumns.contains(names[i]);
            data += t.memoColumns.contains(names[i])   ? memo(*value, compressible)
                    : t.guidColumns.contains(names[i]) ? guid(*value)
                                                       : encode(*value, compressible);
        }
        offsets[size_t(count)] = int(data.size());
        for (int i = count; i >= 0; --i)
            data += le16(quint32(offsets[size_t(i)]));
        return data + le16(quint32(count)) + mask;
    };

    const QByteArray owner = le32(definition);
    std::vector<quint32> pages;
    // Moved rows first: their new places, each leaving a pointer behind.
    QMap<int, QByteArray> pointers;
    PageBuilder movedPage(owner);
    QList<QPair<int, int>> pending; // row, slot on the moved rows' page being filled
    auto flushMoved = [&] {
        const quint32 number = append(movedPage.finish());
        pages.push_back(number);
        for (const auto &[r, s] : pending)
            pointers[r] = QByteArray(1, char(s)) + le32(number).left(3);
        pending.clear();
        movedPage = PageBuilder(owner);
    };
    for (int r = 0; r < t.rows.size(); ++r) {
        if (!t.rows[r].moved)
            continue;
        const QByteArray bytes = encodeRow(t.rows[r]);
        if (!movedPage.fits(bytes.size()))
            flushMoved();
        pending.append({r, movedPage.add(bytes, 0x8000)});
    }
    if (movedPage.count() > 0)
        flushMoved();

    PageBuilder page(owner);
    quint32 live = 0;
    for (int r = 0; r < t.rows.size(); ++r) {
        const Row &row = t.rows[r];
        const QByteArray bytes = row.moved ? pointers[r] : encodeRow(row);
        if (!page.fits(bytes.size())) {
            pages.push_back(append(page.finish()));
            page = PageBuilder(owner);
        }
        page.add(bytes, quint16((row.moved ? 0x4000 : 0) | (row.deleted ? 0xc000 : 0)));
        live += row.deleted ? 0 : 1;
    }
    if (page.count() > 0)
        pages.push_back(append(page.finish()));

    // The usage map: one page of bits per stretch of the file, named from
    // the map's row, which the definition points to.
    const quint32 perPage = (kPage - 4) * 8;
    QMap<quint32, QByteArray> bits;
    for (quint32 p : pages) {
        QByteArray &b = bits[p / perPage];
        if (b.isEmpty()) {
            b = QByteArray(kPage, '\0');
            b[0] = 0x05;
            b[1] = 0x01;
        }
        b[4 + (p % perPage) / 8] = char(b[4 + (p % perPage) / 8] | 1 << (p % 8));
    }
    const quint32 mapRow = get32(at(definition, fmt->tab_usage_map_offset));
    const quint32 mapPage = mapRow >> 8;
    const int slot = int(mapRow & 0xff);
    auto slotValue = [&](int s) { return int(get32(at(mapPage, kSlots + 2 * s)) & 0x1fff); };
    const int start = slotValue(slot);
    const int end = slot == 0 ? kPage : slotValue(slot - 1);
    if (end - start < 1 + 4 * int(bits.lastKey() + 1))
        return Status::failure(QStringLiteral("the usage map of %1 is too small").arg(t.name));
    memset(at(mapPage, start), 0, size_t(end - start));
    *at(mapPage, start) = 1;
    for (auto it = bits.begin(); it != bits.end(); ++it)
        put32(at(mapPage, start + 1 + 4 * int(it.key())), append(it.value()));

    put32(at(definition, fmt->tab_num_rows_offset), live);
    // The model's own rows of the table are gone.
    for (quint32 p = 1; p < m_firstNew; ++p) {
        if (*at(p, 0) == 0x01 && memcmp(at(p, 4), owner.constData(), 4) == 0)
            put16(at(p, 12), 0);
    }
    return Status::success();
}

} // namespace

Status write(const QString &model, const QString &out, const QList<Table> &tables)
{
    QFile in(model);
    if (!in.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("cannot read %1").arg(model));
    Writer writer(in.readAll());
    MdbHandle *mdb = mdb_open(QFile::encodeName(model).constData(), MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE) || mdb->fmt->pg_size != kPage) {
        if (mdb)
            mdb_close(mdb);
        return Status::failure(QStringLiteral("%1 is not a Jet 4 file").arg(model));
    }
    Status status;
    for (const Table &t : tables) {
        status = writer.table(mdb, t);
        if (!status)
            break;
    }
    mdb_close(mdb);
    if (!status)
        return status;
    QFile file(out);
    const QByteArray bytes = writer.result();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return Status::failure(QStringLiteral("cannot write %1").arg(out));
    return Status::success();
}

} // namespace tavro::jetwriter
