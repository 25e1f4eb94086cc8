// The Access reader and the conversion, on the real Jet files of
// tests/data/jet (see its README for where each comes from and what it holds).
#include "data/sample/sampledata.h"
#include "data/schema.h"
#include "data/setting/paths.h"
#include "support/filerows.h"
#include "support/jetwriter.h"
#include "tools/accessfile.h"
#include "tools/accessimport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavro;

namespace {

QString jetFile(const char *name)
{
    return QStringLiteral(TAVRO_JET_DATA "/") + QLatin1String(name);
}

QString cell(const access::Value &value)
{
    return value ? QString::fromUtf8(*value) : QStringLiteral("<null>");
}

// Every row of the named columns, each joined with '|', NULL as "<null>".
QStringList readerRows(const QString &file, const QByteArray &charset, const QString &table, const QStringList &columns)
{
    auto access = access::AccessFile::open(file, {charset});
    if (!access)
        return {QStringLiteral("open failed: ") + access.status().message()};
    auto cursor = (*access)->rows(table, columns);
    if (!cursor)
        return {QStringLiteral("rows failed: ") + cursor.status().message()};
    QStringList rows;
    for (Result<bool> more = (*cursor)->next(); more; more = (*cursor)->next()) {
        if (!*more)
            return rows;
        QStringList cells;
        for (const access::Value &v : (*cursor)->values())
            cells << cell(v);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows << QStringLiteral("read failed: ") + (*cursor)->next().status().message();
}

QByteArray sha256(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

// The rows of codes_tele_qrt_jet4.mdb as its README gives them.
const QStringList kCodeRows = {
    QStringLiteral("RECETTE PRINCIPALE|10000|CENTRE-VILLE|DR NORD"),
    QStringLiteral("Agence Élysée-Château|10010|CENTRE-VILLE|DR NORD"),
    QStringLiteral("BUREAU DE LA GARE|20000|Hôtel de Ville|DR SUD"),
    QStringLiteral("Guichet Saint-Éloi|20050|Hôtel de Ville|<null>"),
    QStringLiteral("Agence Ça-Va||Forêt|DR SUD"),
};
const QStringList kTeleRows = {
    QStringLiteral("RECETTE PRINCIPALE|01 23 45 67|CENTRE-VILLE|DR NORD|1, place de l'Église|01 23 45 68"),
    QStringLiteral("Agence Élysée-Château|01 23 45 70|CENTRE-VILLE|DR NORD|12, rue du Maréchal|<null>"),
    QStringLiteral("BUREAU DE LA GARE|02 11 22 33|Hôtel de Ville|DR SUD|Avenue de la Gare|02 11 22 34"),
    QStringLiteral("BUREAU DE LA GARE|02 11 22 35|Hôtel de Ville|DR SUD|Avenue de la Gare (annexe)|"),
};
const QStringList kQrtRows = {
    QStringLiteral("Quartier des Œillets|10020|VILLE-A"),
    QStringLiteral("Rue Émile Zola|10030|VILLE-A"),
    QStringLiteral("Cité « Les Pins »|20010|VILLE-B"),
    QStringLiteral("Boulevard de l'Indépendance|20020|VILLE-B"),
};

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsRowsInOrder_data();
    void readsRowsInOrder();
    void readsWholeLongMemo();
    void readsEveryCodePointOfCompressedUnicode();

    void convertsEveryRow();
    void givesTheSampleSchemaAndRules();
    void leavesSourceUnchanged();

private:
    QString convertCodes(const QTemporaryDir &dir, ImportReport *report);
    QTemporaryDir m_dir;
};

// Rows moved to another page, some deleted after they moved; characters
// beyond the Basic Multilingual Plane; a memo over several pages.
void TestImport::initTestCase()
{
    jetwriter::Table code{QStringLiteral("CODE"), {}, {}};
    for (int i = 0; i < 34; ++i) {
        jetwriter::Row r{{QStringLiteral("Agence %1").arg(i), QString::number(10000 + i), std::nullopt, QString()}};
        r.moved = i % 3 == 1;
        r.deleted = i % 6 == 1 || i % 5 == 4;
        code.rows << r;
    }
    jetwriter::Table tele{QStringLiteral("TELE"), {{{"Rue du Sol 𝄞 🎵", "01", "P", "R", QStringLiteral("Note 🎵 de l'Élysée ").repeated(900), std::nullopt}}}, {"ADRESSE"}};
    QVERIFY(jetwriter::write(jetFile("codes_tele_qrt_jet4.mdb"), m_dir.filePath(QStringLiteral("generated.mdb")), {code, tele}));
}

void TestImport::readsRowsInOrder_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("expected");

    const QString codes = jetFile("codes_tele_qrt_jet4.mdb");
    QTest::newRow("CODE: NULL region, empty postal code") << codes << QByteArray() << "CODE" << columnNames(kCodeTable) << kCodeRows;
    QTest::newRow("TELE: duplicated office, NULL and empty fax") << codes << QByteArray() << "TELE" << columnNames(kTeleTable) << kTeleRows;
    QTest::newRow("QRT: ligature and guillemets") << codes << QByteArray() << "QRT" << columnNames(kQrtTable) << kQrtRows;
    QTest::newRow("names in another case") << codes << QByteArray() << "qrt" << QStringList{"quartier", "Province"}
                                           << QStringList{"Quartier des Œillets|VILLE-A", "Rue Émile Zola|VILLE-A",
                                                          "Cité « Les Pins »|VILLE-B", "Boulevard de l'Indépendance|VILLE-B"};
    QTest::newRow("short memo and NULL memo") << codes << QByteArray() << "LONGTEXT" << QStringList{"CLE", "NOTE"}
                                              << QStringList{"court|Mémo court : déjà vu.", "vide|<null>"};
    // Rows 3 and 5 grew and moved to another page: read in their place.
    QTest::newRow("moved rows in place, short rows NULL")
        << jetFile("overflowTestV2000.mdb") << QByteArray() << "Table1" << QStringList{"data1", "data3", "data4", "data7", "data9", "data10"}
        << QStringList{"row1col1|<null>|<null>|<null>|<null>|<null>",  "row2col1|row2col3|<null>|<null>|<null>|<null>",
                       "<null>|row3col3|<null>|<null>|row3col9|<null>", "row4col1|row4col2|<null>|<null>|<null>|<null>",
                       "<null>|row5col2|<null>|<null>|<null>|<null>", "<null>|row6col2|row6col3|<null>|<null>|<null>",
                       "row7col1|<null>|<null>|row7col7|<null>|<null>"};
    QTest::newRow("compressed Unicode, numbers as text")
        << jetFile("testUnicodeCompV2003.mdb") << QByteArray() << "Table" << QStringList{"ID", "Unicode"}
        << QStringList{"1|only ascii chars", "2|ääkkösiä", "3|Мир", QString::fromUtf16(u"4|\u03f0\u03b1\u1f76 \u03c4\u1f79\u03c4' \u1f10\u03b3\u1f7c \u039a\u1f7b\u03f0\u03bb\u03c9\u03c0\u03b1"), "5|漢字仮名交じり文",
                       QString::fromUtf16(u"6|3L9\u001d52\u0002_AB(\u00a5\u0005!!V"), "7|ümlaut"};
    QStringList live;
    for (int i = 0; i < 34; ++i) {
        if (i % 6 != 1 && i % 5 != 4)
            live << QStringLiteral("Agence %1|%2|<null>|").arg(i).arg(10000 + i);
    }
    const QString generated = m_dir.filePath(QStringLiteral("generated.mdb"));
    QTest::newRow("moved rows, some deleted after") << generated << QByteArray() << "CODE" << columnNames(kCodeTable) << live;
    QTest::newRow("beyond the BMP, long memo") << generated << QByteArray() << "TELE" << QStringList{"AGENCE", "ADRESSE", "FAX"}
                                               << QStringList{QStringLiteral("Rue du Sol 𝄞 🎵|") + QStringLiteral("Note 🎵 de l'Élysée ").repeated(900) + QStringLiteral("|<null>")};
    QTest::newRow("Jet 3 code page named") << jetFile("charsetGBK.mdb") << QByteArray("GBK") << "table1" << QStringList{"field1"}
                                           << QStringList{"GBK编码"};
    QTest::newRow("Jet 3 code page of the header") << jetFile("charsetGBK.mdb") << QByteArray() << "table1" << QStringList{"field1"}
                                                   << QStringList{"GBK±àÂë"};
}

void TestImport::readsRowsInOrder()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, charset);
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, expected);

    QStringList rows = readerRows(file, charset, table, columns);
    // The long memo and the 255 code points have tests of their own.
    rows.removeIf([](const QString &r) { return r.startsWith(QLatin1String("long|")) || r.startsWith(QLatin1String("8|")); });
    QCOMPARE(rows, expected);
}

void TestImport::readsWholeLongMemo()
{
    const QStringList rows = readerRows(jetFile("codes_tele_qrt_jet4.mdb"), {}, QStringLiteral("LONGTEXT"), {"CLE", "NOTE"});
    const auto it = std::find_if(rows.begin(), rows.end(), [](const QString &r) { return r.startsWith(QLatin1String("long|")); });
    QVERIFY(it != rows.end());
    const QString memo = it->mid(5);
    QCOMPARE(memo.toUtf8().size(), 81503);
    // Made of one sentence repeated with growing numbers: a page read twice,
    // skipped or cut would break the sequence or the sentence.
    static const QRegularExpression sentence(QStringLiteral("Ligne (\\d+) : « élève », cœur, garçon, où, naïf\\. "));
    qsizetype at = 0;
    qint64 previous = 0;
    int count = 0;
    for (auto match = sentence.match(memo); match.hasMatch(); match = sentence.match(memo, at)) {
        QCOMPARE(match.capturedStart(), at);
        const qint64 number = match.captured(1).toLongLong();
        QVERIFY2(number > previous, qPrintable(match.captured(0)));
        previous = number;
        at = match.capturedEnd();
        ++count;
    }
    QCOMPARE(at, memo.size());
    QVERIFY(memo.startsWith(QLatin1String("Ligne 6 : ")));
    QCOMPARE(previous, 69988);
    QVERIFY(count > 1400);
}

void TestImport::readsEveryCodePointOfCompressedUnicode()
{
    const QStringList rows = readerRows(jetFile("testUnicodeCompV2003.mdb"), {}, QStringLiteral("Table"), {"ID", "Unicode"});
    QCOMPARE(rows.size(), 8);
    QString all;
    for (char16_t c = 1; c <= 0xff; ++c)
        all += QChar(c);
    QCOMPARE(rows.at(7), QStringLiteral("8|") + all);
}

QString TestImport::convertCodes(const QTemporaryDir &dir, ImportReport *report)
{
    const QString target = dir.filePath(QLatin1String(kDatabaseFileName));
    const Status status = importAccessFile({jetFile("codes_tele_qrt_jet4.mdb"), target, false, {}}, report);
    if (!status)
        qWarning("%s", qPrintable(status.message()));
    return status ? target : QString();
}

void TestImport::convertsEveryRow()
{
    QTemporaryDir dir;
    ImportReport report;
    const QString target = convertCodes(dir, &report);
    QVERIFY(!target.isEmpty());

    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT AGENCE, CPOSTALE, PROVINCE, REGION FROM CODE ORDER BY rowid")), kCodeRows);
    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT AGENCE, TEL, PROVINCE, REGION, ADRESSE, FAX FROM TELE ORDER BY rowid")), kTeleRows);
    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT QUARTIER, CPOSTALE, PROVINCE FROM QRT ORDER BY rowid")), kQrtRows);
    // NULL and the empty text stay apart in the stored file, not only in display.
    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT count(*) FROM CODE WHERE CPOSTALE = '' OR REGION IS NULL")), QStringList{"2"});
    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT typeof(FAX) FROM TELE ORDER BY rowid")),
             (QStringList{"text", "null", "text", "text"}));
    // The duplicated office shows twice in the postal-code window's join.
    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT count(*) FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE AND CODE.AGENCE = 'BUREAU DE LA GARE'")),
             QStringList{"2"});

    QCOMPARE(report.jetVersion, 4);
    QCOMPARE(access::AccessFile::open(jetFile("charsetGBK.mdb"), {}).value()->jetVersion(), 3);
    QCOMPARE(report.tables.size(), 3);
    QCOMPARE(report.tables.at(0).name, QStringLiteral("CODE"));
    QCOMPARE(report.tables.at(0).rows, 5);
    QCOMPARE(report.tables.at(1).rows, 4);
    QCOMPARE(report.tables.at(2).rows, 4);
    QCOMPARE(report.leftOut, QStringList{"LONGTEXT"});
    QVERIFY(report.backup.isEmpty());
}

void TestImport::givesTheSampleSchemaAndRules()
{
    QTemporaryDir dir;
    ImportReport report;
    const QString target = convertCodes(dir, &report);
    QVERIFY(!target.isEmpty());
    const QString sample = dir.filePath(QStringLiteral("sample.mdb"));
    QVERIFY(writeSampleDatabase(sample, SampleOptions{}));

    const QString schema = QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_schema ORDER BY rowid");
    QCOMPARE(test::fileRows(target, schema), test::fileRows(sample, schema));
    QCOMPARE(test::fileRows(target, QStringLiteral("PRAGMA journal_mode")), test::fileRows(sample, QStringLiteral("PRAGMA journal_mode")));
    QCOMPARE(test::fileRows(target, QStringLiteral("PRAGMA integrity_check")), QStringList{"ok"});
    // The columns compare as the old engine did: accents and case alike.
    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT AGENCE FROM CODE WHERE AGENCE = 'AGENCE ÉLYSÉE-CHÂTEAU'")),
             QStringList{"Agence Élysée-Château"});
    QCOMPARE(test::fileRows(target, QStringLiteral("SELECT QUARTIER FROM QRT WHERE QUARTIER LIKE 'quartier des œ%'")),
             QStringList{"Quartier des Œillets"});
}

void TestImport::leavesSourceUnchanged()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("old.mdb"));
    QVERIFY(QFile::copy(jetFile("codes_tele_qrt_jet4.mdb"), source));
    const QByteArray before = sha256(source);
    const QDateTime modified = QFileInfo(source).lastModified();
    ImportReport report;
    const Status status = importAccessFile({source, dir.filePath(QStringLiteral("new.mdb")), false, {}}, &report);
    QVERIFY2(status, qPrintable(status.message()));
    QCOMPARE(sha256(source), before);
    QCOMPARE(QFileInfo(source).lastModified(), modified);
}

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
