#pragma once

#include "simulator/lineprinter.h"

#include <QFont>
#include <QPainter>

#include <memory>

class QPrinter;

namespace tavro::simu {

// The table on the default printer: lines drawn in the list's font with
// its tab stops, a new page when one is full. The job goes to the printer
// when the document ends; a document left unfinished is abandoned.
class TablePrinter final : public LinePrinter {
public:
    explicit TablePrinter(const QFont &font);
    ~TablePrinter() override;

    Status printLine(const QString &line) override;
    Status endDocument() override;

private:
    Status start();

    QFont m_font;
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    QList<qreal> m_stops;
    qreal m_y = 0;
};

} // namespace tavro::simu
