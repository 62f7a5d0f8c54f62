#pragma once

#include "platform/Sql.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTime>

class QBoxLayout;
class QLabel;
class QTimer;
class QWidget;

namespace qv {

// The desk's offline state: whether the database can be reached, the
// banner `Lb_SEMCONEXAO` that says it cannot, the retries and their pause,
// and the refusal of commands meanwhile.
//
// The database cannot be reached: the message is told once, then the desk
// stays open, its board kept as it was and marked stale under the banner,
// every command answered with a short message and nothing written, while
// the connection is tried again every few seconds. A server that refuses
// the desk (access denied, TLS, database gone: `why.refused()`) is told as
// such with the server's own words instead, and asked again after a pause
// that doubles with every refusal (kRetryMs × 2, 4, ... up to kMaxRetryMs)
// rather than every few seconds: a person has to change something first.
class ConnectionWatch : public QObject
{
    Q_OBJECT

public:
    // The banner goes into `layout` at `position`; `stale` is the board,
    // greyed while offline.
    ConnectionWatch(QWidget &window, QBoxLayout &layout, int position, QWidget &stale);

    static constexpr int kRetryMs = 3000;
    static constexpr int kMaxRetryMs = 120000;

    // `boardTime` is when the board kept on show was read (invalid: never).
    void goOffline(const QString &message, const DbError &why, const QTime &boardTime);
    bool offline() const { return m_offline; }
    // The server answered: the banner goes. False when the desk was not
    // offline.
    bool backOnline();
    // While offline: tells the cashier the command must wait; true then.
    bool refuse();
    // The pause before the next try while offline.
    int retryIntervalMs() const;

signals:
    // Time to try the server once more.
    void retry();

private:
    QWidget &m_window;
    QWidget &m_stale;
    QLabel *m_banner = nullptr;  // Lb_SEMCONEXAO, across the header
    QTimer *m_retry = nullptr;   // the tries while offline
    QElapsedTimer m_lastRefusal; // the last command refused while offline
    int m_refusals = 0;          // refusals in a row while offline
    bool m_toldRefusal = false;  // the cashier was told of this refusal
    bool m_offline = false;
};

} // namespace qv
