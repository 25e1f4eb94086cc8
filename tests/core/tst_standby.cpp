// A site's primary server and its streaming standby: look-ups on the
// standby, saves on the primary, a standby's lag never overwriting a newer
// row, a failover that reports no save done that was not; the counter's
// local copy when no server answers, and the way back to the server.
#include "data/database/database.h"
#include "data/database/localcopy.h"
#include "data/rows/recordsource.h"
#include "data/schema.h"
#include "data/setting/databasesetting.h"
#include "data/sqlite/opendb.h"

#include "support/testdb.h"
#include <SQLiteCpp/Database.h>

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <atomic>
#include <thread>

using tavro::ReadOrigin;
using tavro::RecordSource;
using tavro::Result;
using tavro::test::TestDatabase;

namespace {

void fillOffices(TestDatabase &db)
{
    db.create();
    db.insert("CODE", {"ZOLT IFRASSEN GARE", "30020", "IFRASSEN", "DR CENTRE"});
    db.insert("CODE", {"KIRB TIZNOUK PORT", "40040", "TIZNOUK", "DR OUEST"});
}

bool setField(RecordSource &source, const QString &column, const QString &text)
{
    return source.setData(source.index(source.currentRow(), source.columnIndex(column)), text);
}

// The program's sessions on this database, on the primary or the standby.
int sessions(const TestDatabase &db, bool onStandby)
{
    const QString sql = QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                       "AND application_name = 'tavro'");
    return (onStandby ? db.standbyRows(sql) : db.rows(sql)).value(0).toInt();
}

// Every row of a query with the keys that found it, as a record source
// loads them.
QStringList shownRows(RecordSource &source)
{
    QStringList rows;
    for (int r = 0; r < source.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < source.columnCount(); ++c)
            cells << source.data(source.index(r, c)).toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// The copy's own cache folder, and no other, for the test's life.
struct CopyFolder {
    QTemporaryDir cache;
    QByteArray before = qgetenv("XDG_CACHE_HOME");
    CopyFolder() { qputenv("XDG_CACHE_HOME", cache.path().toUtf8()); }
    ~CopyFolder() { qputenv("XDG_CACHE_HOME", before); }
};

} // namespace

class TestStandby : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsOnStandbySavesOnPrimary_data();
    void readsOnStandbySavesOnPrimary();
    void staleStandbyReadIsChecked_data();
    void staleStandbyReadIsChecked();
    void copyAnswersAsTheServer_data();
    void copyAnswersAsTheServer();
    void noServerAnswers_data();
    void noServerAnswers();
    void refreshKilledLeavesTheCopyWhole();
    void settingTurnsTheCopyOff_data();
    void settingTurnsTheCopyOff();
    void failoverReportsNoSaveNotDone();
};

void TestStandby::readsOnStandbySavesOnPrimary_data()
{
    QTest::addColumn<bool>("severalHosts");
    QTest::addColumn<int>("readsFrom");
    QTest::addColumn<int>("primaryBeforeSave");
    QTest::addColumn<int>("standbyAfterSave");
    // The primary's session is opened by the first save only.
    QTest::newRow("several hosts") << true << int(ReadOrigin::Kind::Standby) << 0 << 1;
    QTest::newRow("one host") << false << int(ReadOrigin::Kind::Primary) << 1 << 0;
}

void TestStandby::readsOnStandbySavesOnPrimary()
{
    QFETCH(bool, severalHosts);
    QFETCH(int, readsFrom);
    QFETCH(int, primaryBeforeSave);
    QFETCH(int, standbyAfterSave);
    TestDatabase db;
    fillOffices(db);
    db.waitForStandby();
    RecordSource source;
    source.setDatabase(severalHosts ? db.throughStandby() : db.path());
    source.setRecordSource(QStringLiteral("SELECT * FROM CODE"));
    QVERIFY(source.refresh().ok());
    QCOMPARE(int(source.readsFrom().kind), readsFrom);
    QVERIFY(!source.readsFrom().where.contains(QLatin1Char(',')));
    QCOMPARE(sessions(db, false), primaryBeforeSave);
    QVERIFY(setField(source, QStringLiteral("CPOSTALE"), QStringLiteral("30070")));
    const tavro::Status saved = source.update();
    QVERIFY2(saved.ok(), qPrintable(saved.message()));
    QCOMPARE(db.rows(QStringLiteral("SELECT CPOSTALE FROM CODE WHERE AGENCE LIKE 'zolt%'")), QStringList{"30070"});
    QCOMPARE(sessions(db, false), 1);
    QCOMPARE(sessions(db, true), standbyAfterSave);
}

void TestStandby::staleStandbyReadIsChecked_data()
{
    QTest::addColumn<bool>("colleagueSaved");
    QTest::newRow("row changed on the primary meanwhile") << true;
    QTest::newRow("row unchanged") << false;
}

void TestStandby::staleStandbyReadIsChecked()
{
    QFETCH(bool, colleagueSaved);
    TestDatabase db;
    fillOffices(db);
    db.waitForStandby();
    // The standby lags: what the primary gets now, it has not yet.
    db.pauseStandby(true);
    const auto resume = qScopeGuard([&] { db.pauseStandby(false); });
    if (colleagueSaved)
        db.exec(QStringLiteral("UPDATE CODE SET CPOSTALE = '30099' WHERE AGENCE = 'ZOLT IFRASSEN GARE'"));
    RecordSource source;
    source.setDatabase(db.throughStandby());
    source.setRecordSource(QStringLiteral("SELECT * FROM CODE"));
    QVERIFY(source.refresh().ok());
    QCOMPARE(source.text(0, QStringLiteral("CPOSTALE")), QStringLiteral("30020"));
    QVERIFY(setField(source, QStringLiteral("CPOSTALE"), QStringLiteral("30070")));
    const tavro::Status saved = source.update();
    QCOMPARE(saved.fault(), colleagueSaved ? tavro::Fault::Conflict : tavro::Fault::None);
    QCOMPARE(db.rows(QStringLiteral("SELECT CPOSTALE FROM CODE WHERE AGENCE LIKE 'zolt%'")),
             QStringList{colleagueSaved ? "30099" : "30070"});
    // Saved, the window shows the primary's row, the standby still
    // lagging; refused, the typing stays.
    QCOMPARE(db.standbyRows(QStringLiteral("SELECT CPOSTALE FROM CODE WHERE AGENCE LIKE 'zolt%'")), QStringList{"30020"});
    QCOMPARE(source.text(source.currentRow(), QStringLiteral("CPOSTALE")), QStringLiteral("30070"));
    QCOMPARE(source.hasPendingChanges(), colleagueSaved);
    // The next look-up too, until the standby has replayed the save.
    if (saved.ok()) {
        QVERIFY(source.refresh().ok());
        QCOMPARE(source.text(0, QStringLiteral("CPOSTALE")), QStringLiteral("30070"));
    }
}

void TestStandby::copyAnswersAsTheServer_data()
{
    QTest::addColumn<QString>("sql");
    // Case-blind, accent-aware comparisons, prefixes, pick lists' groups,
    // and rows in key order where nothing orders them.
    QTest::newRow("all offices") << "SELECT * FROM CODE";
    QTest::newRow("equal, case-blind") << "SELECT * FROM CODE WHERE PROVINCE = 'ifrassen'";
    QTest::newRow("prefix") << "SELECT AGENCE, CPOSTALE FROM CODE WHERE AGENCE LIKE 'kirb%' ORDER BY AGENCE";
    QTest::newRow("grouped") << "SELECT DISTINCT PROVINCE FROM QRT ORDER BY PROVINCE";
    QTest::newRow("join") << "SELECT CODE.AGENCE, TELE.TEL FROM CODE, TELE WHERE CODE.AGENCE = TELE.AGENCE";
}

void TestStandby::copyAnswersAsTheServer()
{
    QFETCH(QString, sql);
    CopyFolder folder;
    TestDatabase db;
    db.createSample();
    db.waitForStandby();
    const QString address = db.throughStandby();
    const Result<QDateTime> taken = tavro::refreshLocalCopy(address);
    QVERIFY2(taken.ok(), qPrintable(taken.status().message()));
    const QString copy = tavro::localCopyPath(address);
    QVERIFY(copy.startsWith(folder.cache.path() + QStringLiteral("/tavro/")));
    QCOMPARE(tavro::localCopyTaken(copy)->toSecsSinceEpoch(), taken->toSecsSinceEpoch());
    RecordSource server, local;
    server.setDatabase(address);
    local.setDatabase(copy);
    server.setRecordSource(sql);
    local.setRecordSource(sql);
    QVERIFY(server.refresh().ok());
    QVERIFY(local.refresh().ok());
    QVERIFY(server.rowCount() > 0);
    QCOMPARE(shownRows(local), shownRows(server));
}

void TestStandby::noServerAnswers_data()
{
    QTest::addColumn<bool>("copyTaken");
    QTest::addColumn<bool>("copyWanted"); // the setting
    QTest::newRow("copy there") << true << true;
    QTest::newRow("no copy") << false << true;
    QTest::newRow("copy turned off") << true << false;
}

void TestStandby::noServerAnswers()
{
    QFETCH(bool, copyTaken);
    QFETCH(bool, copyWanted);
    CopyFolder folder;
    TestDatabase db;
    fillOffices(db);
    db.waitForStandby();
    QTemporaryDir links; // the hosts' socket folders, cut and given back
    const QString address = db.throughStandby(links.path());
    if (copyTaken)
        QVERIFY(tavro::refreshLocalCopy(address).ok());
    tavro::DatabaseSetting setting;
    setting.localCopy = copyWanted;
    tavro::useDatabaseSetting(setting);
    const auto restore = qScopeGuard([] { tavro::useDatabaseSetting({}); });
    // A colleague's save the copy has not seen.
    db.exec(QStringLiteral("UPDATE CODE SET PROVINCE = 'IFRASSEN-GARE' WHERE AGENCE = 'ZOLT IFRASSEN GARE'"));
    // A window open before the cut, and one opened after it.
    RecordSource early;
    early.setDatabase(address);
    early.setRecordSource(QStringLiteral("SELECT * FROM QRT"));
    QVERIFY(early.refresh().ok());
    QCOMPARE(int(early.readsFrom().kind), int(ReadOrigin::Kind::Standby));
    db.setReachable(links.path(), false);
    db.cutConnections();
    db.standbyRows(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'tavro'"));
    QCOMPARE(early.refresh().ok(), copyTaken && copyWanted);
    QCOMPARE(early.readsFrom().kind == ReadOrigin::Kind::Copy, copyTaken && copyWanted);

    RecordSource source;
    source.setDatabase(address);
    source.setRecordSource(QStringLiteral("SELECT * FROM CODE"));
    const tavro::Status opened = source.refresh();
    if (!copyTaken || !copyWanted) {
        // As without a copy: the server is named, nothing is shown.
        QCOMPARE(opened.fault(), tavro::Fault::Unavailable);
        QVERIFY2(opened.message().contains(QStringLiteral("a échoué")), qPrintable(opened.message()));
        return;
    }
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    QCOMPARE(int(source.readsFrom().kind), int(ReadOrigin::Kind::Copy));
    QCOMPARE(source.rowCount(), 2);
    QVERIFY(source.moveTo(1).ok());
    QCOMPARE(source.text(1, QStringLiteral("AGENCE")), QStringLiteral("KIRB TIZNOUK PORT"));
    // Saves refused, the typing kept, nothing written on the copy.
    QVERIFY(setField(source, QStringLiteral("CPOSTALE"), QStringLiteral("40041")));
    const tavro::Status refused = source.update();
    QCOMPARE(refused.fault(), tavro::Fault::Unavailable);
    QVERIFY2(refused.message().contains(QStringLiteral("demande le serveur")), qPrintable(refused.message()));
    QVERIFY(source.hasPendingChanges());
    QCOMPARE(source.addNew().fault(), tavro::Fault::Unavailable);
    QCOMPARE(source.text(source.currentRow(), QStringLiteral("CPOSTALE")), QStringLiteral("40041"));
    RecordSource onCopy;
    onCopy.setDatabase(tavro::localCopyPath(address));
    onCopy.setRecordSource(QStringLiteral("SELECT CPOSTALE FROM CODE WHERE AGENCE LIKE 'kirb%'"));
    QVERIFY(onCopy.refresh().ok());
    QCOMPARE(onCopy.text(0, QStringLiteral("CPOSTALE")), QStringLiteral("40040"));

    // A server answers again: the same row, from the server, the typing kept.
    db.setReachable(links.path(), true);
    db.waitForStandby();
    tavro::noteServerAnswers(address);
    QVERIFY(source.readAgainFromServer().ok());
    QCOMPARE(int(source.readsFrom().kind), int(ReadOrigin::Kind::Standby));
    QCOMPARE(source.text(source.currentRow(), QStringLiteral("AGENCE")), QStringLiteral("KIRB TIZNOUK PORT"));
    QCOMPARE(source.text(source.currentRow(), QStringLiteral("CPOSTALE")), QStringLiteral("40041"));
    QCOMPARE(source.text(0, QStringLiteral("PROVINCE")), QStringLiteral("IFRASSEN-GARE"));
    QVERIFY(source.update().ok());
    QCOMPARE(db.rows(QStringLiteral("SELECT CPOSTALE FROM CODE WHERE AGENCE LIKE 'kirb%'")), QStringList{"40041"});
}

void TestStandby::refreshKilledLeavesTheCopyWhole()
{
    CopyFolder folder;
    TestDatabase db;
    db.create();
    // Enough rows for the refresh to last a while.
    db.exec(QStringLiteral("INSERT INTO QRT (QUARTIER, CPOSTALE, PROVINCE) SELECT 'Rue ' || i, 'C' || i, 'Lemsara' "
                           "FROM generate_series(1, 300000) i"));
    const QString address = db.path();
    const Result<QDateTime> first = tavro::refreshLocalCopy(address);
    QVERIFY(first.ok());
    const QString copy = tavro::localCopyPath(address);
    db.exec(QStringLiteral("DELETE FROM QRT WHERE CPOSTALE COLLATE \"C\" LIKE 'C1%'"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAVRO_DATABASE"), address);
    child.setProcessEnvironment(env);
    QThread::sleep(1); // a second copy tells its time from the first
    child.start(QStringLiteral(TAVRO_PROGRAM), {QStringLiteral("--refresh-copy")});
    QVERIFY(child.waitForStarted());
    // Killed while it writes the new copy beside the old one.
    const QDir cache(QFileInfo(copy).absolutePath());
    QDeadlineTimer deadline(20000);
    while (cache.entryList({QStringLiteral("*.import-*")}, QDir::Files).isEmpty() && !deadline.hasExpired()
           && child.state() == QProcess::Running)
        QThread::msleep(2);
    QVERIFY2(child.state() == QProcess::Running, "the refresh ended before it could be killed");
    QThread::msleep(100);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(tavro::localCopyTaken(copy)->toSecsSinceEpoch(), first->toSecsSinceEpoch());
    auto opened = tavro::openDatabase(copy);
    QVERIFY(opened.ok());
    RecordSource old;
    old.setDatabase(copy);
    old.setRecordSource(QStringLiteral("SELECT * FROM QRT"));
    QVERIFY(old.refresh().ok());
    QCOMPARE(old.recordCount(), 300000);
    // The next refresh goes through and clears what the killed one left.
    const Result<QDateTime> again = tavro::refreshLocalCopy(address);
    QVERIFY2(again.ok(), qPrintable(again.status().message()));
    QVERIFY(cache.entryList({QStringLiteral("*.import-*")}, QDir::Files).isEmpty());
    RecordSource renewed;
    renewed.setDatabase(copy);
    renewed.setRecordSource(QStringLiteral("SELECT * FROM QRT"));
    QVERIFY(renewed.refresh().ok());
    QCOMPARE(renewed.recordCount(), 300000 - 111111);
}

void TestStandby::failoverReportsNoSaveNotDone()
{
    // A pair of its own, whose primary this test stops: every commit waits
    // for the standby, as a site that fails over without loss runs it.
    QTemporaryDir state;
    const QString stateFile = state.filePath(QStringLiteral("pair"));
    const auto script = [&](const QString &action) {
        return QProcess::execute(QStringLiteral("sh"),
                                 {QStringLiteral(TAVRO_SERVER_SCRIPT), action, stateFile, QStringLiteral("sync")});
    };
    QCOMPARE(script(QStringLiteral("start")), 0);
    const auto stop = qScopeGuard([&] { script(QStringLiteral("stop")); });
    QFile file(stateFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QString primary = lines.value(0), standby = lines.value(1).mid(8);
    const auto word = [](const QString &address, const QString &key) {
        return address.section(key + QLatin1Char('='), 1).section(QLatin1Char(' '), 0, 0);
    };
    const QString both = QStringLiteral("host=%1,%2 port=%3,%4 user=%5 dbname=postgres")
                             .arg(word(primary, "host"), word(standby, "host"), word(primary, "port"), word(standby, "port"),
                                  word(primary, "user"));
    constexpr int kWriters = 4, kSaves = 100;
    {
        auto writer = tavro::Database(both).writer();
        QVERIFY(writer.ok());
        QVERIFY((*writer)->startTable(tavro::kCodeTable).ok());
        for (int i = 0; i < kWriters * kSaves; ++i)
            QVERIFY((*writer)->addRow({QByteArray("BUREAU ") + QByteArray::number(i), QByteArray("0"), {}, {}}).ok());
        QVERIFY((*writer)->commit().ok());
    }

    // Each save its own row (CLE 1 to 400): done, not done, or uncertain.
    enum Outcome { NotDone, Uncertain, Done };
    std::vector<Outcome> outcome(kWriters * kSaves, NotDone);
    std::atomic<int> attempted{0}, doneAfterFailover{0};
    std::atomic<bool> failedOver{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            auto opened = tavro::Database(both).connect();
            for (int i = 0; opened && i < kSaves; ++i) {
                const int row = w * kSaves + i;
                tavro::Connection &c = **opened;
                tavro::WriteTransaction tx(c);
                const auto written = [&] {
                    if (!tx.begin())
                        return false;
                    const auto updated =
                        c.update(QStringLiteral("code"), {row + 1, 0},
                                 {{QStringLiteral("cpostale"), QString::number(row + 1), QStringLiteral("0")}}, {});
                    return updated.ok() && updated->has_value();
                }();
                if (written) {
                    const tavro::Status committed = tx.commit();
                    outcome[std::size_t(row)] = committed ? Done : Uncertain;
                    if (committed && failedOver)
                        ++doneAfterFailover;
                }
                ++attempted;
                QThread::msleep(20);
            }
        });
    }
    while (attempted < kWriters * kSaves / 4)
        QThread::msleep(5);
    QCOMPARE(script(QStringLiteral("fail")), 0);
    failedOver = true;
    for (std::thread &t : writers)
        t.join();

    // On the promoted standby: every save said done is there; every row
    // changed was said done or uncertain, none not done.
    RecordSource promoted;
    promoted.setDatabase(standby + QStringLiteral(" dbname=postgres"));
    promoted.setRecordSource(QStringLiteral("SELECT CLE, CPOSTALE FROM CODE"));
    QVERIFY(promoted.refresh().ok());
    QCOMPARE(promoted.readsFrom().kind, ReadOrigin::Kind::Primary);
    int done = 0, changed = 0, uncertain = 0;
    for (int r = 0; r < promoted.rowCount(); ++r) {
        const int row = promoted.text(r, QStringLiteral("CLE")).toInt() - 1;
        const bool isChanged = promoted.text(r, QStringLiteral("CPOSTALE")) != QLatin1String("0");
        changed += isChanged;
        done += outcome[std::size_t(row)] == Done;
        uncertain += outcome[std::size_t(row)] == Uncertain;
        if (outcome[std::size_t(row)] == Done)
            QVERIFY2(isChanged, qPrintable(QStringLiteral("save %1 said done, not on the new primary").arg(row + 1)));
        if (outcome[std::size_t(row)] == NotDone)
            QVERIFY2(!isChanged, qPrintable(QStringLiteral("save %1 said not done, made").arg(row + 1)));
    }
    qInfo("saves said done %d, uncertain %d, rows changed on the new primary %d, done after the failover %d", done, uncertain,
          changed, int(doneAfterFailover));
    QCOMPARE(promoted.rowCount(), kWriters * kSaves);
    QVERIFY(doneAfterFailover > 0); // the next saves reached the new primary by themselves
}

void TestStandby::settingTurnsTheCopyOff_data()
{
    QTest::addColumn<QString>("variable"); // TAVRO_LOCAL_COPY; "-": unset
    QTest::addColumn<QString>("fileLine"); // in the user's tavro.conf
    QTest::addColumn<bool>("kept");
    QTest::newRow("nothing said") << "-"
                                  << "" << true;
    QTest::newRow("file: non") << "-"
                               << "localcopy=non" << false;
    QTest::newRow("file: off, variable: on") << "on"
                                             << "localcopy=off" << true;
    QTest::newRow("variable: off") << "OFF"
                                   << "" << false;
    QTest::newRow("variable: 0, file: on") << "0"
                                           << "localcopy=on" << false;
}

void TestStandby::settingTurnsTheCopyOff()
{
    QFETCH(QString, variable);
    QFETCH(QString, fileLine);
    QFETCH(bool, kept);
    QTemporaryDir config;
    QDir(config.path()).mkpath(QStringLiteral("tavro"));
    QFile conf(config.filePath(QStringLiteral("tavro/tavro.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[General]\ndatabase=host=serveur dbname=tavro\n" + fileLine.toUtf8() + '\n');
    conf.close();
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), config.filePath(QStringLiteral("none")));
    if (variable != QLatin1String("-"))
        env.insert(QStringLiteral("TAVRO_LOCAL_COPY"), variable);
    const tavro::DatabaseSetting setting = tavro::resolveDatabaseSetting(std::nullopt, env);
    QCOMPARE(setting.value, QStringLiteral("host=serveur dbname=tavro"));
    QCOMPARE(setting.localCopy, kept);
}

QTEST_GUILESS_MAIN(TestStandby)
#include "tst_standby.moc"
