#include "board/Detail.h"

#include "data/Tables.h"
#include "board/MainForm.h"
#include "platform/Sql.h"
#include "platform/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_MainForm.h"

namespace qv {

namespace {
const Layout kName("tab_Operador", {FieldDef::C("nome", 20)});
const Layout kPercent("tab_Desconto", {FieldDef::N("percentual", 3, 2)});
const Layout kTime("time", {FieldDef::C("hora", 8)});

QString money(Decimal value)
{
    return value.toDisplay(2);
}

QString zoned(std::int64_t value, int width)
{
    return QStringLiteral("%1").arg(value, width);
}

// "descricao" of a take-away item: up to its first double blank.
QString takeAwayName(const QString &description)
{
    const int cut = description.indexOf(QStringLiteral("  "));
    return (cut < 0 ? description : description.left(cut)) + QStringLiteral(" - VIAGEM");
}
} // namespace

Detail::Detail(MainForm &form) : m_form(form), m_table(tables::movMesa) {}

bool Detail::showsObservations() const
{
    return m_form.ui().Bt_MOSTRA->text() == QStringLiteral("NÃO MOSTRA OBS");
}

void Detail::clear()
{
    auto &ui = m_form.ui();
    ui.Lv_Itens->clear();
    ui.Lv_Consol->clear();
    m_consolidation.clear();
    m_table.clear();
    m_totals = TableTotals();
    m_itemCount = 0;
    for (QLineEdit *field :
         {ui.Ds_CODIGAR, ui.Ds_NOMEGAR, ui.Ed_QTDEPES, ui.Ds_HORAABE, ui.Ds_PERMANE, ui.Ds_TOTITENS,
          ui.Ds_TOTPROD, ui.Ds_CODIDES, ui.Ds_OPERDES, ui.Ds_PERCDES, ui.Ds_VALODES, ui.Ed_DESCMANT,
          ui.Ds_SUBTOTA, ui.Ds_TAXASER, ui.Ds_VALOSER, ui.Ds_TOTMESA, ui.Ed_VALOPES, ui.Ds_TOTPRIN,
          ui.Ds_TOTVIAG, ui.Ds_VIAGLIQ})
        field->clear();
    ui.Cb_Operador->setCurrentIndex(-1);
    // The captions tell the state of the table shown; with none shown they
    // go back to their resting texts.
    ui.Bt_Bloqueio->setText(QStringLiteral("BLOQUEIA MESA"));
    ui.Bt_SERVICO->setText(QStringLiteral("INCLUIR SERVIÇO"));
}

void Detail::refreshTimeOpen()
{
    auto &ui = m_form.ui();
    const QString opened = ui.Ds_HORAABE->text();
    if (opened.trimmed().isEmpty())
        return;
    Record now(kTime);
    if (Sql::instance().exec("SELECT CURTIME()", {}, &now) != QLatin1String("00000"))
        return;
    ui.Ds_PERMANE->setText(timeOpen(opened, now.text(0)));
}

void Detail::LERMESA()
{
    auto &ui = m_form.ui();
    Sql &sql = Sql::instance();
    Session &session = Session::instance();

    for (;;) {
        // 1-2. Only within an open session.
        if (session.desk() == 0)
            return;
        if (!m_form.sessionStillOpen())
            return;

        // 3. The position typed or chosen.
        const int idMesa = m_form.typedTable();
        if (idMesa == 0)
            return;
        m_table.clear();
        sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {idMesa}, &m_table);
        if (!sql.ok()) {
            // No such position (or unreadable): nothing to show.
            m_form.showTableNumber(m_form.currentTable());
            return;
        }

        // 4. A free position is opened first, on request.
        if (m_table.text("status") == QLatin1String("F")) {
            if (UiService::instance().message(&m_form, QStringLiteral("Mesa fechada, abre ?"), style::kAsk)
                == answer::kYes) {
                exchange::OpenTableExchange::write({idMesa});
                UiService::instance().openForm(QStringLiteral("99-AbreMesa"), &m_form);
                if (exchange::OpenTableExchange::read().opened) {
                    m_form.showTableNumber(idMesa);
                    continue; // read it again, now open
                }
            }
            clear();
            ui.Ed_CODIMES->clear();
            m_form.setCurrentTable(0);
            return;
        }
        break;
    }

    // 5. The board stays as it is while a table is worked on.
    m_form.Cm_TimerMesas->stop();
    const int idMesa = int(m_table.integer("idMesa"));
    ui.Lv_Itens->clear();
    ui.Lv_Consol->clear();
    m_consolidation.clear();
    m_form.showTableNumber(idMesa);
    m_form.setCurrentTable(idMesa);
    m_totals = TableTotals();
    const int waiter = int(m_table.integer("idGarcon"));
    ui.Ds_CODIGAR->setText(QString::number(waiter));

    // 6. The table's waiter, checked against the operator list.
    Record name(kName);
    sql.exec("SELECT nome FROM tab_Operador WHERE idOperador=?", {waiter}, &name);
    const QString waiterName = name.text(0);
    ui.Ds_NOMEGAR->setText(waiterName.trimmed());
    int found = -1;
    const auto &operators = session.operators();
    for (std::size_t i = 0; i < operators.size(); ++i) {
        if (operators[i].name == waiterName) {
            found = int(i);
            break;
        }
    }
    ui.Cb_Operador->setCurrentIndex(found);
    if (ui.Cb_Operador->currentText().leftJustified(20, QLatin1Char(' '), true) != waiterName)
        UiService::instance().message(&m_form,
                               QStringLiteral("Atenção, erro no nome do Garçon, reinicie seu computador !!!"),
                               style::kStop);

    // 7. People, captions, service percent.
    ui.Ed_QTDEPES->setText(zoned(m_table.integer("qtdPessoas"), 3).trimmed());
    ui.Bt_Bloqueio->setText(m_table.text("status") == QLatin1String("B") ? QStringLiteral("DESBLOQUEIA MESA")
                                                                          : QStringLiteral("BLOQUEIA MESA"));
    const Decimal service = m_table.num("taxaServico");
    ui.Bt_SERVICO->setText(service.isZero() ? QStringLiteral("INCLUIR SERVIÇO")
                                            : QStringLiteral("EXCLUIR SERVIÇO"));
    ui.Ds_TAXASER->setText(money(service));

    // 8-9. The live items.
    if (!readItems(idMesa))
        return;

    // 10. Opening time and time open.
    ui.Ds_HORAABE->setText(m_table.text("horaAbertura"));
    refreshTimeOpen();

    // 11. The table discount.
    ui.Ds_CODIDES->setText(QString::number(m_table.integer("idDesconto")));
    ui.Ds_OPERDES->setText(m_table.text("operDesc").trimmed());
    Record percent(kPercent);
    sql.exec("SELECT dc.percentual FROM mov_Mesa AS me LEFT JOIN tab_Desconto AS dc ON "
             "dc.idDesconto=me.idDesconto WHERE me.idMesa=?",
             {idMesa}, &percent);

    // 12. Totals, then the consolidated list.
    m_totals.discountPercent = percent.num(0);
    m_totals.manualDiscount = m_table.num("descontoManual");
    m_totals.servicePercent = service;
    m_totals.people = int(m_table.integer("qtdPessoas"));
    m_totals.compute();

    ui.Ds_TOTITENS->setText(QString::number(m_itemCount));
    ui.Ds_TOTPROD->setText(money(m_totals.products));
    ui.Ds_PERCDES->setText(money(m_totals.discountPercent));
    ui.Ds_VALODES->setText(money(m_totals.discountValue));
    ui.Ed_DESCMANT->setText(money(m_totals.manualDiscount));
    ui.Ds_SUBTOTA->setText(money(m_totals.subtotal));
    ui.Ds_VALOSER->setText(money(m_totals.serviceValue));
    ui.Ds_TOTMESA->setText(money(m_totals.tableTotal));
    ui.Ed_VALOPES->setText(m_totals.hasPerPerson ? money(m_totals.perPerson) : QString());
    ui.Ds_TOTVIAG->setText(money(m_totals.takeAway));
    ui.Ds_VIAGLIQ->setText(money(m_totals.takeAwayNet));

    for (const auto &[key, line] : m_consolidation.lines()) {
        auto *row = new QTreeWidgetItem(ui.Lv_Consol);
        row->setText(0, line.description.trimmed());
        row->setText(1, QString::number(line.count));
        row->setText(2, money(key.second));
        row->setText(3, money(key.second.mulInt(line.count)));
        for (int c = 1; c <= 3; ++c)
            row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
}

bool Detail::readItems(int idMesa)
{
    auto &ui = m_form.ui();
    Sql &sql = Sql::instance();
    const bool withObservations = showsObservations();

    if (sql.open("CUR2", "SELECT*FROM mov_MesaItem WHERE idMesa=? AND status<>\"C\"AND status<>\"K\"ORDER BY "
                         "idComanda",
                 {idMesa})
        != QLatin1String("00000")) {
        UiService::instance().message(&m_form, QStringLiteral("Erro na leitura dos itens da mesa !!!"), style::kStop);
        m_form.closeForm();
        return false;
    }

    Record item(tables::movMesaItem);
    Record product(tables::cadProdutos);
    Record observation(tables::movMesaItemObs);
    Record text(tables::tabObservacao);
    Record discount(tables::tabDesconto);
    Record itemWaiter(tables::tabOperador);
    m_itemCount = 0;
    Decimal totalPrincipal;
    for (;;) {
        const QString &state = sql.fetch("CUR2", item);
        if (state == QLatin1String("02000"))
            break;
        if (state != QLatin1String("00000")) {
            UiService::instance().message(&m_form, QStringLiteral("Erro na leitura do cursor (ITENS) !!!"), style::kStop);
            sql.close("CUR2");
            m_form.closeForm();
            return false;
        }
        product.clear();
        sql.exec("SELECT*FROM cad_Produtos WHERE idProduto=?", {item.integer("idProduto")}, &product);

        // Observations: the price moves with each of them.
        Decimal price = item.num("valorUnitario");
        struct Shown
        {
            char kind;
            QString text;
        };
        std::vector<Shown> shown;
        if (sql.open("CUR3", "SELECT*FROM mov_MesaItemObs WHERE idItem=?", {item.integer("idItem")})
            != QLatin1String("00000")) {
            UiService::instance().message(&m_form, QStringLiteral("Erro na leitura das observações dos itens da mesa !!!"),
                                   style::kStop);
            sql.close("CUR2");
            m_form.closeForm();
            return false;
        }
        for (;;) {
            const QString &obsState = sql.fetch("CUR3", observation);
            if (obsState == QLatin1String("02000"))
                break;
            if (obsState != QLatin1String("00000")) {
                UiService::instance().message(&m_form, QStringLiteral("Erro na leitura do cursor (OBS) !!!"), style::kStop);
                sql.close("CUR3");
                sql.close("CUR2");
                m_form.closeForm();
                return false;
            }
            text.clear();
            sql.exec("SELECT*FROM tab_Observacao WHERE idObs=?", {observation.integer("idObs")}, &text);
            const char kind = observation.text("tipo").at(0).toLatin1();
            price = PriceAdjustment::observation(price, kind, text.num("valorCom"), text.num("valorSem"),
                                                 text.num("valorObs"));
            shown.push_back({kind, text.text("descricao")});
        }
        sql.close("CUR3");

        if (item.integer("idDesconto") != 0) {
            discount.clear();
            sql.exec("SELECT*FROM tab_Desconto WHERE idDesconto=?", {item.integer("idDesconto")}, &discount);
            price = PriceAdjustment::discount(price, discount.num("percentual"));
        }

        const QString description = product.text("descricao");
        m_consolidation.add(item.integer("idProduto"), price, description);

        itemWaiter.clear();
        sql.exec("SELECT*FROM tab_Operador WHERE idOperador=?", {item.integer("idOperador")}, &itemWaiter);

        const bool takeAway = item.text("viagem") == QLatin1String("S");
        auto *row = new QTreeWidgetItem(ui.Lv_Itens);
        row->setText(0, QString::number(item.integer("idItem")));
        row->setText(1, shown.empty() ? QString() : QStringLiteral("*"));
        row->setText(2, (takeAway ? takeAwayName(description) : description).trimmed());
        row->setText(3, money(price));
        row->setText(4, itemWaiter.text("nome").trimmed());
        row->setText(5, QString::number(item.integer("idComanda")));
        row->setText(6, item.text("horaPedido"));
        row->setText(7, item.text("status"));
        row->setText(8, QString::number(item.integer("idProduto")));
        row->setText(9, QString::number(item.integer("idDesconto")));
        row->setText(10, money(item.num("descontoManual")));
        row->setText(11, item.text("operDesc").trimmed());
        row->setText(12, item.text("viagem"));
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(10, Qt::AlignRight | Qt::AlignVCenter);
        row->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(item.integer("idItem")));

        m_totals.products += price;
        ++m_itemCount;
        if (product.text(18) == QLatin1String("S") && item.integer("idDesconto") == 0
            && item.num("descontoManual").isZero())
            totalPrincipal += price;
        if (takeAway)
            m_totals.takeAway += price;

        if (withObservations) {
            int n = 0;
            for (const Shown &obs : shown) {
                if (++n > 20)
                    break;
                auto *obsRow = new QTreeWidgetItem(ui.Lv_Itens);
                const QString prefix = obs.kind == 'C'   ? QStringLiteral("  -> Com ")
                                       : obs.kind == 'S' ? QStringLiteral("  -> Sem ")
                                                         : QStringLiteral("  -> ");
                obsRow->setText(0, QStringLiteral("0"));
                obsRow->setText(2, prefix + obs.text);
                obsRow->setText(5, QStringLiteral("0"));
                obsRow->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(0));
                obsRow->setForeground(2, QBrush(QColor(0x55, 0x55, 0x55)));
            }
        }
    }
    sql.close("CUR2");
    ui.Ds_TOTPRIN->setText(money(totalPrincipal));
    return true;
}

} // namespace qv
