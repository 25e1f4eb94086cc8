// Pictures of what the benchmarks measure, to look at as a user would: the
// postal-code grid as a refresh leaves it, and the simulator's 30-year table.
#include "bench/benches.h"

#include "data/datacontrol.h"
#include "data/recordsource.h"
#include "records/cpqueries.h"
#include "records/cpwindow.h"
#include "simulator/simuwindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>

namespace tavro::bench {

void saveScreenshots(const ScaleFile &scale, const QString &folder)
{
    QDir().mkpath(folder);
    {
        CpWindow window;
        window.dataControl()->source()->setDatabase(scale.path);
        window.resize(1280, 860);
        window.show();
        window.dataControl()->setRecordSource(cpq::kInitial);
        window.dataControl()->refresh();
        QCoreApplication::processEvents();
        window.grab().save(QDir(folder).filePath(QStringLiteral("bench-cp-grid.png")));
    }
    simu::SimuWindow simulator;
    simulator.resize(1280, 800);
    simulator.show();
    simulator.findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(true);
    simulator.findChild<QLineEdit *>(QStringLiteral("Txt_Principal"))->setText(QStringLiteral("250000"));
    simulator.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("30"));
    simulator.findChild<QLineEdit *>(QStringLiteral("Txt_Interest"))->setText(QStringLiteral("6"));
    simulator.findChild<QAbstractButton *>(QStringLiteral("Cmd_Calculate"))->click();
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
    simulator.grab().save(QDir(folder).filePath(QStringLiteral("bench-simu-table.png")));
}

} // namespace tavro::bench
