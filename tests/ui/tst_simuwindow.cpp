#include "app/mainwindow.h"
#include "app/shell.h"
#include "simulator/lineprinter.h"
#include "simulator/loan.h"
#include "simulator/simuwindow.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tavro;
using namespace tavro::simu;

namespace {

QStringList listLines(const QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

} // namespace

class TestSimuWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void openingControls_data();
    void openingControls();
    void focusOrder_data();
    void focusOrder();
    void keyFilters_data();
    void keyFilters();
    void pasting_data();
    void pasting();
    void durationRule_data();
    void durationRule();
    void principalReformatting_data();
    void principalReformatting();
    void exampleLoanAndTableSwitch();
    void refusedInput_data();
    void refusedInput();
    void inputThatOnceEndedTheProgram_data();
    void inputThatOnceEndedTheProgram();
    void twoCalculationsAppendTwoTables();
    void resetWithTableShown();
    void printingWithoutPrinter();
    void stateOutlivesTheWindow();

private:
    template <class T>
    T *get(const char *name) const
    {
        T *w = (m_in ? m_in.data() : m_window.get())->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void type(const char *field, const QString &text);
    void calculate(const QString &principal, const QString &years, const QString &rate);
    void click(const char *button);

    std::unique_ptr<test::ScriptedDialogs> m_dialogs;
    std::unique_ptr<SimuWindow> m_window;
    QPointer<QWidget> m_in; // the window the controls are looked up in, when not m_window
};

void TestSimuWindow::init()
{
    m_dialogs = std::make_unique<test::ScriptedDialogs>();
    LoanState::process() = LoanState();
    m_window = std::make_unique<SimuWindow>();
    m_window->resize(1280, 760);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestSimuWindow::cleanup()
{
    m_window.reset();
    m_dialogs.reset();
}

void TestSimuWindow::type(const char *field, const QString &text)
{
    auto *edit = get<QLineEdit>(field);
    edit->setFocus();
    QTest::keyClicks(edit, text);
}

void TestSimuWindow::click(const char *button)
{
    QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton);
}

void TestSimuWindow::calculate(const QString &principal, const QString &years, const QString &rate)
{
    type("Txt_Principal", principal);
    type("Text1", years);
    type("Txt_Interest", rate);
    click("Cmd_Calculate");
}

void TestSimuWindow::openingControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("shown");
    auto row = [](const char *name, const char *container, const char *property, const QVariant &value, bool shown = true) {
        QTest::addRow("%s %s", name, property)
            << QString::fromLatin1(name) << QString::fromLatin1(container) << QByteArray(property) << value << shown;
    };
    row("Label5", "simu", "text", QStringLiteral("Simulateur d'emprunts"));
    row("cmdfermer", "simu", "text", QStringLiteral("&Fermer"));
    row("cmdfermer", "simu", "toolTip", QStringLiteral("SORTIR"));
    row("Frame1", "simu", "title", QStringLiteral("Données"));
    row("Label1", "Frame1", "text", QStringLiteral("Mnt du crédit :"));
    row("Txt_Principal", "Frame1", "toolTip", QStringLiteral("Entrer le Montant du crédit"));
    row("Txt_Principal", "Frame1", "text", QString());
    row("Label9", "Frame1", "text", QStringLiteral("DH"));
    row("Label8", "Frame1", "text", QStringLiteral("Durée en Année :"));
    row("Text1", "Frame1", "toolTip", QStringLiteral("Entrer la Durée Annuelle du crédit "));
    row("Label10", "Frame1", "text", QStringLiteral("ANS"));
    row("Label2", "Frame1", "text", QStringLiteral("Durée en mois :"));
    row("Txt_Num_payment", "Frame1", "maxLength", 3);
    row("Txt_Num_payment", "Frame1", "enabled", false);
    row("Label11", "Frame1", "text", QStringLiteral("MOIS"));
    row("Label3", "Frame1", "text", QStringLiteral("Taux d'Intéret :"));
    row("Txt_Interest", "Frame1", "toolTip", QStringLiteral("Entrer le Taux dIntérêt "));
    row("Label12", "Frame1", "text", QStringLiteral("%"));
    row("Frame2", "simu", "title", QStringLiteral("Calcul"));
    row("Cmd_Calculate", "Frame2", "text", QStringLiteral("Calculer "));
    row("Cmd_Calculate", "Frame2", "toolTip", QStringLiteral("CALCULER LA MENSUALITE"));
    row("Command3", "Frame2", "text", QStringLiteral("Rétablir"));
    row("Command3", "Frame2", "toolTip", QStringLiteral("EFFACER "));
    row("Frame3", "simu", "title", QStringLiteral("Résultats"), false);
    row("Label4", "Frame3", "text", QStringLiteral("Mensualité :"));
    row("Lbl_Amtpayment", "Frame3", "toolTip", QStringLiteral("MONTANT A PAYER "));
    row("Label13", "Frame3", "text", QStringLiteral("DH"));
    row("Label6", "Frame3", "text", QStringLiteral(" Intérêts :"));
    row("Label7", "Frame3", "enabled", false);
    row("Label7", "Frame3", "toolTip", QStringLiteral("INTERETS A PAYER"));
    row("Label14", "Frame3", "text", QStringLiteral("DH"));
    row("Label16", "Frame3", "text", QStringLiteral("Coût Total "));
    row("Label18", "Frame3", "enabled", false);
    row("Label18", "Frame3", "toolTip", QStringLiteral("LE COUT TOTAL DU CREDIT"));
    row("Label17", "Frame3", "text", QStringLiteral("DH"));
    row("Frame4", "simu", "title", QStringLiteral("Impression"), false);
    row("Check1", "Frame4", "text", QStringLiteral("Tableau d'Amortissement"));
    row("Check1", "Frame4", "checked", false);
    row("Check1", "Frame4", "toolTip", QStringLiteral("VOIR TABLEAU D'AMORTISSEMENT"));
    row("Command1", "Frame4", "text", QStringLiteral("Imprimer"), false);
    row("Command1", "Frame4", "toolTip", QStringLiteral("IMPRIMER T.AM"), false);
    row("List_Amortization", "simu", "count", 1, false);
}

void TestSimuWindow::openingControls()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    QFETCH(bool, shown);
    auto *w = m_window->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->property(property.constData()), value);
    QCOMPARE(!w->isHidden(), shown);
    // The container is the nearest named frame, or the window itself.
    QWidget *parent = w->parentWidget();
    while (parent && !parent->objectName().startsWith(QLatin1String("Frame")) && parent != m_window.get())
        parent = parent->parentWidget();
    QVERIFY(parent);
    QCOMPARE(parent->objectName(), container);
}

void TestSimuWindow::focusOrder_data()
{
    QTest::addColumn<bool>("calculated");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("opened") << false << QStringList{"Txt_Principal", "Text1",     "Txt_Interest", "Cmd_Calculate",
                                                    "Command3",      "cmdfermer", "Txt_Principal"};
    QTest::newRow("calculated, table on") << true
                                          << QStringList{"Txt_Principal", "Text1",        "Txt_Interest", "Cmd_Calculate",
                                                         "Check1",        "Command1",     "Command3",     "List_Amortization",
                                                         "cmdfermer",     "Txt_Principal"};
}

void TestSimuWindow::focusOrder()
{
    QFETCH(bool, calculated);
    QFETCH(QStringList, order);
    QCOMPARE(QApplication::focusWidget(), get<QLineEdit>("Txt_Principal"));
    if (calculated) {
        calculate(QStringLiteral("1000"), QStringLiteral("1"), QStringLiteral("3"));
        click("Check1");
        get<QLineEdit>("Txt_Principal")->setFocus();
    }
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, order);
}

// clang-format off
void TestSimuWindow::keyFilters_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("principal drops a letter") << "Txt_Principal" << "1e5" << "15";
    QTest::newRow("principal drops sign and separators") << "Txt_Principal" << "-,. " << "";
    QTest::newRow("principal has no limit") << "Txt_Principal" << QString(40, QLatin1Char('9')) << QString(40, QLatin1Char('9'));
    QTest::newRow("principal backspace") << "Txt_Principal" << "123\b4" << "124";
    QTest::newRow("rate with point") << "Txt_Interest" << "5.75" << "5.75";
    QTest::newRow("rate drops the comma") << "Txt_Interest" << "5,75" << "575";
    QTest::newRow("rate fifth character refused") << "Txt_Interest" << "5.755" << "5.75";
    QTest::newRow("rate takes a second point") << "Txt_Interest" << "1.2.3" << "1.2.";
    QTest::newRow("rate drops letters and sign") << "Txt_Interest" << "-x7" << "7";
    QTest::newRow("duration only points, four") << "Text1" << "....." << "....";
    QTest::newRow("duration drops letters") << "Text1" << "a2b" << "2";
}
// clang-format on

void TestSimuWindow::keyFilters()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    auto *edit = get<QLineEdit>(field.toLatin1().constData());
    edit->setFocus();
    for (const QChar c : typed) {
        if (c == QLatin1Char('\b'))
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, QString(c));
    }
    QCOMPARE(edit->text(), expected);
    QVERIFY(m_dialogs->calls().isEmpty());
}

// clang-format off
void TestSimuWindow::pasting_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("principal grouped") << "Txt_Principal" << "" << "100 000" << "100000";
    QTest::newRow("principal negative") << "Txt_Principal" << "" << "-5000" << "5000";
    QTest::newRow("principal letter") << "Txt_Principal" << "" << "1e5" << "15";
    QTest::newRow("principal after typed digits") << "Txt_Principal" << "12" << " 3x4 " << "1234";
    QTest::newRow("rate not a number") << "Txt_Interest" << "" << "abc" << "";
    QTest::newRow("rate negative") << "Txt_Interest" << "" << "-3" << "3";
    QTest::newRow("rate with blanks and sign, then cut") << "Txt_Interest" << "" << " 6.25 %" << "6.25";
    QTest::newRow("rate comma dropped") << "Txt_Interest" << "" << "5,75" << "575";
    QTest::newRow("rate at its length") << "Txt_Interest" << "5.75" << "1" << "5.75";
    QTest::newRow("rate nothing kept, typing kept") << "Txt_Interest" << "6" << "%" << "6";
    QTest::newRow("duration letters around") << "Text1" << "" << "x2.5 ans" << "2.5";
    QTest::newRow("duration after a digit") << "Text1" << "1" << "a0" << "10";
}
// clang-format on

void TestSimuWindow::pasting()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    type(field.toLatin1().constData(), typed);
    auto *edit = get<QLineEdit>(field.toLatin1().constData());
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTEST(edit->text(), "expected");
    QVERIFY(m_dialogs->calls().isEmpty());
    // The duration rule saw the kept text only.
    if (field == QLatin1String("Text1"))
        QCOMPARE(get<QLineEdit>("Txt_Num_payment")->text(), monthsForDuration(edit->text(), QLocale()).left(3));
}

// clang-format off
void TestSimuWindow::durationRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("backspaces");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("months");
    QTest::addColumn<bool>("refused");
    QTest::newRow("ten") << "10" << 0 << "10" << "120" << false;
    QTest::newRow("two and a half") << "2.5" << 0 << "2.5" << "30" << false;
    QTest::newRow("thirty") << "30" << 0 << "30" << "360" << false;
    QTest::newRow("thirty and a half") << "30.5" << 0 << "" << "0" << true;
    QTest::newRow("thirty-one at the second digit") << "31" << 0 << "" << "0" << true;
    QTest::newRow("2.1 cut to three characters") << "2.1" << 0 << "2.1" << "25," << false;
    QTest::newRow("emptied") << "10" << 2 << "" << "0" << false;
    QTest::newRow("back to one digit") << "10" << 1 << "1" << "12" << false;
}
// clang-format on

void TestSimuWindow::durationRule()
{
    QFETCH(QString, typed);
    QFETCH(int, backspaces);
    QFETCH(bool, refused);
    type("Text1", typed);
    for (int i = 0; i < backspaces; ++i)
        QTest::keyClick(get<QLineEdit>("Text1"), Qt::Key_Backspace);
    QTEST(get<QLineEdit>("Text1")->text(), "years");
    QTEST(get<QLineEdit>("Txt_Num_payment")->text(), "months");
    QCOMPARE(m_dialogs->messageTexts(), refused ? QStringList{kDurationTooLongMessage} : QStringList());
    if (refused) {
        QCOMPARE(m_dialogs->calls().first().spec.icon, MsgIcon::None);
        QCOMPARE(QApplication::focusWidget(), get<QLineEdit>("Text1"));
    }
}

// clang-format off
void TestSimuWindow::principalReformatting_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("leaving"); // how the focus leaves the field
    QTest::addColumn<QString>("away");    // the field meanwhile
    QTest::addColumn<QString>("typedBack");
    QTest::addColumn<QString>("expected"); // after leaving it again by Tab
    QTest::newRow("grouped") << "100000" << "tab" << "  100 000 , " << "" << "  100 000 , ";
    QTest::newRow("empty stays empty") << "" << "tab" << "" << "" << "";
    QTest::newRow("small") << "5" << "tab" << "   5 , " << "" << "   5 , ";
    QTest::newRow("eleven digits") << "12345678901" << "tab" << "12 345 678 901 , " << "" << "12 345 678 901 , ";
    QTest::newRow("another window") << "10000" << "window" << "10000" << "0" << "  100 000 , ";
    QTest::newRow("a menu") << "10000" << "menu" << "10000" << "0" << "  100 000 , ";
}
// clang-format on

void TestSimuWindow::principalReformatting()
{
    QFETCH(QString, typed);
    QFETCH(QString, leaving);
    QFETCH(QString, typedBack);
    auto *principal = get<QLineEdit>("Txt_Principal");
    type("Txt_Principal", typed);
    QCOMPARE(principal->text(), typed); // gaining and typing do not group
    if (leaving == QLatin1String("tab")) {
        QTest::keyClick(principal, Qt::Key_Tab);
        QTEST(principal->text(), "away");
        principal->setFocus();
    } else if (leaving == QLatin1String("window")) {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTEST(principal->text(), "away");
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    } else {
        QMenu menu(m_window.get());
        menu.addAction(QStringLiteral("Coller"));
        menu.popup(principal->mapToGlobal(QPoint()));
        QTRY_COMPARE(QApplication::activePopupWidget(), &menu);
        QTEST(principal->text(), "away");
        menu.close();
    }
    QCOMPARE(QApplication::focusWidget(), principal);
    QTest::keyClicks(principal, typedBack);
    // Leaving again reads the text back; a grouped one stays as it is.
    QTest::keyClick(principal, Qt::Key_Tab);
    QTEST(principal->text(), "expected");
}

void TestSimuWindow::exampleLoanAndTableSwitch()
{
    calculate(QStringLiteral("100000"), QStringLiteral("10"), QStringLiteral("6"));
    QVERIFY(m_dialogs->calls().isEmpty());
    QCOMPARE(get<QLineEdit>("Txt_Principal")->text(), QStringLiteral("  100 000 , "));
    QCOMPARE(get<QLineEdit>("Txt_Num_payment")->text(), QStringLiteral("120"));
    QCOMPARE(get<QLabel>("Lbl_Amtpayment")->text(), QStringLiteral("  1 110,21 "));
    QCOMPARE(get<QLabel>("Label7")->text(), QStringLiteral("  33 224,6 "));
    QCOMPARE(get<QLabel>("Label18")->text(), QStringLiteral("  133 224,6 "));
    QVERIFY(get<QGroupBox>("Frame3")->isVisible());
    QVERIFY(get<QGroupBox>("Frame4")->isVisible());
    QVERIFY(!get<QListWidget>("List_Amortization")->isVisible()); // only the box shows it

    const QStringList lines = listLines(get<QListWidget>("List_Amortization"));
    QCOMPARE(lines.size(), 1 + 3 + 120);
    QCOMPARE(lines.mid(0, 6),
             (QStringList{kTableTitle, QString(82, QLatin1Char('_')), "n\tMensualités\tIntérêts\t\tCapital\t\tReste",
                          QString(82, QLatin1Char('_')), "1\t1110,21\t\t500\t\t610,21\t\t99389,79",
                          "2\t1110,21\t\t496,95\t\t613,26\t\t98776,54"}));
    QCOMPARE(lines.last(), QStringLiteral("120\t1110,21\t\t5,52\t\t1104,68\t\t0"));

    click("Check1");
    QVERIFY(get<QListWidget>("List_Amortization")->isVisible());
    QVERIFY(get<QPushButton>("Command1")->isVisible());
    click("Check1");
    QVERIFY(!get<QListWidget>("List_Amortization")->isVisible());
    QVERIFY(!get<QPushButton>("Command1")->isVisible());
    click("Check1");
    QCOMPARE(listLines(get<QListWidget>("List_Amortization")), lines);
}

// clang-format off
void TestSimuWindow::refusedInput_data()
{
    QTest::addColumn<QString>("principal");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("calculatedBefore");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no rate") << "100000" << "10" << "" << false << kIncompleteMessage << "Txt_Principal";
    QTest::newRow("no principal") << "" << "10" << "6" << false << kIncompleteMessage << "Txt_Principal";
    QTest::newRow("no duration") << "100000" << "" << "6" << false << kIncompleteMessage << "Txt_Principal";
    QTest::newRow("no rate after a calculation") << "100000" << "10" << "" << true << kIncompleteMessage
                                                 << "Txt_Principal";
    QTest::newRow("zero years") << "100000" << "0" << "6" << false << kBadMonthsMessage << "Text1";
    QTest::newRow("a tenth of a year") << "100000" << "0.1" << "6" << false << kBadMonthsMessage << "Text1";
    QTest::newRow("point alone") << "100000" << "." << "6" << false << kBadMonthsMessage << "Text1";
}
// clang-format on

void TestSimuWindow::refusedInput()
{
    QFETCH(QString, principal);
    QFETCH(QString, years);
    QFETCH(QString, rate);
    QFETCH(bool, calculatedBefore);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    if (calculatedBefore) {
        calculate(QStringLiteral("12000"), QStringLiteral("1"), QStringLiteral("5"));
        for (const char *field : {"Txt_Interest", "Text1", "Txt_Principal"})
            get<QLineEdit>(field)->clear();
    }
    const QString payment = get<QLabel>("Lbl_Amtpayment")->text();
    const int lines = get<QListWidget>("List_Amortization")->count();
    calculate(principal, years, rate);
    QCOMPARE(m_dialogs->messageTexts(), QStringList{message});
    QCOMPARE(m_dialogs->calls().first().spec.title, applicationTitle());
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(get<QLabel>("Lbl_Amtpayment")->text(), payment);
    QCOMPARE(get<QListWidget>("List_Amortization")->count(), lines);
    QCOMPARE(get<QGroupBox>("Frame3")->isVisible(), calculatedBefore);
    QCOMPARE(LoanState::process().periodNo, qint16(0));
}

// clang-format off
void TestSimuWindow::inputThatOnceEndedTheProgram_data()
{
    QTest::addColumn<QString>("principal");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("payment");
    QTest::newRow("forty-digit amount") << QString(40, QLatin1Char('9')) << "1" << "5" << 1 + 3 + 12
                                        << "856074817884674000000000000000 000 000 000, ";
    QTest::newRow("points as rate") << "12000" << "1" << "...." << 1 + 3 + 12 << "  1 000, ";
    QTest::newRow("1.2.3 as rate") << "12000" << "1" << "1.2." << 1 + 3 + 12 << "  1 006,51 ";
    QTest::newRow("zero rate") << "36000" << "3" << "0" << 1 + 3 + 36 << "  1 000, ";
}
// clang-format on

void TestSimuWindow::inputThatOnceEndedTheProgram()
{
    QFETCH(QString, principal);
    QFETCH(QString, years);
    QFETCH(QString, rate);
    QFETCH(int, lines);
    calculate(principal, years, rate);
    QVERIFY(m_dialogs->calls().isEmpty());
    QCOMPARE(get<QListWidget>("List_Amortization")->count(), lines);
    QTEST(get<QLabel>("Lbl_Amtpayment")->text(), "payment");
    // The table ends with the last month.
    const QString last = get<QListWidget>("List_Amortization")->item(lines - 1)->text();
    QCOMPARE(last.section(QLatin1Char('\t'), 0, 0), QString::number(lines - 4));
}

void TestSimuWindow::twoCalculationsAppendTwoTables()
{
    calculate(QStringLiteral("100000"), QStringLiteral("10"), QStringLiteral("6"));
    // The list shown and scrolled to its end while the second table comes.
    click("Check1");
    auto *list = get<QListWidget>("List_Amortization");
    list->scrollToBottom();
    QCoreApplication::processEvents();
    const int topRow = list->indexAt(QPoint(4, 4)).row();
    QVERIFY(topRow > 0);
    get<QLineEdit>("Text1")->clear();
    calculate(QString(), QStringLiteral("1"), QString());
    QCoreApplication::processEvents();
    QCOMPARE(list->indexAt(QPoint(4, 4)).row(), topRow);
    list->scrollToBottom();
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(list->item(list->count() - 1))));
    const QStringList lines = listLines(get<QListWidget>("List_Amortization"));
    QCOMPARE(lines.size(), 1 + (3 + 120) + (3 + 12));
    QCOMPARE(lines.first(), kTableTitle);
    QCOMPARE(lines.at(124), ruleLine());
    QCOMPARE(lines.at(125), headerLine());
    // The second table: the same principal and rate over one year.
    QCOMPARE(lines.at(127), QStringLiteral("1\t8606,64\t\t500\t\t8106,64\t\t91893,36"));
    QCOMPARE(lines.last(), QStringLiteral("12\t8606,64\t\t42,82\t\t8563,82\t\t0"));
}

void TestSimuWindow::resetWithTableShown()
{
    calculate(QStringLiteral("100000"), QStringLiteral("10"), QStringLiteral("6"));
    click("Check1");
    click("Command3");

    auto *list = get<QListWidget>("List_Amortization");
    QVERIFY(list->isVisible());
    QCOMPARE(list->count(), 0);
    for (const char *field : {"Txt_Principal", "Text1", "Txt_Num_payment", "Txt_Interest"})
        QCOMPARE(get<QLineEdit>(field)->text(), QString());
    QCOMPARE(get<QLabel>("Lbl_Amtpayment")->text(), QString());
    QCOMPARE(get<QLabel>("Label7")->text(), QString());
    QCOMPARE(get<QLabel>("Label18")->text(), QStringLiteral("  133 224,6 ")); // left for the next calculation
    QVERIFY(get<QGroupBox>("Frame3")->isHidden());
    QVERIFY(get<QGroupBox>("Frame4")->isHidden());
    QVERIFY(get<QCheckBox>("Check1")->isChecked());
    QCOMPARE(QApplication::focusWidget(), get<QLineEdit>("Txt_Principal"));
    QCOMPARE(LoanState::process().periodNo, qint16(0));

    calculate(QStringLiteral("12000"), QStringLiteral("1"), QStringLiteral("5"));
    QCOMPARE(list->count(), 3 + 12);
    QCOMPARE(list->item(0)->text(), ruleLine());
    QVERIFY(get<QPushButton>("Command1")->isVisible());
}

void TestSimuWindow::printingWithoutPrinter()
{
    // No print server, whatever the machine has.
    QTemporaryDir noCups;
    qputenv("CUPS_SERVER", QFile::encodeName(noCups.filePath(QStringLiteral("no-server.sock"))));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    calculate(QStringLiteral("100000"), QStringLiteral("10"), QStringLiteral("6"));
    click("Check1");
    const QStringList before = listLines(get<QListWidget>("List_Amortization"));
    click("Command1");
    QCOMPARE(m_dialogs->messageTexts(), QStringList{kNoPrinterMessage});
    QCOMPARE(m_dialogs->calls().first().spec.title, applicationTitle());
    QCOMPARE(listLines(get<QListWidget>("List_Amortization")), before);
    QVERIFY(get<QListWidget>("List_Amortization")->isVisible());
}

void TestSimuWindow::stateOutlivesTheWindow()
{
    m_window.reset();
    MainWindow main;
    registerWindows(main);
    main.showInitial();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QPointer<QWidget> first = main.openAlone(QStringLiteral("simu"));
    QVERIFY(first);
    m_in = first;
    calculate(QStringLiteral("100000"), QStringLiteral("10"), QStringLiteral("6"));
    const LoanState after = LoanState::process();
    QVERIFY(after.factor > 0.0111 && after.factor < 0.0112);
    click("cmdfermer");
    QTRY_VERIFY(!first);

    m_in = main.openAlone(QStringLiteral("simu"));
    QVERIFY(m_in);
    QCOMPARE(get<QLineEdit>("Txt_Principal")->text(), QString());
    QCOMPARE(listLines(get<QListWidget>("List_Amortization")), QStringList{kTableTitle});
    QVERIFY(get<QGroupBox>("Frame3")->isHidden());
    QCOMPARE(LoanState::process().factor, after.factor);
    QCOMPARE(LoanState::process().amtpayment, after.amtpayment);
    QCOMPARE(LoanState::process().periodNo, qint16(0));
    QVERIFY(m_dialogs->calls().isEmpty());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tavro::setupApplication(app);
    TestSimuWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_simuwindow.moc"
