#include "data/datacontrol.h"

#include "data/gridcolumns.h"
#include "data/recordsource.h"

#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace tavro {

namespace {

// Grid cells hold one line of plain text, cut at the cell's edge as the old
// grid did. Drawn this way a text is shaped once; the general item drawing
// lays each one out three times over (eliding, then drawing), which made
// drawing a screenful of rows cost more than reading them.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget *widget = opt.widget;
        QStyle *style = widget->style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (text.isEmpty())
            return;
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect box = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
        const QFontMetrics metrics(opt.font);
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
            : (opt.state & QStyle::State_Active)                                 ? QPalette::Normal
                                                                                  : QPalette::Inactive;
        painter->save();
        painter->setClipRect(box);
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                     : QPalette::Text));
        const int baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
        painter->drawText(QPoint(box.left(), baseline), text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget *widget = opt.widget;
        const int margin = widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QFontMetrics metrics(opt.font);
        // Columns such as the region repeat one value down the screen: each
        // text is measured once per result and font.
        if (opt.font != m_widthsFont) {
            m_widths.clear();
            m_widthsFont = opt.font;
        }
        auto width = m_widths.constFind(opt.text);
        if (width == m_widths.constEnd())
            width = m_widths.insert(opt.text, metrics.horizontalAdvance(opt.text));
        return {*width + 2 * margin + 1, metrics.height()};
    }

    // A new result: measure afresh.
    void forgetWidths() { m_widths.clear(); }

private:
    mutable QHash<QString, int> m_widths;
    mutable QFont m_widthsFont;
};

} // namespace

DataGrid::DataGrid(DataControl *control, const QList<GridColumn> &columns, QWidget *parent)
    : QWidget(parent)
    , m_control(control)
    , m_caption(new QLabel(this))
    , m_view(new QTableView(this))
{
    setObjectName(QStringLiteral("DataGrid1"));
    auto *model = new GridColumns(control->source(), columns, this);

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
    auto *cells = new CellDelegate(m_view);
    m_view->setItemDelegate(cells);
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
    connect(source, &RecordSource::refreshed, this, [this, cells] {
        cells->forgetWidths();
        m_view->resizeColumnsToContents();
    });
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
