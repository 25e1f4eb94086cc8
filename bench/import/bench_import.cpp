// Rows per second of the Access import on the largest Jet test file, and of
// libmdb's own full scan of that file (every column bound, as its export
// tool reads) for comparison. Prints figures; asserts nothing.
//   bench_import [--runs N] [--file PATH]
#include "bench/harness.h"
#include "tools/accessfile.h"
#include "tools/accessimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <mdbtools.h>

#include <vector>

namespace {

QString largestTestFile()
{
    const QFileInfoList files =
        QDir(QStringLiteral(TAVRO_JET_DATA)).entryInfoList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Size);
    return files.isEmpty() ? QString() : files.first().absoluteFilePath();
}

// libmdb alone: open, read the catalogue, bind every column of every user
// table with its default buffer size and fetch every row.
qint64 libmdbScan(const QString &path)
{
    MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE))
        return -1;
    qint64 rows = 0;
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
            continue;
        MdbTableDef *table = mdb_read_table(entry);
        if (!table)
            continue;
        mdb_read_columns(table);
        std::vector<std::vector<char>> buffers(table->num_cols, std::vector<char>(MDB_BIND_SIZE));
        std::vector<int> lengths(table->num_cols);
        for (guint c = 0; c < table->num_cols; ++c)
            mdb_bind_column(table, int(c) + 1, buffers[c].data(), &lengths[c]);
        mdb_rewind_table(table);
        while (mdb_fetch_row(table))
            ++rows;
        mdb_free_tabledef(table);
    }
    mdb_close(mdb);
    return rows;
}

// Our reader on every column of every table, NULL mask and whole memos included.
qint64 readerScan(const QString &path)
{
    auto file = tavro::access::AccessFile::open(path, {});
    if (!file)
        return -1;
    qint64 rows = 0;
    for (const QString &table : (*file)->tableNames()) {
        QStringList names;
        const auto columns = (*file)->columns(table);
        for (const tavro::access::Column &c : columns ? *columns : QList<tavro::access::Column>()) {
            if (c.readable)
                names << c.name;
        }
        auto cursor = (*file)->rows(table, names);
        while (cursor) {
            const tavro::Result<bool> more = (*cursor)->next();
            if (!more || !*more)
                break;
            ++rows;
        }
    }
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("runs"), QStringLiteral("Repetitions of each measure."), QStringLiteral("n"), QStringLiteral("200")});
    parser.addOption(
        {QStringLiteral("file"), QStringLiteral("Access file to import."), QStringLiteral("path"), largestTestFile()});
    parser.process(app);
    const int runs = qMax(1, parser.value(QStringLiteral("runs")).toInt());
    const QString source = parser.value(QStringLiteral("file"));
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("BD2003.mdb"));
    qint64 imported = 0;
    QString failure;
    const double importMs = tavro::bench::medianMs(runs, [&] {
        QFile::remove(target);
        tavro::ImportReport report;
        const tavro::Status status = tavro::importAccessFile({source, target, false, {}}, &report);
        if (!status)
            failure = status.message();
        imported = 0;
        for (const tavro::ImportedTable &t : report.tables)
            imported += t.rows;
    });
    if (!failure.isEmpty()) {
        out << "import failed: " << failure << '\n';
        return 1;
    }
    qint64 read = 0;
    const double readerMs = tavro::bench::medianMs(runs, [&] { read = readerScan(source); });
    qint64 scanned = 0;
    const double libmdbMs = tavro::bench::medianMs(runs, [&] { scanned = libmdbScan(source); });

    out << "file: " << source << " (" << QFileInfo(source).size() << " bytes), median of " << runs << " runs\n";
    auto perSecond = [](qint64 rows, double ms) { return QString::number(ms > 0 ? rows / ms * 1000.0 : 0.0, 'f', 0); };
    out << "import into a new file (CODE, TELE, QRT): " << imported << " rows, " << QString::number(importMs, 'f', 3) << " ms, "
        << perSecond(imported, importMs) << " rows/s\n";
    out << "our reader, every table and column:       " << read << " rows, " << QString::number(readerMs, 'f', 3) << " ms, "
        << perSecond(read, readerMs) << " rows/s\n";
    out << "libmdb full scan, every column bound:     " << scanned << " rows, " << QString::number(libmdbMs, 'f', 3) << " ms, "
        << perSecond(scanned, libmdbMs) << " rows/s\n";
    out.flush();

    // The reader does libmdb's scan plus the null mask and whole memos; the
    // import adds writing, checking and flushing a new SQLite file.
    tavro::bench::Table table(QStringLiteral("Access import against libmdb's own scan"));
    table.row(QStringLiteral("our reader, every table"), readerMs, libmdbMs, 3.0);
    table.row(QStringLiteral("whole import to a new file"), importMs, libmdbMs, 40.0);
    return 0;
}
