#include "app/mainwindow.h"
#include "app/stafflist.h"
#include "app/shell.h"
#include "support/openwindows.h"
#include "support/scripteddialogs.h"
#include "support/testdb.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace tavro;

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    test::TestDatabase m_db;
    std::unique_ptr<MainWindow> m_main;

    QAction *action(const char *name) const { return m_main->findChild<QAction *>(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        m_db.createSample();
        m_db.makeCurrent();
    }

    void init()
    {
        m_main = std::make_unique<MainWindow>();
        registerWindows(*m_main);
        m_main->showInitial();
    }

    void cleanup()
    {
        m_main.reset();
        test::flushDeletes();
    }

    void appearance()
    {
        QCOMPARE(m_main->objectName(), QStringLiteral("MDIForm1"));
        QCOMPARE(m_main->windowTitle(), authorName());
        QVERIFY(m_main->isMaximized());
        QCOMPARE(m_main->workArea()->background().color(), QColor(64, 64, 64));
    }

    void menuTree_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("items"); // objectName=caption, "-" for the separator

        QTest::newRow("FICH") << "FICH" << "FICHIER"
                              << QStringList{"CPO=CODE POSTALE", "TELE=TELEPHONE", "ADRE=ADRESSES", "SIM=SIMULATEUR",
                                             "sep=-", "QUIT=QUITTER"};
        QTest::newRow("INTER") << "INTER" << "?" << QStringList{"AID=AIDE", "APRO=A PROPOS"};
    }

    void menuTree()
    {
        QFETCH(QString, menu);
        QFETCH(QString, title);
        QFETCH(QStringList, items);

        auto *m = m_main->findChild<QMenu *>(menu);
        QVERIFY(m);
        QCOMPARE(m->title(), title);
        QStringList seen;
        for (QAction *a : m->actions()) {
            QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->text()));
            seen << a->objectName() + QLatin1Char('=') + (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        QCOMPARE(seen, items);
    }

    void menusInOrder()
    {
        QStringList titles;
        for (QAction *a : m_main->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"FICHIER", "?"}));
    }

    void childCaptions_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("maximised");
        QTest::newRow("cp") << "cp" << "Code postale" << true;
        QTest::newRow("tel") << "tel" << "Téléphone" << true;
        QTest::newRow("adr") << "adr" << "Adresses" << true;
        QTest::newRow("simu") << "simu" << "Simulateur" << true;
        QTest::newRow("aprop") << "aprop" << "Form1" << false;
    }

    void childCaptions()
    {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(bool, maximised);
        QWidget *w = m_main->openWindow(window);
        QVERIFY(w);
        auto *frame = qobject_cast<QMdiSubWindow *>(w->parentWidget());
        QVERIFY(frame);
        QCOMPARE(frame->windowTitle(), caption);
        QCOMPARE(frame->isMaximized(), maximised);
        QVERIFY(frame->testAttribute(Qt::WA_DeleteOnClose));
    }

    void helpShowsThePassword()
    {
        test::ScriptedDialogs dialogs;
        action("AID")->trigger();
        QCOMPARE(dialogs.calls().size(), 1);
        const MessageSpec &box = dialogs.calls().first().spec;
        QCOMPARE(box.text, QStringLiteral("MOT DE PASS: QXV "));
        QCOMPARE(box.title, QStringLiteral("POUR MODIFIER UTILISER MOT DE PASS "));
        QCOMPARE(box.buttons, MsgButtons(Ok));
        QCOMPARE(box.icon, MsgIcon::None);
    }

    void closingEveryChildKeepsTheMainWindow()
    {
        m_main->openWindow(QStringLiteral("cp"));
        m_main->openWindow(QStringLiteral("adr"));
        const auto frames = m_main->workArea()->subWindowList();
        for (QMdiSubWindow *frame : frames)
            frame->close();
        test::flushDeletes();
        QVERIFY(m_main->workArea()->subWindowList().isEmpty());
        QVERIFY(!m_main->child(QStringLiteral("cp")));
        QVERIFY(m_main->isVisible());
        // The menu still opens windows afterwards.
        action("CPO")->trigger();
        QVERIFY(m_main->child(QStringLiteral("cp")));
    }

    void closingTheMainWindowClosesItsChildrenFirst()
    {
        QPointer<QWidget> cp = m_main->openWindow(QStringLiteral("cp"));
        QPointer<QWidget> adr = m_main->openWindow(QStringLiteral("adr"));
        QVERIFY(m_main->close());
        test::flushDeletes();
        QVERIFY(!cp);
        QVERIFY(!adr);
        QVERIFY(!m_main->isVisible());
    }

    void quitAsksToEndAtOnce()
    {
        test::ScriptedDialogs dialogs;
        m_main->openWindow(QStringLiteral("cp"));
        QSignalSpy quit(m_main.get(), &MainWindow::quitRequested);
        action("QUIT")->trigger();
        QCOMPARE(quit.count(), 1);
        QVERIFY(dialogs.calls().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
