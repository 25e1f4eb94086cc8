#pragma once

#include <QPlainTextEdit>

namespace tavro {

// The taller name field of a record window: one value that wraps over the
// field's lines, so a long office or street name reads whole without
// scrolling, locked or not. Enter adds no line break, and the entry rule
// (textentry.h) holds by every route; a line break that arrives inside a
// pasted, dropped or composed text joins the lines with a blank.
//
// A value of any length is held whole and edited whole, yet only what is
// in view is laid out: the box shows a long value as pieces of about a
// thousand characters, each a paragraph of its own (the toolkit lays out a
// paragraph whole, in time that grows faster than its length), which
// value() joins again. A piece's end therefore starts a new line early,
// which only a value far longer than any name shows.
class NameField : public QPlainTextEdit {
    Q_OBJECT
public:
    NameField(const QString &name, int lines, QWidget *parent = nullptr);

    // The value shown and edited; a line break held in a stored value shows
    // as one and comes back as a line feed.
    QString value() const;
    void setValue(const QString &value);

    // Tall enough for its lines in its current font.
    void fitLines();
    // As wide as the width it is given at least; its height fits its lines.
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;
    void changeEvent(QEvent *event) override;

private:
    // Backspace or Delete at the seam of two pieces removes the character
    // beyond it, as anywhere else in the value.
    bool eraseAcrossSeam(bool backwards);

    int m_lines;
};

} // namespace tavro
