#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace tavro {

// Why an operation failed, for the callers that act on it. What the user
// reads is the status's message; no caller looks inside that text.
enum class Fault {
    None,
    Busy,        // another program holds the data past the wait
    ReadOnly,    // the file, its folder or the account may not be written
    Full,        // no room left where the data live
    Conflict,    // a colleague changed or deleted the row since it was read
    Unavailable, // the data cannot be reached or opened
    Refused,     // the request cannot be done here (nothing to save, rows that cannot be edited)
    Replaced,    // the file was replaced by another since it was opened: the rows shown are the old one's
    Other,
};

// What an operation says back: ok, or a failure with a French message for
// the user in up to three parts: what happened, what was kept, what to do.
// The engine's own words, where there are any, are kept apart for an
// administrator (standard error), never shown in a box.
class Status {
public:
    Status() = default;
    static Status success() { return {}; }
    static Status failure(Fault fault, QString what, QString kept = {}, QString advice = {})
    {
        Status s;
        s.m_fault = fault == Fault::None ? Fault::Other : fault;
        s.m_what = std::move(what);
        s.m_kept = std::move(kept);
        s.m_advice = std::move(advice);
        return s;
    }
    static Status failure(QString message) { return failure(Fault::Other, std::move(message)); }

    bool ok() const { return m_fault == Fault::None; }
    explicit operator bool() const { return ok(); }
    Fault fault() const { return m_fault; }

    const QString &what() const { return m_what; }
    const QString &kept() const { return m_kept; }
    const QString &advice() const { return m_advice; }
    // The parts that are there, one per line.
    QString message() const;

    const QString &detail() const { return m_detail; }
    Status &withDetail(QString detail)
    {
        m_detail = std::move(detail);
        return *this;
    }

private:
    Fault m_fault = Fault::None;
    QString m_what;
    QString m_kept;
    QString m_advice;
    QString m_detail;
};

// A value, or the failure that kept it from coming back.
template <typename T>
class Result {
public:
    Result(T value)
        : m_value(std::move(value))
    {
    }
    Result(Status failure)
        : m_status(failure.ok() ? Status::failure(QStringLiteral("Erreur interne.")) : std::move(failure))
    {
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const Status &status() const { return m_status; }

    T &value() { return *m_value; }
    const T &value() const { return *m_value; }
    T &operator*() { return *m_value; }
    const T &operator*() const { return *m_value; }
    T *operator->() { return &*m_value; }
    const T *operator->() const { return &*m_value; }

private:
    std::optional<T> m_value;
    Status m_status;
};

} // namespace tavro
