#include "simulator/loan.h"

#include "simulator/conversions.h"

#include <cmath>
#include <limits>
#include <optional>

namespace tavro::simu {

namespace {

std::optional<double> finite(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QString> roundedText(double value, const QLocale &locale)
{
    const std::optional<double> rounded = roundTwo(value);
    return rounded ? numberText(*rounded, locale) : std::nullopt;
}

// One period line: every column or none (a column that cannot be written
// skips the line, not the period).
std::optional<QString> periodLine(const LoanState &s, const QLocale &locale)
{
    const QString number = QString::number(s.periodNo);
    const std::optional<QString> payment = roundedText(s.amtpayment, locale);
    const std::optional<QString> interest = roundedText(s.periodInterest, locale);
    const std::optional<QString> capital = roundedText(s.periodCapital, locale);
    const std::optional<QString> rest = roundedText(s.balance, locale);
    if (!payment || !interest || !capital || !rest)
        return std::nullopt;
    const QString tab = QStringLiteral("\t");
    return QString(number % tab % *payment % tab % tab % *interest % tab % tab % *capital % tab % tab % *rest);
}

// A caption in the amount pattern, as the result labels show it.
std::optional<QString> shownCaption(const std::optional<QString> &text, const QLocale &locale)
{
    if (!text)
        return std::nullopt;
    return reformat(*text, kAmountPattern, locale).value_or(*text);
}

bool wholeMonthCount(double months)
{
    return std::isfinite(months) && months >= 1 && months <= kMaxMonths && std::floor(months) == months;
}

} // namespace

LoanState &LoanState::process()
{
    static LoanState state;
    return state;
}

QString ruleLine()
{
    return QString(82, QLatin1Char('_'));
}

QString headerLine()
{
    return QStringLiteral("n\tMensualités\tIntérêts\t\tCapital\t\tReste");
}

QString monthsForDuration(QStringView years, const QLocale &locale)
{
    const double reading = prefixReading(years);
    if (reading > kMaxYears)
        return QString();
    return numberText(reading * 12, locale).value_or(QStringLiteral("0"));
}

LoanResult calculate(LoanState &s, const LoanInput &input, const QLocale &locale)
{
    LoanResult result;
    if (input.principal.isEmpty() || input.duration.isEmpty() || input.rate.isEmpty()) {
        result.outcome = Outcome::Incomplete;
        return result;
    }
    // The schedule runs until the period counter meets the month count, so
    // only a whole count that the duration rule can produce is taken; the
    // principal must read too, or every figure would be an old one.
    const std::optional<double> principal = localeReading(input.principal, locale);
    if (!principal) {
        result.outcome = Outcome::BadPrincipal;
        return result;
    }
    // A negative amount or rate would give a table of negative figures that
    // reads like a real loan.
    if (*principal < 0) {
        result.outcome = Outcome::NegativePrincipal;
        return result;
    }
    const std::optional<double> months = localeReading(input.months, locale);
    if (!months || !wholeMonthCount(*months)) {
        result.outcome = Outcome::BadMonths;
        return result;
    }
    const double interestRate = prefixReading(input.rate);
    if (interestRate < 0) {
        result.outcome = Outcome::NegativeRate;
        return result;
    }

    s.balance = *principal;
    s.numPayment = *months;
    s.interestRate = interestRate;

    if (const auto rate = finite(s.interestRate / 100))
        s.rate = *rate;

    // A zero rate has no annuity formula; its payment is the principal
    // shared evenly between the months.
    const double monthly = s.rate / 12;
    const double factor = monthly == 0 ? 1 / s.numPayment : monthly / (1 - std::pow(1 + monthly, -s.numPayment));
    if (const auto f = finite(factor))
        s.factor = *f;

    if (const auto amt = finite(s.balance * s.factor))
        s.amtpayment = *amt;

    result.payment = shownCaption(roundedText(s.amtpayment, locale), locale);
    result.interest = shownCaption(roundedText(s.amtpayment * s.numPayment - s.balance, locale), locale);

    // The total adds the principal to the interest as shown, read back.
    if (const auto interest = localeReading(result.interest.value_or(input.shownInterest), locale))
        result.totalCost = shownCaption(numberText(*interest + prefixReading(input.principal), locale), locale);

    result.lines << ruleLine() << headerLine() << ruleLine();
    for (;;) {
        if (s.periodNo == std::numeric_limits<qint16>::max())
            break; // the counter cannot go further
        ++s.periodNo;
        if (const auto pi = finite((s.balance * s.rate) / 12))
            s.periodInterest = *pi;
        if (const auto pc = finite(s.amtpayment - s.periodInterest))
            s.periodCapital = *pc;
        if (const auto rest = finite(s.balance - s.periodCapital))
            s.balance = *rest;
        if (const auto line = periodLine(s, locale))
            result.lines << *line;
        if (s.periodNo >= s.numPayment)
            break;
    }
    s.periodNo = 0;
    return result;
}

} // namespace tavro::simu
