#include "binding/datacontrol.h"

#include "data/rows/gridcolumns.h"
#include "data/rows/recordsource.h"

#include <QHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace tavro {

namespace {

// Grid cells hold one line of plain text; a text too long for its column
// ends in "…" and shows whole in its tooltip. Drawn this way a text is
// shaped once; the general item drawing lays each one out three times over
// (eliding, then drawing), which made drawing a screenful of rows cost more
// than reading them.
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
        widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (text.isEmpty())
            return;
        const QRect box = textBox(opt);
        const QFontMetrics metrics(opt.font);
        const QString drawn = visiblePart(text);
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                                : QPalette::Inactive;
        painter->save();
        painter->setClipRect(box);
        painter->setFont(opt.font);
        painter->setPen(
            opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const int baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
        painter->drawText(QPoint(box.left(), baseline),
                          isCut(text, opt.font, box) ? metrics.elidedText(drawn, Qt::ElideRight, box.width()) : text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const int margin = textMargin(opt);
        return {textWidth(visiblePart(opt.text), opt.font) + 2 * margin + 1, QFontMetrics(opt.font).height()};
    }

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if (opt.text.isEmpty() || !isCut(opt.text, opt.font, textBox(opt))) {
            QToolTip::hideText();
            return false;
        }
        QToolTip::showText(event->globalPos(), tipOf(opt.text), view, option.rect);
        return true;
    }

    // A new result: measure afresh.
    void forgetWidths() { m_widths.clear(); }

private:
    // A text far wider than any screen is measured and drawn by its
    // beginning only: shaping a whole value of a million characters would
    // hold the window for a second at every paint.
    static constexpr qsizetype kDrawnChars = 4000;
    static QString visiblePart(const QString &text)
    {
        if (text.size() <= kDrawnChars)
            return text;
        return text.left(kDrawnChars - (text.at(kDrawnChars - 1).isHighSurrogate() ? 1 : 0)) + QChar(0x2026);
    }

    // The whole text up to a long paragraph's length, wrapped; beyond it
    // the beginning, which says it goes on: the row's fields hold the rest.
    static constexpr qsizetype kTipChars = 1000;
    static QString tipOf(const QString &text)
    {
        if (text.size() <= 100)
            return text;
        qsizetype shown = qMin(text.size(), kTipChars);
        if (shown < text.size() && text.at(shown - 1).isHighSurrogate())
            --shown;
        QString tip = QStringLiteral("<p>") + text.left(shown).toHtmlEscaped();
        if (shown < text.size())
            tip += QChar(0x2026);
        return tip + QStringLiteral("</p>");
    }

    // One answer for the drawing and the tooltip: a cell drawn cut always
    // has its tooltip.
    bool isCut(const QString &text, const QFont &font, const QRect &box) const
    {
        return visiblePart(text).size() != text.size() || textWidth(text, font) > box.width();
    }

    static int textMargin(const QStyleOptionViewItem &opt)
    {
        return opt.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
    }

    static QRect textBox(const QStyleOptionViewItem &opt)
    {
        const int margin = textMargin(opt);
        return opt.widget->style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget).adjusted(margin, 0, -margin, 0);
    }

    // Columns such as the region repeat one value down the screen: each text
    // is measured once per result and font.
    int textWidth(const QString &text, const QFont &font) const
    {
        if (font != m_widthsFont) {
            m_widths.clear();
            m_widthsFont = font;
        }
        auto width = m_widths.constFind(text);
        if (width == m_widths.constEnd())
            width = m_widths.insert(text, QFontMetrics(font).horizontalAdvance(text));
        return *width;
    }

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
        measureColumns();
    });
    m_view->viewport()->installEventFilter(this);
    measureColumns(); // the captions, before any result
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { followView(current.row()); });
    followSource(source->currentRow());
}

void DataGrid::measureColumns()
{
    // What each column would like: its widest text among the first rows, and
    // never less than its caption.
    m_view->resizeColumnsToContents();
    QHeaderView *header = m_view->horizontalHeader();
    m_wanted.clear();
    m_least.clear();
    for (int c = 0; c < header->count(); ++c) {
        m_least << header->sectionSizeHint(c);
        m_wanted << qMax(header->sectionSize(c), m_least.last());
    }
    fitColumns();
}

void DataGrid::fitColumns()
{
    // Every column in view, without a horizontal scroll bar. Room left over
    // is shared in proportion to what each column wants. Room missing is
    // taken from the widest columns first, down to a common width, never
    // below a caption: short codes and numbers stay whole while long names
    // and addresses end in "…". Only when the captions alone are wider than
    // the grid does it scroll.
    QHeaderView *header = m_view->horizontalHeader();
    const int columns = int(m_wanted.size());
    if (columns != header->count() || columns == 0)
        return;
    const int room = m_view->viewport()->width();
    int wanted = 0, least = 0;
    for (int c = 0; c < columns; ++c) {
        wanted += m_wanted[c];
        least += m_least[c];
    }
    QList<int> widths = m_least;
    if (wanted <= room) {
        for (int c = 0; c < columns; ++c)
            widths[c] = int(qint64(m_wanted[c]) * room / wanted);
    } else if (least < room) {
        auto capped = [&](int cap) {
            int total = 0;
            for (int c = 0; c < columns; ++c)
                total += qMin(m_wanted[c], qMax(cap, m_least[c]));
            return total;
        };
        int low = 0, high = *std::max_element(m_wanted.begin(), m_wanted.end());
        while (low < high) { // the widest cap that fits
            const int cap = (low + high + 1) / 2;
            if (capped(cap) <= room)
                low = cap;
            else
                high = cap - 1;
        }
        for (int c = 0; c < columns; ++c)
            widths[c] = qMin(m_wanted[c], qMax(low, m_least[c]));
    }
    if (least < room) { // rounding leaves a few pixels: the widest column takes them
        int used = 0;
        for (int w : widths)
            used += w;
        *std::max_element(widths.begin(), widths.end()) += room - used;
    }
    for (int c = 0; c < columns; ++c)
        header->resizeSection(c, widths[c]);
}

bool DataGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(watched, event);
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
