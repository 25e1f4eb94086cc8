#include "app/shell.h"

#include "app/aboutwindow.h"
#include "app/mainwindow.h"
#include "records/adrwindow.h"
#include "records/cpwindow.h"
#include "records/telwindow.h"

#include <QApplication>
#include <QFont>

namespace tavro {

void setupApplication(QApplication &app)
{
    // Arial resolves to the metric-compatible Liberation Sans. The old
    // dialog font has no match here, and Qt's generic "Sans Serif" would
    // fall back to a monospaced face, so both are pinned explicitly.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"));
    QFont::insertSubstitution(QStringLiteral("Sans Serif"), QStringLiteral("Arial"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    app.setFont(font);
    app.setApplicationName(QStringLiteral("tavro"));
}

namespace {

// Windows not built yet show as empty frames with their caption.
QWidget *placeholder()
{
    auto *w = new QWidget;
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    w->setPalette(pal);
    return w;
}

// A record window is built, then loaded: initial query and pick lists.
template <typename Window>
QWidget *recordWindow()
{
    auto *w = new Window;
    w->load();
    return w;
}

} // namespace

void registerWindows(MainWindow &mainWindow)
{
    mainWindow.addChildSpec({QStringLiteral("cp"), QStringLiteral("Code postale"), true, recordWindow<CpWindow>});
    mainWindow.addChildSpec({QStringLiteral("tel"), QStringLiteral("Téléphone"), true, recordWindow<TelWindow>});
    mainWindow.addChildSpec({QStringLiteral("adr"), QStringLiteral("Adresses"), true, recordWindow<AdrWindow>});
    mainWindow.addChildSpec({QStringLiteral("simu"), QStringLiteral("Simulateur"), true, placeholder});
    mainWindow.addChildSpec({QStringLiteral("aprop"), QStringLiteral("Form1"), false, [] { return new AboutWindow; }});
}

} // namespace tavro
