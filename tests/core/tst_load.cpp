// Eight counters saving at once while a ninth searches, each on its own
// connection to one database: every save said to be written is there, and
// none that was not; every search that answers shows the rows as saved,
// never half a save nor one said refused; a search refused says why and
// keeps the rows it showed. How many of each is printed, not judged: it is
// the machine's speed.
#include "data/rows/recordsource.h"
#include "records/adrqueries.h"
#include "support/testdb.h"

#include <QtTest>

#include <atomic>
#include <latch>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace tavro;
using tavro::test::TestDatabase;

class TestLoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eightCountersSaveWhileOneSearches();
};

void TestLoad::eightCountersSaveWhileOneSearches()
{
    constexpr int kCounters = 8;
    constexpr int kSaves = 200;
    TestDatabase db;
    db.createSample(); // 2,400 streets: each counter saves 200 rows of its own
    std::atomic<int> refused = 0, searches = 0, busySearches = 0;
    std::atomic<bool> saving = true;
    std::latch shown(kCounters + 1); // every window shows its rows before anyone saves
    std::mutex lock;
    std::set<QString> written, seen; // values saves said written; values searches showed
    QStringList wrongSearches;

    const auto counter = [&](int c) {
        RecordSource source;
        source.setDatabase(db.path());
        source.setRecordSource(adrq::kInitial);
        const bool loaded = source.refresh().ok();
        shown.arrive_and_wait();
        if (!loaded) {
            refused += kSaves;
            return;
        }
        for (int i = 0; i < kSaves; ++i) {
            const QString value = QStringLiteral("C%1-%2").arg(c).arg(i);
            source.moveTo(i * kCounters + c);
            source.setData(source.index(source.currentRow(), source.columnIndex(QStringLiteral("CPOSTALE"))), value);
            if (const Status saved = source.update()) {
                const std::lock_guard guard(lock);
                written.insert(value);
            } else {
                ++refused;
                qWarning("counter %d, save %d: %s", c, i, qPrintable(saved.message()));
                source.cancelPendingChanges();
            }
        }
    };
    // The streets named "rue...": as many in every answer, whatever is saved.
    RecordSource searcher;
    searcher.setDatabase(db.path());
    searcher.setRecordSource(adrq::kStreetSearch.with(QStringLiteral("rue")));
    QVERIFY(searcher.refresh().ok());
    const qint64 streets = searcher.recordCount();
    QVERIFY(streets > 100);
    const auto search = [&] {
        const Status answered = searcher.refresh();
        ++(answered ? searches : busySearches);
        const std::lock_guard guard(lock);
        if (!answered && (answered.fault() != Fault::Busy || searcher.recordCount() != streets))
            wrongSearches << answered.message();
        if (answered && searcher.recordCount() != streets)
            wrongSearches << QStringLiteral("%1 rows").arg(searcher.recordCount());
        for (int row = 0; answered && row < searcher.rowCount(); ++row) {
            const QString code = searcher.text(row, QStringLiteral("CPOSTALE"));
            if (code.startsWith(QLatin1Char('C')))
                seen.insert(code);
        }
    };
    std::thread searching([&] {
        shown.arrive_and_wait();
        while (saving)
            search();
    });
    std::vector<std::thread> counters;
    for (int c = 0; c < kCounters; ++c)
        counters.emplace_back(counter, c);
    for (std::thread &t : counters)
        t.join();
    saving = false;
    searching.join();

    const QStringList changed = db.rows(QStringLiteral("SELECT count(*), count(DISTINCT CPOSTALE) FROM QRT "
                                                       "WHERE CPOSTALE LIKE 'C%'"));
    qInfo("%d saves said written, %d refused; rows changed in the data: %s (count, distinct values); "
          "%d searches answered meanwhile, %d refused as busy",
          int(written.size()), int(refused), qPrintable(changed.join(' ')), int(searches), int(busySearches));
    QCOMPARE(changed, QStringList{QStringLiteral("%1|%1").arg(written.size())});
    QCOMPARE(int(written.size()) + int(refused), kCounters * kSaves);
    // What the searches showed was saved: never a value of a save said refused.
    QStringList unsaved;
    for (const QString &value : seen) {
        if (!written.count(value))
            unsaved << value;
    }
    QCOMPARE(unsaved, QStringList());
    QCOMPARE(wrongSearches, QStringList());
    // Once the counters are done, a search shows every save among its rows.
    QVERIFY(searcher.refresh().ok());
    QStringList shownNow;
    for (int row = 0; row < searcher.rowCount(); ++row) {
        if (const QString code = searcher.text(row, QStringLiteral("CPOSTALE")); code.startsWith(QLatin1Char('C')))
            shownNow << code;
    }
    QStringList stored = db.rows(QStringLiteral("SELECT CPOSTALE FROM QRT WHERE QUARTIER LIKE 'rue%' AND CPOSTALE LIKE 'C%'"));
    shownNow.sort();
    stored.sort();
    QCOMPARE(shownNow, stored);
    // A file shared by eight writers may keep one waiting past its busy
    // time-out: that save or search is said refused. A server's readers never
    // wait for its writers, and its writers wait on rows, each counter's own.
    if (TestDatabase::onServer()) {
        QCOMPARE(int(refused), 0);
        QCOMPARE(int(busySearches), 0);
    }
}

QTEST_GUILESS_MAIN(TestLoad)
#include "tst_load.moc"
