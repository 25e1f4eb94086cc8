#include "data/selecttext.h"

#include <algorithm>
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

SqlTokens::SqlTokens(const QString &sql)
    : m_sql(sql)
    , m_tokens(sqlTokens(sql))
{
}

QStringView SqlTokens::text(qsizetype i) const
{
    return QStringView(m_sql).mid(m_tokens[i].start, m_tokens[i].length);
}

bool SqlTokens::isWord(qsizetype i, QLatin1String word) const
{
    return i >= 0 && i < size() && m_tokens[i].kind == SqlToken::Word && text(i).compare(word, Qt::CaseInsensitive) == 0;
}

bool SqlTokens::isPunct(qsizetype i, char c) const
{
    return i >= 0 && i < size() && m_tokens[i].kind == SqlToken::Punct && text(i) == QLatin1Char(c);
}

bool SqlTokens::isName(qsizetype i) const
{
    return i >= 0 && i < size() && (m_tokens[i].kind == SqlToken::Word || m_tokens[i].kind == SqlToken::QuotedName);
}

qsizetype SqlTokens::next(qsizetype i) const
{
    while (i < size() && m_tokens[i].kind == SqlToken::Space)
        ++i;
    return i;
}

qsizetype SqlTokens::previous(qsizetype i) const
{
    do
        --i;
    while (i >= 0 && m_tokens[i].kind == SqlToken::Space);
    return i;
}

namespace {

// Words that end a list at the outermost level of a statement.
bool endsClause(const SqlTokens &t, qsizetype i)
{
    static const QLatin1String ends[] = {QLatin1String("where"),  QLatin1String("group"),     QLatin1String("having"),
                                         QLatin1String("order"),  QLatin1String("limit"),     QLatin1String("offset"),
                                         QLatin1String("fetch"),  QLatin1String("for"),       QLatin1String("union"),
                                         QLatin1String("except"), QLatin1String("intersect"), QLatin1String("window")};
    return t.isPunct(i, ';') || std::any_of(std::begin(ends), std::end(ends), [&](QLatin1String w) { return t.isWord(i, w); });
}

bool isJoinWord(const SqlTokens &t, qsizetype i)
{
    static const QLatin1String words[] = {QLatin1String("join"),  QLatin1String("inner"),  QLatin1String("left"),
                                          QLatin1String("right"), QLatin1String("full"),   QLatin1String("outer"),
                                          QLatin1String("cross"), QLatin1String("natural")};
    return std::any_of(std::begin(words), std::end(words), [&](QLatin1String w) { return t.isWord(i, w); });
}

} // namespace

qsizetype SqlTokens::orderByStart() const
{
    int depth = 0;
    for (qsizetype i = 0; i < size(); ++i) {
        if (isPunct(i, '('))
            ++depth;
        else if (isPunct(i, ')'))
            --depth;
        else if (depth == 0 && isWord(i, QLatin1String("order")) && isWord(next(i + 1), QLatin1String("by")))
            return next(i + 1) + 1;
    }
    return -1;
}

std::vector<qsizetype> SqlTokens::orderTerms(qsizetype first) const
{
    std::vector<qsizetype> lasts;
    int depth = 0;
    qsizetype last = -1;
    for (qsizetype i = first; i < size(); ++i) {
        if (isPunct(i, '(')) {
            ++depth;
        } else if (isPunct(i, ')')) {
            if (--depth < 0)
                break;
        } else if (depth == 0 && isPunct(i, ',')) {
            if (last >= 0)
                lasts.push_back(last);
            last = -1;
            continue;
        } else if (depth == 0 && !isWord(i, QLatin1String("order")) && endsClause(*this, i)) {
            break;
        }
        if (m_tokens[i].kind != SqlToken::Space)
            last = i;
    }
    if (last >= 0)
        lasts.push_back(last);
    return lasts;
}

QString withEdits(QString text, std::vector<TextEdit> edits)
{
    std::stable_sort(edits.begin(), edits.end(), [](const TextEdit &a, const TextEdit &b) { return a.at > b.at; });
    for (const TextEdit &e : edits)
        text.replace(e.at, e.removed, e.inserted);
    return text;
}

QList<FromTable> fromTables(const QString &sql)
{
    const SqlTokens t(sql);
    int depth = 0;
    qsizetype i = 0;
    for (; i < t.size(); ++i) {
        if (t.isPunct(i, '('))
            ++depth;
        else if (t.isPunct(i, ')'))
            --depth;
        else if (depth == 0 && t.isWord(i, QLatin1String("from")))
            break;
    }
    QList<FromTable> tables;
    i = t.next(i + 1);
    while (i < t.size()) {
        // A table: a name, or names joined by dots (a schema's), then its alias.
        if (!t.isName(i) || endsClause(t, i) || isJoinWord(t, i))
            return {};
        const qsizetype first = i;
        while (t.isPunct(t.next(i + 1), '.') && t.isName(t.next(t.next(i + 1) + 1)))
            i = t.next(t.next(i + 1) + 1);
        FromTable table;
        table.name = sql.mid(t[first].start, t.end(i) - t[first].start);
        table.reference = table.name;
        i = t.next(i + 1);
        if (t.isWord(i, QLatin1String("as")))
            i = t.next(i + 1);
        if (t.isName(i) && !endsClause(t, i) && !isJoinWord(t, i) && !t.isWord(i, QLatin1String("on"))
            && !t.isWord(i, QLatin1String("using"))) {
            table.reference = t.text(i).toString();
            i = t.next(i + 1);
        }
        tables << table;
        // What joins it to the next: a comma or JOIN, after any condition.
        int level = 0;
        while (i < t.size()) {
            if (t.isPunct(i, '(')) {
                ++level;
            } else if (t.isPunct(i, ')')) {
                if (--level < 0)
                    return tables;
            } else if (level == 0 && (endsClause(t, i) || t.isPunct(i, ',') || t.isWord(i, QLatin1String("join")))) {
                break;
            }
            i = t.next(i + 1);
        }
        if (i >= t.size() || endsClause(t, i))
            return tables;
        i = t.next(i + 1);
    }
    return tables;
}

QString withOrderKeys(const QString &sql, const QStringList &keys)
{
    if (keys.isEmpty())
        return sql;
    const SqlTokens t(sql);
    const qsizetype first = t.orderByStart();
    const std::vector<qsizetype> terms = first < 0 ? std::vector<qsizetype>() : t.orderTerms(first);
    if (!terms.empty())
        return withEdits(sql, {{t.end(terms.back()), 0, QStringLiteral(", ") + keys.join(QStringLiteral(", "))}});
    // Before LIMIT and the like, else after the last word: a comment that
    // ends the text stays a comment.
    int depth = 0;
    qsizetype at = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t.isPunct(i, '('))
            ++depth;
        else if (t.isPunct(i, ')'))
            --depth;
        else if (depth == 0 && i > 0
                 && (t.isPunct(i, ';') || t.isWord(i, QLatin1String("limit")) || t.isWord(i, QLatin1String("offset"))
                     || t.isWord(i, QLatin1String("fetch")) || t.isWord(i, QLatin1String("for"))))
            break;
        if (t[i].kind != SqlToken::Space)
            at = t.end(i);
    }
    return withEdits(sql, {{at, 0, QStringLiteral(" ORDER BY ") + keys.join(QStringLiteral(", "))}});
}

QString withHiddenColumns(const QString &sql, const QStringList &columns)
{
    const qsizetype end = selectKeywordEnd(sql);
    if (end < 0)
        return {};
    QString hidden;
    for (const QString &column : columns)
        hidden += QLatin1Char(' ') + column + QLatin1Char(',');
    return sql.left(end) + hidden + sql.mid(end);
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
