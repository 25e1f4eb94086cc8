// Refresh and count of the record windows, each against the engine stepping
// the same query; and the grid scrolled to the last of its rows.
#include "bench/benches.h"
#include "bench/engine.h"
#include "bench/harness.h"
#include "bench/paintcounter.h"

#include "binding/datacontrol.h"
#include "data/database/database.h"
#include "data/picklist.h"
#include "data/rows/recordsource.h"
#include "records/adrqueries.h"
#include "records/adrwindow.h"
#include "records/cpqueries.h"
#include "records/cpwindow.h"
#include "records/telqueries.h"
#include "records/telwindow.h"
#include "support/scripteddialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHash>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <memory>

namespace tavro::bench {

namespace {

struct Query {
    QString what;
    QString sql;
};

// A record window as the program shows it, on the scale's file.
struct Rig {
    std::unique_ptr<RecordWindow> window;
    QTableView *view = nullptr;
    std::unique_ptr<PaintCounter> paints;

    template <typename W>
    static Rig make(const QString &path)
    {
        Rig rig;
        rig.window = std::make_unique<W>();
        rig.window->dataControl()->source()->setDatabase(path);
        rig.window->resize(1280, 860);
        rig.window->show();
        rig.view = rig.window->findChild<QTableView *>();
        rig.paints = std::make_unique<PaintCounter>(rig.view->viewport());
        QCoreApplication::processEvents();
        return rig;
    }

    // From setting the query text to the grid and fields drawn with the
    // first row; paintMs receives the drawing's share. Processor time on the
    // file, wall time on a server.
    double refresh(const QString &sql, double *paintMs = nullptr, bool wall = false) const
    {
        QElapsedTimer clock;
        clock.start();
        const auto now = [&] { return wall ? clock.nsecsElapsed() / 1e6 : threadCpuMs(); };
        const double start = now();
        window->dataControl()->setRecordSource(sql);
        window->dataControl()->refresh();
        const double loaded = now();
        QCoreApplication::processEvents();
        const double shown = now();
        if (paintMs)
            *paintMs = shown - loaded;
        return shown - start;
    }
};

// The same value on either engine: the middle one in the column's order.
QString middleValue(const Engine &engine, const QString &table, const QString &column)
{
    const QString where = QStringLiteral(" FROM %1 WHERE %2 IS NOT NULL AND %2 NOT LIKE '%''%'").arg(table, column);
    return engine.value(QStringLiteral("SELECT %1%2 ORDER BY %1 LIMIT 1 OFFSET (SELECT COUNT(*) / 2%2)").arg(column, where));
}

QString plural(qint64 n, const char *word)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(word));
}

void benchWindow(Rig &rig, const QString &window, const QList<Query> &queries, const Engine &engine, int runs,
                 Table &refreshTable, Table &countTable)
{
    test::ScriptedDialogs dialogs;
    for (const Query &q : queries) {
        const QString name = window + QStringLiteral(": ") + q.what;
        rig.refresh(q.sql); // warm the file cache and the connection
        const EngineResult stepped = engine.step(q.sql);
        std::vector<double> paintShares;
        const bool wall = engine.isServer();
        const auto refresh = [&] {
            double paint = 0;
            rig.refresh(q.sql, &paint, wall);
            paintShares.push_back(paint);
        };
        const auto step = [&] { engine.step(q.sql); };
        const auto [ours, limit] = wall ? medianPairMs(runs, refresh, step) : medianPairCpuMs(runs, refresh, step);
        // A figure that did not draw the grid would flatter us.
        const int paintsBefore = rig.paints->paints;
        rig.refresh(q.sql);
        const bool drawn = rig.paints->paints > paintsBefore;
        const qint64 shownRows = rig.window->dataControl()->source()->recordCount();
        QString note = plural(stepped.rows, "rows") + QStringLiteral(", drawing %1 ms").arg(median(paintShares), 0, 'f', 2);
        if (!drawn)
            note += QStringLiteral(", NOT DRAWN");
        if (shownRows != stepped.rows || !stepped.ok)
            note += QStringLiteral(", ROWS DIFFER (%1)").arg(shownRows);
        refreshTable.row(name, ours, limit, 1.5, note);

        // The count button on the result just loaded: the figure it shows,
        // against the engine counting the same query.
        const qint64 counted = engine.count(q.sql);
        const auto click = [&] { rig.window->showCount(); };
        const auto counting = [&] { engine.count(q.sql); };
        const auto [shownMs, countMs] = wall ? medianPairMs(runs, click, counting) : medianPairCpuMs(runs, click, counting);
        const QString shown = dialogs.messageTexts().value(dialogs.messageTexts().size() - 1);
        dialogs.clear();
        countTable.row(name, shownMs, countMs, 1.2,
                       shown == QString::number(counted)
                           ? QStringLiteral("shows %1, exact").arg(shown)
                           : QStringLiteral("shows %1, COUNT(*) %2: WRONG").arg(shown).arg(counted));
    }
}

// Scrolls the grid of the addresses window, on its whole table, to the end
// and reads the cells on screen; then the bar's last-row button.
void benchScroll(const ScaleFile &scale, Rig &rig, int runs)
{
    rig.refresh(adrq::kInitial);
    const qint64 rows = rig.window->dataControl()->source()->recordCount();
    QTableView *view = rig.view;
    QAbstractItemModel *model = view->model();
    auto readScreen = [&] {
        qint64 chars = 0;
        const int first = view->rowAt(0), last = view->rowAt(view->viewport()->height() - 1);
        for (int r = first; r >= 0 && r <= (last < 0 ? model->rowCount() - 1 : last); ++r) {
            for (int c = 0; c < model->columnCount(); ++c)
                chars += model->data(model->index(r, c)).toString().size();
        }
        return chars;
    };
    std::vector<double> firstScreen, toEnd, lastButton;
    qint64 statements = 0;
    auto *last = rig.window->findChild<QAbstractButton *>(QStringLiteral("Last"));
    auto *first = rig.window->findChild<QAbstractButton *>(QStringLiteral("First"));
    for (int i = 0; i < runs; ++i) {
        double paint = 0;
        rig.refresh(adrq::kInitial, &paint);
        firstScreen.push_back(paint);
        const qint64 before = statementsStarted();
        toEnd.push_back(cpuMs([&] {
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
            QCoreApplication::processEvents();
            readScreen();
        }));
        view->scrollToTop();
        QCoreApplication::processEvents();
        lastButton.push_back(cpuMs([&] {
            last->click();
            QCoreApplication::processEvents();
            readScreen();
        }));
        first->click();
        QCoreApplication::processEvents();
        statements += statementsStarted() - before;
    }
    Table table(QStringLiteral("Scrolling the addresses grid to its last row, processor time (%1, %2 rows, median of %3)")
                    .arg(scale.name)
                    .arg(rows)
                    .arg(runs),
                QStringLiteral("ms"), QStringLiteral("queries run while scrolling"));
    const double shown = median(firstScreen);
    table.row(QStringLiteral("scroll bar to the end, cells on screen read, against drawing the first screen"), median(toEnd),
              shown, 1.0, QString::number(statements));
    table.row(QStringLiteral("last-row button (grid and fields), against drawing the first screen"), median(lastButton), shown,
              1.0, QString::number(statements));
}

// Each scale's pick lists on the file, in milliseconds: the server's are
// set against them.
QHash<QString, double> &fileListMs()
{
    static QHash<QString, double> figures;
    return figures;
}

// The five pick lists as the windows read them at load (through a
// connection of their own, forward, every item), wall time: on the file
// against the engine stepping the same text, on a server against the same
// list on the file.
void benchPickLists(const ScaleFile &scale, const Engine &engine, int runs)
{
    const bool server = engine.isServer();
    const QString fileScale = scale.name.section(QLatin1Char(' '), 0, 0);
    const auto connection = Database(scale.path).connect();
    if (!connection)
        return;
    Table table(QStringLiteral("Pick lists, %1: wall time of every item read, against %2 (median of %3)")
                    .arg(scale.name,
                         server ? QStringLiteral("the same list on the file") : QStringLiteral("the C API stepping the query"))
                    .arg(runs),
                QStringLiteral("ms"), QStringLiteral("items"));
    const QList<std::pair<QString, Query>> lists{
        {QStringLiteral("REGION"), {QStringLiteral("cp: directorates"), cpq::kRegionList}},
        {QStringLiteral("PROVINCE"), {QStringLiteral("cp: principal offices"), cpq::kProvinceList}},
        {QStringLiteral("AGENCE"), {QStringLiteral("cp: offices"), cpq::kAgenceList}},
        {QStringLiteral("AGENCE"), {QStringLiteral("tel: offices"), telq::kAgenceList}},
        {QStringLiteral("PROVINCE"), {QStringLiteral("adr: cities"), adrq::kCityList}}};
    for (const auto &[column, q] : lists) {
        qsizetype items = 0;
        const auto read = [&] { items = readPickList(connection->get(), q.sql, column).items.size(); };
        const auto [ours, stepped] = medianPairMs(runs, read, [&] { engine.step(q.sql); });
        const QString key = fileScale + q.what;
        if (!server)
            fileListMs().insert(key, ours);
        table.row(q.what, ours, server ? fileListMs().value(key, stepped) : stepped, 1.5, QString::number(items));
    }
}

} // namespace

// The whole of QRT in the addresses window: every row is loaded before the
// first screen is drawn (exact counts, free scrolling), so the engine's
// fetching all of them bounds it; its first row comes long before.
void benchFirstScreen(const ScaleFile &scale, Rig &rig, const Engine &engine, int runs)
{
    const auto [ours, limit] = medianPairMs(
        runs, [&] { rig.refresh(adrq::kShowAll, nullptr, true); }, [&] { engine.step(adrq::kShowAll); });
    std::vector<double> first;
    for (int i = 0; i < runs; ++i)
        first.push_back(engine.firstRowMs(adrq::kShowAll));
    Table table(QStringLiteral("First screen of the whole of QRT, %1 (%2 rows), wall time (median of %3)")
                    .arg(scale.name)
                    .arg(rig.window->dataControl()->source()->recordCount())
                    .arg(runs),
                QStringLiteral("ms"), QStringLiteral("the engine's first row"));
    table.row(QStringLiteral("show all: query set to the first screen drawn, against the engine fetching every row"), ours, limit,
              1.5, QStringLiteral("%1 ms").arg(median(first), 0, 'f', 1));
}

void benchRecordWindows(const ScaleFile &scale, int runs, bool scroll)
{
    const std::unique_ptr<Engine> opened = openEngine(scale.path);
    const Engine &engine = *opened;
    if (!engine.isOpen()) {
        QTextStream(stdout) << "cannot open " << scale.name << '\n';
        return;
    }
    const QString region = middleValue(engine, QStringLiteral("CODE"), QStringLiteral("REGION"));
    const QString postal = middleValue(engine, QStringLiteral("CODE"), QStringLiteral("CPOSTALE"));
    const QString agence = middleValue(engine, QStringLiteral("CODE"), QStringLiteral("AGENCE"));
    const QString teleAgence = middleValue(engine, QStringLiteral("TELE"), QStringLiteral("AGENCE"));
    const QString teleProvince = middleValue(engine, QStringLiteral("TELE"), QStringLiteral("PROVINCE"));
    const QString city = middleValue(engine, QStringLiteral("QRT"), QStringLiteral("PROVINCE"));
    const QString street = middleValue(engine, QStringLiteral("QRT"), QStringLiteral("QUARTIER"));
    const QString streetCode = middleValue(engine, QStringLiteral("QRT"), QStringLiteral("CPOSTALE"));

    const QString time = engine.isServer() ? QStringLiteral("wall time") : QStringLiteral("processor time");
    Table refreshTable(QStringLiteral("Refresh, %1: %2 from the query text set to grid and fields drawn, against %3 "
                                      "(median of %4)")
                           .arg(scale.name, time,
                                engine.isServer() ? QStringLiteral("libpq fetching the query and reading every value")
                                                  : QStringLiteral("the C API stepping the query"))
                           .arg(runs),
                       QStringLiteral("ms"), QStringLiteral("notes"));
    Table countTable(QStringLiteral("Count button, %1: %2 of the figure shown, against SELECT COUNT(*) "
                                    "over the query (median of %3)")
                         .arg(scale.name, time)
                         .arg(runs),
                     QStringLiteral("ms"), QStringLiteral("figure"));
    {
        Rig rig = Rig::make<CpWindow>(scale.path);
        benchWindow(rig, QStringLiteral("cp"),
                    {{QStringLiteral("initial (join)"), cpq::kInitial},
                     {QStringLiteral("region pick"), cpq::kRegionPick.with(region)},
                     {QStringLiteral("postal-code search"), cpq::kPostalCodeSearch.with(postal.left(2))},
                     {QStringLiteral("name search with telephone"), cpq::kNameWithTelSearch.with(agence.left(7))},
                     {QStringLiteral("show all"), cpq::kShowAll}},
                    engine, runs, refreshTable, countTable);
    }
    {
        Rig rig = Rig::make<TelWindow>(scale.path);
        benchWindow(rig, QStringLiteral("tel"),
                    {{QStringLiteral("initial"), telq::kInitial},
                     {QStringLiteral("office pick"), telq::kAgencePick.with(teleAgence)},
                     {QStringLiteral("principal-office search"), telq::kProvinceSearch.with(teleProvince.left(2))},
                     {QStringLiteral("office-name search"), telq::kAgenceSearch.with(teleAgence.left(7))},
                     {QStringLiteral("show all"), telq::kShowAll}},
                    engine, runs, refreshTable, countTable);
    }
    Rig adr = Rig::make<AdrWindow>(scale.path);
    benchWindow(adr, QStringLiteral("adr"),
                {{QStringLiteral("initial"), adrq::kInitial},
                 {QStringLiteral("city pick"), adrq::kCityPick.with(city)},
                 {QStringLiteral("street search"), adrq::kStreetSearch.with(street.left(7))},
                 {QStringLiteral("postal-code search"), adrq::kCodeSearch.with(streetCode.left(3))},
                 {QStringLiteral("show all"), adrq::kShowAll}},
                engine, runs, refreshTable, countTable);
    refreshTable.print();
    countTable.print();
    benchPickLists(scale, engine, runs);
    if (scroll)
        benchScroll(scale, adr, runs);
    if (engine.count(adrq::kShowAll) >= 1000000)
        benchFirstScreen(scale, adr, engine, runs);
}

} // namespace tavro::bench
