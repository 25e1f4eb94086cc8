#pragma once

#include <QString>

namespace tavro {

// The two fixed halves of a query that takes one user text between them.
struct QueryFragments {
    QString opening;
    QString closing;

    // opening + the text, quoted + closing. Every chosen item and every
    // typed text reaches a query through here: an item as listed, a typed
    // text as its entry left it (without control characters).
    QString with(const QString &userText) const;
};

// What closes every typed prefix search: the wildcard and the quote.
inline const QString kPrefixClosing = QStringLiteral("%'");

// The edit password of the three record windows, compared whole and with
// its case.
inline const QString kEditPassword = QStringLiteral("QXV");

bool isEditPassword(const QString &typed);

} // namespace tavro
