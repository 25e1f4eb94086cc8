#include "data/sampledata.h"
#include "support/testdb.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace tavro;

class TestSampleData : public QObject {
    Q_OBJECT

    static QByteArray hashOf(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }

private Q_SLOTS:
    void deterministic()
    {
        test::TestDatabase a, b;
        a.createSample();
        b.createSample();
        for (const char *table : {"CODE", "TELE", "QRT"}) {
            const QString sql = QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table));
            QCOMPARE(a.rows(sql), b.rows(sql));
        }
        QCOMPARE(hashOf(a.path()), hashOf(b.path()));
    }

    void neverOverwrites()
    {
        test::TestDatabase db;
        db.create();
        db.insert("QRT", {"Rue gardée", "10000", "Valmérin"});
        const QByteArray before = hashOf(db.path());
        const auto written = writeSampleDatabase(db.path(), SampleOptions{});
        QVERIFY(!written);
        QVERIFY(!written.status().message().isEmpty());
        QCOMPARE(hashOf(db.path()), before);
        QCOMPARE(db.rows(QStringLiteral("SELECT QUARTIER FROM QRT")), QStringList{"Rue gardée"});
    }

    void edgeRowsPresent_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("atLeast");
        QTest::newRow("office without telephone")
            << "SELECT count(*) FROM CODE WHERE AGENCE NOT IN (SELECT AGENCE FROM TELE WHERE AGENCE IS NOT NULL)" << 1;
        QTest::newRow("office with two telephones")
            << "SELECT count(*) FROM (SELECT AGENCE FROM TELE GROUP BY AGENCE HAVING count(*) = 2)" << 1;
        QTest::newRow("null region") << "SELECT count(*) FROM CODE WHERE REGION IS NULL" << 1;
        QTest::newRow("null office in TELE") << "SELECT count(*) FROM TELE WHERE AGENCE IS NULL" << 1;
        QTest::newRow("null city in QRT") << "SELECT count(*) FROM QRT WHERE PROVINCE IS NULL" << 1;
        QTest::newRow("empty postal code") << "SELECT count(*) FROM CODE WHERE CPOSTALE = ''" << 1;
        QTest::newRow("apostrophe in an office") << "SELECT count(*) FROM CODE WHERE instr(AGENCE, '''') > 0" << 1;
        QTest::newRow("apostrophe in a street") << "SELECT count(*) FROM QRT WHERE instr(QUARTIER, '''') > 0" << 1;
        QTest::newRow("accent in an office") << "SELECT count(*) FROM CODE WHERE AGENCE LIKE 'éc%'" << 1;
        QTest::newRow("24 cities") << "SELECT count(DISTINCT PROVINCE) FROM QRT" << 24;
        QTest::newRow("five-digit codes")
            << "SELECT count(*) FROM CODE WHERE length(CPOSTALE) = 5 AND CPOSTALE NOT GLOB '*[^0-9]*'" << 900;
    }

    void edgeRowsPresent()
    {
        QFETCH(QString, sql);
        QFETCH(int, atLeast);
        static test::TestDatabase db;
        static bool made = false;
        if (!made) {
            db.createSample();
            made = true;
        }
        const int n = db.rows(sql).value(0).toInt();
        QVERIFY2(n >= atLeast, qPrintable(QStringLiteral("%1 rows").arg(n)));
    }

    void scaleAndCounts()
    {
        test::TestDatabase db;
        SampleOptions options;
        options.offices = 3000;
        options.streets = 12345;
        const auto written = writeSampleDatabase(db.path(), options);
        QVERIFY(written);
        const SampleCounts counts = *written;
        QCOMPARE(counts.code, 3000);
        QCOMPARE(counts.qrt, 12345);
        QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM QRT")), QStringList{"12345"});
        QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM TELE")), QStringList{QString::number(counts.tele)});
    }

    void plainSqliteToolFindsItValid()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            QSKIP("the sqlite3 command-line tool is not installed");
        test::TestDatabase db;
        db.createSample();
        QProcess tool;
        tool.start(QStringLiteral("sqlite3"), {db.path(), QStringLiteral("PRAGMA integrity_check; SELECT count(*) FROM CODE;")});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{"ok", "960"}));
    }
};

QTEST_GUILESS_MAIN(TestSampleData)
#include "tst_sampledata.moc"
