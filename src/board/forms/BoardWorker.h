#pragma once

#include "board/BoardReader.h"
#include "platform/Sql.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QSemaphore;

namespace qv {

class SqlThread;

// The board rebuild off the event thread: a BoardReader on a connection of
// its own, on a thread of its own. Over a network every statement costs a
// round trip, and the hundreds a rebuild sends would otherwise freeze the
// screen. One rebuild runs at a time; its finished snapshot comes back to
// the event thread through `built`.
class BoardWorker : public QObject
{
    Q_OBJECT

public:
    explicit BoardWorker(QObject *parent = nullptr);
    ~BoardWorker() override;

    // Starts a rebuild with the same connection settings as `like` (the
    // event thread's connection; nothing: from the configuration). False,
    // and nothing started, while the previous one still runs.
    bool start(const BoardQuery &query, std::optional<Sql::Connection> like);
    bool running() const { return m_running; }
    // The server was seen gone: the next rebuild makes sure its connection
    // is alive first (Sql::checkBeforeNextUse).
    void checkConnectionNext();

    // Test hooks, run on the worker's thread before the next rebuild: a
    // statement of the board's connection fails once; the thread waits on
    // the gate until the test lets it go.
    void failNext(const std::string &text);
    void holdOn(QSemaphore &gate);

signals:
    void built(const qv::BoardSnapshot &board);

private:
    void onThread(std::function<void()> work);

    std::unique_ptr<SqlThread> m_thread;
    QObject *m_context = nullptr; // lives on the worker's thread
    bool m_running = false;
};

} // namespace qv
