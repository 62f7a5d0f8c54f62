#include "tables/forms/SplitTransfer.h"
#include "data/Statements.h"
#include "data/UnitOfWork.h"

#include "board/forms/Board.h"
#include "board/forms/Detail.h"
#include "board/forms/MainForm.h"
#include "data/Tables.h"
#include "platform/ui/Keys.h"
#include "platform/Record.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "board/forms/CommandFrame.h"
#include "session/Exchanges.h"
#include "ui_MainForm.h"
#include "ui_TransferFrame.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <vector>

namespace qv {

namespace {
// The observations carry their position too, and the closing of a position
// deletes its observations by it: left behind, they would be lost with the
// source's closing and missing from the target's sale.

const Layout kSplitFlag("mov_Mesa", {FieldDef::C("dividida", 1)});

constexpr int kHighestPosition = 8001;
} // namespace

SplitTransfer::SplitTransfer(MainForm &form) : m_form(form), m_transferUi(std::make_unique<Ui::TransferFrame>())
{
    m_transferFrame = new QGroupBox(&form);
    m_transferUi->setupUi(m_transferFrame);
    m_frame = new CommandFrame(form, m_transferFrame);
    // Mask "zz999": the target position, five digits at most.
    m_transferUi->Ed_NOVAMES->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_transferUi->Ed_NOVAMES));
    connect(m_transferUi->Bt_TRANSFERE, &QPushButton::clicked, this, [this] { TRANSFERE(); });
    connect(m_transferUi->Bt_VOLTA2, &QPushButton::clicked, this, [this] { VOLTA2(); });
    for (QWidget *control : {static_cast<QWidget *>(m_transferUi->Ed_NOVAMES),
                             static_cast<QWidget *>(m_transferUi->Bt_TRANSFERE),
                             static_cast<QWidget *>(m_transferUi->Bt_VOLTA2)})
        control->installEventFilter(this);
}

SplitTransfer::~SplitTransfer() = default;

void SplitTransfer::DIVIDIR()
{
    auto &ui = m_form.ui();
    Sql &sql = Sql::instance();
    auto refuse = [&ui] { ui.Ed_CODIMES->setFocus(Qt::OtherFocusReason); };

    // 1-5. Only the blocked position on show, and only once.
    const int idMesa = m_form.typedTable();
    if (idMesa > kHighestPosition || idMesa != m_form.currentTable() || idMesa == 0)
        return refuse();
    if (ui.Bt_Bloqueio->text() == QLatin1String("BLOQUEIA MESA"))
        return refuse();
    Record flag(kSplitFlag);
    const SqlResult readState = sql.exec(stmt::kTableSplitFlag, {idMesa}, &flag);
    if (!readState.ok()) {
        // Unknown whether it was split already: splitting again would
        // charge the bill twice.
        UiService::instance().message(&m_form,
                                      QStringLiteral("Erro ") + readState.state()
                                          + QStringLiteral(" na leitura da mesa, conta não dividida !!!"),
                                      style::kStop);
        return refuse();
    }
    if (flag.text(0) == QLatin1String("S"))
        return refuse();

    // 6. What the dialog needs: the position and the amount to share. The
    // service fee stays out; each receiving position charges its own.
    const TableTotals &totals = m_form.detail().totals();
    exchange::SplitExchange::write({idMesa, totals.tableTotal - totals.serviceValue});

    // 7-9. The shares and the flag are one transaction: shares on the other
    // positions without the flag would let this bill be paid in full too,
    // the flag without all shares would lose part of it.
    QString failed;
    {
        UnitOfWork transaction(Sql::instance());
        if (!transaction.started()) {
            failed = sql.state();
        } else {
            UiService::instance().openForm(QStringLiteral("99-Divide"), &m_form);
            if (!exchange::SplitExchange::read().split)
                return refuse(); // nothing ticked or the dialog failed: rolled back
            if (!sql.exec(stmt::kMarkSplit, {idMesa}).ok() || !transaction.commit())
                failed = sql.state();
        }
    }
    if (!failed.isEmpty()) {
        UiService::instance().message(&m_form,
                                      QStringLiteral("Erro ") + failed
                                          + QStringLiteral(" na gravação da conta dividida, nada foi dividido !!!"),
                                      style::kStop);
        return refuse();
    }
    m_form.board().release();
}

void SplitTransfer::openTransfer()
{
    auto &ui = m_form.ui();
    // 1.
    if (ui.Bt_Bloqueio->text() == QLatin1String("DESBLOQUEIA MESA")) {
        m_form.refuseBlocked();
        return;
    }
    // 2.
    if (m_form.typedTable() == 0 || ui.Lv_Itens->selectedItems().isEmpty())
        return;
    // Another command frame holds the table area: the transfer waits for it.
    if (m_form.commandFrameOpen())
        return;
    // 3.
    m_frame->open();
    m_transferUi->Ed_NOVAMES->clear();
    m_transferUi->Ed_NOVAMES->setFocus(Qt::OtherFocusReason);
}

void SplitTransfer::TRANSFERE()
{
    auto &ui = m_form.ui();
    Sql &sql = Sql::instance();
    UiService &messages = UiService::instance();
    QLineEdit *target = m_transferUi->Ed_NOVAMES;

    // 1-2. A target position that is open, opening a closed one on the way.
    int idMesa = 0;
    for (;;) {
        idMesa = target->text().trimmed().toInt();
        if (idMesa == 0)
            return;
        Record row(tables::movMesa);
        if (!sql.exec(stmt::kTableById, {idMesa}, &row).ok()) {
            messages.message(&m_form, QStringLiteral("Mesa/Posição não existe !!!"), style::kStop);
            target->setFocus(Qt::OtherFocusReason);
            return;
        }
        const QString status = row.text("status");
        if (status == QLatin1String("F")) {
            if (messages.message(&m_form, QStringLiteral("Mesa fechada, abre ?"), style::kAsk) != answer::kYes)
                return;
            exchange::OpenTableExchange::writePosition(idMesa);
            messages.openForm(QStringLiteral("99-AbreMesa"), &m_form);
            continue; // whatever the dialog did, the row says now
        }
        if (status != QLatin1String("A")) {
            messages.message(&m_form, QStringLiteral("Erro, mesa não está aberta !!!"), style::kStop);
            target->setFocus(Qt::OtherFocusReason);
            return;
        }
        break;
    }

    // 3. The selected item rows; observation rows carry no item.
    std::vector<std::int64_t> items;
    for (int i = 0; i < ui.Lv_Itens->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = ui.Lv_Itens->topLevelItem(i);
        if (!row->isSelected())
            continue;
        const std::int64_t idItem = row->text(0).trimmed().toLongLong();
        if (idItem != 0)
            items.push_back(idItem);
    }
    // Every item moves with its kitchen record and its observations, and
    // all of them move or none: half a transfer would leave a table's
    // order split between two bills without anyone knowing.
    const int kitchenTable = idMesa / 100;
    QString failed;
    if (!items.empty()) {
        UnitOfWork transaction(Sql::instance());
        if (!transaction.started())
            failed = sql.state();
        for (std::size_t i = 0; failed.isEmpty() && i < items.size(); ++i) {
            const std::int64_t idItem = items[i];
            if (!sql.exec(stmt::kMoveItem, {idMesa, idItem}).ok()
                || !sql.exec(stmt::kMoveKitchen, {kitchenTable, idItem}).ok()
                || !sql.exec(stmt::kMoveItemObservations, {idMesa, idItem}).ok())
                failed = sql.state();
        }
        if (failed.isEmpty() && !transaction.commit())
            failed = sql.state();
    }
    if (!failed.isEmpty()) {
        // The frame stays open: the cashier may try again or go back.
        messages.message(&m_form,
                         QStringLiteral("Erro ") + failed
                             + QStringLiteral(" na transferência, nenhum item foi transferido !!!"),
                         style::kStop);
        target->setFocus(Qt::OtherFocusReason);
        return;
    }

    // 4. The source as it is now.
    leaveTransfer();
    m_form.dispatch(QStringLiteral("LERMESA"));

    // 5. A source left empty goes on to its closing.
    if (!m_form.closedDown() && ui.Lv_Itens->topLevelItemCount() == 0)
        m_form.pressKey(vk::kF10);
}

void SplitTransfer::VOLTA2()
{
    leaveTransfer();
    m_form.dispatch(QStringLiteral("LERMESA"));
}

void SplitTransfer::leaveTransfer()
{
    m_frame->close();
    m_form.ui().Ed_CODIMES->setFocus(Qt::OtherFocusReason);
}

bool SplitTransfer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = virtualKey(*static_cast<QKeyEvent *>(event));
    if (key == vk::kEscape) {
        VOLTA2();
        return true;
    }
    if (key == vk::kEnter) {
        if (watched == m_transferUi->Ed_NOVAMES)
            TRANSFERE();
        else if (auto *button = qobject_cast<QPushButton *>(watched))
            button->click();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qv
