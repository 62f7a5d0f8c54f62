#include "modules/Reports.h"
#include "platform/ui/Desk.h"

#include "platform/Decimal.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "tables/SalesFigures.h"
#include "ui_Reports.h"

#include <QHeaderView>

namespace qv {

namespace {

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

bool ReportsDialog::readFailed(const DbError &error)
{
    UiService::instance().message(
        this, QStringLiteral("Erro %1 na leitura do relatório !!!\n%2").arg(error.state, error.message), style::kStop);
    return false;
}

bool ReportsDialog::load()
{
    const exchange::ReportExchange::Request request = exchange::ReportExchange::request();
    const char kind = request.kind;
    const SalesFigures::Period period{exchange::DeskSession::periodDateSortable(), request.period};
    const int desk = request.desk.value_or(0);
    const QString shownDate = exchange::DeskSession::periodDateShown();
    SalesFigures figures(desk::sql());

    switch (kind) {
    case exchange::ReportExchange::kClosedTables:
        setWindowTitle(QStringLiteral("Mesas Fechadas"));
        m_ui->Lb_TITULO->setText(QStringLiteral("Mesas Fechadas"));
        m_ui->Lb_FILTRO->setText(
            QStringLiteral("Data %1 · %2 · Caixa %3").arg(shownDate, periodName(period.period)).arg(desk));
        return showClosedTables(figures, period, desk);
    case exchange::ReportExchange::kCommissions:
        setWindowTitle(QStringLiteral("Comissões"));
        m_ui->Lb_TITULO->setText(QStringLiteral("Comissões (serviço por garçon)"));
        m_ui->Lb_FILTRO->setText(
            QStringLiteral("Data %1 · %2 · Caixa %3").arg(shownDate, periodName(period.period)).arg(desk));
        return showLines(
            figures, figures.commissions(period, desk),
            {QStringLiteral("Código"), QStringLiteral("Garçon"), QStringLiteral("Contas"), QStringLiteral("Serviço")});
    case exchange::ReportExchange::kMenuMix:
        setWindowTitle(QStringLiteral("Menu Mix"));
        m_ui->Lb_TITULO->setText(QStringLiteral("Menu Mix (produtos vendidos)"));
        m_ui->Lb_FILTRO->setText(
            QStringLiteral("Data %1 · %2 · todos os caixas").arg(shownDate, periodName(period.period)));
        return showLines(
            figures, figures.menuMix(period),
            {QStringLiteral("Código"), QStringLiteral("Produto"), QStringLiteral("Qtde"), QStringLiteral("Valor")});
    default:
        UiService::instance().message(this, QStringLiteral("Relatório '%1' desconhecido !!!").arg(QLatin1Char(kind)),
                                      style::kStop);
        return false;
    }
}

bool ReportsDialog::showClosedTables(SalesFigures &figures, const SalesFigures::Period &period, int desk)
{
    const auto report = figures.closedTables(period, desk);
    if (!report)
        return readFailed(figures.error());
    setColumns({QStringLiteral("Mesa"), QStringLiteral("Posição"), QStringLiteral("Pessoas"), QStringLiteral("Garçon"),
                QStringLiteral("Abertura"), QStringLiteral("Fechamento"), QStringLiteral("Total")},
               {0, 1, 2, 6});
    for (const SalesFigures::ClosedTable &t : report->rows) {
        auto *item = new QTreeWidgetItem(m_ui->Lv_Relatorio);
        item->setText(0, QString::number(t.table));
        item->setText(1, QStringLiteral("%1").arg(t.position, 2, 10, QLatin1Char('0')));
        item->setText(2, QString::number(t.people));
        item->setText(3, t.waiter);
        item->setText(4, t.opened);
        item->setText(5, t.closed);
        // A split position's sale took no payment: shown, marked, and left
        // out of the totals (its shares were paid at the other positions).
        item->setText(6, t.split ? QStringLiteral("%1 (dividida)").arg(money(t.total)) : money(t.total));
        alignRows(item, m_rightAligned);
    }
    addTotalLine({QStringLiteral("TOTAL"), QString(), QString::number(report->people),
                  QStringLiteral("%1 conta(s)").arg(report->accounts), QString(), QString(), money(report->total)});
    return true;
}

// Commissions and menu mix share one shape: code, name, a count, a value.
bool ReportsDialog::showLines(const SalesFigures &figures, const std::optional<SalesFigures::Lines> &report,
                              const QStringList &titles)
{
    if (!report)
        return readFailed(figures.error());
    setColumns(titles, {0, 2, 3});
    for (const SalesFigures::Line &line : report->rows) {
        auto *item = new QTreeWidgetItem(m_ui->Lv_Relatorio);
        item->setText(0, QString::number(line.code));
        item->setText(1, line.name);
        item->setText(2, QString::number(line.count));
        item->setText(3, money(line.value));
        alignRows(item, m_rightAligned);
    }
    addTotalLine({QStringLiteral("TOTAL"), QString(), QString::number(report->count), money(report->total)});
    return true;
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
