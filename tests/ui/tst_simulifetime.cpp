#include "app/mainwindow.h"
#include "app/shell.h"
#include "simulator/lineprinter.h"
#include "simulator/loan.h"
#include "simulator/simuwindow.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tavro;
using namespace tavro::simu;

namespace {

template <class T>
T *control(QWidget *window, const char *name)
{
    T *w = window->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

void calculate(QWidget *window, const QString &principal, const QString &years, const QString &rate)
{
    QTest::keyClicks(control<QLineEdit>(window, "Txt_Principal"), principal);
    QTest::keyClicks(control<QLineEdit>(window, "Text1"), years);
    QTest::keyClicks(control<QLineEdit>(window, "Txt_Interest"), rate);
    QTest::mouseClick(control<QPushButton>(window, "Cmd_Calculate"), Qt::LeftButton);
}

QStringList listLines(QWidget *window)
{
    const auto *list = control<QListWidget>(window, "List_Amortization");
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

} // namespace

// The simulator inside the main window: closing and reopening it, and
// printing on a machine without a printer.
class TestSimuLifetime : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void stateOutlivesTheWindow();
    void printingWithoutPrinter();

private:
    QTemporaryDir m_noCups;
};

void TestSimuLifetime::initTestCase()
{
    // Printing must find no print server, whatever the machine has.
    QVERIFY(m_noCups.isValid());
    qputenv("CUPS_SERVER", QFile::encodeName(m_noCups.filePath(QStringLiteral("no-server.sock"))));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
}

void TestSimuLifetime::stateOutlivesTheWindow()
{
    test::ScriptedDialogs dialogs;
    MainWindow main;
    registerWindows(main);
    main.showInitial();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QPointer<QWidget> first = main.openAlone(QStringLiteral("simu"));
    QVERIFY(first);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(first, "Txt_Principal"));
    calculate(first, QStringLiteral("100000"), QStringLiteral("10"), QStringLiteral("6"));
    const LoanState after = LoanState::process();
    QVERIFY(after.factor > 0.0111 && after.factor < 0.0112);

    QTest::mouseClick(control<QPushButton>(first, "cmdfermer"), Qt::LeftButton);
    QTRY_VERIFY(!first);
    QVERIFY(!main.child(QStringLiteral("simu")));

    QWidget *second = main.openAlone(QStringLiteral("simu"));
    QVERIFY(second);
    QCOMPARE(control<QLineEdit>(second, "Txt_Principal")->text(), QString());
    QCOMPARE(listLines(second), QStringList{kTableTitle});
    QVERIFY(control<QGroupBox>(second, "Frame3")->isHidden());
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(second, "Txt_Principal"));
    QCOMPARE(LoanState::process().factor, after.factor);
    QCOMPARE(LoanState::process().amtpayment, after.amtpayment);
    QCOMPARE(LoanState::process().periodNo, qint16(0));
    QVERIFY(dialogs.calls().isEmpty());
}

void TestSimuLifetime::printingWithoutPrinter()
{
    test::ScriptedDialogs dialogs;
    SimuWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    calculate(&window, QStringLiteral("100000"), QStringLiteral("10"), QStringLiteral("6"));
    QTest::mouseClick(control<QCheckBox>(&window, "Check1"), Qt::LeftButton);
    const QStringList before = listLines(&window);
    QTest::mouseClick(control<QPushButton>(&window, "Command1"), Qt::LeftButton);
    QCOMPARE(dialogs.messageTexts(), QStringList{kNoPrinterMessage});
    QCOMPARE(dialogs.calls().first().spec.title, applicationTitle());
    QCOMPARE(listLines(&window), before);
    QVERIFY(control<QListWidget>(&window, "List_Amortization")->isVisible());
    QCOMPARE(control<QLabel>(&window, "Lbl_Amtpayment")->text(), QStringLiteral("  1 110,21 "));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tavro::setupApplication(app);
    TestSimuLifetime test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_simulifetime.moc"
