#include "app/sessionend.h"

#include "app/keptfile.h"
#include "app/mainwindow.h"
#include "kit/dialogs.h"
#include "records/recordwindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tavro {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler only writes the signal's number into a pipe, the one thing
// safe to do there; the event loop reads it and does the work.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[std::size(kSignals)];

void onSignal(int signo)
{
    const int saved = errno;
    const char byte = char(signo);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

QString signalName(int signo)
{
    return signo == SIGTERM ? QStringLiteral("SIGTERM") : signo == SIGHUP ? QStringLiteral("SIGHUP") : QStringLiteral("SIGINT");
}

const QString kQuitting = QStringLiteral("quitter le programme");
const QString kKeptTitle = QStringLiteral("Saisie gardée");

void say(const QString &line)
{
    QTextStream(stderr) << QStringLiteral("tavro : ") << line << '\n';
}

// Every record window open in the main window.
QList<RecordWindow *> recordWindows(const MainWindow &main)
{
    QList<RecordWindow *> windows;
    for (QMdiSubWindow *frame : main.workArea()->subWindowList()) {
        if (auto *w = qobject_cast<RecordWindow *>(frame->widget()); w && !frame->isHidden())
            windows << w;
    }
    return windows;
}

} // namespace

SessionEnd::SessionEnd(MainWindow &mainWindow, std::function<void()> end)
    : m_main(mainWindow)
    , m_end(std::move(end))
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        say(QStringLiteral("les signaux de fin ne peuvent pas être attendus (%1).").arg(QString::fromLocal8Bit(strerror(errno))));
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEnd::signalled);
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
}

SessionEnd::~SessionEnd()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

QList<RecordWindow *> SessionEnd::windowsWithTyping() const
{
    QList<RecordWindow *> windows;
    for (RecordWindow *w : recordWindows(m_main)) {
        if (w->dataControl()->hasTypedChanges())
            windows << w;
    }
    return windows;
}

void SessionEnd::keep(const QList<RecordWindow *> &windows)
{
    // What an earlier end kept and no start has put back stays beside it.
    const Result<QList<KeptTyping>> earlier = readKeptTyping();
    if (!earlier)
        say(earlier.status().message());
    m_earlier = earlier ? *earlier : QList<KeptTyping>();
    QList<KeptTyping> all = m_earlier;
    for (RecordWindow *w : windows)
        all << w->keptTyping();
    if (const Status written = writeKeptTyping(all); !written)
        say(written.message());
}

void SessionEnd::signalled()
{
    char bytes[16];
    ssize_t n = 0;
    int signo = 0;
    while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
        signo = bytes[n - 1];
    if (signo)
        endOnSignal(signo);
}

void SessionEnd::endOnSignal(int signo)
{
    if (m_ending) {
        m_hurry = true;
        return;
    }
    QList<RecordWindow *> windows = windowsWithTyping();
    // Kept first: should the system not wait for the writes, the typing is
    // on disk already.
    if (!m_kept && !windows.isEmpty()) {
        keep(windows);
        m_kept = true;
    }
    // A save under way ends first; it runs below this call, so wait for it
    // from the event loop rather than here.
    for (RecordWindow *w : recordWindows(m_main)) {
        if (w->dataControl()->isWriting()) {
            QTimer::singleShot(50, this, [this, signo] { endOnSignal(signo); });
            return;
        }
    }
    m_ending = true;
    windows = windowsWithTyping();
    QList<RecordWindow *> unwritten;
    for (RecordWindow *w : windows) {
        if (m_hurry || !w->dataControl()->writeTyping())
            unwritten << w;
    }
    if (m_kept) {
        // The file now keeps only what is still not written.
        QList<KeptTyping> still = m_earlier;
        for (RecordWindow *w : unwritten)
            still << w->keptTyping();
        if (const Status written = writeKeptTyping(still); !written)
            say(written.message());
    } else if (!unwritten.isEmpty()) {
        keep(unwritten);
    }
    QString outcome = QStringLiteral("aucune saisie en attente.");
    if (!unwritten.isEmpty())
        outcome = QStringLiteral("la saisie qui n'a pas pu être enregistrée est gardée dans %1.").arg(keptTypingFile());
    else if (!windows.isEmpty())
        outcome = QStringLiteral("la saisie en cours a été enregistrée.");
    say(QStringLiteral("fin demandée (%1) ; %2").arg(signalName(signo), outcome));
    for (RecordWindow *w : windows)
        w->dataControl()->discardTyping();
    m_end();
}

bool SessionEnd::commitData(bool mayAsk)
{
    QList<RecordWindow *> unwritten;
    for (RecordWindow *w : windowsWithTyping()) {
        if (mayAsk) {
            if (!w->settlePendingTyping(kQuitting))
                return false;
        } else if (!w->dataControl()->writeTyping()) {
            unwritten << w;
        }
    }
    if (!unwritten.isEmpty()) {
        keep(unwritten);
        for (RecordWindow *w : unwritten)
            w->dataControl()->discardTyping();
    }
    return true;
}

void SessionEnd::offerKept(MainWindow &mainWindow)
{
    const Result<QList<KeptTyping>> read = readKeptTyping();
    if (!read) {
        reportFailure(&mainWindow, read.status(), MsgIcon::Warning);
        return;
    }
    if (read->isEmpty())
        return;
    QStringList pieces;
    for (const KeptTyping &k : *read)
        pieces << QStringLiteral("– ") + describeKeptTyping(k, mainWindow.captionOf(k.window));
    const MsgButton answer = Dialogs::current().message(
        &mainWindow,
        {.text = QStringLiteral("Une saisie n'avait pas pu être enregistrée quand le programme s'est arrêté ; elle a été "
                                "gardée :\n%1\n\nVoulez-vous la remettre dans sa fenêtre pour l'enregistrer (le mot de passe "
                                "de modification est demandé), ne pas en tenir compte (elle sera perdue), ou annuler pour la "
                                "garder jusqu'au prochain démarrage ?")
                     .arg(pieces.join(QLatin1Char('\n'))),
         .title = kKeptTitle,
         .buttons = MsgButtons(Yes) | Discard | Cancel,
         .icon = MsgIcon::Question,
         .defaultButton = Cancel});
    if (answer != Yes && answer != Discard)
        return;
    QList<KeptTyping> still;
    QStringList notBack;
    for (const KeptTyping &k : answer == Yes ? *read : QList<KeptTyping>()) {
        auto *w = qobject_cast<RecordWindow *>(mainWindow.openWindow(k.window));
        const RecordWindow::Restored restored = w ? w->restoreTyping(k) : RecordWindow::Restored::RowGone;
        if (restored == RecordWindow::Restored::Yes)
            continue;
        still << k;
        notBack << QStringLiteral("– ") + describeKeptTyping(k, mainWindow.captionOf(k.window))
                       + (restored == RecordWindow::Restored::NoPassword
                              ? QStringLiteral(" (le mot de passe n'a pas été donné)")
                              : QStringLiteral(" (l'enregistrement a été modifié ou supprimé depuis)"));
    }
    if (const Status written = writeKeptTyping(still); !written)
        reportFailure(&mainWindow, written);
    else if (!notBack.isEmpty())
        Dialogs::current().message(&mainWindow,
                                   {.text = QStringLiteral("Cette saisie n'a pas été remise :\n%1\n\nElle reste gardée "
                                                           "pour le prochain démarrage.")
                                                .arg(notBack.join(QLatin1Char('\n'))),
                                    .title = kKeptTitle,
                                    .icon = MsgIcon::Warning});
}

} // namespace tavro
