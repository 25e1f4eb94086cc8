#include "simulator/conversions.h"
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

class TestSimuConversions : public QObject {
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
};

void TestSimuConversions::initTestCase()
{
    // The program runs with the user's C locale, whose decimal separator may
    // be a comma; the conversions must not depend on it.
    QVERIFY(std::setlocale(LC_ALL, "fr_FR.UTF-8"));
}

void TestSimuConversions::prefixReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("whole") << "12" << 12.0;
    QTest::newRow("point") << "2.5" << 2.5;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("blanks inside") << " 1 0 " << 10.0;
    QTest::newRow("tab and line feed") << "\t7\n" << 7.0;
    QTest::newRow("exponent") << "1e5" << 100000.0;
    QTest::newRow("exponent then junk") << "1E2x" << 100.0;
    QTest::newRow("exponent without digits") << "1e" << 1.0;
    QTest::newRow("negative") << "-3.5" << -3.5;
    QTest::newRow("plus") << "+4" << 4.0;
    QTest::newRow("stops at second sign") << "1-2" << 1.0;
    QTest::newRow("only points") << "...." << 0.0;
    QTest::newRow("two points") << "1.2.3" << 1.2;
    QTest::newRow("comma is no decimal point") << "25,2" << 25.0;
    QTest::newRow("grouped principal") << "  100 000 , " << 100000.0;
    QTest::newRow("forty digits") << kFortyDigits << 1.2345678901234568e39;
    QTest::newRow("beyond a double") << "1e999" << std::numeric_limits<double>::infinity();
    QTest::newRow("below the smallest double") << "0.1e-999" << 0.0;
}

void TestSimuConversions::prefixReading()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(tavro::simu::prefixReading(text), expected);
}

void TestSimuConversions::localeReading_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<double>("expected");
    QTest::newRow("fr comma") << "fr" << "1110,21" << true << 1110.21;
    QTest::newRow("en point") << "en" << "1110.21" << true << 1110.21;
    QTest::newRow("fr amount pattern") << "fr" << "  1 110,21 " << true << 1110.21;
    QTest::newRow("en amount pattern") << "en" << "  1 110.21 " << true << 1110.21;
    QTest::newRow("fr principal pattern") << "fr" << "  100 000 , " << true << 100000.0;
    QTest::newRow("en principal pattern") << "en" << "  100 000 . " << true << 100000.0;
    QTest::newRow("fr digits typed into grouped text") << "fr" << "  1005 000 , " << true << 1005000.0;
    QTest::newRow("fr separator alone at end") << "fr" << "25," << true << 25.0;
    QTest::newRow("fr below 1") << "fr" << ",5" << true << 0.5;
    QTest::newRow("fr negative") << "fr" << "-5,5" << true << -5.5;
    QTest::newRow("en grouping") << "en" << "1,234.5" << true << 1234.5;
    QTest::newRow("fr narrow space grouping") << "fr" << QString::fromUtf8("1\u202f234,5") << true << 1234.5;
    QTest::newRow("fr forty digits") << "fr" << kFortyDigits << true << 1.2345678901234568e39;
    QTest::newRow("fr empty") << "fr" << "" << false << 0.0;
    QTest::newRow("fr blanks") << "fr" << "   " << false << 0.0;
    QTest::newRow("fr points") << "fr" << "...." << false << 0.0;
    QTest::newRow("en points") << "en" << "...." << false << 0.0;
    QTest::newRow("fr 1.2.3") << "fr" << "1.2.3" << false << 0.0;
    QTest::newRow("en 1.2.3") << "en" << "1.2.3" << false << 0.0;
    QTest::newRow("fr two separators") << "fr" << "1,2,3" << false << 0.0;
    QTest::newRow("en sign alone") << "en" << "-" << false << 0.0;
    QTest::newRow("fr letters") << "fr" << "12a" << false << 0.0;
    QTest::newRow("fr exponent") << "fr" << "1e5" << false << 0.0;
    QTest::newRow("fr beyond a double") << "fr" << QString(400, QLatin1Char('9')) << false << 0.0;
}

void TestSimuConversions::localeReading()
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

void TestSimuConversions::numberText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fr decimals") << "fr" << 1110.21 << "1110,21";
    QTest::newRow("en decimals") << "en" << 1110.21 << "1110.21";
    QTest::newRow("whole") << "fr" << 500.0 << "500";
    QTest::newRow("negative") << "fr" << -33.5 << "-33,5";
    QTest::newRow("zero") << "fr" << 0.0 << "0";
    QTest::newRow("negative zero") << "fr" << -0.0 << "0";
    QTest::newRow("below 1") << "fr" << 0.125 << "0,125";
    QTest::newRow("months from 2.1 years") << "fr" << 2.1 * 12 << "25,2";
    QTest::newRow("en sum") << "en" << 0.1 + 0.2 << "0.3";
    QTest::newRow("third") << "fr" << 1.0 / 3 << "0,333333333333333";
    QTest::newRow("fifteen digits kept") << "fr" << 123456789012345.0 << "123456789012345";
    QTest::newRow("more than fifteen digits") << "fr" << 123456789012345678.0 << "123456789012346000";
    QTest::newRow("large") << "fr" << 1e20 << "100000000000000000000";
    QTest::newRow("tiny rounds to zero") << "fr" << 1e-20 << "0";
}

void TestSimuConversions::numberText()
{
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(tavro::simu::numberText(value, localeNamed(locale)), std::optional<QString>(expected));
}

void TestSimuConversions::roundTwo_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected"); // as number text, to avoid comparing doubles loosely
    QTest::newRow("payment") << 1110.2050347 << "1110,21";
    QTest::newRow("tie down to even") << 0.125 << "0,12";
    QTest::newRow("tie up to even") << 0.375 << "0,38";
    QTest::newRow("tie 0.625") << 0.625 << "0,62";
    QTest::newRow("tie 0.875") << 0.875 << "0,88";
    QTest::newRow("tie 1.125") << 1.125 << "1,12";
    QTest::newRow("negative tie") << -0.125 << "-0,12";
    QTest::newRow("just below half") << 1.005 << "1";
    QTest::newRow("tiny negative") << -0.001 << "0";
    QTest::newRow("residue of a balance") << 3.2e-10 << "0";
    QTest::newRow("large tie") << 12345678.125 << "12345678,12";
}

void TestSimuConversions::roundTwo()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    const std::optional<double> rounded = tavro::simu::roundTwo(value);
    QVERIFY(rounded);
    QCOMPARE(tavro::simu::numberText(*rounded, localeNamed(QStringLiteral("fr"))), std::optional<QString>(expected));
}

void TestSimuConversions::patterns_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    const QString amount = kAmountPattern;
    const QString principal = kPrincipalPattern;
    QTest::newRow("payment") << "fr" << amount << 1110.21 << "  1 110,21 ";
    QTest::newRow("interest") << "fr" << amount << 33224.6 << "  33 224,6 ";
    QTest::newRow("total") << "fr" << amount << 133224.6 << "  133 224,6 ";
    QTest::newRow("whole amount") << "fr" << amount << 500.0 << "   500, ";
    QTest::newRow("en payment") << "en" << amount << 1110.21 << "  1 110.21 ";
    QTest::newRow("zero") << "fr" << amount << 0.0 << "   0, ";
    QTest::newRow("below 1") << "fr" << amount << 0.5 << "   0,5 ";
    QTest::newRow("six decimals rounded") << "fr" << amount << 1.23456789 << "   1,234568 ";
    QTest::newRow("seventh decimal dropped") << "fr" << amount << 0.0000004 << "   0, ";
    QTest::newRow("ten digits") << "fr" << amount << 1234567890.0 << "1 234 567 890, ";
    QTest::newRow("eleven digits") << "fr" << amount << 12345678901.0 << "12 345 678 901, ";
    QTest::newRow("negative") << "fr" << amount << -1110.21 << "-  1 110,21 ";
    QTest::newRow("negative rounding to zero") << "fr" << amount << -0.0000001 << "   0, ";
    QTest::newRow("principal") << "fr" << principal << 100000.0 << "  100 000 , ";
    QTest::newRow("en principal") << "en" << principal << 100000.0 << "  100 000 . ";
    QTest::newRow("principal with decimals") << "fr" << principal << 1500.5 << "  1 500 ,5 ";
}

void TestSimuConversions::patterns()
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

void TestSimuConversions::reformatLeavesUnreadableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("points") << "....";
    QTest::newRow("letters") << "douze";
}

void TestSimuConversions::reformatLeavesUnreadableText()
{
    QFETCH(QString, text);
    QVERIFY(!reformat(text, kAmountPattern, localeNamed(QStringLiteral("fr"))));
}

void TestSimuConversions::tabsAlignUnderHeader_data()
{
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<QString>("line");
    QTest::newRow("fixed width, first month") << false << "1\t1110,21\t\t500\t\t610,21\t\t99389,79";
    QTest::newRow("proportional, first month") << true << "1\t1110,21\t\t500\t\t610,21\t\t99389,79";
    QTest::newRow("proportional, large loan") << true << "360\t1304567,12\t\t989567,58\t\t314999,54\t\t9249685,46";
    QTest::newRow("proportional, zero columns") << true << "12\t1000\t\t0\t\t1000\t\t0";
}

void TestSimuConversions::tabsAlignUnderHeader()
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

QTEST_APPLESS_MAIN(TestSimuConversions)
#include "tst_simuconversions.moc"
