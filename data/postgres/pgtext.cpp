#include "data/postgres/pgtext.h"

#include "data/loadpolicy.h"
#include "data/schema.h"
#include "data/selecttext.h"
#include "data/sqltext.h"
#include "data/textform.h"

#include <algorithm>
#include <vector>

namespace tavro::pg {

namespace {

// A value longer than this (in bytes) has no entry in a pick list's index:
// a B-tree entry holds some 2,700 bytes at most.
constexpr int kListEntryBytes = 2000;

// The first and last token of the operand that ends at token `last`: a
// name with its qualifiers, a literal, or a parenthesised expression with
// the function name before it.
std::pair<qsizetype, qsizetype> operandBefore(const SqlTokens &t, qsizetype last)
{
    qsizetype first = last;
    if (t.isPunct(last, ')')) {
        int depth = 0;
        for (; first >= 0; --first) {
            if (t.isPunct(first, ')'))
                ++depth;
            else if (t.isPunct(first, '(') && --depth == 0)
                break;
        }
        if (first < 0)
            return {-1, -1};
        if (t.isName(t.previous(first)))
            first = t.previous(first);
        return {first, last};
    }
    if (!t.isName(last) && !(last >= 0 && t[last].kind == SqlToken::Literal))
        return {-1, -1};
    while (t.isPunct(t.previous(first), '.') && t.isName(t.previous(t.previous(first))))
        first = t.previous(t.previous(first));
    return {first, last};
}

// The operand that starts at token `first` (or -1, -1).
std::pair<qsizetype, qsizetype> operandAfter(const SqlTokens &t, qsizetype first)
{
    if (first >= t.size())
        return {-1, -1};
    if (t[first].kind == SqlToken::Literal)
        return {first, first};
    qsizetype last = first;
    if (t.isName(first)) {
        while (t.isPunct(t.next(last + 1), '.') && t.isName(t.next(t.next(last + 1) + 1)))
            last = t.next(t.next(last + 1) + 1);
        if (!t.isPunct(t.next(last + 1), '('))
            return {first, last};
        last = t.next(last + 1);
    }
    if (!t.isPunct(last, '('))
        return {-1, -1};
    int depth = 0;
    for (; last < t.size(); ++last) {
        if (t.isPunct(last, '('))
            ++depth;
        else if (t.isPunct(last, ')') && --depth == 0)
            return {first, last};
    }
    return {-1, -1};
}

// An operand put in its normal form, in place.
void normalise(const QString &sql, const SqlTokens &t, std::pair<qsizetype, qsizetype> operand, std::vector<TextEdit> &edits)
{
    const auto [first, last] = operand;
    QString text = sql.mid(t[first].start, t.end(last) - t[first].start);
    if (first == last && t[first].kind == SqlToken::Literal)
        text += QStringLiteral("::pg_catalog.text");
    edits.push_back({t[first].start, t.end(last) - t[first].start, normalFormSql(text)});
}

// "SELECT DISTINCT col FROM table [WHERE ...]" read in the order rows are
// met, each value spelled as its first row spells it, without a sort of
// every row:
//  - a table with the key and the pick list's indexes, nothing filtered:
//    the distinct values one index probe each (a loose index scan), the
//    first key of each, then the values null or too long for the index;
//  - a table with the key: the distinct spellings byte for byte (hashed,
//    cheap), then those grouped by the collation, the first key of each;
//  - a table without it: sorted by value, then by place.
QString distinctInFirstMetOrder(const QString &sql, const TableFacts &facts)
{
    const SqlTokens t(sql);
    qsizetype i = t.next(0);
    if (!t.isWord(i, QLatin1String("select")))
        return sql;
    i = t.next(i + 1);
    if (!t.isWord(i, QLatin1String("distinct")))
        return sql;
    const qsizetype colFirst = t.next(i + 1);
    qsizetype colLast = colFirst;
    while (colLast + 2 < t.size() && t.isPunct(colLast + 1, '.') && t.isName(colLast + 2))
        colLast += 2;
    if (!t.isName(colFirst))
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
    const QString lead = sql.left(t[0].kind == SqlToken::Space ? t[0].length : 0);
    const qsizetype tableToken = t.next(from + 1);
    const QList<FromTable> tables = fromTables(sql);
    if (tables.size() != 1 || !facts.keyed || !facts.keyed(tables[0].name)) {
        return lead
               + QStringLiteral("SELECT %1 FROM (SELECT DISTINCT ON (%2) %2, ctid AS tavro_first FROM %3 ORDER BY %2, ctid) "
                                "AS tavro_distinct ORDER BY tavro_first")
                     .arg(name, column, rest);
    }
    const QString table = t.text(tableToken).toString();
    const bool filtered = t.next(tableToken + 1) < t.size() && !t.isPunct(t.next(tableToken + 1), ';');
    // Every first key joined back to its row, the values grouped by the
    // collation: the smallest key of each group gives the item.
    const QString items =
        QStringLiteral("SELECT r.%1 FROM (SELECT pg_catalog.min(q.CLE) AS f FROM tavro_firsts c JOIN %2 q ON q.CLE "
                       "OPERATOR(pg_catalog.=) c.f GROUP BY q.%1) g JOIN %2 r ON r.CLE OPERATOR(pg_catalog.=) g.f ORDER BY g.f")
            .arg(name, table);
    if (!filtered && facts.listed && facts.listed(tables[0].name, name)) {
        const QString indexed =
            QStringLiteral("pg_catalog.octet_length(%1) OPERATOR(pg_catalog.<=) %2").arg(name).arg(kListEntryBytes);
        return lead
               + QStringLiteral("WITH RECURSIVE tavro_skip(v) AS ((SELECT %1 FROM %2 WHERE %3 ORDER BY %1 LIMIT 1) UNION ALL "
                                "SELECT (SELECT %1 FROM %2 WHERE %3 AND %1 OPERATOR(pg_catalog.>) s.v ORDER BY %1 LIMIT 1) "
                                "FROM tavro_skip s WHERE s.v IS NOT NULL), "
                                "tavro_firsts(f) AS (SELECT (SELECT CLE FROM %2 WHERE %3 AND %1 OPERATOR(pg_catalog.=) s.v "
                                "ORDER BY %1, CLE LIMIT 1) FROM tavro_skip s WHERE s.v IS NOT NULL "
                                "UNION ALL SELECT pg_catalog.min(CLE) FROM %2 WHERE %1 IS NULL "
                                "UNION ALL SELECT CLE FROM %2 WHERE pg_catalog.octet_length(%1) OPERATOR(pg_catalog.>) %4) ")
                     .arg(name, table, indexed)
                     .arg(kListEntryBytes)
               + items;
    }
    return lead
           + QStringLiteral("WITH tavro_firsts(f) AS (SELECT pg_catalog.min(CLE) FROM %1 GROUP BY %2 COLLATE pg_catalog.\"C\") ")
                 .arg(rest, column)
           + items;
}

} // namespace

QString normalFormSql(const QString &x)
{
    // Text of ASCII characters only is its own lower case, without asking
    // ICU: the same form, many times sooner.
    static const QString ignored = ignoredClass();
    static const QString dottedI = QStringLiteral("i") + QChar(0x0307), capitalDottedI = QChar(0x0130);
    static const QString finalSigma = QChar(0x03C2), sigma = QChar(0x03C3);
    return QStringLiteral("(CASE WHEN pg_catalog.octet_length(") + x
           + QStringLiteral(") OPERATOR(pg_catalog.=) pg_catalog.char_length(") + x + QStringLiteral(") THEN pg_catalog.lower(")
           + x
           + QStringLiteral(" COLLATE pg_catalog.\"C\") ELSE pg_catalog.translate(pg_catalog.replace(pg_catalog.lower("
                            "pg_catalog.normalize(pg_catalog.regexp_replace(")
           + x + QStringLiteral(" COLLATE pg_catalog.\"C\", '") + ignored
           + QStringLiteral("', '', 'g'), 'NFKC') COLLATE pg_catalog.\"und-x-icu\"), '") + dottedI + QStringLiteral("', '")
           + capitalDottedI + QStringLiteral("'), '") + finalSigma + QStringLiteral("', '") + sigma
           + QStringLiteral("') COLLATE pg_catalog.\"C\" END)");
}

QString withTextRules(const QString &sql, const TableFacts &facts)
{
    const SqlTokens t(sql);
    std::vector<TextEdit> edits;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!t.isWord(i, QLatin1String("like")))
            continue;
        // "a [NOT] LIKE b [ESCAPE c]": a, b and c in their normal forms.
        const qsizetype negation = t.previous(i);
        const bool negated = t.isWord(negation, QLatin1String("not"));
        const auto left = operandBefore(t, negated ? t.previous(negation) : negation);
        const auto pattern = operandAfter(t, t.next(i + 1));
        if (left.first < 0 || pattern.first < 0)
            continue;
        normalise(sql, t, left, edits);
        normalise(sql, t, pattern, edits);
        // PostgreSQL's LIKE takes a backslash as its escape; SQLite's has none.
        const qsizetype escape = t.next(pattern.second + 1);
        if (!t.isWord(escape, QLatin1String("escape")))
            edits.push_back({t.end(pattern.second), 0, QStringLiteral(" ESCAPE ''")});
        else if (const auto character = operandAfter(t, t.next(escape + 1)); character.first >= 0)
            normalise(sql, t, character, edits);
    }
    // Every ORDER BY list, at whatever depth: NULLs first, as SQLite sorts them.
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (!(t.isWord(i, QLatin1String("order")) && t.isWord(t.next(i + 1), QLatin1String("by"))))
            continue;
        for (const qsizetype last : t.orderTerms(t.next(i + 1) + 1)) {
            bool hasNulls = false;
            for (qsizetype k = i; k <= last; ++k)
                hasNulls = hasNulls || t.isWord(k, QLatin1String("nulls"));
            if (!hasNulls)
                edits.push_back(
                    {t.end(last), 0,
                     t.isWord(last, QLatin1String("desc")) ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST")});
        }
    }
    return distinctInFirstMetOrder(withEdits(sql, std::move(edits)), facts);
}

QStringList listIndexSql(const QString &on, const QString &table, const QString &column)
{
    const QString name = QStringLiteral("tavro_%1_%2").arg(table, column).toLower();
    return {QStringLiteral("CREATE INDEX %1_list ON %2 (%3, CLE) WHERE pg_catalog.octet_length(%3) OPERATOR(pg_catalog.<=) %4")
                .arg(name, on, column)
                .arg(kListEntryBytes),
            QStringLiteral("CREATE INDEX %1_rest ON %2 (CLE) WHERE %3 IS NULL OR pg_catalog.octet_length(%3) "
                           "OPERATOR(pg_catalog.>) %4")
                .arg(name, on, column)
                .arg(kListEntryBytes)};
}

QString withStoredOrder(const QString &sql, const TableFacts &facts)
{
    const QList<FromTable> tables = fromTables(sql);
    // One table without the key read without ORDER BY comes in its stored
    // order already: the session scans from the first page, without
    // parallel workers (see prepareSession). Sorting a million rows by place
    // would double the wait.
    const bool ordered = SqlTokens(sql).orderByStart() >= 0;
    return inStoredOrder(sql, [&](const FromTable &table) {
        if (facts.keyed && facts.keyed(table.name))
            return QString(table.reference + QStringLiteral(".CLE"));
        return ordered || tables.size() > 1 ? QString(table.reference + QStringLiteral(".ctid")) : QString();
    });
}

QString withIdentity(const QString &sql, const QStringList &tables, const TableFacts &facts)
{
    QStringList hidden;
    for (const QString &table : tables) {
        const QString named = quotedIdentifier(table);
        if (facts.keyed && facts.keyed(named))
            hidden << named + QStringLiteral(".CLE");
        else
            hidden << named + QStringLiteral(".ctid") << named + QStringLiteral(".xmin");
    }
    return withHiddenColumns(sql, hidden);
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
