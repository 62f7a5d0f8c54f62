#include "tables/forms/SplitDialog.h"
#include "platform/ui/Desk.h"

#include "board/PositionReader.h"
#include "board/forms/Board.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "tables/forms/PositionList.h"
#include "tables/forms/TableChooser.h"
#include "ui_SplitDialog.h"

#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace qv {

SplitDialog::SplitDialog(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::SplitDialog>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("99-Divide"));
    setWindowTitle(QStringLiteral("Conta Dividida"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    positionlist::prepare(m_ui->Lv_Mesas);

    // Form opened: what the caller handed over.
    const exchange::SplitExchange::Request request = exchange::SplitExchange::request();
    m_position = request.position;
    m_amount = request.amount;

    connect(m_ui->Bt_VOLTA, &QPushButton::clicked, this, [this] { dispatch(QStringLiteral("DIVIDIR")); });
    connect(m_ui->Lv_Mesas, &QTreeWidget::itemSelectionChanged, this, [this] { countTicked(); });
    m_ui->Lv_Mesas->installEventFilter(this);
    m_ui->Bt_VOLTA->installEventFilter(this);
    m_ui->Lv_Mesas->setFocus();

    // The database is read only once the dialog is on screen.
    Cm_Timer = new QTimer(this);
    Cm_Timer->setObjectName(QStringLiteral("Cm_Timer"));
    Cm_Timer->setInterval(1);
    Cm_Timer->setSingleShot(true);
    connect(Cm_Timer, &QTimer::timeout, this, [this] { dispatch(QStringLiteral("ABRAR")); });
    Cm_Timer->start();
}

SplitDialog::~SplitDialog() = default;

void SplitDialog::dispatch(const QString &code)
{
    if (code == QLatin1String("ABRAR"))
        ABRAR();
    else if (code == QLatin1String("DIVIDIR"))
        DIVIDIR();
}

void SplitDialog::ABRAR()
{
    QTreeWidget *list = m_ui->Lv_Mesas;
    Cm_Timer->stop();
    m_started = true;

    m_ui->Ed_MESA->setText(TableChooser::maskMesa(m_position));
    m_ui->Lb_VALOR->setText(QStringLiteral("Valor ") + m_amount.toDisplay(2));
    list->clear();

    const PositionListing listing = PositionReader(desk::sql()).splitCandidates(m_position);
    if (listing.outcome.failed()) {
        UiService::instance().message(this, listing.outcome.message, style::kStop);
        done(QDialog::Rejected);
        return;
    }
    for (const ListedPosition &position : listing.positions)
        positionlist::addRow(list, position);

    // Nothing is ticked for the cashier: the cursor starts on the first row.
    if (list->topLevelItemCount() > 0)
        list->setCurrentItem(list->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    countTicked();
    list->setFocus();
}

int SplitDialog::countTicked()
{
    int ticked = 0;
    QTreeWidget *list = m_ui->Lv_Mesas;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ticked += list->topLevelItem(i)->isSelected() ? 1 : 0;
    // Mask "99".
    m_ui->Ed_QUANTAS->setText(QStringLiteral("%1").arg(ticked % 100, 2, 10, QLatin1Char('0')));
    return ticked;
}

void SplitDialog::DIVIDIR()
{
    QTreeWidget *list = m_ui->Lv_Mesas;

    // 1-2.
    if (countTicked() == 0) {
        done(QDialog::Rejected);
        return;
    }

    // 3. The ticked positions in list order: the caller writes the shares,
    // the last of them taking the cents the division leaves.
    std::vector<int> positions;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        if (row->isSelected())
            positions.push_back(row->data(1, kMesaRole).toInt());
    }
    exchange::SplitExchange::answer({true, positions});
    done(QDialog::Accepted);
}

void SplitDialog::moveCurrent(int step)
{
    QTreeWidget *list = m_ui->Lv_Mesas;
    const int count = list->topLevelItemCount();
    if (count == 0)
        return;
    const int current = list->indexOfTopLevelItem(list->currentItem());
    const int next = current < 0 ? 0 : std::clamp(current + step, 0, count - 1);
    QTreeWidgetItem *item = list->topLevelItem(next);
    // Moving never ticks or unticks: only Space and a click do.
    list->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    list->scrollToItem(item);
}

bool SplitDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int key = virtualKey(*keyEvent);
    if (key == vk::kEscape) {
        done(QDialog::Rejected);
        return true;
    }
    if (key == vk::kEnter) {
        dispatch(QStringLiteral("DIVIDIR"));
        return true;
    }
    if (watched != m_ui->Lv_Mesas)
        return QDialog::eventFilter(watched, event);
    switch (key) {
    case vk::kDown: moveCurrent(+1); return true;
    case vk::kUp: moveCurrent(-1); return true;
    case vk::kTab: return false; // on to the button
    default: break;
    }
    if (keyEvent->key() == Qt::Key_Space) {
        if (QTreeWidgetItem *item = m_ui->Lv_Mesas->currentItem())
            item->setSelected(!item->isSelected());
        return true;
    }
    // Nothing else may tick or move (type-ahead search, page keys).
    return true;
}

void registerSplitDialog()
{
    FormRegistry::instance().add(QStringLiteral("99-Divide"), [](QWidget *parent) {
        SplitDialog dialog(parent);
        return dialog.exec();
    });
}

} // namespace qv
