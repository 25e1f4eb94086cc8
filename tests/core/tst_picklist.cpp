// Filling a pick list from a query over a connection.
#include "data/opendb.h"
#include "data/picklist.h"
#include "support/testdb.h"

#include <QtTest>
#include <SQLiteCpp/Database.h>

using tavro::test::TestDatabase;

class TestPickList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void reads_data();
    void reads();
    void noConnectionIsAFailure();

private:
    TestDatabase m_db;
};

void TestPickList::initTestCase()
{
    m_db.create();
    m_db.insert("TELE", {"ZOLT MIRZABA GARE", "0500-300001", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {QVariant(), "0500-300002", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {"", "0500-300003", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {"KIRB MIRZABA SOUK", "0500-300004", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {"KIRB MIRZABA SOUK", "0500-300005", "MIRZABA", "DR SUD", QVariant(), QVariant()});
}

void TestPickList::reads_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("column");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("null skipped, empty kept, duplicates kept")
        << "SELECT AGENCE FROM TELE " << "AGENCE" << true
        << QStringList{"ZOLT MIRZABA GARE", "", "KIRB MIRZABA SOUK", "KIRB MIRZABA SOUK"};
    QTest::newRow("column named in another case") << "SELECT DISTINCT region FROM TELE " << "REGION" << true << QStringList{"DR SUD"};
    QTest::newRow("nothing found") << "SELECT AGENCE FROM TELE WHERE TEL = 'x'" << "AGENCE" << true << QStringList{};
    QTest::newRow("query that cannot run") << "SELECT AGENCE FROM NOWHERE" << "AGENCE" << false << QStringList{};
    QTest::newRow("column not in the result") << "SELECT TEL FROM TELE" << "AGENCE" << false << QStringList{};
    // abs() of the smallest integer fails while the third row is read.
    QTest::newRow("failure halfway keeps what was read")
        << "SELECT CASE WHEN rowid < 3 THEN TEL ELSE abs(-9223372036854775807 - 1) END AS TEL FROM TELE ORDER BY rowid"
        << "TEL" << false << QStringList{"0500-300001", "0500-300002"};
}

void TestPickList::reads()
{
    QFETCH(QString, sql);
    QFETCH(QString, column);
    QFETCH(bool, ok);
    QFETCH(QStringList, items);
    auto opened = tavro::openDatabase(m_db.path());
    QVERIFY(opened);
    const tavro::PickListRead read = tavro::readPickList(opened->get(), sql, column);
    QCOMPARE(read.status.ok(), ok);
    QCOMPARE(read.status.message().isEmpty(), ok);
    QCOMPARE(read.items, items);
}

void TestPickList::noConnectionIsAFailure()
{
    const tavro::PickListRead read = tavro::readPickList(nullptr, QStringLiteral("SELECT AGENCE FROM TELE "), QStringLiteral("AGENCE"));
    QVERIFY(!read.status.ok());
    QVERIFY(read.items.isEmpty());
}

QTEST_GUILESS_MAIN(TestPickList)
#include "tst_picklist.moc"
