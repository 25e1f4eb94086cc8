#include "data/databasekind.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <libpq-fe.h>

namespace tavro {

namespace {

// The options libpq knows ("host", "dbname", "password", ...), asked of
// libpq itself so that a later version's new options count too.
const QSet<QString> &libpqOptions()
{
    static const QSet<QString> options = [] {
        QSet<QString> names;
        if (PQconninfoOption *defaults = PQconndefaults()) {
            for (const PQconninfoOption *o = defaults; o->keyword; ++o)
                names.insert(QString::fromLatin1(o->keyword));
            PQconninfoFree(defaults);
        }
        return names;
    }();
    return options;
}

} // namespace

DatabaseKind databaseKind(const QString &name, const QDir &folder)
{
    // A file that is there is a file, whatever its name holds: "x=1.mdb",
    // even "host=7.mdb".
    if (!name.isEmpty() && QFileInfo(folder, name).exists())
        return DatabaseKind::File;
    static const QRegularExpression uri(QStringLiteral("^postgres(ql)?://"));
    if (uri.match(name).hasMatch())
        return DatabaseKind::Server;
    // key=value is libpq's when the first key is one of its options, even
    // where a later one is misspelt: such a text is refused as an address,
    // and shown masked, never taken for a file (it may hold a password).
    static const QRegularExpression keyValue(QStringLiteral("^\\s*([A-Za-z_]+)\\s*="));
    const QRegularExpressionMatch key = keyValue.match(name);
    return key.hasMatch() && libpqOptions().contains(key.captured(1)) ? DatabaseKind::Server : DatabaseKind::File;
}

} // namespace tavro
