#include "modules/Management.h"
#include "data/Statements.h"
#include "platform/ui/Desk.h"

#include "platform/Decimal.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "ui_Management.h"

#include <set>

namespace qv {

namespace {
const char *const kCursor = "CURGER";

// Cancelled sales brought no money in and are not counted.

const Layout kOpenRow("mov_Mesa", {FieldDef::N("idMesa", 5), FieldDef::C("status", 1), FieldDef::N("qtdPessoas", 3),
                                   FieldDef::C("nome", 20), FieldDef::C("horaAbertura", 8)});
const Layout kClosedSummary("mov_Vendas", {FieldDef::N("contas", 9), FieldDef::N("total", 12, 2)});

QString statusName(const QString &letter)
{
    if (letter == QLatin1String("A"))
        return QStringLiteral("A - Aberta");
    if (letter == QLatin1String("B"))
        return QStringLiteral("B - Bloqueada");
    if (letter == QLatin1String("I"))
        return QStringLiteral("I - Conta pedida");
    return letter;
}
} // namespace

ManagementDialog::ManagementDialog(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::Management>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("05-Olvant"));
    connect(m_ui->Bt_Sair, &QPushButton::clicked, this, &QDialog::reject);
    for (int c : {0, 2})
        m_ui->Lv_Abertas->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    m_ui->Lv_Abertas->setFocus();
}

ManagementDialog::~ManagementDialog() = default;

bool ManagementDialog::readFailed()
{
    Sql &sql = desk::sql();
    UiService::instance().message(
        this, QStringLiteral("Erro %1 na leitura da tela gerência !!!\n%2").arg(sql.state(), sql.message()),
        style::kStop);
    sql.close(kCursor);
    return false;
}

bool ManagementDialog::load()
{
    Sql &sql = desk::sql();
    const int period = int(records::W_NRTURNO().digits());
    const SharedRecord &opened = records::W_CABEDAT();
    const QString date = opened.text(5, 4) + opened.text(3, 2) + opened.text(1, 2);
    m_ui->Lb_FILTRO->setText(QStringLiteral("Data %1/%2/%3 · %4")
                                 .arg(opened.text(1, 2), opened.text(3, 2), opened.text(5, 4),
                                      period == 1 ? QStringLiteral("Almoço") : QStringLiteral("Jantar")));

    // The positions open now, whatever period opened them.
    m_ui->Lv_Abertas->clear();
    if (!sql.open(kCursor, stmt::kManagementTables).ok())
        return readFailed();
    Record row(kOpenRow);
    std::set<std::int64_t> tables;
    int positions = 0;
    for (;;) {
        const SqlResult &state = sql.fetch(kCursor, row);
        if (state.noRow())
            break;
        if (!state.ok())
            return readFailed();
        const std::int64_t idMesa = row.integer("idMesa");
        auto *item = new QTreeWidgetItem(m_ui->Lv_Abertas);
        item->setText(0, QStringLiteral("%1/%2")
                             .arg(idMesa / 100, 3, 10, QLatin1Char('0'))
                             .arg(idMesa % 100, 2, 10, QLatin1Char('0')));
        item->setText(1, statusName(row.text("status")));
        item->setText(2, QString::number(row.integer("qtdPessoas")));
        item->setText(3, row.text("nome").trimmed());
        item->setText(4, row.text("horaAbertura"));
        for (int c : {0, 2})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        tables.insert(idMesa / 100);
        ++positions;
    }
    sql.close(kCursor);
    for (int c = 0; c < m_ui->Lv_Abertas->columnCount(); ++c)
        m_ui->Lv_Abertas->resizeColumnToContents(c);

    // The accounts closed in this period.
    Record closed(kClosedSummary);
    if (!sql.exec(stmt::kManagementSales, {date, period}, &closed).ok())
        return readFailed();

    m_ui->Ds_MESAS->setText(QString::number(tables.size()));
    m_ui->Ds_POSICOES->setText(QString::number(positions));
    m_ui->Ds_CONTAS->setText(QString::number(closed.integer("contas")));
    m_ui->Ds_TOTAL->setText(closed.num("total").toDisplay(2));
    return true;
}

void registerManagement()
{
    FormRegistry::instance().add(QStringLiteral("05-Olvant"), [](QWidget *parent) {
        ManagementDialog dialog(parent);
        if (!dialog.load())
            return int(QDialog::Rejected);
        return dialog.exec();
    });
}

} // namespace qv
