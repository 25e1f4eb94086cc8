#include "data/picklist.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace tavro {

Status readPickList(SQLite::Database *db, const QString &sql, const QString &column, QStringList &items)
{
    if (!db)
        return Status::failure(QStringLiteral("La base de données n'est pas ouverte : la liste n'a pas pu être remplie."));
    try {
        SQLite::Statement query(*db, sql.toStdString());
        int index = -1;
        for (int i = 0; i < query.getColumnCount(); ++i) {
            if (QString::fromUtf8(query.getColumnName(i)).compare(column, Qt::CaseInsensitive) == 0) {
                index = i;
                break;
            }
        }
        if (index < 0)
            return Status::failure(QStringLiteral("La colonne %1 manque au résultat de la requête de la liste.").arg(column));
        while (query.executeStep()) {
            const SQLite::Column value = query.getColumn(index);
            if (value.isNull())
                continue;
            items.append(QString::fromUtf8(value.getText(), value.getBytes()));
        }
        return Status::success();
    } catch (const std::exception &e) {
        return Status::failure(QStringLiteral("La liste n'a pas pu être lue entièrement : %1").arg(QString::fromUtf8(e.what())));
    }
}

} // namespace tavro
