#include "tools/accessfile.h"

#include "data/opendb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <iconv.h>

#include <vector>

namespace tavro::access {

namespace {

QString typeName(int type)
{
    switch (type) {
    case MDB_BOOL: return QStringLiteral("Oui/Non");
    case MDB_BYTE: return QStringLiteral("Octet");
    case MDB_INT: return QStringLiteral("Entier");
    case MDB_LONGINT: return QStringLiteral("Entier long");
    case MDB_MONEY: return QStringLiteral("Monétaire");
    case MDB_FLOAT: return QStringLiteral("Réel simple");
    case MDB_DOUBLE: return QStringLiteral("Réel double");
    case MDB_DATETIME: return QStringLiteral("Date/Heure");
    case MDB_BINARY: return QStringLiteral("Binaire");
    case MDB_TEXT: return QStringLiteral("Texte");
    case MDB_OLE: return QStringLiteral("Objet OLE");
    case MDB_MEMO: return QStringLiteral("Mémo");
    case MDB_REPID: return QStringLiteral("N° de réplication");
    case MDB_NUMERIC: return QStringLiteral("Décimal");
    case MDB_COMPLEX: return QStringLiteral("Complexe");
    }
    return QStringLiteral("type %1").arg(type);
}

bool readableType(int type)
{
    return type != MDB_BINARY && type != MDB_OLE && typeName(type) != QStringLiteral("type %1").arg(type);
}

// libmdb takes its code pages from the environment when it opens a file:
// set ours for the call and put the caller's back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

bool iconvKnows(const QByteArray &charset)
{
    iconv_t cd = iconv_open("UTF-8", charset.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

struct TableDefDeleter {
    void operator()(MdbTableDef *t) const { mdb_free_tabledef(t); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

} // namespace

struct AccessFile::Private {
    MdbHandle *mdb = nullptr;
    QString path;
    ~Private()
    {
        if (mdb)
            mdb_close(mdb);
    }

    MdbCatalogEntry *entry(const QString &name) const
    {
        if (!mdb->catalog)
            return nullptr;
        for (guint i = 0; i < mdb->catalog->len; ++i) {
            auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (e->object_type == MDB_TABLE && mdb_is_user_table(e)
                && QString::fromUtf8(e->object_name).compare(name, Qt::CaseInsensitive) == 0)
                return e;
        }
        return nullptr;
    }

    TableDefPtr readTable(const QString &name, QString *error) const
    {
        MdbCatalogEntry *e = entry(name);
        if (!e) {
            *error = QStringLiteral("La table %1 est absente du fichier %2.").arg(name, displayPath(path));
            return {};
        }
        TableDefPtr table(mdb_read_table(e));
        if (!table || !mdb_read_columns(table.get())) {
            *error = QStringLiteral("La table %1 du fichier %2 ne peut pas être lue.").arg(name, displayPath(path));
            return {};
        }
        return table;
    }
};

AccessFile::AccessFile(std::unique_ptr<Private> p)
    : d(std::move(p))
{
}

AccessFile::~AccessFile() = default;

std::unique_ptr<AccessFile> AccessFile::open(const QString &path, const OpenOptions &options, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        *error = QStringLiteral("Le fichier %1 est introuvable.").arg(displayPath(path));
        return {};
    }
    if (!looksLikeAccessFile(path)) {
        *error = QStringLiteral("Le fichier %1 n'est pas une base Access (Jet).").arg(displayPath(path));
        return {};
    }
    if (!options.charset.isEmpty() && !iconvKnows(options.charset)) {
        *error = QStringLiteral("Le jeu de caractères « %1 » est inconnu.").arg(QString::fromLatin1(options.charset));
        return {};
    }

    auto p = std::make_unique<Private>();
    p->path = path;
    {
        // Text always comes out as UTF-8, whatever the caller's environment says.
        ScopedEnv target("MDBICONV", "UTF-8");
        ScopedEnv jet3("MDB_JET3_CHARSET", options.charset);
        // No MDB_WRITABLE: libmdb opens the file for reading only.
        p->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    }
    if (!p->mdb || !mdb_read_catalog(p->mdb, MDB_TABLE)) {
        *error = QStringLiteral("Le fichier %1 ne peut pas être lu comme base Access : il est peut-être abîmé ou tronqué.")
                     .arg(displayPath(path));
        return {};
    }
    mdb_set_date_fmt(p->mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(p->mdb, "%Y-%m-%d");
    return std::unique_ptr<AccessFile>(new AccessFile(std::move(p)));
}

int AccessFile::jetVersion() const
{
    return d->mdb->f->jet_version == MDB_VER_JET3 ? 3 : 3 + int(d->mdb->f->jet_version);
}

QStringList AccessFile::tableNames() const
{
    QStringList names;
    GPtrArray *catalog = d->mdb->catalog;
    for (guint i = 0; catalog && i < catalog->len; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(catalog, i));
        if (e->object_type == MDB_TABLE && mdb_is_user_table(e))
            names << QString::fromUtf8(e->object_name);
    }
    return names;
}

QString AccessFile::findTable(const QString &name) const
{
    MdbCatalogEntry *e = d->entry(name);
    return e ? QString::fromUtf8(e->object_name) : QString();
}

QList<Column> AccessFile::columns(const QString &table, QString *error) const
{
    QList<Column> result;
    TableDefPtr def = d->readTable(table, error);
    if (!def)
        return result;
    for (guint i = 0; i < def->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, i));
        result.append({QString::fromUtf8(col->name), col->col_type, typeName(col->col_type), readableType(col->col_type)});
    }
    return result;
}

struct RowCursor::Private {
    MdbHandle *mdb = nullptr;
    TableDefPtr table;
    std::vector<int> wanted; // index into the table's columns, per asked column
    std::vector<MdbField> fields;
    std::vector<int> fieldOf; // column index -> index in fields
    QString tableName;

    QByteArray decode(const char *src, size_t length) const
    {
        if (length == 0)
            return QByteArray("");
        // One source byte gives at most three UTF-8 bytes (a compressed
        // Unicode character or a code-page character), two give at most four.
        QByteArray out(qsizetype(length) * 3 + 16, Qt::Uninitialized);
        const int n = mdb_unicode2ascii(mdb, src, length, out.data(), size_t(out.size()) - 1);
        out.resize(qMax(0, n));
        return out;
    }

    // A memo keeps a 12-byte header in the row and its text inline or on
    // one or more long-value pages; read every page, not a bound prefix.
    std::optional<QByteArray> memo(MdbColumn *col, const MdbField &field) const
    {
        if (field.siz < MDB_MEMO_OVERHEAD)
            return QByteArray("");
        const unsigned char *header = mdb->pg_buf + field.start;
        const quint32 declared = quint32(mdb_get_int32(const_cast<unsigned char *>(header), 0)) & 0x3fffffffu;
        std::vector<char> scratch(MDB_PGSIZE);
        memcpy(scratch.data(), header, MDB_MEMO_OVERHEAD);
        col->bind_ptr = scratch.data();
        size_t size = 0;
        void *raw = mdb_ole_read_full(mdb, col, &size);
        col->bind_ptr = nullptr;
        if (!raw)
            return std::nullopt;
        if (size < declared) {
            free(raw);
            return std::nullopt;
        }
        const QByteArray text = decode(static_cast<const char *>(raw), declared);
        free(raw);
        return text;
    }

    std::optional<QByteArray> other(MdbColumn *col, const MdbField &field) const
    {
        char *text = col->col_type == MDB_NUMERIC
            ? mdb_numeric_to_string(mdb, field.start, col->col_scale, col->col_prec)
            : mdb_col_to_string(mdb, mdb->pg_buf, field.start, col->col_type, field.siz);
        if (!text)
            return std::nullopt;
        QByteArray value(text);
        g_free(text);
        return value;
    }
};

std::unique_ptr<RowCursor> AccessFile::rows(const QString &table, const QStringList &columnNames, QString *error)
{
    TableDefPtr def = d->readTable(table, error);
    if (!def)
        return {};
    auto p = std::make_unique<RowCursor::Private>();
    p->mdb = d->mdb;
    p->tableName = QString::fromUtf8(def->name);
    for (const QString &name : columnNames) {
        int found = -1;
        for (guint i = 0; i < def->num_cols; ++i) {
            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, i));
            if (QString::fromUtf8(col->name).compare(name, Qt::CaseInsensitive) == 0)
                found = int(i);
        }
        if (found < 0) {
            *error = QStringLiteral("La colonne %1 est absente de la table %2 du fichier %3.")
                         .arg(name, p->tableName, displayPath(d->path));
            return {};
        }
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, guint(found)));
        if (!readableType(col->col_type)) {
            *error = QStringLiteral("La colonne %1 de la table %2 est de type %3 et ne contient pas de texte.")
                         .arg(name, p->tableName, typeName(col->col_type));
            return {};
        }
        // Nothing is bound: the values are read from the cracked row.
        col->bind_ptr = nullptr;
        col->len_ptr = nullptr;
        p->wanted.push_back(found);
    }
    p->fields.resize(def->num_cols);
    p->fieldOf.assign(def->num_cols, -1);
    mdb_rewind_table(def.get());
    p->table = std::move(def);
    return std::unique_ptr<RowCursor>(new RowCursor(std::move(p)));
}

RowCursor::RowCursor(std::unique_ptr<Private> p)
    : d(std::move(p))
{
}

RowCursor::~RowCursor() = default;

bool RowCursor::next()
{
    m_values.clear();
    if (!m_error.isEmpty() || !mdb_fetch_row(d->table.get()))
        return false;

    // mdb_fetch_row gives every value, but an empty text and a NULL alike as
    // "": crack the row it stopped on again to read its null mask. Columns
    // added after a row was written are missing from it and come back NULL.
    MdbHandle *mdb = d->mdb;
    const int row = int(d->table->cur_row) - 1;
    int start = 0;
    size_t size = 0;
    const int count = mdb_find_row(mdb, row, &start, &size) == 0
        ? mdb_crack_row(d->table.get(), start & 0x1fff, size, d->fields.data())
        : -1;
    if (count < 0) {
        m_error = QStringLiteral("Une ligne de la table %1 ne peut pas être lue.").arg(d->tableName);
        return false;
    }
    std::fill(d->fieldOf.begin(), d->fieldOf.end(), -1);
    for (int i = 0; i < count && i < int(d->fields.size()); ++i) {
        const int colnum = d->fields[size_t(i)].colnum;
        if (colnum >= 0 && colnum < int(d->fieldOf.size()))
            d->fieldOf[size_t(colnum)] = i;
    }

    for (int index : d->wanted) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(d->table->columns, guint(index)));
        const int f = d->fieldOf[size_t(index)];
        if (f < 0) {
            m_values.append(std::nullopt);
            continue;
        }
        const MdbField &field = d->fields[size_t(f)];
        if (col->col_type == MDB_BOOL) {
            // A yes/no column keeps its value in the null mask.
            m_values.append(QByteArray(field.is_null ? "0" : "1"));
        } else if (field.is_null) {
            m_values.append(std::nullopt);
        } else if (col->col_type == MDB_TEXT) {
            m_values.append(d->decode(reinterpret_cast<const char *>(mdb->pg_buf) + field.start, size_t(field.siz)));
        } else if (col->col_type == MDB_MEMO) {
            std::optional<QByteArray> text = d->memo(col, field);
            if (!text) {
                m_error = QStringLiteral("Le mémo %1 d'une ligne de la table %2 ne peut pas être lu en entier.")
                              .arg(QString::fromUtf8(col->name), d->tableName);
                m_values.clear();
                return false;
            }
            m_values.append(*text);
        } else {
            m_values.append(d->other(col, field));
        }
    }
    return true;
}

} // namespace tavro::access
