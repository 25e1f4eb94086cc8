#pragma once

#include <QString>

namespace tavro {

// Puts a user's text or a chosen item between the single quotes of a query
// fragment: each apostrophe is doubled so the text can neither end the quoted
// literal nor change what the query does. '%' and '_' keep their wildcard
// meaning in LIKE. The caller's fragments supply the quotes themselves:
//   opening + sqlQuoted(text) + closing
QString sqlQuoted(const QString &userText);

} // namespace tavro
