#include "data/loadpolicy.h"

#include "data/enginefailure.h"
#include "data/selecttext.h"

namespace tavro {

bool groupsRows(const QString &sql)
{
    static const QStringList grouping = {QStringLiteral("DISTINCT"),  QStringLiteral("GROUP"),  QStringLiteral("UNION"),
                                         QStringLiteral("INTERSECT"), QStringLiteral("EXCEPT"), QStringLiteral("HAVING")};
    return containsKeyword(sql, grouping);
}

QString inStoredOrder(const QString &sql, const std::function<QString(const FromTable &)> &keyOf)
{
    QStringList keys;
    for (const FromTable &table : fromTables(sql)) {
        if (const QString key = keyOf(table); !key.isEmpty())
            keys << key;
    }
    return withOrderKeys(sql, keys);
}

void makeReadOnly(LoadedResult &result)
{
    result.readOnly = true;
    result.tables.clear();
    result.keyed.clear();
    for (ResultColumn &c : result.columns)
        c.table = -1;
}

Status tooLargeFailure()
{
    return Status::failure(Fault::Refused, QStringLiteral("Le résultat de la recherche est trop volumineux pour être affiché."),
                           keptRowsNote(), QStringLiteral("Précisez la recherche."));
}

Status missingListColumn(const QString &column)
{
    return Status::failure(QStringLiteral("La colonne %1 manque au résultat de la requête de la liste.").arg(column));
}

} // namespace tavro
