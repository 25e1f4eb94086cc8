#pragma once

class QApplication;

namespace tavro {

class MainWindow;

// Fonts and styles the whole program relies on; call before any window exists.
void setupApplication(QApplication &app);

// Declares every child window the main window's menu opens.
void registerWindows(MainWindow &mainWindow);

} // namespace tavro
