#pragma once

// Server addresses carrying passwords in every spelling libpq reads (and a
// few it cannot read), for every place that shows a database: none may
// show any piece of a password.

#include <QString>
#include <QStringList>

namespace tavro::test {

// The current test's data table of them: the address, the passwords in it
// as meant (secrets), the whole form shown (shownConnection, or "(adresse
// illisible)"), and whether libpq reads a password in it (warned: a warning
// when it is typed on the command line). Every address points at a closed
// port of this machine; with `server` (the private server's address), one
// more that the server refuses with a text of its own quoting the password.
void addSecretAddressRows(const QString &server = {});

// The first three characters in a row of a secret that the text shows, or
// an empty string.
QString shownSecret(const QString &text, const QStringList &secrets);

} // namespace tavro::test
