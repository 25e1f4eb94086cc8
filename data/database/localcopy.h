#pragma once

#include "data/connection.h"
#include "data/status.h"

#include <QDateTime>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace tavro {

// A counter's local copy of a server database's three tables, for looking
// up when no server answers: an SQLite file with each row's key CLE as the
// server gave it and the time it was taken, one per database named, under
// $XDG_CACHE_HOME/tavro/ (~/.cache/tavro/). Never written in place: a new
// file is written beside it and renamed over it.

// The copy's file for a server database, named from its address without
// the password; empty for a file database.
QString localCopyPath(const QString &database, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());

// When the copy in this file was taken; nothing when there is no copy
// there, or not a whole one.
std::optional<QDateTime> localCopyTaken(const QString &path);

// Reads the server's tables (a standby's where one answers) and puts a new
// copy in place whole; the copy there before stays as it was on failure.
Result<QDateTime> refreshLocalCopy(const QString &database);

// "Copie locale du 07/12/2026 à 14:05", in the system's short date.
QString copyTakenText(const QDateTime &taken);

// Opens the database named (Database::connect()) with the copy to fall
// back on: a server that cannot be reached, now or at a later look-up,
// leaves the copy answering look-ups, and refusing every save, until
// noteServerAnswers() tells a server answers again; the next action then
// goes back to the server.
Result<std::unique_ptr<Connection>> connectWithCopy(const QString &database, Wait wait);

// A server of this database answered (the copy was refreshed): every
// connection on the copy goes back to the server at its next action, and
// copyNotices() says so to the windows.
void noteServerAnswers(const QString &database);

class CopyNotices : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void serverAnswers(const QString &database);
};
CopyNotices &copyNotices();

// What a save on the copy is told: saving needs the server; nothing saved,
// the typing kept.
Status copyRefusal(const QDateTime &taken);

// Where look-ups are answered from, as the main window's status bar says
// it; `now` gives the copy's age.
QString readOriginText(const ReadOrigin &origin, const QDateTime &now);

} // namespace tavro
