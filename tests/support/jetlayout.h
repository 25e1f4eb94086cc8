#pragma once

// Where things lie in the bytes of an Access (Jet) file, found the way the
// engine lays them out, for the importer's tests and damage benchmark: each
// damages a copy at a computed place (a byte, a bit) rather than keeping
// damaged files. Offsets are from the start of the file; -1 when not found.
#include <QByteArray>
#include <QList>
#include <QString>

namespace tavro::jetlayout {

// A column's entry in its table's definition (on the definition's first page).
struct ColumnEntry {
    qsizetype number = -1;      // 2 bytes: its bit in the null mask
    qsizetype flags = -1;       // 1 byte: 0x01 fixed length
    qsizetype compression = -1; // 1 byte, Jet 4: 0x01 Unicode compression
};
ColumnEntry column(const QByteArray &file, const QString &table, const QString &column);

// One slot of a data page of a table, Jet 4.
struct Slot {
    quint32 page = 0;
    int slot = 0;
    qsizetype entry = -1; // 2 bytes: the row's offset in the page, and its flags
    qsizetype start = -1; // the row, up to end
    qsizetype end = -1;
    quint16 flags = 0; // 0x8000 deleted or a moved row's new place, 0x4000 moved
};
// Every slot of the table's data pages, in the file's order.
QList<Slot> rowSlots(const QByteArray &file, const QString &table);
// The live rows among them that did not move.
QList<Slot> liveRows(const QByteArray &file, const QString &table);

// In a Jet 4 row: its count of variable columns (2 bytes), and where the
// value of the variable column of the given place starts.
qsizetype varCount(const QByteArray &file, const Slot &row);
qsizetype varValue(const QByteArray &file, const Slot &row, int varNumber);

// The little-endian value of `size` bytes at `at`; a copy with it replaced.
quint32 get(const QByteArray &file, qsizetype at, int size);
QByteArray put(QByteArray file, qsizetype at, int size, quint32 value);

// A copy with the declared length of a memo changed by `delta`: the memo of
// the variable column of the given place in the first live row of the table
// whose memo is kept as `flags` says (0x80 in the row, 0x40 on one page of
// its own, 0x00 on a chain of pages). Empty if there is none.
QByteArray memoLength(const QByteArray &file, const QString &table, int varNumber, quint8 flags, int delta);

} // namespace tavro::jetlayout
