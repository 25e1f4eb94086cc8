#include "data/sqltext.h"

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
