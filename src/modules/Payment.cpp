#include "modules/Payment.h"

#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "ui_Payment.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace qv {

using payment::Kind;
using payment::Refusal;

namespace {
QString money(Decimal value)
{
    return value.toDisplay(2);
}

// Digits and separators only; what they spell is judged when it is used.
void moneyField(QLineEdit *field)
{
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.,]{0,16}")), field));
}
} // namespace

PaymentDialog::PaymentDialog(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::Payment>()), m_tally(payment::Tally::fromSharedRecords())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("99-Fennoc"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->Bt_CONFIRMA->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    m_ui->Bt_VOLTA->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));

    m_ui->Ds_VALOR->setText(money(m_tally.due()));
    m_ui->Ds_TAXASER->setText(money(m_tally.servicePercent()));
    // The fee is already in the amount due: a second service would charge
    // it twice.
    m_ui->Ed_SERVICO->setEnabled(m_tally.serviceAllowed());
    for (QLineEdit *field : {m_ui->Ed_VALOR, m_ui->Ed_REPIQUE, m_ui->Ed_SERVICO})
        moneyField(field);
    m_ui->Lv_Pagamentos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->Lv_Pagamentos->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->Lv_Pagamentos->header()->resizeSection(0, 260);
    m_ui->Lv_Pagamentos->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);

    connect(m_ui->Bt_DINHEIRO, &QPushButton::clicked, this, [this] { chooseKind(Kind::Cash); });
    connect(m_ui->Bt_DEBITO, &QPushButton::clicked, this, [this] { chooseKind(Kind::Debit); });
    connect(m_ui->Bt_CREDITO, &QPushButton::clicked, this, [this] { chooseKind(Kind::Credit); });
    connect(m_ui->Bt_PIX, &QPushButton::clicked, this, [this] { chooseKind(Kind::Pix); });
    connect(m_ui->Bt_LANCA, &QPushButton::clicked, this, &PaymentDialog::takePayment);
    connect(m_ui->Bt_CONFIRMA, &QPushButton::clicked, this, &PaymentDialog::confirmPayment);
    connect(m_ui->Bt_VOLTA, &QPushButton::clicked, this, &PaymentDialog::reject);
    for (QLineEdit *field : {m_ui->Ed_REPIQUE, m_ui->Ed_SERVICO})
        connect(field, &QLineEdit::textChanged, this, [this] {
            readExtras();
            refresh();
        });
    for (QWidget *w : {static_cast<QWidget *>(m_ui->Ed_VALOR), static_cast<QWidget *>(m_ui->Ed_REPIQUE),
                       static_cast<QWidget *>(m_ui->Ed_SERVICO), static_cast<QWidget *>(m_ui->Lv_Pagamentos)})
        w->installEventFilter(this);

    chooseKind(Kind::Cash);
    refresh();
}

PaymentDialog::~PaymentDialog() = default;

void PaymentDialog::chooseKind(Kind kind)
{
    m_kind = kind;
    QPushButton *button = kind == Kind::Cash     ? m_ui->Bt_DINHEIRO
                          : kind == Kind::Debit  ? m_ui->Bt_DEBITO
                          : kind == Kind::Credit ? m_ui->Bt_CREDITO
                                                 : m_ui->Bt_PIX;
    button->setChecked(true);
    m_ui->Lb_FORMA->setText(payment::kindName(kind));
    m_ui->Ed_VALOR->setFocus();
    m_ui->Ed_VALOR->selectAll();
}

void PaymentDialog::takePayment()
{
    const QString text = m_ui->Ed_VALOR->text();
    if (m_tally.remaining().isZero()) {
        UiService::instance().message(this, QStringLiteral("A conta já está paga !!!"), style::kInformation);
        return;
    }
    // A blank amount is "the rest, in this kind": one key for the usual
    // single payment.
    const std::optional<Decimal> typed = payment::amountFrom(text);
    if (!typed) {
        refuse(Refusal::Invalid);
        return;
    }
    const Decimal amount = text.trimmed().isEmpty() ? m_tally.remaining() : *typed;
    const Refusal refusal = m_tally.add(m_kind, amount);
    if (refusal != Refusal::None) {
        refuse(refusal);
        return;
    }
    auto *row = new QTreeWidgetItem(m_ui->Lv_Pagamentos);
    row->setText(0, payment::kindName(m_kind));
    row->setText(1, money(amount));
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_ui->Ed_VALOR->clear();
    refresh();
}

void PaymentDialog::removeSelected()
{
    QTreeWidgetItem *row = m_ui->Lv_Pagamentos->currentItem();
    if (!row)
        return;
    m_tally.remove(m_ui->Lv_Pagamentos->indexOfTopLevelItem(row));
    delete row;
    refresh();
}

void PaymentDialog::confirmPayment()
{
    if (!m_extrasValid) {
        refuse(Refusal::Invalid);
        return;
    }
    const Refusal refusal = m_tally.confirm();
    if (refusal != Refusal::None) {
        refuse(refusal);
        return;
    }
    accept();
}

void PaymentDialog::reject()
{
    // Abandoned: the caller sees a blank flag and nothing else changes.
    exchange::PaymentExchange::answer(exchange::PaymentExchange::Answer{});
    QDialog::reject();
}

void PaymentDialog::readExtras()
{
    QStringList problems;
    const std::optional<Decimal> tip = payment::amountFrom(m_ui->Ed_REPIQUE->text());
    if (!tip || m_tally.setTip(*tip) != Refusal::None)
        problems << QStringLiteral("Repique inválido");
    if (m_tally.serviceAllowed()) {
        const std::optional<Decimal> service = payment::amountFrom(m_ui->Ed_SERVICO->text());
        if (!service || m_tally.setService(*service) != Refusal::None)
            problems << QStringLiteral("Serviço inválido");
    }
    m_extrasValid = problems.isEmpty();
    m_ui->Lb_AVISO->setText(problems.join(QStringLiteral(" - ")));
}

void PaymentDialog::refresh()
{
    m_ui->Ds_TOTAL->setText(money(m_tally.total()));
    m_ui->Ds_PAGO->setText(money(m_tally.paid()));
    const bool change = m_tally.paid() > m_tally.total();
    m_ui->Lb_FALTA->setText(change ? QStringLiteral("Troco") : QStringLiteral("Falta"));
    m_ui->Ds_FALTA->setText(money(change ? m_tally.change() : m_tally.remaining()));
    m_ui->Ed_VALOR->setPlaceholderText(money(m_tally.remaining()));
    m_ui->Bt_CONFIRMA->setEnabled(m_extrasValid && m_tally.readiness() == Refusal::None);
    // An empty list has nothing to act on: Tab passes it by instead of
    // leaving the focus where no key does anything.
    const bool rows = m_ui->Lv_Pagamentos->topLevelItemCount() > 0;
    m_ui->Lv_Pagamentos->setFocusPolicy(rows ? Qt::StrongFocus : Qt::NoFocus);
    if (!rows && focusWidget() == m_ui->Lv_Pagamentos)
        m_ui->Ed_VALOR->setFocus();
}

void PaymentDialog::refuse(Refusal refusal)
{
    QString text;
    switch (refusal) {
    case Refusal::None: return;
    case Refusal::Invalid: text = QStringLiteral("Valor inválido !!!"); break;
    case Refusal::TooLarge: text = QStringLiteral("Valor acima do limite !!!"); break;
    case Refusal::NotAllowed: text = QStringLiteral("A mesa já tem taxa de serviço !!!"); break;
    case Refusal::OverPaid: text = QStringLiteral("Cartão e PIX só até o valor que falta pagar !!!"); break;
    case Refusal::TooManyLines: text = QStringLiteral("Limite de 20 formas de pagamento !!!"); break;
    case Refusal::NotCovered: text = QStringLiteral("O pagamento não cobre o total a pagar !!!"); break;
    }
    UiService::instance().message(this, text, style::kInformation);
    m_ui->Ed_VALOR->setFocus();
    m_ui->Ed_VALOR->selectAll();
}

bool PaymentDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = virtualKey(*static_cast<QKeyEvent *>(event));
        if (key == vk::kEnter) {
            if (watched == m_ui->Ed_VALOR)
                takePayment();
            else if (watched == m_ui->Ed_REPIQUE || watched == m_ui->Ed_SERVICO)
                m_ui->Ed_VALOR->setFocus();
            return true;
        }
        if (key == vk::kDelete && watched == m_ui->Lv_Pagamentos) {
            removeSelected();
            return true;
        }
        // An amount typed while the list has the focus goes where amounts
        // are written, never into nothing.
        const QString typed = static_cast<QKeyEvent *>(event)->text();
        if (watched == m_ui->Lv_Pagamentos && typed.size() == 1
            && (typed[0].isDigit() || typed[0] == QLatin1Char(',') || typed[0] == QLatin1Char('.'))) {
            m_ui->Ed_VALOR->setFocus();
            m_ui->Ed_VALOR->insert(typed);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PaymentDialog::keyPressEvent(QKeyEvent *event)
{
    switch (virtualKey(*event)) {
    case vk::kF1: chooseKind(Kind::Cash); return;
    case vk::kF2: chooseKind(Kind::Debit); return;
    case vk::kF3: chooseKind(Kind::Credit); return;
    case vk::kF4: chooseKind(Kind::Pix); return;
    case vk::kF10: confirmPayment(); return;
    case vk::kEnter: return; // never a silent confirmation
    default: break;
    }
    QDialog::keyPressEvent(event);
}

void registerPayment()
{
    FormRegistry::instance().add(QStringLiteral("99-Fennoc"), [](QWidget *parent) {
        PaymentDialog dialog(parent);
        return dialog.exec();
    });
}

} // namespace qv
