// Adding hidden rowid columns to a query text without changing the rest.
#include "data/selecttext.h"

#include <QtTest>

class TestSelectText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void withRowids_data();
    void withRowids();
    void containsKeyword_data();
    void containsKeyword();
};

void TestSelectText::withRowids_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QString>("rewritten");
    QTest::newRow("join") << "SELECT CODE.AGENCE ,TELE.TEL FROM CODE,TELE" << QStringList{"CODE", "TELE"}
                          << "SELECT \"CODE\".rowid, \"TELE\".rowid, CODE.AGENCE ,TELE.TEL FROM CODE,TELE";
    QTest::newRow("leading blank, lower case") << " select * from QRT " << QStringList{"QRT"} << " select \"QRT\".rowid, * from QRT ";
    QTest::newRow("comment first") << "/* liste */ SELECT * FROM TELE" << QStringList{"TELE"}
                                   << "/* liste */ SELECT \"TELE\".rowid, * FROM TELE";
    QTest::newRow("parenthesis first") << "(SELECT * FROM TELE)" << QStringList{"TELE"} << "";
    QTest::newRow("not a select") << "WITH t AS (SELECT 1) SELECT * FROM t" << QStringList{"t"} << "";
    QTest::newRow("select in a literal") << "'SELECT' FROM x" << QStringList{"x"} << "";
}

void TestSelectText::withRowids()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, tables);
    QFETCH(QString, rewritten);
    QCOMPARE(tavro::withRowids(sql, tables), rewritten);
}

void TestSelectText::containsKeyword_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("found");
    QTest::newRow("distinct") << "SELECT DISTINCT PROVINCE FROM CODE " << true;
    QTest::newRow("group by, any case") << "select REGION from CODE group by REGION" << true;
    QTest::newRow("word inside a literal") << "SELECT * FROM QRT WHERE QUARTIER = 'Distinct'' group'" << false;
    QTest::newRow("word inside a quoted name") << "SELECT \"GROUP\" FROM t" << false;
    QTest::newRow("word inside a comment") << "SELECT * FROM t -- group\n" << false;
    QTest::newRow("part of a longer word") << "SELECT GROUPE FROM t" << false;
}

void TestSelectText::containsKeyword()
{
    QFETCH(QString, sql);
    QFETCH(bool, found);
    QCOMPARE(tavro::containsKeyword(sql, {QStringLiteral("DISTINCT"), QStringLiteral("GROUP")}), found);
}

QTEST_APPLESS_MAIN(TestSelectText)
#include "tst_selecttext.moc"
