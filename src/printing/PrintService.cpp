#include "printing/PrintService.h"

#include "data/Statements.h"
#include "platform/Files.h"
#include "platform/Record.h"
#include "platform/Sql.h"
#include "printing/PrinterConfig.h"

#include <optional>

namespace qv {

namespace {
const Layout kPrinterName("tab_Impressoras", {FieldDef::C("nome", 20)});
const Layout kTime("time", {FieldDef::C("hora", 8)});

// 999999 is not a ticket but "not on a ticket yet", shared by every
// unprinted item of the restaurant: by number alone it would send every
// table's pending items to the kitchen printer again.
constexpr std::int64_t kNoComanda = 999999;
constexpr int kPrinterCodes = 30;

QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// The ticket of an item as the list shows it, six digits.
std::int64_t comandaOf(const ShownTable &table, std::int64_t idItem)
{
    for (const ShownItem &item : table.items)
        if (item.idItem == idItem)
            return item.idComanda % 1000000;
    return 0;
}

// The request of the other items stands; the cashier sees on the list
// which items took it and can ask again.
Outcome requested(const std::optional<SqlResult> &failure)
{
    if (!failure)
        return Outcome::ok(Outcome::Next::Reread);
    return Outcome::fail(QStringLiteral("Erro ") + failure->state()
                             + QStringLiteral(" gravando o pedido de impressão, confira os itens !!!"),
                         *failure, QStringLiteral("o pedido de impressão"), Outcome::Next::Reread);
}
// The print menu is refused on a blocked table; the items must still be
// live on the position shown.
PositionGuard::Needs reprinted(const std::vector<std::int64_t> &items)
{
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    needs.items = items;
    return needs;
}
} // namespace

PrintService::PrintService(Sql &sql) : m_sql(sql), m_guard(sql) {}

Outcome PrintService::reprintProducts(const ShownTable &table, const std::vector<std::int64_t> &items)
{
    std::optional<SqlResult> failure;
    const Outcome held = m_guard.write(
        table.opening(), reprinted(items),
        [&] {
            for (const std::int64_t idItem : items) {
                if (comandaOf(table, idItem) == 0) {
                    // Never on a ticket: printed as a product of its own, and
                    // from now on counted among the items without a ticket.
                    if (!m_sql.exec(stmt::kReprintProduct, {idItem}).ok()
                        || !m_sql.exec(stmt::kClearComanda, {idItem}).ok()) {
                        if (!failure)
                            failure = m_sql.result();
                    }
                } else if (!m_sql.exec(stmt::kReprintItem, {idItem}).ok() && !failure) {
                    failure = m_sql.result();
                }
            }
            return Outcome::ok();
        },
        [&] { return requested(m_sql.result()); });
    return held.done() ? requested(failure) : held;
}

Outcome PrintService::reprintComandas(const ShownTable &table, const std::vector<std::int64_t> &items)
{
    std::optional<SqlResult> failure;
    const Outcome held = m_guard.write(
        table.opening(), reprinted(items),
        [&] {
            for (const std::int64_t idItem : items) {
                const std::int64_t comanda = comandaOf(table, idItem);
                SqlResult state;
                if (comanda == 0)
                    state = m_sql.exec(stmt::kReprintItem, {idItem});
                else if (comanda == kNoComanda)
                    state = m_sql.exec(stmt::kReprintComandaOfTable, {comanda, table.idMesa});
                else
                    state = m_sql.exec(stmt::kReprintComanda, {comanda});
                if (!state.ok() && !failure)
                    failure = state;
            }
            return Outcome::ok();
        },
        [&] { return requested(m_sql.result()); });
    return held.done() ? requested(failure) : held;
}

Outcome PrintService::nextTestPrinter(int after, const QString &chosenName, TestPrinter &printer)
{
    printer = TestPrinter();
    const QString chosen = withoutTrailingBlanks(chosenName);
    const bool everyPrinter = chosen == QLatin1String("Todas");
    Record row(kPrinterName);
    for (int code = after + 1; code <= kPrinterCodes; ++code) {
        row.clear();
        const SqlResult state = m_sql.exec(stmt::kPrinterName, {code}, &row);
        if (state.noRow())
            continue;
        if (!state.ok())
            return Outcome::fail(QStringLiteral("Erro ") + state.state()
                                     + QStringLiteral(" na leitura das impressoras !!!"),
                                 state, QStringLiteral("a leitura das impressoras"));
        const QString name = row.text(0);
        if (name.trimmed().isEmpty())
            continue;
        if (!everyPrinter && chosen != withoutTrailingBlanks(name))
            continue;
        printer.code = code;
        printer.name = name;
        break;
    }
    return Outcome::ok();
}

Outcome PrintService::TESTEIMP(TestPrinter &printer, const QString &formPrt)
{
    const PrinterConfig config(printer.name);
    const QString written = config.write(formPrt);
    if (written != QLatin1String(filestatus::kOk)) {
        Outcome failed = Outcome::refuse(QStringLiteral("Erro ") + written + QStringLiteral(" gravando ") + formPrt
                                             + QStringLiteral(" !!!"),
                                         Outcome::Severity::Stop);
        failed.kind = Outcome::Kind::Failed;
        failed.step = QStringLiteral("a gravação de ") + formPrt;
        failed.error.state = written;
        return failed;
    }
    Record now(kTime);
    const SqlResult timeState = m_sql.exec(stmt::kServerTime, {}, &now);
    if (!timeState.ok())
        return Outcome::fail(QStringLiteral("Erro ") + timeState.state()
                                 + QStringLiteral(" na leitura da hora do servidor !!!"),
                             timeState, QStringLiteral("a leitura da hora do servidor"));
    printer.time = now.text(0);
    return Outcome::ok();
}

} // namespace qv
