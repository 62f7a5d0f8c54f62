#include "session/Session.h"
#include "data/Statements.h"
#include "data/Status.h"

#include "data/Tables.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "session/Paths.h"

namespace qv {

namespace {
const Layout kPrinterName("tab_Impressoras", {FieldDef::C("nome", 20)});
}

Session::Session(Sql &sql) : m_sql(sql), m_parameters(tables::tabParametros), m_loggedOperator(tables::tabOperador) {}

void Session::reset()
{
    m_cashDesk = CashDeskRecord();
    m_operators.clear();
    m_reasons.clear();
    m_printers.clear();
    m_observations.clear();
    m_parameters.clear();
    m_loggedOperator.clear();
}

QString Session::readVariables(bool &openFailed)
{
    const QString open = TextFile::openStatus(QString::fromLatin1(paths::kVariaveis));
    openFailed = open != QLatin1String(filestatus::kOk);
    if (openFailed)
        return open;
    QString line;
    const QString status = TextFile::readFirstLine(QString::fromLatin1(paths::kVariaveis), line);
    if (status != QLatin1String(filestatus::kOk))
        return QString::fromLatin1(filestatus::kEndOfFile);
    records::W_VARS_SQL().setText(line.left(42));
    return status;
}

KeyedFile::Read Session::readCashDesk()
{
    QByteArray bytes;
    const KeyedFile::Read r =
        KeyedFile::read(QString::fromLatin1(paths::kCaixaCt), '1', CashDeskRecord::kLength, bytes);
    if (r != KeyedFile::Read::Ok)
        return r;
    auto record = CashDeskRecord::fromBytes(bytes);
    if (!record)
        return KeyedFile::Read::Failed;
    m_cashDesk = *record;
    return r;
}

QStringList Session::staleWarnings(const QString &today) const
{
    QStringList warnings;
    for (int p = 1; p <= 2; ++p) {
        const auto e = m_cashDesk.entry(p, 0);
        if (e.isOpen() && e.openDate != today) {
            const QString d = e.openDate;
            warnings << QStringLiteral("Caixa aberto em ") + d.mid(0, 2) + QLatin1Char('/') + d.mid(2, 2)
                            + QLatin1Char('/') + d.mid(4, 4) + QStringLiteral(", precisa ser fechado !!!");
        }
    }
    return warnings;
}

void Session::choosePeriod()
{
    if (m_cashDesk.entry(1, 0).isOpen())
        records::W_NRTURNO().setDigits(1);
    if (m_cashDesk.entry(2, 0).isOpen())
        records::W_NRTURNO().setDigits(2);
}

int Session::period() const
{
    return int(records::W_NRTURNO().digits());
}

QString Session::periodCaption() const
{
    switch (period()) {
    case 1: return QStringLiteral("1 - Almoço");
    case 2: return QStringLiteral("2 - Jantar");
    default: return QString();
    }
}

QString Session::periodName() const
{
    switch (period()) {
    case 1: return QStringLiteral("Almoço");
    case 2: return QStringLiteral("Jantar");
    default: return QString();
    }
}

bool Session::deskOpen(int n) const
{
    // A period digit left over from elsewhere (0, or a closed period)
    // indexes nothing open: the session counts as closed.
    return m_cashDesk.entry(period(), 0).isOpen() && m_cashDesk.entry(period(), n).isOpen();
}

int Session::desk() const
{
    return int(records::W_NRCAIXA().digits());
}

void Session::chooseDesk(int n)
{
    records::W_NRCAIXA().setDigits(std::uint64_t(n));
    const auto periodEntry = m_cashDesk.entry(period(), 0);
    const auto deskEntry = m_cashDesk.entry(period(), n);
    records::W_PABEDAT().setText(periodEntry.openDate);
    records::W_PABEHOR().setText(periodEntry.openTime);
    records::W_CABEDAT().setText(deskEntry.openDate);
    records::W_CABEHOR().setText(deskEntry.openTime);
}

Session::Check Session::check()
{
    if (desk() == 0)
        return Check::NoDesk;
    QByteArray bytes;
    const KeyedFile::Read r =
        KeyedFile::read(QString::fromLatin1(paths::kCaixaCt), '1', CashDeskRecord::kLength, bytes);
    if (r == KeyedFile::Read::OpenFailed)
        return Check::Unreadable;
    if (r == KeyedFile::Read::Ok) {
        if (auto record = CashDeskRecord::fromBytes(bytes))
            m_cashDesk = *record;
    }
    // A record locked or garbled this instant: judge by the last one read;
    // the next reading sees the new one.
    if (!m_cashDesk.entry(period(), 0).isOpen())
        return Check::PeriodClosed;
    if (!m_cashDesk.entry(period(), desk()).isOpen())
        return Check::DeskClosed;
    return Check::Open;
}

bool Session::loadOperators()
{
    // Every code's look-up in one wave. A code that does not exist is
    // skipped; a look-up that failed keeps the list read before, rather than
    // a list with holes where waiters are.
    SqlBatch lookups;
    for (int code = 1; code <= 99; ++code)
        lookups.add(stmt::kOperatorById, {code}, tables::tabOperador);
    m_sql.run(lookups);
    std::vector<OperatorEntry> operators;
    for (std::size_t i = 0; i < lookups.size(); ++i) {
        if (lookups.result(i).failed())
            return false;
        const Record *row = lookups.row(i);
        if (!lookups.result(i).ok() || !row)
            continue;
        if (holds(row->text("situacao"), OperatorSituation::Left))
            continue;
        operators.push_back({int(row->integer("idOperador")), row->text("nome")});
    }
    m_operators = std::move(operators);
    return true;
}

void Session::loadReasons()
{
    m_reasons.clear();
    SqlBatch lookups;
    for (int code = 1; code <= 60; ++code)
        lookups.add(stmt::kReasonById, {code}, tables::tabMotivoCancelamento);
    m_sql.run(lookups);
    for (std::size_t i = 0; i < lookups.size(); ++i) {
        if (const Record *row = lookups.row(i); lookups.result(i).ok() && row)
            m_reasons.push_back({int(row->integer("idMotivo")), row->text("descricao")});
    }
}

void Session::loadPrinters()
{
    m_printers.clear();
    SqlBatch lookups;
    for (int code = 1; code <= 30; ++code)
        lookups.add(stmt::kPrinterName, {code}, kPrinterName);
    m_sql.run(lookups);
    for (std::size_t i = 0; i < lookups.size(); ++i) {
        if (const Record *row = lookups.row(i); lookups.result(i).ok() && row)
            m_printers << row->text(0);
    }
}

bool Session::loadObservations()
{
    m_observations.clear();
    Sql &sql = m_sql;
    if (!sql.open("CUROBS", stmt::kObservations).ok())
        return false;
    for (;;) {
        Record row(tables::tabObservacao);
        if (!sql.fetch("CUROBS", row).ok())
            break;
        m_observations.push_back(std::move(row));
    }
    sql.close("CUROBS");
    return true;
}

bool Session::readParameters()
{
    m_parameters.clear();
    return m_sql.exec(stmt::kParameters, {}, &m_parameters).ok();
}

void Session::readLoggedOperator()
{
    m_loggedOperator.clear();
    m_sql.exec(stmt::kOperatorById, {operatorCode()}, &m_loggedOperator);
}

int Session::operatorCode() const
{
    return int(records::W_VARS_SQL().digits(21, 2));
}

QString Session::operatorName() const
{
    return records::W_VARS_SQL().text(1, 20);
}

bool Session::hasRight(int n) const
{
    const std::string name = "direito" + std::to_string(n);
    return holds(m_loggedOperator.text(name), Right::Granted);
}

QString Session::savedPrinter() const
{
    QString line;
    if (TextFile::readFirstLine(QString::fromLatin1(paths::kImprMes), line) != QLatin1String(filestatus::kOk))
        return QString();
    return line;
}

QString Session::savePrinter(const QString &name) const
{
    return TextFile::writeOnlyLine(QString::fromLatin1(paths::kImprMes),
                                   name.leftJustified(20, QLatin1Char(' '), true));
}

} // namespace qv
