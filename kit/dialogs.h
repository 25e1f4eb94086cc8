#pragma once

#include "data/status.h"

#include <QFlags>
#include <QString>

class QWidget;

namespace tavro {

// The short title of every box that gives none of its own.
QString applicationTitle();

enum class MsgIcon { None, Critical, Question, Warning, Information };

// The toolkit's standard buttons, so its translation names them.
enum MsgButton { NoButton = 0x0, Ok = 0x1, Yes = 0x2, No = 0x4, Cancel = 0x8, Retry = 0x10, Discard = 0x20 };
inline constexpr MsgButton kAllButtons[] = {Ok, Yes, No, Cancel, Retry, Discard};
Q_DECLARE_FLAGS(MsgButtons, MsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgButtons)

struct MessageSpec {
    QString text;
    QString title = applicationTitle();
    MsgButtons buttons = Ok;
    MsgIcon icon = MsgIcon::None;
    MsgButton defaultButton = NoButton; // NoButton: the first of the buttons
    bool rightToLeft = false;           // text right-aligned, right-to-left reading order
};

// Every message box and input box of the program goes through here, so tests
// answer them from a script instead of a modal loop. A box is centred on
// the window given as its parent, the child window it belongs to rather
// than the whole main window.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows a modal message box and returns the button pressed.
    virtual MsgButton message(QWidget *parent, const MessageSpec &spec) = 0;

    // Shows a modal input box with an empty field; returns the typed text, or
    // the empty text on Cancel.
    virtual QString input(QWidget *parent, const QString &prompt, const QString &title) = 0;

    // The dialogs in use: the real boxes unless a test installed its own.
    static Dialogs &current();
    // Not owned; nullptr brings back the real boxes.
    static void install(Dialogs *dialogs);
};

// Shorthand for the common box: text, OK only, no icon, application title.
MsgButton inform(QWidget *parent, const QString &text);

// A failure as the user reads it: its message, OK only, the application
// title. The engine's own words, if any, go to standard error for an
// administrator, never into the box.
void reportFailure(QWidget *parent, const Status &failure, MsgIcon icon = MsgIcon::Critical);

// A failure, then a question on what to do about it, answered by one of the
// buttons; the engine's words go to standard error as above.
MsgButton askAfterFailure(QWidget *parent, const Status &failure, const QString &question, const QString &title,
                          MsgButtons buttons, MsgButton defaultButton);

} // namespace tavro
