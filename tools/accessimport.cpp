#include "tools/accessimport.h"

#include "data/databasesetting.h"
#include "data/sqlitestep.h"
#include "data/opendb.h"
#include "data/schema.h"
#include "data/tablewriter.h"
#include "tools/importsource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <SQLiteCpp/Database.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavro {

namespace {

const QString kNothingWritten = QStringLiteral("Aucun fichier n'a été écrit.");

// A failure of the import: what happened, then that nothing was written.
Status nothingWritten(const Status &failure)
{
    return Status::failure(failure.fault(), failure.what(), kNothingWritten, failure.advice()).withDetail(failure.detail());
}

Status failure(Fault fault, const QString &what, const QString &advice = {}, const QString &detail = {})
{
    return Status::failure(fault, what, kNothingWritten, advice).withDetail(detail);
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A system call's failure while writing `target`, in the user's words.
Status writeFailure(int error, const QString &target)
{
    const QString file = displayPath(target);
    const QString folder = QDir::toNativeSeparators(QFileInfo(target).absolutePath());
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return failure(Fault::Full, QStringLiteral("Le disque où doit être écrit %1 est plein.").arg(file),
                       QStringLiteral("Libérez de la place sur ce disque, puis relancez la conversion."), systemText(error));
    case EACCES:
    case EPERM:
        return failure(Fault::ReadOnly, QStringLiteral("Vous n'avez pas le droit d'écrire dans le dossier %1.").arg(folder),
                       QStringLiteral("Demandez ce droit, ou indiquez un autre fichier avec -o."), systemText(error));
    case EROFS:
        return failure(Fault::ReadOnly, QStringLiteral("Le dossier %1 est en lecture seule.").arg(folder),
                       QStringLiteral("Indiquez un fichier sur un autre disque avec -o."), systemText(error));
    }
    return failure(Fault::Other, QStringLiteral("Le fichier %1 ne peut pas être écrit.").arg(file),
                   QStringLiteral("Vérifiez le disque et le dossier, puis relancez la conversion."), systemText(error));
}

// The temporary file's name, where the signal handlers can reach it.
char g_temporary[PATH_MAX] = {};

extern "C" void removeTemporaryAndDie(int signal)
{
    if (g_temporary[0])
        ::unlink(g_temporary);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// The file the rows go to until they are all there: made beside the target
// (so the final rename stays on one file system), locked while in use so
// that a later run can tell an abandoned one from one in progress, and
// removed on failure and on the signals that end a program.
class TemporaryTarget {
public:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

    explicit TemporaryTarget(const QString &target)
    {
        QByteArray name = QFile::encodeName(target) + ".import-XXXXXX";
        if (name.size() >= PATH_MAX) {
            m_error = ENAMETOOLONG;
            return;
        }
        // A signal that comes while the file is being made waits until the
        // handlers that remove it are in place.
        sigset_t blocked;
        sigset_t previous;
        sigemptyset(&blocked);
        for (int signal : kSignals)
            sigaddset(&blocked, signal);
        ::sigprocmask(SIG_BLOCK, &blocked, &previous);
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            m_error = errno;
            if (m_fd >= 0)
                ::unlink(name.constData());
            ::sigprocmask(SIG_SETMASK, &previous, nullptr);
            return;
        }
        m_path = QFile::decodeName(name);
        memcpy(g_temporary, name.constData(), size_t(name.size()) + 1);
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndDie;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &m_previous[i]);
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    }
    ~TemporaryTarget()
    {
        if (!m_kept && !m_path.isEmpty())
            ::unlink(QFile::encodeName(m_path).constData());
        if (!m_path.isEmpty()) {
            for (size_t i = 0; i < std::size(kSignals); ++i)
                ::sigaction(kSignals[i], &m_previous[i], nullptr);
            g_temporary[0] = '\0';
        }
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TemporaryTarget(const TemporaryTarget &) = delete;
    TemporaryTarget &operator=(const TemporaryTarget &) = delete;

    int error() const { return m_error; }
    const QString &path() const { return m_path; }
    int fd() const { return m_fd; }
    void keep()
    {
        m_kept = true;
        g_temporary[0] = '\0';
    }

private:
    QString m_path;
    int m_fd = -1;
    int m_error = 0;
    bool m_kept = false;
    struct sigaction m_previous[std::size(kSignals)] = {};
};

// Temporary files that an import to the same target left when it was
// killed or the power went: nobody holds their lock any more. One still
// locked belongs to an import that is running.
Status removeLeftovers(const QString &target, ImportReport *report)
{
    const QFileInfo info(target);
    const QRegularExpression ours(QLatin1Char('^') + QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.import-[A-Za-z0-9]{6}$"));
    const QDir folder = info.absoluteDir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!ours.match(name).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        const bool abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (abandoned && ::unlink(path.constData()) == 0)
            report->removedLeftovers << folder.filePath(name);
        ::close(fd);
        if (!abandoned)
            return failure(Fault::Busy, QStringLiteral("Une autre conversion vers %1 est en cours.").arg(displayPath(target)),
                           QStringLiteral("Attendez qu'elle soit finie, puis relancez celle-ci si besoin."));
    }
    return Status::success();
}

// Schema and rows in one transaction: one commit, one wait for the disk.
Status copyRows(ImportSource &source, TableWriter &writer, ImportReport *report)
{
    for (const TableDef &table : kTables) {
        if (Status started = writer.startTable(table); !started)
            return started;
        qint64 count = 0;
        RowValues cleaned;
        const Status copied = source.eachRow(table, [&](const RowValues &values) {
            ++count;
            // A server's text cannot hold NUL, and no name or number the
            // program shows has one.
            const auto hasNul = [](const std::optional<QByteArray> &v) { return v && v->contains('\0'); };
            if (std::none_of(values.begin(), values.end(), hasNul))
                return writer.addRow(values);
            cleaned = values;
            for (std::optional<QByteArray> &v : cleaned) {
                if (hasNul(v)) {
                    v->replace(QByteArray(1, '\0'), QByteArray());
                    ++report->nulStripped;
                }
            }
            return writer.addRow(cleaned);
        });
        if (!copied)
            return copied;
        report->tables.append({QLatin1String(table.name), count});
    }
    report->loneSurrogates = source.loneSurrogates();
    return writer.commit();
}

// To a server: the same rows in one transaction there; nothing else to
// put in place.
Status importToServer(const ImportOptions &options, ImportReport *report)
{
    const auto nothingWrittenThere = [](const Status &s) {
        return Status::failure(s.fault(), s.what(), QStringLiteral("Rien n'a été écrit dans la base de données."), s.advice())
            .withDetail(s.detail());
    };
    auto source = ImportSource::open(options, report);
    if (!source)
        return nothingWrittenThere(source.status());
    auto writer = serverTableWriter(options.target, options.force);
    if (!writer)
        return nothingWrittenThere(writer.status());
    if (Status copied = copyRows(**source, **writer, report); !copied)
        return nothingWrittenThere(copied);
    return Status::success();
}

// The import's own wording around the engine's: what was kept is that
// nothing was written.
Status engineWriteFailure(const SQLite::Exception &e, const QString &target)
{
    return nothingWritten(sqliteFailure(e, Action::Write, Place{displayPath(target)}));
}

// Puts the finished file in place in one step. Without force an existing
// target is never replaced, not even one that appeared meanwhile; with force
// the old file first gets a second name, then the new one replaces it.
// rename() replaces a symbolic link at the target's name, never the file it
// leads to.
Status placeFile(const QString &temporary, const ImportOptions &options, ImportReport *report)
{
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(options.target);
    if (!options.force) {
        int result = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without that flag: a link fails as well if the name is taken.
            result = ::link(from.constData(), to.constData());
            if (result == 0)
                ::unlink(from.constData());
        }
        if (result != 0) {
            if (errno == EEXIST)
                return failure(Fault::Refused, QStringLiteral("Le fichier %1 existe déjà : il est laissé tel quel.").arg(displayPath(options.target)),
                               QStringLiteral("Ajoutez --force pour le remplacer (l'ancien est gardé à côté)."));
            return writeFailure(errno, options.target);
        }
        return Status::success();
    }
    QString backup;
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0) {
        const QDateTime now = QDateTime::currentDateTime();
        backup = backupPathFor(options.target, now);
        for (int n = 2; QFileInfo(backup).exists() || QFileInfo(backup).isSymLink(); ++n)
            backup = backupPathFor(options.target, now) + QStringLiteral("-%1").arg(n);
        if (::link(to.constData(), QFile::encodeName(backup).constData()) != 0 && !QFile::copy(options.target, backup))
            return failure(Fault::Other, QStringLiteral("Impossible de garder une copie de %1 sous le nom %2 ; rien n'a été remplacé.")
                                             .arg(displayPath(options.target), displayPath(backup)));
    }
    if (std::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        if (!backup.isEmpty())
            QFile::remove(backup);
        return writeFailure(error, options.target);
    }
    report->backup = backup;
    return Status::success();
}

void flushFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

Status checkTarget(const ImportOptions &options)
{
    const QString shown = displayPath(options.target);
    const QFileInfo info(options.target);
    if (info.isDir())
        return failure(Fault::Refused, QStringLiteral("%1 est un dossier.").arg(shown),
                       QStringLiteral("Indiquez le fichier à écrire, par exemple %1.")
                           .arg(QDir::toNativeSeparators(QDir(info.absoluteFilePath()).filePath(QLatin1String(kDatabaseFileName)))));
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return failure(Fault::Unavailable, QStringLiteral("Le dossier %1 n'existe pas.").arg(QDir::toNativeSeparators(folder.absoluteFilePath())),
                       QStringLiteral("Créez-le, ou indiquez un autre fichier avec -o."));
    if (!folder.isDir())
        return failure(Fault::Unavailable, QStringLiteral("%1 n'est pas un dossier.").arg(QDir::toNativeSeparators(folder.absoluteFilePath())),
                       QStringLiteral("Indiquez un autre fichier avec -o."));
    struct stat st {};
    if (!options.force && ::lstat(QFile::encodeName(options.target).constData(), &st) == 0)
        return failure(Fault::Refused, QStringLiteral("Le fichier %1 existe déjà : il est laissé tel quel.").arg(shown),
                       QStringLiteral("Ajoutez --force pour le remplacer (l'ancien est gardé à côté)."));
    return Status::success();
}

} // namespace

QString backupPathFor(const QString &target, const QDateTime &when)
{
    return target + QLatin1String(".bak-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

Status importAccessFile(const ImportOptions &options, ImportReport *report)
{
    *report = ImportReport{};
    if (isServerConnection(options.target))
        return importToServer(options, report);
    if (Status target = checkTarget(options); !target)
        return target;
    if (Status cleared = removeLeftovers(options.target, report); !cleared)
        return cleared;

    auto source = ImportSource::open(options, report);
    if (!source)
        return nothingWritten(source.status());

    TemporaryTarget temporary(options.target);
    if (temporary.path().isEmpty())
        return writeFailure(temporary.error(), options.target);
    try {
        // The file is new and empty: SQLite makes a database of it.
        SQLite::Database db(QFile::encodeName(temporary.path()).toStdString(), SQLite::OPEN_READWRITE);
        prepareConnection(db);
        // A file nobody else knows yet needs no journal: a failure deletes
        // it. One flush to disk before the rename makes it durable.
        db.exec("PRAGMA journal_mode = OFF");
        db.exec("PRAGMA synchronous = OFF");
        auto writer = fileTableWriter(db, options.target);
        const Status copied = writer ? copyRows(**source, **writer, report) : writer.status();
        if (!copied)
            return nothingWritten(copied);
        const std::string check = db.execAndGet("PRAGMA integrity_check").getString();
        if (check != "ok")
            return failure(Fault::Other, QStringLiteral("Le fichier écrit ne passe pas le contrôle d'intégrité."),
                           QStringLiteral("Relancez la conversion ; si l'erreur revient, vérifiez le disque."),
                           QString::fromStdString(check));
    } catch (const SQLite::Exception &e) {
        return engineWriteFailure(e, options.target);
    } catch (const std::exception &e) {
        return failure(Fault::Other, QStringLiteral("Le fichier %1 ne peut pas être écrit.").arg(displayPath(options.target)), {},
                       QString::fromUtf8(e.what()));
    }
    if (::fsync(temporary.fd()) != 0)
        return writeFailure(errno, options.target);
    if (Status placed = placeFile(temporary.path(), options, report); !placed)
        return placed;
    temporary.keep();
    // The rename itself lives in the folder: flush it too (best effort).
    flushFolder(QFileInfo(options.target).absolutePath());
    return Status::success();
}

} // namespace tavro
