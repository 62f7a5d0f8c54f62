#include "modules/DiscountSearch.h"
#include "platform/ui/Desk.h"

#include "data/Catalogues.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "ui_DiscountSearch.h"

#include <QKeyEvent>

namespace qv {

namespace {} // namespace

DiscountSearch::DiscountSearch(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::DiscountSearch>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("99-Lissor"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Nothing chosen until a row is.
    exchange::DiscountSearchExchange::answer(0);

    QTreeWidget *list = m_ui->Lv_Descontos;
    list->setColumnWidth(0, 70);
    list->setColumnWidth(1, 220);
    list->headerItem()->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    list->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    list->installEventFilter(this);
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { choose(); });
    connect(m_ui->Bt_Escolhe, &QPushButton::clicked, this, &DiscountSearch::choose);
    connect(m_ui->Bt_Sair, &QPushButton::clicked, this, &DiscountSearch::reject);
}

DiscountSearch::~DiscountSearch() = default;

bool DiscountSearch::load()
{
    QTreeWidget *list = m_ui->Lv_Descontos;
    list->clear();
    const CatalogueListing kinds = catalogue::discountKinds(desk::sql());
    for (const Record &row : kinds.rows) {
        auto *item = new QTreeWidgetItem(list);
        item->setText(0, QString::number(row.integer("idDesconto")));
        item->setText(1, row.text("descricao").trimmed());
        item->setText(2, row.num("percentual").toDisplay(2) + QStringLiteral(" %"));
        item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(row.integer("idDesconto")));
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (kinds.failed()) {
        UiService::instance().message(
            this, QStringLiteral("Erro %1 na leitura dos descontos !!!").arg(kinds.result.state()), style::kStop);
        if (list->topLevelItemCount() == 0)
            return false;
    }
    const bool ok = !kinds.failed();
    if (list->topLevelItemCount() > 0) {
        list->setCurrentItem(list->topLevelItem(0));
        list->topLevelItem(0)->setSelected(true);
    }
    list->setFocus(Qt::OtherFocusReason);
    return ok;
}

void DiscountSearch::choose()
{
    QTreeWidgetItem *row = m_ui->Lv_Descontos->currentItem();
    if (!row)
        return;
    exchange::DiscountSearchExchange::answer(int(row->data(0, Qt::UserRole).toLongLong()));
    accept();
}

void DiscountSearch::reject()
{
    exchange::DiscountSearchExchange::answer(0);
    QDialog::reject();
}

bool DiscountSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Lv_Descontos && event->type() == QEvent::KeyPress
        && virtualKey(*static_cast<QKeyEvent *>(event)) == vk::kEnter) {
        choose();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void registerDiscountSearch()
{
    FormRegistry::instance().add(QStringLiteral("99-Lissor"), [](QWidget *parent) {
        DiscountSearch dialog(parent);
        dialog.load();
        return dialog.exec();
    });
}

} // namespace qv
