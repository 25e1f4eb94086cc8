// Converts an Access (Jet 3 or Jet 4) BD2003.mdb into the program's format,
// or copies a BD2003.mdb of the program's own, into a new file or a server
// database; or gives the program's database the row key of this version.
//   tavro-import [-o PATH|postgresql://...] [--force] [--charset NAME] OLD.mdb
//   tavro-import --upgrade [-o PATH|postgresql://...]
#include "data/database/database.h"
#include "data/setting/commandline.h"
#include "data/setting/databasesetting.h"
#include "tools/accessimport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char *argv[])
{
    using tavro::byLocale;
    QCoreApplication app(argc, argv);
    tavro::CommandLine commandLine(app, [](const QCommandLineParser &) {
        return byLocale(
            QStringLiteral("Copie les tables CODE, TELE et QRT d'une base Access (Jet 3 ou Jet 4), ou d'un BD2003.mdb\n"
                           "du programme, dans un nouveau BD2003.mdb ou dans une base de données PostgreSQL.\n"
                           "La base lue n'est jamais modifiée."),
            QStringLiteral("Copies the tables CODE, TELE and QRT of an Access (Jet 3 or Jet 4) database, or of a\n"
                           "BD2003.mdb of the program, into a new BD2003.mdb or a PostgreSQL database.\n"
                           "The database read is never changed."));
    });
    QCommandLineParser &parser = commandLine.parser();
    parser.addPositionalArgument(
        byLocale(QStringLiteral("base-access"), QStringLiteral("access-file")),
        byLocale(QStringLiteral("La base Access à convertir."), QStringLiteral("The Access database to convert.")));
    commandLine.addOutputOption();
    parser.addOption(
        {QStringLiteral("force"),
         byLocale(QStringLiteral("Remplace un fichier existant ; l'ancien est gardé à côté, nommé .bak-AAAAMMJJ-HHMMSS.\n"
                                 "Sur un serveur, remplace les lignes des tables CODE, TELE et QRT."),
                  QStringLiteral("Replaces an existing file; the old one is kept beside it, named .bak-YYYYMMDD-HHMMSS.\n"
                                 "On a server, replaces the rows of the tables CODE, TELE and QRT."))});
    parser.addOption(
        {QStringLiteral("charset"),
         byLocale(QStringLiteral("Jeu de caractères du texte d'une base Jet 3 (Access 97), par exemple CP1252 ou CP850, "
                                 "quand celui qu'indique son en-tête est faux."),
                  QStringLiteral("Character set of a Jet 3 (Access 97) database's text, for example CP1252 or CP850, "
                                 "when the one its header gives is wrong.")),
         byLocale(QStringLiteral("nom"), QStringLiteral("name"))});
    parser.addOption(
        {QStringLiteral("upgrade"),
         byLocale(QStringLiteral("Donne aux tables de la base du programme (-o) la clé CLE de cette version, qui retrouve chaque "
                                 "ligne à coup sûr : lignes et ordre gardés, tout ou rien. Un fichier est réécrit à côté puis "
                                 "mis à sa place, l'ancien gardé sous le nom .bak-AAAAMMJJ-HHMMSS."),
                  QStringLiteral("Gives the tables of the program's database (-o) this version's key CLE, which finds each "
                                 "row for sure: rows and order kept, all or nothing. A file is written again beside itself "
                                 "and put in its place, the old one kept as .bak-YYYYMMDD-HHMMSS."))});
    if (const auto end = commandLine.parse())
        return *end;
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto failed = [&](const tavro::Status &status) {
        out.flush();
        err << "tavro-import : " << status.message() << '\n';
        // The reader's or the engine's own words, for whoever looks further.
        if (!status.detail().isEmpty())
            err << "Détail : " << status.detail().simplified() << '\n';
        return 1;
    };
    if (parser.isSet(QStringLiteral("upgrade"))) {
        if (!parser.positionalArguments().isEmpty())
            return commandLine.refuse(QStringLiteral("--upgrade met à jour la base indiquée par -o, sans autre argument."));
        const QString target = parser.value(QStringLiteral("output"));
        const auto upgraded = tavro::Database(target).upgrade();
        if (!upgraded)
            return failed(upgraded.status());
        out << "Base : " << tavro::shownDatabase(target) << '\n';
        for (const tavro::UpgradedTable &table : upgraded->tables)
            out << "  " << table.name << " : " << table.rows << " ligne(s), "
                << (table.keyed ? "clé CLE ajoutée" : "avait déjà la clé CLE") << '\n';
        if (!upgraded->backup.isEmpty())
            out << "Ancien fichier gardé sous : " << QDir::toNativeSeparators(QFileInfo(upgraded->backup).absoluteFilePath())
                << '\n';
        return 0;
    }
    if (parser.positionalArguments().size() != 1)
        return commandLine.refuse(QStringLiteral("indiquez une seule base Access à convertir."));

    tavro::ImportOptions options;
    options.source = parser.positionalArguments().constFirst();
    options.target = parser.value(QStringLiteral("output"));
    options.force = parser.isSet(QStringLiteral("force"));
    options.charset = parser.value(QStringLiteral("charset")).toLatin1();

    tavro::ImportReport report;
    const tavro::Status status = tavro::importAccessFile(options, &report);
    for (const QString &left : report.removedLeftovers)
        out << "Fichier provisoire d'une conversion interrompue supprimé : " << QDir::toNativeSeparators(left) << '\n';
    if (!status)
        return failed(status);
    const QString source = QDir::toNativeSeparators(QFileInfo(options.source).absoluteFilePath());
    if (report.jetVersion)
        out << "Base Access (Jet " << report.jetVersion << ") : " << source << '\n';
    else
        out << "Fichier du programme : " << source << '\n';
    for (const tavro::ImportedTable &table : report.tables)
        out << "  " << table.name << " : " << table.rows << " ligne(s) copiée(s)\n";
    for (const QString &left : report.leftOut)
        out << "  laissé de côté : " << (left.contains(QLatin1Char('.')) ? "colonne " : "table ") << left << '\n';
    for (const QString &left : report.damagedLeftOut)
        out << "  laissé de côté, car abîmée : colonne " << left << '\n';
    if (report.nulStripped > 0)
        out << "  caractère NUL retiré de " << report.nulStripped << " valeur(s)\n";
    if (report.loneSurrogates > 0)
        out << "  demi-caractère UTF-16 isolé remplacé par « � » dans " << report.loneSurrogates << " valeur(s)\n";
    out << "Écrit : " << tavro::shownDatabase(options.target) << '\n';
    if (!report.backup.isEmpty())
        out << "Ancien fichier gardé sous : " << QDir::toNativeSeparators(QFileInfo(report.backup).absoluteFilePath()) << '\n';
    return 0;
}
