#pragma once

#include <QLabel>

namespace tavro {

class RecordSource;

// The line under a record window's title that says, for as long as it is
// so, that the rows come from the counter's local copy and saving is not
// possible; then that a server answers again, until the clerk's next
// action reads the rows from it, the same row shown and the typing kept.
class CopyBanner : public QLabel {
    Q_OBJECT
public:
    explicit CopyBanner(QWidget *parent);

    // The rows it speaks of, and the window whose actions bring them back
    // from the server.
    void watch(RecordSource *source, QWidget *window);

    // On the copy, tells the clerk that saving needs the server and gives
    // true: the action goes no further.
    bool refusesSaving();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showOrigin();
    void serverAnswers();

    RecordSource *m_source = nullptr;
    QWidget *m_window = nullptr;
    bool m_serverBack = false;
};

} // namespace tavro
