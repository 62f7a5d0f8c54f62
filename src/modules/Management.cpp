#include "modules/Management.h"
#include "platform/ui/Desk.h"

#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "tables/SalesFigures.h"
#include "ui_Management.h"

namespace qv {

namespace {
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

bool ManagementDialog::load()
{
    const int period = exchange::DeskSession::period();
    m_ui->Lb_FILTRO->setText(QStringLiteral("Data %1 · %2")
                                 .arg(exchange::DeskSession::periodDateShown(),
                                      period == 1 ? QStringLiteral("Almoço") : QStringLiteral("Jantar")));
    SalesFigures figures(desk::sql());
    const auto overview = figures.overview({exchange::DeskSession::periodDateSortable(), period});
    if (!overview) {
        UiService::instance().message(this,
                                      QStringLiteral("Erro %1 na leitura da tela gerência !!!\n%2")
                                          .arg(figures.error().state, figures.error().message),
                                      style::kStop);
        return false;
    }

    m_ui->Lv_Abertas->clear();
    for (const SalesFigures::OpenPosition &p : overview->open) {
        auto *item = new QTreeWidgetItem(m_ui->Lv_Abertas);
        item->setText(0, QStringLiteral("%1/%2")
                             .arg(p.idMesa / 100, 3, 10, QLatin1Char('0'))
                             .arg(p.idMesa % 100, 2, 10, QLatin1Char('0')));
        item->setText(1, statusName(p.status));
        item->setText(2, QString::number(p.people));
        item->setText(3, p.waiter);
        item->setText(4, p.opened);
        for (int c : {0, 2})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int c = 0; c < m_ui->Lv_Abertas->columnCount(); ++c)
        m_ui->Lv_Abertas->resizeColumnToContents(c);

    m_ui->Ds_MESAS->setText(QString::number(overview->tables));
    m_ui->Ds_POSICOES->setText(QString::number(overview->open.size()));
    m_ui->Ds_CONTAS->setText(QString::number(overview->accounts));
    m_ui->Ds_TOTAL->setText(overview->total.toDisplay(2));
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
