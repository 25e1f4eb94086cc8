#include "app/shell.h"

#include "app/aboutwindow.h"
#include "app/mainwindow.h"
#include "simulator/simuwindow.h"

#include <QApplication>
#include <QFont>
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
}

namespace {

// Windows not built yet show as empty frames with their caption.
QWidget *placeholder()
{
    auto *w = new QWidget;
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    w->setPalette(pal);
    return w;
}

} // namespace

void registerWindows(MainWindow &mainWindow)
{
    mainWindow.addChildSpec({QStringLiteral("cp"), QStringLiteral("Code postale"), true, placeholder});
    mainWindow.addChildSpec({QStringLiteral("tel"), QStringLiteral("Téléphone"), true, placeholder});
    mainWindow.addChildSpec({QStringLiteral("adr"), QStringLiteral("Adresses"), true, placeholder});
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
