#include "data/rows/gridcolumns.h"

#include "data/rows/recordsource.h"

namespace tavro {

GridColumns::GridColumns(RecordSource *source, const QList<GridColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_source(source)
    , m_columns(columns)
{
    remap();
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, &GridColumns::beginResetModel);
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
        remap();
        endResetModel();
    });
    connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex &, int first, int last) { beginInsertRows({}, first, last); });
    connect(source, &QAbstractItemModel::rowsInserted, this, &GridColumns::endInsertRows);
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { beginRemoveRows({}, first, last); });
    connect(source, &QAbstractItemModel::rowsRemoved, this, &GridColumns::endRemoveRows);
    connect(source, &RecordSource::currentRowChanged, this, [this](int row) {
        const int marked = m_marked;
        m_marked = row;
        if (marked >= 0 && marked < rowCount())
            Q_EMIT headerDataChanged(Qt::Vertical, marked, marked);
        if (row >= 0)
            Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    });
    connect(source, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from, const QModelIndex &to) {
        if (!m_columns.isEmpty())
            Q_EMIT dataChanged(index(from.row(), 0), index(to.row(), columnCount() - 1));
    });
}

void GridColumns::remap()
{
    m_map.clear();
    for (const GridColumn &c : m_columns)
        m_map << (m_source ? m_source->columnIndex(c.name) : -1);
}

int GridColumns::sourceColumn(int c) const
{
    return c >= 0 && c < m_map.size() ? m_map[c] : -1;
}

int GridColumns::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_source ? 0 : m_source->rowCount();
}

int GridColumns::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant GridColumns::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_source || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int c = sourceColumn(index.column());
    if (c < 0)
        return QString();
    return m_source->data(m_source->index(index.row(), c), role);
}

QVariant GridColumns::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? m_columns[section].caption : QVariant();
    // The record selector column carries no numbers, only the current row's mark.
    return m_source && section == m_source->currentRow() ? QStringLiteral("\u25B6") : QString();
}

Qt::ItemFlags GridColumns::flags(const QModelIndex &index) const
{
    // Editing goes through the bound fields, which the window's lock guards.
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace tavro
