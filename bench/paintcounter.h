#pragma once

#include <QEvent>
#include <QWidget>

namespace tavro::bench {

// Counts the paints a widget receives, so that a figure which claims to
// include drawing can show that it did.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace tavro::bench
