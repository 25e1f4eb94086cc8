#include "data/rowstore.h"

#include "data/sqltext.h"

#include <cstring>

namespace tavro {

namespace {

// Lengths are stored as unsigned LEB128: 0 for a null, length + 1 otherwise.
std::size_t varintSize(quint64 v)
{
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

char *putVarint(char *p, quint64 v)
{
    while (v >= 0x80) {
        *p++ = char(0x80 | (v & 0x7f));
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

const char *getVarint(const char *p, quint64 *v)
{
    quint64 result = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
        result |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            break;
        shift += 7;
    }
    *v = result;
    return p;
}

} // namespace

void RowStore::reset(int columns, int keys)
{
    m_columns = columns;
    m_keys = keys;
    m_blocks.clear();
    m_rows.clear();
    m_rowids.clear();
}

char *RowStore::allocate(std::size_t bytes, quint64 *where)
{
    if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < bytes) {
        // A record never straddles two blocks; an outsized one gets its own.
        Block block;
        block.size = std::max(kBlockSize, bytes);
        block.data = std::make_unique_for_overwrite<char[]>(block.size);
        m_blocks.push_back(std::move(block));
    }
    Block &b = m_blocks.back();
    *where = (quint64(m_blocks.size() - 1) << 32) | quint64(b.used);
    char *p = b.data.get() + b.used;
    b.used += bytes;
    return p;
}

bool RowStore::writeRecord(const char *const *texts, const int *lengths, quint64 *where)
{
    std::size_t size = 0;
    for (int i = 0; i < m_columns; ++i) {
        const quint64 stored = texts && texts[i] ? quint64(lengths[i]) + 1 : 0;
        size += varintSize(stored) + (stored ? std::size_t(lengths[i]) : 0);
    }
    if (size >= (quint64(1) << 32))
        return false; // an offset within a block must fit in 32 bits
    char *p = allocate(size, where);
    for (int i = 0; i < m_columns; ++i) {
        if (texts && texts[i]) {
            p = putVarint(p, quint64(lengths[i]) + 1);
            std::memcpy(p, texts[i], std::size_t(lengths[i]));
            p += lengths[i];
        } else {
            p = putVarint(p, 0);
        }
    }
    return true;
}

int RowStore::appendRow()
{
    if (!appendRow(nullptr, nullptr))
        return -1;
    return rowCount() - 1;
}

bool RowStore::appendRow(const char *const *texts, const int *lengths)
{
    if (m_rows.size() >= std::size_t(std::numeric_limits<int>::max()))
        return false;
    quint64 where = 0;
    if (!writeRecord(texts, lengths, &where))
        return false;
    m_rows.push_back(where);
    m_rowids.resize(m_rowids.size() + std::size_t(m_keys), kNoKey);
    return true;
}

bool RowStore::setCell(int row, int column, const char *utf8, int length)
{
    std::vector<const char *> texts(static_cast<std::size_t>(m_columns));
    std::vector<int> lengths(static_cast<std::size_t>(m_columns));
    for (int i = 0; i < m_columns; ++i)
        texts[i] = i == column ? utf8 : bytes(row, i, &lengths[i]);
    if (utf8)
        lengths[column] = length;
    // The new record is written before the row points at it, so the old
    // bytes read above stay valid while they are copied.
    quint64 where = 0;
    if (!writeRecord(texts.data(), lengths.data(), &where))
        return false;
    m_rows[std::size_t(row)] = where;
    return true;
}

void RowStore::setKey(int row, int key, qint64 rowid)
{
    m_rowids[std::size_t(row) * m_keys + key] = rowid;
}

void RowStore::removeRow(int row)
{
    // The record's bytes stay in their block until the next reset.
    m_rows.erase(m_rows.begin() + row);
    const auto first = m_rowids.begin() + std::ptrdiff_t(row) * m_keys;
    m_rowids.erase(first, first + m_keys);
}

const char *RowStore::record(int row) const
{
    const quint64 where = m_rows[std::size_t(row)];
    return m_blocks[std::size_t(where >> 32)].data.get() + (where & 0xffffffffu);
}

const char *RowStore::bytes(int row, int column, int *length) const
{
    const char *p = record(row);
    for (int i = 0;; ++i) {
        quint64 stored = 0;
        p = getVarint(p, &stored);
        if (i == column) {
            *length = stored ? int(stored - 1) : 0;
            return stored ? p : nullptr;
        }
        if (stored)
            p += stored - 1;
    }
}

bool RowStore::isNull(int row, int column) const
{
    int length = 0;
    return bytes(row, column, &length) == nullptr;
}

QString RowStore::text(int row, int column) const
{
    int length = 0;
    const char *p = bytes(row, column, &length);
    return p ? storedText(p, qsizetype(length)) : QString();
}

qint64 RowStore::key(int row, int k) const
{
    return m_rowids[std::size_t(row) * m_keys + k];
}

std::size_t RowStore::arenaBytes() const
{
    std::size_t total = 0;
    for (const Block &b : m_blocks)
        total += b.size;
    return total;
}

} // namespace tavro
