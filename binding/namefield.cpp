#include "binding/namefield.h"

#include "binding/textentry.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace tavro {

namespace {

// A piece of a long value as one paragraph: laid out in a millisecond or
// two, where a paragraph of 100,000 characters takes seconds.
constexpr int kPieceChars = 1000;

// A text that arrives as a whole (pasted, dropped, composed): its line
// breaks join the lines with one blank, then the entry rule holds.
QString asOneLine(const QString &text)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n\\x{0B}\\x{0C}\\x{85}\\x{2028}\\x{2029}]+\\s*"));
    return enteredText(QString(text).replace(lineBreaks, QStringLiteral(" ")));
}

// The text as the box holds it: a stored line break as a line separator
// inside its paragraph, and a paragraph end after about every thousand
// characters, at a blank when there is one near.
QString laidOut(const QString &value)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\\r\\n|[\\r\\n\\x{2029}]"));
    QString text = QString(value).replace(lineBreaks, QString(QChar::LineSeparator));
    if (text.size() <= kPieceChars)
        return text;
    QString pieces;
    pieces.reserve(text.size() + text.size() / (kPieceChars / 2) + 1);
    qsizetype start = 0;
    while (text.size() - start > kPieceChars) {
        qsizetype end = start + kPieceChars;
        // Looked for within the piece only: a value without a blank is not
        // searched to its beginning for every piece.
        const qsizetype blank = QStringView(text).mid(start, kPieceChars).lastIndexOf(QLatin1Char(' '));
        if (blank > kPieceChars / 2)
            end = start + blank + 1;
        else if (text.at(end - 1).isHighSurrogate())
            --end;
        pieces += QStringView(text).mid(start, end - start);
        pieces += QChar::ParagraphSeparator;
        start = end;
    }
    pieces += QStringView(text).mid(start);
    return pieces;
}

// Text of the box back as the value: the pieces joined, line separators as
// line feeds.
QString joined(QString text)
{
    text.remove(QChar::ParagraphSeparator);
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

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

QString NameField::value() const
{
    return joined(document()->toRawText());
}

void NameField::setValue(const QString &value)
{
    setPlainText(laidOut(value));
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

bool NameField::eraseAcrossSeam(bool backwards)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return false;
    const QTextBlock block = cursor.block();
    const bool atSeam =
        backwards ? cursor.atBlockStart() && block.previous().isValid() : cursor.atBlockEnd() && block.next().isValid();
    if (!atSeam)
        return false;
    cursor.beginEditBlock();
    // The seam goes first, then the character beyond it.
    if (backwards) {
        cursor.deletePreviousChar();
        cursor.deletePreviousChar();
    } else {
        cursor.deleteChar();
        cursor.deleteChar();
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
    return true;
}

void NameField::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    if (!isReadOnly() && event->modifiers() == Qt::NoModifier
        && ((event->key() == Qt::Key_Backspace && eraseAcrossSeam(true))
            || (event->key() == Qt::Key_Delete && eraseAcrossSeam(false)))) {
        event->accept();
        return;
    }
    const QString text = event->text();
    if (std::any_of(text.begin(), text.end(), refusedInEntry)) {
        // A key whose text holds a refused character (one a keyboard map or
        // a tool sends as a key) enters the rest, a line break as a blank; a
        // shortcut such as Ctrl+V, whose text is a control character, still
        // works by its key.
        QKeyEvent allowed(event->type(), event->key(), event->modifiers(), asOneLine(text), event->isAutoRepeat(),
                          quint16(event->count()));
        QPlainTextEdit::keyPressEvent(&allowed);
        event->setAccepted(allowed.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NameField::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    const QString allowed = asOneLine(commit);
    if (allowed == commit) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(allowed, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void NameField::insertFromMimeData(const QMimeData *source)
{
    // Pasted or dropped: a long text is laid out in pieces like a shown one.
    if (source->hasText())
        insertPlainText(laidOut(asOneLine(source->text())));
}

QMimeData *NameField::createMimeDataFromSelection() const
{
    // Copied or dragged: the value's own text, without the pieces' seams.
    auto *data = new QMimeData;
    data->setText(joined(textCursor().selectedText()));
    return data;
}

void NameField::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitLines();
}

} // namespace tavro
