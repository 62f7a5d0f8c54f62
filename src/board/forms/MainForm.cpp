#include "board/forms/MainForm.h"

#include "board/forms/DeskOpening.h"
#include "board/forms/KeyBar.h"
#include "board/forms/SuiteLinks.h"
#include "items/forms/CancelCommands.h"
#include "items/forms/ItemCommands.h"
#include "platform/ui/Keys.h"
#include "printing/forms/PrintCommands.h"
#include "tables/forms/SplitTransfer.h"
#include "tables/forms/TableCommands.h"
#include "ui_MainForm.h"

#include <QKeyEvent>

#include <algorithm>

namespace qv {

MainForm::MainForm(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::MainForm>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("08-Quorvel"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    buildDesk();
    m_items = std::make_unique<ItemCommands>(*m_desk);
    // The include frame's controller is found by its name, as the frames are.
    m_items->setParent(this);
    m_items->setObjectName(QStringLiteral("qvItemCommands"));
    m_cancel = std::make_unique<CancelCommands>(*m_desk);
    m_tables = std::make_unique<TableCommands>(*m_desk, TableCommands::Fields{m_ui->Ed_QTDEPES, m_ui->Ed_DESCMANT,
                                                                              m_ui->Cb_Operador, m_ui->Ds_CODIDES,
                                                                              m_ui->Ds_OPERDES});
    m_splitTransfer = std::make_unique<SplitTransfer>(*m_desk);
    m_printing = std::make_unique<PrintCommands>(*m_desk, *m_ui->ReportsLayout);
    m_links = std::make_unique<SuiteLinks>(*m_desk);
    wireCommands();
    // The bar's entries go into a grid of their own, so the bar can take a
    // second row on a screen too narrow for one.
    wireKeyBar();
    m_keyBar = std::make_unique<KeyBar>(*m_ui->CmFrame47);
}

MainForm::~MainForm() = default;

void MainForm::buildDesk()
{
    Ui::MainForm &u = *m_ui;
    DeskController::Widgets desk{
        this,          u.Ed_CODIMES,
        u.Ed_FOCO,     u.Frm_CaixaM,
        u.Frm_DIVIDE,  u.Bt_Sair,
        u.Frm_Escolhe, u.Bt_CX,
        u.MainLayout,  {u.Ed_QTDEPES, u.Ed_DESCMANT, u.Cb_Operador, u.Cb_STATUSM, u.Cb_IMPRE, u.Bt_Sair}};
    BoardWidgets board{u.Lv_Mesas,        u.Cb_STATUSM, u.Frm_AguardeMesas, u.Ds_HORABCO,
                       u.Frm_EmAndamento, u.Ds_MESALAN, u.Frm_Fechadas,     u.Ds_MESAFEC};
    DetailWidgets detail{this,          u.Lv_Itens,   u.Lv_Consol,  u.Bt_Bloqueio, u.Bt_SERVICO, u.Bt_MOSTRA,
                         u.Cb_Operador, u.Ds_CODIGAR, u.Ds_NOMEGAR, u.Ed_QTDEPES,  u.Ds_HORAABE, u.Ds_PERMANE,
                         u.Ds_TOTITENS, u.Ds_TOTPROD, u.Ds_CODIDES, u.Ds_OPERDES,  u.Ds_PERCDES, u.Ds_VALODES,
                         u.Ed_DESCMANT, u.Ds_SUBTOTA, u.Ds_TAXASER, u.Ds_VALOSER,  u.Ds_TOTMESA, u.Ed_VALOPES,
                         u.Ds_TOTPRIN,  u.Ds_TOTVIAG, u.Ds_VIAGLIQ};
    OpeningWidgets opening{u.Frm_Aguarde, u.Frm_Escolhe, u.Lb_EscolheDica, u.Bt_CX,      u.Bt_Sair,  u.Cb_STATUSM,
                           u.Cb_Operador, u.Cb_IMPRE,    u.Bt_GEREN,       u.Bt_MFECH,   u.Bt_COMIS, u.Ds_TURNO,
                           u.Ds_DTCAIXA,  u.Ds_PERIODO,  u.Ds_CAIXA,       u.Ds_OPERADOR};
    m_desk = std::make_unique<DeskController>(desk, board, detail, opening);
    // The counters show only on request (Home) until the next timed rebuild.
    m_ui->Frm_AguardeMesas->hide();
    m_ui->Frm_EmAndamento->hide();
    m_ui->Frm_Fechadas->hide();
}

void MainForm::wireCommands()
{
    DeskCommands c;
    c.include = [this] { m_items->INSITEM(); };
    c.editItem = [this](std::int64_t idItem) { m_items->CARITEM(idItem); };
    c.productSearch = [this] { m_items->productSearch(); };
    c.cancelItems = [this] { m_cancel->CANCITE(); };
    c.writeOff = [this] { m_cancel->BAIXITE(); };
    c.printMenu = [this] { m_printing->openPrintMenu(); };
    c.toggleBlock = [this] { m_tables->toggleBlock(); };
    c.transfer = [this] { m_splitTransfer->openTransfer(); };
    c.tableDiscount = [this] { m_tables->tableDiscount(); };
    c.split = [this] { m_splitTransfer->DIVIDIR(); };
    c.toggleService = [this] { m_tables->toggleService(); };
    c.closeAccount = [this] { m_tables->closeAccount(); };
    c.takeAway = [this] { m_links->takeAway(); };
    c.requestBill = [this] { m_tables->IMPMESA(); };
    c.loadLists = [this] {
        m_cancel->loadReasons();
        m_printing->loadPrinters();
    };
    c.loadObservations = [this] { m_items->loadObservationList(); };
    c.placeFrames = [this] { placeFrames(); };
    m_desk->start(std::move(c));

    connect(m_ui->Frm_DIVIDE1, &QPushButton::clicked, this, [this] { m_items->productSearch(); });
    m_ui->CmStatic50->setProperty("qvAction", QStringLiteral("PESQUISA"));
    m_ui->CmStatic50->installEventFilter(m_desk.get());
    connect(m_ui->Bt_MFECH, &QPushButton::clicked, this, [this] { m_links->report('M'); });
    connect(m_ui->Bt_COMIS, &QPushButton::clicked, this, [this] { m_links->report('C'); });
    connect(m_ui->Bt_IMPPRO6, &QPushButton::clicked, this, [this] { m_links->report('P'); });
    connect(m_ui->Bt_GEREN, &QPushButton::clicked, this, [this] { m_links->management(); });
    connect(m_ui->Bt_IMPPRO4, &QPushButton::clicked, this, [this] { m_printing->TESTEIMP(); });
}

void MainForm::wireKeyBar()
{
    // The function-key bar: a click on an entry or on its key label hands
    // the entry's key code to the key procedure.
    const struct
    {
        QPushButton *entry;
        QLabel *label;
        int key;
    } bar[] = {
        {m_ui->Frm_Imprimir, m_ui->CmStatic38, vk::kF1}, {m_ui->Bt_Bloqueio, m_ui->CmStatic39, vk::kF2},
        {m_ui->Frm_DEL, m_ui->CmStatic40, vk::kDelete},  {m_ui->Frm_INS, m_ui->CmStatic41, vk::kInsert},
        {m_ui->Bt_Bloqueio1, m_ui->CmStatic42, vk::kF3}, {m_ui->Frm_INS1, m_ui->CmStatic43, vk::kF6},
        {m_ui->Bt_Bloqueio2, m_ui->CmStatic44, vk::kF9}, {m_ui->Bt_SERVICO, m_ui->CmStatic45, vk::kF8},
        {m_ui->Bt_MOSTRA, m_ui->CmStatic46, vk::kF7},    {m_ui->Bt_MOSTRA1, m_ui->CmStatic47, vk::kF10},
        {m_ui->Bt_Bloqueio3, m_ui->CmStatic48, vk::kF4}, {m_ui->Frm_INS2, m_ui->CmStatic49, vk::kF12},
    };
    for (const auto &entry : bar) {
        const int key = entry.key;
        connect(entry.entry, &QPushButton::clicked, this, [this, key] { m_desk->pressKey(key); });
        entry.label->setProperty("qvKey", key);
        entry.label->installEventFilter(m_desk.get());
    }
}

void MainForm::fitKeyBar()
{
    const int available = m_keyBar->fit(*this, *m_ui->MainLayout);
    // The program's name is in the title bar too: on a small screen its
    // room goes to the session fields.
    m_ui->Lb_Sistema->setVisible(available >= 1280);
    // The smaller minimum is in force at once, so the window can be fitted
    // to the screen right after it shows.
    layout()->activate();
}

void MainForm::placeFrames()
{
    // The overlay frames sit centred over the form, the waiting frames over
    // the board.
    auto centre = [](QWidget *frame, const QRect &area) {
        frame->adjustSize();
        QSize size = frame->size().expandedTo(frame->minimumSizeHint());
        frame->setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
    };
    centre(m_ui->Frm_Escolhe, rect());
    centre(m_ui->Frm_Aguarde, rect());
    const QRect boardArea(m_ui->Lv_Mesas->mapTo(this, QPoint(0, 0)), m_ui->Lv_Mesas->size());
    centre(m_ui->Frm_AguardeMesas, boardArea);
    for (QWidget *frame : {m_ui->Frm_Escolhe, m_ui->Frm_Aguarde, m_ui->Frm_AguardeMesas})
        frame->raise();
}

void MainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The entries whose caption follows the table keep the width of their
    // longer caption, so showing another table never resizes the window.
    // Measured once shown, when the style sheet's font is in force.
    const struct
    {
        QPushButton *button;
        const char *longer;
    } toggles[] = {
        {m_ui->Bt_Bloqueio, "DESBLOQUEIA MESA"},
        {m_ui->Bt_SERVICO, "INCLUIR SERVIÇO"},
        {m_ui->Bt_MOSTRA, "NÃO MOSTRA OBS"},
    };
    for (const auto &toggle : toggles) {
        const int needed = toggle.button->fontMetrics().horizontalAdvance(QString::fromUtf8(toggle.longer)) + 14;
        toggle.button->setMinimumWidth(std::max(toggle.button->minimumWidth(), needed));
    }
    fitKeyBar();
    placeFrames();
    // The window asks for the keyboard itself: without a window manager
    // (a kiosk session) nobody else gives it, and the Alt shortcuts only
    // work in the active window.
    activateWindow();
}

void MainForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeFrames();
}

void MainForm::keyPressEvent(QKeyEvent *event)
{
    if (!m_desk->windowKey(*event))
        QWidget::keyPressEvent(event);
}

} // namespace qv
