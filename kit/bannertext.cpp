#include "kit/bannertext.h"

#include <QDateTime>

namespace tavro {

namespace {
const Clock *g_clock = nullptr;
}

QDate Clock::currentDate() const
{
    return QDate::currentDate();
}

QTime Clock::currentTime() const
{
    return QTime::currentTime();
}

const Clock &Clock::current()
{
    static const Clock system;
    return g_clock ? *g_clock : system;
}

void Clock::install(const Clock *clock)
{
    g_clock = clock;
}

QString longTimeFormat(const QLocale &locale)
{
    // Qt's long formats carry a time zone ("t"); the banner shows none.
    // Letters inside quotes are literal text and stay.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out.append(c);
    }
    return out.simplified();
}

QString bannerText(const QString &opening, const QDate &date, const QTime &time, const QLocale &locale)
{
    return opening + locale.toString(date, QLocale::ShortFormat) + QLatin1String(" , ") + QLatin1String("il est : ")
           + locale.toString(time, longTimeFormat(locale));
}

} // namespace tavro
