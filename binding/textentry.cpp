#include "binding/textentry.h"

#include <algorithm>

namespace tavro {

bool refusedInEntry(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

QString enteredText(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), refusedInEntry))
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!refusedInEntry(c))
            out.append(c);
    }
    return out;
}

QValidator::State PlainTextValidator::validate(QString &input, int &pos) const
{
    const QString clean = enteredText(input);
    if (clean.size() != input.size()) {
        // The cursor keeps its place among the characters that stay.
        pos -= int(input.left(pos).size() - enteredText(input.left(pos)).size());
        input = clean;
    }
    return Acceptable;
}

} // namespace tavro
