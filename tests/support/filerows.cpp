#include "support/filerows.h"

#include "data/sqlite/opendb.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace tavro::test {

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
            cells << (c.isNull() ? QStringLiteral("<null>") : QString::fromStdString(c.getString()));
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace tavro::test
