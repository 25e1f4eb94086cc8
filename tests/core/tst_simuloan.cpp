#include "simulator/conversions.h"
#include "simulator/loan.h"

#include <QTest>

using namespace tavro::simu;

namespace {

QLocale localeNamed(const QString &name)
{
    return name == QLatin1String("en") ? QLocale(QLocale::English, QLocale::UnitedStates)
                                       : QLocale(QLocale::French, QLocale::France);
}

} // namespace

class TestSimuLoan : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void schedule_data();
    void schedule();
    void refusedInput_data();
    void refusedInput();
};

void TestSimuLoan::schedule_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("principal");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("payment");
    QTest::addColumn<QString>("interest");
    QTest::addColumn<QString>("total");
    QTest::addColumn<int>("months");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("last");

    QTest::newRow("ten years at 6 %")
        << "fr" << "  100 000 , " << "10" << "6" << "  1 110,21 " << "  33 224,6 " << "  133 224,6 " << 120
        << "1\t1110,21\t\t500\t\t610,21\t\t99389,79" << "2\t1110,21\t\t496,95\t\t613,26\t\t98776,54"
        << "120\t1110,21\t\t5,52\t\t1104,68\t\t0";
    QTest::newRow("en ten years at 6 %")
        << "en" << "  100 000 . " << "10" << "6" << "  1 110.21 " << "  33 224.6 " << "  133 224.6 " << 120
        << "1\t1110.21\t\t500\t\t610.21\t\t99389.79" << "2\t1110.21\t\t496.95\t\t613.26\t\t98776.54"
        << "120\t1110.21\t\t5.52\t\t1104.68\t\t0";
    QTest::newRow("one year at 5 %")
        << "fr" << "12000" << "1" << "5" << "  1 027,29 " << "   327,48 " << "  12 327,48 " << 12
        << "1\t1027,29\t\t50\t\t977,29\t\t11022,71" << "2\t1027,29\t\t45,93\t\t981,36\t\t10041,35"
        << "12\t1027,29\t\t4,26\t\t1023,03\t\t0";
    QTest::newRow("thirty years at 4.75 %")
        << "fr" << "250000" << "30" << "4.75" << "  1 304,12 " << "  219 482,6 " << "  469 482,6 " << 360
        << "1\t1304,12\t\t989,58\t\t314,54\t\t249685,46" << "2\t1304,12\t\t988,34\t\t315,78\t\t249369,68"
        << "360\t1304,12\t\t5,14\t\t1298,98\t\t0";
    QTest::newRow("zero rate shares the principal evenly")
        << "fr" << "12000" << "1" << "0" << "  1 000, " << "   0, " << "  12 000, " << 12
        << "1\t1000\t\t0\t\t1000\t\t11000" << "2\t1000\t\t0\t\t1000\t\t10000" << "12\t1000\t\t0\t\t1000\t\t0";
    QTest::newRow("points read as a zero rate")
        << "fr" << "12000" << "1" << "...." << "  1 000, " << "   0, " << "  12 000, " << 12
        << "1\t1000\t\t0\t\t1000\t\t11000" << "2\t1000\t\t0\t\t1000\t\t10000" << "12\t1000\t\t0\t\t1000\t\t0";
    QTest::newRow("2.1 years is cut to 25 months")
        << "fr" << "25000" << "2.1" << "0" << "  1 000, " << "   0, " << "  25 000, " << 25
        << "1\t1000\t\t0\t\t1000\t\t24000" << "2\t1000\t\t0\t\t1000\t\t23000" << "25\t1000\t\t0\t\t1000\t\t0";
}

void TestSimuLoan::schedule()
{
    QFETCH(QString, locale);
    QFETCH(QString, principal);
    QFETCH(QString, years);
    QFETCH(QString, rate);
    QFETCH(int, months);
    LoanState state;
    const QLocale loc = localeNamed(locale);
    // The month count as the duration rule writes it, cut to the field's 3 characters.
    const LoanInput input{principal, years, monthsForDuration(years, loc).left(3), rate, {}};

    const LoanResult result = calculate(state, input, loc);
    QCOMPARE(result.outcome, Outcome::Done);
    QTEST(result.payment.value_or("?"), "payment");
    QTEST(result.interest.value_or("?"), "interest");
    QTEST(result.totalCost.value_or("?"), "total");
    QCOMPARE(result.lines.size(), 3 + months);
    QCOMPARE(result.lines.at(0), QString(82, QLatin1Char('_')));
    QCOMPARE(result.lines.at(1), QStringLiteral("n\tMensualités\tIntérêts\t\tCapital\t\tReste"));
    QCOMPARE(result.lines.at(2), result.lines.at(0));
    QTEST(result.lines.at(3), "first");
    QTEST(result.lines.at(4), "second");
    QTEST(result.lines.last(), "last");
    QCOMPARE(state.periodNo, qint16(0));
}

void TestSimuLoan::refusedInput_data()
{
    QTest::addColumn<QString>("principal");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("months");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("no principal") << "" << "10" << "120" << "6" << Outcome::Incomplete;
    QTest::newRow("no duration") << "1000" << "" << "0" << "6" << Outcome::Incomplete;
    QTest::newRow("no rate") << "1000" << "10" << "120" << "" << Outcome::Incomplete;
    QTest::newRow("zero years") << "1000" << "0" << "0" << "6" << Outcome::BadMonths;
    QTest::newRow("tenth of a year") << "1000" << "0.1" << "1,2" << "6" << Outcome::BadMonths;
    QTest::newRow("points for years") << "1000" << "...." << "0" << "6" << Outcome::BadMonths;
    QTest::newRow("months field empty") << "1000" << "1" << "" << "6" << Outcome::BadMonths;
    QTest::newRow("more than 360 months") << "1000" << "30" << "361" << "6" << Outcome::BadMonths;
    QTest::newRow("principal not a number") << "douze" << "1" << "12" << "6" << Outcome::BadPrincipal;
    QTest::newRow("principal beyond a double") << QString(400, QLatin1Char('9')) << "1" << "12" << "6"
                                               << Outcome::BadPrincipal;
}

void TestSimuLoan::refusedInput()
{
    QFETCH(QString, principal);
    QFETCH(QString, years);
    QFETCH(QString, months);
    QFETCH(QString, rate);
    QFETCH(Outcome, outcome);
    LoanState state;
    state.factor = 0.5; // left from an earlier calculation
    const LoanResult result = calculate(state, {principal, years, months, rate, {}}, localeNamed(QStringLiteral("fr")));
    QCOMPARE(result.outcome, outcome);
    QVERIFY(!result.payment);
    QVERIFY(result.lines.isEmpty());
    QCOMPARE(state.factor, 0.5);
}

QTEST_APPLESS_MAIN(TestSimuLoan)
#include "tst_simuloan.moc"
