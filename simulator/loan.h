#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace tavro::simu {

inline const QString kTableTitle = QStringLiteral("Tableau d'Amortissement");
inline const QString kIncompleteMessage = QStringLiteral("veuillez saisir tous les champs");
inline const QString kDurationTooLongMessage = QStringLiteral("la durée est très longue! Entrez une Durée <=30 ans");
inline const QString kBadMonthsMessage =
    QStringLiteral("La durée en mois doit être un nombre entier de 1 à 360.\nEntrez une autre durée en années.");
inline const QString kBadPrincipalMessage =
    QStringLiteral("Le montant du crédit n'est pas un nombre valide.\nEntrez le montant en chiffres.");
inline const QString kNegativePrincipalMessage =
    QStringLiteral("Le montant du crédit ne peut pas être négatif.\nEntrez le montant sans signe moins.");
inline const QString kNegativeRateMessage =
    QStringLiteral("Le taux d'intérêt ne peut pas être négatif.\nEntrez le taux sans signe moins.");

inline constexpr double kMaxYears = 30;
inline constexpr int kMaxMonths = 360;

// The simulator's window-level variables: zero when the program starts,
// kept for the whole run, also while the window is closed.
struct LoanState {
    double balance = 0;
    double numPayment = 0;
    double interestRate = 0;
    double rate = 0;
    double factor = 0;
    double amtpayment = 0;
    double periodInterest = 0;
    double periodCapital = 0;
    qint16 periodNo = 0;

    // The one the window uses; it outlives every window.
    static LoanState &process();
};

// The fields as the calculation reads them.
struct LoanInput {
    QString principal;
    QString duration; // years
    QString months;   // as the duration rule wrote it
    QString rate;
    // The interest caption shown now: a calculation that cannot write a new
    // one reckons the total cost from it.
    QString shownInterest;
};

enum class Outcome {
    Done,
    // Nothing changed in any of these:
    Incomplete,        // a field left empty
    BadPrincipal,      // the principal does not read as a number
    NegativePrincipal, // the principal reads below zero
    BadMonths,         // the month count is not a whole number 1..360
    NegativeRate,      // the rate reads below zero
};

// What a calculation gives the window to show. The captions are already in
// the amount pattern; one that could not be worked out is absent and the
// window keeps the caption it has.
struct LoanResult {
    Outcome outcome = Outcome::Done;
    std::optional<QString> payment;
    std::optional<QString> interest;
    std::optional<QString> totalCost;
    QStringList lines; // appended to the table: two rules round the header, then a line per month
};

// The calculation behind "Calculer ". A step that cannot be done (a value
// too large for a double, say) is skipped and leaves its variables as they
// were; the others still run. Anything but Done changes nothing.
LoanResult calculate(LoanState &state, const LoanInput &input, const QLocale &locale);

// The rule of 82 "_" and the column header of every table.
QString ruleLine();
QString headerLine();

// The month count for a typed duration in years, or a null text when the
// duration is over 30 years.
QString monthsForDuration(QStringView years, const QLocale &locale);

} // namespace tavro::simu
