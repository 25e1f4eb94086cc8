#include "support/jetlayout.h"

#include <mdbtools.h>

namespace tavro::jetlayout {

quint32 get(const QByteArray &b, qsizetype at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | quint8(b[at + i]);
    return v;
}

QByteArray put(QByteArray b, qsizetype at, int size, quint32 value)
{
    for (int i = 0; i < size; ++i, value >>= 8)
        b[at + i] = char(value & 0xff);
    return b;
}

namespace {

// What libmdb knows of the file: its geometry and where the table's
// definition is.
struct Table {
    qsizetype definition = -1; // the definition page's first byte
    int pageSize = 0;
    bool jet3 = false;
    MdbFormatConstants fmt{};
};

Table find(const QByteArray &file, const QString &name)
{
    QByteArray copy = file;
    Table t;
    MdbHandle *mdb = mdb_open_buffer(copy.data(), size_t(copy.size()), MDB_NOFLAGS);
    if (!mdb)
        return t;
    if (mdb_read_catalog(mdb, MDB_TABLE)) {
        for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
            const auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (e->object_type == MDB_TABLE && name.compare(QString::fromUtf8(e->object_name), Qt::CaseInsensitive) == 0)
                t.definition = qsizetype(e->table_pg) * mdb->fmt->pg_size;
        }
    }
    t.pageSize = int(mdb->fmt->pg_size);
    t.jet3 = mdb->f->jet_version == MDB_VER_JET3;
    t.fmt = *mdb->fmt;
    mdb_close(mdb);
    return t;
}

} // namespace

ColumnEntry column(const QByteArray &file, const QString &table, const QString &name)
{
    const Table t = find(file, table);
    if (t.definition < 0)
        return {};
    const MdbFormatConstants &f = t.fmt;
    const int count = int(get(file, t.definition + f.tab_num_cols_offset, 2));
    const qsizetype entries = t.definition + f.tab_cols_start_offset
                              + qsizetype(get(file, t.definition + f.tab_num_ridxs_offset, 4)) * f.tab_ridx_entry_size;
    qsizetype at = entries + qsizetype(count) * f.tab_col_entry_size;
    for (int i = 0; i < count; ++i) {
        const int length = int(get(file, at, t.jet3 ? 1 : 2));
        at += t.jet3 ? 1 : 2;
        const QString read = t.jet3 ? QString::fromLatin1(file.mid(at, length))
                                    : QString::fromUtf16(reinterpret_cast<const char16_t *>(file.constData() + at), length / 2);
        if (read == name) {
            const qsizetype entry = entries + qsizetype(i) * f.tab_col_entry_size;
            return {entry + f.col_num_offset, entry + f.col_flags_offset, t.jet3 ? -1 : entry + f.col_flags_offset + 1};
        }
        at += length;
    }
    return {};
}

QList<Slot> rowSlots(const QByteArray &file, const QString &table)
{
    const Table t = find(file, table);
    QList<Slot> all;
    if (t.definition < 0 || t.jet3)
        return all;
    const quint32 owner = quint32(t.definition / t.pageSize);
    for (quint32 page = 1; qsizetype(page + 1) * t.pageSize <= file.size(); ++page) {
        const qsizetype p = qsizetype(page) * t.pageSize;
        if (file[p] != 0x01 || get(file, p + 4, 4) != owner)
            continue;
        const int count = int(get(file, p + t.fmt.row_count_offset, 2));
        for (int s = 0; s < count; ++s) {
            Slot slot;
            slot.page = page;
            slot.slot = s;
            slot.entry = p + t.fmt.row_count_offset + 2 + 2 * s;
            const quint32 raw = get(file, slot.entry, 2);
            slot.flags = quint16(raw & 0xc000);
            slot.start = p + (raw & 0x1fff);
            slot.end = p + (s == 0 ? t.pageSize : qsizetype(get(file, slot.entry - 2, 2) & 0x1fff));
            all << slot;
        }
    }
    return all;
}

QList<Slot> liveRows(const QByteArray &file, const QString &table)
{
    QList<Slot> live = rowSlots(file, table);
    live.removeIf([](const Slot &s) { return s.flags != 0; });
    return live;
}

qsizetype varCount(const QByteArray &file, const Slot &row)
{
    const int columns = int(get(file, row.start, 2));
    return row.end - (columns + 7) / 8 - 2;
}

qsizetype varValue(const QByteArray &file, const Slot &row, int varNumber)
{
    return row.start + get(file, varCount(file, row) - 2 - 2 * varNumber, 2);
}

QByteArray memoLength(const QByteArray &file, const QString &table, int varNumber, quint8 flags, int delta)
{
    for (const Slot &row : liveRows(file, table)) {
        const qsizetype at = varValue(file, row, varNumber);
        if ((quint8(file[at + 3]) & 0xc0) == flags && get(file, at, 3) > 0)
            return put(file, at, 3, get(file, at, 3) + quint32(delta));
    }
    return {};
}

} // namespace tavro::jetlayout
