#pragma once

#include "simulator/tabstops.h"

#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QHash>
#include <QObject>
#include <QStaticText>
#include <QStyledItemDelegate>

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

// Draws a list line's tab-separated columns at the table's tab stops.
class TabStopDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    struct LaidPiece {
        qreal x;
        QStaticText text;
    };
    static constexpr qsizetype kKeptLines = 4096;
    const QList<LaidPiece> &laidOut(const QString &line, const QFont &font) const;
    mutable QString m_linesFont;
    mutable QHash<QString, QList<LaidPiece>> m_lines;

    // The stops depend on the font only; measuring them for every line
    // drawn cost more than drawing the line.
    const QList<qreal> &stopsFor(const QFont &font, const TextWidth &width) const;
    mutable QString m_stopsFont;
    mutable QList<qreal> m_stops;
};

// The amortization list. A line appended while the list is shown is drawn
// at once, and alone: the list lays its lines out again only when the
// calculation is over, so nothing already on screen is drawn again for every
// line (a 30-year table drew the whole view some 400 times).
class TableList : public QListWidget {
    Q_OBJECT
public:
    explicit TableList(QWidget *parent = nullptr);

    void appendLine(const QString &line);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_lineHeight = 0; // of every line, once known
    int m_pending = -1;   // the line being drawn alone, or -1
    QRect m_pendingPlace;
};

} // namespace tavro::simu
