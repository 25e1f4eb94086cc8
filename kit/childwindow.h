#pragma once

class QWidget;

namespace tavro {

// Closes a window shown inside the main window: its frame goes, and with it
// the window (frames delete themselves on close). Outside a frame the
// window itself closes.
void closeChildWindow(QWidget *window);

} // namespace tavro
