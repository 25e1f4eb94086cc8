#pragma once

#include "data/status.h"

#include <QStringList>

namespace tavro {

class Connection;

// A pick list as read: the items, and why the reading stopped early if it did.
struct PickListRead {
    QStringList items;
    Status status;
};

// Runs a pick-list query on a connection, reading forward, and gives the
// named column's value of each row in the order returned. A null value adds
// nothing; an empty text adds an empty item. When the query cannot run or a
// row cannot be read, the items read so far come back with the failure. A
// null connection is a failure.
PickListRead readPickList(Connection *connection, const QString &sql, const QString &column);

} // namespace tavro
