#pragma once

#include <QObject>
#include <QProcess>
#include <QTimer>

namespace tavro {

// Keeps the counter's local copy of a server database fresh: the program
// itself, started again as a child process (--refresh-copy) with its own
// connection, at start and then every few minutes; sooner again after a
// failure, which also tells when a server answers again. The clerk's
// process never waits for it, and a child killed half-way leaves the copy
// there before whole.
class CopyRefresher : public QObject {
    Q_OBJECT
public:
    // Every five minutes: a copy at most that old when the servers go, and
    // on the server one read of the three tables per counter in that time.
    static constexpr int kEveryMs = 5 * 60 * 1000;
    // After a failure: the copy, and the server's return, are taken up
    // within half a minute.
    static constexpr int kAfterFailureMs = 30 * 1000;
    // A refresh still running after this met a server that stopped
    // answering: it is ended, the copy there before kept whole.
    static constexpr int kLongestMs = 10 * 60 * 1000;

    explicit CopyRefresher(const QString &database, QObject *parent = nullptr);
    ~CopyRefresher() override;

    void start();

Q_SIGNALS:
    // A refresh ended: the copy was taken (the server answered) or not.
    void refreshed(bool taken);

private:
    void run();
    void finished(int code, QProcess::ExitStatus status);

    QString m_database;
    QProcess m_process;
    QTimer m_timer;
    QTimer m_limit;
};

} // namespace tavro
