#pragma once

#include "board/ShownTable.h"

#include "items/ItemService.h"
#include "platform/Decimal.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QFrame;
class QTreeWidgetItem;
class QWidget;

namespace Ui {
class IncludeFrame;
}

namespace qv {

class DeskContext;

// The screen of launching and editing items on the table shown: the
// include frame Frm_INC with its product lookup and observation chooser.
// What is read and written goes through the item service; the frame keeps
// only what the cashier chose. Of the desk it knows only DeskContext.
class ItemCommands : public QObject
{
    Q_OBJECT

public:
    explicit ItemCommands(DeskContext &desk);
    ~ItemCommands() override;

    // Start-up: the observation list of Cb_OBSERVA, from the session's list.
    void loadObservationList();
    // INS: open the frame for a new item.
    void INSITEM();
    // Double click on an item row: open the frame to edit the item.
    void CARITEM(std::int64_t idItem);
    // "PESQUISA PRODUTO" / F11: the product search module.
    void productSearch();

    // The frame's own procedures by function code: "TECLAITE", "LERPRO",
    // "SEM", "COM", "OBS".
    void dispatch(const QString &code);
    const QString &functionCode() const { return m_functionCode; }
    // The frame's key procedure, as its controls and buttons call it.
    void pressKey(int keyCode);
    // The product lookup on the text of Ed_CODIPROD.
    void LERPRO();

    // The frame and its controls (Frm_INC).
    QFrame *frame() const { return m_frame; }
    Ui::IncludeFrame &ui() const { return *m_ui; }
    // Shown, for a new item or for an edit.
    bool isOpen() const { return m_open; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void TECLAITE();
    void openChooser(const QString &caption);
    void chooseObservation();
    void closeChooser();
    void addObservation(int idObs);
    void addJa();
    void setTakesJa(bool takes);
    void removeSelectedObservations();
    void itemDiscount();
    void confirm();
    // The observations listed for the item, in the list's order.
    std::vector<ChosenObservation> chosenObservations() const;
    void closeAfterWrite();
    void leave();

    void showFrame();
    void placeFrame();
    void clearProductFields();
    void focusProductField();
    // Observation rows (Sem/Com/Obs) are on the frame's list.
    bool hasChosenObservations() const;
    void focusNeighbour(QWidget *from, bool forward);
    void pickListedProduct();
    void noteListedProduct(QTreeWidgetItem *row);
    bool isObservationLimitReached();
    void appendObservationRow(const ChosenObservation &observation);
    void clearDiscount();
    // The message of an outcome, with its icon, as the frame shows it.
    void tell(const Outcome &outcome);

    DeskContext &m_desk;
    ItemService m_service;
    std::unique_ptr<Ui::IncludeFrame> m_ui;
    QFrame *m_frame = nullptr;
    QString m_functionCode;
    int m_keyCode = 0;
    bool m_open = false;
    bool m_takesJa = false;                            // a new item: Já (F6) may add its observation
    bool m_choosing = false;                           // Frm_Observacoes waits for a choice
    char m_chooserKind = 0;                            // the kind letter the chooser adds
    bool m_inLookup = false;                           // LERPRO running: its own focus moves start nothing
    int m_idMesa = 0;                                  // position the frame writes to
    ShownOpening m_opening;                            // that position as shown when the frame opened
    std::optional<ItemService::StoredItem> m_editRead; // the edited item as the frame was filled
    std::int64_t m_editItem = 0;                       // the item edited; 0 for a new item
    int m_productCode = 0;                             // Ds_CODIRED
    bool m_productShown = false;                       // a product with its description is on the frame
    QString m_lookedUp;                                // the text whose lookup put the product on the frame
    Decimal m_price;                                   // Ds_VALOVEN, exact
    int m_discountCode = 0;                            // Ds_CODESCO, as the discount search answered it
    int m_discountKind = 0;                            // the idDesconto the item is written with
    QString m_discountOperator;                        // Ds_OPDESCO: who gave the discount
};

} // namespace qv
