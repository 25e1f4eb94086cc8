// The query texts the windows build, run exactly as they stand against a
// small database whose rows are known, with user text quoted by sqlQuoted.
#include "data/recordsource.h"
#include "data/sqltext.h"
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
    m_db.insert("CODE", {"VALMÉRIN PRINCIPALE", "10000", "VALMÉRIN", "DR NORD"});
    m_db.insert("CODE", {"ZOLT VALMÉRIN GARE", "10020", "VALMÉRIN", "DR NORD"});
    m_db.insert("CODE", {"École Normale ZOLT", "10120", "VALMÉRIN", "DR NORD"});
    m_db.insert("CODE", {"KIRB TAZROUKT CENTRE", "12040", "TAZROUKT", "DR NORD"});
    m_db.insert("CODE", {"BUREAU SANS TÉLÉPHONE", "12060", "TAZROUKT", "DR NORD"});
    m_db.insert("CODE", {"AGENCE DE L'ÉTOILE", "14020", "OMBREVENT", "DR NORD-EST"});
    m_db.insert("TELE", {"VALMÉRIN PRINCIPALE", "0500-100001", "VALMÉRIN", "DR NORD", "1, Place de la Liberté", "0500-100101"});
    m_db.insert("TELE", {"ZOLT VALMÉRIN GARE", "0500-100002", "VALMÉRIN", "DR NORD", "4, Rue de la Gare", QVariant()});
    m_db.insert("TELE", {"École Normale ZOLT", "0500-100003", "VALMÉRIN", "DR NORD", "2, Allée des Écoles", QVariant()});
    m_db.insert("TELE", {"KIRB TAZROUKT CENTRE", "0500-100004", "TAZROUKT", "DR NORD", "8, Rue du Moulin", QVariant()});
    m_db.insert("TELE", {"KIRB TAZROUKT CENTRE", "0500-100005", "TAZROUKT", "DR NORD", "8, Rue du Moulin", QVariant()});
    m_db.insert("TELE", {"AGENCE DE L'ÉTOILE", "0500-100006", "OMBREVENT", "DR NORD-EST", "12, Rue de l'Oued", QVariant()});
    m_db.insert("QRT", {"Rue de l'Église", "10010", "Valmérin"});
    m_db.insert("QRT", {"Avenue des Roses", "10030", "Valmérin"});
    m_db.insert("QRT", {"Place du Marché", "12010", "Tazroukt"});
    m_db.insert("QRT", {"rue des Écoles", "12030", "Tazroukt"});
    m_db.insert("QRT", {"Rue_basse 100%", "14010", "Ombrevent"});
}

QStringList TestQueryTexts::run(const QString &sql, const QString &column, QString *error)
{
    tavro::RecordSource source;
    source.setDatabasePath(m_db.path());
    source.setRecordSource(sql);
    const tavro::Status status = source.refresh();
    if (error)
        *error = status.error;
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
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QStringList>("rows");
    const QString join = QStringLiteral("SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE "
                                        "WHERE CODE.AGENCE = TELE.AGENCE ");
    const QStringList joined = {"VALMÉRIN PRINCIPALE", "ZOLT VALMÉRIN GARE", "École Normale ZOLT", "KIRB TAZROUKT CENTRE",
                                "KIRB TAZROUKT CENTRE", "AGENCE DE L'ÉTOILE"};
    auto q = [](const char *open, const QString &text, const char *close) -> QString {
        return QString::fromUtf8(open) + sqlQuoted(text) + QString::fromUtf8(close);
    };

    // Initial, show-all and pick-list texts.
    QTest::newRow("cp initial") << join << "AGENCE" << joined;
    QTest::newRow("cp initial TEL") << join << "TEL"
                                    << QStringList{"0500-100001", "0500-100002", "0500-100003", "0500-100004", "0500-100005", "0500-100006"};
    QTest::newRow("tel initial") << "select * from TELE" << "TEL"
                                 << QStringList{"0500-100001", "0500-100002", "0500-100003", "0500-100004", "0500-100005", "0500-100006"};
    QTest::newRow("adr initial") << "select * from QRT " << "CPOSTALE" << QStringList{"10010", "10030", "12010", "12030", "14010"};
    QTest::newRow("cp show all") << " SELECT * FROM CODE " << "CPOSTALE"
                                 << QStringList{"10000", "10020", "10120", "12040", "12060", "14020"};
    QTest::newRow("tel show all") << " select * from TELE" << "AGENCE" << joined;
    QTest::newRow("adr show all") << " select * from QRT" << "PROVINCE"
                                  << QStringList{"Valmérin", "Valmérin", "Tazroukt", "Tazroukt", "Ombrevent"};
    QTest::newRow("regions") << "SELECT DISTINCT REGION FROM CODE " << "REGION" << QStringList{"DR NORD", "DR NORD-EST"};
    QTest::newRow("principal offices") << "SELECT DISTINCT PROVINCE FROM CODE " << "PROVINCE"
                                       << QStringList{"VALMÉRIN", "TAZROUKT", "OMBREVENT"};
    QTest::newRow("offices of CODE") << "SELECT AGENCE FROM CODE " << "AGENCE"
                                     << QStringList{"VALMÉRIN PRINCIPALE", "ZOLT VALMÉRIN GARE", "École Normale ZOLT",
                                                    "KIRB TAZROUKT CENTRE", "BUREAU SANS TÉLÉPHONE", "AGENCE DE L'ÉTOILE"};
    QTest::newRow("offices of TELE") << "SELECT AGENCE FROM TELE " << "AGENCE" << joined;
    QTest::newRow("cities") << "SELECT DISTINCT PROVINCE FROM QRT " << "PROVINCE"
                            << QStringList{"Valmérin", "Tazroukt", "Ombrevent"};

    // Choices and searches, user text quoted.
    QTest::newRow("cp region choice") << q("SELECT * FROM CODE WHERE REGION ='", "DR NORD", "' ORDER BY  CODE.PROVINCE ,code.AGENCE")
                                      << "AGENCE"
                                      << QStringList{"BUREAU SANS TÉLÉPHONE", "KIRB TAZROUKT CENTRE", "École Normale ZOLT",
                                                     "VALMÉRIN PRINCIPALE", "ZOLT VALMÉRIN GARE"};
    QTest::newRow("cp principal choice") << q("SELECT * From CODE  WHERE PROVINCE ='", "valmérin", "' ORDER BY AGENCE") << "AGENCE"
                                         << QStringList{"École Normale ZOLT", "VALMÉRIN PRINCIPALE", "ZOLT VALMÉRIN GARE"};
    QTest::newRow("cp office choice") << q("SELECT *  From CODE  WHERE AGENCE  ='", "AGENCE DE L'ÉTOILE", "' ORDER BY AGENCE")
                                      << "CPOSTALE" << QStringList{"14020"};
    QTest::newRow("cp postal code search") << q("SELECT * FROM CODE WHERE CPOSTALE like '", "120", "%'") << "AGENCE"
                                           << QStringList{"KIRB TAZROUKT CENTRE", "BUREAU SANS TÉLÉPHONE"};
    QTest::newRow("cp name search") << q(" SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE "
                                         "WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like '", "kirb", "%' order by CODE.PROVINCE")
                                    << "TEL" << QStringList{"0500-100004", "0500-100005"};
    QTest::newRow("cp name search, office without telephone") << q(" SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE "
                                                                   "WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like '", "BUREAU", "%' order by CODE.PROVINCE")
                                                              << "AGENCE" << QStringList{};
    QTest::newRow("tel office choice") << q("SELECT *  From TELE  WHERE AGENCE='", "école normale zolt", "' ORDER BY AGENCE") << "TEL"
                                       << QStringList{"0500-100003"};
    QTest::newRow("tel principal search") << q(" select * from TELE  where PROVINCE like '", "taz", "%'") << "TEL"
                                          << QStringList{"0500-100004", "0500-100005"};
    QTest::newRow("tel office search") << q(" SELECT * FROM TELE  where  AGENCE like '", "Agence de l'É", "%'") << "TEL"
                                       << QStringList{"0500-100006"};
    QTest::newRow("adr city choice") << q("SELECT *  From QRT  WHERE PROVINCE='", "TAZROUKT", "' ORDER BY PROVINCE") << "QUARTIER"
                                     << QStringList{"Place du Marché", "rue des Écoles"};
    QTest::newRow("adr street search, apostrophe") << q(" select * from QRT  where  QUARTIER like '", "Rue de l'É", "%'")
                                                   << "CPOSTALE" << QStringList{"10010"};
    QTest::newRow("adr street search, case") << q(" select * from QRT  where  QUARTIER like '", "RUE DES É", "%'")
                                             << "CPOSTALE" << QStringList{"12030"};
    QTest::newRow("adr street search, % typed") << q(" select * from QRT  where  QUARTIER like '", "%Roses", "%'")
                                                << "CPOSTALE" << QStringList{"10030"};
    QTest::newRow("adr street search, _ typed is any letter") << q(" select * from QRT  where  QUARTIER like '", "Rue_", "%'")
                                                              << "CPOSTALE" << QStringList{"10010", "12030", "14010"};
    QTest::newRow("adr postal code search") << q(" SELECT * FROM QRT  where  CPOSTALE like '", "12", "%'") << "QUARTIER"
                                            << QStringList{"Place du Marché", "rue des Écoles"};
    QTest::newRow("adr search, empty text finds all") << q(" SELECT * FROM QRT  where  CPOSTALE like '", "", "%'") << "CPOSTALE"
                                                      << QStringList{"10010", "10030", "12010", "12030", "14010"};

    // Typed text never changes what the query does.
    QTest::newRow("text trying to widen the search") << q(" select * from QRT  where  QUARTIER like '", "x' OR '1'='1", "%'")
                                                     << "QUARTIER" << QStringList{};
    QTest::newRow("text trying a second statement") << q(" select * from QRT  where  QUARTIER like '", "'; DELETE FROM QRT; --", "%'")
                                                    << "QUARTIER" << QStringList{};
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
