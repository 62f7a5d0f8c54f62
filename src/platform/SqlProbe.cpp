#include "platform/SqlProbe.h"

#include "platform/Sql.h"

namespace qv {

SqlTestProbe &SqlTestProbe::on(Sql &sql)
{
    if (auto *probe = dynamic_cast<SqlTestProbe *>(sql.probe()))
        return *probe;
    auto probe = std::make_unique<SqlTestProbe>();
    SqlTestProbe &installed = *probe;
    sql.setProbe(std::move(probe));
    return installed;
}

void SqlTestProbe::failNext(std::string_view text, const QString &state, const QString &message)
{
    m_failures[std::string(text)] = {state, message};
}

std::optional<SqlProbe::Failure> SqlTestProbe::failure(std::string_view text)
{
    auto it = m_failures.find(text);
    if (it == m_failures.end())
        return std::nullopt;
    Failure failure = it->second;
    m_failures.erase(it);
    return failure;
}

void SqlTestProbe::sent(std::string_view text, std::span<const SqlParam> params)
{
    if (m_sent)
        m_sent->push_back({std::string(text), std::vector<SqlParam>(params.begin(), params.end())});
}

} // namespace qv
