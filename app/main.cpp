#include "app/mainwindow.h"
#include "app/shell.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tavro::setupApplication(app);

    tavro::MainWindow mainWindow;
    tavro::registerWindows(mainWindow);
    QObject::connect(&mainWindow, &tavro::MainWindow::quitRequested, &app, [] { QCoreApplication::exit(0); });

    // The postal-code window is the start-up window.
    mainWindow.showInitial();
    mainWindow.openWindow(QStringLiteral("cp"));
    return app.exec();
}
