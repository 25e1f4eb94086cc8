// A fresh process that opens the addresses window, as the program does, on
// the BD2003.mdb of the folder given, and prints its resident memory:
//   tavro-bench-memory FOLDER
// prints "before KIB", "peak KIB", "rows N" lines for tavro-bench.
#include "app/shell.h"
#include "binding/datacontrol.h"
#include "data/rows/module1.h"
#include "data/rows/recordsource.h"
#include "records/adrwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

qint64 statusKiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tavro::setupApplication(app);
    QTextStream out(stdout);
    if (argc < 2 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        out << "usage: tavro-bench-memory FOLDER (holding BD2003.mdb)\n";
        return 2;
    }
    Module1::setProgramFolder(QDir::currentPath());
    out << "before " << statusKiB("VmHWM:") << '\n';
    tavro::AdrWindow window;
    window.resize(1280, 860);
    window.show();
    window.load();
    QCoreApplication::processEvents();
    window.grab();
    out << "peak " << statusKiB("VmHWM:") << '\n';
    out << "resident " << statusKiB("VmRSS:") << '\n';
    out << "rows " << window.dataControl()->source()->recordCount() << '\n';
    return 0;
}
