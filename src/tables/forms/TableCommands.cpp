#include "tables/forms/TableCommands.h"
#include "platform/ui/Desk.h"

#include "board/forms/DeskContext.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/OffThread.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/AccountMath.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTimer>

#include <algorithm>

namespace qv {

namespace {

QString money(Decimal value)
{
    return value.toDisplay(2);
}

class BusyGuard
{
public:
    explicit BusyGuard(bool &flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
    ~BusyGuard() { m_flag = m_previous; }

private:
    bool &m_flag;
    bool m_previous;
};

} // namespace

TableCommands::TableCommands(DeskContext &desk, const Fields &fields)
    : m_desk(desk), m_fields(fields), m_service(desk::sql(), desk::session()), m_closing(desk::sql(), desk::session())
{
    // Mask "zz9": up to three digits, nothing else gets in.
    m_fields.people->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), m_fields.people));
    m_fields.people->installEventFilter(this);
    m_fields.manualDiscount->installEventFilter(this);
}

TableCommands::~TableCommands() = default;

bool TableCommands::eventFilter(QObject *watched, QEvent *event)
{
    QLineEdit *field = nullptr;
    if (watched == m_fields.people)
        field = m_fields.people;
    else if (watched == m_fields.manualDiscount)
        field = m_fields.manualDiscount;
    if (!field)
        return QObject::eventFilter(watched, event);

    // A value is confirmed once, when it was typed: merely passing through
    // the field writes nothing, and the table reading that follows a
    // confirmation marks the field as unchanged again.
    auto confirm = [this, field] {
        if (m_busy || !field->isModified())
            return;
        if (field == m_fields.people)
            peopleCount();
        else
            manualDiscount();
    };
    if (event->type() == QEvent::KeyPress && virtualKey(*static_cast<QKeyEvent *>(event)) == vk::kEnter) {
        confirm();
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        // A message box or another window taking the focus is not the
        // cashier leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            confirm();
    }
    return QObject::eventFilter(watched, event);
}

void TableCommands::tell(const Outcome &outcome)
{
    // These commands' messages name the SQLSTATE and the console has the
    // server's text: one box, as the cashier has always seen them.
    m_desk.present(outcome, /*serverTextBox=*/false);
}

void TableCommands::peopleCount()
{
    BusyGuard busy(m_busy);
    if (m_desk.shownTable() == 0)
        return;
    const Outcome outcome = m_service.peopleCount(m_desk.shown(), m_fields.people->text());
    tell(outcome);
    if (outcome.refused() && outcome.next == Outcome::Next::Stay) {
        // The stored count stays; the field shows it again, ready to be
        // typed over.
        m_fields.people->setText(QString::number(m_desk.shown().people()));
        m_fields.people->setFocus();
        m_fields.people->selectAll();
        return;
    }
    m_fields.people->setModified(false);
    if (outcome.done()) {
        // The value per person follows the new count at once, as the fee
        // switch does; nothing else of the bill depends on it.
        if (const std::optional<int> people = account::peopleFrom(m_fields.people->text())) {
            const TableTotals &read = m_desk.shown().totals;
            const TableTotals totals = account::withService(read, read.servicePercent, *people);
            m_desk.showPeople(*people, totals);
        }
    }
    if (!m_desk.frameOpen())
        m_desk.focusTableField();
}

void TableCommands::toggleBlock()
{
    if (m_desk.shownTable() == 0)
        return;
    // The caption follows what is stored, whatever happened: the table is
    // read again either way.
    tell(m_service.toggleBlock(m_desk.shown()));
}

void TableCommands::IMPMESA()
{
    tell(m_service.IMPMESA(m_desk.shown(), m_fields.waiter->currentText()));
}

void TableCommands::tableDiscount()
{
    const int idMesa = m_desk.shownTable();
    if (idMesa == 0 || m_desk.shown().totals.products.isZero())
        return;
    exchange::DiscountSearchExchange::write();
    // Without the search there was no choice at all, not a choice of
    // "none": the table keeps its discount.
    if (UiService::instance().openForm(QStringLiteral("99-Lissor"), m_desk.window(), QStringLiteral("99-Sandral.dll"))
        == -1)
        return;
    const exchange::DiscountSearchExchange::Answer chosen = exchange::DiscountSearchExchange::read();
    const QString operatorName = exchange::SessionVariables::operatorName();
    m_fields.discountCode->setText(QString::number(chosen.code));
    m_fields.discountOperator->setText(operatorName.trimmed());
    tell(m_service.tableDiscount(m_desk.shown(), chosen, operatorName));
}

void TableCommands::manualDiscount()
{
    BusyGuard busy(m_busy);
    if (m_desk.shownTable() == 0)
        return;
    const Outcome outcome = m_service.manualDiscount(m_desk.shown(), m_fields.manualDiscount->text());
    tell(outcome);
    if (outcome.refused() && outcome.next == Outcome::Next::Stay) {
        // The stored discount stays; the field shows it again, ready to be
        // typed over.
        m_fields.manualDiscount->setText(money(m_desk.shown().totals.manualDiscount));
        m_fields.manualDiscount->setFocus();
        m_fields.manualDiscount->selectAll();
    }
}

void TableCommands::toggleService()
{
    if (m_desk.shownTable() == 0)
        return;
    const TableService::ServiceSwitch result = m_service.toggleService(m_desk.shown(), m_fields.people->text());
    if (!result.applies)
        return;
    // Shown at once, without reading the table again: the totals are the
    // ones the reading computes.
    m_desk.showService(result.on, result.totals);
    tell(result.outcome);
}

void TableCommands::closeAccount()
{
    if (m_desk.shownTable() == 0)
        return;
    // Reading the position again and claiming the account take a round
    // trip per wave: far from the server that would freeze the screen, so
    // the checks run off the event thread, as the sale does.
    const ShownTable shown = m_desk.shown();
    const ClosingService::SaleSession session = ClosingService::sessionOf(desk::session());
    ClosingService::Preparation preparation;
    OffThread(m_desk.window()).run([&] { preparation = m_closing.check(shown, session); });
    ClosingService::handOver(preparation, shown);
    switch (preparation.then) {
    case ClosingService::Then::Stop: tell(preparation.outcome); return;
    case ClosingService::Then::Write: GRAVAR(); return;
    case ClosingService::Then::Pay: break;
    }
    UiService &ui = UiService::instance();
    if (!preparation.notice.isEmpty())
        ui.message(m_desk.window(), preparation.notice, style::kInformation);

    // The account is this desk's while the module is open: the claim is
    // renewed well within its bound, so only a desk that died loses it.
    QTimer renewal;
    renewal.setInterval(std::max(1, m_closing.claimSeconds() / 3) * 1000);
    connect(&renewal, &QTimer::timeout, this, [this] {
        if (!m_closing.renewClaim(m_desk.shown()))
            UiService::instance().console(QStringLiteral("Mesa - reserva do pagamento não renovada: %1 %2")
                                              .arg(desk::sql().state(), desk::sql().message()));
    });
    renewal.start();
    const int opened = ui.openForm(QStringLiteral("99-Fennoc"), m_desk.window(), QStringLiteral("99-Sandral.dll"));
    renewal.stop();
    // A payment module that could not even start took no payment, whatever
    // the flag still says.
    if (opened == -1 || !exchange::PaymentExchange::read().paid) {
        if (!m_closing.abandonPayment(m_desk.shown()))
            ui.console(QStringLiteral("Mesa - Erro liberando a reserva do pagamento: %1 %2")
                           .arg(desk::sql().state(), desk::sql().message()));
        return;
    }
    GRAVAR();
}

bool TableCommands::GRAVAR()
{
    // Only the position on show: its reading is what the sale is made of.
    if (m_desk.shownTable() == 0)
        return false;
    const ClosingService::SaleOrder order =
        m_closing.order(m_desk.shown(), {m_fields.people->text(), m_fields.waiter->currentText()});
    // The unit of work holds the position's rows for a round trip per wave:
    // far from the server that is long enough to freeze the screen, so it
    // runs off the event thread, and is told here once it is back.
    Outcome outcome;
    OffThread(m_desk.window()).run([this, &order, &outcome] { outcome = m_closing.write(order); });
    tell(outcome);
    return outcome.done();
}

} // namespace qv
