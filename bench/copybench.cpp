// The counter's local copy on each scale: taking it against reading the
// same rows with COPY, and the postal-code window filled from it with every
// server out of reach against the same window from the server.
#include "bench/benches.h"
#include "bench/harness.h"

#include "data/database/localcopy.h"
#include "data/schema.h"
#include "data/setting/databasesetting.h"
#include "support/recordui.h"

#include <QFile>
#include <QTemporaryDir>
#include <libpq-fe.h>

namespace tavro::bench {

namespace {

// The three tables as COPY gives them to a client, read and dropped: the
// least any copy of them costs. The number of rows read.
qint64 copyOut(const QString &address)
{
    PGconn *c = PQconnectdb(address.toUtf8().constData());
    qint64 rows = 0;
    for (const TableDef &table : kTables) {
        const QString sql = QStringLiteral("COPY (SELECT %1, CLE FROM %2 ORDER BY CLE) TO STDOUT")
                                .arg(columnNames(table).join(QLatin1String(", ")), QLatin1String(table.name));
        PQclear(PQexec(c, sql.toUtf8().constData()));
        char *line = nullptr;
        while (PQgetCopyData(c, &line, 0) > 0) {
            ++rows;
            PQfreemem(line);
        }
        PQclear(PQgetResult(c));
    }
    PQfinish(c);
    return rows;
}

double windowFilledMs()
{
    return timeMs([] {
        auto w = test::makeRecordWindow(QStringLiteral("cp"));
        w->load();
    });
}

} // namespace

void benchLocalCopy(const ScaleFile &served, int runs)
{
    // The server reached through a link to its socket folder, which the
    // bench takes away as a network cut does.
    QTemporaryDir work;
    const QString host = served.path.section(QStringLiteral("host="), 1).section(QLatin1Char(' '), 0, 0);
    const QString link = work.filePath(QStringLiteral("server"));
    QFile::link(host, link);
    QString address = served.path;
    address.replace(QStringLiteral("host=") + host, QStringLiteral("host=") + link);
    qputenv("XDG_CACHE_HOME", work.filePath(QStringLiteral("cache")).toUtf8());

    qint64 rows = 0;
    const auto [refreshMs, copyMs] = medianPairMs(
        runs, [&] { refreshLocalCopy(address); }, [&] { rows = copyOut(address); });
    Table table(QStringLiteral("Local copy, %1").arg(served.name), QStringLiteral("ms"), QStringLiteral("notes"));
    table.row(QStringLiteral("taking the copy (three tables), against COPY … TO STDOUT of them"), refreshMs, copyMs, 4.0,
              QStringLiteral("%1 rows: %2 rows/s against %3 rows/s; %4 KiB on disk")
                  .arg(rows)
                  .arg(qRound64(rows / (refreshMs / 1000)))
                  .arg(qRound64(rows / (copyMs / 1000)))
                  .arg(QFileInfo(localCopyPath(address)).size() / 1024));

    useDatabaseSetting(DatabaseSetting{address, DatabaseSource::Option, {}, {}});
    test::ScriptedDialogs dialogs;
    const double live = medianMs(runs, windowFilledMs);
    QFile::remove(link);
    const double offline = medianMs(runs, windowFilledMs);
    QFile::link(host, link);
    table.row(QStringLiteral("postal-code window filled from the copy, every server cut, against from the server"), offline, live,
              1.5,
              QStringLiteral("one refresh every %1 min reads the tables once: %2 ms of the server's time per counter, "
                             "%3 % of one processor (on a standby where one answers)")
                  .arg(5)
                  .arg(copyMs, 0, 'f', 0)
                  .arg(copyMs / (5 * 60 * 1000) * 100, 0, 'f', 3));
    useDatabaseSetting({});
}

} // namespace tavro::bench
