#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace qv {

// One piece of work with the desk's connection, run on a thread of its own
// while the event loop keeps turning: the screen paints, its timers fire
// and the board goes on refreshing on its own connection. Over a distant
// server a closing's unit of work takes a good part of a second, which the
// screen must not freeze for.
//
// The desk's connection serves one thread at a time: while the work runs
// it is marked lent (desk::sqlLent) and every key and click aimed at the
// desk's window is swallowed without a word, so no command can start and
// nothing on the screen sends a statement on it; the window will not close
// meanwhile either. Another window (a box the
// board may open meanwhile) still takes its keys. The work itself opens no
// box and touches no widget; what it found is told by the caller once
// `run` has returned, on the event thread.
class OffThread : public QObject
{
public:
    explicit OffThread(QWidget *window);

    // Returns once `work` has ended.
    void run(const std::function<void()> &work);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool aimedAtWindow(QObject *watched) const;

    QWidget *m_window = nullptr;
};

} // namespace qv
