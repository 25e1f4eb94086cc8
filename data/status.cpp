#include "data/status.h"

#include <QStringList>

namespace tavro {

QString Status::message() const
{
    QStringList parts;
    for (const QString *part : {&m_what, &m_kept, &m_advice}) {
        if (!part->isEmpty())
            parts << *part;
    }
    return parts.join(QLatin1Char('\n'));
}

} // namespace tavro
