#include "platform/SqlConnection.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

using Endpoint = SqlConnection::Endpoint;

Endpoint tcp(const char *host, int port)
{
    return {QString::fromUtf8(host), port, QString()};
}

Endpoint local(const char *socket)
{
    return {QString(), 0, QString::fromUtf8(socket)};
}

struct EndpointCase
{
    const char *what;
    const char *socket;
    QStringList hosts;
    std::vector<Endpoint> tried;
};

} // namespace

// The order the failover goes round: a wrong split of "host:port" sends the
// desk to a server that does not exist, or skips a node of the cluster.
TEST(SqlConnection, EndpointsComeFromTheSocketTheClusterListOrTheHost)
{
    const EndpointCase cases[] = {
        {"the host and port alone", "", {}, {tcp("db.local", 3310)}},
        {"a socket wins over the list", "/run/my.sock", {"a:1", "b:2"}, {local("/run/my.sock")}},
        {"the cluster's list, in order",
         "",
         {"a:3307", "b:3308", "c:3309"},
         {tcp("a", 3307), tcp("b", 3308), tcp("c", 3309)}},
        {"no port: the server's own", "", {"a", "b:4000"}, {tcp("a", 3306), tcp("b", 4000)}},
        {"a port that is no number", "", {"a:x"}, {tcp("a:x", 3306)}},
        {"blanks trimmed and skipped", "", {" a:1 ", "", "  "}, {tcp("a", 1)}},
        {"socket paths in the list", "", {"/tmp/n1.sock", "b:2"}, {local("/tmp/n1.sock"), tcp("b", 2)}},
        {"an IPv6 address with its port", "", {"::1:3307"}, {tcp("::1", 3307)}},
        {"a list of blanks falls back to the host", "", {" "}, {tcp("db.local", 3310)}},
    };
    for (const EndpointCase &c : cases) {
        SCOPED_TRACE(c.what);
        SqlConnection::Settings settings;
        settings.host = QStringLiteral("db.local");
        settings.port = 3310;
        settings.socket = QString::fromUtf8(c.socket);
        settings.hosts = c.hosts;
        const std::vector<Endpoint> tried = SqlConnection::endpoints(settings);
        ASSERT_EQ(tried.size(), c.tried.size());
        for (std::size_t i = 0; i < tried.size(); ++i) {
            EXPECT_EQ(tried[i].host, c.tried[i].host) << i;
            EXPECT_EQ(tried[i].port, c.tried[i].port) << i;
            EXPECT_EQ(tried[i].socket, c.tried[i].socket) << i;
        }
    }
}
