#include "simulator/simuwidgets.h"

#include "simulator/conversions.h"
#include "simulator/tabstops.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>

namespace tavro::simu {

ResultLabel::ResultLabel(const QString &name, const QLocale &locale, QWidget *parent)
    : QLabel(parent)
    , m_locale(locale)
{
    setObjectName(name);
}

void ResultLabel::write(const QString &caption)
{
    setText(reformat(caption, kAmountPattern, m_locale).value_or(caption));
}

KeyFilter::KeyFilter(QLineEdit *field, std::function<bool(QChar)> accepts)
    : QObject(field)
    , m_accepts(std::move(accepts))
{
    field->installEventFilter(this);
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        // Only typed characters are judged; control characters come from
        // editing keys and shortcuts.
        if (!text.isEmpty() && text.at(0).isPrint() && !m_accepts(text.at(0)))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

namespace {

constexpr int kPadding = 6;

TextWidth widthIn(const QFontMetricsF &metrics)
{
    return [metrics](const QString &text) { return metrics.horizontalAdvance(text); };
}

} // namespace

void TabStopDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString line = opt.text;
    opt.text.clear();
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(kPadding, 0, 0, 0);
    const qreal top = text.top() + (text.height() - QFontMetricsF(opt.font).height()) / 2;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    for (const LaidPiece &piece : laidOut(line, opt.font))
        painter->drawStaticText(QPointF(text.left() + piece.x, top), piece.text);
    painter->restore();
}

const QList<TabStopDelegate::LaidPiece> &TabStopDelegate::laidOut(const QString &line, const QFont &font) const
{
    // A line is drawn again whenever the list is: its pieces are placed and
    // shaped once, and kept while the font stays the same.
    const QString key = font.key();
    if (key != m_linesFont || m_lines.size() > kKeptLines) {
        m_lines.clear();
        m_linesFont = key;
    }
    auto it = m_lines.constFind(line);
    if (it != m_lines.constEnd())
        return *it;
    const QFontMetricsF metrics(font);
    const TextWidth width = widthIn(metrics);
    QList<LaidPiece> pieces;
    for (const TabPiece &piece : layOutTabs(line, stopsFor(font, width), width)) {
        QStaticText shaped(piece.text);
        shaped.setTextFormat(Qt::PlainText);
        shaped.setPerformanceHint(QStaticText::AggressiveCaching);
        shaped.prepare(QTransform(), font);
        pieces.append({piece.x, shaped});
    }
    return *m_lines.insert(line, pieces);
}

const QList<qreal> &TabStopDelegate::stopsFor(const QFont &font, const TextWidth &width) const
{
    if (const QString key = font.key(); key != m_stopsFont) {
        m_stops = tableTabStops(width);
        m_stopsFont = key;
    }
    return m_stops;
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QFontMetricsF metrics(opt.font);
    const TextWidth width = widthIn(metrics);
    const QList<TabPiece> pieces = layOutTabs(opt.text, stopsFor(opt.font, width), width);
    if (!pieces.isEmpty())
        size.setWidth(int(pieces.last().x + width(pieces.last().text)) + 2 * kPadding);
    return size;
}

TableList::TableList(QWidget *parent)
    : QListWidget(parent)
{
    // Every line is one line of the same font in a list as wide as its rule,
    // and the list scrolls by whole lines.
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

void TableList::appendLine(const QString &line)
{
    addItem(line);
    if (!isVisible())
        return;
    // Its lines have one height and it scrolls by whole lines, so the new
    // line's place is known without laying the list out.
    if (m_lineHeight <= 0)
        m_lineHeight = sizeHintForRow(0);
    const int shown = count() - 1 - verticalScrollBar()->value();
    if (shown < 0 || m_lineHeight <= 0 || shown * m_lineHeight >= viewport()->height())
        return; // below the view: only the scroll bar changes, once laid out
    m_pending = count() - 1;
    m_pendingPlace = QRect(0, shown * m_lineHeight, viewport()->width(), m_lineHeight);
    viewport()->repaint(m_pendingPlace);
    m_pending = -1;
}

void TableList::paintEvent(QPaintEvent *event)
{
    QListWidget::paintEvent(event);
    if (m_pending < 0)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = m_pendingPlace;
    itemDelegate()->paint(&painter, option, model()->index(m_pending, 0));
}

} // namespace tavro::simu
