#include "app/mainwindow.h"

#include "app/stafflist.h"
#include "data/database/localcopy.h"
#include "data/rows/module1.h"
#include "kit/dialogs.h"
#include "records/querytext.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace tavro {

namespace {

// The help box shows the very password the record windows compare against.
const QString kHelpText = QStringLiteral("MOT DE PASS: ") + kEditPassword + QStringLiteral(" ");
const QString kHelpTitle = QStringLiteral("POUR MODIFIER UTILISER MOT DE PASS ");

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_area(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(authorName());
    m_area->setObjectName(QStringLiteral("MDIClient"));
    m_area->setBackground(QColor(64, 64, 64));
    setCentralWidget(m_area);
    createMenus();
    // Which server the counter reads from, kept true as windows open, the
    // copy ages and a server answers again.
    auto *every = new QTimer(this);
    connect(every, &QTimer::timeout, this, &MainWindow::showReadOrigin);
    every->start(30 * 1000);
}

void MainWindow::showReadOrigin()
{
    // A file on this machine needs no word: the bar is there for a server.
    const Connection *shared = Module1::connection();
    const ReadOrigin origin = shared ? shared->readsFrom() : ReadOrigin{};
    if (origin.kind == ReadOrigin::Kind::File) {
        if (m_origin)
            statusBar()->hide();
        return;
    }
    if (!m_origin) {
        m_origin = new QLabel(this);
        m_origin->setObjectName(QStringLiteral("ReadOrigin"));
        statusBar()->addWidget(m_origin, 1);
    }
    m_origin->setText(readOriginText(origin, QDateTime::currentDateTime()));
    statusBar()->show();
}

void MainWindow::createMenus()
{
    // Captions upper case, no access keys, no shortcuts: as the users know them.
    QMenu *fich = menuBar()->addMenu(QStringLiteral("FICHIER"));
    fich->setObjectName(QStringLiteral("FICH"));
    fich->menuAction()->setObjectName(QStringLiteral("FICH"));
    auto item = [this](QMenu *menu, const char *name, const char *caption, auto slot) {
        QAction *a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    item(fich, "CPO", "CODE POSTALE", [this] { openWindow(QStringLiteral("cp")); });
    item(fich, "TELE", "TELEPHONE", [this] { openAlone(QStringLiteral("tel")); });
    item(fich, "ADRE", "ADRESSES", [this] { openWindow(QStringLiteral("adr")); });
    item(fich, "SIM", "SIMULATEUR", [this] { openAlone(QStringLiteral("simu")); });
    fich->addSeparator()->setObjectName(QStringLiteral("sep"));
    item(fich, "QUIT", "QUITTER", [this] {
        if (closeAllChildren())
            Q_EMIT quitRequested();
    });

    QMenu *inter = menuBar()->addMenu(QStringLiteral("?"));
    inter->setObjectName(QStringLiteral("INTER"));
    inter->menuAction()->setObjectName(QStringLiteral("INTER"));
    item(inter, "AID", "AIDE", [this] { showHelp(); });
    item(inter, "APRO", "A PROPOS", [this] { openAlone(QStringLiteral("aprop")); });
}

void MainWindow::addChildSpec(const ChildSpec &spec)
{
    m_specs.insert(spec.name, spec);
}

void MainWindow::showInitial()
{
    // Without a window manager (a bare X server, a kiosk session) "maximised"
    // is only a wish: take the whole screen explicitly as well.
    if (!isVisible()) {
        if (const QScreen *s = screen())
            setGeometry(s->availableGeometry());
    }
    showMaximized();
}

QMdiSubWindow *MainWindow::frameOf(const QString &name) const
{
    // The work area's own list is the only record of what is open. A frame
    // that was closed is hidden until its deletion: it no longer counts.
    const auto frames = m_area->subWindowList();
    for (QMdiSubWindow *frame : frames) {
        if (!frame->isHidden() && frame->widget() && frame->widget()->objectName() == name)
            return frame;
    }
    return nullptr;
}

QWidget *MainWindow::child(const QString &name) const
{
    QMdiSubWindow *frame = frameOf(name);
    return frame ? frame->widget() : nullptr;
}

QWidget *MainWindow::openWindow(const QString &name)
{
    if (!isVisible())
        showInitial();
    if (QMdiSubWindow *frame = frameOf(name)) {
        m_area->setActiveSubWindow(frame);
        frame->raise();
        return frame->widget();
    }
    const auto spec = m_specs.constFind(name);
    if (spec == m_specs.constEnd() || !spec->create)
        return nullptr;

    QWidget *contents = spec->create();
    QMdiSubWindow *frame = m_area->addSubWindow(contents);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowTitle(spec->caption);
    if (spec->maximised)
        frame->showMaximized();
    else
        frame->show();
    m_area->setActiveSubWindow(frame);
    if (spec->load)
        spec->load(contents);
    showReadOrigin();
    return contents;
}

bool MainWindow::closeAllChildren()
{
    // Each child closes through its ordinary close path, which writes typing
    // not yet saved; a window the clerk chose to keep open stops the rest,
    // and the command that asked goes no further.
    const auto frames = m_area->subWindowList();
    const QList<QPointer<QMdiSubWindow>> open(frames.begin(), frames.end());
    for (const QPointer<QMdiSubWindow> &frame : open) {
        if (frame && !frame->isHidden() && !frame->close()) {
            m_area->setActiveSubWindow(frame);
            return false;
        }
    }
    return true;
}

QWidget *MainWindow::openAlone(const QString &name)
{
    // The main window closes with all its children, then opens again in its
    // initial state holding the chosen window alone.
    if (!closeAllChildren())
        return nullptr;
    showInitial();
    return openWindow(name);
}

void MainWindow::showHelp()
{
    Dialogs::current().message(this, {.text = kHelpText, .title = kHelpTitle});
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (closeAllChildren())
        event->accept();
    else
        event->ignore();
}

} // namespace tavro
