#pragma once

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace qv {

class DeskController;
class Session;
class StartupService;
struct StartupResult;

// The controls the start of the desk fills in: the wait notice, the
// session header, the lists read at start-up, the rights' buttons and the
// cash-desk choice.
struct OpeningWidgets
{
    QWidget *wait = nullptr;             // Frm_Aguarde
    QWidget *choice = nullptr;           // Frm_Escolhe
    QLabel *choiceHint = nullptr;        // Lb_EscolheDica
    QButtonGroup *desks = nullptr;       // Bt_CX
    QPushButton *leave = nullptr;        // Bt_Sair
    QComboBox *filter = nullptr;         // Cb_STATUSM
    QComboBox *waiters = nullptr;        // Cb_Operador
    QComboBox *printers = nullptr;       // Cb_IMPRE
    QPushButton *management = nullptr;   // Bt_GEREN
    QPushButton *closedReport = nullptr; // Bt_MFECH
    QPushButton *commissions = nullptr;  // Bt_COMIS
    QLineEdit *shift = nullptr;          // Ds_TURNO
    QLineEdit *deskDate = nullptr;       // Ds_DTCAIXA
    QLineEdit *period = nullptr;         // Ds_PERIODO
    QLineEdit *desk = nullptr;           // Ds_CAIXA
    QLineEdit *operatorName = nullptr;   // Ds_OPERADOR
};

// The start of the desk as the cashier sees it: "ABRAR" paints what the
// start-up service read (the wait notice, the offer to correct the
// connection, the filter and the lists, the open desks, the rights) and
// offers the cash-desk choice; chooseDesk takes it.
class DeskOpening
{
public:
    DeskOpening(DeskController &desk, const OpeningWidgets &widgets);

    void ABRAR();
    // The cash-desk choice: button n (1..5) of Bt_CX.
    void chooseDesk(int n);

private:
    // Offers to correct the connection while the database cannot be
    // reached; false when the cashier gave up and the form closed.
    bool connected(StartupService &startup, StartupResult &found);
    // The status filter, the lists' columns, operators and printers.
    void fillLists(const Session &session);
    // Only the open desks' buttons enabled; the first of them.
    QAbstractButton *enableOpenDesks(const Session &session);
    // The cash-desk choice, its hint when no desk is open, and the focus.
    void offerChoice(const Session &session, QAbstractButton *firstOpenDesk);

    DeskController &m_desk;
    OpeningWidgets m_w;
};

} // namespace qv
