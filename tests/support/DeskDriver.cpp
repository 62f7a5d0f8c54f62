#include "DeskDriver.h"

#include <stdexcept>

namespace qv::test {

namespace {
template <class T>
void bind(QWidget &form, T *&control, const char *name)
{
    control = form.findChild<T *>(QString::fromLatin1(name));
    if (!control)
        throw std::runtime_error(std::string("the main form has no control ") + name);
}
} // namespace

DeskDriver::DeskDriver(QWidget &form) : m_form(form)
{
    bind(form, Bt_Bloqueio, "Bt_Bloqueio");
    bind(form, Bt_COMIS, "Bt_COMIS");
    bind(form, Bt_CX, "Bt_CX");
    bind(form, Bt_CX1, "Bt_CX1");
    bind(form, Bt_CX2, "Bt_CX2");
    bind(form, Bt_CX3, "Bt_CX3");
    bind(form, Bt_CX4, "Bt_CX4");
    bind(form, Bt_CX5, "Bt_CX5");
    bind(form, Bt_GEREN, "Bt_GEREN");
    bind(form, Bt_IMPPRO4, "Bt_IMPPRO4");
    bind(form, Bt_IMPPRO6, "Bt_IMPPRO6");
    bind(form, Bt_MFECH, "Bt_MFECH");
    bind(form, Bt_MOSTRA, "Bt_MOSTRA");
    bind(form, Bt_SERVICO, "Bt_SERVICO");
    bind(form, Bt_Sair, "Bt_Sair");
    bind(form, Cb_IMPRE, "Cb_IMPRE");
    bind(form, Cb_Operador, "Cb_Operador");
    bind(form, Cb_STATUSM, "Cb_STATUSM");
    bind(form, CmFrame47, "CmFrame47");
    bind(form, CmStatic46, "CmStatic46");
    bind(form, CmStatic50, "CmStatic50");
    bind(form, Ds_CAIXA, "Ds_CAIXA");
    bind(form, Ds_CODIDES, "Ds_CODIDES");
    bind(form, Ds_CODIGAR, "Ds_CODIGAR");
    bind(form, Ds_DTCAIXA, "Ds_DTCAIXA");
    bind(form, Ds_HORABCO, "Ds_HORABCO");
    bind(form, Ds_HORAABE, "Ds_HORAABE");
    bind(form, Ds_MESAFEC, "Ds_MESAFEC");
    bind(form, Ds_MESALAN, "Ds_MESALAN");
    bind(form, Ds_NOMEGAR, "Ds_NOMEGAR");
    bind(form, Ds_OPERADOR, "Ds_OPERADOR");
    bind(form, Ds_OPERDES, "Ds_OPERDES");
    bind(form, Ds_PERCDES, "Ds_PERCDES");
    bind(form, Ds_PERIODO, "Ds_PERIODO");
    bind(form, Ds_PERMANE, "Ds_PERMANE");
    bind(form, Ds_SUBTOTA, "Ds_SUBTOTA");
    bind(form, Ds_TAXASER, "Ds_TAXASER");
    bind(form, Ds_TOTITENS, "Ds_TOTITENS");
    bind(form, Ds_TOTMESA, "Ds_TOTMESA");
    bind(form, Ds_TOTPRIN, "Ds_TOTPRIN");
    bind(form, Ds_TOTPROD, "Ds_TOTPROD");
    bind(form, Ds_TOTVIAG, "Ds_TOTVIAG");
    bind(form, Ds_TURNO, "Ds_TURNO");
    bind(form, Ds_VALODES, "Ds_VALODES");
    bind(form, Ds_VALOSER, "Ds_VALOSER");
    bind(form, Ds_VIAGLIQ, "Ds_VIAGLIQ");
    bind(form, Ed_CODIMES, "Ed_CODIMES");
    bind(form, Ed_DESCMANT, "Ed_DESCMANT");
    bind(form, Ed_QTDEPES, "Ed_QTDEPES");
    bind(form, Ed_VALOPES, "Ed_VALOPES");
    bind(form, Frm_Aguarde, "Frm_Aguarde");
    bind(form, Frm_AguardeMesas, "Frm_AguardeMesas");
    bind(form, Frm_CaixaM, "Frm_CaixaM");
    bind(form, Frm_DEL, "Frm_DEL");
    bind(form, Frm_DIVIDE, "Frm_DIVIDE");
    bind(form, Frm_DIVIDE1, "Frm_DIVIDE1");
    bind(form, Frm_EmAndamento, "Frm_EmAndamento");
    bind(form, Frm_Escolhe, "Frm_Escolhe");
    bind(form, Frm_Fechadas, "Frm_Fechadas");
    bind(form, Frm_INS2, "Frm_INS2");
    bind(form, Frm_Totais, "Frm_Totais");
    bind(form, Lb_DIVIDE, "Lb_DIVIDE");
    bind(form, Lb_EscolheDica, "Lb_EscolheDica");
    bind(form, Lv_Consol, "Lv_Consol");
    bind(form, Lv_Itens, "Lv_Itens");
    bind(form, Lv_Mesas, "Lv_Mesas");
}

void DeskDriver::missing(const char *name, qsizetype found)
{
    throw std::runtime_error(std::string("the main form has ") + std::to_string(found) + " controls named " + name);
}

QTimer *DeskDriver::boardTimer() const
{
    QTimer *timer = nullptr;
    bind(m_form, timer, "Cm_TimerMesas");
    return timer;
}

QTimer *DeskDriver::timeOpenTimer() const
{
    QTimer *timer = nullptr;
    bind(m_form, timer, "Cm_TimerPermanencia");
    return timer;
}

} // namespace qv::test
