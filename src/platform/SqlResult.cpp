#include "platform/SqlResult.h"

#include "platform/Log.h"

namespace qv {

SqlParam::SqlParam(std::int64_t value) : m_kind(Integer), m_integer(value) {}

SqlParam::SqlParam(Decimal value, int decimals) : m_kind(Exact), m_bytes(value.toSqlText(decimals).toStdString()) {}

SqlParam::SqlParam(const QString &value) : m_kind(Text), m_bytes(value.toUtf8().toStdString()) {}

void SqlStatus::set(const QString &state, const QString &message, unsigned int errorNumber)
{
    m_result.m_state = state;
    m_result.m_message = message;
    m_result.m_connectionLost = false;
    m_result.m_errorNumber = errorNumber;
    m_result.m_connectFailure = ConnectFailure::None;
    if (m_result.failed()) {
        // One line per distinct failure: a server that stays away is not
        // written down again at every retry.
        const QString line =
            QStringLiteral("SQLSTATE %1%2: %3")
                .arg(state, errorNumber ? QStringLiteral(" (%1)").arg(errorNumber) : QString(), message);
        if (line != m_lastLogged)
            log::error(QStringLiteral("banco de dados: ") + line);
        m_lastLogged = line;
    }
}

} // namespace qv
