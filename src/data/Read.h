#pragma once

#include "platform/Sql.h"

#include <optional>
#include <utility>

namespace qv {

// The outcome of a read of one row: found (with its value), absent (the
// server answered that there is none) or failed (the server's error). A
// caller cannot drop it unread, and cannot take a failure for an absent row:
// a failed read that passes for "none" is how a table came to open with no
// service fee when the parameters could not be read.
template <typename T>
class [[nodiscard]] Read
{
public:
    static Read found(T value)
    {
        Read r;
        r.m_value = std::move(value);
        return r;
    }
    static Read absent()
    {
        Read r;
        r.m_absent = true;
        return r;
    }
    static Read failed(const SqlResult &result)
    {
        Read r;
        r.m_result = result;
        return r;
    }
    // From a statement's outcome and the row it read into.
    static Read of(const SqlResult &result, T value)
    {
        if (result.ok())
            return found(std::move(value));
        if (result.noRow())
            return absent();
        return failed(result);
    }

    bool isFound() const { return m_value.has_value(); }
    bool isAbsent() const { return m_absent; }
    bool isFailed() const { return !isFound() && !m_absent; }
    // The value; only of a found read.
    const T &value() const { return *m_value; }
    // The value, or `otherwise` when absent or failed.
    T valueOr(T otherwise) const { return m_value ? *m_value : std::move(otherwise); }
    // The server's answer to a failed read (SQLSTATE, text, connection lost).
    DbError error() const { return m_result.error(); }
    const SqlResult &result() const { return m_result; }

private:
    Read() = default;
    std::optional<T> m_value;
    bool m_absent = false;
    SqlResult m_result;
};

} // namespace qv
