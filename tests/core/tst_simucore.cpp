// The simulator and the clock banner without a window: conversions and
// display patterns, tab stops, the loan schedule, the banner's text.
#include "kit/bannertext.h"
#include "simulator/conversions.h"
#include "simulator/lineprinter.h"
#include "simulator/loan.h"
#include "simulator/tabstops.h"

#include <QTest>

#include <clocale>
#include <cmath>
#include <limits>

using namespace tavro::simu;

namespace {

QLocale localeNamed(const QString &name)
{
    return name == QLatin1String("en") ? QLocale(QLocale::English, QLocale::UnitedStates)
                                       : QLocale(QLocale::French, QLocale::France);
}

const QString kFortyDigits = QStringLiteral("1234567890123456789012345678901234567890");

} // namespace

class TestSimulatorCore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void prefixReading_data();
    void prefixReading();
    void localeReading_data();
    void localeReading();
    void numberText_data();
    void numberText();
    void roundTwo_data();
    void roundTwo();
    void patterns_data();
    void patterns();
    void reformatLeavesUnreadableText_data();
    void reformatLeavesUnreadableText();
    void tabsAlignUnderHeader_data();
    void tabsAlignUnderHeader();
    void schedule_data();
    void schedule();
    void refusedInput_data();
    void refusedInput();
    void banner_data();
    void banner();
    void printingStopsAtTheFirstFailure_data();
    void printingStopsAtTheFirstFailure();
};

void TestSimulatorCore::initTestCase()
{
    // The program runs with the user's C locale, whose decimal separator may
    // be a comma; the conversions must not depend on it.
    QVERIFY(std::setlocale(LC_ALL, "fr_FR.UTF-8"));
}

void TestSimulatorCore::prefixReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("whole") << "12" << 12.0;
    QTest::newRow("point") << "2.5" << 2.5;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("blanks inside") << " 1 0 " << 10.0;
    QTest::newRow("exponent") << "1e5" << 100000.0;
    QTest::newRow("exponent then junk") << "1E2x" << 100.0;
    QTest::newRow("negative") << "-3.5" << -3.5;
    QTest::newRow("stops at second sign") << "1-2" << 1.0;
    QTest::newRow("only points") << "...." << 0.0;
    QTest::newRow("comma is no decimal point") << "25,2" << 25.0;
    QTest::newRow("grouped principal") << "  100 000 , " << 100000.0;
    QTest::newRow("forty digits") << kFortyDigits << 1.2345678901234568e39;
    QTest::newRow("beyond a double") << "1e999" << std::numeric_limits<double>::infinity();
}

void TestSimulatorCore::prefixReading()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(tavro::simu::prefixReading(text), expected);
}

// clang-format off
void TestSimulatorCore::localeReading_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<double>("expected");
    QTest::newRow("fr comma") << "fr" << "1110,21" << true << 1110.21;
    QTest::newRow("en point") << "en" << "1110.21" << true << 1110.21;
    QTest::newRow("fr amount pattern") << "fr" << "  1 110,21 " << true << 1110.21;
    QTest::newRow("fr principal pattern") << "fr" << "  100 000 , " << true << 100000.0;
    QTest::newRow("fr digits typed into grouped text") << "fr" << "  1005 000 , " << true << 1005000.0;
    QTest::newRow("fr separator alone at end") << "fr" << "25," << true << 25.0;
    QTest::newRow("fr negative") << "fr" << "-5,5" << true << -5.5;
    QTest::newRow("en grouping") << "en" << "1,234.5" << true << 1234.5;
    QTest::newRow("fr narrow space grouping") << "fr" << QString::fromUtf8("1\u202f234,5") << true << 1234.5;
    QTest::newRow("fr forty digits") << "fr" << kFortyDigits << true << 1.2345678901234568e39;
    QTest::newRow("fr empty") << "fr" << "" << false << 0.0;
    QTest::newRow("fr points") << "fr" << "...." << false << 0.0;
    QTest::newRow("fr 1.2.3") << "fr" << "1.2.3" << false << 0.0;
    QTest::newRow("fr two separators") << "fr" << "1,2,3" << false << 0.0;
    QTest::newRow("fr letters") << "fr" << "12a" << false << 0.0;
    QTest::newRow("fr exponent") << "fr" << "1e5" << false << 0.0;
    QTest::newRow("fr beyond a double") << "fr" << QString(400, QLatin1Char('9')) << false << 0.0;
}
// clang-format on

void TestSimulatorCore::localeReading()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, reads);
    QFETCH(double, expected);
    const std::optional<double> value = tavro::simu::localeReading(text, localeNamed(locale));
    QCOMPARE(value.has_value(), reads);
    if (reads)
        QCOMPARE(*value, expected);
}

void TestSimulatorCore::numberText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fr decimals") << "fr" << 1110.21 << "1110,21";
    QTest::newRow("en decimals") << "en" << 1110.21 << "1110.21";
    QTest::newRow("whole") << "fr" << 500.0 << "500";
    QTest::newRow("negative") << "fr" << -33.5 << "-33,5";
    QTest::newRow("zero") << "fr" << 0.0 << "0";
    QTest::newRow("below 1") << "fr" << 0.125 << "0,125";
    QTest::newRow("months from 2.1 years") << "fr" << 2.1 * 12 << "25,2";
    QTest::newRow("en sum") << "en" << 0.1 + 0.2 << "0.3";
    QTest::newRow("third") << "fr" << 1.0 / 3 << "0,333333333333333";
    QTest::newRow("more than fifteen digits") << "fr" << 123456789012345678.0 << "123456789012346000";
    QTest::newRow("tiny rounds to zero") << "fr" << 1e-20 << "0";
}

void TestSimulatorCore::numberText()
{
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(tavro::simu::numberText(value, localeNamed(locale)), std::optional<QString>(expected));
}

void TestSimulatorCore::roundTwo_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected"); // as number text, to avoid comparing doubles loosely
    QTest::newRow("payment") << 1110.2050347 << "1110,21";
    QTest::newRow("tie down to even") << 0.125 << "0,12";
    QTest::newRow("tie up to even") << 0.375 << "0,38";
    QTest::newRow("negative tie") << -0.125 << "-0,12";
    QTest::newRow("just below half") << 1.005 << "1";
    QTest::newRow("tiny negative") << -0.001 << "0";
    QTest::newRow("residue of a balance") << 3.2e-10 << "0";
    QTest::newRow("large tie") << 12345678.125 << "12345678,12";
}

void TestSimulatorCore::roundTwo()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    const std::optional<double> rounded = tavro::simu::roundTwo(value);
    QVERIFY(rounded);
    QCOMPARE(tavro::simu::numberText(*rounded, localeNamed(QStringLiteral("fr"))), std::optional<QString>(expected));
}

void TestSimulatorCore::patterns_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    const QString amount = kAmountPattern;
    const QString principal = kPrincipalPattern;
    QTest::newRow("payment") << "fr" << amount << 1110.21 << "  1 110,21 ";
    QTest::newRow("whole amount") << "fr" << amount << 500.0 << "   500, ";
    QTest::newRow("en payment") << "en" << amount << 1110.21 << "  1 110.21 ";
    QTest::newRow("zero") << "fr" << amount << 0.0 << "   0, ";
    QTest::newRow("below 1") << "fr" << amount << 0.5 << "   0,5 ";
    QTest::newRow("six decimals rounded") << "fr" << amount << 1.23456789 << "   1,234568 ";
    QTest::newRow("ten digits") << "fr" << amount << 1234567890.0 << "1 234 567 890, ";
    QTest::newRow("eleven digits") << "fr" << amount << 12345678901.0 << "12 345 678 901, ";
    QTest::newRow("negative") << "fr" << amount << -1110.21 << "-  1 110,21 ";
    QTest::newRow("principal") << "fr" << principal << 100000.0 << "  100 000 , ";
    QTest::newRow("en principal") << "en" << principal << 100000.0 << "  100 000 . ";
    QTest::newRow("principal with decimals") << "fr" << principal << 1500.5 << "  1 500 ,5 ";
}

void TestSimulatorCore::patterns()
{
    QFETCH(QString, locale);
    QFETCH(QString, pattern);
    QFETCH(double, value);
    QFETCH(QString, expected);
    const QLocale loc = localeNamed(locale);
    const std::optional<QString> shown = formatPattern(value, pattern, loc);
    QCOMPARE(shown, std::optional<QString>(expected));
    // What the window shows must read back, and showing it again changes
    // nothing.
    const std::optional<double> back = tavro::simu::localeReading(*shown, loc);
    QVERIFY(back);
    QCOMPARE(std::round(*back * 1e6), std::round(value * 1e6) + 0.0);
    QCOMPARE(reformat(*shown, pattern, loc), shown);
}

void TestSimulatorCore::reformatLeavesUnreadableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("points") << "....";
    QTest::newRow("letters") << "douze";
}

void TestSimulatorCore::reformatLeavesUnreadableText()
{
    QFETCH(QString, text);
    QVERIFY(!reformat(text, kAmountPattern, localeNamed(QStringLiteral("fr"))));
}

void TestSimulatorCore::tabsAlignUnderHeader_data()
{
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<QString>("line");
    QTest::newRow("fixed width, first month") << false << "1\t1110,21\t\t500\t\t610,21\t\t99389,79";
    QTest::newRow("proportional, first month") << true << "1\t1110,21\t\t500\t\t610,21\t\t99389,79";
    QTest::newRow("proportional, large loan") << true << "360\t1304567,12\t\t989567,58\t\t314999,54\t\t9249685,46";
}

void TestSimulatorCore::tabsAlignUnderHeader()
{
    QFETCH(bool, proportional);
    QFETCH(QString, line);
    // Widths shaped like a sans-serif face: narrow punctuation and "i",
    // wide capitals; or one unit for every character.
    const TextWidth width = [proportional](const QString &text) {
        qreal w = 0;
        for (const QChar c : text) {
            if (!proportional)
                w += 1;
            else if (c.isDigit() || c == QLatin1Char('_'))
                w += 0.556;
            else if (c == QLatin1Char(',') || c == QLatin1Char('.') || c == QLatin1Char('i') || c == QLatin1Char('l')
                     || c == QLatin1Char('t'))
                w += 0.278;
            else if (c.isUpper())
                w += 0.722;
            else
                w += 0.556;
        }
        return w;
    };
    const QList<qreal> stops = tableTabStops(width);
    const QList<TabPiece> header = layOutTabs(QStringLiteral("n\tMensualités\tIntérêts\t\tCapital\t\tReste"), stops, width);
    const QList<TabPiece> values = layOutTabs(line, stops, width);
    QCOMPARE(header.size(), 5);
    QCOMPARE(values.size(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(values.at(i).x, header.at(i).x);
    for (int i = 1; i < 5; ++i)
        QVERIFY(values.at(i).x > values.at(i - 1).x + width(values.at(i - 1).text));
}

// clang-format off
void TestSimulatorCore::schedule_data()
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
// clang-format on

void TestSimulatorCore::schedule()
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

// clang-format off
void TestSimulatorCore::refusedInput_data()
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
    QTest::newRow("negative principal") << "-12 000" << "1" << "12" << "6" << Outcome::NegativePrincipal;
    QTest::newRow("negative rate") << "12000" << "1" << "12" << " -6" << Outcome::NegativeRate;
    QTest::newRow("principal beyond a double") << QString(400, QLatin1Char('9')) << "1" << "12" << "6"
                                               << Outcome::BadPrincipal;
}
// clang-format on

void TestSimulatorCore::refusedInput()
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

void TestSimulatorCore::banner_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("opening");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fr, record windows") << "fr" << tavro::kRecordBannerOpening
                                        << "KIRB TALMIRT, on est le 06/12/2026 , il est : 14:05:09";
    QTest::newRow("fr, simulator") << "fr" << tavro::kSimulatorBannerOpening
                                   << "KIRB TALMIRT, On est le 06/12/2026 , il est : 14:05:09";
    QTest::newRow("en") << "en" << tavro::kRecordBannerOpening << "KIRB TALMIRT, on est le 12/6/26 , il est : 2:05:09 PM";
}

void TestSimulatorCore::banner()
{
    QFETCH(QString, locale);
    QFETCH(QString, opening);
    QFETCH(QString, expected);
    QCOMPARE(tavro::bannerText(opening, {2026, 12, 6}, {14, 5, 9}, localeNamed(locale)), expected);
}

void TestSimulatorCore::printingStopsAtTheFirstFailure_data()
{
    QTest::addColumn<int>("failingLine"); // -1: none; 3: the end of the document
    QTest::newRow("all printed") << -1;
    QTest::newRow("second line refused") << 1;
    QTest::newRow("end of the document refused") << 3;
}

void TestSimulatorCore::printingStopsAtTheFirstFailure()
{
    QFETCH(int, failingLine);
    // The printer is a device: this one takes lines until the one it is told to refuse.
    // It refuses one call, then takes what comes.
    struct Printer : LinePrinter {
        int failAt;
        int calls = 0;
        QStringList printed;
        bool ended = false;
        explicit Printer(int at)
            : failAt(at)
        {
        }
        tavro::Status printLine(const QString &line) override
        {
            if (calls++ == failAt)
                return tavro::Status::failure(kPrintFailedMessage);
            printed << line;
            return {};
        }
        tavro::Status endDocument() override
        {
            if (calls++ == failAt)
                return tavro::Status::failure(kPrintFailedMessage);
            ended = true;
            return {};
        }
    } printer(failingLine);
    const QStringList lines{"Tableau", "n", "1"};
    const tavro::Status status = printLines(printer, lines);
    QCOMPARE(status.ok(), failingLine < 0);
    QCOMPARE(printer.printed, failingLine < 0 ? lines : lines.first(failingLine));
    QCOMPARE(printer.ended, failingLine < 0);
}

QTEST_APPLESS_MAIN(TestSimulatorCore)
#include "tst_simucore.moc"
