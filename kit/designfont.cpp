#include "kit/designfont.h"

#include <QFontDatabase>
#include <QStringList>

namespace tavro {

QFont designFont(const QString &family, qreal pointSize, bool bold)
{
    QString face = family;
    const QStringList substitutes = QFont::substitutes(family);
    if (!substitutes.isEmpty() && !QFontDatabase::hasFamily(family))
        face = substitutes.constFirst();
    QFont font(face);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace tavro
