#include "data/rowstore.h"

#include <cstring>

namespace tavro {

void RowStore::reset(int columns, int keys)
{
    m_columns = columns;
    m_keys = keys;
    m_arena.clear();
    m_cells.clear();
    m_rowids.clear();
    m_order.clear();
    m_slots = 0;
}

int RowStore::appendRow()
{
    m_cells.resize(m_cells.size() + std::size_t(m_columns));
    m_rowids.resize(m_rowids.size() + std::size_t(m_keys), kNoKey);
    m_order.push_back(m_slots++);
    return int(m_order.size()) - 1;
}

bool RowStore::setCell(int row, int column, const char *utf8, int length)
{
    Cell &c = m_cells[std::size_t(m_order[row]) * m_columns + column];
    if (!utf8) {
        c = Cell{};
        return true;
    }
    if (m_arena.size() + std::size_t(length) >= kNull)
        return false;
    c.offset = quint32(m_arena.size());
    c.length = quint32(length);
    m_arena.insert(m_arena.end(), utf8, utf8 + length);
    return true;
}

void RowStore::setKey(int row, int key, qint64 rowid)
{
    m_rowids[std::size_t(m_order[row]) * m_keys + key] = rowid;
}

void RowStore::removeRow(int row)
{
    // The slot's cells stay in the arena until the next reset: a deleted row
    // is rare, and moving a million offsets for it is not worth it.
    m_order.erase(m_order.begin() + row);
}

bool RowStore::isNull(int row, int column) const
{
    return cell(row, column).length == kNull;
}

QString RowStore::text(int row, int column) const
{
    const Cell &c = cell(row, column);
    if (c.length == kNull)
        return {};
    return QString::fromUtf8(m_arena.data() + c.offset, qsizetype(c.length));
}

const char *RowStore::bytes(int row, int column, int *length) const
{
    const Cell &c = cell(row, column);
    if (c.length == kNull) {
        *length = 0;
        return nullptr;
    }
    *length = int(c.length);
    return m_arena.data() + c.offset;
}

qint64 RowStore::key(int row, int k) const
{
    return m_rowids[std::size_t(m_order[row]) * m_keys + k];
}

} // namespace tavro
