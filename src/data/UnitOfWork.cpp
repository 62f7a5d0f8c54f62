#include "data/UnitOfWork.h"

#include "platform/Sql.h"

namespace qv {

UnitOfWork::UnitOfWork(Sql &sql) : m_sql(sql)
{
    Sql::UnitState &unit = m_sql.unitState();
    if (unit.depth == 0) {
        unit.lost = false;
        if (!m_sql.begin())
            return;
        m_outermost = true;
        unit.spoiled = false;
    }
    ++unit.depth;
    m_started = true;
}

UnitOfWork::~UnitOfWork()
{
    if (!m_started || m_finished)
        return;
    Sql::UnitState &unit = m_sql.unitState();
    --unit.depth;
    if (m_outermost) {
        m_sql.rollback();
        unit.lost = false;
    } else {
        unit.spoiled = true;
    }
}

bool UnitOfWork::commit()
{
    if (!m_started || m_finished)
        return false;
    m_finished = true;
    Sql::UnitState &unit = m_sql.unitState();
    --unit.depth;
    if (!m_outermost)
        return !unit.spoiled && !unit.lost;
    const bool lost = unit.lost;
    unit.lost = false;
    if (unit.spoiled || lost) {
        m_sql.rollback();
        if (lost)
            return m_sql.commit(); // fails and tells why: the connection is gone
        return false;
    }
    return m_sql.commit();
}

} // namespace qv
