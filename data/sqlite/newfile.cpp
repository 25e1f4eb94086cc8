// A new database file is written beside its target under a temporary
// name and put in place whole, or not at all.
#include "data/sqlite/newfile.h"

#include "data/setting/paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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

Status failure(Fault fault, const QString &what, const QString &advice = {}, const QString &detail = {})
{
    return Status::failure(fault, what, kNothingWritten, advice).withDetail(detail);
}

// Where --force keeps the file it replaces: beside it, stamped with the time.
QString backupPathFor(const QString &target, const QDateTime &when)
{
    return target + QLatin1String(".bak-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

// The process's file-creation mask, read without changing it (umask()
// would, for a moment, for every thread).
mode_t processUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:"))
                return mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    return 022;
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

} // namespace

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
        struct sigaction action { };
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

namespace {

// Temporary files that a write to the same target left when it was killed
// or the power went: nobody holds their lock any more. One still locked
// belongs to a write that is running.
Status removeLeftovers(const QString &target, WriteNotes *notes)
{
    const QFileInfo info(target);
    const QRegularExpression ours(QLatin1Char('^') + QRegularExpression::escape(info.fileName())
                                  + QStringLiteral("\\.import-[A-Za-z0-9]{6}$"));
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
            notes->removedLeftovers << folder.filePath(name);
        ::close(fd);
        if (!abandoned)
            return failure(Fault::Busy, QStringLiteral("Une autre conversion vers %1 est en cours.").arg(displayPath(target)),
                           QStringLiteral("Attendez qu'elle soit finie, puis relancez celle-ci si besoin."));
    }
    return Status::success();
}

// Puts the finished file in place in one step. Without force an existing
// target is never replaced, not even one that appeared meanwhile; with force
// the old file first gets a second name, then the new one replaces it.
// rename() replaces a symbolic link at the target's name, never the file it
// leads to.
Status placeFile(const QString &temporary, const QString &target, bool replace, WriteNotes *notes)
{
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target);
    if (!replace) {
        int result = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without that flag: a link fails as well if the name is taken.
            result = ::link(from.constData(), to.constData());
            if (result == 0)
                ::unlink(from.constData());
        }
        if (result != 0) {
            if (errno == EEXIST)
                return failure(Fault::Refused,
                               QStringLiteral("Le fichier %1 existe déjà : il est laissé tel quel.").arg(displayPath(target)),
                               QStringLiteral("Ajoutez --force pour le remplacer (l'ancien est gardé à côté)."));
            return writeFailure(errno, target);
        }
        return Status::success();
    }
    QString backup;
    struct stat st { };
    if (::lstat(to.constData(), &st) == 0) {
        const QDateTime now = QDateTime::currentDateTime();
        backup = backupPathFor(target, now);
        for (int n = 2; QFileInfo(backup).exists() || QFileInfo(backup).isSymLink(); ++n)
            backup = backupPathFor(target, now) + QStringLiteral("-%1").arg(n);
        if (::link(to.constData(), QFile::encodeName(backup).constData()) != 0 && !QFile::copy(target, backup))
            return failure(Fault::Other,
                           QStringLiteral("Impossible de garder une copie de %1 sous le nom %2 ; rien n'a été remplacé.")
                               .arg(displayPath(target), displayPath(backup)));
    }
    if (std::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        if (!backup.isEmpty())
            QFile::remove(backup);
        return writeFailure(error, target);
    }
    notes->backup = backup;
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

Status checkTarget(const QString &target, bool replace)
{
    const QString shown = displayPath(target);
    const QFileInfo info(target);
    if (info.isDir())
        return failure(
            Fault::Refused, QStringLiteral("%1 est un dossier.").arg(shown),
            QStringLiteral("Indiquez le fichier à écrire, par exemple %1.")
                .arg(QDir::toNativeSeparators(QDir(info.absoluteFilePath()).filePath(QLatin1String(kDatabaseFileName)))));
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return failure(Fault::Unavailable,
                       QStringLiteral("Le dossier %1 n'existe pas.").arg(QDir::toNativeSeparators(folder.absoluteFilePath())),
                       QStringLiteral("Créez-le, ou indiquez un autre fichier avec -o."));
    if (!folder.isDir())
        return failure(Fault::Unavailable,
                       QStringLiteral("%1 n'est pas un dossier.").arg(QDir::toNativeSeparators(folder.absoluteFilePath())),
                       QStringLiteral("Indiquez un autre fichier avec -o."));
    struct stat st { };
    if (!replace && ::lstat(QFile::encodeName(target).constData(), &st) == 0)
        return failure(Fault::Refused, QStringLiteral("Le fichier %1 existe déjà : il est laissé tel quel.").arg(shown),
                       QStringLiteral("Ajoutez --force pour le remplacer (l'ancien est gardé à côté)."));
    return Status::success();
}

} // namespace

Status nothingWrittenToFile(const Status &failure)
{
    return Status::failure(failure.fault(), failure.what(), kNothingWritten, failure.advice()).withDetail(failure.detail());
}

NewFile::NewFile(const QString &target, bool replace)
    : m_target(target)
    , m_replace(replace)
{
}

NewFile::~NewFile() = default;

Result<std::unique_ptr<NewFile>> NewFile::create(const QString &target, bool replace, WriteNotes *notes)
{
    if (Status checked = checkTarget(target, replace); !checked)
        return checked;
    if (Status cleared = removeLeftovers(target, notes); !cleared)
        return cleared;
    std::unique_ptr<NewFile> file(new NewFile(target, replace));
    file->m_temporary = std::make_unique<TemporaryTarget>(target);
    if (file->m_temporary->path().isEmpty())
        return writeFailure(file->m_temporary->error(), target);
    return file;
}

const QString &NewFile::temporaryPath() const
{
    return m_temporary->path();
}

void NewFile::takeRightsOf(const QString &path)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        m_mode = int(st.st_mode & 07777);
}

Status NewFile::place(WriteNotes *notes)
{
    // The file gets the rights any new file of this user gets, as if the
    // engine had made it at its name, not the temporary file's own.
    const mode_t mode = m_mode >= 0 ? mode_t(m_mode) : 0666 & ~processUmask();
    if (::fchmod(m_temporary->fd(), mode) != 0 || ::fsync(m_temporary->fd()) != 0)
        return writeFailure(errno, m_target);
    if (Status placed = placeFile(m_temporary->path(), m_target, m_replace, notes); !placed)
        return placed;
    m_temporary->keep();
    // The rename itself lives in the folder: flush it too (best effort).
    flushFolder(QFileInfo(m_target).absolutePath());
    return Status::success();
}

} // namespace tavro
