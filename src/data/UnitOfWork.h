#pragma once

namespace qv {

class Sql;

// All or nothing for a command that writes several rows. The outermost
// unit of work opens the transaction and alone commits it; a unit opened
// inside another joins it, and if it ends without committing the whole
// transaction is spoiled and rolled back by the outermost. Leaving the
// scope without a commit rolls back, so a failure never leaves half a
// command stored and never keeps a lock past the command.
class UnitOfWork
{
public:
    explicit UnitOfWork(Sql &sql);
    ~UnitOfWork();
    UnitOfWork(const UnitOfWork &) = delete;
    UnitOfWork &operator=(const UnitOfWork &) = delete;

    // False when the transaction could not be opened (the connection's
    // state says why); nothing may be written then.
    bool started() const { return m_started; }
    bool outermost() const { return m_outermost; }
    // The outermost stores everything and tells whether it was stored; an
    // inner one only hands its part over (true unless already spoiled).
    bool commit();

private:
    Sql &m_sql;
    bool m_started = false;
    bool m_outermost = false;
    bool m_finished = false;
};

} // namespace qv
