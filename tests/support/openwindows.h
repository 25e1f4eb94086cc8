#pragma once

#include <QStringList>

namespace tavro {
class MainWindow;
}

namespace tavro::test {

// Names of the child windows the main window holds, sorted.
QStringList openChildNames(const MainWindow &mainWindow);

// Deletes the windows that closed, as the event loop would.
void flushDeletes();

} // namespace tavro::test
