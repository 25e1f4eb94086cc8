#include "simulator/lineprinter.h"

namespace tavro::simu {

Status printLines(LinePrinter &printer, const QStringList &lines)
{
    for (const QString &line : lines) {
        if (Status s = printer.printLine(line); !s)
            return s;
    }
    return printer.endDocument();
}

} // namespace tavro::simu
