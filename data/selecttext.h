#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tavro {

// Reading a query text the way SQLite tokenises it, enough for the engines
// to add hidden row identities and respell it: literals, quoted names and
// comments are skipped over.

// A piece of a query text: a bare word, a quoted literal ('...'), a quoted
// name ("..."), a comment or blanks, or one punctuation character.
struct SqlToken {
    enum Kind { Word, Literal, QuotedName, Space, Punct } kind;
    qsizetype start;
    qsizetype length;
};
QList<SqlToken> sqlTokens(const QString &sql);

// Position just after the leading SELECT keyword (after blanks and
// comments), or -1 when the text does not start with one.
qsizetype selectKeywordEnd(const QString &sql);

// True when one of the words (compared without regard to case) occurs as a
// keyword anywhere in the text, outside literals, quoted names and comments.
bool containsKeyword(const QString &sql, const QStringList &words);

} // namespace tavro
