// A counter whose servers all stop answering: the windows open on the local
// copy and say so, saving is refused with the typing kept, the status bar
// says where look-ups come from, and a server answering again brings the
// server's rows back at the clerk's next action, on the same row.
#include "app/mainwindow.h"
#include "app/shell.h"
#include "data/database/localcopy.h"
#include "data/setting/databasesetting.h"
#include "support/openwindows.h"
#include "support/recordui.h"

#include <QStatusBar>
#include <QtTest>

using namespace tavro;
using namespace tavro::test;

class TestOffline : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowsOnTheCopy_data();
    void windowsOnTheCopy();
};

void TestOffline::windowsOnTheCopy_data()
{
    QTest::addColumn<QString>("button"); // what the clerk tries on the copy
    const RecordWindowSpec cp = specOf(QStringLiteral("cp"));
    for (const auto &b : {cp.unlock, cp.addNew, cp.save, cp.remove})
        QTest::newRow(qPrintable(b.caption)) << b.name;
}

void TestOffline::windowsOnTheCopy()
{
    QFETCH(QString, button);
    QTemporaryDir cache, links;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    TestDatabase db;
    db.create();
    fillRecordRows(db);
    db.waitForStandby();
    const QString address = db.throughStandby(links.path());
    QVERIFY(refreshLocalCopy(address).ok());
    const QString before = db.rows(QStringLiteral("SELECT * FROM CODE")).join(QLatin1Char('\n'));
    useDatabaseSetting(DatabaseSetting{address, DatabaseSource::Option, {}, {}});
    const auto restore = qScopeGuard([] { useDatabaseSetting({}); });
    db.setReachable(links.path(), false);
    ScriptedDialogs dialogs;

    MainWindow main;
    registerWindows(main);
    main.showInitial();
    QWidget *cp = main.openWindow(QStringLiteral("cp"));
    QVERIFY(cp);
    QCOMPARE(dialogs.messageTexts(), QStringList{}); // no box: the banner says it
    auto *banner = child<QLabel>(cp, QStringLiteral("CopyBanner"));
    QVERIFY(banner->isVisible());
    QVERIFY2(banner->text().startsWith(QStringLiteral("Copie locale du ")), qPrintable(banner->text()));
    QVERIFY(banner->text().endsWith(QStringLiteral(" : consultation seulement")));
    const QString status = child<QLabel>(&main, QStringLiteral("ReadOrigin"))->text();
    QVERIFY2(status.contains(QStringLiteral("copie locale du ")) && status.contains(QStringLiteral("consultation seulement")),
             qPrintable(status));
    RecordSource *source = sourceOf(cp);
    QVERIFY(source->rowCount() > 2);
    QVERIFY(child<QComboBox>(cp, QStringLiteral("Combo3"))->count() > 0); // the pick lists too
    if (const QString doc = qEnvironmentVariable("TAVRO_SCREENSHOT"); !doc.isEmpty()) {
        main.showNormal(); // the size of the guides' other pictures
        main.resize(1366, 768);
        QTest::qWait(50);
        main.grab().save(doc);
    }

    // The clerk's try is refused, said so, and nothing is written.
    source->moveTo(2);
    const int rows = source->rowCount();
    const QString shown = source->text(2, QStringLiteral("AGENCE"));
    child<QAbstractButton>(cp, button)->click();
    QVERIFY2(dialogs.messageTexts().value(0).contains(QStringLiteral("L'enregistrement demande le serveur")),
             qPrintable(dialogs.messageTexts().join(QLatin1Char('|'))));
    QCOMPARE(dialogs.messageTexts().size(), 1);
    QVERIFY(!child<QGroupBox>(cp, specOf(QStringLiteral("cp")).displayFrame)->isEnabled());
    QCOMPARE(source->rowCount(), rows);
    QCOMPARE(source->text(source->currentRow(), QStringLiteral("AGENCE")), shown);

    // A server answers again: said in the banner, the server's rows at the
    // clerk's next action, the same row shown.
    db.setReachable(links.path(), true);
    noteServerAnswers(address);
    QVERIFY(banner->text().startsWith(QStringLiteral("Le serveur répond de nouveau")));
    QCOMPARE(source->readsFrom().kind, ReadOrigin::Kind::Copy);
    QTest::keyClick(gridOf(cp), Qt::Key_Shift); // an action that moves nothing itself
    QCOMPARE(source->readsFrom().kind, ReadOrigin::Kind::Standby);
    QVERIFY(banner->isHidden());
    QCOMPARE(source->text(source->currentRow(), QStringLiteral("AGENCE")), shown);
    QCOMPARE(db.rows(QStringLiteral("SELECT * FROM CODE")).join(QLatin1Char('\n')), before);
    main.closeAllChildren();
    flushDeletes();
}

QTEST_MAIN(TestOffline)
#include "tst_offline.moc"
