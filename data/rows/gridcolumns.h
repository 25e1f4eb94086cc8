#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QString>

namespace tavro {

class RecordSource;

// A column of a window's grid: its caption, and the result column it shows.
struct GridColumn {
    QString caption;
    QString name;
};

// The columns a window declares for its grid, each a caption and a column
// name, laid over a RecordSource by name. A declared column that the
// current result lacks shows empty cells. Cells are read from the source on
// demand: nothing is copied, and scrolling runs no query.
class GridColumns : public QAbstractTableModel {
    Q_OBJECT
public:
    GridColumns(RecordSource *source, const QList<GridColumn> &columns, QObject *parent = nullptr);

    // Column of the source shown in grid column c, or -1 when it is missing.
    int sourceColumn(int c) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void remap();

    QPointer<RecordSource> m_source;
    QList<GridColumn> m_columns;
    QList<int> m_map;
    int m_marked = -1;
};

} // namespace tavro
