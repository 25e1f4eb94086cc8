#pragma once

#include <QValidator>

namespace tavro {

// Keeps control characters (a pasted NUL, a line feed) out of a text field
// as they are typed or pasted: they are dropped, the rest of the text stays.
class PlainTextValidator : public QValidator {
    Q_OBJECT
public:
    explicit PlainTextValidator(QObject *parent, bool keepTabs = false);
    State validate(QString &input, int &pos) const override;

private:
    bool m_keepTabs;
};

} // namespace tavro
