#pragma once

#include <QLabel>

class QTimer;

namespace tavro {

// The greeting line at the top of every working window: empty when the
// window loads, then rewritten by the window's 500 ms timer Timer1.
class ClockBanner : public QLabel {
    Q_OBJECT
public:
    // labelName is the label's objectName ("Label7", "Label19"); the timer
    // "Timer1" belongs to the window, like the label.
    ClockBanner(QWidget *window, const QString &labelName, const QString &opening, int leftTwips, int topTwips);

    QTimer *timer() const { return m_timer; }

    // One tick: date, then time, then the caption.
    void tick();

private:
    QString m_opening;
    QTimer *m_timer;
};

} // namespace tavro
