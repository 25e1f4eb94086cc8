#pragma once

#include "data/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tavro {

struct ImportOptions {
    QString source;     // the Access file, or a BD2003.mdb of the program's own; only ever read
    QString target;     // the BD2003.mdb to write, or a server database's connection string
    bool force = false; // replace an existing target (a file kept as a backup), or a server's rows
    QByteArray charset; // code page of a Jet 3 file's text; empty: the header's
};

struct ImportedTable {
    QString name;
    qint64 rows = 0;
};

struct ImportReport {
    int jetVersion = 0;           // 0: the source was a file of the program's own
    QList<ImportedTable> tables;  // CODE, TELE, QRT with the rows copied
    QStringList leftOut;          // tables and TABLE.COLUMN of the source we do not copy
    QStringList damagedLeftOut;   // "TABLE.COLUMN, qui <why>", columns not copied whose definition is damaged
    qint64 loneSurrogates = 0;    // values where half a UTF-16 pair alone was read as U+FFFD
    qint64 nulStripped = 0;       // values copied without the NUL characters they held
    QString backup;               // where the replaced target now is; empty if none was there
    QStringList removedLeftovers; // temporary files of interrupted imports to the same target
};

// Copies every row of CODE, TELE and QRT, in the source's order and with
// NULL kept apart from the empty text (NUL characters dropped, as the program
// drops them from what a clerk types), into a new file with the program's
// schema and text rules, or a server database, through the tools' writer
// (data/tablewriter.h): the target gets everything or nothing. A new file
// goes to a temporary file beside it, renamed into place at the end; any
// failure, SIGINT, SIGTERM or SIGHUP leaves neither that file nor a target
// behind, and one left by a killed import to the same target is removed
// first (data/sqlite/newfile.h).
Status importAccessFile(const ImportOptions &options, ImportReport *report);

} // namespace tavro
