#include "DelayRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk
{
    Clock::time_point due;
    std::string bytes;
};

// One direction of a forwarded connection.
struct Direction
{
    int from = -1;
    int to = -1;
    std::deque<Chunk> held;
};

struct Link
{
    Direction up;   // client to server
    Direction down; // server to client
    bool closed = false;
};

void noDelay(int fd)
{
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int connectTo(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    noDelay(fd);
    return fd;
}

bool sendAll(int fd, const std::string &bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += std::size_t(n);
    }
    return true;
}

} // namespace

DelayRelay::DelayRelay(int targetPort) : m_target(targetPort)
{
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(m_listen, 16) != 0)
        throw std::runtime_error("the relay cannot listen");
    socklen_t length = sizeof address;
    getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    if (pipe(m_wake) != 0)
        throw std::runtime_error("the relay cannot make its pipe");
    m_thread = std::thread([this] { loop(); });
}

DelayRelay::~DelayRelay()
{
    m_stop = true;
    const char byte = 0;
    (void)!write(m_wake[1], &byte, 1);
    m_thread.join();
    close(m_listen);
    close(m_wake[0]);
    close(m_wake[1]);
}

void DelayRelay::loop()
{
    // Sub-millisecond delays need the kernel to wake this thread on time.
    prctl(PR_SET_TIMERSLACK, 1UL);
    std::vector<std::unique_ptr<Link>> links;
    std::vector<char> buffer(1 << 16);
    while (!m_stop) {
        std::vector<pollfd> fds;
        std::vector<Direction *> readers;
        fds.push_back({m_listen, POLLIN, 0});
        fds.push_back({m_wake[0], POLLIN, 0});
        Clock::time_point next = Clock::time_point::max();
        for (auto &link : links) {
            for (Direction *d : {&link->up, &link->down}) {
                fds.push_back({d->from, POLLIN, 0});
                readers.push_back(d);
                if (!d->held.empty() && d->held.front().due < next)
                    next = d->held.front().due;
            }
        }
        timespec wait{};
        timespec *timeout = nullptr;
        if (next != Clock::time_point::max()) {
            const auto ns = std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::nanoseconds>(next - Clock::now()).count());
            wait.tv_sec = time_t(ns / 1000000000);
            wait.tv_nsec = long(ns % 1000000000);
            timeout = &wait;
        }
        if (ppoll(fds.data(), fds.size(), timeout, nullptr) < 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const int client = accept(m_listen, nullptr, nullptr);
            if (client >= 0) {
                const int server = connectTo(m_target);
                if (server < 0) {
                    close(client);
                } else {
                    noDelay(client);
                    auto link = std::make_unique<Link>();
                    link->up.from = client;
                    link->up.to = server;
                    link->down.from = server;
                    link->down.to = client;
                    links.push_back(std::move(link));
                }
            }
        }
        const auto delay = std::chrono::nanoseconds(m_delayNs.load());
        for (std::size_t i = 0; i < readers.size(); ++i) {
            if (!(fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Direction *d = readers[i];
            const ssize_t n = recv(d->from, buffer.data(), buffer.size(), 0);
            Link *owner = nullptr;
            for (auto &link : links)
                if (&link->up == d || &link->down == d)
                    owner = link.get();
            if (n <= 0) {
                owner->closed = true;
                continue;
            }
            d->held.push_back({Clock::now() + delay, std::string(buffer.data(), std::size_t(n))});
        }
        const auto now = Clock::now();
        for (auto &link : links) {
            for (Direction *d : {&link->up, &link->down}) {
                while (!d->held.empty() && d->held.front().due <= now) {
                    if (!sendAll(d->to, d->held.front().bytes))
                        link->closed = true;
                    d->held.pop_front();
                }
            }
        }
        for (auto it = links.begin(); it != links.end();) {
            if ((*it)->closed) {
                close((*it)->up.from);
                close((*it)->down.from);
                it = links.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto &link : links) {
        close(link->up.from);
        close(link->down.from);
    }
}

} // namespace qv::bench
