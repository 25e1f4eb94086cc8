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
    // Prints how many rows the start-up window's grid and its agencies list
    // hold, then ends; the boxes it met are printed before, answered with
    // their default button.
    // The package check starts the unpacked program with it (--check-start).
    ReportWhenShown,
    // Takes the local copy of the server database named, then ends
    // (--refresh-copy): the program runs itself so in the background.
    RefreshCopy,
};

// The whole program: command line (read before any window system is
// reached, so --help works without a display), the database setting, main
// window, start-up window, event loop.
int runProgram(int argc, char *argv[], StartMode mode = StartMode::Interactive);

} // namespace tavro
