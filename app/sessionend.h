#pragma once

#include "binding/datacontrol.h"

#include <QList>
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace tavro {

class MainWindow;
class RecordWindow;

// The program's end when it is not the clerk's own QUITTER: a logout or a
// shutdown through the session manager, or a signal (SIGTERM, SIGHUP,
// SIGINT) from the system or an administrator. Typing not written yet is
// written as a move writes it; what cannot be written is kept in the
// user's state folder (keptfile.h) and offered at the next start.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    // Catches the signals until destroyed (one at a time in a process); on
    // one, once the typing is settled, `end` ends the program.
    SessionEnd(MainWindow &mainWindow, std::function<void()> end);
    ~SessionEnd() override;

    // The session manager's quit request, handled as QUITTER handles its
    // own: typing is written first; when that is refused the clerk is asked
    // (try again, give it up, or cancel), if the session manager lets the
    // program ask. Without asking, what cannot be written is kept. False
    // when the clerk cancelled: the session must not end.
    bool commitData(bool mayAsk);

    // Offers typing kept at an earlier end: the clerk puts it back into its
    // windows, gives it up, or keeps it for the next start; never silently.
    static void offerKept(MainWindow &mainWindow);

private:
    void signalled();
    void endOnSignal(int signo);
    QList<RecordWindow *> windowsWithTyping() const;
    // Keeps the typing of these windows, beside what an earlier end kept.
    void keep(const QList<RecordWindow *> &windows);

    MainWindow &m_main;
    std::function<void()> m_end;
    QSocketNotifier *m_notifier = nullptr;
    QList<KeptTyping> m_earlier; // kept at an earlier end, not put back yet
    bool m_kept = false;         // the typing is on disk already
    bool m_ending = false;       // the typing is being written
    bool m_hurry = false;        // a second signal: what is not written yet stays kept
};

} // namespace tavro
