#include "modules/Reports.h"
#include "data/Statements.h"
#include "platform/ui/Desk.h"

#include "platform/Decimal.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "ui_Reports.h"

#include <QHeaderView>

namespace qv {

namespace {
const char *const kCursor = "CURREL";

// Cancelled sales are left out of every report: their money never came in.

const Layout kClosedRow("mov_Vendas",
                        {FieldDef::N("nrMesa", 3), FieldDef::N("pontoMesa", 2), FieldDef::N("qtdPessoas", 3),
                         FieldDef::C("nome", 20), FieldDef::C("horaAbertura", 8), FieldDef::C("horaFechamento", 8),
                         FieldDef::N("valorTotal", 12, 2), FieldDef::N("dividida", 1)});
const Layout kCommissionRow("mov_Vendas", {FieldDef::N("idGarcon", 2), FieldDef::C("nome", 20),
                                           FieldDef::N("contas", 9), FieldDef::N("servico", 12, 2)});
const Layout kMenuMixRow("mov_VendasItem", {FieldDef::N("idProduto", 6), FieldDef::C("descricao", 40),
                                            FieldDef::N("quantidade", 9), FieldDef::N("valor", 12, 2)});

QString money(Decimal value)
{
    return value.toDisplay(2);
}

QString periodName(int period)
{
    return period == 1 ? QStringLiteral("Almoço") : period == 2 ? QStringLiteral("Jantar") : QString::number(period);
}
} // namespace

ReportsDialog::ReportsDialog(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::Reports>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("15-Pemrick"));
    connect(m_ui->Bt_Sair, &QPushButton::clicked, this, &QDialog::reject);
    m_ui->Lv_Relatorio->setFocus();
}

ReportsDialog::~ReportsDialog() = default;

void ReportsDialog::setColumns(const QStringList &titles, const QList<int> &rightAligned)
{
    QTreeWidget *list = m_ui->Lv_Relatorio;
    list->clear();
    list->setColumnCount(int(titles.size()));
    list->setHeaderLabels(titles);
    m_rightAligned = rightAligned;
    for (int c : rightAligned)
        list->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
}

static void alignRows(QTreeWidgetItem *row, const QList<int> &columns)
{
    for (int c : columns)
        row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
}

void ReportsDialog::addTotalLine(const QStringList &texts)
{
    auto *row = new QTreeWidgetItem(m_ui->Lv_Relatorio, texts);
    QFont bold = row->font(0);
    bold.setBold(true);
    for (int c = 0; c < int(texts.size()); ++c)
        row->setFont(c, bold);
    alignRows(row, m_rightAligned);
    for (int c = 0; c < m_ui->Lv_Relatorio->columnCount(); ++c)
        m_ui->Lv_Relatorio->resizeColumnToContents(c);
}

bool ReportsDialog::readFailed()
{
    Sql &sql = desk::sql();
    UiService::instance().message(
        this, QStringLiteral("Erro %1 na leitura do relatório !!!\n%2").arg(sql.state(), sql.message()), style::kStop);
    sql.close(kCursor);
    return false;
}

bool ReportsDialog::readRows(std::string_view text, SqlParams in, const Layout &layout,
                             const std::function<void(const Record &)> &addRow)
{
    Sql &sql = desk::sql();
    if (!sql.open(kCursor, text, in).ok())
        return readFailed();
    Record row(layout);
    for (;;) {
        const SqlResult &state = sql.fetch(kCursor, row);
        if (state.noRow())
            break;
        if (!state.ok())
            return readFailed();
        addRow(row);
    }
    sql.close(kCursor);
    return true;
}

bool ReportsDialog::load()
{
    const SharedRecord &vars = records::W_VARS_SQL();
    const char kind = records::L_LINK().at(312);
    const int period = int(vars.digits(31, 1));
    const int desk = int(vars.digits(32, 1));
    // The period's business date, DDMMYYYY, which every sale of the period
    // carries (as YYYYMMDD) whatever day its desk was opened on.
    const SharedRecord &opened = records::W_PABEDAT();
    const QString date = opened.text(5, 4) + opened.text(3, 2) + opened.text(1, 2);
    const QString shownDate =
        opened.text(1, 2) + QLatin1Char('/') + opened.text(3, 2) + QLatin1Char('/') + opened.text(5, 4);

    switch (kind) {
    case 'M':
        setWindowTitle(QStringLiteral("Mesas Fechadas"));
        m_ui->Lb_TITULO->setText(QStringLiteral("Mesas Fechadas"));
        m_ui->Lb_FILTRO->setText(
            QStringLiteral("Data %1 · %2 · Caixa %3").arg(shownDate, periodName(period)).arg(desk));
        return loadClosedTables(date, period, desk);
    case 'C':
        setWindowTitle(QStringLiteral("Comissões"));
        m_ui->Lb_TITULO->setText(QStringLiteral("Comissões (serviço por garçon)"));
        m_ui->Lb_FILTRO->setText(
            QStringLiteral("Data %1 · %2 · Caixa %3").arg(shownDate, periodName(period)).arg(desk));
        return loadCommissions(date, period, desk);
    case 'P':
        setWindowTitle(QStringLiteral("Menu Mix"));
        m_ui->Lb_TITULO->setText(QStringLiteral("Menu Mix (produtos vendidos)"));
        m_ui->Lb_FILTRO->setText(QStringLiteral("Data %1 · %2 · todos os caixas").arg(shownDate, periodName(period)));
        return loadMenuMix(date, period);
    default:
        UiService::instance().message(this, QStringLiteral("Relatório '%1' desconhecido !!!").arg(QLatin1Char(kind)),
                                      style::kStop);
        return false;
    }
}

bool ReportsDialog::loadClosedTables(const QString &date, int period, int desk)
{
    setColumns({QStringLiteral("Mesa"), QStringLiteral("Posição"), QStringLiteral("Pessoas"), QStringLiteral("Garçon"),
                QStringLiteral("Abertura"), QStringLiteral("Fechamento"), QStringLiteral("Total")},
               {0, 1, 2, 6});
    Decimal total;
    std::int64_t people = 0;
    int accounts = 0;
    const bool read = readRows(stmt::kReportClosedTables, {date, period, desk}, kClosedRow, [&](const Record &row) {
        auto *item = new QTreeWidgetItem(m_ui->Lv_Relatorio);
        item->setText(0, QString::number(row.integer("nrMesa")));
        item->setText(1, QStringLiteral("%1").arg(row.integer("pontoMesa"), 2, 10, QLatin1Char('0')));
        item->setText(2, QString::number(row.integer("qtdPessoas")));
        item->setText(3, row.text("nome").trimmed());
        item->setText(4, row.text("horaAbertura"));
        item->setText(5, row.text("horaFechamento"));
        alignRows(item, m_rightAligned);
        // A split position's sale took no payment (its receipt is empty):
        // its money is counted in the shares paid at the other positions,
        // so here it is shown, marked, and left out of the total.
        if (row.integer("dividida") != 0) {
            item->setText(6, QStringLiteral("%1 (dividida)").arg(money(row.num("valorTotal"))));
            people += row.integer("qtdPessoas");
            return;
        }
        item->setText(6, money(row.num("valorTotal")));
        total += row.num("valorTotal");
        people += row.integer("qtdPessoas");
        ++accounts;
    });
    if (!read)
        return false;
    addTotalLine({QStringLiteral("TOTAL"), QString(), QString::number(people),
                  QStringLiteral("%1 conta(s)").arg(accounts), QString(), QString(), money(total)});
    return true;
}

// Commissions and menu mix share one shape: code, name, a count, a value.
bool ReportsDialog::loadCountAndValue(std::string_view text, SqlParams in, const Layout &layout,
                                      const QStringList &titles)
{
    setColumns(titles, {0, 2, 3});
    Decimal total;
    std::int64_t count = 0;
    const bool read = readRows(text, in, layout, [&](const Record &row) {
        auto *item = new QTreeWidgetItem(m_ui->Lv_Relatorio);
        item->setText(0, QString::number(row.num(0).toInt()));
        item->setText(1, row.text(1).trimmed());
        item->setText(2, QString::number(row.num(2).toInt()));
        item->setText(3, money(row.num(3)));
        alignRows(item, m_rightAligned);
        count += row.num(2).toInt();
        total += row.num(3);
    });
    if (!read)
        return false;
    addTotalLine({QStringLiteral("TOTAL"), QString(), QString::number(count), money(total)});
    return true;
}

bool ReportsDialog::loadCommissions(const QString &date, int period, int desk)
{
    return loadCountAndValue(
        stmt::kReportCommissions, {date, period, desk}, kCommissionRow,
        {QStringLiteral("Código"), QStringLiteral("Garçon"), QStringLiteral("Contas"), QStringLiteral("Serviço")});
}

bool ReportsDialog::loadMenuMix(const QString &date, int period)
{
    return loadCountAndValue(
        stmt::kReportMenuMix, {date, period}, kMenuMixRow,
        {QStringLiteral("Código"), QStringLiteral("Produto"), QStringLiteral("Qtde"), QStringLiteral("Valor")});
}

void registerReports()
{
    FormRegistry::instance().add(QStringLiteral("15-Pemrick"), [](QWidget *parent) {
        ReportsDialog dialog(parent);
        if (!dialog.load())
            return int(QDialog::Rejected);
        return dialog.exec();
    });
}

} // namespace qv
