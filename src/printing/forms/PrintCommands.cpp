#include "printing/forms/PrintCommands.h"
#include "platform/ui/Desk.h"

#include "board/forms/CommandFrame.h"
#include "board/forms/DeskContext.h"
#include "platform/Config.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "printing/forms/TestPage.h"
#include "session/Paths.h"
#include "session/Session.h"
#include "ui_PrintMenu.h"
#include "ui_PrinterTest.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>

namespace qv {

PrintCommands::PrintCommands(DeskContext &form, QGridLayout &reports)
    : m_form(form), m_service(desk::sql()), m_menuUi(std::make_unique<Ui::PrintMenu>()),
      m_testUi(std::make_unique<Ui::PrinterTest>())
{
    // The menu: an overlay of the form over the table area.
    m_menu = new QGroupBox(form.window());
    m_menuUi->setupUi(m_menu);
    m_frame = new CommandFrame(form, m_menu);
    connect(m_menuUi->Bt_IMPCTA, &QPushButton::clicked, this, [this] { IMPCTA(); });
    connect(m_menuUi->Bt_IMPPRO, &QPushButton::clicked, this, [this] { IMPPRO(); });
    connect(m_menuUi->Bt_IMPCMD, &QPushButton::clicked, this, [this] { IMPCMD(); });
    connect(m_menuUi->Bt_VOLTA, &QPushButton::clicked, this, [this] { VOLTA(); });
    for (QPushButton *button : {m_menuUi->Bt_IMPCTA, m_menuUi->Bt_IMPPRO, m_menuUi->Bt_IMPCMD, m_menuUi->Bt_VOLTA})
        button->installEventFilter(this);

    // The printer choice of the test sits with its button, under it.
    m_testControls = new QWidget(form.window());
    m_testUi->setupUi(m_testControls);
    reports.addWidget(m_testControls, 3, 0, 1, 2);
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
    list->addItems(desk::session().printers());
    list->setCurrentIndex(0);
}

void PrintCommands::openPrintMenu()
{
    const DeskContext &desk = m_form;
    // 1. A blocked table prints nothing more.
    if (desk.shown().blocked()) {
        m_form.refuseBlocked();
        return;
    }
    // 2. Nothing shown, or nothing on it.
    if (m_form.typedTable() == 0 || desk.shown().itemCount() == 0)
        return;
    // Another command frame holds the table area: the menu waits for it.
    if (m_form.frameOpen())
        return;
    // 3.
    m_frame->open();
    m_menuUi->Bt_IMPCTA->setFocus(Qt::OtherFocusReason);
}

void PrintCommands::leaveMenu()
{
    m_frame->close();
    m_form.focusTableField();
}

void PrintCommands::tell(const Outcome &outcome)
{
    // One box naming the SQLSTATE, then the table as it is now.
    if (!outcome.message.isEmpty())
        UiService::instance().message(m_form.window(), outcome.message,
                                      outcome.severity == Outcome::Severity::Stop ? style::kStop : style::kInformation);
    if (outcome.serverLost())
        m_form.lostConnection();
    else if (outcome.next == Outcome::Next::Reread)
        m_form.reread();
}

void PrintCommands::IMPCTA()
{
    leaveMenu();
    m_form.requestBill();
}

void PrintCommands::IMPPRO()
{
    leaveMenu();
    const DeskContext &desk = m_form;
    tell(m_service.reprintProducts(desk.shown(), desk.selectedItems()));
}

void PrintCommands::IMPCMD()
{
    leaveMenu();
    const DeskContext &desk = m_form;
    tell(m_service.reprintComandas(desk.shown(), desk.selectedItems()));
}

void PrintCommands::VOLTA()
{
    leaveMenu();
    m_form.reread();
}

void PrintCommands::TESTEIMP()
{
    UiService &ui = UiService::instance();
    const QString formPrt = QString::fromLatin1(paths::kFormPrt);

    // 1. The board waits while pages are being printed.
    m_form.pauseBoard();

    // 2. Every printer chosen, in code order.
    const QString chosen = m_testUi->Cb_TESTEIMP->currentText();
    PrintService::TestPrinter printer;
    QStringList written;
    for (;;) {
        const Outcome found = m_service.nextTestPrinter(printer.code, chosen, printer);
        if (!found.done()) {
            ui.message(m_form.window(), found.message, style::kStop);
            break;
        }
        if (printer.code == 0)
            break;

        // 3. The configuration for this printer, then its page.
        const Outcome prepared = m_service.TESTEIMP(printer, formPrt);
        if (!prepared.done()) {
            ui.message(m_form.window(), prepared.message, style::kStop);
            break;
        }
        const TestPage page(printer.name, printer.time);
        const TestPage::Outcome outcome = page.print(printer.code, Config::current().pdfFolder);
        const QString shownName = TestPage::systemPrinterName(printer.name);
        if (!outcome.printed) {
            // The other printers are still worth testing.
            ui.message(m_form.window(),
                       QStringLiteral("Erro na impressão do teste em ") + shownName + QStringLiteral(": ")
                           + outcome.error + QStringLiteral(" !!!"),
                       style::kStop);
            continue;
        }
        if (outcome.toPdf)
            written << QStringLiteral("Impressora ") + shownName
                           + QStringLiteral(" não instalada, página de teste gravada em ") + outcome.pdfFile;
    }
    // One box for the whole test, however many pages went to files, shown
    // whole: every line names a file the technician has to find. None when
    // every page reached a real printer.
    if (!written.isEmpty())
        ui.longMessage(m_form.window(), written.join(QLatin1Char('\n')), style::kInformation);

    // 4.
    m_form.resumeBoard();
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
    case vk::kEnter: button->click(); return true;
    case vk::kEscape: VOLTA(); return true;
    case vk::kLeft:
    case vk::kUp: order[(at + order.size() - 1) % order.size()]->setFocus(Qt::OtherFocusReason); return true;
    case vk::kRight:
    case vk::kDown: order[(at + 1) % order.size()]->setFocus(Qt::OtherFocusReason); return true;
    default: return QObject::eventFilter(watched, event);
    }
}

} // namespace qv
