#include "items/forms/CancelCommands.h"
#include "platform/ui/Desk.h"

#include "board/forms/CommandFrame.h"
#include "board/forms/DeskContext.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Session.h"
#include "ui_ReasonFrame.h"

#include <QKeyEvent>

#include <functional>

namespace qv {

namespace {

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

} // namespace

CancelCommands::CancelCommands(DeskContext &desk)
    : m_desk(desk), m_service(desk::sql()), m_ui(std::make_unique<Ui::ReasonFrame>())
{
    m_frame = new QFrame(m_desk.window());
    m_ui->setupUi(m_frame);
    m_overlay = new CommandFrame(m_desk, m_frame);

    QObject::connect(m_ui->Bt_CONFIRMA1, &QPushButton::clicked, m_frame, [this] { confirm(); });
    QObject::connect(m_ui->Bt_VOLTA1, &QPushButton::clicked, m_frame, [this] { back(); });

    m_keys = new FrameKeys(
        m_frame, [this](QObject *watched, int key, bool backwards) { return handleFrameKey(watched, key, backwards); });
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
    for (const ReasonEntry &reason : desk::session().reasons()) {
        if (!reason.description.trimmed().isEmpty())
            list->addItem(reasonEntry(reason.code, reason.description), reason.code);
    }
    list->setCurrentIndex(-1);
}

void CancelCommands::CANCITE()
{
    if (m_desk.shownTable() == 0 || m_desk.selectedRows().empty())
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
    // Without a chosen entry there is no reason to store: the cashier is
    // asked for one and the frame stays as it is.
    const QVariant reason = m_ui->Cb_MOTICAN->currentData();
    if (m_ui->Cb_MOTICAN->currentIndex() < 0 || !reason.isValid()) {
        UiService::instance().message(m_desk.window(), QStringLiteral("Escolha o motivo do cancelamento !!!"),
                                      style::kInformation);
        m_ui->Cb_MOTICAN->setFocus();
        return;
    }

    hideReasonFrame();
    cancelSelected(reason.toInt());
    m_ui->Chk_PRODUZI->setChecked(false);
    m_desk.focusTableField();
}

void CancelCommands::back()
{
    hideReasonFrame();
    m_desk.reread();
    m_ui->Chk_PRODUZI->setChecked(false);
    m_desk.focusTableField();
}

bool CancelCommands::handleFrameKey(QObject *watched, int key, bool backwards)
{
    auto &ui = *m_ui;
    switch (key) {
    case vk::kEscape: back(); return true;
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
    default: return false;
    }
}

void CancelCommands::cancelSelected(int reasonCode)
{
    CancelService::Cancellation cancellation;
    cancellation.shown = m_desk.shown().opening();
    cancellation.shown.idMesa = m_desk.shownTable();
    for (const ShownItem &item : m_desk.shown().items)
        cancellation.liveItems.push_back(item.idItem);
    cancellation.items = m_desk.selectedItems();
    cancellation.reasonCode = reasonCode;
    cancellation.produced = m_ui->Chk_PRODUZI->isChecked();
    cancellation.idOperador = desk::session().operatorCode();
    const Outcome outcome = m_service.CANCITE(cancellation);

    // The table is read again first in every case: the account is closed
    // only when the fresh reading, which has the last word over what this
    // terminal saw, finds the position without items.
    Outcome shown = outcome;
    if (shown.next == Outcome::Next::CloseAccount)
        shown.next = Outcome::Next::Reread;
    m_desk.present(shown);
    if (outcome.done() && m_desk.shownTable() != 0 && m_desk.shown().shown() && m_desk.shown().itemCount() == 0)
        m_desk.closeAccount();
}

void CancelCommands::BAIXITE()
{
    const ShownTable &table = m_desk.shown();
    CancelService::Acknowledgement acknowledgement;
    acknowledgement.shown = table.opening();
    acknowledgement.shown.idMesa = m_desk.shownTable();
    acknowledgement.itemCount = table.itemCount();
    acknowledgement.items = m_desk.selectedItems();
    acknowledgement.waiterName = table.waiterName.trimmed();
    acknowledgement.idOperador = desk::session().operatorCode();
    m_desk.present(m_service.BAIXITE(acknowledgement));
}

} // namespace qv
