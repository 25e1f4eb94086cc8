#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace tavro {

// Reading a query text the way SQLite tokenises it, enough for the engines
// to add hidden row identities, put rows in their stored order and respell
// it: literals, quoted names and comments are skipped over.

// A piece of a query text: a bare word, a quoted literal ('...'), a quoted
// name ("..."), a comment or blanks, or one punctuation character.
struct SqlToken {
    enum Kind { Word, Literal, QuotedName, Space, Punct } kind;
    qsizetype start;
    qsizetype length;
};
QList<SqlToken> sqlTokens(const QString &sql);

// The tokens of a text, with the questions the rewriting asks of them.
class SqlTokens {
public:
    explicit SqlTokens(const QString &sql);
    qsizetype size() const { return m_tokens.size(); }
    const SqlToken &operator[](qsizetype i) const { return m_tokens[i]; }
    QStringView text(qsizetype i) const;
    qsizetype end(qsizetype i) const { return m_tokens[i].start + m_tokens[i].length; }
    bool isWord(qsizetype i, QLatin1String word) const;
    bool isPunct(qsizetype i, char c) const;
    bool isName(qsizetype i) const;
    // The next token that is not blank or a comment, from i on (size() at
    // the end); the one before i, or -1.
    qsizetype next(qsizetype i) const;
    qsizetype previous(qsizetype i) const;
    // The token after the outermost "ORDER BY", or -1; the index of the
    // last token of each term of the ORDER BY list starting at `first`.
    qsizetype orderByStart() const;
    std::vector<qsizetype> orderTerms(qsizetype first) const;

private:
    const QString &m_sql;
    QList<SqlToken> m_tokens;
};

// A change to a text: `removed` characters at `at` replaced by `inserted`.
struct TextEdit {
    qsizetype at;
    qsizetype removed;
    QString inserted;
};
// The text with the edits made, wherever they are (they must not overlap).
QString withEdits(QString text, std::vector<TextEdit> edits);

// Position just after the leading SELECT keyword (after blanks and
// comments), or -1 when the text does not start with one.
qsizetype selectKeywordEnd(const QString &sql);

// True when one of the words (compared without regard to case) occurs as a
// keyword anywhere in the text, outside literals, quoted names and comments.
bool containsKeyword(const QString &sql, const QStringList &words);

// A table of the outermost FROM clause: its name as written (quotes and
// schema included), and how the text refers to it: its alias, else that
// name.
struct FromTable {
    QString name;
    QString reference;
};
// The tables of the outermost FROM clause, in their order, joined by
// commas or JOIN. Empty when the clause holds anything else (a subquery, a
// function) or there is none.
QList<FromTable> fromTables(const QString &sql);

// The text with these keys settling its order: appended to its outermost
// ORDER BY as the last terms, or as an ORDER BY of their own. Empty when
// there are none.
QString withOrderKeys(const QString &sql, const QStringList &keys);

// The text with these expressions first in its select list. Empty when the
// text does not start with SELECT.
QString withHiddenColumns(const QString &sql, const QStringList &columns);

} // namespace tavro
