#pragma once

#include <QString>

namespace tavro {

// What a data operation says back: ok, or a French message for the user.
struct Status {
    QString error;
    bool ok() const { return error.isEmpty(); }
    explicit operator bool() const { return ok(); }
    static Status success() { return {}; }
    static Status failure(const QString &message) { return {message}; }
};

} // namespace tavro
