#pragma once

#include <QSize>
#include <QString>

namespace tavro::bench {

// One sample file of a given size, in a folder of its own.
struct ScaleFile {
    QString name;   // "bundled", "x10", "large"
    QString folder; // holds BD2003.mdb
    QString path;   // the file itself
};

// Refresh and count of the three record windows, each query against the
// engine; with scroll, also the grid scrolled to its last row.
void benchRecordWindows(const ScaleFile &scale, int runs, bool scroll);

// A server database's local copy: taken, against COPY of the same rows;
// the postal-code window from it with the server cut, against from the server.
void benchLocalCopy(const ScaleFile &served, int runs);

// A street name of 100,000, 250,000 and 1,000,000 characters in the
// addresses window: opened on it, moved onto, its grid cell's tooltip.
void benchLongNames(const ScaleFile &scale, int runs);

// The simulator's 30-year table, calculated and shown.
void benchSimulator(int runs);

// Resident memory of a fresh process holding the addresses window on the
// file, against the text size of its result.
void benchMemory(const ScaleFile &scale);

// Saves into folder the pictures of every window inside the main window at
// the given screen size (cp, tel, adr, simu, aprop and the delete
// confirmation, confirm.png), of the postal-code grid on the file and of the
// simulator's table.
void saveScreenshots(const ScaleFile &scale, const QString &folder, QSize screen);

} // namespace tavro::bench
