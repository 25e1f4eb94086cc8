#include "simulator/tabstops.h"

#include "simulator/loan.h"

#include <algorithm>

namespace tavro::simu {

QList<qreal> tableTabStops(const TextWidth &width)
{
    const qreal digit = width(QStringLiteral("0"));
    const qreal number = width(QStringLiteral("00000"));
    // A column is a little narrower than "Mensualités", which then runs past
    // the payment's first tab stop, and wider than an amount in the millions.
    const qreal header = width(QStringLiteral("Mensualités"));
    const qreal amount = width(QStringLiteral("0000000,00"));
    const qreal column = amount < header ? (amount + header) / 2 : header * 0.9;
    // The gap spreads the four amount columns under the whole rule.
    const qreal rule = width(ruleLine());
    const qreal gap = std::max(2 * digit, (rule - number - 4 * column) / 3);

    QList<qreal> stops{number};
    for (int i = 0; i < 4; ++i) {
        stops << stops.last() + column;
        stops << stops.last() + gap;
    }
    return stops;
}

QList<TabPiece> layOutTabs(const QString &line, const QList<qreal> &stops, const TextWidth &width)
{
    QList<TabPiece> pieces;
    const QStringList parts = line.split(QLatin1Char('\t'));
    const qreal lastGap = stops.size() >= 2 ? stops.last() - stops.at(stops.size() - 2) : 64;
    qreal x = 0;
    qsizetype stop = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            // The next stop strictly past the current end.
            while (stop < stops.size() && stops.at(stop) <= x)
                ++stop;
            if (stop < stops.size()) {
                x = stops.at(stop);
            } else {
                qreal next = stops.isEmpty() ? lastGap : stops.last();
                while (next <= x)
                    next += lastGap;
                x = next;
            }
        }
        if (!parts.at(i).isEmpty())
            pieces.append({x, parts.at(i)});
        x += width(parts.at(i));
    }
    return pieces;
}

} // namespace tavro::simu
