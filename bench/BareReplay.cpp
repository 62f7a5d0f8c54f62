#include "BareReplay.h"

#include <mysql.h>

#include <cstring>
#include <stdexcept>

namespace qv::bench {

struct BareReplay::Step
{
    MYSQL_STMT *stmt = nullptr;
    std::vector<MYSQL_BIND> params;
    std::vector<long long> integers;
    std::vector<std::string> texts;
    std::vector<unsigned long> textLengths;
    unsigned int columns = 0;
    std::vector<MYSQL_BIND> results;
    std::vector<std::vector<char>> buffers;
    std::vector<unsigned long> lengths;
    std::vector<my_bool> nulls;
    std::vector<my_bool> errors;
};

namespace {
MYSQL *handle(void *mysql)
{
    return static_cast<MYSQL *>(mysql);
}
} // namespace

BareReplay::BareReplay(const Sql::Connection &c)
{
    m_mysql = mysql_init(nullptr);
    mysql_options(handle(m_mysql), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    const QByteArray host = c.host.toUtf8(), user = c.user.toUtf8(), password = c.password.toUtf8(),
                     database = c.database.toUtf8(), socket = c.socket.toUtf8();
    const bool viaSocket = !c.socket.isEmpty();
    if (!mysql_real_connect(handle(m_mysql), viaSocket ? nullptr : host.constData(), user.constData(),
                            password.constData(), database.constData(), viaSocket ? 0 : unsigned(c.port),
                            viaSocket ? socket.constData() : nullptr, CLIENT_FOUND_ROWS))
        throw std::runtime_error(std::string("bare client: ") + mysql_error(handle(m_mysql)));
}

BareReplay::~BareReplay()
{
    for (Step *step : m_steps)
        delete step;
    for (auto &[text, stmt] : m_prepared)
        mysql_stmt_close(stmt);
    mysql_close(handle(m_mysql));
}

void BareReplay::load(const std::vector<SentStatement> &sequence)
{
    for (Step *step : m_steps)
        delete step;
    m_steps.clear();
    for (const SentStatement &sent : sequence) {
        auto *step = new Step;
        m_steps.push_back(step);
        MYSQL_STMT *&stmt = m_prepared[sent.text];
        if (!stmt) {
            stmt = mysql_stmt_init(handle(m_mysql));
            if (mysql_stmt_prepare(stmt, sent.text.data(), sent.text.size()) != 0)
                throw std::runtime_error(std::string("bare client: ") + mysql_stmt_error(stmt));
        }
        step->stmt = stmt;
        const std::size_t n = sent.params.size();
        step->params.assign(n, MYSQL_BIND{});
        step->integers.assign(n, 0);
        step->texts.assign(n, std::string());
        step->textLengths.assign(n, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const SqlParam &param = sent.params[i];
            MYSQL_BIND &b = step->params[i];
            if (param.kind() == SqlParam::Integer) {
                step->integers[i] = param.integer();
                b.buffer_type = MYSQL_TYPE_LONGLONG;
                b.buffer = &step->integers[i];
            } else {
                step->texts[i] = param.bytes();
                step->textLengths[i] = step->texts[i].size();
                b.buffer_type = param.kind() == SqlParam::Exact ? MYSQL_TYPE_NEWDECIMAL : MYSQL_TYPE_STRING;
                b.buffer = step->texts[i].data();
                b.buffer_length = step->textLengths[i];
                b.length = &step->textLengths[i];
            }
        }
        step->columns = mysql_stmt_field_count(stmt);
        step->results.assign(step->columns, MYSQL_BIND{});
        step->buffers.assign(step->columns, std::vector<char>(1024));
        step->lengths.assign(step->columns, 0);
        step->nulls.assign(step->columns, 0);
        step->errors.assign(step->columns, 0);
        for (unsigned int i = 0; i < step->columns; ++i) {
            MYSQL_BIND &b = step->results[i];
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = step->buffers[i].data();
            b.buffer_length = step->buffers[i].size();
            b.length = &step->lengths[i];
            b.is_null = &step->nulls[i];
            b.error = &step->errors[i];
        }
    }
}

long long BareReplay::replay()
{
    long long rows = 0;
    for (Step *step : m_steps) {
        if (!step->params.empty())
            mysql_stmt_bind_param(step->stmt, step->params.data());
        if (mysql_stmt_execute(step->stmt) != 0)
            throw std::runtime_error(std::string("bare client: ") + mysql_stmt_error(step->stmt));
        if (step->columns == 0)
            continue;
        mysql_stmt_bind_result(step->stmt, step->results.data());
        mysql_stmt_store_result(step->stmt);
        for (int rc = mysql_stmt_fetch(step->stmt); rc == 0 || rc == MYSQL_DATA_TRUNCATED;
             rc = mysql_stmt_fetch(step->stmt))
            ++rows;
        mysql_stmt_free_result(step->stmt);
    }
    return rows;
}

} // namespace qv::bench
