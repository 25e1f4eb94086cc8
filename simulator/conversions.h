#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

namespace tavro::simu {

// Amounts in the result labels.
inline const QString kAmountPattern = QStringLiteral("# ### ### ##0.###### ");
// The principal field: a blank before the decimal separator.
inline const QString kPrincipalPattern = QStringLiteral("# ### ### ##0 .###### ");

// Key filters: the principal takes digits only; the duration and the rate
// digits and ".", however many (the text is not looked at).
bool principalKeyPasses(QChar typed);
bool decimalKeyPasses(QChar typed);

// What an edit of a filtered field (a paste, a drop) brought in, judged as
// the same characters typed one by one: those the key filter refuses are
// dropped, then those beyond the field's limit (0: none). `after` and
// `cursor` are the field after the edit and are corrected in place.
enum class EditCheck {
    Kept,      // nothing came in that the filter refuses
    Corrected, // some characters dropped; `after` and `cursor` changed
    Refused,   // characters came in and none is kept: the edit is undone
};
EditCheck filterEdit(QStringView before, QString &after, int &cursor, bool (*passes)(QChar), int limit);

// The number at the start of a text, "." as decimal point whatever the
// locale; blanks anywhere are skipped. No leading number reads as 0.
double prefixReading(QStringView text);

// A whole text as a number of the given locale: blanks ignored, optional
// sign, digits (grouping allowed), optional decimal separator and digits.
// Anything else, an empty text or a value beyond a double fails.
std::optional<double> localeReading(QStringView text, const QLocale &locale);

// Up to 15 significant digits, the locale's decimal separator, no grouping,
// no trailing zeros; "0" for a value that rounds to zero. Fails on a value
// that is not finite.
std::optional<QString> numberText(double value, const QLocale &locale);

// Cents, an exact half going to the even neighbour. Fails when the value
// or the value in cents is not finite.
std::optional<double> roundTwo(double value);

// The value written in a display pattern ("#", "0", "." and literal
// characters; see kAmountPattern). Fails on a value that is not finite.
std::optional<QString> formatPattern(double value, QStringView pattern, const QLocale &locale);

// Reads a text in the locale and writes it back in the pattern; nullopt
// when the text does not read, so the caller leaves it as it is.
std::optional<QString> reformat(QStringView text, QStringView pattern, const QLocale &locale);

} // namespace tavro::simu
