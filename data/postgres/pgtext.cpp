#include "data/postgres/pgtext.h"

#include "data/selecttext.h"
#include "data/sqltext.h"

#include <algorithm>
#include <vector>

namespace tavro::pg {

namespace {

struct Edit {
    qsizetype at;
    qsizetype removed;
    QString inserted;
};

QString applied(QString text, std::vector<Edit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) { return a.at > b.at; });
    for (const Edit &e : edits)
        text.replace(e.at, e.removed, e.inserted);
    return text;
}

class Tokens {
public:
    explicit Tokens(const QString &sql)
        : m_sql(sql)
        , m_tokens(sqlTokens(sql))
    {
    }
    qsizetype size() const { return m_tokens.size(); }
    const SqlToken &operator[](qsizetype i) const { return m_tokens[i]; }
    QStringView text(qsizetype i) const { return QStringView(m_sql).mid(m_tokens[i].start, m_tokens[i].length); }
    qsizetype end(qsizetype i) const { return m_tokens[i].start + m_tokens[i].length; }
    bool isWord(qsizetype i, QLatin1String word) const
    {
        return i >= 0 && i < size() && m_tokens[i].kind == SqlToken::Word && text(i).compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isPunct(qsizetype i, char c) const
    {
        return i >= 0 && i < size() && m_tokens[i].kind == SqlToken::Punct && text(i) == QLatin1Char(c);
    }
    // The next token that is not blank or a comment, from i on.
    qsizetype next(qsizetype i) const
    {
        while (i < size() && m_tokens[i].kind == SqlToken::Space)
            ++i;
        return i;
    }
    // The token before i that is not blank or a comment, or -1.
    qsizetype previous(qsizetype i) const
    {
        do
            --i;
        while (i >= 0 && m_tokens[i].kind == SqlToken::Space);
        return i;
    }

private:
    const QString &m_sql;
    QList<SqlToken> m_tokens;
};

// The terms of an ORDER BY list that starts at token `first`: for each,
// the index of its last token.
std::vector<qsizetype> orderTerms(const Tokens &t, qsizetype first)
{
    static const QLatin1String ends[] = {QLatin1String("limit"),    QLatin1String("offset"), QLatin1String("fetch"),
                                         QLatin1String("for"),      QLatin1String("union"),  QLatin1String("except"),
                                         QLatin1String("intersect")};
    std::vector<qsizetype> lasts;
    int depth = 0;
    qsizetype last = -1;
    qsizetype i = first;
    for (; i < t.size(); ++i) {
        if (t.isPunct(i, '(')) {
            ++depth;
        } else if (t.isPunct(i, ')')) {
            if (--depth < 0)
                break;
        } else if (depth == 0 && (t.isPunct(i, ',') || t.isPunct(i, ';'))) {
            if (last >= 0)
                lasts.push_back(last);
            last = -1;
            if (t.isPunct(i, ';'))
                return lasts;
            continue;
        } else if (depth == 0 && std::any_of(std::begin(ends), std::end(ends), [&](QLatin1String w) { return t.isWord(i, w); })) {
            break;
        }
        if (t[i].kind != SqlToken::Space)
            last = i;
    }
    if (last >= 0)
        lasts.push_back(last);
    return lasts;
}

// The token after "ORDER BY" at the outermost level, or -1.
qsizetype orderByStart(const Tokens &t)
{
    int depth = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t.isPunct(i, '('))
            ++depth;
        else if (t.isPunct(i, ')'))
            --depth;
        else if (depth == 0 && t.isWord(i, QLatin1String("order")) && t.isWord(t.next(i + 1), QLatin1String("by")))
            return t.next(i + 1) + 1;
    }
    return -1;
}

// "SELECT DISTINCT col FROM table [WHERE ...]" read in the order rows are met.
QString distinctInFirstMetOrder(const QString &sql)
{
    const Tokens t(sql);
    qsizetype i = t.next(0);
    if (!t.isWord(i, QLatin1String("select")))
        return sql;
    i = t.next(i + 1);
    if (!t.isWord(i, QLatin1String("distinct")))
        return sql;
    const qsizetype colFirst = t.next(i + 1);
    qsizetype colLast = colFirst;
    while (colLast + 2 < t.size() && t.isPunct(colLast + 1, '.')
           && (t[colLast + 2].kind == SqlToken::Word || t[colLast + 2].kind == SqlToken::QuotedName))
        colLast += 2;
    if (colFirst >= t.size() || (t[colFirst].kind != SqlToken::Word && t[colFirst].kind != SqlToken::QuotedName))
        return sql;
    const qsizetype from = t.next(colLast + 1);
    if (!t.isWord(from, QLatin1String("from")))
        return sql;
    // One table, nothing that groups, joins or orders.
    static const QLatin1String refused[] = {QLatin1String("join"),      QLatin1String("order"), QLatin1String("group"),
                                            QLatin1String("union"),     QLatin1String("limit"), QLatin1String("except"),
                                            QLatin1String("intersect"), QLatin1String("having")};
    int depth = 0;
    for (qsizetype k = from + 1; k < t.size(); ++k) {
        if (t.isPunct(k, '('))
            ++depth;
        else if (t.isPunct(k, ')'))
            --depth;
        else if (depth == 0
                 && (t.isPunct(k, ',') || t.isPunct(k, ';')
                     || std::any_of(std::begin(refused), std::end(refused), [&](QLatin1String w) { return t.isWord(k, w); })))
            return sql;
    }
    const QString column = sql.mid(t[colFirst].start, t.end(colLast) - t[colFirst].start);
    const QString name = t.text(colLast).toString();
    const QString rest = sql.mid(t.end(from)).trimmed();
    return sql.left(t[0].kind == SqlToken::Space ? t[0].length : 0)
           + QStringLiteral("SELECT %1 FROM (SELECT DISTINCT ON (%2) %2, ctid AS tavro_first FROM %3 ORDER BY %2, ctid) "
                            "AS tavro_distinct ORDER BY tavro_first")
                 .arg(name, column, rest);
}

} // namespace

QString withTextRules(const QString &sql)
{
    const Tokens t(sql);
    std::vector<Edit> edits;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!t.isWord(i, QLatin1String("like")))
            continue;
        // "a NOT LIKE b": the collation goes with a, before the NOT.
        const qsizetype negation = t.previous(i);
        if (t.isWord(negation, QLatin1String("not"))) {
            edits.push_back({t[negation].start, 0, QStringLiteral("COLLATE \"und-x-icu\" ")});
            edits.push_back({t[i].start, t[i].length, QStringLiteral("ILIKE")});
        } else {
            edits.push_back({t[i].start, t[i].length, QStringLiteral("COLLATE \"und-x-icu\" ILIKE")});
        }
        // PostgreSQL's LIKE takes a backslash as its escape; SQLite's has none.
        const qsizetype pattern = t.next(i + 1);
        if (pattern < t.size() && t[pattern].kind == SqlToken::Literal && !t.isWord(t.next(pattern + 1), QLatin1String("escape")))
            edits.push_back({t.end(pattern), 0, QStringLiteral(" ESCAPE ''")});
    }
    // Every ORDER BY list, at whatever depth: NULLs first, as SQLite sorts them.
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!(t.isWord(i, QLatin1String("order")) && t.isWord(t.next(i + 1), QLatin1String("by"))))
            continue;
        for (const qsizetype last : orderTerms(t, t.next(i + 1) + 1)) {
            bool hasNulls = false;
            for (qsizetype k = i; k <= last; ++k)
                hasNulls = hasNulls || t.isWord(k, QLatin1String("nulls"));
            if (!hasNulls)
                edits.push_back(
                    {t.end(last), 0,
                     t.isWord(last, QLatin1String("desc")) ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST")});
        }
    }
    return distinctInFirstMetOrder(applied(sql, std::move(edits)));
}

QString withIdentity(const QString &sql, const QStringList &tables)
{
    const qsizetype select = selectKeywordEnd(sql);
    if (select < 0)
        return {};
    QString hidden, order;
    for (const QString &table : tables) {
        hidden += QStringLiteral(" %1.ctid, %1.xmin,").arg(quotedIdentifier(table));
        order += (order.isEmpty() ? QString() : QStringLiteral(", ")) + quotedIdentifier(table) + QStringLiteral(".ctid");
    }
    const Tokens t(sql);
    std::vector<Edit> edits{{select, 0, hidden}};
    const qsizetype first = orderByStart(t);
    const std::vector<qsizetype> terms = first < 0 ? std::vector<qsizetype>() : orderTerms(t, first);
    // One table read without ORDER BY comes in its stored order already: the
    // session scans from the first page, without parallel workers (see
    // prepareSession). Sorting a million rows by place would double the wait.
    if (terms.empty() && tables.size() > 1)
        edits.push_back({sql.size(), 0, QStringLiteral(" ORDER BY ") + order});
    else if (!terms.empty())
        edits.push_back({t.end(terms.back()), 0, QStringLiteral(", ") + order});
    return applied(sql, std::move(edits));
}

qint64 packTid(const QByteArray &ctid)
{
    const qsizetype comma = ctid.indexOf(',');
    if (!ctid.startsWith('(') || !ctid.endsWith(')') || comma < 0)
        return -1;
    bool blockOk = false, itemOk = false;
    const qint64 block = ctid.mid(1, comma - 1).toLongLong(&blockOk);
    const qint64 item = ctid.mid(comma + 1, ctid.size() - comma - 2).toLongLong(&itemOk);
    if (!blockOk || !itemOk || block < 0 || block > 0xffffffffLL || item < 0 || item > 0xffff)
        return -1;
    return (block << 16) | item;
}

QByteArray unpackTid(qint64 packed)
{
    return QByteArrayLiteral("(") + QByteArray::number(packed >> 16) + ',' + QByteArray::number(packed & 0xffff) + ')';
}

} // namespace tavro::pg
