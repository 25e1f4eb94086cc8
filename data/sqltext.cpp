#include "data/sqltext.h"

#include <cstring>

namespace tavro {

QString withoutControlCharacters(const QString &text, bool keepTabs)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control || (keepTabs && c == QLatin1Char('\t')))
            out.append(c);
    }
    return out;
}

QString sqlQuoted(const QString &text)
{
    // Inside a single-quoted literal the only character with a meaning of
    // its own is the apostrophe; doubled, it stands for itself.
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    // A query text ends at a NUL: a value holding one (written by another
    // tool into a file; a server's texts never hold one) is spelt as its
    // pieces joined by char(0), which the file's engine reads back whole.
    out.replace(QChar(u'\0'), QLatin1String("' || char(0) || '"));
    return out;
}

QString storedText(const char *utf8, qsizetype length)
{
    // Each leading mark kept, the rest read as usual.
    static constexpr char kMark[] = "\xEF\xBB\xBF";
    qsizetype marks = 0;
    while (length - 3 * marks >= 3 && std::memcmp(utf8 + 3 * marks, kMark, 3) == 0)
        ++marks;
    if (marks == 0)
        return QString::fromUtf8(utf8, length);
    return QString(marks, QChar(0xFEFF)) + QString::fromUtf8(utf8 + 3 * marks, length - 3 * marks);
}

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString insertStatement(const QString &table, const QStringList &columns)
{
    QStringList names, marks;
    for (const QString &column : columns) {
        names << quotedIdentifier(column);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(quotedIdentifier(table), names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
}

} // namespace tavro
