#pragma once

// Server addresses carrying passwords in every spelling libpq reads (and a
// few it cannot read), for every place that shows a database: none may
// show any piece of a password.

#include <QList>
#include <QString>
#include <QStringList>

namespace tavro::test {

struct SecretAddress {
    const char *name;
    QString address;
    QStringList secrets; // the passwords as meant
    QString shown;       // the whole form shown (shownConnection); "(adresse illisible)"
    bool warned;         // a password libpq reads: a warning when typed on the command line
};

// Every address points at a closed port of this machine; with `server`
// (the private server's address, without a database), one more that the
// server refuses with a text of its own quoting the password.
QList<SecretAddress> secretAddresses(const QString &server = {});

// The first three characters in a row of a secret that the text shows, or
// an empty string.
QString shownSecret(const QString &text, const QStringList &secrets);

} // namespace tavro::test
