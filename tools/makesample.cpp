// Writes the invented sample database BD2003.mdb. Never overwrites a file.
//   tavro-sample [-o PATH] [--scale F] [--offices N] [--streets N]
#include "data/sampledata.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes an invented sample BD2003.mdb; never overwrites one."));
    parser.addHelpOption();
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("File to write."), QStringLiteral("path"),
                      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("BD2003.mdb"))});
    parser.addOption({QStringLiteral("scale"), QStringLiteral("Multiplies the bundled sizes."), QStringLiteral("factor"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("offices"), QStringLiteral("Rows of CODE."), QStringLiteral("n"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("streets"), QStringLiteral("Rows of QRT."), QStringLiteral("n"), QStringLiteral("0")});
    parser.process(app);

    QTextStream out(stdout);
    const QString path = parser.value(QStringLiteral("output"));
    if (QFileInfo::exists(path)) {
        out << path << " is already there: left as it is.\n";
        return 0;
    }
    tavro::SampleOptions options;
    options.scale = parser.value(QStringLiteral("scale")).toDouble();
    options.offices = parser.value(QStringLiteral("offices")).toInt();
    options.streets = parser.value(QStringLiteral("streets")).toInt();
    const auto written = tavro::writeSampleDatabase(path, options);
    if (!written) {
        QTextStream(stderr) << "tavro-sample: " << written.status().message() << '\n';
        return 1;
    }
    const tavro::SampleCounts &counts = *written;
    out << "Wrote " << path << ": CODE " << counts.code << ", TELE " << counts.tele << ", QRT " << counts.qrt << " rows\n";
    return 0;
}
