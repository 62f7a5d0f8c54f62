#include "tables/forms/TableChooser.h"
#include "platform/ui/Desk.h"

#include "board/PositionReader.h"
#include "board/forms/Board.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "tables/forms/PositionList.h"
#include "ui_TableChooser.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <vector>

namespace qv {

namespace {
using namespace chooser;

const QStringList kStatusFilter = {
    QStringLiteral("Todas"),        QStringLiteral("Abertas"),  QStringLiteral("Pedido"),
    QStringLiteral("Sobremesa"),    QStringLiteral("Fechadas"), QStringLiteral("Bloqueadas"),
    QStringLiteral("Em Andamento"),
};

} // namespace

TableChooser::TableChooser(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::TableChooser>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("99-Mesa"));
    setWindowTitle(QStringLiteral("Detalhamento da Mesa"));
    positionlist::prepare(m_ui->Lv_Mesas);

    // Form opened: the bounds become the query parameters; nothing chosen.
    const exchange::TableChooserExchange::Request bounds = exchange::TableChooserExchange::request();
    m_lowest = bounds.lowest;
    m_highest = bounds.highest;
    setChosen(0);

    connect(m_ui->Cb_STATUSM, &QComboBox::currentIndexChanged, this, [this] { MOSTRA(); });
    connect(m_ui->Lv_Mesas, &QTreeWidget::itemClicked, this, &TableChooser::onRowClicked);
    m_ui->Lv_Mesas->installEventFilter(this);
    m_ui->Lv_Mesas->viewport()->installEventFilter(this);
    m_ui->Cb_STATUSM->installEventFilter(this);
    m_ui->Lv_Mesas->setFocus();

    // The database is read only once the dialog is on screen.
    Cm_Timer = new QTimer(this);
    Cm_Timer->setObjectName(QStringLiteral("Cm_Timer"));
    Cm_Timer->setInterval(1);
    Cm_Timer->setSingleShot(true);
    connect(Cm_Timer, &QTimer::timeout, this, [this] {
        Cm_Timer->stop();
        ABRAR();
    });
    Cm_Timer->start();
}

TableChooser::~TableChooser() = default;

QString TableChooser::maskMesa(int idMesa)
{
    return QStringLiteral("%1 %2").arg(idMesa / 100, 3).arg(idMesa % 100, 2, 10, QLatin1Char('0'));
}

void TableChooser::setChosen(int idMesa)
{
    m_chosen = idMesa;
    m_ui->Ed_MESA->setText(maskMesa(idMesa));
}

void TableChooser::ABRAR()
{
    // 1. The filter entries, added without listing anything: the choice
    // below is what lists the table, once.
    {
        const QSignalBlocker block(m_ui->Cb_STATUSM);
        m_ui->Cb_STATUSM->clear();
        m_ui->Cb_STATUSM->addItems(kStatusFilter);
        m_ui->Cb_STATUSM->setCurrentIndex(-1);
    }
    m_ui->Lv_Mesas->setFocus();

    // 2. A table with a position in use opens on those positions; one with
    // nothing in use shows every position it has. Only "no row" counts as
    // nothing in use: a failed read still opens on "Em Andamento".
    const Read<Record> inUse = PositionReader(desk::sql()).positionInUse(m_lowest, m_highest);
    m_ui->Cb_STATUSM->setCurrentIndex(inUse.isAbsent() ? Todas - 1 : EmAndamento - 1);
}

void TableChooser::MOSTRA()
{
    QTreeWidget *list = m_ui->Lv_Mesas;
    list->clear();
    const int filter = m_ui->Cb_STATUSM->currentIndex() + 1;
    const PositionListing listing = PositionReader(desk::sql()).chooserList(m_lowest, m_highest, filter);
    if (listing.outcome.failed()) {
        UiService::instance().message(this, listing.outcome.message, style::kStop);
        done(QDialog::Rejected);
        return;
    }
    for (const ListedPosition &position : listing.positions)
        positionlist::addRow(list, position);

    // The first position is the one offered.
    if (list->topLevelItemCount() > 0) {
        QTreeWidgetItem *first = list->topLevelItem(0);
        list->setCurrentItem(first);
        setChosen(first->data(1, kMesaRole).toInt());
    }
}

void TableChooser::onRowClicked(QTreeWidgetItem *item)
{
    if (item)
        setChosen(item->data(1, kMesaRole).toInt());
}

void TableChooser::moveSelection(int step)
{
    QTreeWidget *list = m_ui->Lv_Mesas;
    const int count = list->topLevelItemCount();
    if (count == 0)
        return;
    // At either end the selection stays where it is.
    const int current = list->indexOfTopLevelItem(list->currentItem());
    const int next = current < 0 ? 0 : std::clamp(current + step, 0, count - 1);
    QTreeWidgetItem *item = list->topLevelItem(next);
    list->setCurrentItem(item);
    list->scrollToItem(item);
    setChosen(item->data(1, kMesaRole).toInt());
}

void TableChooser::leaveWithoutChoice()
{
    setChosen(0);
    done(QDialog::Rejected);
}

void TableChooser::done(int result)
{
    // Form closed: the caller reads the choice from W-VARS-SQL.
    Cm_Timer->stop();
    exchange::TableChooserExchange::answer({m_chosen});
    QDialog::done(result);
}

bool TableChooser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Lv_Mesas->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // The click that began the double click has already shown its row.
        done(QDialog::Accepted);
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);

    const int key = virtualKey(*static_cast<QKeyEvent *>(event));
    if (watched == m_ui->Cb_STATUSM) {
        if (key == vk::kEscape) {
            leaveWithoutChoice();
            return true;
        }
        return false;
    }
    if (watched == m_ui->Lv_Mesas) {
        switch (key) {
        case vk::kDown: moveSelection(+1); return true;
        case vk::kUp: moveSelection(-1); return true;
        case vk::kEnter: done(QDialog::Accepted); return true;
        case vk::kEscape: leaveWithoutChoice(); return true;
        case vk::kTab: return false; // on to the filter
        default:
            // Nothing else may move the highlight away from Ed_MESA (page
            // keys, Home/End, type-ahead search): what is highlighted is
            // always what Enter returns.
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TableChooser::keyPressEvent(QKeyEvent *event)
{
    // Escape reaching the dialog itself leaves without a choice too, as it
    // does from the list and the filter.
    if (virtualKey(*event) == vk::kEscape) {
        leaveWithoutChoice();
        return;
    }
    QDialog::keyPressEvent(event);
}

void registerTableChooser()
{
    FormRegistry::instance().add(QStringLiteral("99-Mesa"), [](QWidget *parent) {
        TableChooser chooser(parent);
        return chooser.exec();
    });
}

} // namespace qv
