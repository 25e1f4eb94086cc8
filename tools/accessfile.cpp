#include "tools/accessfile.h"

#include "data/setting/paths.h"
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
    case MDB_BOOL:
        return QStringLiteral("Oui/Non");
    case MDB_BYTE:
        return QStringLiteral("Octet");
    case MDB_INT:
        return QStringLiteral("Entier");
    case MDB_LONGINT:
        return QStringLiteral("Entier long");
    case MDB_MONEY:
        return QStringLiteral("Monétaire");
    case MDB_FLOAT:
        return QStringLiteral("Réel simple");
    case MDB_DOUBLE:
        return QStringLiteral("Réel double");
    case MDB_DATETIME:
        return QStringLiteral("Date/Heure");
    case MDB_BINARY:
        return QStringLiteral("Binaire");
    case MDB_TEXT:
        return QStringLiteral("Texte");
    case MDB_OLE:
        return QStringLiteral("Objet OLE");
    case MDB_MEMO:
        return QStringLiteral("Mémo");
    case MDB_REPID:
        return QStringLiteral("N° de réplication");
    case MDB_NUMERIC:
        return QStringLiteral("Décimal");
    case MDB_COMPLEX:
        return QStringLiteral("Complexe");
    }
    return QStringLiteral("type %1").arg(type);
}

bool readableType(int type)
{
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
    case MDB_NUMERIC:
        return true;
    }
    return false;
}

// libmdb takes its code pages from the environment when it opens a file:
// set ours for the call and put the caller's back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
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
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return unreadable(QStringLiteral("La base Access %1 est introuvable.").arg(shown),
                              QStringLiteral("Vérifiez le chemin du fichier."));
        if (errno == EACCES)
            return unreadable(
                QStringLiteral("La base Access %1 ne peut pas être lue : vous n'avez pas le droit d'ouvrir son dossier.")
                    .arg(shown),
                QStringLiteral("Demandez le droit de lire ce dossier, ou copiez la base ailleurs."));
        return unreadable(QStringLiteral("La base Access %1 ne peut pas être lue.").arg(shown))
            .withDetail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISDIR(st.st_mode))
        return unreadable(QStringLiteral("%1 est un dossier, pas une base Access.").arg(shown),
                          QStringLiteral("Indiquez le fichier .mdb lui-même."));
    if (!S_ISREG(st.st_mode))
        return unreadable(
            QStringLiteral("%1 n'est pas un fichier ordinaire (tube, périphérique ou prise) : il ne peut pas être converti.")
                .arg(shown),
            QStringLiteral("Copiez la base Access dans un fichier, puis convertissez la copie."));
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        return unreadable(
            QStringLiteral("La base Access %1 ne peut pas être lue : vous n'avez pas le droit de la lire.").arg(shown),
            QStringLiteral("Demandez le droit de lecture sur ce fichier, ou convertissez une copie que vous pouvez lire."));
    return Status::success();
}

} // namespace

JetFile::JetFile(QString path, qint64 size)
    : m_path(std::move(path))
    , m_size(size)
{
    m_sink = ::memfd_create("libmdb-messages", MFD_CLOEXEC);
    m_savedOut = ::fcntl(1, F_DUPFD_CLOEXEC, 0);
    m_savedErr = ::fcntl(2, F_DUPFD_CLOEXEC, 0);
}

void JetFile::adopt(MdbHandle *mdb)
{
    m_mdb = mdb;
    m_jet3 = mdb->f->jet_version == MDB_VER_JET3;
    m_pageSize = int(mdb->fmt->pg_size);
    m_rowCountOffset = mdb->fmt->row_count_offset;
    m_pages = quint32(m_size / m_pageSize);
}

JetFile::~JetFile()
{
    if (m_mdb) {
        quietly([this] {
            mdb_close(m_mdb);
            return 0;
        });
    }
    for (int fd : {m_sink, m_savedOut, m_savedErr}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void JetFile::begin()
{
    std::fflush(stdout);
    std::fflush(stderr);
    if (m_sink >= 0 && m_savedOut >= 0 && m_savedErr >= 0) {
        ::dup2(m_sink, 1);
        ::dup2(m_sink, 2);
    }
}

void JetFile::end()
{
    std::fflush(stdout);
    std::fflush(stderr);
    if (m_sink >= 0 && m_savedOut >= 0 && m_savedErr >= 0) {
        ::dup2(m_savedOut, 1);
        ::dup2(m_savedErr, 2);
    }
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

QByteArray JetFile::codePageText(const unsigned char *bytes, int size) const
{
    // libmdb's iconv conversion knows the code pages. One byte gives at
    // most three UTF-8 bytes, two give at most four.
    QByteArray out(qsizetype(size) * 3 + 16, Qt::Uninitialized);
    const int n =
        mdb_unicode2ascii(m_mdb, reinterpret_cast<const char *>(bytes), size_t(size), out.data(), size_t(out.size()) - 1);
    out.resize(qMax(0, n));
    return out;
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

// A user table as the file's catalogue lists it.
struct CatalogueEntry {
    QString name;
    quint32 definitionPage = 0;
};

struct AccessFile::Private {
    std::unique_ptr<JetFile> file;
    std::vector<CatalogueEntry> catalogue; // the user tables
    std::vector<CatalogueEntry> tables;    // all of them, the system's too
    QStringList damagedEntries;            // the catalogue's entries that are damage

    const CatalogueEntry *entry(const QString &name) const
    {
        for (const CatalogueEntry &e : catalogue) {
            if (e.name.compare(name, Qt::CaseInsensitive) == 0)
                return &e;
        }
        return nullptr;
    }

    Result<std::unique_ptr<RowCursor>> cursor(TableShape shape, const QStringList &columnNames)
    {
        auto p = std::make_unique<RowCursor::Private>();
        p->file = file.get();
        p->table = std::move(shape);
        for (const QString &name : columnNames) {
            const auto &cols = p->table.columns;
            const auto it = std::find_if(cols.begin(), cols.end(), [&](const TableShape::Col &c) {
                return c.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (it == cols.end())
                return Status::failure(Fault::Unavailable,
                                       QStringLiteral("La colonne %1 est absente de la table %2 de la base Access %3.")
                                           .arg(name, p->table.name, displayPath(file->path())));
            if (!it->damage.isEmpty())
                return damagedTable(*file, p->table.name, 0, QStringLiteral("sa colonne %1 %2").arg(it->name, it->damage));
            if (!readableType(it->type))
                return Status::failure(
                    Fault::Refused, QStringLiteral("La colonne %1 de la table %2 est de type %3 : elle ne contient pas de texte.")
                                        .arg(name, p->table.name, typeName(it->type)));
            p->wanted.push_back(int(it - cols.begin()));
        }
        const size_t pageSize = size_t(file->pageSize());
        p->page.resize(pageSize);
        p->moved.resize(pageSize);
        p->memo.resize(pageSize);
        p->mapPage.resize(pageSize);
        return std::unique_ptr<RowCursor>(new RowCursor(std::move(p)));
    }

    // The user tables, read from the system table the way any table is
    // read. libmdb's own catalogue reading also parses the objects'
    // properties, where damage can make it take memory without end; they
    // are not needed here.
    Status readCatalogue()
    {
        Result<TableShape> system = readTableShape(*file, QStringLiteral("MSysObjects"), 2);
        if (!system)
            return system.status();
        Result<std::unique_ptr<RowCursor>> rows = cursor(std::move(*system), {"Id", "Name", "Type", "Flags"});
        if (!rows)
            return rows.status();
        for (Result<bool> more = (*rows)->next(); more; more = (*rows)->next()) {
            if (!*more)
                return Status::success();
            const QList<Value> &v = (*rows)->values();
            if (!(v[0] && v[1] && v[2] && v[2]->toInt() == MDB_TABLE))
                continue;
            const CatalogueEntry e{QString::fromUtf8(*v[1]), quint32(v[0]->toLongLong() & 0x00ffffff)};
            if (!isEngineName(e.name)) {
                damagedEntries << QStringLiteral("une table y a un nom illisible (définition page %1)").arg(e.definitionPage);
                continue;
            }
            // Two tables of one name or one definition, system tables
            // included: one of them is damage.
            for (const CatalogueEntry &other : tables) {
                if (other.definitionPage == e.definitionPage || other.name.compare(e.name, Qt::CaseInsensitive) == 0)
                    return damagedTable(*file, QStringLiteral("MSysObjects"), 0,
                                        QStringLiteral("deux tables y portent le nom %1 ou la définition de la page %2")
                                            .arg(e.name)
                                            .arg(e.definitionPage));
            }
            tables.push_back(e);
            // A user table is one without the flags of the system's.
            if (!(v[3].value_or("0").toLongLong() & 0x80000002))
                catalogue.push_back(e);
        }
        return (*rows)->next().status();
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
    struct stat st { };
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
        return Status::failure(
            Fault::Refused, QStringLiteral("Le jeu de caractères « %1 » est inconnu.").arg(QString::fromLatin1(options.charset)),
            {}, QStringLiteral("Indiquez un nom que connaît iconv, par exemple CP1252 ou CP850."));
    }

    auto p = std::make_unique<Private>();
    p->file = std::make_unique<JetFile>(path, qint64(st.st_size));
    MdbHandle *mdb = nullptr;
    {
        // Text always comes out as UTF-8, whatever the caller's environment says.
        ScopedEnv target("MDBICONV", "UTF-8");
        ScopedEnv jet3("MDB_JET3_CHARSET", options.charset);
        // No MDB_WRITABLE: libmdb opens the file for reading only.
        const QByteArray viaFd = "/proc/self/fd/" + QByteArray::number(fd);
        mdb = p->file->quietly([&] { return mdb_open(viaFd.constData(), MDB_NOFLAGS); });
    }
    ::close(fd);
    if (!mdb || !mdb->fmt || mdb->fmt->pg_size <= 0 || mdb->fmt->pg_size > MDB_PGSIZE
        || mdb->fmt->row_count_offset + 2 > mdb->fmt->pg_size) {
        if (mdb)
            mdb_close(mdb);
        return unreadable(
                   QStringLiteral("Le fichier %1 ne peut pas être lu comme base Access : son en-tête est abîmé.").arg(shown),
                   kRepair)
            .withDetail(p->file->messages());
    }
    p->file->adopt(mdb);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d");
    if (Status listed = p->readCatalogue(); !listed)
        return unreadable(QStringLiteral("Le fichier %1 ne peut pas être lu comme base Access : sa liste des tables est abîmée "
                                         "ou le fichier est tronqué.")
                              .arg(shown),
                          kRepair)
            .withDetail(listed.what() + QLatin1Char(' ') + listed.detail());
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
    for (const CatalogueEntry &e : d->catalogue)
        names << e.name;
    return names;
}

QString AccessFile::findTable(const QString &name) const
{
    const CatalogueEntry *e = d->entry(name);
    return e ? e->name : QString();
}

Result<TableShape> AccessFile::shape(const QString &table) const
{
    const CatalogueEntry *e = d->entry(table);
    if (!e)
        return Status::failure(
            Fault::Unavailable,
            QStringLiteral("La table %1 est absente de la base Access %2.").arg(table, displayPath(d->file->path())));
    return readTableShape(*d->file, e->name, e->definitionPage);
}

Result<QList<Column>> AccessFile::columns(const QString &table) const
{
    Result<TableShape> shape = this->shape(table);
    if (!shape)
        return shape.status();
    QList<Column> result;
    for (const TableShape::Col &c : shape->columns)
        result.append({c.name, c.type, typeName(c.type), readableType(c.type), c.number, c.damage});
    return result;
}

QStringList AccessFile::catalogueDamage() const
{
    return d->damagedEntries;
}

QString repairAdvice()
{
    return kRepair;
}

Result<std::unique_ptr<RowCursor>> AccessFile::rows(const QString &table, const QStringList &columnNames)
{
    Result<TableShape> shape = this->shape(table);
    if (!shape)
        return shape.status();
    return d->cursor(std::move(*shape), columnNames);
}

} // namespace tavro::access
