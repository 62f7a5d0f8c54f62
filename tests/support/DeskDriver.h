#pragma once

#include "board/forms/Board.h"
#include "board/forms/DeskController.h"
#include "items/forms/ItemCommands.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace qv::test {

// The main form as its tests see it: every control a test presses or reads,
// found by its object name, the name the suite knows it by. Only this class
// knows which controls the form has; a control renamed or gone fails here,
// once, instead of in every test that used the generated form header.
class DeskDriver
{
public:
    explicit DeskDriver(QWidget &form);

    // A control of the form or of one of its command frames (Frm_INC,
    // Frm_MOT, Frm_IMP, Frm_NovaMesa and theirs), by its object name; the
    // name must stand for exactly one control.
    template <class T = QWidget>
    T *control(const char *name) const
    {
        const QList<T *> found = m_form.findChildren<T *>(QString::fromLatin1(name));
        if (found.size() != 1)
            missing(name, found.size());
        return found.front();
    }

    // The form's parts a test drives or waits on: the desk controller, the
    // board (its rebuilds and test hooks) and the include frame's commands.
    DeskController &desk() const { return *control<DeskController>("qvDesk"); }
    Board &board() const { return *control<Board>("qvBoard"); }
    ItemCommands &items() const { return *control<ItemCommands>("qvItemCommands"); }

    // The timers of the board rebuild and of the time open.
    QTimer *boardTimer() const;
    QTimer *timeOpenTimer() const;

    QButtonGroup *Bt_CX = nullptr;
    QComboBox *Cb_IMPRE = nullptr, *Cb_Operador = nullptr, *Cb_STATUSM = nullptr;
    QFrame *CmFrame47 = nullptr, *Frm_Aguarde = nullptr, *Frm_AguardeMesas = nullptr, *Frm_CaixaM = nullptr,
           *Frm_Escolhe = nullptr;
    QGroupBox *Frm_EmAndamento = nullptr, *Frm_Fechadas = nullptr, *Frm_Totais = nullptr;
    QLabel *CmStatic46 = nullptr, *CmStatic50 = nullptr, *Lb_DIVIDE = nullptr, *Lb_EscolheDica = nullptr;
    QLineEdit *Ds_CAIXA = nullptr, *Ds_CODIDES = nullptr, *Ds_CODIGAR = nullptr, *Ds_DTCAIXA = nullptr,
              *Ds_HORAABE = nullptr, *Ds_HORABCO = nullptr, *Ds_MESAFEC = nullptr, *Ds_MESALAN = nullptr,
              *Ds_NOMEGAR = nullptr, *Ds_OPERADOR = nullptr, *Ds_OPERDES = nullptr, *Ds_PERCDES = nullptr,
              *Ds_PERIODO = nullptr, *Ds_PERMANE = nullptr, *Ds_SUBTOTA = nullptr, *Ds_TAXASER = nullptr,
              *Ds_TOTITENS = nullptr, *Ds_TOTMESA = nullptr, *Ds_TOTPRIN = nullptr, *Ds_TOTPROD = nullptr,
              *Ds_TOTVIAG = nullptr, *Ds_TURNO = nullptr, *Ds_VALODES = nullptr, *Ds_VALOSER = nullptr,
              *Ds_VIAGLIQ = nullptr, *Ed_CODIMES = nullptr, *Ed_DESCMANT = nullptr, *Ed_QTDEPES = nullptr,
              *Ed_VALOPES = nullptr;
    QPushButton *Bt_Bloqueio = nullptr, *Bt_COMIS = nullptr, *Bt_CX1 = nullptr, *Bt_CX2 = nullptr, *Bt_CX3 = nullptr,
                *Bt_CX4 = nullptr, *Bt_CX5 = nullptr, *Bt_GEREN = nullptr, *Bt_IMPPRO4 = nullptr, *Bt_IMPPRO6 = nullptr,
                *Bt_MFECH = nullptr, *Bt_MOSTRA = nullptr, *Bt_SERVICO = nullptr, *Bt_Sair = nullptr,
                *Frm_DEL = nullptr, *Frm_DIVIDE = nullptr, *Frm_DIVIDE1 = nullptr, *Frm_INS2 = nullptr;
    QTreeWidget *Lv_Consol = nullptr, *Lv_Itens = nullptr, *Lv_Mesas = nullptr;

private:
    [[noreturn]] static void missing(const char *name, qsizetype found);

    QWidget &m_form;
};

} // namespace qv::test
