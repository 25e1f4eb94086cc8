#include "app/shell.h"

#include "app/aboutwindow.h"
#include "app/mainwindow.h"
#include "records/adrwindow.h"
#include "records/cpwindow.h"
#include "records/telwindow.h"
#include "simulator/simuwindow.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <memory>

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
    return {name, caption, true, [] { return new Window; },
            [](QWidget *w) { static_cast<RecordWindow *>(w)->load(); }};
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
    QApplication app(argc, argv);
    setupApplication(app);

    MainWindow mainWindow;
    registerWindows(mainWindow);
    // "QUITTER" ends the program once every child window has closed through
    // its ordinary close path, so no typing is lost on the way out.
    QObject::connect(&mainWindow, &MainWindow::quitRequested, &app, [] { QCoreApplication::exit(0); });

    // The postal-code window is the start-up window.
    mainWindow.showInitial();
    mainWindow.openWindow(QStringLiteral("cp"));
    if (mode == StartMode::QuitWhenShown) {
        QCoreApplication::processEvents();
        mainWindow.grab();
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    }
    return app.exec();
}

} // namespace tavro
