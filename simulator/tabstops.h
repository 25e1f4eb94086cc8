#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace tavro::simu {

// How wide a text is drawn, in the units the caller lays out in.
using TextWidth = std::function<qreal(const QString &)>;

// The columns of the amortization table for a font: the period number, then
// pairs of stops so that the header's "Mensualités" (one tab) and a payment
// (two tabs) reach the same next column. The table spans the rule line.
QList<qreal> tableTabStops(const TextWidth &width);

struct TabPiece {
    qreal x;
    QString text;
};

// A line cut at its tabs, each piece placed at the first stop past the end
// of the text before it; past the last stop, stops go on at the last gap.
QList<TabPiece> layOutTabs(const QString &line, const QList<qreal> &stops, const TextWidth &width);

} // namespace tavro::simu
