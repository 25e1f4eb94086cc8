#include "data/datacontrol.h"

#include "data/gridcolumns.h"
#include "data/recordsource.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace tavro {

DataGrid::DataGrid(DataControl *control, const QList<Column> &columns, QWidget *parent)
    : QWidget(parent)
    , m_control(control)
    , m_caption(new QLabel(this))
    , m_view(new QTableView(this))
{
    setObjectName(QStringLiteral("DataGrid1"));
    QList<GridColumns::Column> declared;
    for (const Column &c : columns)
        declared.append({c.caption, c.name});
    auto *model = new GridColumns(control->source(), declared, this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption->setObjectName(QStringLiteral("Caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setFrameShape(QFrame::Panel);
    m_caption->setFrameShadow(QFrame::Raised);
    m_caption->hide();
    layout->addWidget(m_caption);
    layout->addWidget(m_view, 1);

    m_view->setModel(model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setFixedWidth(16);
    m_view->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_view->horizontalHeader()->setHighlightSections(false);
    // Widths from the first rows only: a million rows are never measured.
    m_view->horizontalHeader()->setResizeContentsPrecision(50);

    RecordSource *source = control->source();
    connect(source, &RecordSource::currentRowChanged, this, &DataGrid::followSource);
    connect(source, &RecordSource::refreshed, this, [this] { m_view->resizeColumnsToContents(); });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { followView(current.row()); });
    followSource(source->currentRow());
}

void DataGrid::setCaption(const QString &caption)
{
    m_caption->setText(caption);
    m_caption->setVisible(!caption.isEmpty());
}

void DataGrid::followSource(int row)
{
    if (m_syncing)
        return;
    m_syncing = true;
    QItemSelectionModel *selection = m_view->selectionModel();
    if (row < 0) {
        selection->clear();
    } else {
        const int column = qMax(0, m_view->currentIndex().column());
        const QModelIndex target = m_view->model()->index(row, column);
        selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_view->scrollTo(target);
    }
    m_syncing = false;
}

void DataGrid::followView(int row)
{
    if (m_syncing || row < 0)
        return;
    RecordSource *source = m_control->source();
    if (row == source->currentRow())
        return;
    // A refused move (the current row could not be written) puts the grid
    // back on the row the source kept; the data control says why.
    if (!source->moveTo(row))
        followSource(source->currentRow());
}

} // namespace tavro
