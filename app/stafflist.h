#pragma once

#include <QStringList>

namespace tavro {

// The author: the main window's caption, and last in the staff list.
QString authorName();

// The branch's staff as the About window's button lists them, one box each,
// in this order; the author comes last. Names are in upper case like the
// roles; some lines end in a blank, as they always have.
QStringList staffLines();

} // namespace tavro
