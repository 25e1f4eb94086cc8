// Rows per second of the Access import on the largest Jet test file, and of
// libmdb's own full scan of that file (every column bound, as its export
// tool reads) for comparison. Prints figures; asserts nothing.
//   bench_import [--runs N] [--file PATH]
#include "tools/accessfile.h"
#include "tools/accessimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <mdbtools.h>

#include <vector>

namespace {

QString largestTestFile()
{
    const QFileInfoList files = QDir(QStringLiteral(TAVRO_JET_DATA)).entryInfoList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Size);
    return files.isEmpty() ? QString() : files.first().absoluteFilePath();
}

struct Figure {
    qint64 rows = 0;
    qint64 nanoseconds = 0;
    double rowsPerSecond() const { return nanoseconds ? rows * 1e9 / double(nanoseconds) : 0.0; }
    double msPerRun(int runs) const { return nanoseconds / 1e6 / runs; }
};

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
    QString error;
    auto file = tavro::access::AccessFile::open(path, {}, &error);
    if (!file)
        return -1;
    qint64 rows = 0;
    for (const QString &table : file->tableNames()) {
        QStringList names;
        for (const tavro::access::Column &c : file->columns(table, &error)) {
            if (c.readable)
                names << c.name;
        }
        auto cursor = file->rows(table, names, &error);
        while (cursor && cursor->next())
            ++rows;
    }
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Repetitions of each measure."), QStringLiteral("n"), QStringLiteral("200")});
    parser.addOption({QStringLiteral("file"), QStringLiteral("Access file to import."), QStringLiteral("path"), largestTestFile()});
    parser.process(app);
    const int runs = qMax(1, parser.value(QStringLiteral("runs")).toInt());
    const QString source = parser.value(QStringLiteral("file"));
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("BD2003.mdb"));
    Figure import, reader, libmdb;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(target);
        tavro::ImportReport report;
        timer.start();
        const tavro::Status status = tavro::importAccessFile({source, target, false, {}}, &report);
        import.nanoseconds += timer.nsecsElapsed();
        if (!status) {
            out << "import failed: " << status.error << '\n';
            return 1;
        }
        for (const tavro::ImportedTable &t : report.tables)
            import.rows += t.rows;

        timer.start();
        reader.rows += readerScan(source);
        reader.nanoseconds += timer.nsecsElapsed();

        timer.start();
        libmdb.rows += libmdbScan(source);
        libmdb.nanoseconds += timer.nsecsElapsed();
    }

    out << "file: " << source << " (" << QFileInfo(source).size() << " bytes), " << runs << " runs\n";
    out << QStringLiteral("import (CODE, TELE, QRT into a new SQLite file): %1 rows/run, %2 ms/run, %3 rows/s\n")
               .arg(import.rows / runs).arg(import.msPerRun(runs), 0, 'f', 3).arg(import.rowsPerSecond(), 0, 'f', 0);
    out << QStringLiteral("our reader, every table and column:               %1 rows/run, %2 ms/run, %3 rows/s\n")
               .arg(reader.rows / runs).arg(reader.msPerRun(runs), 0, 'f', 3).arg(reader.rowsPerSecond(), 0, 'f', 0);
    out << QStringLiteral("libmdb full scan, every column bound:             %1 rows/run, %2 ms/run, %3 rows/s\n")
               .arg(libmdb.rows / runs).arg(libmdb.msPerRun(runs), 0, 'f', 3).arg(libmdb.rowsPerSecond(), 0, 'f', 0);
    return 0;
}
