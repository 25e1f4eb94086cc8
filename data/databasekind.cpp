#include "data/databasekind.h"

#include <QRegularExpression>

namespace tavro {

DatabaseKind databaseKind(const QString &name)
{
    static const QRegularExpression uri(QStringLiteral("^postgres(ql)?://"));
    static const QRegularExpression keyValue(QStringLiteral("^\\s*[A-Za-z_]+\\s*="));
    return uri.match(name).hasMatch() || keyValue.match(name).hasMatch() ? DatabaseKind::Server : DatabaseKind::File;
}

} // namespace tavro
