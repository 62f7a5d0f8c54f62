#include "tables/forms/SplitTransfer.h"
#include "platform/ui/Desk.h"

#include "board/forms/CommandFrame.h"
#include "board/forms/DeskContext.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_TransferFrame.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace qv {

namespace {
// The message of an outcome, with its icon. The failures of these commands
// have always been one box that names the SQLSTATE.
void tell(DeskContext &desk, const Outcome &outcome)
{
    if (!outcome.message.isEmpty())
        UiService::instance().message(desk.window(), outcome.message,
                                      outcome.severity == Outcome::Severity::Stop ? style::kStop : style::kInformation);
    desk.noteLostConnection(outcome);
}
} // namespace

SplitTransfer::SplitTransfer(DeskContext &form)
    : m_form(form), m_split(desk::sql(), desk::session()), m_transfer(desk::sql()),
      m_transferUi(std::make_unique<Ui::TransferFrame>())
{
    m_transferFrame = new QGroupBox(form.window());
    m_transferUi->setupUi(m_transferFrame);
    m_frame = new CommandFrame(form, m_transferFrame);
    // Mask "zz999": the target position, five digits at most.
    m_transferUi->Ed_NOVAMES->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_transferUi->Ed_NOVAMES));
    connect(m_transferUi->Bt_TRANSFERE, &QPushButton::clicked, this, [this] { TRANSFERE(); });
    connect(m_transferUi->Bt_VOLTA2, &QPushButton::clicked, this, [this] { VOLTA2(); });
    for (QWidget *control :
         {static_cast<QWidget *>(m_transferUi->Ed_NOVAMES), static_cast<QWidget *>(m_transferUi->Bt_TRANSFERE),
          static_cast<QWidget *>(m_transferUi->Bt_VOLTA2)})
        control->installEventFilter(this);
}

SplitTransfer::~SplitTransfer() = default;

void SplitTransfer::DIVIDIR()
{
    DeskContext &desk = m_form;
    auto refuse = [&desk](const Outcome &outcome) {
        tell(desk, outcome);
        desk.focusTableField();
    };

    SplitService::Request request;
    const Outcome checked = m_split.check(desk.shown(), desk.shownTable(), request);
    if (!checked.done())
        return refuse(checked);

    // The cashier chooses the receiving positions; the shares are written
    // once the chooser has closed.
    exchange::SplitExchange::write({request.position, request.amount});
    UiService::instance().openForm(QStringLiteral("99-Divide"), desk.window());
    const exchange::SplitExchange::Answer chosen = exchange::SplitExchange::read();
    if (!chosen.split)
        return desk.focusTableField(); // nothing ticked, or the dialog failed

    const Outcome written = m_split.DIVIDIR(request, chosen.positions);
    if (!written.done() && written.next == Outcome::Next::Stay)
        return refuse(written);
    desk.present(written);
}

void SplitTransfer::openTransfer()
{
    const DeskContext &desk = m_form;
    // 1.
    if (desk.shown().blocked()) {
        m_form.refuseBlocked();
        return;
    }
    // 2.
    if (m_form.typedTable() == 0 || desk.selectedRows().empty())
        return;
    // Another command frame holds the table area: the transfer waits for it.
    if (m_form.frameOpen())
        return;
    // 3.
    m_frame->open();
    m_transferUi->Ed_NOVAMES->clear();
    m_transferUi->Ed_NOVAMES->setFocus(Qt::OtherFocusReason);
}

void SplitTransfer::TRANSFERE()
{
    DeskContext &desk = m_form;
    UiService &messages = UiService::instance();
    QLineEdit *target = m_transferUi->Ed_NOVAMES;

    // 1-2. A target position that is open, opening a closed one on the way.
    int idMesa = 0;
    QString targetOpenedAt;
    for (;;) {
        idMesa = target->text().trimmed().toInt();
        if (idMesa == 0)
            return;
        Outcome refusal;
        const TransferService::Target found = m_transfer.target(idMesa, refusal, &targetOpenedAt);
        if (found == TransferService::Target::Refused) {
            tell(desk, refusal);
            target->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (found == TransferService::Target::Closed) {
            if (messages.message(desk.window(), QStringLiteral("Mesa fechada, abre ?"), style::kAsk) != answer::kYes)
                return;
            exchange::OpenTableExchange::writePosition(idMesa);
            messages.openForm(QStringLiteral("99-AbreMesa"), desk.window());
            continue; // whatever the dialog did, the row says now
        }
        break;
    }

    // 3. The selected items; observation rows carry no item.
    const Outcome moved = m_transfer.TRANSFERE(desk.shown(), idMesa, targetOpenedAt, desk.selectedItems());
    if (!moved.done() && moved.next != Outcome::Next::Stay) {
        // One end is no longer what the frame was opened on: the source is
        // shown as it is now.
        leaveTransfer();
        desk.present(moved);
        return;
    }
    if (!moved.done()) {
        // The frame stays open: the cashier may try again or go back.
        tell(desk, moved);
        target->setFocus(Qt::OtherFocusReason);
        return;
    }

    // 4. The source as it is now.
    leaveTransfer();
    desk.reread();

    // 5. A source left empty goes on to its closing, unless its reading
    // found otherwise (another terminal may have ordered meanwhile).
    if (moved.next == Outcome::Next::CloseAccount && !m_form.closing() && desk.shown().itemCount() == 0)
        desk.closeAccount();
}

void SplitTransfer::VOLTA2()
{
    leaveTransfer();
    m_form.reread();
}

void SplitTransfer::leaveTransfer()
{
    m_frame->close();
    m_form.focusTableField();
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
