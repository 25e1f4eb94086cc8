// Text comparison on the program's connections: case ignored for every
// letter, accented ones included, in =, LIKE and ORDER BY.
#include "data/opendb.h"
#include "data/textrules.h"
#include "support/testdb.h"

#include <QtTest>

using tavro::test::TestDatabase;

class TestTextRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void matches_data();
    void matches();
    void ordersLettersBeforeAccentsAndCase();
    void likeMatch_data();
    void likeMatch();

private:
    TestDatabase m_db;
};

void TestTextRules::initTestCase()
{
    m_db.create();
    for (const char *name : {"ÉCOLE DES POSTES", "École Normale", "ECOLE PRIMAIRE", "écluse", "Étoile", "eau vive",
                             "ÂNE ROUGE", "abricotiers", "Zèbre", "ÇA VA", "cactus", "L'OASIS"})
        m_db.insert("CODE", {QString::fromUtf8(name), "10000", "VALMÉRIN", "DR NORD"});
}

void TestTextRules::matches_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("= ignores case of accented letters") << "AGENCE = 'école normale'" << QStringList{"École Normale"};
    QTest::newRow("= keeps accents apart") << "AGENCE = 'ECOLE NORMALE'" << QStringList{};
    QTest::newRow("= upper against lower") << "AGENCE = 'ÇA VA'" << QStringList{"ÇA VA"};
    QTest::newRow("= lower against upper") << "AGENCE = 'ça va'" << QStringList{"ÇA VA"};
    QTest::newRow("like éc% finds ÉCOLE") << "AGENCE like 'éc%'"
                                          << QStringList{"ÉCOLE DES POSTES", "École Normale", "écluse"};
    QTest::newRow("like ÉC% finds école") << "AGENCE LIKE 'ÉC%'"
                                          << QStringList{"ÉCOLE DES POSTES", "École Normale", "écluse"};
    QTest::newRow("like ec% keeps accents apart") << "AGENCE like 'ec%'" << QStringList{"ECOLE PRIMAIRE"};
    QTest::newRow("like _ takes one accented letter") << "AGENCE like '_tOILE'" << QStringList{"Étoile"};
    QTest::newRow("like % inside") << "AGENCE like '%NORMAL%'" << QStringList{"École Normale"};
    QTest::newRow("like apostrophe") << "AGENCE like 'l''o%'" << QStringList{"L'OASIS"};
    QTest::newRow("like with escape") << "AGENCE like 'L''%' ESCAPE '\\'" << QStringList{"L'OASIS"};
    QTest::newRow("null never matches") << "REGION like '%' AND AGENCE IS NULL" << QStringList{};
}

void TestTextRules::matches()
{
    QFETCH(QString, where);
    QFETCH(QStringList, found);
    QCOMPARE(m_db.rows(QStringLiteral("SELECT AGENCE FROM CODE WHERE %1 ORDER BY rowid").arg(where)), found);
}

void TestTextRules::ordersLettersBeforeAccentsAndCase()
{
    const QStringList sorted = m_db.rows(QStringLiteral("SELECT AGENCE FROM CODE ORDER BY AGENCE"));
    // "École" sorts among the E, by its letters first: a blank comes before
    // any letter, so "ÇA VA" precedes "cactus".
    QCOMPARE(sorted, (QStringList{"abricotiers", "ÂNE ROUGE", "ÇA VA", "cactus", "eau vive", "écluse", "ÉCOLE DES POSTES",
                                  "École Normale", "ECOLE PRIMAIRE", "Étoile", "L'OASIS", "Zèbre"}));
}

void TestTextRules::likeMatch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escape");
    QTest::addColumn<bool>("match");
    QTest::newRow("prefix") << "val%" << "VALMÉRIN" << "" << true;
    QTest::newRow("accent folded by case only") << "valmérin" << "VALMÉRIN" << "" << true;
    QTest::newRow("no accent is another letter") << "valmerin" << "VALMÉRIN" << "" << false;
    QTest::newRow("underscore is one letter") << "VALM_RIN" << "VALMÉRIN" << "" << true;
    QTest::newRow("underscore is not two") << "VALM_IN" << "VALMÉRIN" << "" << false;
    QTest::newRow("several percents") << "%a%i%" << "Tazurellekt Principale" << "" << true;
    QTest::newRow("empty pattern") << "" << "x" << "" << false;
    QTest::newRow("escaped percent") << "100!%" << "100%" << "!" << true;
    QTest::newRow("escaped percent is literal") << "100!%" << "1000" << "!" << false;
    QTest::newRow("ligature folded") << "œ%" << "ŒILLETS" << "" << true;
}

void TestTextRules::likeMatch()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(QString, escape);
    QFETCH(bool, match);
    const QByteArray p = pattern.toUtf8(), t = text.toUtf8();
    const char32_t e = escape.isEmpty() ? 0 : escape.toStdU32String()[0];
    QCOMPARE(tavro::likeMatch(p.constData(), int(p.size()), t.constData(), int(t.size()), e), match);
}

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
