// The simulator's longest table: 30 years, 360 lines, calculated and shown
// in the list, against one frame (16 ms).
#include "bench/benches.h"
#include "bench/harness.h"

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
    window.show();
    QCoreApplication::processEvents();
    auto field = [&](const char *name) { return window.findChild<QLineEdit *>(QLatin1String(name)); };
    auto button = [&](const char *name) { return window.findChild<QAbstractButton *>(QLatin1String(name)); };
    auto *list = window.findChild<QListWidget *>(QStringLiteral("List_Amortization"));
    std::vector<double> shown, hidden;
    int lines = 0;
    for (int i = 0; i < runs; ++i) {
        for (bool withList : {true, false}) {
            button("Command3")->click(); // "Rétablir": an empty list and fields
            window.findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(withList);
            field("Txt_Principal")->setText(QStringLiteral("250000"));
            field("Text1")->setText(QStringLiteral("30")); // the duration rule writes 360 months
            field("Txt_Interest")->setText(QStringLiteral("6"));
            QCoreApplication::processEvents();
            const double ms = timeMs([&] {
                button("Cmd_Calculate")->click();
                QCoreApplication::processEvents();
            });
            (withList ? shown : hidden).push_back(ms);
            if (withList)
                lines = list->count();
        }
    }
    Table table(QStringLiteral("Simulator, 30 years (median of %1)").arg(runs), QStringLiteral("ms"),
                QStringLiteral("notes"));
    table.row(QStringLiteral("calculate and show, table list shown"), median(shown), 16.0, 1.0,
              QStringLiteral("%1 lines in the list; limit is one frame").arg(lines));
    table.row(QStringLiteral("calculate and show, table list hidden"), median(hidden), 16.0, 1.0,
              QStringLiteral("limit is one frame"));
}

} // namespace tavro::bench
