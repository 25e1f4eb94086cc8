// Opening the database file: never created, never changed, each refusal
// named and explained; the shared connection follows the same rules.
#include "data/module1.h"
#include "data/opendb.h"
#include "data/recordsource.h"
#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

using tavro::test::TestDatabase;

namespace {

QByteArray jetHeader(const char *signature)
{
    QByteArray head(4, '\0');
    head[0] = 0x00;
    head[1] = 0x01;
    head += signature;
    head += QByteArray(2048 - head.size(), '\x5a');
    return head;
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

class TestOpenDb : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusesWithoutTouching_data();
    void refusesWithoutTouching();
    void opensAValidFile();
    void sharedConnectionIsReplacedAtEveryCall();
};

void TestOpenDb::refusesWithoutTouching_data()
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
}

void TestOpenDb::refusesWithoutTouching()
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
    }
    const QStringList before = listing(db.folder());
    const QString shown = QDir::toNativeSeparators(db.path());

    const auto opened = tavro::openDatabase(db.path());
    QVERIFY(!opened);
    QVERIFY2(opened.status().message().contains(says), qPrintable(opened.status().message()));
    QVERIFY(opened.status().message().contains(shown));

    // The same through the shared connection and a record source.
    db.makeCurrent();
    const tavro::Status shared = Module1::connect();
    QVERIFY(shared.message().contains(says));
    QVERIFY(!Module1::connection());
    tavro::RecordSource source;
    source.setRecordSource(QStringLiteral("select * from TELE"));
    const tavro::Status refreshed = source.refresh();
    QVERIFY(!refreshed.ok());
    QVERIFY(refreshed.message().contains(says));
    QCOMPARE(source.rowCount(), 0);

    QCOMPARE(listing(db.folder()), before);
    if (kind == QLatin1String("file"))
        QCOMPARE(contents(db.path()), bytes);
}

void TestOpenDb::opensAValidFile()
{
    TestDatabase db;
    db.createSample();
    const QByteArray before = contents(db.path());
    const auto opened = tavro::openDatabase(db.path());
    QVERIFY2(opened, qPrintable(opened.status().message()));
    SQLite::Statement count(**opened, "SELECT count(*) FROM CODE WHERE AGENCE = 'école normale zolt'");
    QVERIFY(count.executeStep());
    QCOMPARE(count.getColumn(0).getInt(), 1); // the text rules are in place
    QCOMPARE(contents(db.path()), before);
}

void TestOpenDb::sharedConnectionIsReplacedAtEveryCall()
{
    TestDatabase db;
    db.createSample();
    db.makeCurrent();
    QVERIFY(Module1::connect().ok());
    QVERIFY(Module1::connection());
    QVERIFY(Module1::connect().ok());
    // A failed call leaves no stale connection behind.
    QVERIFY(QFile::rename(db.path(), db.path() + QStringLiteral(".old")));
    QVERIFY(!Module1::connect().ok());
    QVERIFY(!Module1::connection());
}

QTEST_GUILESS_MAIN(TestOpenDb)
#include "tst_opendb.moc"
