#include "kit/clockbanner.h"

#include "kit/bannertext.h"
#include "kit/designfont.h"
#include "kit/layoutunits.h"

#include <QTimer>

namespace tavro {

ClockBanner::ClockBanner(QWidget *window, const QString &labelName, const QString &opening, int leftTwips, int topTwips)
    : QLabel(window)
    , m_opening(opening)
    , m_timer(new QTimer(window))
{
    setObjectName(labelName);
    setGeometry(twipsRect(leftTwips, topTwips, 6375, 375));
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255));
    setPalette(pal);
    setFont(designFont(QStringLiteral("Arial"), 9.75, true));

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &ClockBanner::tick);
    m_timer->start();
}

void ClockBanner::tick()
{
    const Clock &clock = Clock::current();
    const QDate date = clock.currentDate();
    const QTime time = clock.currentTime();
    setText(bannerText(m_opening, date, time));
}

} // namespace tavro
