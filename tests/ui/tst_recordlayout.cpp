// The record windows inside the main window at the screen sizes the counters
// use: every control on the window, none over another, no caption cut.
// With TAVRO_SCREENSHOTS set to a folder, each window is also saved there.
#include "app/mainwindow.h"
#include "app/shell.h"
#include "records/querytext.h"
#include "support/recordrows.h"
#include "support/recordui.h"
#include "support/scripteddialogs.h"
#include "support/testdb.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace tavro;
using namespace tavro::test;

class TestRecordLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fits_data();
    void fits();
};

void TestRecordLayout::fits_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("unlocked");
    for (const char *kind : {"cp", "tel", "adr"}) {
        for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)}) {
            for (bool unlocked : {false, true})
                QTest::addRow("%s %dx%d%s", kind, size.width(), size.height(), unlocked ? " unlocked" : "")
                    << QString(kind) << size << unlocked;
        }
    }
}

void TestRecordLayout::fits()
{
    QFETCH(QString, kind);
    QFETCH(QSize, screen);
    QFETCH(bool, unlocked);

    TestDatabase db;
    db.createSample();
    db.makeCurrent();
    ScriptedDialogs dialogs;
    MainWindow main;
    registerWindows(main);
    main.resize(screen);
    main.show();
    auto *w = qobject_cast<RecordWindow *>(main.openWindow(kind));
    QVERIFY(w);
    if (unlocked) {
        dialogs.answerInput(kEditPassword);
        w->unlock();
    }
    QCoreApplication::processEvents();
    QVERIFY(w->width() > screen.width() - 60);

    const RecordWindowSpec spec = specOf(kind);
    const QStringList blocks{"Picture1", "Label7", spec.titleName, "Picture2", spec.displayFrame, "DataGrid1",
                             "Adodc1", spec.handlingFrame, spec.searchFrame, "cmdfermer"};
    QList<QRect> placed;
    for (const QString &name : blocks) {
        QWidget *b = child<QWidget>(w, name);
        const QRect r(b->mapTo(w, QPoint(0, 0)), b->size());
        QVERIFY2(w->rect().contains(r), qPrintable(name));
        for (int i = 0; i < placed.size(); ++i)
            QVERIFY2(!placed[i].intersects(r), qPrintable(name + " over " + blocks[i]));
        placed << r;
    }
    // The modification frame sits under the handling frame, inside the window.
    auto *modification = child<QGroupBox>(w, spec.modificationFrame);
    QCOMPARE(modification->isVisible(), unlocked);
    if (unlocked)
        QVERIFY(w->rect().contains(QRect(modification->mapTo(w, QPoint(0, 0)), modification->size())));

    // No caption cut short.
    const QList<QAbstractButton *> buttons = w->findChildren<QAbstractButton *>();
    for (QAbstractButton *b : buttons) {
        if (b->isVisible() && !b->objectName().isEmpty())
            QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(b->objectName()));
    }
    for (QLabel *l : w->findChildren<QLabel *>()) {
        if (l->isVisible() && !l->text().isEmpty() && l->objectName() != "Label7")
            QVERIFY2(l->width() >= l->sizeHint().width() - 2, qPrintable(l->objectName()));
    }

    const QString folder = qEnvironmentVariable("TAVRO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        child<QLabel>(w, "Label7")->setText("KIRB TALMIRT, on est le 06/12/2026 , il est : 14:05:09");
        QString name = screen.width() == 1280 ? kind : kind + "-" + QString::number(screen.width());
        if (unlocked)
            name += "-unlocked";
        QVERIFY(main.grab().save(QDir(folder).filePath(name + ".png")));
    }
}

QTEST_MAIN(TestRecordLayout)
#include "tst_recordlayout.moc"
