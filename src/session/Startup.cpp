#include "session/Startup.h"

#include "data/Statements.h"
#include "platform/Log.h"
#include "platform/Record.h"
#include "session/Session.h"

namespace qv {

StartupService::StartupService(Sql &sql, Session &session) : m_sql(sql), m_session(session) {}

StartupResult StartupService::ABRAR()
{
    StartupResult result;
    auto stop = [&result](StartupResult::Stop step, const QString &message) {
        result.stop = step;
        result.message = message;
        return result;
    };

    // The logged-in operator, from the shared-variables file.
    bool openFailed = false;
    const QString varsStatus = m_session.readVariables(openFailed);
    if (openFailed)
        return stop(StartupResult::Stop::Variables,
                    QStringLiteral("Erro ") + varsStatus
                        + QStringLiteral(" na abertura C:\\Velmorant\\Temp\\VARIAVEIS.TXT !!!"));
    if (varsStatus != QLatin1String("00"))
        return stop(StartupResult::Stop::Variables, QStringLiteral("Erro na passagem de parametros !!!"));
    log::info(QStringLiteral("operador da sessão: %1 %2")
                  .arg(m_session.operatorCode())
                  .arg(m_session.operatorName().trimmed()));

    // The cash-desk control record.
    switch (m_session.readCashDesk()) {
    case KeyedFile::Read::Ok: break;
    case KeyedFile::Read::OpenFailed:
        return stop(StartupResult::Stop::CashDesk, QStringLiteral("Erro na abertura dos caixas !!!"));
    case KeyedFile::Read::Locked:
        return stop(StartupResult::Stop::CashDesk, QStringLiteral("Arquivo dos caixas sendo acessado !!!"));
    case KeyedFile::Read::Failed:
        return stop(StartupResult::Stop::CashDesk, QStringLiteral("Erro na leitura do arquivo de caixas !!!"));
    }

    // Today's date; the first statement, so the connection is made here.
    static const Layout kToday("today", {FieldDef::C("hoje", 8)});
    Record today(kToday);
    if (!m_sql.exec(stmt::kToday, {}, &today).ok()) {
        result.stop = StartupResult::Stop::Database;
        result.database = m_sql.result();
        return result;
    }
    result.warnings = m_session.staleWarnings(today.text(0));

    m_session.readParameters();
    m_session.loadOperators();
    m_session.loadReasons();
    m_session.loadPrinters();
    // Dinner wins when both periods are open.
    m_session.choosePeriod();

    if (!m_session.loadObservations()) {
        result.database = m_sql.result();
        return stop(StartupResult::Stop::Observations, QStringLiteral("Erro na leitura das observações !!!"));
    }
    m_session.readLoggedOperator();
    return result;
}

} // namespace qv
