#include "tables/SalesFigures.h"

#include "data/Statements.h"
#include "platform/Record.h"

#include <set>

namespace qv {

namespace {
const char *const kCursor = "CURVEN";

const Layout kClosedRow("mov_Vendas",
                        {FieldDef::N("nrMesa", 3), FieldDef::N("pontoMesa", 2), FieldDef::N("qtdPessoas", 3),
                         FieldDef::C("nome", 20), FieldDef::C("horaAbertura", 8), FieldDef::C("horaFechamento", 8),
                         FieldDef::N("valorTotal", 12, 2), FieldDef::N("dividida", 1)});
const Layout kCommissionRow("mov_Vendas", {FieldDef::N("idGarcon", 2), FieldDef::C("nome", 20),
                                           FieldDef::N("contas", 9), FieldDef::N("servico", 12, 2)});
const Layout kMenuMixRow("mov_VendasItem", {FieldDef::N("idProduto", 6), FieldDef::C("descricao", 40),
                                            FieldDef::N("quantidade", 9), FieldDef::N("valor", 12, 2)});
const Layout kOpenRow("mov_Mesa", {FieldDef::N("idMesa", 5), FieldDef::C("status", 1), FieldDef::N("qtdPessoas", 3),
                                   FieldDef::C("nome", 20), FieldDef::C("horaAbertura", 8)});
const Layout kPaidSummary("mov_Vendas", {FieldDef::N("contas", 9), FieldDef::N("total", 12, 2)});
} // namespace

SalesFigures::SalesFigures(Sql &sql) : m_sql(sql) {}

template <typename Row>
bool SalesFigures::readAll(std::string_view text, SqlParams in, const Layout &layout, Row &&addRow)
{
    if (!m_sql.open(kCursor, text, in).ok()) {
        m_error = m_sql.result().error();
        return false;
    }
    Record row(layout);
    for (;;) {
        const SqlResult &state = m_sql.fetch(kCursor, row);
        if (state.noRow())
            break;
        if (!state.ok()) {
            // The fetch's error, not the close's that follows it.
            m_error = state.error();
            m_sql.close(kCursor);
            return false;
        }
        addRow(row);
    }
    m_sql.close(kCursor);
    return true;
}

std::optional<SalesFigures::ClosedTables> SalesFigures::closedTables(const Period &period, int desk)
{
    ClosedTables report;
    const bool read = readAll(stmt::kReportClosedTables, {period.date, period.period, desk}, kClosedRow,
                              [&report](const Record &row) {
                                  ClosedTable t;
                                  t.table = int(row.integer("nrMesa"));
                                  t.position = int(row.integer("pontoMesa"));
                                  t.people = int(row.integer("qtdPessoas"));
                                  t.waiter = row.text("nome").trimmed();
                                  t.opened = row.text("horaAbertura");
                                  t.closed = row.text("horaFechamento");
                                  t.total = row.num("valorTotal");
                                  t.split = row.integer("dividida") != 0;
                                  // The split position's diners sat at the
                                  // positions that paid its shares, and
                                  // are counted there.
                                  if (!t.split) {
                                      report.total += t.total;
                                      report.people += t.people;
                                      ++report.accounts;
                                  }
                                  report.rows.push_back(std::move(t));
                              });
    if (!read)
        return std::nullopt;
    return report;
}

std::optional<SalesFigures::Lines> SalesFigures::lines(std::string_view text, SqlParams in, const Layout &layout)
{
    Lines report;
    const bool read = readAll(text, in, layout, [&report](const Record &row) {
        Line line{row.num(0).toInt(), row.text(1).trimmed(), row.num(2).toInt(), row.num(3)};
        report.count += line.count;
        report.total += line.value;
        report.rows.push_back(std::move(line));
    });
    if (!read)
        return std::nullopt;
    return report;
}

std::optional<SalesFigures::Lines> SalesFigures::commissions(const Period &period, int desk)
{
    return lines(stmt::kReportCommissions, {period.date, period.period, desk}, kCommissionRow);
}

std::optional<SalesFigures::Lines> SalesFigures::menuMix(const Period &period)
{
    return lines(stmt::kReportMenuMix, {period.date, period.period}, kMenuMixRow);
}

std::optional<SalesFigures::Overview> SalesFigures::overview(const Period &period)
{
    Overview overview;
    std::set<int> tables;
    const bool read = readAll(stmt::kManagementTables, {}, kOpenRow, [&](const Record &row) {
        OpenPosition p;
        p.idMesa = int(row.integer("idMesa"));
        p.status = row.text("status");
        p.people = int(row.integer("qtdPessoas"));
        p.waiter = row.text("nome").trimmed();
        p.opened = row.text("horaAbertura");
        tables.insert(p.idMesa / 100);
        overview.open.push_back(std::move(p));
    });
    if (!read)
        return std::nullopt;
    overview.tables = int(tables.size());

    Record paid(kPaidSummary);
    const SqlResult &summary = m_sql.exec(stmt::kManagementSales, {period.date, period.period}, &paid);
    if (!summary.ok()) {
        m_error = summary.error();
        return std::nullopt;
    }
    overview.accounts = paid.integer("contas");
    overview.total = paid.num("total");
    return overview;
}

} // namespace qv
