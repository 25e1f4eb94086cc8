#pragma once

#include "data/setting/conninfo.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavro {

// Where the database the program uses was named.
enum class DatabaseSource {
    None,        // nowhere: each connection keeps its own file rule
    Option,      // --database on the command line
    Environment, // the TAVRO_DATABASE variable
    UserFile,    // tavro.conf under $XDG_CONFIG_HOME (~/.config)
    SystemFile,  // tavro.conf under one of $XDG_CONFIG_DIRS (/etc/xdg)
};

inline constexpr char kDatabaseVariable[] = "TAVRO_DATABASE";
inline constexpr char kSettingsFileName[] = "tavro.conf";
inline constexpr char kDatabaseKey[] = "database";
// The local copy of a server's tables (data/database/localcopy.h) is kept
// unless this variable, or else this key of the first settings file that
// has it, says "off" (or "non", "false", "0").
inline constexpr char kLocalCopyVariable[] = "TAVRO_LOCAL_COPY";
inline constexpr char kLocalCopyKey[] = "localcopy";

// The database named for every connection of the program, and where it was
// named. The value is opaque here: a file path (made absolute when it was
// read) or a server connection string as written, which may hold a password
// and is shown only through shownDatabase().
struct DatabaseSetting {
    QString value;
    DatabaseSource source = DatabaseSource::None;
    QString settingsFile;   // the tavro.conf that named it, for the two file sources
    QStringList unreadable; // settings files found but unreadable, passed over
    bool localCopy = true;  // a server's tables copied for looking up without it

    bool isNamed() const;
    // The file named, else `fallback`: what a tool writes by default, never
    // a server it was not told of.
    QString fileOr(const QString &fallback) const;
};

// The settings files looked at, in order: the user's, then the system's.
QStringList settingsFilePlaces(const QProcessEnvironment &env);

// The one rule: the option (when given), else the variable, else the first
// settings file naming a database; an empty value names nothing. Relative
// file paths are taken from the current folder (option, variable) or from the
// settings file's folder; "~/" in a settings file is the home folder.
DatabaseSetting resolveDatabaseSetting(const std::optional<QString> &option,
                                       const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());

// The value as messages show it: a file's full path, or a server connection
// (see databaseKind(), data/databasekind.h) as shownConnection() rebuilds
// it, without any password.
QString shownDatabase(const QString &value, ConnectionShown form = ConnectionShown::Place);

// Where it was named, in French ("la variable TAVRO_DATABASE") or English.
QString sourceDescription(const DatabaseSetting &setting, bool french = true);

// The program-wide choice, made once at start-up; none until then.
void useDatabaseSetting(const DatabaseSetting &setting);
const DatabaseSetting &databaseSetting();

// What a connection opens: the database named, else `fallback`, that
// connection's own file rule.
QString databaseOr(const QString &fallback);

} // namespace tavro
