// What a clerk types goes between the quotes as text: quoting, and typed
// searches run against a small database whose rows are known.
#include "data/recordsource.h"
#include "data/sqltext.h"
#include "records/adrqueries.h"
#include "support/testdb.h"

#include <QtTest>

using tavro::sqlQuoted;
using tavro::test::TestDatabase;

class TestQueryTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void quoting_data();
    void quoting();
    void runsAsWritten_data();
    void runsAsWritten();

private:
    QStringList run(const QString &sql, const QString &column, QString *error = nullptr);
    TestDatabase m_db;
};

void TestQueryTexts::initTestCase()
{
    m_db.create();
    m_db.insert("QRT", {"Rue de l'Église", "10010", "Valmérin"});
    m_db.insert("QRT", {"Avenue des Roses", "10030", "Valmérin"});
    m_db.insert("QRT", {"Place du Marché", "12010", "Tazurellekt"});
    m_db.insert("QRT", {"rue des Écoles", "12030", "Tazurellekt"});
    m_db.insert("QRT", {"Rue_basse 100%", "14010", "Ombrevent"});
}

QStringList TestQueryTexts::run(const QString &sql, const QString &column, QString *error)
{
    tavro::RecordSource source;
    source.setDatabasePath(m_db.path());
    source.setRecordSource(sql);
    const tavro::Status status = source.refresh();
    if (error)
        *error = status.message();
    QStringList out;
    for (int r = 0; r < source.rowCount(); ++r)
        out << source.text(r, column);
    return out;
}

void TestQueryTexts::quoting_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "VALMÉRIN" << "VALMÉRIN";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("one apostrophe") << "Rue de l'Église" << "Rue de l''Église";
    QTest::newRow("two in a row") << "l''x" << "l''''x";
    QTest::newRow("wildcards untouched") << "1%_2" << "1%_2";
    QTest::newRow("double quotes untouched") << "\"A\"" << "\"A\"";
    QTest::newRow("trying to end the literal") << "x' OR '1'='1" << "x'' OR ''1''=''1";
}

void TestQueryTexts::quoting()
{
    QFETCH(QString, input);
    QFETCH(QString, quoted);
    QCOMPARE(sqlQuoted(input), quoted);
}

void TestQueryTexts::runsAsWritten_data()
{
    // The window's own fragments and rows are covered with every text in
    // tst_recordqueries; here what a clerk may type: wildcards keep their
    // meaning, quotes stay text.
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QStringList>("rows");
    using tavro::adrq::kStreetSearch;

    QTest::newRow("apostrophe") << kStreetSearch.with("Rue de l'É") << "CPOSTALE" << QStringList{"10010"};
    QTest::newRow("case and accent") << kStreetSearch.with("RUE DES É") << "CPOSTALE" << QStringList{"12030"};
    QTest::newRow("% typed") << kStreetSearch.with("%Roses") << "CPOSTALE" << QStringList{"10030"};
    QTest::newRow("_ typed is any letter") << kStreetSearch.with("Rue_") << "CPOSTALE"
                                           << QStringList{"10010", "12030", "14010"};
    QTest::newRow("text trying to widen the search") << kStreetSearch.with("x' OR '1'='1") << "QUARTIER" << QStringList{};
    QTest::newRow("text trying a second statement") << kStreetSearch.with("'; DELETE FROM QRT; --") << "QUARTIER"
                                                    << QStringList{};
}

void TestQueryTexts::runsAsWritten()
{
    QFETCH(QString, sql);
    QFETCH(QString, column);
    QFETCH(QStringList, rows);
    QString error;
    QCOMPARE(run(sql, column, &error), rows);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(m_db.rows(QStringLiteral("SELECT count(*) FROM QRT")), QStringList{"5"});
}

QTEST_GUILESS_MAIN(TestQueryTexts)
#include "tst_querytexts.moc"
