#include "data/setting/commandline.h"

#include "data/setting/databasesetting.h"
#include "data/setting/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>

namespace tavro {

bool frenchLocale()
{
    return QLocale().language() == QLocale::French;
}

QString byLocale(const QString &french, const QString &english)
{
    return frenchLocale() ? french : english;
}

CommandLine::CommandLine(QCoreApplication &app, Describe describe)
    : m_describe(std::move(describe))
    , m_help({QStringLiteral("h"), QStringLiteral("help")},
             byLocale(QStringLiteral("Affiche cette aide."), QStringLiteral("Shows this help.")))
    , m_version({QStringLiteral("v"), QStringLiteral("version")},
                byLocale(QStringLiteral("Affiche la version."), QStringLiteral("Shows the version.")))
{
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRO_VERSION));
    // "Usage:", "Options:" and the parser's refusals come from Qt's own
    // translations (Debian's qt6-translations-l10n); without them, English.
    if (m_qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&m_qtTexts);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

std::optional<int> CommandLine::parse()
{
    if (!m_parser.parse(QCoreApplication::arguments()))
        return refuse(m_parser.errorText());
    for (const QString &option : m_databaseOptions) {
        if (m_parser.isSet(option) && holdsPassword(m_parser.value(option)))
            QTextStream(stderr) << passwordOnCommandLineWarning(QCoreApplication::applicationName(),
                                                                QStringLiteral("--") + option)
                                << '\n';
    }
    if (m_parser.isSet(m_help)) {
        m_parser.setApplicationDescription(m_describe(m_parser));
        QTextStream(stdout) << m_parser.helpText();
        return 0;
    }
    if (m_parser.isSet(m_version)) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    return std::nullopt;
}

int CommandLine::refuse(const QString &message) const
{
    // A refusal is a failure the user meets: said in French, as every other.
    const QString name = QCoreApplication::applicationName();
    QTextStream(stderr) << name << " : " << message << '\n' << QStringLiteral("Voir « %1 --help ».\n").arg(name);
    return 2;
}

QString CommandLine::addOutputOption()
{
    const QString target = resolveDatabaseSetting(std::nullopt)
                               .fileOr(QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(kDatabaseFileName)));
    m_parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                        byLocale(QStringLiteral("Fichier à écrire (par défaut %1, la base du programme), ou base de données "
                                                "d'un serveur (postgresql://serveur/base ou « host=serveur dbname=base »)."),
                                 QStringLiteral("File to write (default %1, the program's database), or a server's database "
                                                "(postgresql://server/database or \"host=server dbname=database\")."))
                            .arg(QDir::toNativeSeparators(target)),
                        byLocale(QStringLiteral("chemin"), QStringLiteral("path")),
                        target});
    warnOfPasswordIn(QStringLiteral("output"));
    return QStringLiteral("output");
}

} // namespace tavro
