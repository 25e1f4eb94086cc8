#include "simulator/simuwidgets.h"

#include "simulator/conversions.h"
#include "simulator/tabstops.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

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
        // editing keys, and shortcuts (Ctrl+V) may carry their letter.
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (!shortcut && !text.isEmpty() && text.at(0).isPrint() && !m_accepts(text.at(0)))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

InputFilter::InputFilter(QLineEdit *field, bool (*passes)(QChar), int limit)
    : QValidator(field)
    , m_field(field)
    , m_passes(passes)
    , m_limit(limit)
    , m_before(field->text())
{
    field->setValidator(this);
    // Connected before any handler of the field, so that a handler writing
    // into the field is judged against the text it saw.
    connect(field, &QLineEdit::textChanged, this, [this] { m_before = m_field->text(); });
}

QValidator::State InputFilter::validate(QString &input, int &pos) const
{
    if (m_writing)
        return Acceptable;
    return filterEdit(m_before, input, pos, m_passes, m_limit) == EditCheck::Refused ? Invalid : Acceptable;
}

void InputFilter::write(const QString &text)
{
    m_writing = true;
    m_field->setText(text);
    m_writing = false;
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
    const QFontMetricsF metrics(opt.font);
    const TextWidth width = widthIn(metrics);
    const qreal baseline = text.top() + (text.height() - metrics.height()) / 2 + metrics.ascent();
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    for (const TabPiece &piece : layOutTabs(line, stopsFor(opt.font, width), width))
        painter->drawText(QPointF(text.left() + piece.x, baseline), piece.text);
    painter->restore();
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

} // namespace tavro::simu
