#pragma once

// A server connection string as people get to see it. It may hold a
// password (in any of libpq's spellings), so it is never shown as written:
// libpq itself reads it, and what is shown is rebuilt from what it read.

#include <QString>

namespace tavro {

enum class ConnectionShown {
    Place, // "tavro sur le serveur S (port N)": how messages name the data
    Whole, // the place, then the user and every other option given
};

// The one way a connection string is shown. Every option libpq marks as a
// password (password, sslpassword, any later one) is left out, whatever its
// spelling (URI, key=value, percent-encoded key names). A string libpq
// cannot read shows as "(adresse illisible)", nothing of its text.
QString shownConnection(const QString &conninfo, ConnectionShown form);

// False when libpq cannot read the string, or would read what is not meant:
// a URI with an "@" that libpq does not take for the end of a user and a
// password (a raw "/" or "@" inside the password) would send pieces of the
// password to the network as a host, a port or a database name. Such a
// string is never used.
bool readableConnection(const QString &conninfo);

// True when the string gives a password.
bool holdsPassword(const QString &conninfo);

// A text from libpq or the server, fit to print: every piece that reads as
// one of the string's passwords (as it is, percent-encoded, backslash-
// escaped) and the string itself become "***".
QString withoutSecrets(const QString &text, const QString &conninfo);

// Said on standard error when a password was typed on the command line.
QString passwordOnCommandLineWarning(const QString &program, const QString &option);

} // namespace tavro
