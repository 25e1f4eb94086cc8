#include "simulator/conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace tavro::simu {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// An ASCII number that the callers have already checked, read with "." as
// decimal point whatever the process's C locale says. Beyond a double it is
// an infinity, below the smallest one zero.
double toDouble(const std::string &ascii)
{
    double value = 0;
    const char *first = ascii.data();
    const char *last = first + ascii.size();
    const bool negative = first != last && *first == '-';
    if (negative)
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc::result_out_of_range)
        return negative ? -value : value;

    // Out of range: the power of ten of the first significant digit says
    // which way.
    const std::string_view text(first, std::size_t(last - first));
    const std::size_t e = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, e);
    long long power = e == std::string_view::npos ? 0 : std::strtoll(std::string(text.substr(e + 1)).c_str(), nullptr, 10);
    power = std::clamp(power, -1000000LL, 1000000LL);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t firstDigit = mantissa.find_first_of("123456789");
    if (firstDigit < point)
        power += (long long)(point - firstDigit) - 1;
    else if (firstDigit != std::string_view::npos)
        power -= (long long)(firstDigit - point);
    const double magnitude = power > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

qsizetype commonPrefix(QStringView a, QStringView b)
{
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a.at(n) == b.at(n))
        ++n;
    return n;
}

qsizetype commonSuffix(QStringView a, QStringView b)
{
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a.at(a.size() - 1 - n) == b.at(b.size() - 1 - n))
        ++n;
    return n;
}

// Drops the ASCII zeros at the end of a decimal part.
QString withoutTrailingZeros(QString digits)
{
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    return digits;
}

} // namespace

bool principalKeyPasses(QChar typed)
{
    return isAsciiDigit(typed);
}

bool decimalKeyPasses(QChar typed)
{
    return isAsciiDigit(typed) || typed == QLatin1Char('.');
}

EditCheck filterEdit(QStringView before, QString &after, int &cursor, bool (*passes)(QChar), int limit)
{
    const QStringView edited(after);
    const qsizetype size = edited.size();
    const qsizetype at = std::clamp<qsizetype>(cursor, 0, size);
    const qsizetype tail = size - at;
    qsizetype start = 0;
    qsizetype end = 0;
    if (tail <= before.size() && edited.mid(at) == before.right(tail)) {
        // Typing, pasting and dropping leave the cursor after what came in.
        end = at;
        start = commonPrefix(before.left(before.size() - tail), edited.left(at));
    } else {
        // Elsewhere (an undo): the part that differs.
        start = commonPrefix(before, edited);
        end = size - commonSuffix(before.mid(start), edited.mid(start));
    }
    QString kept;
    for (const QChar c : edited.mid(start, end - start)) {
        if (passes(c))
            kept += c;
    }
    if (limit > 0)
        kept.truncate(std::max<qsizetype>(0, limit - (size - (end - start))));
    if (kept.size() == end - start)
        return EditCheck::Kept;
    if (kept.isEmpty())
        return EditCheck::Refused;
    after = edited.left(start) + kept + edited.mid(end);
    cursor = int(start + kept.size());
    return EditCheck::Corrected;
}

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
            if (a == '-')
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
    auto startsAt = [&](const QString &token) { return !token.isEmpty() && QStringView(compact).mid(i).startsWith(token); };
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
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const QString scientific = QString::fromLatin1(buffer, written.ptr - buffer);
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

    QString wholeDigits;
    QString fractionDigits;
    if (std::fabs(value) < 1e15) {
        const QString fixed = QString::number(std::fabs(value), 'f', places);
        const qsizetype dot = fixed.indexOf(QLatin1Char('.'));
        wholeDigits = dot < 0 ? fixed : fixed.left(dot);
        fractionDigits = withoutTrailingZeros(dot < 0 ? QString() : fixed.mid(dot + 1));
    } else {
        // A double holds no more than fifteen sure digits; the rest of a
        // huge amount is written as zeros, as the number text does.
        const std::optional<QString> text = numberText(std::fabs(value), QLocale::c());
        wholeDigits = text ? *text : QString();
    }
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
