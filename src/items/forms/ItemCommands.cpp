#include "items/forms/ItemCommands.h"
#include "data/Status.h"
#include "platform/ui/ColumnFit.h"
#include "platform/ui/Desk.h"

#include "board/forms/DeskContext.h"
#include "items/ProductLookup.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_IncludeFrame.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <vector>

namespace qv {

namespace {

// Lv_Produtos columns, shared by the observation rows of the item and the
// products found by a description search.
enum Column {
    kText = 0,
    kCode = 1,
    kPrice = 2,
    kObsCode = 3,
    kObsKind = 4
};
// What a row stands for rides along as the data of its first column: the
// product code of a listed product, or the kind and code of an observation
// (no kind for a product).
constexpr int kCodeRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;

// The most observations an item keeps: the closing and the edit read back
// only this many, so no key may add more.
constexpr int kObservationLimit = 20;

QString sixDigits(std::int64_t value)
{
    return QStringLiteral("%1").arg(value, 6, 10, QLatin1Char('0'));
}

QString money(Decimal value)
{
    return value.toDisplay(2);
}

} // namespace

ItemCommands::ItemCommands(DeskContext &desk)
    : m_desk(desk), m_service(desk::sql()), m_ui(std::make_unique<Ui::IncludeFrame>())
{
    m_frame = new QFrame(m_desk.window());
    m_ui->setupUi(m_frame);
    m_frame->hide();
    // The chooser keeps its room while hidden, so the frame does not jump.
    QSizePolicy chooserPolicy = m_ui->Frm_Observacoes->sizePolicy();
    chooserPolicy.setRetainSizeWhenHidden(true);
    m_ui->Frm_Observacoes->setSizePolicy(chooserPolicy);
    m_ui->Frm_Observacoes->hide();

    // Every column title whole; the text takes the room the others leave.
    auto *list = m_ui->Lv_Produtos;
    list->setColumnWidth(kCode, std::max(70, titleWidth(*list, kCode)));
    list->setColumnWidth(kPrice, std::max(80, titleWidth(*list, kPrice)));
    list->setColumnWidth(kObsCode, std::max(80, titleWidth(*list, kObsCode)));
    list->setColumnWidth(kObsKind, std::max(70, titleWidth(*list, kObsKind)));
    fillColumn(*list, kText);
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
        {m_ui->Bt_SEM, vk::kF2},         {m_ui->Bt_OBS, vk::kF3}, {m_ui->Bt_COM, vk::kF4},
        {m_ui->Bt_DESC, vk::kF5},        {m_ui->Bt_JA, vk::kF6},  {m_ui->Bt_Confirma, vk::kF9},
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
    m_desk.tableArea()->installEventFilter(this);
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

void ItemCommands::tell(const Outcome &outcome)
{
    if (!outcome.message.isEmpty())
        UiService::instance().message(m_desk.window(), outcome.message,
                                      outcome.severity == Outcome::Severity::Stop ? style::kStop : style::kInformation);
    m_desk.noteLostConnection(outcome);
}

// ---------------------------------------------------------------------------
// Start-up list, opening and leaving
// ---------------------------------------------------------------------------

void ItemCommands::loadObservationList()
{
    QComboBox *combo = m_ui->Cb_OBSERVA;
    combo->clear();
    combo->addItem(lookup::emptyObservationEntry(), 0);
    for (const Record &row : desk::session().observations()) {
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
    QWidget *area = m_desk.tableArea();
    QRect rect(area->mapTo(m_desk.window(), QPoint(0, 0)), area->size());
    // The grouped items below stay in sight for reference when there is
    // room above them for the whole frame.
    const int lowerTop = m_desk.groupedItemsTop();
    const int needed = m_frame->minimumSizeHint().height();
    if (lowerTop - rect.top() - 6 >= needed)
        rect.setBottom(lowerTop - 6);
    m_frame->setGeometry(rect);
}

void ItemCommands::showFrame()
{
    m_desk.setFrameOpen(true);
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
    m_idMesa = m_desk.shownTable();
    m_opening = m_desk.shown().opening();
    exchange::ItemEditExchange::writeNewItem(m_idMesa);
    m_editItem = 0;

    // 2. Table area off, frame on.
    showFrame();

    // 3. Nothing of the last item is left.
    for (QLineEdit *field : {ui.Ed_CODIPROD, ui.Ds_CODIRED, ui.Ds_DESCRIC, ui.Ds_VALOVEN, ui.Ed_QUANTID, ui.Ed_DESCMAN,
                             ui.Ds_CODESCO, ui.Ds_DESCDES, ui.Ds_OPDESCO})
        field->clear();
    m_productCode = 0;
    m_productShown = false;
    m_lookedUp.clear();
    m_price = Decimal();
    m_discountCode = 0;
    m_discountKind = 0;
    m_discountOperator.clear();
    closeChooser();

    // 4. Every key of a new item available.
    for (QWidget *control :
         {static_cast<QWidget *>(ui.Bt_COM), static_cast<QWidget *>(ui.Bt_SEM), static_cast<QWidget *>(ui.Bt_OBS),
          static_cast<QWidget *>(ui.Frm_PROD), static_cast<QWidget *>(ui.Lv_Produtos)})
        control->setEnabled(true);
    setTakesJa(true);
    ui.Lv_Produtos->clear();
    ui.Ed_CODIPROD->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::CARITEM(std::int64_t idItem)
{
    if (m_open)
        return;
    auto &ui = *m_ui;
    if (idItem == 0)
        return;

    // 1. The product, its price and quantity are what was launched: only
    // the observations and the discount change.
    ui.Lv_Produtos->clear();
    setTakesJa(false);
    ui.Frm_PROD->setEnabled(false);
    ui.Lv_Produtos->setEnabled(false);

    // 2. The item as stored; a frame that could not be filled does not open.
    const ItemService::EditRead read = m_service.readItem(idItem);
    if (!read.outcome.done()) {
        tell(read.outcome);
        if (read.outcome.next == Outcome::Next::Reread)
            m_desk.reread();
        return;
    }
    const ItemService::StoredItem &item = read.item;

    // 3. What the item was launched with.
    m_productCode = item.productCode;
    m_productShown = !item.description.isEmpty();
    m_price = item.price;
    m_discountCode = item.discountKind;
    m_discountKind = item.discountKind;
    m_discountOperator = item.discountOperator;
    ui.Ed_CODIPROD->setText(sixDigits(item.productCode));
    m_lookedUp = ui.Ed_CODIPROD->text();
    ui.Ds_CODIRED->setText(sixDigits(item.productCode));
    ui.Ds_DESCRIC->setText(item.description);
    ui.Ds_VALOVEN->setText(money(m_price));
    ui.Ed_QUANTID->setText(QStringLiteral("1"));
    ui.Ed_DESCMAN->setText(item.manualDiscount.toDisplay(2, false));
    // 4. Its discount kind and who gave it.
    if (item.discountKind != 0) {
        ui.Ds_CODESCO->setText(QString::number(item.discountKind));
        ui.Ds_DESCDES->setText(item.discountDescription);
        ui.Ds_OPDESCO->setText(item.discountOperator);
    } else {
        ui.Ds_CODESCO->clear();
        ui.Ds_OPDESCO->clear();
        ui.Ds_DESCDES->clear();
    }
    // 5. Its observations.
    for (const ChosenObservation &observation : item.observations)
        appendObservationRow(observation);

    // 6. On show.
    m_editItem = idItem;
    m_idMesa = item.idMesa;
    m_opening = m_desk.shown().opening();
    m_editRead = item;
    closeChooser();
    showFrame();
    ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::leave()
{
    m_open = false;
    m_choosing = false;
    m_desk.setFrameOpen(false);
    m_ui->Frm_Observacoes->hide();
    m_frame->hide();
    m_desk.focusTableField();
}

void ItemCommands::closeAfterWrite()
{
    m_open = false;
    m_choosing = false;
    m_ui->Frm_PROD->setEnabled(true);
    m_ui->Frm_Observacoes->hide();
    m_frame->hide();
    m_desk.setFrameOpen(false);
    m_desk.reread();
    if (!m_desk.closing())
        m_desk.focusTableField();
}

void ItemCommands::productSearch()
{
    UiService::instance().openForm(QStringLiteral("99-Tessup"), m_desk.window(), QStringLiteral("99-Sandral.dll"));
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
    m_productShown = false;
    m_price = Decimal();
}

bool ItemCommands::hasChosenObservations() const
{
    const QTreeWidget *list = m_ui->Lv_Produtos;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->data(kText, kKindRole).isValid())
            return true;
    return false;
}

void ItemCommands::focusProductField()
{
    // Coming back to the product field drops nothing: taking the focus
    // selects what it shows, so the next code typed replaces it, and only
    // the lookup of that code replaces the product. A field that still has
    // the focus keeps what was typed, to be corrected.
    if (!m_ui->Ed_CODIPROD->hasFocus())
        m_ui->Ed_CODIPROD->setFocus(Qt::TabFocusReason);
}

void ItemCommands::LERPRO()
{
    if (m_inLookup)
        return;
    auto &ui = *m_ui;

    // 1. Nothing typed, nothing to look up.
    const QString typed = ui.Ed_CODIPROD->text();
    if (typed.left(lookup::kConsidered).trimmed().isEmpty())
        return;
    // The product already shown, passed through again: it stays as it is,
    // with its quantity and observations.
    if (m_productShown && typed == m_lookedUp) {
        ui.Ed_QUANTID->setFocus(Qt::TabFocusReason);
        return;
    }
    // Another product drops the observations chosen: the cashier says so.
    if (hasChosenObservations()
        && UiService::instance().message(m_desk.window(),
                                         QStringLiteral("As observações escolhidas serão descartadas, "
                                                        "troca o produto ?"),
                                         style::kAsk | style::kDefaultButton2)
               != answer::kYes) {
        ui.Ed_CODIPROD->setText(m_lookedUp);
        (m_productShown ? ui.Ed_QUANTID : ui.Ed_CODIPROD)->setFocus(Qt::TabFocusReason);
        return;
    }
    m_inLookup = true;

    // 2. Whatever the list, the product fields and the item discount showed
    // belongs to the previous text.
    ui.Lv_Produtos->clear();
    clearProductFields();
    ui.Ed_DESCMAN->clear();
    setTakesJa(true);
    m_lookedUp = typed;

    using Result = ItemService::Lookup::Result;
    const ItemService::Lookup found = m_service.LERPRO(typed);
    switch (found.result) {
    case Result::Nothing: break;
    case Result::Inactive:
        exchange::ProductCodeExchange::write(int(found.code));
        tell(found.outcome);
        m_inLookup = false;
        focusProductField();
        return;
    case Result::Unknown:
        // An unknown code just goes back to the field.
        exchange::ProductCodeExchange::write(int(found.code));
        setTakesJa(true);
        tell(found.outcome);
        m_inLookup = false;
        focusProductField();
        return;
    case Result::Found: {
        // 4. A code: that product.
        const ItemService::Product &product = found.product;
        exchange::ProductCodeExchange::write(int(found.code));
        setTakesJa(true);
        m_productCode = product.code;
        m_productShown = !product.description.isEmpty();
        m_price = product.price;
        ui.Ds_CODIRED->setText(sixDigits(product.code));
        ui.Ds_DESCRIC->setText(product.description);
        ui.Ds_VALOVEN->setText(money(m_price));
        ui.Ed_QUANTID->setText(QStringLiteral("1"));
        if (!product.allowsJa)
            setTakesJa(false);
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        ui.Ed_QUANTID->setFocus(Qt::OtherFocusReason);
        ui.Ed_QUANTID->selectAll();
        break;
    }
    case Result::Failed:
        // 5. A list that cannot be read ends the screen.
        m_inLookup = false;
        tell(found.outcome);
        m_desk.closeDesk();
        return;
    case Result::Listed:
        // 5. A description: the products whose description has it.
        for (const ItemService::ListedProduct &product : found.listed) {
            auto *row = new QTreeWidgetItem(ui.Lv_Produtos);
            row->setText(kText, product.description);
            row->setText(kCode, sixDigits(product.code));
            row->setText(kPrice, money(product.menuPrice));
            row->setText(kObsCode, sixDigits(0));
            row->setText(kObsKind, QString());
            row->setData(kText, kCodeRole, product.code);
            row->setTextAlignment(kPrice, Qt::AlignRight | Qt::AlignVCenter);
        }
        exchange::ProductCodeExchange::write(0);
        m_inLookup = false;
        if (ui.Lv_Produtos->topLevelItemCount() == 0) {
            focusProductField();
            return;
        }
        ui.Lv_Produtos->clearSelection();
        ui.Lv_Produtos->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_inLookup = false;
}

void ItemCommands::noteListedProduct(QTreeWidgetItem *row)
{
    // Only a row the operator moved to or clicked counts as chosen: the
    // list taking the focus makes its first row current without choosing it.
    if (!row || !row->isSelected())
        return;
    exchange::ProductCodeExchange::write(row->data(kText, kCodeRole).toInt());
}

void ItemCommands::pickListedProduct()
{
    // A product row is one the description search listed (no observation
    // kind). Enter on an observation row must not re-read the product shown
    // and drop the observations chosen for it.
    QTreeWidgetItem *row = m_ui->Lv_Produtos->currentItem();
    if (!row || !row->isSelected() || row->data(kText, kKindRole).isValid())
        return;
    const int code = exchange::ProductCodeExchange::read();
    if (code == 0)
        return;
    m_ui->Ed_CODIPROD->setText(sixDigits(code));
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
    UiService::instance().message(m_desk.window(), QStringLiteral("Limite de 20 observações preenchidas !!"),
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
    m_chooserKind = lookup::observationKind(caption);
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
    addObservation(code.isValid() ? code.toInt() : 0);
}

void ItemCommands::addObservation(int idObs)
{
    auto &ui = *m_ui;
    const char kind = m_chooserKind;
    // The blank entry, or leaving the chooser without a choice, adds nothing.
    if (idObs == 0 || kind == 0) {
        closeChooser();
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        return;
    }
    const ItemService::ObservationRead read = m_service.observation(kind, idObs);
    if (!read.outcome.done()) {
        closeChooser();
        tell(read.outcome);
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        return;
    }
    appendObservationRow(read.observation);
    closeChooser();
    ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
}

void ItemCommands::appendObservationRow(const ChosenObservation &observation)
{
    auto *row = new QTreeWidgetItem(m_ui->Lv_Produtos);
    row->setText(kText, lookup::observationRowText(observation.kind, observation.description));
    row->setText(kCode, sixDigits(0));
    row->setText(kPrice, money(observation.value));
    row->setText(kObsCode, sixDigits(observation.idObs));
    row->setText(kObsKind, QString(QLatin1Char(observation.kind)));
    row->setData(kText, kCodeRole, observation.idObs);
    row->setData(kText, kKindRole, int(observation.kind));
    row->setTextAlignment(kPrice, Qt::AlignRight | Qt::AlignVCenter);
}

std::vector<ChosenObservation> ItemCommands::chosenObservations() const
{
    std::vector<ChosenObservation> observations;
    for (int i = 0; i < m_ui->Lv_Produtos->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_ui->Lv_Produtos->topLevelItem(i);
        const QVariant kind = row->data(kText, kKindRole);
        if (!kind.isValid())
            continue; // a product listed by a search, not an observation
        ChosenObservation observation;
        observation.kind = char(kind.toInt());
        observation.idObs = row->data(kText, kCodeRole).toInt();
        observations.push_back(observation);
    }
    return observations;
}

void ItemCommands::addJa()
{
    if (m_productCode == 0 || !m_takesJa)
        return;
    // The same limit as the other keys: only 20 observations are ever read
    // back, so a 21st would be lost at the first edit or at the closing.
    if (isObservationLimitReached())
        return;
    m_ui->Frm_Observacoes->setTitle(QStringLiteral("Observações"));
    m_chooserKind = letterOf(ObservationKind::Free);
    addObservation(int(desk::session().parameters().integer("idObsJa")));
}

void ItemCommands::setTakesJa(bool takes)
{
    // The key and its button go together: the button only shows it.
    m_takesJa = takes;
    m_ui->Bt_JA->setEnabled(takes);
}

void ItemCommands::removeSelectedObservations()
{
    QTreeWidget *list = m_ui->Lv_Produtos;
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i) {
        if (list->topLevelItem(i)->isSelected())
            delete list->takeTopLevelItem(i);
    }
}

void ItemCommands::clearDiscount()
{
    m_discountCode = 0;
    m_discountKind = 0;
    m_discountOperator.clear();
    m_ui->Ds_CODESCO->clear();
    m_ui->Ds_OPDESCO->clear();
    m_ui->Ds_DESCDES->clear();
}

void ItemCommands::itemDiscount()
{
    auto &ui = *m_ui;
    exchange::DiscountSearchExchange::write();
    UiService::instance().openForm(QStringLiteral("99-Lissor"), m_desk.window(), QStringLiteral("99-Sandral.dll"));
    const exchange::DiscountSearchExchange::Answer chosen = exchange::DiscountSearchExchange::read();

    if (!chosen.chosen()) {
        clearDiscount();
    } else {
        // The kind looked up is the kind written: the one the code names.
        const ItemService::DiscountRead read = m_service.discountKind(chosen.code, chosen.kind);
        if (read.outcome.done()) {
            m_discountCode = chosen.code;
            m_discountKind = chosen.kind;
            m_discountOperator = desk::session().operatorName().trimmed();
            ui.Ds_CODESCO->setText(QString::number(chosen.code));
            ui.Ds_DESCDES->setText(read.description);
            ui.Ds_OPDESCO->setText(m_discountOperator);
        } else {
            // A kind that cannot be shown is not given: the item would carry
            // a discount nobody can see on the frame.
            clearDiscount();
            tell(read.outcome);
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
    if (!m_productShown) {
        focusProductField();
        return;
    }
    // 2. At least one unit; 3. the manual discount is per unit and may take
    // the whole price, no more. A blank field is no discount.
    const int quantity = ui.Ed_QUANTID->text().trimmed().toInt();
    const QString typedDiscount = ui.Ed_DESCMAN->text().trimmed();
    const std::optional<Decimal> manual =
        typedDiscount.isEmpty() ? std::optional<Decimal>(Decimal()) : Decimal::parse(typedDiscount);
    const ItemService::Invalid invalid = ItemService::check(quantity, manual, m_price);
    if (invalid != ItemService::Invalid::Nothing) {
        tell(ItemService::refusal(invalid));
        QLineEdit *field = invalid == ItemService::Invalid::Quantity ? ui.Ed_QUANTID : ui.Ed_DESCMAN;
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return;
    }

    // 4. A new item or the edited one. Either is written whole or not at
    // all; on failure the frame stays as it is, to be confirmed again or left.
    Outcome outcome;
    if (m_editItem == 0) {
        ItemService::NewItem item;
        item.shown = m_opening;
        item.productCode = m_productCode;
        item.price = m_price;
        item.quantity = quantity;
        item.discountChosen = m_discountCode != 0;
        item.discountKind = m_discountKind;
        item.manualDiscount = *manual;
        item.discountOperator = m_discountOperator;
        item.idOperador = desk::session().operatorCode();
        item.observations = chosenObservations();
        outcome = m_service.INSITEM(item);
    } else {
        ItemService::EditedItem item;
        item.idItem = m_editItem;
        item.shown = m_opening;
        item.asRead = m_editRead;
        item.discountKind = m_discountKind;
        item.manualDiscount = *manual;
        item.discountOperator = m_discountOperator;
        item.observations = chosenObservations();
        outcome = m_service.CARITEM(item);
    }
    if (!outcome.done() && outcome.next != Outcome::Next::Stay) {
        // The position is no longer the one the frame was opened on: what
        // was typed has nowhere to go, the table is shown as it is now.
        leave();
        m_desk.present(outcome);
        return;
    }
    if (!outcome.done()) {
        tell(outcome);
        ui.Bt_Confirma->setFocus(Qt::OtherFocusReason);
        return;
    }
    closeAfterWrite();
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
    if (watched == m_desk.tableArea()) {
        if (m_open && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
            placeFrame();
        return false;
    }

    if (event->type() == QEvent::FocusOut) {
        // A click elsewhere leaves the field or the chooser as Tab does.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::MouseFocusReason && m_open) {
            if (watched == ui.Ed_CODIPROD && !m_inLookup)
                dispatch(QStringLiteral("LERPRO"));
            else if (watched == ui.Cb_OBSERVA && m_choosing)
                dispatch(m_chooserKind == letterOf(ObservationKind::With)      ? QStringLiteral("COM")
                         : m_chooserKind == letterOf(ObservationKind::Without) ? QStringLiteral("SEM")
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
        const char kind = m_chooserKind;
        const QString code = kind == letterOf(ObservationKind::With)      ? QStringLiteral("COM")
                             : kind == letterOf(ObservationKind::Without) ? QStringLiteral("SEM")
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
