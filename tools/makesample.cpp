// Writes the invented sample database BD2003.mdb, or fills a server
// database with it. Never overwrites a file.
//   tavro-sample [-o PATH|postgresql://...] [--force] [--scale F] [--offices N] [--streets N]
#include "data/sample/sampledata.h"
#include "data/setting/commandline.h"
#include "data/setting/databasesetting.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    using tavro::byLocale;
    QCoreApplication app(argc, argv);
    tavro::CommandLine commandLine(app, [](const QCommandLineParser &) {
        return byLocale(QStringLiteral("Écrit un BD2003.mdb d'exemple aux données inventées, pour essayer le programme, ou en\n"
                                       "remplit une base de données PostgreSQL ; ne remplace jamais un fichier."),
                        QStringLiteral("Writes a sample BD2003.mdb of invented data, for trying the program, or fills a\n"
                                       "PostgreSQL database with it; never overwrites a file."));
    });
    QCommandLineParser &parser = commandLine.parser();
    commandLine.addOutputOption();
    parser.addOption(
        {QStringLiteral("force"), byLocale(QStringLiteral("Sur un serveur, remplace les lignes des tables CODE, TELE et QRT."),
                                           QStringLiteral("On a server, replaces the rows of the tables CODE, TELE and QRT."))});
    parser.addOption(
        {QStringLiteral("scale"),
         byLocale(QStringLiteral("Multiplie les tailles de l'exemple."), QStringLiteral("Multiplies the bundled sizes.")),
         byLocale(QStringLiteral("facteur"), QStringLiteral("factor")), QStringLiteral("1")});
    parser.addOption({QStringLiteral("offices"), byLocale(QStringLiteral("Lignes de CODE."), QStringLiteral("Rows of CODE.")),
                      QStringLiteral("n"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("streets"), byLocale(QStringLiteral("Lignes de QRT."), QStringLiteral("Rows of QRT.")),
                      QStringLiteral("n"), QStringLiteral("0")});
    if (const auto end = commandLine.parse())
        return *end;
    if (!parser.positionalArguments().isEmpty())
        return commandLine.refuse(QStringLiteral("argument inattendu « %1 ».").arg(parser.positionalArguments().constFirst()));
    bool scaleOk = false;
    bool officesOk = false;
    bool streetsOk = false;
    tavro::SampleOptions options;
    options.scale = parser.value(QStringLiteral("scale")).toDouble(&scaleOk);
    options.offices = parser.value(QStringLiteral("offices")).toInt(&officesOk);
    options.streets = parser.value(QStringLiteral("streets")).toInt(&streetsOk);
    if (!scaleOk || !officesOk || !streetsOk || options.scale <= 0 || options.offices < 0 || options.streets < 0)
        return commandLine.refuse(QStringLiteral("--scale attend un nombre positif, --offices et --streets un nombre entier."));

    QTextStream out(stdout);
    const QString path = parser.value(QStringLiteral("output"));
    options.replace = parser.isSet(QStringLiteral("force"));
    // The build runs this every time: a file there already is left alone
    // and is no failure. (A server's tables that hold rows are refused,
    // unless --force.)
    if (QFileInfo::exists(path)) {
        out << path << " is already there: left as it is.\n";
        return 0;
    }
    const auto written = tavro::writeSampleDatabase(path, options);
    if (!written) {
        QTextStream(stderr) << "tavro-sample: " << written.status().message() << '\n';
        return 1;
    }
    const tavro::SampleCounts &counts = *written;
    out << "Wrote " << tavro::shownDatabase(path) << ": CODE " << counts.code << ", TELE " << counts.tele << ", QRT "
        << counts.qrt << " rows\n";
    return 0;
}
