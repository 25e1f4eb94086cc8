#include "binding/textentry.h"

#include "data/sqltext.h"

namespace tavro {

PlainTextValidator::PlainTextValidator(QObject *parent, bool keepTabs)
    : QValidator(parent)
    , m_keepTabs(keepTabs)
{
}

QValidator::State PlainTextValidator::validate(QString &input, int &pos) const
{
    const QString clean = withoutControlCharacters(input, m_keepTabs);
    if (clean.size() != input.size()) {
        // The cursor keeps its place among the characters that stay.
        pos -= int(input.left(pos).size() - withoutControlCharacters(input.left(pos), m_keepTabs).size());
        input = clean;
    }
    return Acceptable;
}

} // namespace tavro
