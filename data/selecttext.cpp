#include "data/selecttext.h"

#include <functional>

namespace tavro {
namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Calls visit(start, length) for every bare word; stops early when it returns true.
bool forEachWord(const QString &sql, const std::function<bool(qsizetype, qsizetype)> &visit)
{
    for (const SqlToken &t : sqlTokens(sql)) {
        if (t.kind == SqlToken::Word && visit(t.start, t.length))
            return true;
    }
    return false;
}

} // namespace

QList<SqlToken> sqlTokens(const QString &sql)
{
    QList<SqlToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto skipTo = [&](QChar close) {
        ++i;
        while (i < n) {
            if (sql[i] == close) {
                // A doubled closing quote stands for itself.
                if (i + 1 < n && sql[i + 1] == close && close != QLatin1Char(']')) {
                    i += 2;
                    continue;
                }
                ++i;
                return;
            }
            ++i;
        }
    };
    while (i < n) {
        const qsizetype start = i;
        const QChar c = sql[i];
        SqlToken::Kind kind = SqlToken::Punct;
        if (c == QLatin1Char('\'')) {
            skipTo(c);
            kind = SqlToken::Literal;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            skipTo(c);
            kind = SqlToken::QuotedName;
        } else if (c == QLatin1Char('[')) {
            skipTo(QLatin1Char(']'));
            kind = SqlToken::QuotedName;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n'))
                ++i;
            kind = SqlToken::Space;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            kind = SqlToken::Space;
        } else if (c.isSpace()) {
            while (i < n && sql[i].isSpace())
                ++i;
            kind = SqlToken::Space;
        } else if (isWordChar(c)) {
            while (i < n && isWordChar(sql[i]))
                ++i;
            kind = SqlToken::Word;
        } else {
            ++i;
        }
        tokens.append({kind, start, i - start});
    }
    return tokens;
}

qsizetype selectKeywordEnd(const QString &sql)
{
    qsizetype end = -1;
    qsizetype firstOther = -1;
    forEachWord(sql, [&](qsizetype start, qsizetype length) {
        if (QStringView(sql).mid(start, length).compare(QLatin1String("select"), Qt::CaseInsensitive) == 0)
            end = start + length;
        return true; // only the first word counts
    });
    if (end < 0)
        return -1;
    // Nothing but blanks and comments may stand before it.
    for (qsizetype i = 0; i < end - 6; ++i) {
        if (!sql[i].isSpace()) {
            firstOther = i;
            break;
        }
    }
    if (firstOther >= 0 && !(sql.mid(firstOther, 2) == QLatin1String("--") || sql.mid(firstOther, 2) == QLatin1String("/*")))
        return -1;
    return end;
}

bool containsKeyword(const QString &sql, const QStringList &words)
{
    return forEachWord(sql, [&](qsizetype start, qsizetype length) {
        const QStringView word = QStringView(sql).mid(start, length);
        for (const QString &w : words) {
            if (word.compare(w, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    });
}

} // namespace tavro
