#include "support/openwindows.h"

#include "app/mainwindow.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace tavro::test {

QStringList openChildNames(const MainWindow &mainWindow)
{
    QStringList names;
    for (QMdiSubWindow *frame : mainWindow.workArea()->subWindowList()) {
        if (frame->widget())
            names << frame->widget()->objectName();
    }
    names.sort();
    return names;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace tavro::test
