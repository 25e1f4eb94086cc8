#pragma once

#include <QString>
#include <QValidator>

namespace tavro {

// What a clerk may enter into a field, by any route (keys, paste, drag and
// drop, an input method's commit): no NUL or other control character (C0,
// C1, tab, line feed), and no line or paragraph separator. No name or
// number holds one, a stored one cannot be seen, and it would cut a query
// text short or break a value over lines the column does not have.
bool refusedInEntry(QChar c);
// The text without the characters refused.
QString enteredText(const QString &text);

// Keeps the refused characters out of a one-line field as they are typed or
// pasted: they are dropped, the rest of the text stays.
class PlainTextValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

} // namespace tavro
