#include "app/shell.h"

#include "app/aboutwindow.h"
#include "app/mainwindow.h"
#include "records/adrwindow.h"
#include "records/cpwindow.h"
#include "records/telwindow.h"
#include "simulator/simuwindow.h"

#include <QApplication>
#include <QFont>
#include <QPixmapCache>
#include <QTimer>

namespace tavro {

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
}

namespace {

// A record window is built, then loaded: initial query and pick lists.
template <typename Window>
QWidget *recordWindow()
{
    auto *w = new Window;
    w->load();
    return w;
}

} // namespace

void registerWindows(MainWindow &mainWindow)
{
    mainWindow.addChildSpec({QStringLiteral("cp"), QStringLiteral("Code postale"), true, recordWindow<CpWindow>});
    mainWindow.addChildSpec({QStringLiteral("tel"), QStringLiteral("Téléphone"), true, recordWindow<TelWindow>});
    mainWindow.addChildSpec({QStringLiteral("adr"), QStringLiteral("Adresses"), true, recordWindow<AdrWindow>});
    mainWindow.addChildSpec({QStringLiteral("simu"), QStringLiteral("Simulateur"), true, [] { return new simu::SimuWindow; }});
    mainWindow.addChildSpec({QStringLiteral("aprop"), QStringLiteral("Form1"), false, [] { return new AboutWindow; }});
}

int runProgram(int argc, char *argv[], StartMode mode)
{
    QApplication app(argc, argv);
    setupApplication(app);

    MainWindow mainWindow;
    registerWindows(mainWindow);
    // "QUITTER" ends the program at once: no window's close handling runs.
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
