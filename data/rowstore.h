#pragma once

#include <QString>

#include <cstdint>
#include <limits>
#include <vector>

namespace tavro {

// The rows of a loaded result, kept compactly: every cell's UTF-8 bytes in
// one arena, each cell an offset and a length (or null), each row its base
// tables' rowids. Texts become QString only when asked for, so a million
// rows cost their bytes once plus a few words per cell.
class RowStore {
public:
    static constexpr qint64 kNoKey = std::numeric_limits<qint64>::min();

    void reset(int columns, int keys);
    int columnCount() const { return m_columns; }
    int keyCount() const { return m_keys; }
    int rowCount() const { return int(m_order.size()); }

    // Appends a row of nulls without rowids; fill it with setCell/setKey.
    int appendRow();
    // Returns false when the arena is full (4 GiB of text).
    bool setCell(int row, int column, const char *utf8, int length); // utf8 == nullptr: null
    void setKey(int row, int key, qint64 rowid);
    void removeRow(int row);

    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    // Raw bytes of a cell (nullptr for a null), valid until the next change.
    const char *bytes(int row, int column, int *length) const;
    qint64 key(int row, int k) const;

    // Memory in use, for benchmarks.
    std::size_t arenaBytes() const { return m_arena.size(); }

private:
    struct Cell {
        quint32 offset = 0;
        quint32 length = kNull;
    };
    static constexpr quint32 kNull = std::numeric_limits<quint32>::max();
    const Cell &cell(int row, int column) const { return m_cells[std::size_t(m_order[row]) * m_columns + column]; }

    int m_columns = 0;
    int m_keys = 0;
    std::vector<char> m_arena;
    std::vector<Cell> m_cells;      // slot-major: slot * columns + column
    std::vector<qint64> m_rowids;   // slot * keys + key
    std::vector<quint32> m_order;   // shown row -> slot; deleting moves only this
    quint32 m_slots = 0;
};

} // namespace tavro
