#pragma once

#include "data/status.h"
#include "data/tablewriter.h"

#include <QString>

#include <memory>

namespace tavro {

class TemporaryTarget;

// A new database file put in place whole or not at all. Its rows go to a
// temporary file beside the target (TARGET.import-XXXXXX, so the final
// rename stays on one file system), locked while in use so that a later
// write can tell one abandoned by a killed run from one in progress, and
// removed on failure and on the signals that end a program. place() renames
// it into place in one step; destroyed before that, it goes.
class NewFile {
public:
    // Checks the target (its folder there, no folder at its name, no file
    // unless `replace`), removes temporary files left by killed runs, and
    // makes the temporary file.
    static Result<std::unique_ptr<NewFile>> create(const QString &target, bool replace, WriteNotes *notes);
    ~NewFile();
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    const QString &temporaryPath() const;

    // The new file gets the rights of this one (a file it remakes), not
    // those of any new file of the user.
    void takeRightsOf(const QString &path);

    // Flushes the temporary file to disk and renames it to the target.
    // Without `replace` an existing target is never replaced, not even one
    // that appeared meanwhile; with it the old file first gets a dated name
    // beside it (notes->backup). A symbolic link at the target's name is
    // replaced, never the file it leads to.
    Status place(WriteNotes *notes);

private:
    NewFile(const QString &target, bool replace);

    QString m_target;
    bool m_replace;
    int m_mode = -1; // the rights to give, -1: a new file's
    std::unique_ptr<TemporaryTarget> m_temporary;
};

// A failure, told with what was kept: no file written.
Status nothingWrittenToFile(const Status &failure);

} // namespace tavro
