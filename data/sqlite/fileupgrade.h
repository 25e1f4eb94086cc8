#pragma once

#include "data/tablewriter.h"

namespace tavro {

// Gives the tables of a BD2003.mdb file that lack it the key CLE (see
// Database::upgrade()): the file is copied page for page beside itself,
// the copy's tables remade with the key and their rows in rowid order, and
// the copy checked and put in the file's place, the file kept under a
// dated name. A file whose tables all have the key is left as it is.
Result<UpgradeNotes> upgradeFile(const QString &path);

} // namespace tavro
