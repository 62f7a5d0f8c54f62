#include "printing/forms/PrintCommands.h"
#include "data/Statements.h"

#include "board/forms/MainForm.h"
#include "platform/Config.h"
#include "platform/Files.h"
#include "platform/ui/Keys.h"
#include "platform/Record.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "printing/PrinterConfig.h"
#include "printing/forms/TestPage.h"
#include "session/Paths.h"
#include "session/Session.h"
#include "board/forms/CommandFrame.h"
#include "tables/forms/TableCommands.h"
#include "ui_MainForm.h"
#include "ui_PrintMenu.h"
#include "ui_PrinterTest.h"

#include <QKeyEvent>

#include <algorithm>

namespace qv {

namespace {
// 999999 is not a ticket but "not on a ticket yet", shared by every
// unprinted item of the restaurant: by number alone it would send every
// table's pending items to the kitchen printer again.

const Layout kPrinterName("tab_Impressoras", {FieldDef::C("nome", 20)});
const Layout kTime("time", {FieldDef::C("hora", 8)});

constexpr std::int64_t kNoComanda = 999999;
constexpr int kPrinterCodes = 30;

QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}
} // namespace

PrintCommands::PrintCommands(MainForm &form)
    : m_form(form), m_menuUi(std::make_unique<Ui::PrintMenu>()), m_testUi(std::make_unique<Ui::PrinterTest>())
{
    // The menu: an overlay of the form over the table area.
    m_menu = new QGroupBox(&form);
    m_menuUi->setupUi(m_menu);
    m_frame = new CommandFrame(form, m_menu);
    connect(m_menuUi->Bt_IMPCTA, &QPushButton::clicked, this, [this] { IMPCTA(); });
    connect(m_menuUi->Bt_IMPPRO, &QPushButton::clicked, this, [this] { IMPPRO(); });
    connect(m_menuUi->Bt_IMPCMD, &QPushButton::clicked, this, [this] { IMPCMD(); });
    connect(m_menuUi->Bt_VOLTA, &QPushButton::clicked, this, [this] { VOLTA(); });
    for (QPushButton *button : {m_menuUi->Bt_IMPCTA, m_menuUi->Bt_IMPPRO, m_menuUi->Bt_IMPCMD, m_menuUi->Bt_VOLTA})
        button->installEventFilter(this);

    // The printer choice of the test sits with its button, under it.
    m_testControls = new QWidget(&form);
    m_testUi->setupUi(m_testControls);
    form.ui().ReportsLayout->addWidget(m_testControls, 3, 0, 1, 2);
}

PrintCommands::~PrintCommands() = default;

QComboBox *PrintCommands::Cb_TESTEIMP() const
{
    return m_testUi->Cb_TESTEIMP;
}

void PrintCommands::loadPrinters()
{
    QComboBox *list = m_testUi->Cb_TESTEIMP;
    list->clear();
    list->addItem(QStringLiteral("Todas"));
    list->addItems(Session::instance().printers());
    list->setCurrentIndex(0);
}

void PrintCommands::openPrintMenu()
{
    auto &ui = m_form.ui();
    // 1. A blocked table prints nothing more.
    if (ui.Bt_Bloqueio->text() == QLatin1String("DESBLOQUEIA MESA")) {
        m_form.refuseBlocked();
        return;
    }
    // 2. Nothing shown, or nothing on it.
    if (m_form.typedTable() == 0 || ui.Lv_Itens->topLevelItemCount() == 0)
        return;
    // Another command frame holds the table area: the menu waits for it.
    if (m_form.commandFrameOpen())
        return;
    // 3.
    m_frame->open();
    m_menuUi->Bt_IMPCTA->setFocus(Qt::OtherFocusReason);
}

void PrintCommands::leaveMenu()
{
    m_frame->close();
    m_form.ui().Ed_CODIMES->setFocus(Qt::OtherFocusReason);
}

std::vector<PrintCommands::SelectedItem> PrintCommands::selectedItems() const
{
    auto &ui = m_form.ui();
    // Only the first Ds_TOTITENS rows are looked at: with observation rows
    // shown, the item rows past that count stay out of the request.
    const int total = ui.Ds_TOTITENS->text().trimmed().toInt();
    const int rows = std::min(total, ui.Lv_Itens->topLevelItemCount());
    std::vector<SelectedItem> selected;
    for (int i = 0; i < rows; ++i) {
        const QTreeWidgetItem *row = ui.Lv_Itens->topLevelItem(i);
        if (!row->isSelected())
            continue;
        selected.push_back({row->text(0).trimmed().toLongLong(), row->text(5).trimmed().toLongLong() % 1000000});
    }
    return selected;
}

void PrintCommands::reportFailure(const QString &state)
{
    // The request of the other rows stands; the cashier sees on the list
    // which rows took it and can ask again.
    UiService::instance().message(&m_form,
                                  QStringLiteral("Erro ") + state
                                      + QStringLiteral(" gravando o pedido de impressão, confira os itens !!!"),
                                  style::kStop);
}

void PrintCommands::IMPCTA()
{
    leaveMenu();
    m_form.tables().IMPMESA();
}

void PrintCommands::IMPPRO()
{
    leaveMenu();
    Sql &sql = Sql::instance();
    QString failed;
    for (const SelectedItem &item : selectedItems()) {
        if (item.comanda == 0) {
            // Never on a ticket: printed as a product of its own, and from
            // now on counted among the items without a ticket.
            if (!sql.exec(stmt::kReprintProduct, {item.idItem}).ok()
                || !sql.exec(stmt::kClearComanda, {item.idItem}).ok()) {
                if (failed.isEmpty())
                    failed = sql.state();
            }
        } else if (!sql.exec(stmt::kReprintItem, {item.idItem}).ok() && failed.isEmpty()) {
            failed = sql.state();
        }
    }
    if (!failed.isEmpty())
        reportFailure(failed);
    m_form.dispatch(QStringLiteral("LERMESA"));
}

void PrintCommands::IMPCMD()
{
    leaveMenu();
    Sql &sql = Sql::instance();
    const int position = m_form.currentTable();
    QString failed;
    for (const SelectedItem &item : selectedItems()) {
        SqlResult state;
        if (item.comanda == 0)
            state = sql.exec(stmt::kReprintItem, {item.idItem});
        else if (item.comanda == kNoComanda)
            state = sql.exec(stmt::kReprintComandaOfTable, {item.comanda, position});
        else
            state = sql.exec(stmt::kReprintComanda, {item.comanda});
        if (!state.ok() && failed.isEmpty())
            failed = state.state();
    }
    if (!failed.isEmpty())
        reportFailure(failed);
    m_form.dispatch(QStringLiteral("LERMESA"));
}

void PrintCommands::VOLTA()
{
    leaveMenu();
    m_form.dispatch(QStringLiteral("LERMESA"));
}

void PrintCommands::TESTEIMP()
{
    Sql &sql = Sql::instance();
    UiService &ui = UiService::instance();
    const QString formPrt = QString::fromLatin1(paths::kFormPrt);

    // 1. The board waits while pages are being printed.
    m_form.Cm_TimerMesas->stop();

    const QString chosen = withoutTrailingBlanks(m_testUi->Cb_TESTEIMP->currentText());
    const bool everyPrinter = chosen == QLatin1String("Todas");

    // 2. Every printer code, in code order.
    Record row(kPrinterName);
    Record now(kTime);
    for (int code = 1; code <= kPrinterCodes; ++code) {
        row.clear();
        const SqlResult state = sql.exec(stmt::kPrinterName, {code}, &row);
        if (sql.noRow())
            continue;
        if (!state.ok()) {
            ui.message(&m_form,
                       QStringLiteral("Erro ") + state.state() + QStringLiteral(" na leitura das impressoras !!!"),
                       style::kStop);
            break;
        }
        const QString name = row.text(0);
        if (name.trimmed().isEmpty())
            continue;
        if (!everyPrinter && chosen != withoutTrailingBlanks(name))
            continue;

        // 3. The configuration the print runtime reads for this printer,
        // then its page. Without the file no page may go out: the runtime
        // would print on whatever printer the last file named.
        const PrinterConfig config(name);
        const QString written = config.write(formPrt);
        if (written != QLatin1String(filestatus::kOk)) {
            ui.message(&m_form, QStringLiteral("Erro ") + written + QStringLiteral(" gravando ") + formPrt
                                    + QStringLiteral(" !!!"),
                       style::kStop);
            break;
        }
        now.clear();
        const SqlResult timeState = sql.exec(stmt::kServerTime, {}, &now);
        if (!timeState.ok()) {
            ui.message(&m_form,
                       QStringLiteral("Erro ") + timeState.state() + QStringLiteral(" na leitura da hora do servidor !!!"),
                       style::kStop);
            break;
        }
        const TestPage page(name, now.text(0));
        const TestPage::Outcome outcome = page.print(code, Config::current().pdfFolder);
        const QString shownName = TestPage::systemPrinterName(name);
        if (!outcome.printed) {
            // The other printers are still worth testing.
            ui.message(&m_form,
                       QStringLiteral("Erro na impressão do teste em ") + shownName + QStringLiteral(": ")
                           + outcome.error + QStringLiteral(" !!!"),
                       style::kStop);
            continue;
        }
        if (outcome.toPdf)
            ui.message(&m_form,
                       QStringLiteral("Impressora ") + shownName
                           + QStringLiteral(" não instalada, página de teste gravada em ") + outcome.pdfFile,
                       style::kInformation);
    }

    // 4.
    m_form.Cm_TimerMesas->start();
}

bool PrintCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *button = qobject_cast<QPushButton *>(watched);
    if (!button)
        return QObject::eventFilter(watched, event);
    const QList<QPushButton *> order = {m_menuUi->Bt_IMPCTA, m_menuUi->Bt_IMPPRO, m_menuUi->Bt_IMPCMD,
                                        m_menuUi->Bt_VOLTA};
    const int at = order.indexOf(button);
    switch (virtualKey(*static_cast<QKeyEvent *>(event))) {
    case vk::kEnter:
        button->click();
        return true;
    case vk::kEscape:
        VOLTA();
        return true;
    case vk::kLeft:
    case vk::kUp:
        order[(at + order.size() - 1) % order.size()]->setFocus(Qt::OtherFocusReason);
        return true;
    case vk::kRight:
    case vk::kDown:
        order[(at + 1) % order.size()]->setFocus(Qt::OtherFocusReason);
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace qv
