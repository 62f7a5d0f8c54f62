#include "items/forms/CancelCommands.h"
#include "data/Statements.h"

#include "board/forms/MainForm.h"
#include "data/Tables.h"
#include "platform/ui/Keys.h"
#include "platform/Record.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/Session.h"
#include "board/forms/CommandFrame.h"
#include "ui_MainForm.h"
#include "ui_ReasonFrame.h"

#include <QKeyEvent>

#include <functional>

namespace qv {

namespace {
// The status condition is what keeps an item another terminal has already
// moved on (printed, cancelled, acknowledged) from being acknowledged here.

// Keys of the reason frame's controls, handed to the command object: the
// frame is a sub-state of the main form, not a dialog, so Enter, Escape and
// Tab need to be given their meaning here.
class FrameKeys : public QObject
{
public:
    using Handler = std::function<bool(QObject *, int, bool)>;
    FrameKeys(QObject *parent, Handler handler) : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        return m_handler(watched, virtualKey(*key), key->key() == Qt::Key_Backtab);
    }

private:
    Handler m_handler;
};

bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}
} // namespace

CancelCommands::CancelCommands(MainForm &form) : m_form(form), m_ui(std::make_unique<Ui::ReasonFrame>())
{
    m_frame = new QFrame(&m_form);
    m_ui->setupUi(m_frame);
    m_overlay = new CommandFrame(m_form, m_frame);

    QObject::connect(m_ui->Bt_CONFIRMA1, &QPushButton::clicked, m_frame, [this] { confirm(); });
    QObject::connect(m_ui->Bt_VOLTA1, &QPushButton::clicked, m_frame, [this] { back(); });

    m_keys = new FrameKeys(m_frame, [this](QObject *watched, int key, bool backwards) {
        return handleFrameKey(watched, key, backwards);
    });
    for (QWidget *control : {static_cast<QWidget *>(m_ui->Cb_MOTICAN), static_cast<QWidget *>(m_ui->Chk_PRODUZI),
                             static_cast<QWidget *>(m_ui->Bt_CONFIRMA1), static_cast<QWidget *>(m_ui->Bt_VOLTA1)})
        control->installEventFilter(m_keys);
}

CancelCommands::~CancelCommands() = default;

QString CancelCommands::reasonEntry(int code, const QString &description)
{
    return description.leftJustified(30, QLatin1Char(' '), true) + QString(7, QLatin1Char(' '))
           + QStringLiteral("%1").arg(code % 1000, 3, 10, QLatin1Char('0'));
}

void CancelCommands::loadReasons()
{
    QComboBox *list = m_ui->Cb_MOTICAN;
    list->clear();
    // A reason without a description cannot be told apart from the others,
    // so it is not offered.
    for (const ReasonEntry &reason : Session::instance().reasons()) {
        if (!reason.description.trimmed().isEmpty())
            list->addItem(reasonEntry(reason.code, reason.description));
    }
    list->setCurrentIndex(-1);
}

void CancelCommands::CANCITE()
{
    if (m_form.typedTable() == 0 || !m_form.hasSelectedItem())
        return;
    showReasonFrame();
}

void CancelCommands::showReasonFrame()
{
    // Over the table area, where the selected items are.
    m_overlay->open();

    // Every cancellation starts without a reason: the cashier chooses one.
    m_ui->Cb_MOTICAN->setCurrentIndex(-1);
    m_ui->Cb_MOTICAN->setFocus();
}

void CancelCommands::hideReasonFrame()
{
    m_overlay->close();
}

void CancelCommands::confirm()
{
    // Characters 39-40 of the entry are the reason code's last two digits
    // (the column holds two). Without a chosen entry there is no reason to
    // store: the cashier is asked for one and the frame stays as it is.
    const bool chosen = m_ui->Cb_MOTICAN->currentIndex() >= 0;
    const QString reason = chosen ? m_ui->Cb_MOTICAN->currentText().mid(38, 2) : QString();
    if (!chosen || reason.size() != 2 || !allDigits(reason)) {
        UiService::instance().message(&m_form, QStringLiteral("Escolha o motivo do cancelamento !!!"),
                                      style::kInformation);
        m_ui->Cb_MOTICAN->setFocus();
        return;
    }

    hideReasonFrame();
    cancelSelected(reason);
    m_ui->Chk_PRODUZI->setChecked(false);
    if (!m_form.closedDown())
        m_form.ui().Ed_CODIMES->setFocus();
}

void CancelCommands::back()
{
    hideReasonFrame();
    m_form.dispatch(QStringLiteral("LERMESA"));
    m_ui->Chk_PRODUZI->setChecked(false);
    if (!m_form.closedDown())
        m_form.ui().Ed_CODIMES->setFocus();
}

bool CancelCommands::handleFrameKey(QObject *watched, int key, bool backwards)
{
    auto &ui = *m_ui;
    switch (key) {
    case vk::kEscape:
        back();
        return true;
    case vk::kEnter:
        // Enter walks reason -> "Produzido" -> confirm, and presses the
        // button it is on.
        if (watched == ui.Cb_MOTICAN)
            ui.Chk_PRODUZI->setFocus();
        else if (watched == ui.Chk_PRODUZI)
            ui.Bt_CONFIRMA1->setFocus();
        else if (watched == ui.Bt_CONFIRMA1)
            confirm();
        else if (watched == ui.Bt_VOLTA1)
            back();
        return true;
    case vk::kTab:
        // The table area is disabled meanwhile: Tab goes round the frame
        // instead of wandering off to the rest of the form.
        if (!backwards && watched == ui.Bt_VOLTA1) {
            ui.Cb_MOTICAN->setFocus();
            return true;
        }
        if (backwards && watched == ui.Cb_MOTICAN) {
            ui.Bt_VOLTA1->setFocus();
            return true;
        }
        return false;
    default:
        return false;
    }
}

std::vector<std::int64_t> CancelCommands::selectedItems() const
{
    std::vector<std::int64_t> ids;
    QTreeWidget *list = m_form.ui().Lv_Itens;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        if (!row->isSelected())
            continue;
        const std::int64_t id = row->text(0).trimmed().toLongLong();
        if (id != 0)
            ids.push_back(id);
    }
    return ids;
}

void CancelCommands::reportFailure(const QString &what, std::int64_t idItem)
{
    const Sql &sql = Sql::instance();
    UiService::instance().message(&m_form,
                                  QStringLiteral("Erro %1 %2 do item %3 !!!\n%4")
                                      .arg(sql.state(), what, QString::number(idItem), sql.message()),
                                  style::kStop);
}

void CancelCommands::cancelSelected(const QString &reason)
{
    auto &ui = m_form.ui();
    if (m_form.typedTable() == 0 || ui.Lv_Itens->topLevelItemCount() == 0)
        return;

    Sql &sql = Sql::instance();
    const int idMotivoCanc = reason.toInt();
    const int idOpeCanc = Session::instance().operatorCode();
    const QString produzido = m_ui->Chk_PRODUZI->isChecked() ? QStringLiteral("S") : QStringLiteral("N");
    for (const std::int64_t idItem : selectedItems()) {
        sql.exec(stmt::kCancelItem, {produzido, idMotivoCanc, idOpeCanc, idItem});
        if (!sql.ok()) {
            // What was cancelled before stays cancelled; the reading shows
            // the cashier where it stopped.
            reportFailure(QStringLiteral("no cancelamento"), idItem);
            m_form.dispatch(QStringLiteral("LERMESA"));
            return;
        }
    }

    m_form.dispatch(QStringLiteral("LERMESA"));
    // A position left without items is closed as F10 would: freed, no sale.
    if (!m_form.closedDown() && m_form.currentTable() != 0 && ui.Lv_Itens->topLevelItemCount() == 0)
        m_form.pressKey(vk::kF10);
}

void CancelCommands::BAIXITE()
{
    auto &ui = m_form.ui();
    if (m_form.typedTable() == 0 || ui.Lv_Itens->topLevelItemCount() == 0)
        return;

    // The right is read afresh: it may have been taken away since log-in.
    Sql &sql = Sql::instance();
    Record loggedIn(tables::tabOperador);
    const SqlResult state = sql.exec(stmt::kOperatorById, {Session::instance().operatorCode()}, &loggedIn);
    if (!state.ok() && !state.noRow()) {
        UiService::instance().message(&m_form,
                                      QStringLiteral("Erro %1 na leitura do operador !!!\n%2")
                                          .arg(state.state(), sql.message()),
                                      style::kStop);
        return;
    }
    if (loggedIn.text("direito8") != QLatin1String("X")) {
        UiService::instance().message(&m_form, QStringLiteral("Operador sem direito a Baixa !!!"),
                                      style::kInformation);
        return;
    }
    acknowledgeSelected();
    m_form.dispatch(QStringLiteral("LERMESA"));
}

void CancelCommands::acknowledgeSelected()
{
    Sql &sql = Sql::instance();
    const QString waiter = m_form.ui().Ds_NOMEGAR->text().leftJustified(20, QLatin1Char(' '), true);
    for (const std::int64_t idItem : selectedItems()) {
        sql.exec(stmt::kAcknowledgeItem, {waiter, idItem});
        if (!sql.ok()) {
            reportFailure(QStringLiteral("na baixa"), idItem);
            return;
        }
    }
}

} // namespace qv
