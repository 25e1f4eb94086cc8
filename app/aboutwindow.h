#pragma once

#include <QFrame>

class QPushButton;

namespace tavro {

// The About window. The window's contents is itself the black frame that
// covers its client area, so the one widget the main window names "aprop" is
// that frame; the staff button sits on top of it at the bottom right.
class AboutWindow : public QFrame {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;

private:
    void showStaff();

    QPushButton *m_staffButton;
};

} // namespace tavro
