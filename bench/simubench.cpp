// The simulator's longest table: 30 years, 360 lines, calculated and shown
// in the list, against one frame (16 ms).
#include "bench/benches.h"
#include "bench/harness.h"
#include "bench/paintcounter.h"

#include "simulator/simuwindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>

namespace tavro::bench {

void benchSimulator(int runs)
{
    simu::SimuWindow window;
    window.resize(1280, 800); // as the main window shows it, maximised
    window.show();
    QCoreApplication::processEvents();
    auto field = [&](const char *name) { return window.findChild<QLineEdit *>(QLatin1String(name)); };
    auto button = [&](const char *name) { return window.findChild<QAbstractButton *>(QLatin1String(name)); };
    auto *list = window.findChild<QListWidget *>(QStringLiteral("List_Amortization"));
    PaintCounter drawn(list->viewport());
    std::vector<double> shown, hidden, shownWall, hiddenWall;
    int lines = 0;
    for (int i = 0; i < runs; ++i) {
        for (bool withList : {true, false}) {
            button("Command3")->click(); // "Rétablir": an empty list and fields
            window.findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(withList);
            field("Txt_Principal")->setText(QStringLiteral("250000"));
            field("Text1")->setText(QStringLiteral("30")); // the duration rule writes 360 months
            field("Txt_Interest")->setText(QStringLiteral("6"));
            QCoreApplication::processEvents();
            double cpu = 0;
            const double wall = timeMs([&] {
                cpu = cpuMs([&] {
                    button("Cmd_Calculate")->click();
                    // The list lays itself out and draws once the click is over;
                    // a hidden list has nothing to draw.
                    const int before = drawn.paints;
                    for (int turn = 0; turn < 10 && withList && drawn.paints == before; ++turn)
                        QCoreApplication::processEvents();
                    QCoreApplication::processEvents();
                });
            });
            (withList ? shown : hidden).push_back(cpu);
            (withList ? shownWall : hiddenWall).push_back(wall);
            if (withList)
                lines = list->count();
        }
    }
    Table table(QStringLiteral("Simulator, 30 years: processor time of the click until the list is drawn, against "
                               "one frame (median of %1)")
                    .arg(runs),
                QStringLiteral("ms"), QStringLiteral("notes"));
    table.row(QStringLiteral("calculate and show, table list shown"), median(shown), 16.0, 1.0,
              QStringLiteral("%1 lines in the list; wall time %2 ms").arg(lines).arg(median(shownWall), 0, 'f', 2));
    table.row(QStringLiteral("calculate and show, table list hidden"), median(hidden), 16.0, 1.0,
              QStringLiteral("wall time %1 ms").arg(median(hiddenWall), 0, 'f', 2));
}

} // namespace tavro::bench
