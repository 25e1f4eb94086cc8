// Speed and memory of the record windows and the simulator, each beside its
// limit in the same run. Figures only; nothing here passes or fails.
//   tavro-bench [--quick] [--scales bundled,x10,large] [--parts windows,memory,simulator] [--runs N]
//               [--screenshots FOLDER [--screen WxH]] [--server ADDRESS]
// --server: the record windows again on a PostgreSQL server (a connection
// string without dbname), each scale in a database of its own made there,
// and the counter's local copy of it (part "copy").
// --quick leaves out the large file and runs fewer times. The README's
// pictures: QT_QPA_PLATFORM=offscreen LANG=fr_FR.UTF-8 tavro-bench --scales bundled
// --parts none --screenshots docs/screenshots
#include "bench/benches.h"
#include "bench/engine.h"
#include "bench/harness.h"

#include "app/shell.h"
#include "data/sample/sampledata.h"
#include "data/setting/conninfo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <libpq-fe.h>

namespace tavro::bench {

namespace {

struct ScaleDef {
    const char *name;
    SampleOptions options;
    int runs; // large files run fewer times: each run is long
    int quickRuns;
};

ScaleDef scaleDef(const QString &name)
{
    if (name == QLatin1String("x10"))
        return {"x10", {0, 0, 10.0}, 9, 5};
    if (name == QLatin1String("large"))
        return {"large", {100000, 1000000, 1.0}, 3, 3};
    return {"bundled", {}, 15, 7};
}

// One statement on the server's maintenance database.
bool onServer(const QString &server, const QString &sql)
{
    PGconn *admin = PQconnectdb((server + QStringLiteral(" dbname=postgres")).toUtf8().constData());
    PGresult *r = PQexec(admin, sql.toUtf8().constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok)
        QTextStream(stdout) << "server: " << withoutSecrets(QString::fromUtf8(PQerrorMessage(admin)), server) << '\n';
    PQclear(r);
    PQfinish(admin);
    return ok;
}

// A database of its own on the server, made afresh; its connection string.
QString serverDatabase(const QString &server, const QString &name)
{
    const bool made = onServer(server, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name))
                      && onServer(server, QStringLiteral("CREATE DATABASE %1").arg(name));
    return made ? server + QStringLiteral(" dbname=") + name : QString();
}

bool writeScale(const QDir &root, const ScaleDef &def, ScaleFile &file, const QString &server = {})
{
    QTextStream out(stdout);
    file.name = QLatin1String(def.name) + (server.isEmpty() ? QString() : QStringLiteral(" on the server"));
    file.folder = root.filePath(QLatin1String(def.name));
    file.path = server.isEmpty() ? QDir(file.folder).filePath(QStringLiteral("BD2003.mdb"))
                                 : serverDatabase(server, QStringLiteral("tavro_bench_") + QLatin1String(def.name));
    if (file.path.isEmpty())
        return false;
    root.mkpath(QLatin1String(def.name));
    QElapsedTimer t;
    t.start();
    const auto written = writeSampleDatabase(file.path, def.options);
    if (!written) {
        out << file.name << ": " << written.status().message() << '\n';
        return false;
    }
    const SampleCounts &counts = *written;
    out << "- " << file.name << ": CODE " << counts.code << ", TELE " << counts.tele << ", QRT " << counts.qrt << " rows"
        << (server.isEmpty() ? QStringLiteral(", %1 KiB").arg(QFileInfo(file.path).size() / 1024) : QString()) << " (written in "
        << t.elapsed() << " ms)\n";
    return true;
}

} // namespace

void benchMemory(const ScaleFile &scale)
{
    QProcess probe;
    probe.setProgram(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tavro-bench-memory")));
    probe.setArguments({scale.folder});
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start();
    probe.waitForFinished(-1);
    QMap<QString, qint64> figures;
    for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 2)
            figures[QString::fromLatin1(words[0])] = words[1].toLongLong();
    }
    const EngineResult result = openEngine(scale.path)->step(QStringLiteral("select * from QRT "));
    const double textMiB = result.bytes / 1048576.0;
    const double peakMiB = figures.value(QStringLiteral("peak")) / 1024.0;
    Table table(QStringLiteral("Memory, %1: the addresses window loaded on the whole of QRT").arg(scale.name),
                QStringLiteral("MiB"), QStringLiteral("notes"));
    table.row(QStringLiteral("peak resident memory of the process, against the result's text"), peakMiB, textMiB, 3.0,
              QStringLiteral("%1 rows shown (%2 in the file); %3 MiB before the window opened, %4 MiB resident after")
                  .arg(figures.value(QStringLiteral("rows")))
                  .arg(result.rows)
                  .arg(figures.value(QStringLiteral("before")) / 1024.0, 0, 'f', 1)
                  .arg(figures.value(QStringLiteral("resident")) / 1024.0, 0, 'f', 1));
}

} // namespace tavro::bench

int main(int argc, char *argv[])
{
    using namespace tavro::bench;
    countStatements(); // before any connection opens
    QApplication app(argc, argv);
    tavro::setupApplication(app);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption quick(QStringLiteral("quick"), QStringLiteral("Bundled and x10 only, fewer runs."));
    const QCommandLineOption scalesOption(QStringLiteral("scales"), QStringLiteral("Comma-separated: bundled,x10,large."),
                                          QStringLiteral("list"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per measure."), QStringLiteral("n"));
    const QCommandLineOption partsOption(QStringLiteral("parts"),
                                         QStringLiteral("Comma-separated: windows,copy,longnames,memory,simulator."),
                                         QStringLiteral("list"));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"), QStringLiteral("Also save pictures of every window here."), QStringLiteral("folder"));
    const QCommandLineOption screenOption(QStringLiteral("screen"),
                                          QStringLiteral("Screen size of the pictures (default 1366x768)."),
                                          QStringLiteral("WxH"), QStringLiteral("1366x768"));
    const QCommandLineOption serverOption(QStringLiteral("server"),
                                          QStringLiteral("Also on this PostgreSQL server (connection string, no dbname)."),
                                          QStringLiteral("address"));
    parser.addOptions({quick, scalesOption, runsOption, partsOption, screenshotsOption, screenOption, serverOption});
    parser.process(app);
    QStringList scales = parser.isSet(quick)
                             ? QStringList{QStringLiteral("bundled"), QStringLiteral("x10")}
                             : QStringList{QStringLiteral("bundled"), QStringLiteral("x10"), QStringLiteral("large")};
    if (parser.isSet(scalesOption))
        scales = parser.value(scalesOption).split(QLatin1Char(','), Qt::SkipEmptyParts);

    const QStringList parts = parser.isSet(partsOption)
                                  ? parser.value(partsOption).split(QLatin1Char(','), Qt::SkipEmptyParts)
                                  : QStringList{QStringLiteral("windows"), QStringLiteral("copy"), QStringLiteral("longnames"),
                                                QStringLiteral("memory"), QStringLiteral("simulator")};

    QTemporaryDir root;
    QTextStream out(stdout);
    out << "# tavro benchmarks\n\nSample files:\n";
    out.flush();
    std::vector<std::pair<ScaleDef, ScaleFile>> files;
    for (const QString &name : scales) {
        ScaleFile file;
        const ScaleDef def = scaleDef(name);
        if (writeScale(QDir(root.path()), def, file))
            files.emplace_back(def, file);
    }
    const auto runsOf = [&](const ScaleDef &def) {
        return qMax(1, parser.isSet(runsOption) ? parser.value(runsOption).toInt()
                                                : (parser.isSet(quick) ? def.quickRuns : def.runs));
    };
    for (const auto &[def, file] : files) {
        if (!parts.contains(QLatin1String("windows")))
            break;
        benchRecordWindows(file, runsOf(def), true);
    }
    // The same windows on the server, one scale at a time (its database
    // dropped afterwards: the large one holds a million rows).
    for (const auto &[def, file] : files) {
        ScaleFile served;
        if (!parser.isSet(serverOption) || !(parts.contains(QLatin1String("windows")) || parts.contains(QLatin1String("copy")))
            || !writeScale(QDir(root.path()), def, served, parser.value(serverOption)))
            continue;
        if (parts.contains(QLatin1String("windows")))
            benchRecordWindows(served, runsOf(def), false);
        if (parts.contains(QLatin1String("copy")))
            benchLocalCopy(served, qMax(3, runsOf(def) / 3));
        onServer(parser.value(serverOption),
                 QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(served.path.section(QLatin1Char('='), -1)));
    }
    if (!files.empty() && parser.isSet(screenshotsOption)) {
        const QStringList size = parser.value(screenOption).split(QLatin1Char('x'));
        const QSize screen(size.value(0).toInt(), size.value(1).toInt());
        saveScreenshots(files.front().second, parser.value(screenshotsOption),
                        screen.isValid() && !screen.isEmpty() ? screen : QSize(1366, 768));
    }
    // On the bundled file: the long name is what costs.
    if (!files.empty() && parts.contains(QLatin1String("longnames")))
        benchLongNames(files.front().second, parser.isSet(runsOption) ? qMax(1, parser.value(runsOption).toInt()) : 3);
    // Memory is worth measuring on the largest file only.
    if (!files.empty() && parts.contains(QLatin1String("memory")))
        benchMemory(files.back().second);
    if (parts.contains(QLatin1String("simulator")))
        benchSimulator(parser.isSet(runsOption) ? qMax(1, parser.value(runsOption).toInt()) : (parser.isSet(quick) ? 5 : 15));
    return 0;
}
