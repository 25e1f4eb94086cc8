#pragma once

#include <QHash>
#include <QMainWindow>

#include <functional>

class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace tavro {

// The frame of the whole program: a dark working area holding every other
// window, and the only menu bar.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // How a child window is made: its objectName (which the window it
    // builds carries), its caption, whether it opens maximised (or at its own
    // designed size), the factory that builds it, and its load handling, run
    // once it is on the screen so that any box it shows stands over it.
    struct ChildSpec {
        QString name;
        QString caption;
        bool maximised = true;
        std::function<QWidget *()> create;
        std::function<void(QWidget *)> load = {};
    };

    explicit MainWindow(QWidget *parent = nullptr);

    void addChildSpec(const ChildSpec &spec);

    // Shows the named window, or brings it to the front with its state when
    // it is already open.
    QWidget *openWindow(const QString &name);
    // Closes every child window, then shows the named window afresh.
    QWidget *openAlone(const QString &name);
    // Closes every child window through its ordinary close path; false when
    // one stays open (the clerk kept typing that could not be written).
    bool closeAllChildren();

    // The named child window's contents while it is open, else nullptr.
    QWidget *child(const QString &name) const;
    // The caption of the named child window's frame.
    QString captionOf(const QString &name) const { return m_specs.value(name).caption; }
    QMdiArea *workArea() const { return m_area; }

    // Shows the main window in its initial state.
    void showInitial();

    // The status bar says where look-ups are answered from: the primary
    // server, a standby, or the local copy and its age.
    void showReadOrigin();

Q_SIGNALS:
    // "QUITTER", once every child window has closed: the program ends.
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void showHelp();
    // The frame of the named window while it is open.
    QMdiSubWindow *frameOf(const QString &name) const;

    QMdiArea *m_area;
    QHash<QString, ChildSpec> m_specs;
    QLabel *m_origin = nullptr;
};

} // namespace tavro
