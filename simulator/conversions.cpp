#include "simulator/conversions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavro::simu {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// strtod on an ASCII number that the callers have already checked; the C
// locale's "." is the decimal point here whatever the user's locale.
double toDouble(const std::string &ascii)
{
    return std::strtod(ascii.c_str(), nullptr);
}

// Drops the ASCII zeros at the end of a decimal part.
QString withoutTrailingZeros(QString digits)
{
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    return digits;
}

} // namespace

double prefixReading(QStringView text)
{
    // Accepted characters are gathered first so that blanks between them,
    // which the old reading skipped, do not end the number.
    std::string number;
    enum class Part { Sign, Integer, Fraction, ExponentSign, Exponent } part = Part::Sign;
    bool mantissaDigits = false;
    std::string exponent;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        const char a = c.toLatin1();
        if (part == Part::Sign && (a == '+' || a == '-')) {
            number += a;
            part = Part::Integer;
        } else if (isAsciiDigit(c) && part <= Part::Fraction) {
            number += a;
            mantissaDigits = true;
            if (part == Part::Sign)
                part = Part::Integer;
        } else if (a == '.' && part <= Part::Integer) {
            number += a;
            part = Part::Fraction;
        } else if ((a == 'E' || a == 'e') && mantissaDigits && part <= Part::Fraction) {
            exponent.assign(1, 'e');
            part = Part::ExponentSign;
        } else if (part == Part::ExponentSign && (a == '+' || a == '-')) {
            exponent += a;
            part = Part::Exponent;
        } else if (isAsciiDigit(c) && part >= Part::ExponentSign) {
            exponent += a;
            part = Part::Exponent;
        } else {
            break;
        }
    }
    if (!mantissaDigits)
        return 0.0;
    // An exponent without digits ("1E", "1E-") is not part of the number.
    if (!exponent.empty() && isAsciiDigit(QLatin1Char(exponent.back())))
        number += exponent;
    return toDouble(number);
}

std::optional<double> localeReading(QStringView text, const QLocale &locale)
{
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();

    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace())
            compact += c;
    }

    std::string number;
    qsizetype i = 0;
    auto startsAt = [&](const QString &token) {
        return !token.isEmpty() && QStringView(compact).mid(i).startsWith(token);
    };
    if (startsAt(minus) || compact.startsWith(QLatin1Char('-'))) {
        number += '-';
        i += startsAt(minus) ? minus.size() : 1;
    } else if (startsAt(plus) || compact.startsWith(QLatin1Char('+'))) {
        i += startsAt(plus) ? plus.size() : 1;
    }

    bool digits = false;
    bool inFraction = false;
    while (i < compact.size()) {
        const QChar c = compact.at(i);
        if (isAsciiDigit(c)) {
            number += c.toLatin1();
            digits = true;
            ++i;
        } else if (!inFraction && startsAt(decimal)) {
            number += '.';
            inFraction = true;
            i += decimal.size();
        } else if (!inFraction && digits && startsAt(group) && i + group.size() < compact.size()
                   && isAsciiDigit(compact.at(i + group.size()))) {
            // A grouping separator stands between digits of the whole part.
            i += group.size();
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    const double value = toDouble(number);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QString> numberText(double value, const QLocale &locale)
{
    if (!std::isfinite(value))
        return std::nullopt;
    if (std::fabs(value) < 5e-16)
        return QStringLiteral("0");

    // Fifteen significant digits and the power of ten of the first one.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    const QString scientific = QString::fromLatin1(buffer);
    const qsizetype e = scientific.indexOf(QLatin1Char('e'));
    const QString digits = scientific.left(e).remove(QLatin1Char('.'));
    const int exponent = scientific.mid(e + 1).toInt();

    QString whole;
    QString fraction;
    const int point = exponent + 1; // digits before the decimal separator
    if (point >= digits.size()) {
        whole = digits + QString(point - digits.size(), QLatin1Char('0'));
    } else if (point <= 0) {
        whole = QStringLiteral("0");
        fraction = QString(-point, QLatin1Char('0')) + digits;
    } else {
        whole = digits.left(point);
        fraction = digits.mid(point);
    }
    fraction = withoutTrailingZeros(fraction);

    QString out = value < 0 ? locale.negativeSign() : QString();
    out += whole;
    if (!fraction.isEmpty())
        out += locale.decimalPoint() + fraction;
    return out;
}

std::optional<double> roundTwo(double value)
{
    const double cents = value * 100.0;
    if (!std::isfinite(cents))
        return std::nullopt;
    // The default floating-point rounding mode sends an exact half to the
    // even neighbour.
    return std::nearbyint(cents) / 100.0;
}

std::optional<QString> formatPattern(double value, QStringView pattern, const QLocale &locale)
{
    if (!std::isfinite(value))
        return std::nullopt;

    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QStringView wholePattern = point < 0 ? pattern : pattern.left(point);
    const QStringView fractionPattern = point < 0 ? QStringView() : pattern.mid(point + 1);
    int places = 0;
    for (const QChar c : fractionPattern) {
        if (c == QLatin1Char('#') || c == QLatin1Char('0'))
            ++places;
    }

    const QString fixed = QString::number(std::fabs(value), 'f', places);
    const qsizetype dot = fixed.indexOf(QLatin1Char('.'));
    QString wholeDigits = dot < 0 ? fixed : fixed.left(dot);
    const QString fractionDigits = withoutTrailingZeros(dot < 0 ? QString() : fixed.mid(dot + 1));
    while (wholeDigits.startsWith(QLatin1Char('0')))
        wholeDigits.remove(0, 1);
    const bool negative = value < 0 && !(wholeDigits.isEmpty() && fractionDigits.isEmpty());

    // Whole part: digit positions filled from the right, literals kept;
    // digits beyond the positions go in front of the leftmost one.
    qsizetype leftmost = 0;
    while (leftmost < wholePattern.size() && wholePattern.at(leftmost) != QLatin1Char('#')
           && wholePattern.at(leftmost) != QLatin1Char('0'))
        ++leftmost;
    QString filled;
    qsizetype next = wholeDigits.size(); // digits still to place, from the right
    for (qsizetype i = wholePattern.size() - 1; i >= leftmost; --i) {
        const QChar c = wholePattern.at(i);
        if (c == QLatin1Char('#') || c == QLatin1Char('0')) {
            if (next > 0)
                filled.prepend(wholeDigits.at(--next));
            else if (c == QLatin1Char('0'))
                filled.prepend(QLatin1Char('0'));
        } else {
            filled.prepend(c);
        }
    }
    const QString whole = wholePattern.left(leftmost).toString() + wholeDigits.left(next) + filled;

    QString out = negative ? locale.negativeSign() : QString();
    out += whole;
    if (point >= 0) {
        out += locale.decimalPoint();
        qsizetype d = 0;
        for (const QChar c : fractionPattern) {
            if (c == QLatin1Char('#') || c == QLatin1Char('0')) {
                if (d < fractionDigits.size())
                    out += fractionDigits.at(d);
                else if (c == QLatin1Char('0'))
                    out += QLatin1Char('0');
                ++d;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::optional<QString> reformat(QStringView text, QStringView pattern, const QLocale &locale)
{
    const std::optional<double> value = localeReading(text, locale);
    if (!value)
        return std::nullopt;
    return formatPattern(*value, pattern, locale);
}

} // namespace tavro::simu
