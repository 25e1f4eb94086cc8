#pragma once

#include <QString>

namespace tavro {

// The database file's name, beside the program and in the working folder alike.
inline constexpr char kDatabaseFileName[] = "BD2003.mdb";

// A file's full path as messages show it.
QString displayPath(const QString &path);

// A word as a POSIX shell reads it back unchanged: quoted only when needed.
QString shellQuoted(const QString &word);

// A tool of ours as a command: the one beside the program, named in full.
QString toolCommand(const QString &tool);

// The command a user runs to convert an Access file into our format, in
// place: the tool beside the program, the file named in full.
QString importCommandFor(const QString &accessFile);

} // namespace tavro
