#pragma once

#include <QFont>

namespace tavro {

// A font as a window's design names it. A family missing here is replaced by
// its substitute from start-up (QFont::insertSubstitution): fontconfig would
// otherwise answer a missing family with a face of its own choosing, so Qt
// never consults the substitution table for it.
QFont designFont(const QString &family, qreal pointSize, bool bold);

} // namespace tavro
