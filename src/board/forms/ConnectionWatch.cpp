#include "board/forms/ConnectionWatch.h"

#include "platform/Log.h"
#include "platform/ui/Desk.h"
#include "platform/ui/UiService.h"
#include "session/ConnectionCheck.h"

#include <QBoxLayout>
#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace qv {

ConnectionWatch::ConnectionWatch(QWidget &window, QBoxLayout &layout, int position, QWidget &stale)
    : QObject(&window), m_window(window), m_stale(stale)
{
    m_banner = new QLabel(&window);
    m_banner->setObjectName(QStringLiteral("Lb_SEMCONEXAO"));
    m_banner->setAlignment(Qt::AlignCenter);
    m_banner->setWordWrap(true);
    m_banner->setStyleSheet(
        QStringLiteral("QLabel { background: #b3261e; color: white; font-weight: bold; padding: 6px; }"));
    m_banner->hide();
    layout.insertWidget(position, m_banner);
    m_retry = new QTimer(this);
    m_retry->setObjectName(QStringLiteral("Cm_TimerReconexao"));
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &ConnectionWatch::retry);
}

void ConnectionWatch::goOffline(const QString &message, const DbError &why, const QTime &boardTime)
{
    const bool already = m_offline;
    m_offline = true;
    const QString board = boardTime.isValid()
                              ? QStringLiteral(" (quadro das %1)").arg(boardTime.toString(QStringLiteral("HH:mm:ss")))
                              : QString();
    QString refusal;
    if (why.refused()) {
        // Refused, not gone: hammering the server with the same log-in
        // helps nobody (and looks like an attack in its log).
        ++m_refusals;
        m_retry->setInterval(retryIntervalMs());
        const Sql::Connection *connection = desk::sql().connection();
        refusal = connectFailureText(why.connectFailure, connection ? connection->where() : QString(),
                                     connection ? connection->database : QString());
        log::error(
            QStringLiteral("%1 (%2); nova tentativa em %3 s").arg(refusal, why.message).arg(retryIntervalMs() / 1000));
        m_banner->setText(QStringLiteral("%1: %2 — nova tentativa em %3 s%4")
                              .arg(refusal, why.message)
                              .arg(retryIntervalMs() / 1000)
                              .arg(board));
    } else {
        if (m_refusals > 0 || !already)
            log::warning(QStringLiteral("sem conexão com o banco de dados; o caixa espera pelo servidor"));
        m_refusals = 0;
        m_toldRefusal = false;
        m_retry->setInterval(kRetryMs);
        m_banner->setText(QStringLiteral("Sem conexão com o banco de dados, tentando novamente…") + board);
    }
    m_banner->show();
    // The board keeps what it showed, greyed: it is no longer the truth.
    m_stale.setEnabled(false);
    m_stale.setToolTip(m_banner->text());
    if (!m_retry->isActive())
        m_retry->start();
    // Told once: the tries that follow fail in silence until one answers.
    if (!refusal.isEmpty()) {
        if (!m_toldRefusal) {
            m_toldRefusal = true;
            UiService::instance().longMessage(&m_window, refusal + QStringLiteral("\n\n") + why.message, style::kStop);
        }
    } else if (!already && !message.isEmpty()) {
        UiService::instance().message(&m_window, message, style::kStop);
    }
}

int ConnectionWatch::retryIntervalMs() const
{
    if (m_refusals == 0)
        return kRetryMs;
    return int(std::min<qint64>(qint64(kRetryMs) << std::min(m_refusals, 10), kMaxRetryMs));
}

bool ConnectionWatch::backOnline()
{
    if (!m_offline)
        return false;
    m_offline = false;
    m_refusals = 0;
    m_toldRefusal = false;
    m_retry->setInterval(kRetryMs);
    log::info(QStringLiteral("conexão com o banco de dados de volta"));
    desk::sql().serverAnswered();
    m_retry->stop();
    m_banner->hide();
    m_stale.setEnabled(true);
    m_stale.setToolTip(QString());
    return true;
}

bool ConnectionWatch::refuse()
{
    if (!m_offline)
        return false;
    // One box for a burst of keys: a cashier trying several commands in a
    // row is told once, not once per key.
    if (!m_lastRefusal.isValid() || m_lastRefusal.elapsed() > 1000)
        UiService::instance().message(&m_window, QStringLiteral("Sem conexão com o banco de dados, aguarde !!!"),
                                      style::kInformation);
    m_lastRefusal.start();
    return true;
}

} // namespace qv
