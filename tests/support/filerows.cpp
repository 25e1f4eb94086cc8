#include "support/filerows.h"

#include "data/schema.h"
#include "data/selecttext.h"
#include "data/sqlite/opendb.h"
#include "data/sqltext.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace tavro::test {

bool keptColumn(const QString &sql, const QString &column)
{
    return column.compare(QLatin1String(kKeyColumn), Qt::CaseInsensitive) != 0
           || containsKeyword(sql, {QLatin1String(kKeyColumn)});
}

QStringList fileRows(const QString &path, const QString &sql)
{
    auto opened = openDatabase(path);
    if (!opened)
        return {QStringLiteral("open failed: ") + opened.status().message()};
    SQLite::Statement st(**opened, sql.toStdString());
    QStringList rows;
    while (st.executeStep()) {
        QStringList cells;
        for (int i = 0; i < st.getColumnCount(); ++i) {
            const SQLite::Column c = st.getColumn(i);
            if (keptColumn(sql, QString::fromUtf8(st.getColumnName(i))))
                cells << (c.isNull() ? QStringLiteral("<null>") : storedText(c.getText(), c.getBytes()));
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace tavro::test
