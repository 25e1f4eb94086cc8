#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

namespace tavro {

// Greeting of the record windows and of the simulator (capital "O").
inline const QString kRecordBannerOpening = QStringLiteral("KIRB TALMIRT, on est le ");
inline const QString kSimulatorBannerOpening = QStringLiteral("KIRB TALMIRT, On est le ");

// Where the banner reads the date, then the time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate currentDate() const;
    virtual QTime currentTime() const;

    // The clock in use: the system's unless a test installed its own.
    static const Clock &current();
    static void install(const Clock *clock); // not owned; nullptr restores
};

// The user's long time format without a time-zone part: hours, minutes, seconds.
QString longTimeFormat(const QLocale &locale);

// opening + short date + " , " + "il est : " + long time.
QString bannerText(const QString &opening, const QDate &date, const QTime &time, const QLocale &locale = QLocale::system());

} // namespace tavro
