#include "app/shell.h"

#include "app/aboutwindow.h"
#include "app/copyrefresher.h"
#include "app/mainwindow.h"
#include "app/sessionend.h"
#include "binding/datacontrol.h"
#include "data/database/localcopy.h"
#include "data/setting/commandline.h"
#include "data/setting/databasesetting.h"
#include "kit/dialogs.h"
#include "records/adrwindow.h"
#include "records/cpwindow.h"
#include "records/telwindow.h"
#include "simulator/simuwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmapCache>
#include <QSessionManager>
#include <QTableView>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include <memory>

#include <optional>

namespace tavro {

void useToolkitLanguage(const QLocale &locale)
{
    // One translator for the program's whole run, replaced when the
    // language changes; with none loaded the toolkit speaks English.
    static QTranslator *toolkit = nullptr;
    if (toolkit) {
        QCoreApplication::removeTranslator(toolkit);
        delete toolkit;
        toolkit = nullptr;
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        toolkit = translator.release();
        QCoreApplication::installTranslator(toolkit);
    }
}

void setupApplication(QApplication &app)
{
    // Arial resolves to the metric-compatible Liberation Sans. The old
    // dialog font has no match here, and Qt's generic "Sans Serif" would
    // fall back to a monospaced face, so both are pinned explicitly.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"));
    QFont::insertSubstitution(QStringLiteral("Sans Serif"), QStringLiteral("Arial"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    app.setFont(font);
    app.setApplicationName(QStringLiteral("tavro"));
    // The style keeps drawn pieces of controls in the pixmap cache, keyed by
    // the palette and icons they were drawn with. Every window opened afresh
    // brings palettes and icons of its own, so those pieces are never drawn
    // again; and in Qt 6.4 each one pushed out of the full cache leaves its
    // key behind. Over days of windows opened and closed that grew the heap
    // by kilobytes per opening for good, while drawing them anew costs
    // nothing measurable: no such cache.
    QPixmapCache::setCacheLimit(0);
    // Every window without an icon of its own, the record windows included,
    // carries the program's; the desktop entry names the same icon.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tavro-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("tavro"));
    // The toolkit's own words (standard buttons, context menus, the child
    // windows' menu, file and print dialogs) follow the user's language; the
    // program's own texts are French whatever it is.
    useToolkitLanguage(QLocale::system());
}

namespace {

// A record window is built, shown, then loaded: initial query and pick lists.
template <typename Window>
MainWindow::ChildSpec recordWindow(const QString &name, const QString &caption)
{
    return {name, caption, true, [] { return new Window; }, [](QWidget *w) { static_cast<RecordWindow *>(w)->load(); }};
}

// Boxes for a start with no one at the screen: the text in the report on
// standard output, the box's default answer.
class UnattendedDialogs final : public Dialogs {
public:
    MsgButton message(QWidget *, const MessageSpec &spec) override
    {
        QTextStream(stdout) << spec.text << '\n';
        if (spec.defaultButton != NoButton)
            return spec.defaultButton;
        for (MsgButton b : {Ok, Yes, No, Cancel}) {
            if (spec.buttons.testFlag(b))
                return b;
        }
        return NoButton;
    }
    QString input(QWidget *, const QString &prompt, const QString &) override
    {
        QTextStream(stdout) << prompt << '\n';
        return {};
    }
};

QString programDescription(const DatabaseSetting &now)
{
    const bool french = frenchLocale();
    const QString named = now.isNamed()
                              ? (french ? QStringLiteral("Base retenue : %1\n  (nommée par %2).")
                                        : QStringLiteral("Database in use: %1\n  (named by %2)."))
                                    .arg(shownDatabase(now.value, ConnectionShown::Whole), sourceDescription(now, french))
                              : (french ? QStringLiteral("Aucune base n'est nommée.") : QStringLiteral("No database is named."));
    return (french ? QStringLiteral("Codes postaux, téléphones et adresses des bureaux ZOLT et KIRB ; simulateur de crédit.\n\n"
                                    "La base de données est celle que nomme l'option --database, sinon la variable\n"
                                    "d'environnement TAVRO_DATABASE, sinon la clé « database » du premier fichier\n"
                                    "tavro.conf trouvé dans $XDG_CONFIG_HOME/tavro/ (par défaut ~/.config/tavro/),\n"
                                    "puis dans chaque dossier de $XDG_CONFIG_DIRS (par défaut /etc/xdg/tavro/).\n"
                                    "Toutes les connexions du programme l'utilisent. Si aucune n'est nommée, le\n"
                                    "programme lit BD2003.mdb à côté de lui pour ses listes et dans le dossier\n"
                                    "courant pour ses fenêtres.\n\n")
                   : QStringLiteral("Postal codes, telephones and addresses of the ZOLT and KIRB offices; loan simulator.\n\n"
                                    "The database is the one named by the --database option, else by the\n"
                                    "TAVRO_DATABASE environment variable, else by the key \"database\" of the first\n"
                                    "tavro.conf found in $XDG_CONFIG_HOME/tavro/ (default ~/.config/tavro/), then in\n"
                                    "each folder of $XDG_CONFIG_DIRS (default /etc/xdg/tavro/). Every connection of\n"
                                    "the program uses it. With none named, the program reads BD2003.mdb beside\n"
                                    "itself for its lists and in the current folder for its windows.\n\n"))
           + named;
}

// Reads the command line and settles the database setting; the exit status
// when the program ends here.
std::optional<int> readCommandLine(QCoreApplication &core, StartMode &mode)
{
    const QCommandLineOption database(
        QStringLiteral("database"),
        byLocale(QStringLiteral("Base de données à utiliser : un fichier BD2003.mdb, ou une base PostgreSQL "
                                "(postgresql://serveur/base)."),
                 QStringLiteral("Database to use: a BD2003.mdb file, or a PostgreSQL database "
                                "(postgresql://server/database).")),
        byLocale(QStringLiteral("base"), QStringLiteral("database")));
    QCommandLineOption checkStart(QStringLiteral("check-start"));
    checkStart.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption refreshCopy(QStringLiteral("refresh-copy"));
    refreshCopy.setFlags(QCommandLineOption::HiddenFromHelp);

    const auto chosen = [&](const QCommandLineParser &parser) {
        return parser.isSet(database) ? std::optional(parser.value(database)) : std::nullopt;
    };
    CommandLine commandLine(
        core, [&](const QCommandLineParser &parser) { return programDescription(resolveDatabaseSetting(chosen(parser))); });
    QCommandLineParser &parser = commandLine.parser();
    parser.addOption(database);
    commandLine.warnOfPasswordIn(database.names().constFirst());
    parser.addOption(checkStart);
    parser.addOption(refreshCopy);
    if (const auto end = commandLine.parse())
        return end;
    if (!parser.positionalArguments().isEmpty()) {
        return commandLine.refuse(QStringLiteral("argument inattendu « %1 ».").arg(parser.positionalArguments().constFirst()));
    }
    if (parser.isSet(database) && parser.value(database).trimmed().isEmpty())
        return commandLine.refuse(QStringLiteral("l'option --database attend un fichier ou une base."));
    if (parser.isSet(checkStart))
        mode = StartMode::ReportWhenShown;
    if (parser.isSet(refreshCopy))
        mode = StartMode::RefreshCopy;

    const DatabaseSetting setting = resolveDatabaseSetting(chosen(parser));
    for (const QString &file : setting.unreadable) {
        QTextStream(stderr) << QStringLiteral("tavro : le fichier de réglages %1 ne peut pas être lu ; il est laissé de côté.\n")
                                   .arg(QDir::toNativeSeparators(file));
    }
    useDatabaseSetting(setting);
    return std::nullopt;
}

// The child the program starts to refresh its local copy.
int refreshCopyNow()
{
    const Result<QDateTime> taken = refreshLocalCopy(databaseSetting().value);
    if (!taken) {
        QTextStream(stderr) << QStringLiteral("tavro : la copie locale n'a pas été reprise. %1\n")
                                   .arg(taken.status().message().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return 1;
    }
    QTextStream(stdout) << QStringLiteral("%1 : %2\n").arg(copyTakenText(*taken), localCopyPath(databaseSetting().value));
    return 0;
}

// What the start-up window shows, for --check-start.
int reportStartWindow(MainWindow &mainWindow)
{
    QWidget *cp = mainWindow.child(QStringLiteral("cp"));
    auto *grid = cp ? cp->findChild<DataGrid *>(QStringLiteral("DataGrid1")) : nullptr;
    auto *agencies = cp ? cp->findChild<QComboBox *>(QStringLiteral("Combo3")) : nullptr;
    if (!grid || !agencies) {
        QTextStream(stderr) << "tavro : la fenêtre des codes postaux ne s'est pas ouverte.\n";
        return 1;
    }
    QTextStream(stdout) << "cp : " << grid->view()->model()->rowCount() << " ligne(s), " << agencies->count() << " agence(s)\n";
    return 0;
}

} // namespace

void registerWindows(MainWindow &mainWindow)
{
    mainWindow.addChildSpec(recordWindow<CpWindow>(QStringLiteral("cp"), QStringLiteral("Code postale")));
    mainWindow.addChildSpec(recordWindow<TelWindow>(QStringLiteral("tel"), QStringLiteral("Téléphone")));
    mainWindow.addChildSpec(recordWindow<AdrWindow>(QStringLiteral("adr"), QStringLiteral("Adresses")));
    mainWindow.addChildSpec({QStringLiteral("simu"), QStringLiteral("Simulateur"), true, [] { return new simu::SimuWindow; }});
    mainWindow.addChildSpec({QStringLiteral("aprop"), QStringLiteral("Form1"), false, [] { return new AboutWindow; }});
}

int runProgram(int argc, char *argv[], StartMode mode)
{
    {
        QCoreApplication core(argc, argv);
        if (const auto end = readCommandLine(core, mode))
            return *end;
        if (mode == StartMode::RefreshCopy)
            return refreshCopyNow();
    }
    QApplication app(argc, argv);
    setupApplication(app);
    UnattendedDialogs unattended;
    if (mode == StartMode::ReportWhenShown)
        Dialogs::install(&unattended);

    MainWindow mainWindow;
    registerWindows(mainWindow);
    // A server's tables copied for looking up when no server answers.
    std::unique_ptr<CopyRefresher> refresher;
    if (databaseSetting().localCopy && !localCopyPath(databaseSetting().value).isEmpty() && mode == StartMode::Interactive) {
        refresher = std::make_unique<CopyRefresher>(databaseSetting().value);
        QObject::connect(refresher.get(), &CopyRefresher::refreshed, &mainWindow, &MainWindow::showReadOrigin);
        refresher->start();
    }
    // "QUITTER" ends the program once every child window has closed through
    // its ordinary close path, so no typing is lost on the way out.
    QObject::connect(&mainWindow, &MainWindow::quitRequested, &app, [] { QCoreApplication::exit(0); });
    // A logout, a shutdown or a signal settles typing first, the same way.
    SessionEnd sessionEnd(mainWindow, [] { QCoreApplication::exit(0); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &sessionEnd, [&sessionEnd](QSessionManager &manager) {
        if (!sessionEnd.commitData(manager.allowsInteraction()))
            manager.cancel();
        manager.release();
    });

    // The postal-code window is the start-up window; typing kept at an
    // earlier end is offered once it is there.
    mainWindow.showInitial();
    mainWindow.openWindow(QStringLiteral("cp"));
    if (mode != StartMode::QuitWhenShown)
        SessionEnd::offerKept(mainWindow);
    if (mode == StartMode::QuitWhenShown || mode == StartMode::ReportWhenShown) {
        QCoreApplication::processEvents();
        mainWindow.grab();
        const int status = mode == StartMode::ReportWhenShown ? reportStartWindow(mainWindow) : 0;
        QTimer::singleShot(0, &app, [status] { QCoreApplication::exit(status); });
    }
    const int status = app.exec();
    Dialogs::install(nullptr);
    return status;
}

} // namespace tavro
