#include "records/namefield.h"

#include "data/sqltext.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextDocument>

#include <cmath>

namespace tavro {

NameField::NameField(const QString &name, int lines, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_lines(lines)
{
    setObjectName(name);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fitLines();
}

void NameField::fitLines()
{
    const qreal text = m_lines * fontMetrics().lineSpacing() + 2 * document()->documentMargin();
    const QMargins around = contentsMargins() + viewportMargins();
    setFixedHeight(int(std::ceil(text)) + around.top() + around.bottom() + 2);
}

QSize NameField::sizeHint() const
{
    return {qMax(minimumWidth(), QPlainTextEdit::minimumSizeHint().width()), height()};
}

void NameField::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NameField::insertFromMimeData(const QMimeData *source)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    if (source->hasText())
        insertPlainText(withoutControlCharacters(source->text().replace(lineBreaks, QStringLiteral(" "))));
}

void NameField::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitLines();
}

} // namespace tavro
