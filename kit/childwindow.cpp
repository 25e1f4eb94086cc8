#include "kit/childwindow.h"

#include <QMdiSubWindow>

namespace tavro {

void closeChildWindow(QWidget *window)
{
    for (QWidget *w = window->parentWidget(); w; w = w->parentWidget()) {
        if (auto *frame = qobject_cast<QMdiSubWindow *>(w)) {
            frame->close();
            return;
        }
    }
    window->close();
}

} // namespace tavro
