#pragma once

#include <QString>

namespace tavro {

// Invented, deterministic look-up data in the shape of the real thing:
// directorates, principal offices and their ZOLT and KIRB offices, one
// telephone row per office (a few without, one with two), the streets of 24
// invented cities, with accents, apostrophes and a few nulls.
struct SampleOptions {
    int offices = 0; // CODE rows; 0 = the bundled size
    int streets = 0; // QRT rows; 0 = the bundled size
    double scale = 1.0; // multiplies the bundled sizes when no count is given
};

struct SampleCounts {
    qint64 code = 0;
    qint64 tele = 0;
    qint64 qrt = 0;
};

// Writes a new database file. Refuses (returns false, file untouched) when a
// file is already there.
bool writeSampleDatabase(const QString &path, const SampleOptions &options, SampleCounts *counts = nullptr,
                         QString *error = nullptr);

} // namespace tavro
