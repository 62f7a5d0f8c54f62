#include "tables/forms/TableCommands.h"
#include "platform/ui/Desk.h"

#include "board/forms/Detail.h"
#include "board/forms/MainForm.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/AccountMath.h"
#include "ui_MainForm.h"

#include <QFocusEvent>
#include <QKeyEvent>
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

TableCommands::TableCommands(MainForm &form)
    : m_form(form), m_service(desk::sql(), desk::session()), m_closing(desk::sql(), desk::session())
{
    auto &ui = m_form.ui();
    // Mask "zz9": up to three digits, nothing else gets in.
    ui.Ed_QTDEPES->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), ui.Ed_QTDEPES));
    ui.Ed_QTDEPES->installEventFilter(this);
    ui.Ed_DESCMANT->installEventFilter(this);
}

TableCommands::~TableCommands() = default;

bool TableCommands::eventFilter(QObject *watched, QEvent *event)
{
    auto &ui = m_form.ui();
    QLineEdit *field = nullptr;
    if (watched == ui.Ed_QTDEPES)
        field = ui.Ed_QTDEPES;
    else if (watched == ui.Ed_DESCMANT)
        field = ui.Ed_DESCMANT;
    if (!field)
        return QObject::eventFilter(watched, event);

    // A value is confirmed once, when it was typed: merely passing through
    // the field writes nothing, and the table reading that follows a
    // confirmation marks the field as unchanged again.
    auto confirm = [this, field, &ui] {
        if (m_busy || !field->isModified())
            return;
        if (field == ui.Ed_QTDEPES)
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
    m_form.present(outcome, /*serverTextBox=*/false);
}

void TableCommands::peopleCount()
{
    BusyGuard busy(m_busy);
    auto &ui = m_form.ui();
    if (m_form.shownTable() == 0)
        return;
    const Outcome outcome = m_service.peopleCount(m_form.shown(), ui.Ed_QTDEPES->text());
    tell(outcome);
    if (outcome.refused() && outcome.next == Outcome::Next::Stay) {
        // The stored count stays; the field shows it again, ready to be
        // typed over.
        ui.Ed_QTDEPES->setText(QString::number(m_form.shown().people()));
        ui.Ed_QTDEPES->setFocus();
        ui.Ed_QTDEPES->selectAll();
        return;
    }
    ui.Ed_QTDEPES->setModified(false);
    if (outcome.done()) {
        // The value per person follows the new count at once, as the fee
        // switch does; nothing else of the bill depends on it.
        if (const std::optional<int> people = account::peopleFrom(ui.Ed_QTDEPES->text())) {
            const TableTotals &read = m_form.shown().totals;
            const TableTotals totals = account::withService(read, read.servicePercent, *people);
            m_form.detail().peopleChanged(*people, totals);
        }
    }
    if (!m_form.frameOpen())
        m_form.focusTableField();
}

void TableCommands::toggleBlock()
{
    if (m_form.shownTable() == 0)
        return;
    // The caption follows what is stored, whatever happened: the table is
    // read again either way.
    tell(m_service.toggleBlock(m_form.shown()));
}

void TableCommands::IMPMESA()
{
    tell(m_service.IMPMESA(m_form.shown(), m_form.ui().Cb_Operador->currentText()));
}

void TableCommands::tableDiscount()
{
    const int idMesa = m_form.shownTable();
    if (idMesa == 0 || m_form.shown().totals.products.isZero())
        return;
    auto &ui = m_form.ui();
    exchange::DiscountSearchExchange::write();
    // Without the search there was no choice at all, not a choice of
    // "none": the table keeps its discount.
    if (UiService::instance().openForm(QStringLiteral("99-Lissor"), &m_form, QStringLiteral("99-Sandral.dll")) == -1)
        return;
    const exchange::DiscountSearchExchange::Answer chosen = exchange::DiscountSearchExchange::read();
    const QString operatorName = exchange::SessionVariables::operatorName();
    ui.Ds_CODIDES->setText(QString::number(chosen.code));
    ui.Ds_OPERDES->setText(operatorName.trimmed());
    tell(m_service.tableDiscount(m_form.shown(), chosen, operatorName));
}

void TableCommands::manualDiscount()
{
    BusyGuard busy(m_busy);
    auto &ui = m_form.ui();
    if (m_form.shownTable() == 0)
        return;
    const Outcome outcome = m_service.manualDiscount(m_form.shown(), ui.Ed_DESCMANT->text());
    tell(outcome);
    if (outcome.refused() && outcome.next == Outcome::Next::Stay) {
        // The stored discount stays; the field shows it again, ready to be
        // typed over.
        ui.Ed_DESCMANT->setText(money(m_form.shown().totals.manualDiscount));
        ui.Ed_DESCMANT->setFocus();
        ui.Ed_DESCMANT->selectAll();
    }
}

void TableCommands::toggleService()
{
    if (m_form.shownTable() == 0)
        return;
    auto &ui = m_form.ui();
    const TableService::ServiceSwitch result = m_service.toggleService(m_form.shown(), ui.Ed_QTDEPES->text());
    if (!result.applies)
        return;
    // Shown at once, without reading the table again: the totals are the
    // ones the reading computes.
    m_form.detail().serviceSwitched(result.on, result.totals);
    tell(result.outcome);
}

void TableCommands::closeAccount()
{
    if (m_form.shownTable() == 0)
        return;
    const ClosingService::Preparation preparation = m_closing.prepare(m_form.shown());
    switch (preparation.then) {
    case ClosingService::Then::Stop: tell(preparation.outcome); return;
    case ClosingService::Then::Write: GRAVAR(); return;
    case ClosingService::Then::Pay: break;
    }
    UiService &ui = UiService::instance();
    if (!preparation.notice.isEmpty())
        ui.message(&m_form, preparation.notice, style::kInformation);

    // The account is this desk's while the module is open: the claim is
    // renewed well within its bound, so only a desk that died loses it.
    QTimer renewal;
    renewal.setInterval(std::max(1, m_closing.claimSeconds() / 3) * 1000);
    connect(&renewal, &QTimer::timeout, this, [this] {
        if (!m_closing.renewClaim(m_form.shown()))
            UiService::instance().console(QStringLiteral("Mesa - reserva do pagamento não renovada: %1 %2")
                                              .arg(desk::sql().state(), desk::sql().message()));
    });
    renewal.start();
    const int opened = ui.openForm(QStringLiteral("99-Fennoc"), &m_form, QStringLiteral("99-Sandral.dll"));
    renewal.stop();
    // A payment module that could not even start took no payment, whatever
    // the flag still says.
    if (opened == -1 || !exchange::PaymentExchange::read().paid) {
        if (!m_closing.abandonPayment(m_form.shown()))
            ui.console(QStringLiteral("Mesa - Erro liberando a reserva do pagamento: %1 %2")
                           .arg(desk::sql().state(), desk::sql().message()));
        return;
    }
    GRAVAR();
}

bool TableCommands::GRAVAR()
{
    // Only the position on show: its reading is what the sale is made of.
    if (m_form.shownTable() == 0)
        return false;
    auto &ui = m_form.ui();
    const Outcome outcome = m_closing.GRAVAR(m_form.shown(), {ui.Ed_QTDEPES->text(), ui.Cb_Operador->currentText()});
    tell(outcome);
    return outcome.done();
}

} // namespace qv
