#pragma once

#include "platform/Sql.h"

#include <map>
#include <string>
#include <vector>

struct st_mysql_stmt;

namespace qv::bench {

// The true floor of a reading: a bare Connector/C client (mysql_stmt_*
// only, nothing of the program's layer) sending a recorded statement
// sequence with its values, reading every row into fixed buffers. What the
// program takes beyond this is its own overhead; the rest is the server and
// the round trips.
class BareReplay
{
public:
    // Connects over TCP to 127.0.0.1:port, or over the socket when port is 0.
    BareReplay(const Sql::Connection &connection);
    ~BareReplay();
    BareReplay(const BareReplay &) = delete;
    BareReplay &operator=(const BareReplay &) = delete;

    // Prepares every statement of the sequence (once), binds its values and
    // result buffers; replay() then only executes and reads.
    void load(const std::vector<SentStatement> &sequence);
    // Sends the loaded sequence once; the rows read.
    long long replay();

private:
    struct Step;
    void *m_mysql = nullptr;
    std::map<std::string, st_mysql_stmt *> m_prepared;
    std::vector<Step *> m_steps;
};

} // namespace qv::bench
