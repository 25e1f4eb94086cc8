#pragma once

#include "data/status.h"

#include <QString>

namespace tavro {

// Invented, deterministic look-up data in the shape of the real thing:
// directorates, principal offices and their ZOLT and KIRB offices, one
// telephone row per office (a few without, one with two), the streets of 24
// invented cities, with accents, apostrophes and a few nulls.
struct SampleOptions {
    int offices = 0;      // CODE rows; 0 = the bundled size
    int streets = 0;      // QRT rows; 0 = the bundled size
    double scale = 1.0;   // multiplies the bundled sizes when no count is given
    bool replace = false; // what is there is replaced (see WriteOptions), not refused
};

struct SampleCounts {
    qint64 code = 0;
    qint64 tele = 0;
    qint64 qrt = 0;
};

// Writes a new database file, or fills a server database, through the
// tools' writer (Database::writer()), and says how many rows each table
// got. Refuses, leaving it untouched, a file that is already there and a
// server's tables that hold rows, unless told to replace them; a failure
// part-way leaves no file and changes nothing on a server.
Result<SampleCounts> writeSampleDatabase(const QString &target, const SampleOptions &options);

} // namespace tavro
