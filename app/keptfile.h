#pragma once

#include "binding/datacontrol.h"
#include "data/status.h"

#include <QList>
#include <QString>

namespace tavro {

// Typing the program could not write before it had to end, kept in the
// user's state folder until a later start puts it back or the clerk gives
// it up: $XDG_STATE_HOME/tavro/saisie-gardee.json (by default
// ~/.local/state/tavro/), readable by the user alone.
QString keptTypingFile();

// Replaces what the file keeps, written whole or not at all (a new file
// put in the place of the old); nothing kept removes the file.
Status writeKeptTyping(const QList<KeptTyping> &kept);

// What the file keeps: nothing when there is no file. A file that cannot be
// read as one of ours is set aside under another name, never lost, and its
// new name is in the failure.
Result<QList<KeptTyping>> readKeptTyping();

// One piece of kept typing as the clerk reads it: the window, the row (its
// first values) or a new row, and each field typed with its text.
QString describeKeptTyping(const KeptTyping &kept, const QString &windowCaption);

} // namespace tavro
