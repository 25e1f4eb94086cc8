#pragma once

#include "data/status.h"

#include <QStringList>

namespace tavro::simu {

inline const QString kNoPrinterMessage =
    QStringLiteral("Aucune imprimante par défaut n'est installée.\nLe tableau n'a pas été imprimé.");
inline const QString kPrintFailedMessage =
    QStringLiteral("L'impression du tableau a échoué : vérifiez l'imprimante puis recommencez.");

// The printer as the table sees it: lines of text, then the end of the
// document, after which the printer outputs it.
class LinePrinter {
public:
    virtual ~LinePrinter() = default;
    virtual Status printLine(const QString &line) = 0;
    virtual Status endDocument() = 0;
};

// Every line in order, then the end of the document; stops at the first
// failure and returns it.
Status printLines(LinePrinter &printer, const QStringList &lines);

} // namespace tavro::simu
