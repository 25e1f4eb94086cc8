#include "data/picklist.h"

#include "data/connection.h"

namespace tavro {

PickListRead readPickList(Connection *connection, const QString &sql, const QString &column)
{
    if (!connection) {
        return {{},
                Status::failure(Fault::Unavailable,
                                QStringLiteral("La base de données n'est pas ouverte : la liste n'a pas pu être remplie."))};
    }
    return connection->readColumn(sql, column);
}

} // namespace tavro
