// A table's definition. libmdb finds the table's row count and page map; the
// column entries are read here, since libmdb keeps neither the flag that lets
// a column hold "compressed" text nor the whole column number, and sorts the
// columns by a number that damage may have doubled.
#include "tools/accessfile_p.h"

#include <mdbtools.h>

#include <algorithm>

namespace tavro::access {

namespace {

quint16 u16(const unsigned char *p)
{
    return quint16(p[0] | p[1] << 8);
}
quint32 u32(const unsigned char *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

constexpr unsigned char kFixedLength = 0x01;       // in a column's flags
constexpr unsigned char kCompressedUnicode = 0x01; // in the byte after them (Jet 4)
// A definition goes on over further pages, each after its 8-byte header; an
// engine table of 255 columns and 32 indexes takes far fewer than this.
constexpr size_t kMaxDefinitionPages = 64;

// The definition's bytes, its pages put end to end as far as they are read:
// a damaged link to a further page matters only if that page is needed.
class DefinitionBytes {
public:
    explicit DefinitionBytes(JetFile &file)
        : m_file(file)
        , m_page(size_t(file.pageSize()))
    {
    }

    bool start(quint32 first)
    {
        if (first >= m_file.pages() || !m_file.readPage(first, m_page.data()) || m_page[0] != 0x02)
            return false;
        m_bytes = m_page;
        m_seen.push_back(first);
        return true;
    }

    // Whether the bytes up to `end` are there, reading further pages if need be.
    bool has(qint64 end)
    {
        while (qint64(m_bytes.size()) < end) {
            const quint32 next = u32(m_page.data() + 4);
            if (next == 0 || m_seen.size() == kMaxDefinitionPages || std::find(m_seen.begin(), m_seen.end(), next) != m_seen.end()
                || !m_file.readPage(next, m_page.data()))
                return false;
            m_seen.push_back(next);
            m_bytes.insert(m_bytes.end(), m_page.begin() + 8, m_page.end());
        }
        return true;
    }

    const unsigned char *at(qint64 offset) const { return m_bytes.data() + offset; }

private:
    JetFile &m_file;
    std::vector<unsigned char> m_page;
    std::vector<unsigned char> m_bytes;
    std::vector<quint32> m_seen;
};

// What the definition says of each column alone.
QString ownDamage(const TableShape::Col &col, int maxColumns, int pageSize)
{
    if (col.name.isEmpty())
        return QStringLiteral("a un nom illisible");
    if (col.number >= maxColumns)
        return QStringLiteral("porte le numéro %1, au-delà des %2 colonnes de la table").arg(col.number).arg(maxColumns);
    if (col.fixed && (col.type == MDB_TEXT || col.type == MDB_MEMO || col.type == MDB_OLE))
        return QStringLiteral("est marquée de longueur fixe, ce qu'une colonne de texte n'est jamais");
    if (col.fixed && col.type != MDB_BOOL && fixedSize(col.type) > 0 && col.size != fixedSize(col.type))
        return QStringLiteral("n'a pas la taille de son type");
    if (col.size > pageSize || (col.fixed && col.fixedOffset + col.size > pageSize))
        return QStringLiteral("déborde de la ligne");
    return {};
}

// Two columns that share what only one may have: a number, a place among the
// variable columns, a name. Neither can be trusted.
void markShared(std::vector<TableShape::Col> &columns)
{
    for (size_t i = 0; i < columns.size(); ++i) {
        for (size_t j = 0; j < columns.size(); ++j) {
            const TableShape::Col &a = columns[i];
            const TableShape::Col &b = columns[j];
            if (i == j || !columns[i].damage.isEmpty())
                continue;
            const QString other = b.name.isEmpty() ? QStringLiteral("n° %1").arg(b.number) : b.name;
            if (a.number == b.number)
                columns[i].damage = QStringLiteral("porte le même numéro (%1) que la colonne %2").arg(a.number).arg(other);
            else if (!a.fixed && !b.fixed && a.type != MDB_BOOL && b.type != MDB_BOOL && a.varNumber == b.varNumber)
                columns[i].damage =
                    QStringLiteral("a la même place parmi les colonnes de longueur variable que la colonne %1").arg(other);
            else if (!a.name.isEmpty() && a.name.compare(b.name, Qt::CaseInsensitive) == 0)
                columns[i].damage = QStringLiteral("porte le même nom qu'une autre colonne");
        }
    }
}

} // namespace

bool isEngineName(const QString &name)
{
    if (name.isEmpty() || name.size() > 64 || name.front() == QLatin1Char(' '))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x20 || c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('`')
               || c == QLatin1Char('[') || c == QLatin1Char(']') || c == QChar(0xfffd);
    });
}

Result<TableShape> readTableShape(JetFile &file, const QString &name, quint32 definitionPage)
{
    const auto unreadable = [&] { return damagedTable(file, name, 0, QStringLiteral("sa définition ne peut pas être lue")); };
    MdbCatalogEntry e{};
    e.mdb = file.mdb();
    e.object_type = MDB_TABLE;
    e.table_pg = definitionPage;
    qstrncpy(e.object_name, name.toUtf8().constData(), sizeof e.object_name);
    MdbTableDef *def = file.quietly([&] { return definitionPage < file.pages() ? mdb_read_table(&e) : nullptr; });
    // libmdb keeps the last page it read; what the reader puts in its
    // buffer later must not pass for it.
    file.mdb()->cur_pg = 0;
    if (!def)
        return unreadable();
    TableShape shape;
    shape.name = name;
    shape.definitionPage = definitionPage;
    shape.declaredRows = def->num_rows;
    shape.usageMap = QByteArray(reinterpret_cast<const char *>(def->usage_map), qsizetype(def->map_sz));
    mdb_free_tabledef(def);

    const MdbFormatConstants *fmt = file.mdb()->fmt;
    DefinitionBytes bytes(file);
    if (!bytes.start(definitionPage))
        return unreadable();
    const int countAt = fmt->tab_num_cols_offset;
    shape.maxColumns = u16(bytes.at(countAt - 4));
    shape.hasVariableColumns = u16(bytes.at(countAt - 2)) > 0;
    const int count = u16(bytes.at(countAt));
    const quint32 realIndexes = u32(bytes.at(fmt->tab_num_ridxs_offset));
    if (count > 256 || realIndexes > 256)
        return damagedTable(file, name, 0, QStringLiteral("sa définition est incohérente"));
    qint64 at = fmt->tab_cols_start_offset + qint64(realIndexes) * fmt->tab_ridx_entry_size;
    if (!bytes.has(at + qint64(count) * fmt->tab_col_entry_size))
        return unreadable();
    for (int i = 0; i < count; ++i, at += fmt->tab_col_entry_size) {
        const unsigned char *c = bytes.at(at);
        TableShape::Col col;
        col.type = c[0];
        col.number = u16(c + fmt->col_num_offset);
        col.varNumber = u16(c + fmt->tab_col_offset_var);
        col.fixed = c[fmt->col_flags_offset] & kFixedLength;
        col.compressible = !file.jet3() && (c[fmt->col_flags_offset + 1] & kCompressedUnicode);
        col.fixedOffset = u16(c + fmt->tab_col_offset_fixed);
        col.size = col.type == MDB_BOOL ? 0 : u16(c + fmt->col_size_offset);
        if (col.type == MDB_NUMERIC || col.type == MDB_MONEY || col.type == MDB_FLOAT || col.type == MDB_DOUBLE) {
            col.scale = c[fmt->col_scale_offset];
            col.precision = c[fmt->col_prec_offset];
        }
        shape.columns.push_back(col);
    }
    // The names, in the entries' order: Jet 3 in the file's code page, Jet 4
    // in UTF-16.
    const int lengthSize = file.jet3() ? 1 : 2;
    for (TableShape::Col &col : shape.columns) {
        if (!bytes.has(at + lengthSize))
            return unreadable();
        const int length = file.jet3() ? *bytes.at(at) : u16(bytes.at(at));
        at += lengthSize;
        if (!bytes.has(at + length))
            return unreadable();
        int replaced = 0;
        const std::optional<QByteArray> text =
            file.jet3() ? file.codePageText(bytes.at(at), length) : jet4Text(bytes.at(at), length, true, &replaced);
        at += length;
        const QString decoded = text ? QString::fromUtf8(*text) : QString();
        col.name = replaced == 0 && isEngineName(decoded) ? decoded : QString();
    }
    for (TableShape::Col &col : shape.columns)
        col.damage = ownDamage(col, shape.maxColumns, file.pageSize());
    markShared(shape.columns);
    std::stable_sort(shape.columns.begin(), shape.columns.end(),
                     [](const auto &a, const auto &b) { return a.number < b.number; });
    return shape;
}

} // namespace tavro::access
