#include "tables/forms/OpenTable.h"
#include "data/Statements.h"

#include "data/Tables.h"
#include "platform/ui/Keys.h"
#include "platform/Record.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "ui_OpenTable.h"

#include <QDate>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>

namespace qv {

namespace {

// The one column of stmt::stmt::kServerTime: HH:MM:SS.
const Layout kTime("time", {FieldDef::C("horaAbertura", 8)});

int tableToOpen()
{
    return exchange::OpenTableExchange::request().position;
}

void stop(QWidget *form, const QString &text)
{
    UiService::instance().message(form, text, style::kStop);
}
} // namespace

OpenTable::OpenTable(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::OpenTable>())
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
    Sql &sql = Sql::instance();

    // 1-2. A later position only opens while position 1 of the table is in
    // use: the table's account starts at position 1.
    const int idMesa = tableToOpen();
    const int firstPosition = (idMesa / 100) * 100 + 1;
    if (idMesa != firstPosition) {
        Record first(tables::movMesa);
        const SqlResult state = sql.exec(stmt::kTableById, {firstPosition}, &first);
        // A read that fails for any reason other than "no row" leaves the
        // record as it was, not as the database holds it; judging the
        // status from it could let a position open beside a closed
        // position 1. Every failure therefore counts as "no such position".
        if (!state.ok()) {
            stop(this, QStringLiteral("Erro ao acessar a posição da mesa !!!"));
            m_started = true;
            done(QDialog::Rejected);
            return;
        }
        if (first.text("status") == QLatin1String("F")) {
            stop(this, QStringLiteral("Posição 1 da mesa fechada, abra a posição 1 primeiro !!!"));
            m_started = true;
            done(QDialog::Rejected);
            return;
        }
    }

    // 3. The position on show, no people yet.
    m_ui->Ed_CODIMES->setText(maskCodimes(idMesa));
    m_ui->Ed_QTDEPES->clear();

    // 4. The service fee every new opening starts with. An unreadable row
    // leaves the record at zero: the table opens without fee, which the
    // cashier sees and can change on the main form.
    Record parameters(tables::tabParametros);
    sql.exec(stmt::kParameters, {}, &parameters);
    m_serviceFee = parameters.num("taxaServicoParam");

    // 5. The waiters, fresh every time: staff joins and leaves during a shift.
    fillWaiters();

    m_keyFlag = 'E';
    m_ui->Ed_QTDEPES->setFocus(Qt::OtherFocusReason);
    m_started = true;
}

void OpenTable::fillWaiters()
{
    Sql &sql = Sql::instance();
    QComboBox *list = m_ui->Cb_Operador;
    list->clear();
    Record oper(tables::tabOperador);
    // Operator codes are two digits: 1 to 99 is every possible waiter.
    for (int code = 1; code <= 99; ++code) {
        if (!sql.exec(stmt::kOperatorById, {code}, &oper).ok())
            continue; // no such code
        if (oper.text("situacao") == QLatin1String("E"))
            continue; // left the house
        list->addItem(oper.text("nome"));
    }
    // The cashier must pick the waiter; a preselected first name would open
    // tables in the wrong waiter's name whenever Enter is pressed quickly.
    list->setCurrentIndex(-1);
}

void OpenTable::ABRIR()
{
    Sql &sql = Sql::instance();

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
    const int idMesa = tableToOpen();
    const int count = int(people.narrowed(3, 0).toInt());

    // 4. The opening time is the server's: every terminal and the kitchen
    // measure the time at the table against the same clock.
    Record now(kTime);
    sql.exec(stmt::kServerTime, {}, &now);
    const QString openedAt = now.text(0);

    // 5. The waiter by name; a name that is no longer there (renamed since
    // the list was built) still opens the table, in the cashier's name.
    const QString name = waiterText.left(20).leftJustified(20, QLatin1Char(' '));
    Record oper(tables::tabOperador);
    int waiter = 0;
    if (sql.exec(stmt::kOperatorByName, {name}, &oper).ok()) {
        waiter = int(oper.integer("idOperador"));
    } else {
        stop(this, QStringLiteral("Não foi possível associoar o Garçon à mesa !!!"));
        waiter = exchange::SessionVariables::operatorCode();
    }

    // 6. Opening also clears whatever discount, split or fee the position
    // kept from its last account.
    const SqlResult state = sql.exec(stmt::kOpenTable, {count, waiter, openedAt, m_serviceFee, idMesa});
    if (state.ok()) {
        exchange::OpenTableExchange::answer({true});
        done(QDialog::Accepted);
        return;
    }
    const QString databaseText = sql.message();
    stop(this, QStringLiteral("Erro ") + state.state() + QStringLiteral(" na abertura da mesa !!!"));
    stop(this, databaseText.left(120));
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
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void registerOpenTable()
{
    FormRegistry::instance().add(QStringLiteral("99-AbreMesa"), [](QWidget *parent) {
        OpenTable dialog(parent);
        return dialog.exec();
    });
}

} // namespace qv
