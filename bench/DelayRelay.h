#pragma once

#include <atomic>
#include <thread>

namespace qv::bench {

// A TCP forwarder on loopback that holds every chunk it carries for a fixed
// delay, each way: a server across a network, without root or kernel
// features. Connections to port() are forwarded to the target port.
class DelayRelay
{
public:
    explicit DelayRelay(int targetPort);
    ~DelayRelay();
    DelayRelay(const DelayRelay &) = delete;
    DelayRelay &operator=(const DelayRelay &) = delete;

    int port() const { return m_port; }
    // Applies to the chunks read from now on.
    void setDelayMs(double ms) { m_delayNs.store(static_cast<long long>(ms * 1e6)); }

private:
    void loop();

    int m_target;
    int m_listen = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::atomic<long long> m_delayNs{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace qv::bench
