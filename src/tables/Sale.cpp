#include "tables/Sale.h"

#include "data/Status.h"

#include <QStringList>

namespace qv::sale {

namespace {
const QString kNoTime = QStringLiteral("00:00:00");

QString time8(const QString &text)
{
    return text.leftJustified(8, QLatin1Char(' '), true);
}
} // namespace

int waiterFor(const std::vector<OperatorEntry> &operators, const QString &comboText, int fallback)
{
    // The combo shows the 20-character names; whatever follows them must be
    // blank for the text to be that name.
    if (!comboText.mid(20).trimmed().isEmpty())
        return fallback;
    const QString name = comboText.left(20).leftJustified(20, QLatin1Char(' '));
    int code = 0;
    for (const OperatorEntry &entry : operators) {
        if (entry.name.leftJustified(20, QLatin1Char(' '), true) == name)
            code = entry.code;
    }
    return code != 0 ? code : fallback;
}

int minutesOfTimeDiff(const QString &text)
{
    QString value = text.trimmed();
    const bool negative = value.startsWith(QLatin1Char('-'));
    if (negative)
        value.remove(0, 1);
    const QStringList parts = value.split(QLatin1Char(':'));
    const int hours = parts.value(0).toInt();
    const int minutes = parts.value(1).toInt();
    const int total = hours * 60 + minutes;
    return negative ? -total : total;
}

std::optional<KitchenMinutes> kitchenMinutes(const KitchenTimes &times, const TimeDiff &diff)
{
    const QString p = time8(times.ready);
    const QString q = time8(times.collected);
    const QString r = time8(times.delivered);
    KitchenMinutes result;

    auto minutesBetween = [&diff](const QString &later, const QString &earlier) -> std::optional<int> {
        const std::optional<QString> text = diff(later, earlier);
        if (!text)
            return std::nullopt;
        return minutesOfTimeDiff(*text);
    };

    if (q > p) {
        const auto a = minutesBetween(q, p);
        if (!a)
            return std::nullopt;
        result.toCollect = *a;
    }
    // Never collected at the pass: the wait to the table runs from ready.
    const QString &from = q != kNoTime ? q : p;
    if (r != kNoTime && r > from) {
        const auto b = minutesBetween(r, from);
        if (!b)
            return std::nullopt;
        result.toTable = *b;
    }
    return result;
}

QString saleDate(const QString &ddmmyyyy)
{
    return ddmmyyyy.mid(4, 4) + ddmmyyyy.mid(2, 2) + ddmmyyyy.mid(0, 2);
}

void fillSale(Record &sale, const SaleHeader &h)
{
    sale.clear();
    sale.setInt("idVenda", 0); // numbered by the database
    sale.setText("tipo", textOf(SaleKind::Table));
    sale.setText("data", saleDate(h.businessDate));
    sale.setInt("turno", h.period);
    sale.setInt("nrCaixa", h.desk);
    sale.setInt("idCliente", 0);
    sale.setInt("nrSenha", 0);
    sale.setInt("nrMesa", h.idMesa / 100);
    sale.setInt("pontoMesa", h.idMesa % 100);
    sale.setInt("qtdPessoas", h.people);
    sale.setInt("idGarcon", h.waiter);
    sale.setText("horaAbertura", h.openedAt);
    sale.setText("horaFechamento", h.closedAt);
    sale.setText("recebimento", h.receipt);
    sale.setNum("valorRepique", h.tip);
    sale.setNum("valorProdutos", h.products);
    sale.setInt("idDesconto", h.discountKind);
    sale.setNum("descontoManual", h.manualDiscount);
    sale.setText("operDesc", h.discountOperator);
    sale.setNum("valorServico", h.serviceValue.isZero() ? h.returnedService : h.serviceValue);
    sale.setNum("valorTotal", h.tableTotal + h.returnedService);
    sale.setText("horaEntrega", kNoTime);
    sale.setText("cancelada", textOf(Flag::No));
    sale.setText("cpfCliente", QString());
}

bool cancelled(const QString &status)
{
    return isCancelled(status);
}

void fillSaleItem(Record &out, std::int64_t idVenda, int sequence, const Record &item, const Record &kitchen,
                  const KitchenMinutes &minutes)
{
    out.clear();
    out.setInt("idVenda", idVenda);
    out.setInt("sequencia", sequence);
    out.setNum("idProduto", item.num("idProduto"));
    out.setNum("valorUnitario", item.num("valorUnitario"));
    out.setNum("idOperador", item.num("idOperador"));
    out.setNum("idDesconto", item.num("idDesconto"));
    out.setNum("descontoManual", item.num("descontoManual"));
    out.setText("operDesc", item.text("operDesc"));
    out.setText("viagem", item.text("viagem"));
    out.setText("cancelado", textOf(cancelled(item.text("status")) ? Flag::Yes : Flag::No));
    out.setText("produzido", item.text("produzido"));
    out.setNum("idMotivoCanc", item.num("idMotivoCanc"));
    out.setNum("idOpeCanc", item.num("idOpeCanc"));
    out.setNum("idCozinheiro", kitchen.num("idCozinheiro"));
    out.setInt("minutosRetirada", minutes.toCollect);
    out.setInt("minutosEntrega", minutes.toTable);
    out.setText("operBaixa", item.text("operBaixa"));
}

void fillSaleObservation(Record &out, std::int64_t idVenda, int sequence, const Record &observation)
{
    out.clear();
    out.setInt("idVenda", idVenda);
    out.setInt("sequencia", sequence);
    out.setNum("idObs", observation.num("idObs"));
    out.setInt("idItemOrigem", 0);
    out.setText("tipo", observation.text("tipo"));
}

} // namespace qv::sale
