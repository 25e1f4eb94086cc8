#include "data/sqltext.h"

namespace tavro {

QString sqlQuoted(const QString &userText)
{
    QString out = userText;
    // Inside a single-quoted literal the only character with a meaning of
    // its own is the apostrophe; doubled, it stands for itself.
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

} // namespace tavro
