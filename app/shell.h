#pragma once

class QApplication;
class QLocale;

namespace tavro {

class MainWindow;

// Fonts, styles and the toolkit's language the whole program relies on;
// call before any window exists.
void setupApplication(QApplication &app);

// Qt's own texts (standard buttons, context menus, system menus, file and
// print dialogs) in the language of locale, from the toolkit's translations
// (qtbase); English when none is installed for it.
void useToolkitLanguage(const QLocale &locale);

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
