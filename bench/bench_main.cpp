// Speed and memory of the record windows and the simulator, each beside its
// limit in the same run. Figures only; nothing here passes or fails.
//   tavro-bench [--quick] [--scales bundled,x10,large] [--parts windows,memory,simulator] [--runs N]
//               [--screenshots FOLDER [--screen WxH]]
// --quick leaves out the large file and runs fewer times. The README's
// pictures: QT_QPA_PLATFORM=offscreen LANG=fr_FR.UTF-8 tavro-bench --scales bundled
// --parts none --screenshots docs/screenshots
#include "bench/benches.h"
#include "bench/engine.h"
#include "bench/harness.h"

#include "app/shell.h"
#include "data/sampledata.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace tavro::bench {

namespace {

struct ScaleDef {
    const char *name;
    SampleOptions options;
    int runs;      // large files run fewer times: each run is long
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

bool writeScale(const QDir &root, const ScaleDef &def, ScaleFile &file)
{
    QTextStream out(stdout);
    file.name = QLatin1String(def.name);
    file.folder = root.filePath(file.name);
    file.path = QDir(file.folder).filePath(QStringLiteral("BD2003.mdb"));
    root.mkpath(file.name);
    QElapsedTimer t;
    t.start();
    const auto written = writeSampleDatabase(file.path, def.options);
    if (!written) {
        out << file.name << ": " << written.status().message() << '\n';
        return false;
    }
    const SampleCounts &counts = *written;
    out << "- " << file.name << ": CODE " << counts.code << ", TELE " << counts.tele << ", QRT " << counts.qrt
        << " rows, " << QFileInfo(file.path).size() / 1024 << " KiB (written in " << t.elapsed() << " ms)\n";
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
    Engine engine(scale.path);
    const EngineResult result = engine.step(QStringLiteral("select * from QRT "));
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
                                         QStringLiteral("Comma-separated: windows,memory,simulator."), QStringLiteral("list"));
    const QCommandLineOption screenshotsOption(QStringLiteral("screenshots"),
                                               QStringLiteral("Also save pictures of every window here."),
                                               QStringLiteral("folder"));
    const QCommandLineOption screenOption(QStringLiteral("screen"),
                                          QStringLiteral("Screen size of the pictures (default 1366x768)."),
                                          QStringLiteral("WxH"), QStringLiteral("1366x768"));
    parser.addOptions({quick, scalesOption, runsOption, partsOption, screenshotsOption, screenOption});
    parser.process(app);
    QStringList scales = parser.isSet(quick) ? QStringList{QStringLiteral("bundled"), QStringLiteral("x10")}
                                             : QStringList{QStringLiteral("bundled"), QStringLiteral("x10"),
                                                           QStringLiteral("large")};
    if (parser.isSet(scalesOption))
        scales = parser.value(scalesOption).split(QLatin1Char(','), Qt::SkipEmptyParts);

    const QStringList parts = parser.isSet(partsOption)
        ? parser.value(partsOption).split(QLatin1Char(','), Qt::SkipEmptyParts)
        : QStringList{QStringLiteral("windows"), QStringLiteral("memory"), QStringLiteral("simulator")};

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
    for (const auto &[def, file] : files) {
        if (!parts.contains(QLatin1String("windows")))
            break;
        const int runs = parser.isSet(runsOption) ? parser.value(runsOption).toInt()
                                                  : (parser.isSet(quick) ? def.quickRuns : def.runs);
        benchRecordWindows(file, qMax(1, runs), true);
    }
    if (!files.empty() && parser.isSet(screenshotsOption)) {
        const QStringList size = parser.value(screenOption).split(QLatin1Char('x'));
        const QSize screen(size.value(0).toInt(), size.value(1).toInt());
        saveScreenshots(files.front().second, parser.value(screenshotsOption),
                        screen.isValid() && !screen.isEmpty() ? screen : QSize(1366, 768));
    }
    // Memory is worth measuring on the largest file only.
    if (!files.empty() && parts.contains(QLatin1String("memory")))
        benchMemory(files.back().second);
    if (parts.contains(QLatin1String("simulator")))
        benchSimulator(parser.isSet(runsOption) ? qMax(1, parser.value(runsOption).toInt()) : (parser.isSet(quick) ? 5 : 15));
    return 0;
}
