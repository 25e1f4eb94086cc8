#pragma once

#include "data/enginefailure.h"
#include "data/status.h"

#include <SQLiteCpp/Exception.h>

#include <utility>

namespace tavro {

// SQLite's primary result code as a fault.
Fault sqliteFault(int code);

// One SQLite call whose exception must not cross a layer: the caller words
// the failure for where it happened.
template <typename Step, typename OnFailure>
Status sqliteStep(Step &&step, OnFailure &&onFailure)
{
    try {
        std::forward<Step>(step)();
        return Status::success();
    } catch (const SQLite::Exception &e) {
        return std::forward<OnFailure>(onFailure)(e);
    }
}

// An SQLite exception worded by the one engine-failure rule.
inline Status sqliteFailure(const SQLite::Exception &e, Action action, const Place &where)
{
    return engineFailure(sqliteFault(e.getErrorCode()), action, where, QString::fromUtf8(e.what()));
}

} // namespace tavro
