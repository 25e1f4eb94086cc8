#pragma once

#include <QString>
#include <QStringList>

namespace tavro {

// Puts a user's text or a chosen item between the single quotes of a query
// fragment: each apostrophe is doubled so the text can neither end the quoted
// literal nor change what the query does. '%' and '_' keep their wildcard
// meaning in LIKE. Nothing is dropped: a listed value holding a tab or
// another control character finds its row. The caller's fragments supply
// the quotes themselves:
//   opening + sqlQuoted(text) + closing
QString sqlQuoted(const QString &text);

// Text as a clerk may enter it in a field or a search: without NUL and the
// other control characters, which no name or number holds; a tab stays
// where the field takes one. Applied where the typing comes in, never to a
// value read from the data.
QString withoutControlCharacters(const QString &text, bool keepTabs = false);

// A stored text read back as it was stored: Qt's own reading of UTF-8
// drops a leading byte-order mark (U+FEFF), which a value may begin with.
QString storedText(const char *utf8, qsizetype length);

// A table or column name as an identifier, between double quotes.
QString quotedIdentifier(const QString &name);

// "INSERT INTO "table" ("a", "b") VALUES (?, ?)": one value bound per column.
QString insertStatement(const QString &table, const QStringList &columns);

} // namespace tavro
