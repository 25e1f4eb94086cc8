#pragma once

#include <QPlainTextEdit>

namespace tavro {

// The taller name field of a record window: one value that wraps over the
// field's lines, so a long office or street name reads whole without
// scrolling, locked or not. Enter adds no line break and pasted lines join
// with blanks: the column holds one line.
class NameField : public QPlainTextEdit {
    Q_OBJECT
public:
    NameField(const QString &name, int lines, QWidget *parent = nullptr);

    // Tall enough for its lines in its current font.
    void fitLines();
    // As wide as the width it is given at least; its height fits its lines.
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void changeEvent(QEvent *event) override;

private:
    int m_lines;
};

} // namespace tavro
