// Pictures to look at as a user would: what the benchmarks measure (the
// postal-code grid as a refresh leaves it, the simulator's 30-year table),
// and the README's pictures of every window inside the main window at a
// counter's screen size, with a stopped clock so that they do not change
// from one run to the next.
#include "bench/benches.h"

#include "app/mainwindow.h"
#include "app/shell.h"
#include "binding/datacontrol.h"
#include "data/rows/module1.h"
#include "data/rows/recordsource.h"
#include "kit/bannertext.h"
#include "kit/clockbanner.h"
#include "records/cpqueries.h"
#include "records/cpwindow.h"
#include "simulator/simuwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>

#include <functional>

namespace tavro::bench {

namespace {

// "KIRB TALMIRT, on est le 06/12/2026 , il est : 14:05:09" in French.
class StoppedClock final : public Clock {
public:
    QDate currentDate() const override { return {2026, 12, 6}; }
    QTime currentTime() const override { return {14, 5, 9}; }
};

void settle()
{
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
}

// Runs answer on the next box the program opens, once it is on the screen.
void whenBoxShows(const std::function<void(QDialog *)> &answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        poll->deleteLater();
        settle();
        answer(box);
    });
    poll->start(10);
}

// The main window as the clerk sees it, banners at the stopped time, with
// the open box drawn where it stands.
QImage picture(MainWindow &main, QWidget *box = nullptr)
{
    for (ClockBanner *banner : main.findChildren<ClockBanner *>())
        banner->tick();
    settle();
    QImage image = main.grab().toImage();
    if (box) {
        // Framed as a window manager would: a title bar with the box's title.
        QPainter painter(&image);
        const QRect place(box->mapToGlobal(QPoint(0, 0)) - main.mapToGlobal(QPoint(0, 0)), box->size());
        const QRect bar(place.left() - 1, place.top() - 24, place.width() + 2, 24);
        painter.fillRect(bar, QColor(48, 72, 128));
        painter.setPen(Qt::white);
        QFont font = box->font();
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(bar.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, box->windowTitle());
        painter.drawPixmap(place.topLeft(), box->grab());
        painter.setPen(QColor(48, 72, 128));
        painter.drawRect(place.adjusted(-1, -24, 0, 0));
    }
    return image;
}

void saveWindowPictures(const ScaleFile &scale, const QString &folder, QSize screen)
{
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(scale.folder); // the record sources read BD2003.mdb here
    Module1::setProgramFolder(scale.folder);
    StoppedClock clock;
    Clock::install(&clock);
    auto save = [&](const QImage &image, const char *name) { image.save(QDir(folder).filePath(QLatin1String(name))); };

    for (const char *name : {"cp", "tel", "adr", "simu", "aprop"}) {
        MainWindow main;
        registerWindows(main);
        main.resize(screen);
        main.show();
        QWidget *window = main.openWindow(QLatin1String(name));
        if (QLatin1String(name) == QLatin1String("simu")) {
            window->findChild<QLineEdit *>(QStringLiteral("Txt_Principal"))->setText(QStringLiteral("100000"));
            window->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("10"));
            window->findChild<QLineEdit *>(QStringLiteral("Txt_Interest"))->setText(QStringLiteral("6"));
            window->findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(true);
            auto *calculate = window->findChild<QAbstractButton *>(QStringLiteral("Cmd_Calculate"));
            calculate->setFocus(); // as a clerk's click takes it from the amount
            calculate->click();
        }
        settle();
        save(picture(main), qPrintable(QLatin1String(name) + QLatin1String(".png")));
        if (QLatin1String(name) != QLatin1String("cp"))
            continue;
        // The delete confirmation, in the toolkit's French, over the
        // unlocked window; answered No.
        whenBoxShows([](QDialog *box) {
            qobject_cast<QInputDialog *>(box)->setTextValue(QStringLiteral("QXV"));
            box->accept();
        });
        window->findChild<QAbstractButton *>(QStringLiteral("Command2"))->click();
        whenBoxShows([&](QDialog *box) {
            save(picture(main, box), "confirm.png");
            box->done(QMessageBox::No);
        });
        window->findChild<QAbstractButton *>(QStringLiteral("Command7"))->click();
    }
    Clock::install(nullptr);
    QDir::setCurrent(previousFolder);
}

} // namespace

void saveScreenshots(const ScaleFile &scale, const QString &given, QSize screen)
{
    const QString folder = QDir(given).absolutePath(); // the windows' pictures are taken from the file's folder
    QDir().mkpath(folder);
    saveWindowPictures(scale, folder, screen);
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
    settle();
    simulator.grab().save(QDir(folder).filePath(QStringLiteral("bench-simu-table.png")));
}

} // namespace tavro::bench
