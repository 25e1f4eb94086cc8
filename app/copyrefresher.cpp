#include "app/copyrefresher.h"

#include "data/database/localcopy.h"
#include "data/setting/databasesetting.h"

#include <QCoreApplication>
#include <QTextStream>

namespace tavro {

CopyRefresher::CopyRefresher(const QString &database, QObject *parent)
    : QObject(parent)
    , m_database(database)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CopyRefresher::run);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, &m_process, &QProcess::kill);
    connect(&m_process, &QProcess::finished, this, &CopyRefresher::finished);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finished(1, QProcess::CrashExit);
    });
    // The child's failures, in French, go where the program's own go.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    // The address reaches the child in its environment, never on a command
    // line that every user of the machine may read.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kDatabaseVariable), m_database);
    m_process.setProcessEnvironment(env);
}

CopyRefresher::~CopyRefresher()
{
    // A refresh cut short leaves the copy there before whole.
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void CopyRefresher::start()
{
    run();
}

void CopyRefresher::run()
{
    if (m_process.state() != QProcess::NotRunning)
        return;
    m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--refresh-copy")});
    m_limit.start(kLongestMs);
}

void CopyRefresher::finished(int code, QProcess::ExitStatus status)
{
    m_limit.stop();
    const bool taken = status == QProcess::NormalExit && code == 0;
    if (taken)
        noteServerAnswers(m_database);
    m_timer.start(taken ? kEveryMs : kAfterFailureMs);
    Q_EMIT refreshed(taken);
}

} // namespace tavro
