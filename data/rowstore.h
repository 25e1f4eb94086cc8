#pragma once

#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace tavro {

// The rows of a loaded result, kept compactly. Each row is one record of
// UTF-8 bytes (per column a length, or null, then the text) in large blocks
// that never move, so loading copies each text once and a million rows cost
// their bytes plus a few bytes per row; each row also keeps its base tables'
// rowids. Texts become QString only when asked for (the rows on screen).
class RowStore {
public:
    static constexpr qint64 kNoKey = std::numeric_limits<qint64>::min();

    void reset(int columns, int keys);
    int columnCount() const { return m_columns; }
    int keyCount() const { return m_keys; }
    int rowCount() const { return int(m_rows.size()); }

    // Appends a row of nulls without rowids, or -1 when the store is full.
    int appendRow();
    // Appends a row from its cells in column order (texts[i] == nullptr: a
    // null) without rowids; returns false when the store is full.
    bool appendRow(const char *const *texts, const int *lengths);
    // Replaces one cell (utf8 == nullptr: null). The old bytes stay unused
    // until the next reset: a change is rare.
    bool setCell(int row, int column, const char *utf8, int length);
    void setKey(int row, int key, qint64 rowid);
    void removeRow(int row);

    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    // Raw bytes of a cell (nullptr for a null), valid until the next reset.
    const char *bytes(int row, int column, int *length) const;
    qint64 key(int row, int k) const;

    // Bytes of the blocks in use, for benchmarks.
    std::size_t arenaBytes() const;

private:
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t size = 0;
        std::size_t used = 0;
    };
    static constexpr std::size_t kBlockSize = std::size_t(1) << 20;

    char *allocate(std::size_t bytes, quint64 *where);
    const char *record(int row) const;
    // Appends a record for texts/lengths and returns where it is.
    bool writeRecord(const char *const *texts, const int *lengths, quint64 *where);

    int m_columns = 0;
    int m_keys = 0;
    std::vector<Block> m_blocks;
    std::vector<quint64> m_rows;  // block index << 32 | offset of the row's record
    std::vector<qint64> m_rowids; // row * keys + key
};

} // namespace tavro
