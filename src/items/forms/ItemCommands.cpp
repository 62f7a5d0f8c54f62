#include "items/forms/ItemCommands.h"
#include "data/Statements.h"
#include "data/UnitOfWork.h"

#include "board/forms/MainForm.h"
#include "data/Tables.h"
#include "items/ProductLookup.h"
#include "platform/ui/Keys.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_IncludeFrame.h"
#include "ui_MainForm.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <vector>

namespace qv {

namespace {

const Layout kTime("time", {FieldDef::C("horaPedido", 8)});
const Layout kLastIdLayout("lastId", {FieldDef::N("idItem", 18)});

// Lv_Produtos columns, shared by the observation rows of the item and the
// products found by a description search.
enum Column { kText = 0, kCode = 1, kPrice = 2, kObsCode = 3, kObsKind = 4 };

// The most observations an item keeps: the closing and the edit read back
// only this many, so no key may add more.
constexpr int kObservationLimit = 20;
constexpr int kItemsTicket = 999999;

// L-LINK: the product picked in the list, and the discount search's answer.
constexpr int kLinkCodeFrom = 26;
constexpr int kLinkCodeDigits = 6;
// W-VARS-SQL: the position the include frame works on.
constexpr int kTableFrom = 23;
constexpr int kTableDigits = 5;

QString sixDigits(std::int64_t value)
{
    return QStringLiteral("%1").arg(value, 6, 10, QLatin1Char('0'));
}

QString money(Decimal value)
{
    return value.toDisplay(2);
}

QString blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

QString first20(const QString &text)
{
    return text.left(20).leftJustified(20, QLatin1Char(' '));
}
} // namespace

ItemCommands::ItemCommands(MainForm &form)
    : m_form(form), m_ui(std::make_unique<Ui::IncludeFrame>())
{
    m_frame = new QFrame(&m_form);
    m_ui->setupUi(m_frame);
    m_frame->hide();
    // The chooser keeps its room while hidden, so the frame does not jump.
    QSizePolicy chooserPolicy = m_ui->Frm_Observacoes->sizePolicy();
    chooserPolicy.setRetainSizeWhenHidden(true);
    m_ui->Frm_Observacoes->setSizePolicy(chooserPolicy);
    m_ui->Frm_Observacoes->hide();

    auto *list = m_ui->Lv_Produtos;
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(kText, 330);
    list->setColumnWidth(kCode, 70);
    list->setColumnWidth(kPrice, 80);
    list->setColumnWidth(kObsCode, 80);
    list->setColumnWidth(kObsKind, 70);
    list->headerItem()->setTextAlignment(kPrice, Qt::AlignRight | Qt::AlignVCenter);

    // Masks of the entry fields: "9(02)" and "ZZ.ZZ9,99"; nothing else gets in.
    m_ui->Ed_QUANTID->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), m_ui->Ed_QUANTID));
    m_ui->Ed_DESCMAN->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,5}([.,][0-9]{0,2})?")), m_ui->Ed_DESCMAN));

    // The buttons hand the key their caption names.
    const struct
    {
        QPushButton *button;
        int key;
    } buttons[] = {
        {m_ui->Bt_SEM, vk::kF2},  {m_ui->Bt_OBS, vk::kF3},      {m_ui->Bt_COM, vk::kF4},
        {m_ui->Bt_DESC, vk::kF5}, {m_ui->Bt_JA, vk::kF6},       {m_ui->Bt_Confirma, vk::kF9},
        {m_ui->CmCommand2, vk::kEscape},
    };
    for (const auto &entry : buttons) {
        const int key = entry.key;
        connect(entry.button, &QPushButton::clicked, this, [this, key] { pressKey(key); });
    }

    connect(list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { noteListedProduct(current); });
    connect(list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *row) { noteListedProduct(row); });
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *row) {
        noteListedProduct(row);
        pickListedProduct();
    });

    for (QWidget *control : {static_cast<QWidget *>(m_ui->Ed_CODIPROD), static_cast<QWidget *>(m_ui->Ed_QUANTID),
                             static_cast<QWidget *>(list), static_cast<QWidget *>(m_ui->Ed_DESCMAN),
                             static_cast<QWidget *>(m_ui->Cb_OBSERVA), static_cast<QWidget *>(m_ui->Bt_Confirma)})
        control->installEventFilter(this);
    // The frame follows the table area when the form is resized.
    m_form.ui().Frm_CaixaM->installEventFilter(this);
}

ItemCommands::~ItemCommands() = default;

void ItemCommands::dispatch(const QString &code)
{
    m_functionCode = code;
    if (code == QLatin1String("TECLAITE"))
        TECLAITE();
    else if (code == QLatin1String("LERPRO"))
        LERPRO();
    else if (code == QLatin1String("SEM") || code == QLatin1String("COM") || code == QLatin1String("OBS"))
        chooseObservation();
}

void ItemCommands::pressKey(int keyCode)
{
    m_keyCode = keyCode;
    dispatch(QStringLiteral("TECLAITE"));
}

void ItemCommands::stop(const QString &text)
{
    UiService::instance().message(&m_form, text, style::kStop);
}

// ---------------------------------------------------------------------------
// Start-up list, opening and leaving
// ---------------------------------------------------------------------------

void ItemCommands::loadObservationList()
{
    QComboBox *combo = m_ui->Cb_OBSERVA;
    combo->clear();
    combo->addItem(lookup::emptyObservationEntry(), 0);
    for (const Record &row : Session::instance().observations()) {
        const QString description = row.text("descricao");
        if (description.trimmed().isEmpty())
            continue;
        // The entry shows only the last three digits of the code; the whole
        // code rides along, so a code above 999 never picks another one.
        const int idObs = int(row.integer("idObs"));
        combo->addItem(lookup::observationEntry(description, idObs), idObs);
    }
    combo->setCurrentIndex(0);
}

void ItemCommands::placeFrame()
{
    auto &main = m_form.ui();
    QWidget *area = main.Frm_CaixaM;
    QRect rect(area->mapTo(&m_form, QPoint(0, 0)), area->size());
    // The grouped items below stay in sight for reference when there is
    // room above them for the whole frame.
    const int lowerTop = main.Lv_Consol->mapTo(&m_form, QPoint(0, 0)).y();
    const int needed = m_frame->minimumSizeHint().height();
    if (lowerTop - rect.top() - 6 >= needed)
        rect.setBottom(lowerTop - 6);
    m_frame->setGeometry(rect);
}

void ItemCommands::showFrame()
{
    m_form.ui().Frm_CaixaM->setEnabled(false);
    placeFrame();
    m_frame->show();
    m_frame->raise();
    m_open = true;
}

void ItemCommands::INSITEM()
{
    if (m_open)
        return;
    auto &ui = *m_ui;
    // 1. A new item, on the position shown.
    records::W_INCREME().setDigits(0);
    m_idMesa = m_form.typedTable();
    records::W_VARS_SQL().setDigits(kTableFrom, kTableDigits, std::uint64_t(m_idMesa));
    m_editItem = 0;

    // 2. Table area off, frame on.
    showFrame();

    // 3. Nothing of the last item is left.
    for (QLineEdit *field : {ui.Ed_CODIPROD, ui.Ds_CODIRED, ui.Ds_DESCRIC, ui.Ds_VALOVEN, ui.Ed_QUANTID,
                             ui.Ed_DESCMAN, ui.Ds_CODESCO, ui.Ds_DESCDES, ui.Ds_OPDESCO})
        field->clear();
    m_productCode = 0;
    m_price = Decimal();
    m_discountCode = 0;
    m_discountKind = 0;
    closeChooser();

    // 4. Every key of a new item available.
    for (QWidget *control : {static_cast<QWidget *>(ui.Bt_COM), static_cast<QWidget *>(ui.Bt_SEM),
                             static_cast<QWidget *>(ui.Bt_OBS), static_cast<QWidget *>(ui.Bt_JA),
                             static_cast<QWidget *>(ui.Frm_PROD), static_cast<QWidget *>(ui.Lv_Produtos)})
        control->setEnabled(true);
    ui.Lv_Produtos->clear();
    ui.Ed_CODIPROD->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::CARITEM()
{
    if (m_open)
        return;
    auto &ui = *m_ui;
    Sql &sql = Sql::instance();
    const std::int64_t idItem = std::int64_t(records::W_INCREME().digits());
    if (idItem == 0)
        return;

    // 1. The product, its price and quantity are what was launched: only
    // the observations and the discount change.
    ui.Lv_Produtos->clear();
    ui.Bt_JA->setEnabled(false);
    ui.Frm_PROD->setEnabled(false);
    ui.Lv_Produtos->setEnabled(false);

    // 2. The item and its product.
    Record item(tables::movMesaItem);
    if (!sql.exec(stmt::kItemById, {idItem}, &item).ok()) {
        if (sql.noRow()) {
            // Cancelled or moved from another terminal since the list was read.
            UiService::instance().message(&m_form, QStringLiteral("Item não está mais na mesa !!!"),
                                          style::kInformation);
            m_form.dispatch(QStringLiteral("LERMESA"));
        } else {
            stop(QStringLiteral("Erro %1 na leitura do item !!!").arg(sql.state()));
        }
        return;
    }
    Record product(tables::cadProdutos);
    const int code = int(item.integer("idProduto"));
    if (!sql.exec(stmt::kProductById, {code}, &product).ok() && !sql.noRow()) {
        stop(QStringLiteral("Erro %1 na leitura do produto !!!").arg(sql.state()));
        return;
    }

    // 3. What the item was launched with.
    m_productCode = code;
    m_price = item.num("valorUnitario");
    m_discountCode = 0;
    m_discountKind = 0;
    ui.Ed_CODIPROD->setText(sixDigits(code));
    ui.Ds_CODIRED->setText(sixDigits(code));
    ui.Ds_DESCRIC->setText(product.text("descricao").trimmed());
    ui.Ds_VALOVEN->setText(money(m_price));
    ui.Ed_QUANTID->setText(QStringLiteral("1"));
    ui.Ds_CODESCO->clear();
    ui.Ds_OPDESCO->clear();
    ui.Ds_DESCDES->clear();
    ui.Ed_DESCMAN->setText(item.num("descontoManual").toDisplay(2, false));

    // 4. Its discount kind and who gave it.
    const int discount = int(item.integer("idDesconto"));
    if (discount != 0) {
        Record kind(tables::tabDesconto);
        if (!sql.exec(stmt::kDiscountById, {discount}, &kind).ok() && !sql.noRow()) {
            stop(QStringLiteral("Erro %1 na leitura do desconto !!!").arg(sql.state()));
            return;
        }
        m_discountCode = discount;
        m_discountKind = discount;
        ui.Ds_CODESCO->setText(QString::number(discount));
        ui.Ds_DESCDES->setText(kind.text("descricao").trimmed());
        ui.Ds_OPDESCO->setText(item.text("operDesc").trimmed());
    }

    // 5. Its observations. A list that could not be read must not open:
    // confirming it would replace the stored observations with none.
    std::vector<Record> stored;
    const SqlResult &state = sql.execRows(stmt::kItemObservations, {idItem}, tables::movMesaItemObs, stored,
                                        kObservationLimit);
    if (!state.ok() && !sql.noRow()) {
        stop(QStringLiteral("Erro %1 na leitura das observações do item !!!").arg(state.state()));
        return;
    }
    Record observation(tables::tabObservacao);
    for (const Record &entry : stored) {
        if (entry.integer("idItemObs") == 0)
            continue;
        const int idObs = int(entry.integer("idObs"));
        observation.clear();
        if (!sql.exec(stmt::kObservationById, {idObs}, &observation).ok() && !sql.noRow()) {
            stop(QStringLiteral("Erro %1 na leitura das observações do item !!!").arg(sql.state()));
            return;
        }
        // An observation no longer in the catalogue still belongs to the
        // item: it is kept, without its text.
        appendObservationRow(entry.text("tipo").at(0).toLatin1(), idObs, observation);
    }

    // 6. On show.
    m_editItem = idItem;
    m_idMesa = int(item.integer("idMesa"));
    closeChooser();
    showFrame();
    ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::leave()
{
    m_open = false;
    m_choosing = false;
    m_form.ui().Frm_CaixaM->setEnabled(true);
    m_ui->Frm_Observacoes->hide();
    m_frame->hide();
    m_form.ui().Ed_CODIMES->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::closeAfterWrite()
{
    m_open = false;
    m_choosing = false;
    m_ui->Frm_PROD->setEnabled(true);
    m_ui->Frm_Observacoes->hide();
    m_frame->hide();
    m_form.ui().Frm_CaixaM->setEnabled(true);
    m_form.dispatch(QStringLiteral("LERMESA"));
    if (!m_form.closedDown())
        m_form.ui().Ed_CODIMES->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::productSearch()
{
    UiService::instance().openForm(QStringLiteral("99-Tessup"), &m_form, QStringLiteral("99-Sandral.dll"));
}

// ---------------------------------------------------------------------------
// Product lookup
// ---------------------------------------------------------------------------

void ItemCommands::clearProductFields()
{
    auto &ui = *m_ui;
    for (QLineEdit *field : {ui.Ds_CODIRED, ui.Ds_DESCRIC, ui.Ds_VALOVEN, ui.Ed_QUANTID})
        field->clear();
    m_productCode = 0;
    m_price = Decimal();
}

void ItemCommands::focusProductField()
{
    // Taking the focus clears the field for the next try; a field that
    // still has it keeps what was typed, to be corrected.
    if (!m_ui->Ed_CODIPROD->hasFocus())
        m_ui->Ed_CODIPROD->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::LERPRO()
{
    if (m_inLookup)
        return;
    auto &ui = *m_ui;
    Sql &sql = Sql::instance();
    SharedRecord &link = records::L_LINK();

    // 1. Nothing typed, nothing to look up.
    const QString typed = ui.Ed_CODIPROD->text().left(lookup::kConsidered);
    if (typed.trimmed().isEmpty())
        return;
    m_inLookup = true;

    // 2. Whatever the list and the product fields showed belongs to the
    // previous text.
    ui.Lv_Produtos->clear();
    clearProductFields();

    if (lookup::isProductCode(typed)) {
        // 4. A code: read that product.
        const int code = lookup::productCode(typed);
        link.setDigits(kLinkCodeFrom, kLinkCodeDigits, std::uint64_t(code));
        Record product(tables::cadProdutos);
        const SqlResult state = sql.exec(stmt::kProductById, {code}, &product);
        if (state.ok() && product.text("inativo") == QLatin1String("S")) {
            UiService::instance().message(&m_form, QStringLiteral("Produto inativo !!!"), style::kStop);
            m_inLookup = false;
            focusProductField();
            return;
        }
        ui.Bt_JA->setEnabled(true);
        if (!state.ok()) {
            // An unknown code just goes back to the field; a failed read is
            // said, so it is not taken for an unknown code.
            if (!sql.noRow())
                stop(QStringLiteral("Erro %1 na leitura do produto !!!").arg(state.state()));
            m_inLookup = false;
            focusProductField();
            return;
        }
        m_productCode = code;
        m_price = product.num("valorVenda");
        ui.Ds_CODIRED->setText(sixDigits(code));
        ui.Ds_DESCRIC->setText(product.text("descricao").trimmed());
        ui.Ds_VALOVEN->setText(money(m_price));
        ui.Ed_QUANTID->setText(QStringLiteral("1"));
        if (product.text("permiteJa") == QLatin1String("N"))
            ui.Bt_JA->setEnabled(false);
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        ui.Ed_QUANTID->setFocus(Qt::OtherFocusReason);
        ui.Ed_QUANTID->selectAll();
        m_inLookup = false;
        return;
    }

    // 5. A description: list the products whose description has it.
    const QString pattern = lookup::likePattern(typed);
    if (!sql.open("CURP", stmt::kProductsLike, {pattern}).ok()) {
        m_inLookup = false;
        stop(QStringLiteral("Erro na leitura dos produtos !!!"));
        m_form.closeForm();
        return;
    }
    Record product(tables::cadProdutos);
    for (;;) {
        const SqlResult &state = sql.fetch("CURP", product);
        if (state.noRow())
            break;
        if (!state.ok()) {
            sql.close("CURP");
            m_inLookup = false;
            stop(QStringLiteral("Erro na leitura do cursor (LERPRO) !!!"));
            m_form.closeForm();
            return;
        }
        auto *row = new QTreeWidgetItem(ui.Lv_Produtos);
        row->setText(kText, product.text("descricao").trimmed());
        row->setText(kCode, sixDigits(product.integer("idProduto")));
        row->setText(kPrice, money(product.num("valorCardapio")));
        row->setText(kObsCode, sixDigits(0));
        row->setText(kObsKind, QString());
        row->setTextAlignment(kPrice, Qt::AlignRight | Qt::AlignVCenter);
    }
    sql.close("CURP");
    link.setDigits(kLinkCodeFrom, kLinkCodeDigits, 0);
    m_inLookup = false;
    if (ui.Lv_Produtos->topLevelItemCount() == 0) {
        focusProductField();
        return;
    }
    ui.Lv_Produtos->clearSelection();
    ui.Lv_Produtos->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::noteListedProduct(QTreeWidgetItem *row)
{
    // Only a row the operator moved to or clicked counts as chosen: the
    // list taking the focus makes its first row current without choosing it.
    if (!row || !row->isSelected())
        return;
    records::L_LINK().setDigits(kLinkCodeFrom, kLinkCodeDigits, row->text(kCode).toULongLong());
}

void ItemCommands::pickListedProduct()
{
    // A product row is one the description search listed (no observation
    // kind). Enter on an observation row must not re-read the product shown
    // and drop the observations chosen for it.
    QTreeWidgetItem *row = m_ui->Lv_Produtos->currentItem();
    if (!row || !row->isSelected() || !row->text(kObsKind).isEmpty())
        return;
    const std::uint64_t code = records::L_LINK().digits(kLinkCodeFrom, kLinkCodeDigits);
    if (code == 0)
        return;
    m_ui->Ed_CODIPROD->setText(sixDigits(std::int64_t(code)));
    dispatch(QStringLiteral("LERPRO"));
}

// ---------------------------------------------------------------------------
// Key procedure of the frame
// ---------------------------------------------------------------------------

void ItemCommands::TECLAITE()
{
    if (!m_open)
        return;
    switch (m_keyCode) {
    case vk::kDelete: removeSelectedObservations(); break;
    case vk::kF2: openChooser(QStringLiteral("Sem")); break;
    case vk::kF3: openChooser(QStringLiteral("Observações")); break;
    case vk::kF4: openChooser(QStringLiteral("Com")); break;
    case vk::kF5: itemDiscount(); break;
    case vk::kF6: addJa(); break;
    case vk::kF9: confirm(); break;
    case vk::kF11: productSearch(); break;
    case vk::kEscape: leave(); break;
    default: break;
    }
}

bool ItemCommands::isObservationLimitReached()
{
    if (m_ui->Lv_Produtos->topLevelItemCount() < kObservationLimit)
        return false;
    UiService::instance().message(&m_form, QStringLiteral("Limite de 20 observações preenchidas !!"),
                                  style::kInformation);
    return true;
}

void ItemCommands::openChooser(const QString &caption)
{
    if (m_productCode == 0)
        return;
    if (isObservationLimitReached())
        return;
    m_ui->Frm_Observacoes->setTitle(caption);
    m_ui->Cb_OBSERVA->setCurrentIndex(0);
    m_ui->Frm_Observacoes->show();
    m_choosing = true;
    m_ui->Cb_OBSERVA->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::closeChooser()
{
    m_choosing = false;
    m_ui->Frm_Observacoes->hide();
}

void ItemCommands::chooseObservation()
{
    QComboBox *combo = m_ui->Cb_OBSERVA;
    const QVariant code = combo->currentData();
    addObservation(code.isValid() ? code.toInt() : lookup::observationCode(combo->currentText()));
}

void ItemCommands::addObservation(int idObs)
{
    auto &ui = *m_ui;
    const char kind = lookup::observationKind(ui.Frm_Observacoes->title());
    // The blank entry, or leaving the chooser without a choice, adds nothing.
    if (idObs == 0 || kind == 0) {
        closeChooser();
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        return;
    }
    Sql &sql = Sql::instance();
    Record observation(tables::tabObservacao);
    const SqlResult state = sql.exec(stmt::kObservationById, {idObs}, &observation);
    if (!state.ok()) {
        closeChooser();
        if (sql.noRow())
            UiService::instance().message(&m_form, QStringLiteral("Observação %1 não cadastrada !!!").arg(idObs),
                                          style::kInformation);
        else
            stop(QStringLiteral("Erro %1 na leitura da observação !!!").arg(state.state()));
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        return;
    }
    appendObservationRow(kind, idObs, observation);
    closeChooser();
    ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::appendObservationRow(char kind, int idObs, const Record &observation)
{
    Decimal value;
    switch (kind) {
    case 'C': value = observation.num("valorCom"); break;
    case 'S': value = observation.num("valorSem"); break;
    default: value = observation.num("valorObs"); break;
    }
    auto *row = new QTreeWidgetItem(m_ui->Lv_Produtos);
    row->setText(kText, lookup::observationRowText(kind, observation.text("descricao")));
    row->setText(kCode, sixDigits(0));
    row->setText(kPrice, money(value));
    row->setText(kObsCode, sixDigits(idObs));
    row->setText(kObsKind, QString(QLatin1Char(kind)));
    row->setTextAlignment(kPrice, Qt::AlignRight | Qt::AlignVCenter);
}

void ItemCommands::addJa()
{
    if (m_productCode == 0 || !m_ui->Bt_JA->isEnabled())
        return;
    // The same limit as the other keys: only 20 observations are ever read
    // back, so a 21st would be lost at the first edit or at the closing.
    if (isObservationLimitReached())
        return;
    m_ui->Frm_Observacoes->setTitle(QStringLiteral("Observações"));
    addObservation(int(Session::instance().parameters().integer("idObsJa")));
}

void ItemCommands::removeSelectedObservations()
{
    QTreeWidget *list = m_ui->Lv_Produtos;
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i) {
        if (list->topLevelItem(i)->isSelected())
            delete list->takeTopLevelItem(i);
    }
}

void ItemCommands::itemDiscount()
{
    auto &ui = *m_ui;
    exchange::DiscountSearchExchange::write();
    UiService::instance().openForm(QStringLiteral("99-Lissor"), &m_form, QStringLiteral("99-Sandral.dll"));
    const exchange::DiscountSearchExchange::Answer chosen = exchange::DiscountSearchExchange::read();
    const int code = chosen.code;

    auto noDiscount = [&] {
        m_discountCode = 0;
        m_discountKind = 0;
        ui.Ds_CODESCO->clear();
        ui.Ds_OPDESCO->clear();
        ui.Ds_DESCDES->clear();
    };
    if (!chosen.chosen()) {
        noDiscount();
    } else {
        // The kind looked up is the kind written: the one the code names.
        Sql &sql = Sql::instance();
        Record kind(tables::tabDesconto);
        const SqlResult state = sql.exec(stmt::kDiscountById, {chosen.kind}, &kind);
        if (state.ok()) {
            m_discountCode = code;
            m_discountKind = chosen.kind;
            ui.Ds_CODESCO->setText(QString::number(code));
            ui.Ds_DESCDES->setText(kind.text("descricao").trimmed());
            ui.Ds_OPDESCO->setText(Session::instance().operatorName().trimmed());
        } else {
            // A kind that cannot be shown is not given: the item would carry
            // a discount nobody can see on the frame.
            noDiscount();
            if (sql.noRow())
                UiService::instance().message(&m_form, QStringLiteral("Desconto %1 não cadastrado !!!").arg(code),
                                              style::kInformation);
            else
                stop(QStringLiteral("Erro %1 na leitura do desconto !!!").arg(state.state()));
        }
    }
    ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------
// Confirmation and the writes
// ---------------------------------------------------------------------------

void ItemCommands::confirm()
{
    auto &ui = *m_ui;
    // 1. No product, nothing to confirm.
    if (ui.Ds_DESCRIC->text().trimmed().isEmpty()) {
        focusProductField();
        return;
    }
    // 2. At least one unit.
    const int quantity = ui.Ed_QUANTID->text().trimmed().toInt();
    if (quantity <= 0) {
        UiService::instance().message(&m_form, QStringLiteral("Quantidade inválida !!!"), style::kInformation);
        ui.Ed_QUANTID->setFocus(Qt::OtherFocusReason);
        ui.Ed_QUANTID->selectAll();
        return;
    }
    // 3. The manual discount is per unit and may take the whole price, no
    // more. A blank field is no discount.
    const QString typedDiscount = ui.Ed_DESCMAN->text().trimmed();
    const std::optional<Decimal> manual =
        typedDiscount.isEmpty() ? std::optional<Decimal>(Decimal()) : Decimal::parse(typedDiscount);
    if (!manual || manual->isNegative() || *manual > m_price) {
        UiService::instance().message(&m_form, QStringLiteral("Desconto inválido !!!"), style::kInformation);
        ui.Ed_DESCMAN->setFocus(Qt::OtherFocusReason);
        ui.Ed_DESCMAN->selectAll();
        return;
    }

    // 4. A new item or the edited one. Either is written whole or not at
    // all; on failure the frame stays as it is, to be confirmed again or left.
    const bool newItem = ui.Frm_PROD->isEnabled();
    const std::optional<Failure> failure = newItem ? writeNewItem(quantity, *manual) : writeEditedItem(*manual);
    if (failure) {
        const QString what = newItem ? QStringLiteral("Erro %1 na gravação do item: nada foi gravado !!!")
                                     : QStringLiteral("Erro %1 na alteração do item: nada foi alterado !!!");
        QString text = what.arg(failure->state);
        if (!failure->message.isEmpty())
            text += QLatin1Char('\n') + failure->message.left(120);
        stop(text);
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        return;
    }
    closeAfterWrite();
}

std::optional<ItemCommands::Failure> ItemCommands::writeNewItem(int quantity, Decimal manualDiscount)
{
    Sql &sql = Sql::instance();
    auto &ui = *m_ui;
    auto failed = [&sql] { return std::optional<Failure>(Failure{sql.state(), sql.message()}); };

    // The menu entry of the product, when it has one.
    Record menu(tables::cadCardapioProd);
    if (!sql.exec(stmt::kMenuEntry, {m_productCode}, &menu).ok() && !sql.noRow())
        return failed();
    // One order time for every unit of this launch: the kitchen groups by it.
    Record now(kTime);
    if (!sql.exec(stmt::kServerTime, {}, &now).ok())
        return failed();

    const bool discounted = m_discountCode != 0 || !manualDiscount.isZero();
    const QString operDesc = discounted ? first20(ui.Ds_OPDESCO->text()) : blanks(20);
    const int idCardapio = int(menu.integer("idCardapio"));
    const int idGrupo = int(menu.integer("idGrupo"));
    const int idOperador = Session::instance().operatorCode();
    const QString orderTime = now.text(0);

    struct Observation
    {
        int idObs;
        QString kind;
    };
    std::vector<Observation> observations;
    for (int i = 0; i < ui.Lv_Produtos->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = ui.Lv_Produtos->topLevelItem(i);
        if (row->text(kObsKind).isEmpty())
            continue; // a product listed by a search, not an observation
        observations.push_back({row->text(kObsCode).toInt(), row->text(kObsKind).left(1)});
    }

    UnitOfWork transaction(Sql::instance());
    if (!transaction.started())
        return failed();
    Record lastId(kLastIdLayout);
    for (int n = 0; n < quantity; ++n) {
        if (!sql.exec(stmt::kInsertItem, {std::int64_t(0), m_idMesa, idCardapio, idGrupo, m_productCode, m_price,
                                   idOperador, "I", kItemsTicket, orderTime, "N", 0, 0, m_discountKind,
                                   manualDiscount, operDesc, "N", blanks(20), blanks(20)}).ok())
            return failed();
        if (!sql.exec(stmt::kLastInsertId, {}, &lastId).ok())
            return failed();
        const std::int64_t idItem = lastId.integer("idItem");
        for (const Observation &obs : observations) {
            if (!sql.exec(stmt::kInsertItemObservation, {std::int64_t(0), idItem, obs.idObs, m_idMesa, obs.kind}).ok())
                return failed();
        }
    }
    if (!transaction.commit())
        return failed();
    return std::nullopt;
}

std::optional<ItemCommands::Failure> ItemCommands::writeEditedItem(Decimal manualDiscount)
{
    Sql &sql = Sql::instance();
    auto &ui = *m_ui;
    auto failed = [&sql] { return std::optional<Failure>(Failure{sql.state(), sql.message()}); };

    UnitOfWork transaction(Sql::instance());
    if (!transaction.started())
        return failed();
    if (!sql.exec(stmt::kDeleteItemObservations, {m_editItem}).ok())
        return failed();
    for (int i = 0; i < ui.Lv_Produtos->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = ui.Lv_Produtos->topLevelItem(i);
        if (row->text(kObsKind).isEmpty())
            continue;
        if (!sql.exec(stmt::kInsertItemObservation, {std::int64_t(0), m_editItem, row->text(kObsCode).toInt(), m_idMesa,
                                          row->text(kObsKind).left(1)}).ok())
            return failed();
    }
    if (!sql.exec(stmt::kSetItemDiscount,
                 {m_discountKind, first20(ui.Ds_OPDESCO->text()), manualDiscount, m_editItem}).ok())
        return failed();
    // Removed from the table meanwhile (closed, moved away by another
    // terminal): its observations must not be left behind without it.
    if (sql.affectedRows() == 0)
        return Failure{QStringLiteral("02000"), QStringLiteral("Item não está mais na mesa.")};
    if (!transaction.commit())
        return failed();
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Keyboard and focus of the frame
// ---------------------------------------------------------------------------

void ItemCommands::focusNeighbour(QWidget *from, bool forward)
{
    // Tab stays inside the frame: the next control of the main form's chain
    // would be the table field's trap, which reads a table.
    QWidget *next = from;
    for (int guard = 0; guard < 500; ++guard) {
        next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
        if (!next || next == from)
            return;
        if (m_frame->isAncestorOf(next) && next->isVisibleTo(m_frame) && next->isEnabled()
            && (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            if (auto *field = qobject_cast<QLineEdit *>(next))
                field->selectAll();
            return;
        }
    }
}

bool ItemCommands::eventFilter(QObject *watched, QEvent *event)
{
    auto &ui = *m_ui;
    if (watched == m_form.ui().Frm_CaixaM) {
        if (m_open && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
            placeFrame();
        return false;
    }

    if (event->type() == QEvent::FocusIn && watched == ui.Ed_CODIPROD) {
        // Coming back to the product field starts a new product. A window
        // merely getting active again (after a message) is no such return.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (m_open && !m_inLookup && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            ui.Ed_CODIPROD->clear();
            clearProductFields();
            ui.Ed_DESCMAN->clear();
            ui.Bt_JA->setEnabled(true);
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        // A click elsewhere leaves the field or the chooser as Tab does.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::MouseFocusReason && m_open) {
            if (watched == ui.Ed_CODIPROD && !m_inLookup)
                dispatch(QStringLiteral("LERPRO"));
            else if (watched == ui.Cb_OBSERVA && m_choosing)
                dispatch(lookup::observationKind(ui.Frm_Observacoes->title()) == 'C'   ? QStringLiteral("COM")
                         : lookup::observationKind(ui.Frm_Observacoes->title()) == 'S' ? QStringLiteral("SEM")
                                                                                       : QStringLiteral("OBS"));
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress || !m_open)
        return false;

    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int key = virtualKey(*keyEvent);
    const bool tab = key == vk::kTab;
    const bool backwards = keyEvent->key() == Qt::Key_Backtab || (keyEvent->modifiers() & Qt::ShiftModifier);
    const bool functionKey = key >= vk::kF1 && key <= vk::kF12;
    auto *widget = static_cast<QWidget *>(watched);

    if (watched == ui.Cb_OBSERVA) {
        const char kind = lookup::observationKind(ui.Frm_Observacoes->title());
        const QString code = kind == 'C' ? QStringLiteral("COM") : kind == 'S' ? QStringLiteral("SEM")
                                                                             : QStringLiteral("OBS");
        if (key == vk::kEscape) {
            // Escape backs out of the chooser only; a second one leaves.
            closeChooser();
            ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (key == vk::kEnter || tab) {
            if (m_choosing)
                dispatch(code);
            return true;
        }
        if (functionKey || key == vk::kDelete) {
            // Any other command leaves the chooser first, with its choice.
            if (m_choosing)
                dispatch(code);
            pressKey(key);
            return true;
        }
        return false;
    }

    if (watched == ui.Ed_CODIPROD && (key == vk::kEnter || tab)) {
        if (ui.Ed_CODIPROD->text().trimmed().isEmpty())
            focusNeighbour(widget, !backwards);
        else
            dispatch(QStringLiteral("LERPRO"));
        return true;
    }
    if (watched == ui.Lv_Produtos) {
        if (key == vk::kEnter) {
            pickListedProduct();
            return true;
        }
        if ((key == vk::kDown || key == vk::kUp) && ui.Lv_Produtos->selectedItems().isEmpty()
            && ui.Lv_Produtos->currentItem()) {
            // The first move chooses the row the list stands on.
            ui.Lv_Produtos->currentItem()->setSelected(true);
            noteListedProduct(ui.Lv_Produtos->currentItem());
            return true;
        }
    }
    if ((watched == ui.Ed_QUANTID || watched == ui.Ed_DESCMAN) && key == vk::kEnter) {
        ui.Bt_Confirma->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (watched == ui.Bt_Confirma && (key == vk::kEnter || keyEvent->key() == Qt::Key_Space)) {
        pressKey(vk::kF9);
        return true;
    }
    if (tab) {
        focusNeighbour(widget, !backwards);
        return true;
    }
    // Delete edits the text of a field; elsewhere it removes observations.
    if (key == vk::kDelete && qobject_cast<QLineEdit *>(widget))
        return false;
    if (functionKey || key == vk::kEscape || key == vk::kDelete) {
        pressKey(key);
        return true; // no key of the frame reaches the main form's keys
    }
    return false;
}

} // namespace qv
