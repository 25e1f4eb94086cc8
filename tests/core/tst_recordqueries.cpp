// Every query text the record windows run, taken from the windows' own
// constants, and the comparison rules with accents, apostrophes and
// backslashes, through the engine as the windows run them: the same rows in
// the same order on both engines.
#include "data/connection.h"
#include "data/database/database.h"
#include "data/rows/recordsource.h"
#include "data/sqltext.h"
#include "records/adrqueries.h"
#include "records/cpqueries.h"
#include "records/telqueries.h"
#include "support/filerows.h"
#include "support/recordrows.h"
#include "support/testdb.h"

#include <QMap>
#include <QTest>

using namespace tavro;
using tavro::test::TestDatabase;

class TestRecordQueries : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void rows_data();
    void rows();
    void textRules_data();
    void textRules();
    void ordersLettersBeforeAccentsAndCase();
    void typedTextStaysText_data();
    void typedTextStaysText();
    void pickFindsWhatItLists_data();
    void pickFindsWhatItLists();
    void everyKindOfText_data();
    void everyKindOfText();
    void everyKindOfTextAfterEdits_data() { everyKindOfText_data(); }
    void everyKindOfTextAfterEdits();

private:
    TestDatabase m_db;
    TestDatabase m_names;          // names with accents, case, apostrophes and backslashes
    TestDatabase m_kinds;          // every kind of text the comparison rule decides on
    QMap<QString, QString> m_rows; // m_kinds's rows by label, as they are now
};

void TestRecordQueries::initTestCase()
{
    m_db.create();
    tavro::test::fillRecordRows(m_db);
    m_names.create();
    for (const char *name : {"ÉCOLE DES POSTES", "École Normale", "ECOLE PRIMAIRE", "écluse", "Étoile", "eau vive", "ÂNE ROUGE",
                             "abricotiers", "Zèbre", "ÇA VA", "cactus", "L'OASIS"})
        m_names.insert("CODE", {QString::fromUtf8(name), "10000", "VALMÉRIN", "DR NORD"});
    m_names.insert("QRT", {"Rue de l'Église", "10010", "Valmérin"});
    m_names.insert("QRT", {"Avenue des Roses", "10030", "Valmérin"});
    m_names.insert("QRT", {"rue des Écoles", "12030", "Tazurellekt"});
    m_names.insert("QRT", {"Rue_basse 100%", "14010", "Ombrevent"});
    m_names.insert("QRT", {"Passage \\ du Nord", "15020", "Ombrevent"});

    // Streets in the order they are added, labelled: spaces, width,
    // compatibility characters, ligatures, dotless and dotted i, final
    // sigma, decomposed text, punctuation and digits, null and empty, long
    // texts, a leading byte-order mark.
    m_kinds.create();
    const QVariant null;
    const QString shy = QChar(0xAD), bom = QChar(0xFEFF);
    const std::pair<const char *, QVariantList> streets[] = {
        {"q1", {"Rue des Lilas", "30001", "Valmérin"}},
        {"q2", {"Rue\u00A0des Lilas", "30002", "VALMÉRIN"}},
        {"q3", {"ＲＵＥ ｄｅｓ Lilas", "３０００３", "valmérin"}},
        {"q4", {QString("Cité" + shy + "Neuve"), "30004", QString(bom + "Valmérin")}},
        {"q5", {"Cité\u200BNeuve", "30005", "Ombrevent"}},
        {"q6", {"Bloc x²", "30006", "OMBREVENT"}},
        {"q7", {"Œillets", "30007", "Oeillets"}},
        {"q8", {"ﬁlature", "30008", "Ǆamal"}},
        {"q9", {"İSTANBUL", "30009", "Džamal"}},
        {"q10", {"ıstanbul", "30010", "Istanbul"}},
        {"q11", {"istanbul", "30011", "İstanbul"}},
        {"q12", {"ΣΟΦΙΑΣ", "30012", "σοφιας"}},
        {"q13", {"e\u0301cole du Nord", "30013", "σοφιασ"}},
        {"q14", {"École du Sud", "30014", null}},
        {"q15", {"ecole de l'Est", "30015", ""}},
        {"q16", {"a-b 12", "30016", "Ab"}},
        {"q17", {"ab 12", "30017", "a-b"}},
        {"q18", {QString(bom + "Rue Haute"), "30018", "A B"}},
        {"q19", {QString("Rue " + QString(2500, 'x')), null, QString("Valmérin" + shy.repeated(2500))}},
        {"q20", {"Impasse longue", "30020", QString("Zone " + QString(2500, 'z'))}},
    };
    for (const auto &[label, values] : streets) {
        m_kinds.insert("QRT", values);
        QStringList cells;
        for (const QVariant &v : values)
            cells << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        m_rows[label] = cells.join('|');
    }
    // An office whose name has a no-break space in one table only, and one
    // with two telephones added in an order of their own.
    m_kinds.insert("CODE", {"ZOLT\u00A0CENTRE", "30100", "Valmérin", "DR NORD"});
    m_kinds.insert("CODE", {"KIRB ŒIL", "30101", "Valmérin", "DR NORD"});
    m_kinds.insert("TELE", {"KIRB ŒIL", "0700 09", "Valmérin", "DR NORD", null, null});
    m_kinds.insert("TELE", {"ZOLT CENTRE", "0700 01", "Valmérin", "DR NORD", null, null});
    m_kinds.insert("TELE", {"kirb œil", "0700 02", "Valmérin", "DR NORD", null, null});
    m_rows["j1"] = "ZOLT\u00A0CENTRE|30100|Valmérin|DR NORD|0700 01";
    m_rows["j2"] = "KIRB ŒIL|30101|Valmérin|DR NORD|0700 09";
    m_rows["j3"] = "KIRB ŒIL|30101|Valmérin|DR NORD|0700 02";
}

namespace {

// A query's rows as the data control loads them, each row joined with '|',
// NULL as "<null>"; one connection per database, as a window keeps its own.
QStringList loaded(const TestDatabase &db, const QString &sql)
{
    static std::map<QString, std::unique_ptr<Connection>> connections;
    auto &connection = connections[db.path()];
    if (!connection)
        connection = std::move(Database(db.path()).connect().value());
    const auto result = connection->load(sql);
    if (!result)
        qFatal("%s\n%s", qPrintable(result.status().message()), qPrintable(result.status().detail()));
    QStringList out;
    for (int r = 0; r < result->rows.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < int(result->columns.size()); ++c) {
            if (test::keptColumn(sql, result->columns[c].name))
                cells << (result->rows.isNull(r, c) ? QStringLiteral("<null>") : result->rows.text(r, c));
        }
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

const QString kCentre = "TAMBRELLE CENTRE|16010|TAMBRELLE RP|DR TAMBRELLE";
const QString kGare1 = "TAMBRELLE GARE|16012|TAMBRELLE RP|DR TAMBRELLE";
const QString kIghil = "IGNAROLLE HAUT|16230|AZURELLE RP|DR TAMBRELLE";
const QString kAzurelle = "AZURELLE NORD|61100|AZURELLE RP|DR OUZERANDE";
const QString kBordj = "BORDJ L'HIRONDELLE|61450|OUZERANDE RP|DR OUZERANDE";
const QString kEliane = "ÉLIANE PLATEAU|61460|OUZERANDE RP|DR OUZERANDE";
const QString kKirb = "KIRB OUZERANDE|61001|OUZERANDE RP|<null>";
const QString kGare2 = "TAMBRELLE GARE|16013|TAMBRELLE RP|DR TAMBRELLE";
const QString kAghbalou = "AGRAVELLE|62010|<null>|DR OUZERANDE";
const QString kHammam = "HAMEAU DES SOURCES|<null>|AZURELLE RP|DR OUZERANDE";

const QString kTelCentre = "TAMBRELLE CENTRE|0700 11 01|TAMBRELLE RP|DR TAMBRELLE|1 place du Puits|0700 11 91";
const QString kTelGare = "TAMBRELLE GARE|0700 11 02|TAMBRELLE RP|DR TAMBRELLE|4 rue des Tanneurs|<null>";
const QString kTelIghil = "IGNAROLLE HAUT|0700 12 03|AZURELLE RP|DR TAMBRELLE|route du Col|0700 12 93";
const QString kTelBordj = "BORDJ L'HIRONDELLE|0700 31 04|OUZERANDE RP|DR OUZERANDE|rue de l'Oued|<null>";
const QString kTelEliane1 = "ÉLIANE PLATEAU|0700 31 05|OUZERANDE RP|DR OUZERANDE|cité des Pins|<null>";
const QString kTelEliane2 = "ÉLIANE PLATEAU|0700 31 06|OUZERANDE RP|DR OUZERANDE|cité des Pins|<null>";
const QString kTelNoName = "<null>|0700 99 99|SANS NOM RP|DR OUZERANDE|<null>|<null>";
const QString kTelKirb = "KIRB OUZERANDE|0700 31 07|OUZERANDE RP|<null>|bd du Centre|0700 31 97";

const QString kEglise = "Rue de l'Église|16001|TAMBRELLE";
const QString kOliviers = "Cité des Oliviers|16002|TAMBRELLE";
const QString kTisserands = "Boulevard des Tisserands|61011|OUZERANDE";
const QString kHaut = "Quartier Haut|61012|OUZERANDE";
const QString kBasse = "Rue Basse|16003|TAMBRELLE";
const QString kRosiers = "Impasse des Rosiers|70001|<null>";
const QString kNeuve = "Place Neuve|<null>|ASPRELLE";
const QString kEcole = "école du Bas|70002|ASPRELLE";

// The joined rows of the postal-code window: CODE's four columns and TEL.
QString joined(const QString &code, const QString &tel)
{
    return code + '|' + tel;
}

QStringList column(const QStringList &rows, int index)
{
    QStringList out;
    for (const QString &r : rows)
        out << r.split('|').value(index);
    return out;
}

// A one-column text is a pick list's too: read forward, the same items.
void readForwardAlike(const TestDatabase &db, const QString &sql, const QStringList &got)
{
    if (got.isEmpty() || got.first().contains('|'))
        return;
    auto connection = Database(db.path()).connect();
    QCOMPARE(connection.value()->readColumn(sql, sql.section(" FROM", 0, 0).section(' ', -1)).items,
             got.filter(QRegularExpression("^(?!<null>$)")));
}

} // namespace

void TestRecordQueries::rows_data()
{
    // Every row in its place: ties and texts without ORDER BY in the order
    // the rows were added.
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("expected");

    const QStringList allCode{kCentre, kGare1, kIghil, kAzurelle, kBordj, kEliane, kKirb, kGare2, kAghbalou, kHammam};
    const QStringList joinedAll{joined(kCentre, "0700 11 01"), joined(kGare1, "0700 11 02"),  joined(kIghil, "0700 12 03"),
                                joined(kBordj, "0700 31 04"),  joined(kEliane, "0700 31 05"), joined(kEliane, "0700 31 06"),
                                joined(kKirb, "0700 31 07"),   joined(kGare2, "0700 11 02")};
    const QStringList allTele{kTelCentre, kTelGare, kTelIghil, kTelBordj, kTelEliane1, kTelEliane2, kTelNoName, kTelKirb};
    const QStringList allQrt{kEglise, kOliviers, kTisserands, kHaut, kBasse, kRosiers, kNeuve, kEcole};

    QTest::newRow("cp initial: offices with a telephone, once per telephone") << cpq::kInitial << joinedAll;
    QTest::newRow("cp show all") << cpq::kShowAll << allCode;
    QTest::newRow("cp regions: distinct, in order met")
        << cpq::kRegionList << QStringList{"DR TAMBRELLE", "DR OUZERANDE", "<null>"};
    QTest::newRow("cp provinces") << cpq::kProvinceList << QStringList{"TAMBRELLE RP", "AZURELLE RP", "OUZERANDE RP", "<null>"};
    QTest::newRow("cp agences: repeats kept") << cpq::kAgenceList << column(allCode, 0);
    QTest::newRow("cp region pick: by province, then name")
        << cpq::kRegionPick.with("DR TAMBRELLE") << QStringList{kIghil, kCentre, kGare1, kGare2};
    QTest::newRow("cp region pick, other case: no principal office first")
        << cpq::kRegionPick.with("dr ouzerande") << QStringList{kAghbalou, kAzurelle, kHammam, kBordj, kEliane};
    QTest::newRow("cp province pick") << cpq::kProvincePick.with("TAMBRELLE RP") << QStringList{kCentre, kGare1, kGare2};
    QTest::newRow("cp agence pick: both rows of a repeated name")
        << cpq::kAgencePick.with("TAMBRELLE GARE") << QStringList{kGare1, kGare2};
    QTest::newRow("cp agence pick, apostrophe") << cpq::kAgencePick.with("BORDJ L'HIRONDELLE") << QStringList{kBordj};
    QTest::newRow("cp agence pick, accent in lower case") << cpq::kAgencePick.with("éliane plateau") << QStringList{kEliane};
    QTest::newRow("cp postal code prefix") << cpq::kPostalCodeSearch.with("16") << QStringList{kCentre, kGare1, kIghil, kGare2};
    QTest::newRow("cp postal code, six") << cpq::kPostalCodeSearch.with("6")
                                         << QStringList{kAzurelle, kBordj, kEliane, kKirb, kAghbalou};
    QTest::newRow("cp postal code, empty: every row with a code")
        << cpq::kPostalCodeSearch.with("")
        << QStringList{kCentre, kGare1, kIghil, kAzurelle, kBordj, kEliane, kKirb, kGare2, kAghbalou};
    QTest::newRow("cp postal code, middle digits") << cpq::kPostalCodeSearch.with("010") << QStringList();
    QTest::newRow("cp name with tel, lower case")
        << cpq::kNameWithTelSearch.with("tambrelle")
        << QStringList{joined(kCentre, "0700 11 01"), joined(kGare1, "0700 11 02"), joined(kGare2, "0700 11 02")};
    QTest::newRow("cp name with tel, empty: ordered by province")
        << cpq::kNameWithTelSearch.with("")
        << QStringList{joined(kIghil, "0700 12 03"),  joined(kBordj, "0700 31 04"), joined(kEliane, "0700 31 05"),
                       joined(kEliane, "0700 31 06"), joined(kKirb, "0700 31 07"),  joined(kCentre, "0700 11 01"),
                       joined(kGare1, "0700 11 02"),  joined(kGare2, "0700 11 02")};
    QTest::newRow("cp name with tel, accent")
        << cpq::kNameWithTelSearch.with("éli") << QStringList{joined(kEliane, "0700 31 05"), joined(kEliane, "0700 31 06")};
    QTest::newRow("cp name with tel, apostrophe")
        << cpq::kNameWithTelSearch.with("bordj l'") << QStringList{joined(kBordj, "0700 31 04")};
    QTest::newRow("cp name with tel, office without telephone") << cpq::kNameWithTelSearch.with("AZURELLE") << QStringList();

    QTest::newRow("tel initial") << telq::kInitial << allTele;
    QTest::newRow("tel show all") << telq::kShowAll << allTele;
    QTest::newRow("tel agences: repeats and null") << telq::kAgenceList << column(allTele, 0);
    QTest::newRow("tel agence pick: every row of the office")
        << telq::kAgencePick.with("ÉLIANE PLATEAU") << QStringList{kTelEliane1, kTelEliane2};
    QTest::newRow("tel agence pick, apostrophe") << telq::kAgencePick.with("BORDJ L'HIRONDELLE") << QStringList{kTelBordj};
    QTest::newRow("tel province search") << telq::kProvinceSearch.with("ouz")
                                         << QStringList{kTelBordj, kTelEliane1, kTelEliane2, kTelKirb};
    QTest::newRow("tel province search, prefix only") << telq::kProvinceSearch.with("RP") << QStringList();
    QTest::newRow("tel province search, empty") << telq::kProvinceSearch.with("") << allTele;
    QTest::newRow("tel agence search, digits") << telq::kAgenceSearch.with("16") << QStringList();
    QTest::newRow("tel agence search") << telq::kAgenceSearch.with("tam") << QStringList{kTelCentre, kTelGare};
    QTest::newRow("tel agence search, empty: no null name")
        << telq::kAgenceSearch.with("")
        << QStringList{kTelCentre, kTelGare, kTelIghil, kTelBordj, kTelEliane1, kTelEliane2, kTelKirb};

    QTest::newRow("adr initial") << adrq::kInitial << allQrt;
    QTest::newRow("adr show all") << adrq::kShowAll << allQrt;
    QTest::newRow("adr cities: distinct, in order met")
        << adrq::kCityList << QStringList{"TAMBRELLE", "OUZERANDE", "<null>", "ASPRELLE"};
    QTest::newRow("adr city pick") << adrq::kCityPick.with("TAMBRELLE") << QStringList{kEglise, kOliviers, kBasse};
    QTest::newRow("adr street search") << adrq::kStreetSearch.with("rue") << QStringList{kEglise, kBasse};
    QTest::newRow("adr street search, apostrophe") << adrq::kStreetSearch.with("Rue de l'É") << QStringList{kEglise};
    QTest::newRow("adr street search, accent and case") << adrq::kStreetSearch.with("ÉCOLE") << QStringList{kEcole};
    QTest::newRow("adr street search, middle word") << adrq::kStreetSearch.with("Oliviers") << QStringList();
    QTest::newRow("adr street search, empty") << adrq::kStreetSearch.with("") << allQrt;
    QTest::newRow("adr code search, three digits") << adrq::kCodeSearch.with("160") << QStringList{kEglise, kOliviers, kBasse};
    QTest::newRow("adr code search, empty: every row with a code")
        << adrq::kCodeSearch.with("") << QStringList{kEglise, kOliviers, kTisserands, kHaut, kBasse, kRosiers, kEcole};
}

void TestRecordQueries::rows()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, expected);
    const QStringList got = loaded(m_db, sql);
    QCOMPARE(got, expected);
    readForwardAlike(m_db, sql, got);
}

void TestRecordQueries::textRules_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("= ignores case of accented letters") << "AGENCE = 'école normale'" << QStringList{"École Normale"};
    QTest::newRow("= keeps accents apart") << "AGENCE = 'ECOLE NORMALE'" << QStringList{};
    QTest::newRow("= lower against upper") << "AGENCE = 'ça va'" << QStringList{"ÇA VA"};
    QTest::newRow("like éc% finds ÉCOLE") << "AGENCE like 'éc%'" << QStringList{"ÉCOLE DES POSTES", "École Normale", "écluse"};
    QTest::newRow("like ec% keeps accents apart") << "AGENCE like 'ec%'" << QStringList{"ECOLE PRIMAIRE"};
    QTest::newRow("like _ takes one accented letter") << "AGENCE like '_tOILE'" << QStringList{"Étoile"};
    QTest::newRow("like apostrophe") << "AGENCE like 'l''o%'" << QStringList{"L'OASIS"};
    QTest::newRow("like with escape") << "AGENCE like 'L''%' ESCAPE '\\'" << QStringList{"L'OASIS"};
    QTest::newRow("null never matches") << "REGION like '%' AND AGENCE IS NULL" << QStringList{};
    QTest::newRow("not like, case-blind too") << "AGENCE not like '%E%'" << QStringList{"ÇA VA", "cactus", "L'OASIS"};
}

void TestRecordQueries::textRules()
{
    QFETCH(QString, where);
    QFETCH(QStringList, found);
    QCOMPARE(loaded(m_names, QStringLiteral("SELECT AGENCE FROM CODE WHERE %1").arg(where)), found);
}

void TestRecordQueries::ordersLettersBeforeAccentsAndCase()
{
    // "École" sorts among the E, by its letters first: a blank comes before
    // any letter, so "ÇA VA" precedes "cactus".
    QCOMPARE(loaded(m_names, QStringLiteral("SELECT AGENCE FROM CODE ORDER BY AGENCE")),
             (QStringList{"abricotiers", "ÂNE ROUGE", "ÇA VA", "cactus", "eau vive", "écluse", "ÉCOLE DES POSTES",
                          "École Normale", "ECOLE PRIMAIRE", "Étoile", "L'OASIS", "Zèbre"}));
}

// clang-format off
void TestRecordQueries::typedTextStaysText_data()
{
    // What a clerk may type, put between the quotes of a window's search:
    // wildcards keep their meaning, quotes stay text.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("quoted");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("apostrophe") << "Rue de l'É" << "Rue de l''É" << QStringList{"10010"};
    QTest::newRow("case and accent") << "RUE DES É" << "RUE DES É" << QStringList{"12030"};
    QTest::newRow("% typed") << "%Roses" << "%Roses" << QStringList{"10030"};
    QTest::newRow("_ typed is any letter") << "Rue_" << "Rue_" << QStringList{"10010", "12030", "14010"};
    QTest::newRow("trying to widen the search") << "x' OR '1'='1" << "x'' OR ''1''=''1" << QStringList{};
    QTest::newRow("trying a second statement") << "'; DELETE FROM QRT; --" << "''; DELETE FROM QRT; --"
                                               << QStringList{};
    QTest::newRow("backslash is a letter") << "Passage \\" << "Passage \\" << QStringList{"15020"};
    // Where a backslash escaped the quote, this would list every row.
    QTest::newRow("backslash before a quote") << "\\' OR QUARTIER IS NOT NULL OR '' = '"
                                              << "\\'' OR QUARTIER IS NOT NULL OR '''' = ''" << QStringList{};
}
// clang-format on

void TestRecordQueries::typedTextStaysText()
{
    QFETCH(QString, typed);
    QFETCH(QString, quoted);
    QFETCH(QStringList, found);
    QCOMPARE(sqlQuoted(typed), quoted);
    // As after a server's restart between two searches: the session comes
    // back with the program's settings (here, that a backslash is a letter).
    m_names.cutConnections();
    QCOMPARE(column(loaded(m_names, adrq::kStreetSearch.with(typed)), 1), found);
    QCOMPARE(m_names.rows(QStringLiteral("SELECT count(*) FROM QRT")), QStringList{"5"});
}

void TestRecordQueries::pickFindsWhatItLists_data()
{
    // Values another tool wrote or imported, as the office list shows them.
    QTest::addColumn<QString>("office");
    QTest::newRow("tab") << QStringLiteral("BORDJ\tNORD");
    QTest::newRow("line feed and carriage return") << QStringLiteral("BORDJ\r\nSUD");
    QTest::newRow("unit separator") << QStringLiteral("BORDJ\x1f EST");
    QTest::newRow("C1 control") << QStringLiteral("BORDJ\u0085OUEST");
    QTest::newRow("line separator and an apostrophe") << QStringLiteral("L'OUED\u2028HAUT");
    QTest::newRow("escape then the end") << QStringLiteral("L'OUED BAS\x1b");
    if (!TestDatabase::onServer()) // a server's texts never hold one
        QTest::newRow("NUL") << QString::fromUtf8("L'OUED\0 VIEUX", 14);
}

void TestRecordQueries::pickFindsWhatItLists()
{
    QFETCH(QString, office);
    const QString tel = QString::fromLatin1(QTest::currentDataTag());
    m_names.insert("TELE", {office, tel, "OUZERANDE RP", "DR OUZERANDE", QVariant(), QVariant()});
    auto connection = Database(m_names.path()).connect();
    QVERIFY(connection.value()->readColumn(telq::kAgenceList, QStringLiteral("AGENCE")).items.contains(office));
    const QString pick = telq::kAgencePick.with(office);
    QVERIFY(!pick.contains(QChar(u'\0')));
    QCOMPARE(column(loaded(m_names, pick), 1), QStringList{tel});
}

// clang-format off
void TestRecordQueries::everyKindOfText_data()
{
    // The same rows in the same order on both engines: the labels of the
    // rows (or of the city, for the city list) before and after a save, a
    // delete and a new row.
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString all = "q1 q2 q3 q4 q5 q6 q7 q8 q9 q10 q11 q12 q13 q14 q15 q16 q17 q18 q19 q20";
    const QString allAfter = QString(all).remove("q2 ") + " q21";
    QTest::newRow("adr initial: the order rows were added") << adrq::kInitial << all << allAfter;
    QTest::newRow("cities: the first row's spelling, where first met")
        << adrq::kCityList << "q1 q5 q7 q8 q10 q11 q12 q14 q15 q16 q17 q18 q20" << "q1 q5 q7 q8 q10 q11 q12 q14 q15 q16 q17 q18 q20";
    QTest::newRow("city pick: case, byte-order mark, ignorables") << adrq::kCityPick.with("valmérin") << "q1 q2 q3 q4 q19"
                                                                  << "q1 q3 q4 q19 q21";
    QTest::newRow("city pick: a compatibility letter") << adrq::kCityPick.with("Ǆamal") << "q8 q9" << "q8 q9";
    QTest::newRow("city pick: final sigma") << adrq::kCityPick.with("ΣΟΦΙΑΣ") << "q12 q13" << "q12 q13";
    QTest::newRow("city pick: dotted capital I apart") << adrq::kCityPick.with("istanbul") << "q10" << "q10";
    QTest::newRow("city pick: empty is not null") << adrq::kCityPick.with("") << "q15" << "q15";
    QTest::newRow("streets: no-break space and full width") << adrq::kStreetSearch.with("rue des") << "q1 q2 q3" << "q1 q3 q21";
    QTest::newRow("streets: byte-order mark, long text") << adrq::kStreetSearch.with("RUE") << "q1 q2 q3 q18 q19"
                                                         << "q1 q3 q18 q19 q21";
    QTest::newRow("streets: soft hyphen, zero-width space") << adrq::kStreetSearch.with("citéneuve") << "q4 q5" << "q4 q5";
    QTest::newRow("streets: superscript") << adrq::kStreetSearch.with("bloc x2") << "q6" << "q6";
    QTest::newRow("streets: ligature œ is a letter") << adrq::kStreetSearch.with("oe") << "" << "";
    QTest::newRow("streets: œ") << adrq::kStreetSearch.with("Œ") << "q7" << "q7";
    QTest::newRow("streets: ligature ﬁ") << adrq::kStreetSearch.with("fil") << "q8" << "q8";
    QTest::newRow("streets: i") << adrq::kStreetSearch.with("I") << "q11 q20" << "q11 q20";
    QTest::newRow("streets: dotted İ") << adrq::kStreetSearch.with("i̇s") << "q9" << "q9";
    QTest::newRow("streets: dotless ı") << adrq::kStreetSearch.with("ı") << "q10" << "q10";
    QTest::newRow("streets: final sigma") << adrq::kStreetSearch.with("σοφιας") << "q12" << "q12";
    QTest::newRow("streets: é, composed or not") << adrq::kStreetSearch.with("é") << "q13 q14" << "q13 q14";
    QTest::newRow("streets: e without accent") << adrq::kStreetSearch.with("e") << "q15" << "q15";
    QTest::newRow("streets: punctuation counts") << adrq::kStreetSearch.with("ab") << "q17" << "q17";
    QTest::newRow("codes: full-width digits") << adrq::kCodeSearch.with("3000") << "q1 q2 q3 q4 q5 q6 q7 q8 q9"
                                              << "q1 q3 q4 q5 q7 q8 q9";
    QTest::newRow("cp initial: equal names joined, telephones in their order") << cpq::kInitial << "j1 j2 j3" << "j1 j2 j3";
}
// clang-format on

void TestRecordQueries::everyKindOfText()
{
    QFETCH(QString, sql);
    QFETCH(QString, before);
    QStringList expected;
    for (const QString &label : before.split(' ', Qt::SkipEmptyParts))
        expected << (sql.contains("DISTINCT") ? m_rows[label].section('|', 2, 2) : m_rows[label]);
    const QStringList got = loaded(m_kinds, sql);
    QCOMPARE(got, expected);
    readForwardAlike(m_kinds, sql, got);
}

void TestRecordQueries::everyKindOfTextAfterEdits()
{
    // A save, a delete and a new row, through the record source, once.
    if (!m_rows.contains("q21")) {
        RecordSource source;
        source.setDatabase(m_kinds.path());
        source.setRecordSource(adrq::kInitial);
        QVERIFY(source.refresh().ok());
        QVERIFY(source.moveTo(5).ok());
        QVERIFY(source.setData(source.index(5, source.columnIndex("CPOSTALE")), "30066"));
        QVERIFY(source.update().ok());
        m_rows["q6"].replace("30006", "30066");
        QVERIFY(source.moveTo(1).ok());
        QVERIFY(source.deleteCurrent().ok());
        QVERIFY(source.addNew().ok());
        QVERIFY(source.setData(source.index(source.currentRow(), source.columnIndex("QUARTIER")), "Rue des Lilas Neuve"));
        QVERIFY(source.setData(source.index(source.currentRow(), source.columnIndex("PROVINCE")), "valmérin"));
        QVERIFY(source.update().ok());
        m_rows["q21"] = "Rue des Lilas Neuve|<null>|valmérin";
    }
    QFETCH(QString, sql);
    QFETCH(QString, after);
    QStringList expected;
    for (const QString &label : after.split(' ', Qt::SkipEmptyParts))
        expected << (sql.contains("DISTINCT") ? m_rows[label].section('|', 2, 2) : m_rows[label]);
    QCOMPARE(loaded(m_kinds, sql), expected);
}

QTEST_APPLESS_MAIN(TestRecordQueries)
#include "tst_recordqueries.moc"
