#include "tools/accessfile.h"

#include "data/opendb.h"
#include "tools/accessfile_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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
    switch (type) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY: case MDB_FLOAT:
    case MDB_DOUBLE: case MDB_DATETIME: case MDB_TEXT: case MDB_MEMO: case MDB_REPID: case MDB_NUMERIC:
        return true;
    }
    return false;
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

const QString kRepair = QStringLiteral(
    "Ouvrez la base dans Access, faites « Compacter et réparer la base de données », puis relancez la conversion.");

Status unreadable(const QString &what, const QString &advice = {})
{
    return Status::failure(Fault::Unavailable, what, {}, advice);
}

// Refuses at once what is not a regular file a user may read: a folder,
// a pipe or a device would be misread or wait for ever.
Status checkSourceFile(const QString &path)
{
    const QString shown = displayPath(path);
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return unreadable(QStringLiteral("La base Access %1 est introuvable.").arg(shown),
                              QStringLiteral("Vérifiez le chemin du fichier."));
        if (errno == EACCES)
            return unreadable(QStringLiteral("La base Access %1 ne peut pas être lue : vous n'avez pas le droit d'ouvrir son dossier.").arg(shown),
                              QStringLiteral("Demandez le droit de lire ce dossier, ou copiez la base ailleurs."));
        return unreadable(QStringLiteral("La base Access %1 ne peut pas être lue.").arg(shown))
            .withDetail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISDIR(st.st_mode))
        return unreadable(QStringLiteral("%1 est un dossier, pas une base Access.").arg(shown),
                          QStringLiteral("Indiquez le fichier .mdb lui-même."));
    if (!S_ISREG(st.st_mode))
        return unreadable(QStringLiteral("%1 n'est pas un fichier ordinaire (tube, périphérique ou prise) : il ne peut pas être converti.").arg(shown),
                          QStringLiteral("Copiez la base Access dans un fichier, puis convertissez la copie."));
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        return unreadable(QStringLiteral("La base Access %1 ne peut pas être lue : vous n'avez pas le droit de la lire.").arg(shown),
                          QStringLiteral("Demandez le droit de lecture sur ce fichier, ou convertissez une copie que vous pouvez lire."));
    return Status::success();
}

} // namespace

JetFile::JetFile(MdbHandle *mdb, QString path, qint64 size)
    : m_mdb(mdb), m_path(std::move(path)), m_jet3(mdb->f->jet_version == MDB_VER_JET3),
      m_pageSize(int(mdb->fmt->pg_size)), m_rowCountOffset(mdb->fmt->row_count_offset),
      m_pages(quint32(size / mdb->fmt->pg_size))
{
    m_sink = ::memfd_create("libmdb-messages", MFD_CLOEXEC);
    m_saved = ::fcntl(2, F_DUPFD_CLOEXEC, 0);
}

JetFile::~JetFile()
{
    quietly([this] {
        mdb_close(m_mdb);
        return 0;
    });
    if (m_sink >= 0)
        ::close(m_sink);
    if (m_saved >= 0)
        ::close(m_saved);
}

void JetFile::begin()
{
    std::fflush(stderr);
    if (m_sink >= 0 && m_saved >= 0)
        ::dup2(m_sink, 2);
}

void JetFile::end()
{
    std::fflush(stderr);
    if (m_sink >= 0 && m_saved >= 0)
        ::dup2(m_saved, 2);
}

QString JetFile::messages() const
{
    if (m_sink < 0)
        return {};
    QByteArray text(4096, '\0');
    const ssize_t n = ::pread(m_sink, text.data(), size_t(text.size()), 0);
    text.resize(n > 0 ? qsizetype(n) : 0);
    return QString::fromLocal8Bit(text).trimmed();
}

bool JetFile::readPage(quint32 page, unsigned char *out)
{
    if (page >= m_pages)
        return false;
    // libmdb reads it: it also undoes the page encoding of encoded files.
    const bool read = quietly([&] { return mdb_read_alt_pg(m_mdb, page) == m_pageSize; });
    if (read)
        memcpy(out, m_mdb->alt_pg_buf, size_t(m_pageSize));
    return read;
}

Status damagedTable(const JetFile &file, const QString &table, qint64 row, const QString &why)
{
    const QString where = row > 0 ? QStringLiteral(" (ligne %1)").arg(row) : QString();
    return Status::failure(Fault::Unavailable,
                           QStringLiteral("La table %1 de la base Access %2 est abîmée : %3%4.")
                               .arg(table, displayPath(file.path()), why, where),
                           {}, kRepair)
        .withDetail(file.messages());
}

struct AccessFile::Private {
    std::unique_ptr<JetFile> file;

    MdbCatalogEntry *entry(const QString &name) const
    {
        GPtrArray *catalog = file->mdb()->catalog;
        for (guint i = 0; catalog && i < catalog->len; ++i) {
            auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(catalog, i));
            if (e->object_type == MDB_TABLE && mdb_is_user_table(e)
                && QString::fromUtf8(e->object_name).compare(name, Qt::CaseInsensitive) == 0)
                return e;
        }
        return nullptr;
    }

    Result<TableShape> shape(const QString &name) const
    {
        MdbCatalogEntry *e = entry(name);
        if (!e)
            return Status::failure(Fault::Unavailable,
                                   QStringLiteral("La table %1 est absente de la base Access %2.").arg(name, displayPath(file->path())));
        TableShape shape;
        shape.name = QString::fromUtf8(e->object_name);
        // libmdb reads the definition; what it gives is checked before use.
        MdbTableDef *def = file->quietly([&] {
            MdbTableDef *t = e->table_pg < file->pages() ? mdb_read_table(e) : nullptr;
            if (t && !mdb_read_columns(t)) {
                mdb_free_tabledef(t);
                t = nullptr;
            }
            return t;
        });
        // The engine's own pages: the first one is the header, not a table.
        file->mdb()->cur_pg = 0;
        if (!def)
            return damagedTable(*file, shape.name, 0, QStringLiteral("sa définition ne peut pas être lue"));
        shape.definitionPage = quint32(e->table_pg);
        shape.declaredRows = def->num_rows;
        shape.hasVariableColumns = def->num_var_cols > 0;
        shape.usageMap = QByteArray(reinterpret_cast<const char *>(def->usage_map), qsizetype(def->map_sz));
        bool sound = def->num_cols <= 256 && def->columns && def->columns->len == def->num_cols;
        for (guint i = 0; sound && i < def->num_cols; ++i) {
            auto *c = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, i));
            TableShape::Col col{QString::fromUtf8(c->name), c->col_type, int(c->col_num), int(c->var_col_num), int(c->fixed_offset),
                                int(c->col_size), bool(c->is_fixed), int(c->col_scale), int(c->col_prec)};
            sound = col.number >= 0 && col.number < 256 && col.varNumber >= 0 && col.size >= 0 && col.size <= file->pageSize()
                && (!col.fixed || (col.fixedOffset >= 0 && col.fixedOffset + col.size <= file->pageSize()));
            shape.columns.push_back(col);
        }
        mdb_free_tabledef(def);
        if (!sound)
            return damagedTable(*file, shape.name, 0, QStringLiteral("sa définition est incohérente"));
        return shape;
    }
};

AccessFile::AccessFile(std::unique_ptr<Private> p)
    : d(std::move(p))
{
}

AccessFile::~AccessFile() = default;

Result<std::unique_ptr<AccessFile>> AccessFile::open(const QString &path, const OpenOptions &options)
{
    if (Status usable = checkSourceFile(path); !usable)
        return usable;
    const QString shown = displayPath(path);
    // Opened once here and named through /proc afterwards: what is checked
    // is what libmdb reads, even if the name is changed meanwhile.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return unreadable(QStringLiteral("La base Access %1 ne peut pas être lue.").arg(shown))
            .withDetail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    char head[20] = {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const bool jet = regular && ::pread(fd, head, sizeof head, 0) == sizeof head
        && (memcmp(head + 4, "Standard Jet DB", 15) == 0 || memcmp(head + 4, "Standard ACE DB", 15) == 0);
    if (!jet) {
        ::close(fd);
        return unreadable(QStringLiteral("Le fichier %1 n'est pas une base Access (Jet).").arg(shown),
                          QStringLiteral("Indiquez le fichier BD2003.mdb de l'ancien programme."));
    }
    if (!options.charset.isEmpty() && !iconvKnows(options.charset)) {
        ::close(fd);
        return Status::failure(Fault::Refused,
                               QStringLiteral("Le jeu de caractères « %1 » est inconnu.").arg(QString::fromLatin1(options.charset)), {},
                               QStringLiteral("Indiquez un nom que connaît iconv, par exemple CP1252 ou CP850."));
    }

    MdbHandle *mdb = nullptr;
    QString said;
    {
        // Text always comes out as UTF-8, whatever the caller's environment says.
        ScopedEnv target("MDBICONV", "UTF-8");
        ScopedEnv jet3("MDB_JET3_CHARSET", options.charset);
        const QByteArray viaFd = "/proc/self/fd/" + QByteArray::number(fd);
        // Its messages are kept until there is a file to keep them with.
        std::fflush(stderr);
        const int saved = ::fcntl(2, F_DUPFD_CLOEXEC, 0);
        const int sinkFd = ::memfd_create("libmdb-open", MFD_CLOEXEC);
        if (sinkFd >= 0 && saved >= 0)
            ::dup2(sinkFd, 2);
        // No MDB_WRITABLE: libmdb opens the file for reading only.
        mdb = mdb_open(viaFd.constData(), MDB_NOFLAGS);
        std::fflush(stderr);
        if (sinkFd >= 0 && saved >= 0)
            ::dup2(saved, 2);
        if (sinkFd >= 0) {
            QByteArray text(4096, '\0');
            const ssize_t n = ::pread(sinkFd, text.data(), size_t(text.size()), 0);
            said = QString::fromLocal8Bit(text.left(n > 0 ? n : 0)).trimmed();
            ::close(sinkFd);
        }
        if (saved >= 0)
            ::close(saved);
    }
    ::close(fd);
    if (!mdb || mdb->fmt->pg_size <= 0 || mdb->fmt->pg_size > MDB_PGSIZE)
        return unreadable(QStringLiteral("Le fichier %1 ne peut pas être lu comme base Access : son en-tête est abîmé.").arg(shown), kRepair)
            .withDetail(said);
    auto p = std::make_unique<Private>();
    p->file = std::make_unique<JetFile>(mdb, path, qint64(st.st_size));
    const bool catalogue = p->file->quietly([&] { return mdb_read_catalog(mdb, MDB_TABLE) != nullptr; });
    mdb->cur_pg = 0;
    if (!catalogue)
        return unreadable(QStringLiteral("Le fichier %1 ne peut pas être lu comme base Access : sa liste des tables est abîmée ou le fichier est tronqué.").arg(shown),
                          kRepair)
            .withDetail(p->file->messages());
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d");
    return std::unique_ptr<AccessFile>(new AccessFile(std::move(p)));
}

int AccessFile::jetVersion() const
{
    const MdbHandle *mdb = d->file->mdb();
    return mdb->f->jet_version == MDB_VER_JET3 ? 3 : 3 + int(mdb->f->jet_version);
}

QStringList AccessFile::tableNames() const
{
    QStringList names;
    GPtrArray *catalog = d->file->mdb()->catalog;
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

Result<QList<Column>> AccessFile::columns(const QString &table) const
{
    Result<TableShape> shape = d->shape(table);
    if (!shape)
        return shape.status();
    QList<Column> result;
    for (const TableShape::Col &c : shape->columns)
        result.append({c.name, c.type, typeName(c.type), readableType(c.type)});
    return result;
}

Result<std::unique_ptr<RowCursor>> AccessFile::rows(const QString &table, const QStringList &columnNames)
{
    Result<TableShape> shape = d->shape(table);
    if (!shape)
        return shape.status();
    auto p = std::make_unique<RowCursor::Private>();
    p->file = d->file.get();
    p->table = std::move(*shape);
    for (const QString &name : columnNames) {
        const auto &cols = p->table.columns;
        const auto it = std::find_if(cols.begin(), cols.end(), [&](const TableShape::Col &c) {
            return c.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it == cols.end())
            return Status::failure(Fault::Unavailable, QStringLiteral("La colonne %1 est absente de la table %2 de la base Access %3.")
                                                           .arg(name, p->table.name, displayPath(d->file->path())));
        if (!readableType(it->type))
            return Status::failure(Fault::Refused, QStringLiteral("La colonne %1 de la table %2 est de type %3 : elle ne contient pas de texte.")
                                                       .arg(name, p->table.name, typeName(it->type)));
        p->wanted.push_back(int(it - cols.begin()));
    }
    const size_t pageSize = size_t(d->file->pageSize());
    p->page.resize(pageSize);
    p->moved.resize(pageSize);
    p->memo.resize(pageSize);
    p->mapPage.resize(pageSize);
    return std::unique_ptr<RowCursor>(new RowCursor(std::move(p)));
}

} // namespace tavro::access
