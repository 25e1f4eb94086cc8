// The least a Qt program does to show what ours shows at start-up: a
// maximised main window holding one empty maximised child window.
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *area = new QMdiArea;
    window.setCentralWidget(area);
    window.showMaximized();
    QMdiSubWindow *child = area->addSubWindow(new QWidget);
    child->showMaximized();
    QCoreApplication::processEvents();
    window.grab();
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
