// The main window's menu across the real windows: bringing a window to the
// front keeps what the clerk was doing; opening one alone starts it afresh.
#include "app/mainwindow.h"
#include "app/shell.h"
#include "data/datacontrol.h"
#include "data/module1.h"
#include "data/recordsource.h"
#include "support/openwindows.h"
#include "support/scripteddialogs.h"
#include "support/testdb.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QtTest>

using namespace tavro;

namespace {

struct WindowState {
    QString query;
    int row = -1;
    bool unlocked = false;
    bool operator==(const WindowState &) const = default;
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT

    test::TestDatabase m_db;
    std::unique_ptr<MainWindow> m_main;

    void trigger(const char *item) { m_main->findChild<QAction *>(QLatin1String(item))->trigger(); }

    static void click(QWidget *window, const char *name)
    {
        auto *button = window->findChild<QAbstractButton *>(QLatin1String(name));
        QVERIFY2(button, name);
        button->click();
    }

    static WindowState stateOf(QWidget *window, const char *displayFrame)
    {
        auto *control = window->findChild<DataControl *>(QStringLiteral("Adodc1"));
        return {control->source()->recordSource(), control->source()->currentRow(),
                window->findChild<QGroupBox *>(QLatin1String(displayFrame))->isEnabled()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        setupApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
        m_db.createSample();
        m_db.makeCurrent();
    }

    void init()
    {
        m_main = std::make_unique<MainWindow>();
        registerWindows(*m_main);
        m_main->resize(1280, 800);
        m_main->showInitial();
    }

    void cleanup()
    {
        m_main.reset();
        test::flushDeletes();
    }

    void bringingToFrontKeepsState_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("unlock");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("search");
        QTest::newRow("CODE POSTALE") << "CPO" << "cp" << "Command2" << "Frame4" << "ADRE"
                                      << "SELECT * FROM CODE WHERE CPOSTALE like '10%'";
        QTest::newRow("ADRESSES") << "ADRE" << "adr" << "Command1" << "Frame1" << "CPO"
                                  << " SELECT * FROM QRT  where  CPOSTALE like '10%'";
    }

    void bringingToFrontKeepsState()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QFETCH(QString, unlock);
        QFETCH(QString, display);
        QFETCH(QString, other);
        QFETCH(QString, search);
        test::ScriptedDialogs dialogs;

        trigger(qPrintable(item));
        QPointer<QWidget> w = m_main->child(window);
        QVERIFY(w);
        dialogs.answerInput(QStringLiteral("QXV"));
        click(w, qPrintable(unlock));
        // A search, then a move to the third row.
        auto *control = w->findChild<DataControl *>(QStringLiteral("Adodc1"));
        control->setRecordSource(search);
        QVERIFY(control->refresh().ok());
        click(control, "Next");
        click(control, "Next");
        const WindowState before = stateOf(w, qPrintable(display));
        QCOMPARE(before.row, 2);
        QVERIFY(before.unlocked);

        trigger(qPrintable(other));
        QVERIFY(m_main->workArea()->activeSubWindow()->widget() != w.data());
        trigger(qPrintable(item));
        test::flushDeletes();

        QVERIFY(w);
        QCOMPARE(m_main->workArea()->activeSubWindow()->widget(), w.data());
        QCOMPARE(stateOf(w, qPrintable(display)), before);
        // Its load handling did not run again: no list was read anew.
        QCOMPARE(test::openChildNames(*m_main).size(), 2);
    }

    void telephoneReopensLockedAndRefilled()
    {
        test::ScriptedDialogs dialogs;
        trigger("TELE");
        QPointer<QWidget> first = m_main->child(QStringLiteral("tel"));
        QVERIFY(first);
        const int items = first->findChild<QComboBox *>(QStringLiteral("Combo1"))->count();
        QVERIFY(items > 0);
        dialogs.answerInput(QStringLiteral("QXV"));
        click(first, "Command1");
        QVERIFY(stateOf(first, "Frame1").unlocked);
        first->findChild<DataControl *>(QStringLiteral("Adodc1"))->setRecordSource(QStringLiteral("select * from TELE where 0"));
        first->findChild<DataControl *>(QStringLiteral("Adodc1"))->refresh();

        trigger("TELE");
        test::flushDeletes();
        QVERIFY(!first);
        QWidget *again = m_main->child(QStringLiteral("tel"));
        QVERIFY(again);
        QCOMPARE(stateOf(again, "Frame1"), (WindowState{QStringLiteral("select * from TELE"), 0, false}));
        QVERIFY(!again->findChild<QGroupBox *>(QStringLiteral("Frame2"))->isVisible());
        QCOMPARE(again->findChild<QComboBox *>(QStringLiteral("Combo1"))->count(), items);
        QCOMPARE(test::openChildNames(*m_main), QStringList{"tel"});
    }

    void openAloneClosesEveryOtherWindow_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::newRow("TELEPHONE") << "TELE" << "tel";
        QTest::newRow("SIMULATEUR") << "SIM" << "simu";
        QTest::newRow("A PROPOS") << "APRO" << "aprop";
    }

    void openAloneClosesEveryOtherWindow()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QPointer<QWidget> cp = m_main->openWindow(QStringLiteral("cp"));
        QPointer<QWidget> adr = m_main->openWindow(QStringLiteral("adr"));
        trigger(qPrintable(item));
        test::flushDeletes();
        QVERIFY(!cp);
        QVERIFY(!adr);
        QCOMPARE(test::openChildNames(*m_main), QStringList{window});

        // Chosen again while open, the window is made afresh.
        QPointer<QWidget> first = m_main->child(window);
        trigger(qPrintable(item));
        test::flushDeletes();
        QVERIFY(!first);
        QVERIFY(m_main->child(window));
        QCOMPARE(test::openChildNames(*m_main), QStringList{window});
        QVERIFY(m_main->isMaximized());
    }

    void addressesBesideTelephone()
    {
        trigger("TELE");
        trigger("ADRE");
        QCOMPARE(test::openChildNames(*m_main), (QStringList{"adr", "tel"}));
        QCOMPARE(m_main->workArea()->activeSubWindow()->widget()->objectName(), QStringLiteral("adr"));
    }

    void everyWindowCarriesTheProgramIcon()
    {
        trigger("CPO");
        const QList<QSize> sizes{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
        QCOMPARE(m_main->windowIcon().availableSizes(), sizes);
        QCOMPARE(m_main->workArea()->activeSubWindow()->windowIcon().availableSizes(), sizes);
        QCOMPARE(m_main->workArea()->activeSubWindow()->windowIcon().pixmap(256).toImage().pixelColor(128, 10), QColor(16, 42, 110)); // the navy rim
    }

    void closeButtonsLeaveTheMainWindowRunning()
    {
        for (const char *item : {"CPO", "ADRE"})
            trigger(item);
        for (const char *name : {"cp", "adr"}) {
            QWidget *w = m_main->child(QLatin1String(name));
            QVERIFY(w);
            click(w, "cmdfermer");
            test::flushDeletes();
        }
        QVERIFY(test::openChildNames(*m_main).isEmpty());
        QVERIFY(m_main->isVisible());
        trigger("CPO");
        QVERIFY(m_main->child(QStringLiteral("cp")));
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
