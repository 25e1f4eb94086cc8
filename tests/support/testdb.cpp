#include "support/testdb.h"

#include "data/module1.h"
#include "data/opendb.h"
#include "data/sampledata.h"
#include "data/schema.h"

#include <QDir>
#include <QtTest>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace tavro::test {

TestDatabase::TestDatabase()
    : m_previousFolder(QDir::currentPath())
{
}

TestDatabase::~TestDatabase()
{
    QDir::setCurrent(m_previousFolder);
    Module1::setProgramFolder(QString());
}

QString TestDatabase::path() const
{
    return QDir(m_dir.path()).filePath(QLatin1String(kDatabaseFileName));
}

void TestDatabase::create()
{
    auto db = createDatabaseFile(path());
    if (!db)
        qFatal("%s", qPrintable(db.status().message()));
    createSchema(**db);
}

void TestDatabase::createSample()
{
    if (const auto written = writeSampleDatabase(path(), SampleOptions{}); !written)
        qFatal("sample database: %s", qPrintable(written.status().message()));
}

void TestDatabase::insert(const char *table, const QVariantList &values)
{
    auto opened = openDatabase(path());
    if (!opened)
        qFatal("%s", qPrintable(opened.status().message()));
    QStringList marks;
    for (int i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    SQLite::Statement st(**opened, QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(QLatin1String(table), marks.join(QLatin1Char(','))).toStdString());
    for (int i = 0; i < values.size(); ++i) {
        if (values[i].isNull())
            st.bind(i + 1);
        else
            st.bind(i + 1, values[i].toString().toStdString());
    }
    st.exec();
}

void TestDatabase::exec(const QString &sql)
{
    auto opened = openDatabase(path());
    if (!opened)
        qFatal("%s", qPrintable(opened.status().message()));
    (*opened)->exec(sql.toStdString());
}

QStringList TestDatabase::rows(const QString &sql) const
{
    auto opened = openDatabase(path());
    if (!opened)
        qFatal("%s", qPrintable(opened.status().message()));
    SQLite::Statement st(**opened, sql.toStdString());
    QStringList out;
    while (st.executeStep()) {
        QStringList cells;
        for (int i = 0; i < st.getColumnCount(); ++i) {
            const SQLite::Column c = st.getColumn(i);
            cells << (c.isNull() ? QStringLiteral("<null>") : QString::fromStdString(c.getString()));
        }
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

void TestDatabase::makeCurrent()
{
    Module1::setProgramFolder(m_dir.path());
    QDir::setCurrent(m_dir.path());
}

} // namespace tavro::test
