// The data layer without a window: opening the file, the text rules' letter
// table, query texts read and respelled, the row store, pick lists and the
// invented sample. What the rules find in a database: tst_recordqueries.
#include "data/connection.h"
#include "data/database/database.h"
#include "data/databasekind.h"
#include "data/loadpolicy.h"
#include "data/picklist.h"
#include "data/postgres/pgtext.h"
#include "data/rows/module1.h"
#include "data/rows/recordsource.h"
#include "data/rowstore.h"
#include "data/sample/sampledata.h"
#include "data/selecttext.h"
#include "data/setting/databasesetting.h"
#include "data/sqlite/opendb.h"
#include "data/sqlite/sqliteconnection.h"
#include "data/sqlite/textrules.h"
#include "data/sqltext.h"
#include "data/textform.h"
#include "records/querytext.h"
#include "support/secretaddresses.h"
#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <sys/stat.h>
#include <unicode/ucol.h>

using namespace tavro;
using tavro::test::TestDatabase;

namespace {

QByteArray jetHeader(const char *signature)
{
    QByteArray head("\x00\x01\x00\x00", 4);
    head += signature;
    return head + QByteArray(2048 - head.size(), '\x5a');
}

QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestData : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void refusesWithoutTouching_data();
    void refusesWithoutTouching();
    void opensAValidFileAndReplacesTheSharedConnection();

    void letterTableAgreesWithTheRule();
    void likeMatch_data();
    void likeMatch();

    void rowidRewrite_data();
    void rowidRewrite();
    void serverSpelling_data();
    void serverSpelling();
    void password_data();
    void password();
    void serverAddressShown_data();
    void serverAddressShown();

    void rowStore_data();
    void rowStore();
    void pickList_data();
    void pickList();

    void sampleIsDeterministicAndNeverOverwrites();
    void sampleHasTheEdgeRows();

private:
    TestDatabase m_db; // telephone rows for the pick lists
};

void TestData::initTestCase()
{
    m_db.create();
    m_db.insert("TELE", {"ZOLT MIRZABA GARE", "0500-300001", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {QVariant(), "0500-300002", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {"", "0500-300003", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {"KIRB MIRZABA SOUK", "0500-300004", "MIRZABA", "DR SUD", QVariant(), QVariant()});
    m_db.insert("TELE", {"KIRB MIRZABA SOUK", "0500-300005", "MIRZABA", "DR SUD", QVariant(), QVariant()});
}

void TestData::refusesWithoutTouching_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing") << "missing" << QByteArray() << "introuvable";
    QTest::newRow("garbage") << "file" << QByteArray("Liste des guichets\nVALMÉRIN;10000\n").repeated(200)
                             << "n'est pas une base de données";
    QTest::newRow("Jet header") << "file" << jetHeader("Standard Jet DB") << "base Access";
    QTest::newRow("ACE header") << "file" << jetHeader("Standard ACE DB") << "base Access";
    QTest::newRow("empty file") << "file" << QByteArray() << "vide";
    QTest::newRow("folder of that name") << "folder" << QByteArray() << "ne peut pas être lu";
    QTest::newRow("named pipe of that name") << "fifo" << QByteArray() << "ne peut pas être lu";
    QTest::newRow("link to nothing") << "dangling" << QByteArray() << "lien qui ne mène à aucun fichier";
    QTest::newRow("link to itself") << "loop" << QByteArray() << "lien qui ne mène à aucun fichier";
}

void TestData::refusesWithoutTouching()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    TestDatabase db;
    if (kind == QLatin1String("file")) {
        QFile f(db.path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(db.folder()).mkdir(QStringLiteral("BD2003.mdb")));
    } else if (kind == QLatin1String("fifo")) {
        QVERIFY(mkfifo(QFile::encodeName(db.path()).constData(), 0600) == 0);
    } else if (kind != QLatin1String("missing")) {
        QVERIFY(QFile::link(kind == QLatin1String("loop") ? db.path() : db.path() + QStringLiteral(".absent"), db.path()));
    }
    const QStringList before = listing(db.folder());

    const auto opened = openDatabase(db.path());
    QVERIFY(!opened);
    QVERIFY2(opened.status().message().contains(says), qPrintable(opened.status().message()));
    QVERIFY(opened.status().message().contains(QDir::toNativeSeparators(db.path())));

    // The same through the shared connection and a record source.
    db.makeCurrent();
    QVERIFY(Module1::connect().message().contains(says));
    QVERIFY(!Module1::connection());
    RecordSource source;
    source.setRecordSource(QStringLiteral("select * from TELE"));
    QVERIFY(source.refresh().message().contains(says));
    QCOMPARE(source.rowCount(), 0);

    QCOMPARE(listing(db.folder()), before);
    if (kind == QLatin1String("file"))
        QCOMPARE(contents(db.path()), bytes);
}

void TestData::opensAValidFileAndReplacesTheSharedConnection()
{
    TestDatabase db;
    db.createSample();
    const QByteArray before = contents(db.path());
    const auto opened = openDatabase(db.path());
    QVERIFY2(opened, qPrintable(opened.status().message()));
    SQLite::Statement count(**opened, "SELECT count(*) FROM CODE WHERE AGENCE = 'école normale zolt'");
    QVERIFY(count.executeStep());
    QCOMPARE(count.getColumn(0).getInt(), 1); // the text rules are in place
    QCOMPARE(contents(db.path()), before);

    db.makeCurrent();
    QVERIFY(Module1::connect().ok());
    QVERIFY(Module1::connection());
    // A failed call leaves no stale connection behind.
    QVERIFY(QFile::rename(db.path(), db.path() + QStringLiteral(".old")));
    QVERIFY(!Module1::connect().ok());
    QVERIFY(!Module1::connection());
}

void TestData::letterTableAgreesWithTheRule()
{
    // Texts of ASCII characters only are compared through a table of ICU's
    // order of them: every pair of characters, alone and with others
    // around, must compare as ICU compares them.
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open(kCollationLocale, &status);
    QVERIFY(U_SUCCESS(status));
    const QByteArray around[] = {"", "a", "Z9", "-", " x"};
    int disagreements = 0;
    for (int a = 0; a < 128; ++a) {
        for (int b = 0; b < 128; ++b) {
            for (const QByteArray &tail : around) {
                const QByteArray x = QByteArray(1, char(a)) + tail, y = tail + QByteArray(1, char(b));
                const int table = compareText(collator, x.constData(), int(x.size()), y.constData(), int(y.size()));
                const int icu = ucol_strcollUTF8(collator, x.constData(), int(x.size()), y.constData(), int(y.size()), &status);
                if ((table > 0) - (table < 0) != icu && ++disagreements <= 5)
                    qWarning("%d against %d: %d by the table, %d by ICU", a, b, table, icu);
            }
        }
    }
    ucol_close(collator);
    QCOMPARE(disagreements, 0);
}

// clang-format off
void TestData::likeMatch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escape");
    QTest::addColumn<bool>("match");
    QTest::newRow("accent folded by case only") << "valmérin" << "VALMÉRIN" << "" << true;
    QTest::newRow("no accent is another letter") << "valmerin" << "VALMÉRIN" << "" << false;
    QTest::newRow("underscore is one letter") << "VALM_RIN" << "VALMÉRIN" << "" << true;
    QTest::newRow("underscore is not two") << "VALM_IN" << "VALMÉRIN" << "" << false;
    QTest::newRow("several percents") << "%a%i%" << "Tazurellekt Principale" << "" << true;
    QTest::newRow("empty pattern") << "" << "x" << "" << false;
    QTest::newRow("escaped percent is literal") << "100!%" << "1000" << "!" << false;
    QTest::newRow("ligature folded") << "œ%" << "ŒILLETS" << "" << true;
}
// clang-format on

void TestData::likeMatch()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(QString, escape);
    QFETCH(bool, match);
    const QByteArray p = pattern.toUtf8(), t = text.toUtf8();
    const char32_t e = escape.isEmpty() ? 0 : escape.toStdU32String()[0];
    QCOMPARE(tavro::likeMatch(p.constData(), int(p.size()), t.constData(), int(t.size()), e), match);
}

void TestData::rowidRewrite_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QString>("rewritten");
    QTest::addColumn<bool>("grouped");
    QTest::newRow("join") << "SELECT CODE.AGENCE ,TELE.TEL FROM CODE,TELE" << QStringList{"CODE", "TELE"}
                          << "SELECT \"CODE\".rowid, \"TELE\".rowid, CODE.AGENCE ,TELE.TEL FROM CODE,TELE" << false;
    QTest::newRow("comment first") << "/* liste */ SELECT * FROM TELE" << QStringList{"TELE"}
                                   << "/* liste */ SELECT \"TELE\".rowid, * FROM TELE" << false;
    QTest::newRow("quote in a table name") << "SELECT * FROM \"T\"\"X\"" << QStringList{"T\"X"}
                                           << "SELECT \"T\"\"X\".rowid, * FROM \"T\"\"X\"" << false;
    // Grouped texts are never rewritten: only whether they group matters.
    QTest::newRow("distinct") << "SELECT DISTINCT PROVINCE FROM CODE " << QStringList{"CODE"} << QString() << true;
    QTest::newRow("group by, any case") << "select REGION from CODE group by REGION" << QStringList{"CODE"} << QString() << true;
    QTest::newRow("keyword inside a literal") << "SELECT * FROM QRT WHERE QUARTIER = 'Distinct'' group'" << QStringList{"QRT"}
                                              << "SELECT \"QRT\".rowid, * FROM QRT WHERE QUARTIER = 'Distinct'' group'" << false;
    QTest::newRow("keyword in a comment, longer word") << "SELECT GROUPE FROM t -- group\n"
                                                       << QStringList{"t"} << "SELECT \"t\".rowid, GROUPE FROM t -- group\n"
                                                       << false;
    QTest::newRow("not a select") << "WITH t AS (SELECT 1) SELECT * FROM t" << QStringList{"t"} << "" << false;
    QTest::newRow("select in a literal") << "'SELECT' FROM x" << QStringList{"x"} << "" << false;
}

void TestData::rowidRewrite()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, tables);
    QFETCH(QString, rewritten);
    QFETCH(bool, grouped);
    if (!grouped) {
        QStringList keys;
        for (const QString &table : tables)
            keys << quotedIdentifier(table) + ".rowid";
        QCOMPARE(withHiddenColumns(sql, keys), rewritten);
    }
    QCOMPARE(containsKeyword(sql, {QStringLiteral("DISTINCT"), QStringLiteral("GROUP")}), grouped);
}

// clang-format off
void TestData::serverSpelling_data()
{
    // The windows' texts as the server runs them: the rows in stored order
    // (by the key CLE, or by place in a table without it) with their
    // identities, where they can be edited.
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("keyed");  // the tables have the key
    QTest::addColumn<bool>("listed"); // and the pick lists' indexes
    QTest::addColumn<QString>("spelled");
    const QString pattern = pg::normalFormSql("'1\\%'::pg_catalog.text");
    QTest::newRow("prefix search: normal forms compared, no escape character")
        << "SELECT * FROM CODE WHERE CPOSTALE like '1\\%'" << true << false
        << "SELECT \"code\".CLE, * FROM CODE WHERE " + pg::normalFormSql("CPOSTALE") + " like " + pattern
               + " ESCAPE '' ORDER BY CODE.CLE";
    QTest::newRow("NOT LIKE, qualified name, escape character of its own")
        << "SELECT * FROM CODE WHERE CODE.agence NOT LIKE 'x!%' ESCAPE '!' " << false << false
        << "SELECT \"code\".ctid, \"code\".xmin, * FROM CODE WHERE " + pg::normalFormSql("CODE.agence") + " NOT LIKE "
               + pg::normalFormSql("'x!%'::pg_catalog.text") + " ESCAPE " + pg::normalFormSql("'!'::pg_catalog.text") + " ";
    QTest::newRow("ORDER BY: NULLs first, ties by key")
        << "SELECT * FROM CODE WHERE REGION ='A' ORDER BY  CODE.PROVINCE ,code.AGENCE" << true << false
        << "SELECT \"code\".CLE, * FROM CODE WHERE REGION ='A' ORDER BY  CODE.PROVINCE NULLS FIRST ,code.AGENCE NULLS FIRST, "
           "CODE.CLE";
    QTest::newRow("ORDER BY without the key: ties by place")
        << "SELECT * FROM CODE WHERE REGION ='A' ORDER BY AGENCE" << false << false
        << "SELECT \"code\".ctid, \"code\".xmin, * FROM CODE WHERE REGION ='A' ORDER BY AGENCE NULLS FIRST, CODE.ctid";
    QTest::newRow("join: each table's rows in its order, FROM's order")
        << "SELECT TELE.TEL, CODE.AGENCE FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE " << true << false
        << "SELECT \"code\".CLE, TELE.TEL, CODE.AGENCE FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE ORDER BY CODE.CLE, TELE.CLE ";
    QTest::newRow("one table without the key: its stored order needs no sort")
        << "select * from CODE" << false << false << "select \"code\".ctid, \"code\".xmin, * from CODE";
    QTest::newRow("a literal that reads like keywords stays as it is")
        << "SELECT * FROM CODE c WHERE AGENCE ='x like y order by z' -- fin" << true << false
        << "SELECT \"code\".CLE, * FROM CODE c WHERE AGENCE ='x like y order by z' ORDER BY c.CLE -- fin";
    QTest::newRow("DISTINCT without the key: sorted, then by place")
        << "SELECT DISTINCT REGION FROM CODE " << false << false
        << "SELECT REGION FROM (SELECT DISTINCT ON (REGION) REGION, ctid AS tavro_first FROM CODE ORDER BY REGION, ctid) "
           "AS tavro_distinct ORDER BY tavro_first";
    const QString firstRows = "SELECT r.REGION FROM (SELECT pg_catalog.min(q.CLE) AS f FROM tavro_firsts c JOIN CODE q ON q.CLE "
                              "OPERATOR(pg_catalog.=) c.f GROUP BY q.REGION) g JOIN CODE r ON r.CLE OPERATOR(pg_catalog.=) g.f "
                              "ORDER BY g.f";
    QTest::newRow("DISTINCT with the key: spellings hashed, then grouped")
        << "SELECT DISTINCT REGION FROM CODE WHERE AGENCE IS NOT NULL" << true << true
        << "WITH tavro_firsts(f) AS (SELECT pg_catalog.min(CLE) FROM CODE WHERE AGENCE IS NOT NULL GROUP BY REGION COLLATE "
           "pg_catalog.\"C\") " + firstRows;
    const QString indexed = "pg_catalog.octet_length(REGION) OPERATOR(pg_catalog.<=) 2000";
    QTest::newRow("DISTINCT with the key and the list's indexes: one probe a value")
        << "SELECT DISTINCT CODE.REGION FROM CODE " << true << true
        << "WITH RECURSIVE tavro_skip(v) AS ((SELECT REGION FROM CODE WHERE " + indexed + " ORDER BY REGION LIMIT 1) UNION ALL "
           "SELECT (SELECT REGION FROM CODE WHERE " + indexed + " AND REGION OPERATOR(pg_catalog.>) s.v ORDER BY REGION LIMIT 1) "
           "FROM tavro_skip s WHERE s.v IS NOT NULL), tavro_firsts(f) AS (SELECT (SELECT CLE FROM CODE WHERE " + indexed
           + " AND REGION OPERATOR(pg_catalog.=) s.v ORDER BY REGION, CLE LIMIT 1) FROM tavro_skip s WHERE s.v IS NOT NULL "
           "UNION ALL SELECT pg_catalog.min(CLE) FROM CODE WHERE REGION IS NULL UNION ALL SELECT CLE FROM CODE WHERE "
           "pg_catalog.octet_length(REGION) OPERATOR(pg_catalog.>) 2000) " + firstRows;
}
// clang-format on

void TestData::serverSpelling()
{
    QFETCH(QString, sql);
    QFETCH(bool, keyed);
    QFETCH(bool, listed);
    QFETCH(QString, spelled);
    const pg::TableFacts facts{[&](const QString &) { return keyed; }, [&](const QString &, const QString &) { return listed; }};
    const QString rules = pg::withTextRules(sql, facts);
    QCOMPARE(groupsRows(sql) ? rules : pg::withIdentity(pg::withStoredOrder(rules, facts), {"code"}, facts), spelled);
    QCOMPARE(pg::packTid(pg::unpackTid((qint64(4000000000) << 16) | 77)), (qint64(4000000000) << 16) | 77);
    // What libpq takes for a connection is a server's (a misspelt option
    // after its first too: refused as an address, never made a file);
    // anything else a file, and a file that is there whatever its name.
    for (const char *server : {"postgresql://guichet@serveur/tavro", "postgres://serveur/tavro",
                               "host=/run/postgresql dbname=tavro", "password=x hots=serveur"})
        QCOMPARE(databaseKind(QString::fromUtf8(server)), DatabaseKind::Server);
    for (const char *file : {"/srv/a=b/BD2003.mdb", "smb://serveur/partage/BD2003.mdb", "BD2003.mdb", "x=1.mdb"})
        QCOMPARE(databaseKind(QString::fromUtf8(file)), DatabaseKind::File);
    QTemporaryDir folder;
    QFile named(folder.filePath(QStringLiteral("host=7.mdb")));
    QVERIFY(named.open(QIODevice::WriteOnly));
    QCOMPARE(databaseKind(QStringLiteral("host=7.mdb"), QDir(folder.path())), DatabaseKind::File);
    QCOMPARE(databaseKind(named.fileName()), DatabaseKind::File);
    QCOMPARE(databaseKind(QStringLiteral("host=7.mdb")), DatabaseKind::Server); // not in the current folder
}

void TestData::password_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << "QXV" << true;
    QTest::newRow("lower case") << "qxv" << false;
    QTest::newRow("blank before") << " QXV" << false;
    QTest::newRow("blank after") << "QXV " << false;
    QTest::newRow("empty") << "" << false;
}

void TestData::password()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QCOMPARE(isEditPassword(typed), accepted);
}

void TestData::serverAddressShown_data()
{
    test::addSecretAddressRows();
}

void TestData::serverAddressShown()
{
    QFETCH(QString, address);
    QFETCH(QStringList, secrets);
    QFETCH(QString, shown);
    QFETCH(bool, warned);
    const bool readable = shown != QLatin1String("(adresse illisible)");
    QCOMPARE(shownDatabase(address, ConnectionShown::Whole), shown);
    QCOMPARE(shownDatabase(address), readable ? shown.section(QStringLiteral(", utilisateur"), 0, 0) : shown);
    QCOMPARE(readableConnection(address), readable);
    QCOMPARE(holdsPassword(address), warned);
    // A text of libpq's or the server's quoting a password as it is,
    // percent-encoded (upper or lower case), backslash-escaped, or quoting
    // the whole address. An address libpq cannot read is never sent.
    QString text = QStringLiteral("avant « %1 » après").arg(address);
    for (const QString &secret : secrets) {
        QString lower, escaped = secret;
        for (const char c : secret.toUtf8())
            lower += QLatin1Char('%') + QString::fromLatin1(QByteArray(1, c).toHex());
        escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
        if (readable)
            text += QStringLiteral(" « %1 » « %2 » « %3 » « %4 »")
                        .arg(secret, QString::fromLatin1(secret.toUtf8().toPercentEncoding()), lower, escaped);
    }
    const QString filtered = withoutSecrets(text, address);
    QVERIFY2(!filtered.contains(address) && test::shownSecret(filtered, secrets).isEmpty(), qPrintable(filtered));
    QVERIFY2(filtered.startsWith(QStringLiteral("avant « *** » après")), qPrintable(filtered));
}

void TestData::rowStore_data()
{
    QTest::addColumn<QList<int>>("lengths"); // of the cells of row 1; -1 for a null
    QTest::newRow("short and null") << QList<int>{0, 5, -1};
    QTest::newRow("lengths around one byte of length") << QList<int>{127, 128, 129};
    QTest::newRow("lengths around two bytes of length") << QList<int>{16383, 16384, 1};
    QTest::newRow("a cell larger than a block") << QList<int>{3, (1 << 20) + 7, 2};
}

void TestData::rowStore()
{
    QFETCH(QList<int>, lengths);
    const int columns = int(lengths.size());
    RowStore store;
    store.reset(columns, 2);
    auto cell = [](int row, int c, int length) { return QByteArray(length, char('a' + (row * 3 + c) % 26)); };
    // Three rows, the middle one with the lengths asked for.
    for (int row = 0; row < 3; ++row) {
        std::vector<QByteArray> bytes;
        std::vector<const char *> texts;
        std::vector<int> sizes;
        for (int c = 0; c < columns; ++c) {
            const int length = row == 1 ? lengths[c] : 4;
            bytes.push_back(cell(row, c, qMax(0, length)));
            texts.push_back(length < 0 ? nullptr : bytes.back().constData());
            sizes.push_back(qMax(0, length));
        }
        QVERIFY(store.appendRow(texts.data(), sizes.data()));
        store.setKey(row, 0, 100 + row);
        store.setKey(row, 1, 200 + row);
    }
    for (int c = 0; c < columns; ++c) {
        QCOMPARE(store.isNull(1, c), lengths[c] < 0);
        QCOMPARE(store.text(1, c).toLatin1(), lengths[c] < 0 ? QByteArray() : cell(1, c, lengths[c]));
        QCOMPARE(store.text(2, c).toLatin1(), cell(2, c, 4));
    }
    // The first row goes: the others keep their cells and identities, and a
    // cell set afterwards lands in the row now shown there.
    store.removeRow(0);
    QCOMPARE(store.rowCount(), 2);
    QCOMPARE(store.key(0, 1), 201);
    QCOMPARE(store.key(1, 0), 102);
    const QByteArray changed(300, 'z');
    QVERIFY(store.setCell(1, columns - 1, changed.constData(), int(changed.size())));
    QCOMPARE(store.text(1, columns - 1).toLatin1(), changed);
    QCOMPARE(store.text(1, 0).toLatin1(), cell(2, 0, 4));
    QCOMPARE(store.text(0, 1).toLatin1(), lengths[1] < 0 ? QByteArray() : cell(1, 1, lengths[1]));
    QCOMPARE(store.key(1, 1), 202);
}

// clang-format off
void TestData::pickList_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("column");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("null skipped, empty kept, duplicates kept")
        << "SELECT AGENCE FROM TELE " << "AGENCE" << true
        << QStringList{"ZOLT MIRZABA GARE", "", "KIRB MIRZABA SOUK", "KIRB MIRZABA SOUK"};
    QTest::newRow("column named in another case") << "SELECT DISTINCT region FROM TELE " << "REGION" << true
                                                  << QStringList{"DR SUD"};
    QTest::newRow("query that cannot run") << "SELECT AGENCE FROM NOWHERE" << "AGENCE" << false << QStringList{};
    QTest::newRow("column not in the result") << "SELECT TEL FROM TELE" << "AGENCE" << false << QStringList{};
    // abs() of the smallest integer fails while the third row is read.
    QTest::newRow("failure halfway keeps what was read")
        << "SELECT CASE WHEN rowid < 3 THEN TEL ELSE abs(-9223372036854775807 - 1) END AS TEL FROM TELE ORDER BY rowid"
        << "TEL" << false << QStringList{"0500-300001", "0500-300002"};
    QTest::newRow("no connection") << "" << "AGENCE" << false << QStringList{};
}
// clang-format on

void TestData::pickList()
{
    QFETCH(QString, sql);
    QFETCH(QString, column);
    QFETCH(bool, ok);
    QFETCH(QStringList, items);
    auto opened = Database(m_db.path()).connect();
    QVERIFY(opened);
    const PickListRead read = readPickList(sql.isEmpty() ? nullptr : opened->get(), sql, column);
    QCOMPARE(read.status.ok(), ok);
    QCOMPARE(read.status.message().isEmpty(), ok);
    QCOMPARE(read.items, items);
}

void TestData::sampleIsDeterministicAndNeverOverwrites()
{
    TestDatabase a, b;
    a.createSample();
    b.createSample();
    QCOMPARE(contents(a.path()), contents(b.path()));
    const QByteArray before = contents(a.path());
    QVERIFY(!writeSampleDatabase(a.path(), SampleOptions{}));
    QCOMPARE(contents(a.path()), before);

    TestDatabase scaled;
    const auto written = writeSampleDatabase(scaled.path(), SampleOptions{3000, 12345});
    QVERIFY(written);
    QCOMPARE(written->code, 3000);
    QCOMPARE(scaled.rows(QStringLiteral("SELECT count(*) FROM QRT")), QStringList{"12345"});
    QCOMPARE(scaled.rows(QStringLiteral("SELECT count(*) FROM TELE")), QStringList{QString::number(written->tele)});
    // The rights any new file there gets, not those of the temporary file it was written as.
    QFile plain(QFileInfo(scaled.path()).dir().filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    QCOMPARE(QFileInfo(scaled.path()).permissions(), plain.permissions());
}

void TestData::sampleHasTheEdgeRows()
{
    TestDatabase db;
    db.createSample();
    const std::pair<const char *, int> checks[] = {
        {"SELECT count(*) FROM CODE WHERE AGENCE NOT IN (SELECT AGENCE FROM TELE WHERE AGENCE IS NOT NULL)", 1},
        {"SELECT count(*) FROM (SELECT AGENCE FROM TELE GROUP BY AGENCE HAVING count(*) = 2)", 1},
        {"SELECT count(*) FROM CODE WHERE REGION IS NULL", 1},
        {"SELECT count(*) FROM TELE WHERE AGENCE IS NULL", 1},
        {"SELECT count(*) FROM QRT WHERE PROVINCE IS NULL", 1},
        {"SELECT count(*) FROM CODE WHERE CPOSTALE = ''", 1},
        {"SELECT count(*) FROM CODE WHERE instr(AGENCE, '''') > 0", 1},
        {"SELECT count(*) FROM QRT WHERE instr(QUARTIER, '''') > 0", 1},
        {"SELECT count(*) FROM CODE WHERE AGENCE LIKE 'éc%'", 1},
        {"SELECT count(DISTINCT PROVINCE) FROM QRT", 24},
        {"SELECT count(*) FROM CODE WHERE length(CPOSTALE) = 5 AND CPOSTALE NOT GLOB '*[^0-9]*'", 900},
    };
    for (const auto &[sql, atLeast] : checks) {
        const int n = db.rows(QString::fromUtf8(sql)).value(0).toInt();
        QVERIFY2(n >= atLeast, sql);
    }
    // Other SQLite tools read the file and find it sound.
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), {db.path(), QStringLiteral("PRAGMA integrity_check; SELECT count(*) FROM CODE;")});
    QVERIFY2(tool.waitForFinished(), "the sqlite3 tool (Debian sqlite3) is needed");
    QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             (QStringList{"ok", "960"}));
}

QTEST_GUILESS_MAIN(TestData)
#include "tst_data.moc"
