#pragma once

class QApplication;

namespace tavro {

class MainWindow;

// Fonts and styles the whole program relies on; call before any window exists.
void setupApplication(QApplication &app);

// Declares every child window the main window's menu opens.
void registerWindows(MainWindow &mainWindow);

enum class StartMode {
    Interactive,
    // Ends as soon as the start-up window is shown and painted: the start-up
    // benchmark times the whole process with it.
    QuitWhenShown,
};

// The whole program: main window, start-up window, event loop.
int runProgram(int argc, char *argv[], StartMode mode = StartMode::Interactive);

} // namespace tavro
