// Converts an Access (Jet 3 or Jet 4) BD2003.mdb into the program's format.
//   tavro-import [-o PATH] [--force] [--charset NAME] OLD.mdb
#include "data/schema.h"
#include "tools/accessimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copie les tables CODE, TELE et QRT d'une base Access (Jet 3 ou Jet 4) dans un nouveau BD2003.mdb\n"
        "au format du programme. La base Access n'est jamais modifiée."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("base-access"), QStringLiteral("La base Access à convertir."));
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(tavro::kDatabaseFileName));
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Fichier à écrire (par défaut %1).").arg(QDir::toNativeSeparators(besideProgram)),
                      QStringLiteral("chemin"), besideProgram});
    parser.addOption({QStringLiteral("force"),
                      QStringLiteral("Remplace un fichier existant ; l'ancien est gardé à côté, nommé .bak-AAAAMMJJ-HHMMSS.")});
    parser.addOption({QStringLiteral("charset"),
                      QStringLiteral("Jeu de caractères du texte d'une base Jet 3 (Access 97), par exemple CP1252 ou CP850,\n"
                                     "quand celui qu'indique son en-tête est faux."),
                      QStringLiteral("nom")});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1) {
        err << "tavro-import : indiquez une seule base Access à convertir.\n\n" << parser.helpText();
        return 2;
    }

    tavro::ImportOptions options;
    options.source = parser.positionalArguments().constFirst();
    options.target = parser.value(QStringLiteral("output"));
    options.force = parser.isSet(QStringLiteral("force"));
    options.charset = parser.value(QStringLiteral("charset")).toLatin1();

    tavro::ImportReport report;
    const tavro::Status status = tavro::importAccessFile(options, &report);
    for (const QString &left : report.removedLeftovers)
        out << "Fichier provisoire d'une conversion interrompue supprimé : " << QDir::toNativeSeparators(left) << '\n';
    if (!status) {
        out.flush();
        err << "tavro-import : " << status.message() << '\n';
        // The reader's or the engine's own words, for whoever looks further.
        if (!status.detail().isEmpty())
            err << "Détail : " << status.detail().simplified() << '\n';
        return 1;
    }
    out << "Base Access (Jet " << report.jetVersion << ") : "
        << QDir::toNativeSeparators(QFileInfo(options.source).absoluteFilePath()) << '\n';
    for (const tavro::ImportedTable &table : report.tables)
        out << "  " << table.name << " : " << table.rows << " ligne(s) copiée(s)\n";
    for (const QString &left : report.leftOut)
        out << "  laissé de côté : " << (left.contains(QLatin1Char('.')) ? "colonne " : "table ") << left << '\n';
    out << "Écrit : " << QDir::toNativeSeparators(QFileInfo(options.target).absoluteFilePath()) << '\n';
    if (!report.backup.isEmpty())
        out << "Ancien fichier gardé sous : " << QDir::toNativeSeparators(QFileInfo(report.backup).absoluteFilePath()) << '\n';
    return 0;
}
