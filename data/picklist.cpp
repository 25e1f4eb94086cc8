#include "data/picklist.h"

#include "data/enginefailure.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace tavro {

PickListRead readPickList(SQLite::Database *db, const QString &sql, const QString &column)
{
    PickListRead read;
    if (!db) {
        read.status = Status::failure(Fault::Unavailable,
                                      QStringLiteral("La base de données n'est pas ouverte : la liste n'a pas pu être remplie."));
        return read;
    }
    try {
        SQLite::Statement query(*db, sql.toStdString());
        int index = -1;
        for (int i = 0; i < query.getColumnCount(); ++i) {
            if (QString::fromUtf8(query.getColumnName(i)).compare(column, Qt::CaseInsensitive) == 0) {
                index = i;
                break;
            }
        }
        if (index < 0) {
            read.status = Status::failure(QStringLiteral("La colonne %1 manque au résultat de la requête de la liste.").arg(column));
            return read;
        }
        while (query.executeStep()) {
            const SQLite::Column value = query.getColumn(index);
            if (value.isNull())
                continue;
            read.items.append(QString::fromUtf8(value.getText(), value.getBytes()));
        }
    } catch (const SQLite::Exception &e) {
        read.status = engineFailure(sqliteFault(e.getErrorCode()), Action::Read, QString::fromUtf8(db->getFilename().c_str()),
                                    QString::fromUtf8(e.what()));
    }
    return read;
}

} // namespace tavro
