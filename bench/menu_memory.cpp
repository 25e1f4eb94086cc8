// Opens and closes every window through the main window's menu, as a clerk
// does over days, and prints the heap in use and the resident memory before
// and after a warm-up and at the end. Figures only; nothing here passes or
// fails.
//   tavro-bench-menu [--rounds N] [--warmup N] [--only NAMES]
// A round is "CODE POSTALE", "ADRESSES", "TELEPHONE", "SIMULATEUR",
// "A PROPOS", then the About window closed by its frame: five openings.
// --only keeps the given windows (cp,adr,tel,simu,aprop), each opened with
// its menu command and closed by its frame.
#include "app/mainwindow.h"
#include "app/shell.h"
#include "support/scripteddialogs.h"
#include "support/testdb.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextStream>

#include <malloc.h>
#include <unistd.h>

namespace {

using tavro::MainWindow;

struct Memory {
    double heapKiB = 0;     // malloc's bytes in use
    double residentKiB = 0; // pages of the process in memory
};

Memory measure()
{
    Memory m;
    m.heapKiB = double(mallinfo2().uordblks) / 1024.0;
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = statm.readAll().split(' ');
        if (fields.size() > 1)
            m.residentKiB = fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1024.0;
    }
    return m;
}

const char *menuItemOf(const QString &window)
{
    static const QHash<QString, const char *> items{
        {QStringLiteral("cp"), "CPO"},   {QStringLiteral("adr"), "ADRE"},   {QStringLiteral("tel"), "TELE"},
        {QStringLiteral("simu"), "SIM"}, {QStringLiteral("aprop"), "APRO"},
    };
    return items.value(window, nullptr);
}

void settle()
{
    // The windows paint, closed frames are deleted, as between two clicks.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Rounds {
public:
    Rounds(MainWindow &main, QStringList only)
        : m_main(main)
        , m_only(std::move(only))
    {
    }

    int openingsPerRound() const { return m_only.isEmpty() ? 5 : int(m_only.size()); }

    void run(int count)
    {
        for (int i = 0; i < count; ++i) {
            if (m_only.isEmpty()) {
                // cp and adr open beside each other; the three others close
                // every window first.
                for (const char *item : {"CPO", "ADRE", "TELE", "SIM", "APRO"})
                    trigger(item);
                closeAll();
            } else {
                for (const QString &window : std::as_const(m_only)) {
                    trigger(menuItemOf(window));
                    closeAll();
                }
            }
        }
    }

private:
    void trigger(const char *item)
    {
        if (auto *action = m_main.findChild<QAction *>(QLatin1String(item)))
            action->trigger();
        settle();
    }

    void closeAll()
    {
        for (QMdiSubWindow *frame : m_main.workArea()->subWindowList())
            frame->close();
        settle();
    }

    MainWindow &m_main;
    QStringList m_only;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tavro::setupApplication(app);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Rounds measured (2000)."),
                                          QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption warmupOption(QStringLiteral("warmup"), QStringLiteral("Rounds of warm-up (50)."),
                                          QStringLiteral("n"), QStringLiteral("50"));
    const QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("Windows: cp,adr,tel,simu,aprop."),
                                        QStringLiteral("names"));
    parser.addOptions({roundsOption, warmupOption, onlyOption});
    parser.process(app);
    const int rounds = qMax(1, parser.value(roundsOption).toInt());
    const int warmup = qMax(0, parser.value(warmupOption).toInt());
    QStringList only = parser.value(onlyOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
    only.removeIf([](const QString &name) { return !menuItemOf(name); });

    // The bundled sample data in a folder of its own, as the program finds
    // its file; no box is expected, any that comes is answered.
    tavro::test::TestDatabase db;
    db.createSample();
    db.makeCurrent();
    tavro::test::ScriptedDialogs dialogs;

    MainWindow main;
    tavro::registerWindows(main);
    main.resize(1280, 800);
    main.showInitial();
    settle();

    Rounds work(main, only);
    QTextStream out(stdout);
    const int perRound = work.openingsPerRound();
    out << "\n## Memory over windows opened and closed through the menu\n\n"
        << "Windows: " << (only.isEmpty() ? QStringLiteral("cp, adr, tel, simu, aprop") : only.join(QStringLiteral(", "))) << "; "
        << warmup << " rounds of warm-up, then " << rounds << " rounds (" << rounds * perRound << " openings).\n\n"
        << "| when | openings | heap in use (KiB) | resident (KiB) |\n|---|---:|---:|---:|\n";
    auto row = [&out](const char *when, int openings, const Memory &m) {
        out << "| " << when << " | " << openings << " | " << qRound64(m.heapKiB) << " | " << qRound64(m.residentKiB) << " |\n";
        out.flush();
    };

    const Memory start = measure();
    row("main window shown", 0, start);
    work.run(warmup);
    const Memory warm = measure();
    row("after the warm-up", warmup * perRound, warm);
    QElapsedTimer timer;
    timer.start();
    // Three stops on the way show whether the growth levels off.
    const int quarter = qMax(1, rounds / 4);
    int done = 0;
    while (rounds - done > quarter) {
        work.run(quarter);
        done += quarter;
        row("on the way", (warmup + done) * perRound, measure());
    }
    work.run(rounds - done);
    const double seconds = timer.elapsed() / 1000.0;
    const Memory end = measure();
    row("at the end", (warmup + rounds) * perRound, end);

    const int measured = rounds * perRound;
    out << "\nAfter the warm-up: heap " << Qt::forcesign << qRound64(end.heapKiB - warm.heapKiB) << " KiB, resident "
        << qRound64(end.residentKiB - warm.residentKiB) << Qt::noforcesign << " KiB over " << measured << " openings ("
        << QString::number((end.heapKiB - warm.heapKiB) * 1024.0 / measured, 'f', 1) << " bytes of heap per opening); "
        << QString::number(seconds, 'f', 1) << " s, " << QString::number(seconds * 1000.0 / measured, 'f', 1)
        << " ms per opening.\n";
    if (!dialogs.calls().isEmpty())
        out << "Boxes shown meanwhile: " << dialogs.calls().size() << " (first: " << dialogs.messageTexts().value(0) << ")\n";
    return 0;
}
