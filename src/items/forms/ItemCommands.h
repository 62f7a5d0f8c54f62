#pragma once

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

class MainForm;
class Record;

// Launching and editing items on the table shown: the include frame
// Frm_INC with its product lookup and observation chooser.
class ItemCommands : public QObject
{
    Q_OBJECT

public:
    explicit ItemCommands(MainForm &form);
    ~ItemCommands() override;

    // Start-up: the observation list of Cb_OBSERVA, from the session's list.
    void loadObservationList();
    // INS: open the frame for a new item.
    void INSITEM();
    // Double click on an item row: open the frame to edit W-INCREME.
    void CARITEM();
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
    // What went wrong in a write, reported once the transaction is undone.
    struct Failure
    {
        QString state;
        QString message;
    };

    void TECLAITE();
    void openChooser(const QString &caption);
    void chooseObservation();
    void closeChooser();
    void addObservation(int idObs);
    void addJa();
    void removeSelectedObservations();
    void itemDiscount();
    void confirm();
    std::optional<Failure> writeNewItem(int quantity, Decimal manualDiscount);
    std::optional<Failure> writeEditedItem(Decimal manualDiscount);
    void closeAfterWrite();
    void leave();

    void showFrame();
    void placeFrame();
    void clearProductFields();
    void focusProductField();
    void focusNeighbour(QWidget *from, bool forward);
    void pickListedProduct();
    void noteListedProduct(QTreeWidgetItem *row);
    bool isObservationLimitReached();
    void appendObservationRow(char kind, int idObs, const Record &observation);
    void stop(const QString &text);

    MainForm &m_form;
    std::unique_ptr<Ui::IncludeFrame> m_ui;
    QFrame *m_frame = nullptr;
    QString m_functionCode;
    int m_keyCode = 0;
    bool m_open = false;
    bool m_choosing = false;  // Frm_Observacoes waits for a choice
    bool m_inLookup = false;  // LERPRO running: its own focus moves start nothing
    int m_idMesa = 0;         // position the frame writes to
    std::int64_t m_editItem = 0;
    int m_productCode = 0;    // Ds_CODIRED
    Decimal m_price;          // Ds_VALOVEN, exact
    int m_discountCode = 0;   // Ds_CODESCO, as the discount search answered it
    int m_discountKind = 0;   // the idDesconto the item is written with
};

} // namespace qv
