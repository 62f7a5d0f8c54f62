#pragma once

namespace qv {

// Connector/C keeps state per thread: a thread of our own that is handed a
// connection made elsewhere sets that state up before its first call and
// releases it after its last. Live for exactly as long as the thread uses
// the library.
class ConnectorThreadScope
{
public:
    ConnectorThreadScope();
    ~ConnectorThreadScope();
    ConnectorThreadScope(const ConnectorThreadScope &) = delete;
    ConnectorThreadScope &operator=(const ConnectorThreadScope &) = delete;
};

} // namespace qv
