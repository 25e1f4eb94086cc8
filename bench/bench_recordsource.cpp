// Prints how long the record source takes to load a large result and what
// it costs in memory; figures only, no pass or fail.
//   bench_recordsource [rows]   (default 1000000 rows of QRT)
#include "data/recordsource.h"
#include "data/sampledata.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("BD2003.mdb"));
    tavro::SampleOptions options;
    options.streets = rows;
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!tavro::writeSampleDatabase(path, options, nullptr, &error)) {
        out << "sample database: " << error << '\n';
        return 1;
    }
    out << "sample database, " << rows << " QRT rows: " << timer.elapsed() << " ms, "
        << QFileInfo(path).size() / 1024 << " KiB on disk\n";

    tavro::RecordSource source;
    source.setDatabasePath(path);
    source.setRecordSource(QStringLiteral("select * from QRT "));
    const qint64 before = residentKiB();
    timer.restart();
    const tavro::Status status = source.refresh();
    const qint64 loadMs = timer.elapsed();
    if (!status) {
        out << status.error << '\n';
        return 1;
    }
    out << "refresh: " << source.recordCount() << " rows in " << loadMs << " ms, resident memory +"
        << (residentKiB() - before) / 1024 << " MiB\n";

    // What a grid scrolled from top to bottom asks for, every cell once.
    timer.restart();
    qint64 chars = 0;
    for (int r = 0; r < source.rowCount(); ++r) {
        for (int c = 0; c < source.columnCount(); ++c)
            chars += source.data(source.index(r, c)).toString().size();
    }
    out << "reading every cell: " << timer.elapsed() << " ms (" << chars << " characters)\n";

    timer.restart();
    source.refresh();
    out << "second refresh: " << timer.elapsed() << " ms, resident memory +" << (residentKiB() - before) / 1024 << " MiB\n";
    return 0;
}
