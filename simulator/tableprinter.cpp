#include "simulator/tableprinter.h"

#include "simulator/loan.h"
#include "simulator/tabstops.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace tavro::simu {

TablePrinter::TablePrinter(const QFont &font)
    : m_font(font)
{
}

TablePrinter::~TablePrinter()
{
    if (m_painter.isActive()) {
        m_printer->abort();
        m_painter.end();
    }
}

Status TablePrinter::start()
{
    if (m_painter.isActive())
        return Status::success();
    // Without a printer Qt would quietly write a file nobody asked for.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return Status::failure(kNoPrinterMessage);
    m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    m_printer->setDocName(kTableTitle);
    if (!m_painter.begin(m_printer.get()))
        return Status::failure(kPrintFailedMessage);
    m_painter.setFont(m_font);
    const QFontMetricsF metrics = m_painter.fontMetrics();
    m_stops = tableTabStops([metrics](const QString &text) { return metrics.horizontalAdvance(text); });
    m_y = 0;
    return Status::success();
}

Status TablePrinter::printLine(const QString &line)
{
    if (Status s = start(); !s)
        return s;
    const QFontMetricsF metrics = m_painter.fontMetrics();
    const qreal pageHeight = m_printer->pageRect(QPrinter::DevicePixel).height();
    if (m_y > 0 && m_y + metrics.height() > pageHeight) {
        if (!m_printer->newPage())
            return Status::failure(kPrintFailedMessage);
        m_y = 0;
    }
    const TextWidth width = [metrics](const QString &text) { return metrics.horizontalAdvance(text); };
    for (const TabPiece &piece : layOutTabs(line, m_stops, width))
        m_painter.drawText(QPointF(piece.x, m_y + metrics.ascent()), piece.text);
    m_y += metrics.lineSpacing();
    return Status::success();
}

Status TablePrinter::endDocument()
{
    if (!m_painter.isActive()) {
        // Nothing was printed: no page to send, but a missing printer is
        // still worth saying.
        return QPrinterInfo::defaultPrinter().isNull() ? Status::failure(kNoPrinterMessage) : Status::success();
    }
    if (!m_painter.end())
        return Status::failure(kPrintFailedMessage);
    return Status::success();
}

} // namespace tavro::simu
