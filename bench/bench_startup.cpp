// Start-up: process start to the postal-code window shown with its lists and
// grid filled (offscreen), against a minimal Qt program showing one empty
// maximised child window. Runs from the folder holding BD2003.mdb, or on the
// database named by the second argument (a server's, through TAVRO_DATABASE).
//   tavro-bench-startup [RUNS [DATABASE]]
#include "bench/harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTextStream>

namespace {

double startMs(const QString &program, int runs, const QString &database = {})
{
    return tavro::bench::medianMs(runs, [&] {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!database.isEmpty())
            env.insert(QStringLiteral("TAVRO_DATABASE"), database);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QCoreApplication::applicationDirPath());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(program, {});
        p.waitForFinished(60000);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("-h")) || arguments.contains(QStringLiteral("--help")) || arguments.size() > 2) {
        QTextStream(stdout) << "Usage: tavro-bench-startup [RUNS [DATABASE]]\n"
                               "Start-up of the program (to the postal-code window shown with its lists and grid\n"
                               "filled, offscreen) against a minimal Qt program; RUNS runs (15), from the folder\n"
                               "holding BD2003.mdb or on DATABASE (a file or a server's connection string).\n";
        return arguments.size() > 2 ? 2 : 0;
    }
    bool counted = true;
    const int runs = arguments.isEmpty() ? 15 : arguments.constFirst().toInt(&counted);
    if (!counted || runs < 1) {
        QTextStream(stderr) << "tavro-bench-startup: RUNS is a whole number of runs, 1 or more.\n";
        return 2;
    }
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString probe = bin.filePath(QStringLiteral("tavro-startup-probe"));
    const QString baseline = bin.filePath(QStringLiteral("tavro-startup-baseline"));
    const QString database = arguments.value(1);
    startMs(probe, 2, database); // warm the file cache for both
    startMs(baseline, 2);
    tavro::bench::Table table(QStringLiteral("Start-up (median of %1 runs, database %2)")
                                  .arg(runs)
                                  .arg(database.isEmpty() ? bin.filePath(QStringLiteral("BD2003.mdb")) : database));
    const double ours = startMs(probe, runs, database);
    const double limit = startMs(baseline, runs);
    table.row(QStringLiteral("start to cp shown, lists and grid filled"), ours, limit, 1.5);
    return 0;
}
