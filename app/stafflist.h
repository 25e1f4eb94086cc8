#pragma once

#include <QStringList>

namespace tavro {

// The branch's staff as the About window's button lists them, one box each,
// in this order; the author, named by the caller, comes last. Names are in
// upper case like the roles; some lines end in a blank, as they always have.
QStringList staffLines(const QString &author);

} // namespace tavro
