#pragma once

#include "simulator/tabstops.h"

#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QObject>
#include <QStyledItemDelegate>
#include <QValidator>

#include <functional>

class QLineEdit;

namespace tavro::simu {

// A result caption that shows itself in the amount pattern: the write
// reformats at once, so whoever reads the caption back gets the shown text.
class ResultLabel : public QLabel {
    Q_OBJECT
public:
    ResultLabel(const QString &name, const QLocale &locale, QWidget *parent);
    // A caption that does not read as a number (an empty one) stays as given.
    void write(const QString &caption);

private:
    QLocale m_locale;
};

// Discards the typed characters a field does not take; editing keys
// (backspace, arrows, shortcuts) pass.
class KeyFilter : public QObject {
    Q_OBJECT
public:
    KeyFilter(QLineEdit *field, std::function<bool(QChar)> accepts);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<bool(QChar)> m_accepts;
};

// Judges whatever else brings text into a field (pasting, dropping, an
// input method) as the key filter judges typed keys, and holds the field
// to its length: the line edit's own limit would cut a pasted text before
// the refused characters are dropped from it.
class InputFilter : public QValidator {
    Q_OBJECT
public:
    InputFilter(QLineEdit *field, bool (*passes)(QChar), int limit);
    State validate(QString &input, int &pos) const override;
    // The program's own text (a grouped amount), written as it is.
    void write(const QString &text);

private:
    QLineEdit *m_field;
    bool (*m_passes)(QChar);
    int m_limit;
    QString m_before; // the field's text before the edit being judged
    bool m_writing = false;
};

// Draws a list line's tab-separated columns at the table's tab stops.
class TabStopDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    // The stops depend on the font only; measuring them for every line
    // drawn cost more than drawing the line.
    const QList<qreal> &stopsFor(const QFont &font, const TextWidth &width) const;
    mutable QString m_stopsFont;
    mutable QList<qreal> m_stops;
};

} // namespace tavro::simu
