#include "tables/forms/OpenTable.h"
#include "platform/ui/Desk.h"

#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_OpenTable.h"

#include <QDate>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>

namespace qv {

namespace {

int tableToOpen()
{
    return exchange::OpenTableExchange::request().position;
}

void stop(QWidget *form, const QString &text)
{
    UiService::instance().message(form, text, style::kStop);
}
} // namespace

OpenTable::OpenTable(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::OpenTable>()), m_service(desk::sql())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("99-AbreMesa"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_ui->Bt_Gravar->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    m_ui->Bt_Sair->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    // Mask "zz9": up to three digits, nothing else gets in.
    m_ui->Ed_QTDEPES->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), m_ui->Ed_QTDEPES));
    // Shown for the cashier's reference only; the opening never looks at it.
    m_ui->Ed_DTSIS->setDate(QDate::currentDate());

    connect(m_ui->Bt_Gravar, &QPushButton::clicked, this, [this] { dispatch(QStringLiteral("ABRIR")); });
    connect(m_ui->Bt_Sair, &QPushButton::clicked, this, &QDialog::reject);

    for (QWidget *control : {static_cast<QWidget *>(m_ui->Ed_CODIMES), static_cast<QWidget *>(m_ui->Ed_DTSIS),
                             static_cast<QWidget *>(m_ui->Ed_QTDEPES), static_cast<QWidget *>(m_ui->Cb_Operador),
                             static_cast<QWidget *>(m_ui->Bt_Gravar), static_cast<QWidget *>(m_ui->Bt_Sair)})
        control->installEventFilter(this);
}

OpenTable::~OpenTable() = default;

QString OpenTable::maskCodimes(int idMesa)
{
    QString text = QStringLiteral("%1").arg(idMesa % 100000, 5, 10, QLatin1Char('0'));
    for (int i = 0; i < 2 && text[i] == QLatin1Char('0'); ++i)
        text[i] = QLatin1Char(' ');
    return text;
}

void OpenTable::dispatch(const QString &code)
{
    m_functionCode = code;
    if (code == QLatin1String("ABRAR"))
        ABRAR();
    else if (code == QLatin1String("ABRIR"))
        ABRIR();
}

void OpenTable::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The form-opened event: ABRAR runs from the event loop once the dialog
    // is on screen, so its messages have a window to sit on and a decision
    // to close ends the modal loop that is by then running.
    if (!m_opened) {
        m_opened = true;
        QTimer::singleShot(1, this, [this] { dispatch(QStringLiteral("ABRAR")); });
    }
}

void OpenTable::ABRAR()
{
    // 1-2. A later position only opens while position 1 of the table is in
    // use.
    const int idMesa = tableToOpen();
    const Outcome may = m_service.mayOpen(idMesa);
    if (!may.done()) {
        stop(this, may.message);
        m_started = true;
        done(QDialog::Rejected);
        return;
    }

    // 3. The position on show, no people yet.
    m_ui->Ed_CODIMES->setText(maskCodimes(idMesa));
    m_ui->Ed_QTDEPES->clear();

    // 4. The service fee every new opening starts with. Parameters that
    // cannot be read open nothing: a table opened without its fee would be
    // charged none until somebody noticed. A database without the row has
    // no fee to give.
    const Read<Decimal> fee = m_service.serviceFee();
    if (fee.isFailed()) {
        stop(this, QStringLiteral("Erro %1 lendo os parâmetros, a mesa não foi aberta !!!").arg(fee.error().state));
        UiService::instance().longMessage(this, fee.error().message, style::kStop);
        m_started = true;
        done(QDialog::Rejected);
        return;
    }
    m_serviceFee = fee.valueOr(Decimal());

    // 5. The waiters, fresh every time: staff joins and leaves during a shift.
    fillWaiters();

    m_keyFlag = 'E';
    m_ui->Ed_QTDEPES->setFocus(Qt::OtherFocusReason);
    m_started = true;
}

void OpenTable::fillWaiters()
{
    // The session's list, read again for every opening: staff joins and
    // leaves during a shift. Codes 1 to 99, in code order, without those
    // who left.
    Session &session = desk::session();
    // Read failed: the list read before stands (the failure is in the
    // support log); better the waiters of a moment ago than none.
    (void)session.loadOperators();
    QComboBox *list = m_ui->Cb_Operador;
    list->clear();
    for (const OperatorEntry &waiter : session.operators())
        list->addItem(waiter.name);
    // The cashier must pick the waiter; a preselected first name would open
    // tables in the wrong waiter's name whenever Enter is pressed quickly.
    list->setCurrentIndex(-1);
}

void OpenTable::ABRIR()
{
    // 1-2. Missing input sends the cashier back to the field, silently.
    const Decimal people = Decimal::parseOrZero(m_ui->Ed_QTDEPES->text());
    if (people.isZero()) {
        m_ui->Ed_QTDEPES->setFocus(Qt::OtherFocusReason);
        return;
    }
    const QString waiterText = m_ui->Cb_Operador->currentText();
    if (waiterText.trimmed().isEmpty()) {
        m_ui->Cb_Operador->setFocus(Qt::OtherFocusReason);
        return;
    }

    // 3. The row values. qtdPessoas holds three digits.
    OpenTableService::Opening opening;
    opening.idMesa = tableToOpen();
    opening.people = int(people.narrowed(3, 0).toInt());
    opening.waiterName = waiterText;
    opening.fallbackWaiter = exchange::SessionVariables::operatorCode();
    opening.serviceFee = m_serviceFee;

    // 4-6. The server's time, the waiter, the row.
    const OpenTableService::Opened opened = m_service.ABRIR(opening);
    if (!opened.notice.isEmpty())
        stop(this, opened.notice);
    if (opened.outcome.done()) {
        exchange::OpenTableExchange::answer({true});
        done(QDialog::Accepted);
        return;
    }
    if (opened.outcome.refused()) {
        // Opened by another terminal meanwhile: the position is open all the
        // same, and the caller reads it as that terminal opened it.
        UiService::instance().message(this, opened.outcome.message, style::kInformation);
        exchange::OpenTableExchange::answer({true});
        done(QDialog::Rejected);
        return;
    }
    // The state first, then the server's own words, which may be longer
    // than a box holds.
    stop(this, opened.outcome.message);
    UiService::instance().longMessage(this, opened.outcome.error.message, style::kStop);
    done(QDialog::Rejected);
}

bool OpenTable::eventFilter(QObject *watched, QEvent *event)
{
    const bool button = watched == m_ui->Bt_Gravar || watched == m_ui->Bt_Sair;
    switch (event->type()) {
    case QEvent::FocusIn:
        if (button)
            m_keyFlag = 'T';
        break;
    case QEvent::FocusOut:
        if (button)
            m_keyFlag = 'E';
        break;
    case QEvent::KeyPress:
        // Enter walks the fields like Tab; it only presses a button that
        // has the focus, so a stray Enter never opens the table.
        if (virtualKey(*static_cast<QKeyEvent *>(event)) == vk::kEnter && m_keyFlag == 'E') {
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(watched, &tab);
            return true;
        }
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void registerOpenTable()
{
    FormRegistry::instance().add(QStringLiteral("99-AbreMesa"), [](QWidget *parent) {
        // A position that may not open is told over the form that asked:
        // over the dialog it would sit on an empty "Abre Mesa". The dialog
        // asks again once shown, for what changed in between.
        const Outcome may = OpenTableService(desk::sql()).mayOpen(tableToOpen());
        if (!may.done()) {
            stop(parent, may.message);
            return int(QDialog::Rejected);
        }
        OpenTable dialog(parent);
        return dialog.exec();
    });
}

} // namespace qv
