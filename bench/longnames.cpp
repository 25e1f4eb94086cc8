// A street name far longer than any real one (an oversized paste, saved
// once) in the addresses window: opening the window on it, moving onto it,
// and its cell's tooltip in the grid, each against one frame, beside the
// same on an ordinary name.
#include "bench/benches.h"
#include "bench/harness.h"

#include "binding/datacontrol.h"
#include "data/rows/recordsource.h"
#include "data/sqlite/opendb.h"
#include "records/adrwindow.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolTip>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <memory>

namespace tavro::bench {

namespace {

// A pasted page's words, or one run of letters (the harder to break into
// lines), to the length asked.
QString longName(int length, bool words)
{
    const QString pattern = words ? QStringLiteral("QUARTIER DES TISSERANDS ET DU VIEUX MOULIN ")
                                  : QStringLiteral("QUARTIERDESTISSERANDSETDUVIEUXMOULIN");
    QString text;
    text.reserve(length + pattern.size());
    while (text.size() < length)
        text += pattern;
    text.truncate(length);
    return text;
}

void settle()
{
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
}

struct Shown {
    std::unique_ptr<AdrWindow> window;
    QTableView *view = nullptr;
};

Shown openWindow(const QString &path)
{
    Shown shown;
    shown.window = std::make_unique<AdrWindow>();
    shown.window->dataControl()->source()->setDatabase(path);
    shown.window->resize(1366, 768);
    shown.window->show();
    shown.window->load();
    settle();
    shown.view = shown.window->findChild<QTableView *>();
    return shown;
}

// The tooltip of the first row's street cell, as the pointer resting on it asks.
void tooltipOfFirstStreet(const Shown &shown)
{
    const QModelIndex cell = shown.view->model()->index(0, 0);
    const QRect r = shown.view->visualRect(cell);
    QHelpEvent help(QEvent::ToolTip, r.center(), shown.view->viewport()->mapToGlobal(r.center()));
    QApplication::sendEvent(shown.view->viewport(), &help);
    settle();
    QToolTip::hideText();
    settle();
}

// What a clerk may wait at most: a frame or two.
constexpr double kFrameMs = 1000.0 / 60;

struct Figures {
    double open = 0, move = 0, tooltip = 0;
};

Figures measure(const QString &path, int runs)
{
    std::vector<double> open, move, tooltip;
    for (int i = 0; i < runs; ++i) {
        Shown shown;
        open.push_back(cpuMs([&] { shown = openWindow(path); }));
        RecordSource *source = shown.window->dataControl()->source();
        source->moveTo(1);
        settle();
        move.push_back(cpuMs([&] {
            source->moveTo(0);
            settle();
        }));
        tooltip.push_back(cpuMs([&] { tooltipOfFirstStreet(shown); }));
    }
    return {median(open), median(move), median(tooltip)};
}

} // namespace

void benchLongNames(const ScaleFile &scale, int runs)
{
    test::ScriptedDialogs dialogs; // no box waits for an answer
    QTemporaryDir dir;
    const QString ordinary = dir.filePath(QStringLiteral("ordinary.mdb"));
    const QString oversized = dir.filePath(QStringLiteral("long.mdb"));
    QFile::copy(scale.path, ordinary);
    const Figures limit = measure(ordinary, runs);
    Table table(QStringLiteral("A street name of many characters in the addresses window, processor time against one frame "
                               "at 60 Hz, %1 (median of %2)")
                    .arg(scale.name)
                    .arg(runs),
                QStringLiteral("ms"), QStringLiteral("the same on an ordinary street"));
    for (const bool words : {true, false}) {
        for (const int length : {100000, 250000, 1000000}) {
            QFile::remove(oversized);
            QFile::copy(scale.path, oversized);
            {
                auto db = openDatabase(oversized);
                if (!db)
                    return;
                SQLite::Statement set(**db, "UPDATE QRT SET QUARTIER = ? WHERE rowid = (SELECT min(rowid) FROM QRT)");
                set.bind(1, longName(length, words).toStdString());
                set.exec();
            }
            const Figures ours = measure(oversized, runs);
            const QString size = QLocale(QLocale::English).toString(length)
                                 + (words ? QStringLiteral(" characters in words") : QStringLiteral(" letters in one run"));
            const auto ordinary = [](double ms) { return QStringLiteral("%1 ms").arg(ms, 0, 'f', 2); };
            table.row(QStringLiteral("%1: window opened on it, drawn").arg(size), ours.open, kFrameMs, 2.0, ordinary(limit.open));
            table.row(QStringLiteral("%1: moving onto it, drawn").arg(size), ours.move, kFrameMs, 2.0, ordinary(limit.move));
            table.row(QStringLiteral("%1: its grid cell's tooltip").arg(size), ours.tooltip, kFrameMs, 2.0,
                      ordinary(limit.tooltip));
            table.print();
        }
    }
}

} // namespace tavro::bench
