#include "data/Tables.h"

// Widths follow the record layouts the statements bind: N(p) and N(p,s) are
// integer and decimal digits, C(n) is characters. The SQL types in
// db/schema.sql are chosen to hold these widths; the order here is the
// column order there.
namespace qv::tables {

using F = FieldDef;

// One column a line, as in db/schema.sql, so the two read side by side.
// clang-format off

const Layout movMesa("mov_Mesa", {
    F::N("idMesa", 5),
    F::C("descricao", 20),
    F::C("status", 1),
    F::N("qtdPessoas", 3),
    F::N("idGarcon", 2),
    F::C("horaAbertura", 8),
    F::N("idDesconto", 2),
    F::N("descontoManual", 5, 2),
    F::C("operDesc", 20),
    F::N("taxaServico", 2, 2),
    F::C("dividida", 1),
});

const Layout movMesaItem("mov_MesaItem", {
    F::N("idItem", 11),
    F::N("idMesa", 5),
    F::N("idCardapio", 2),
    F::N("idGrupo", 3),
    F::N("idProduto", 6),
    F::N("valorUnitario", 5, 2),
    F::N("idOperador", 2),
    F::C("status", 1),
    F::N("idComanda", 11),
    F::C("horaPedido", 8),
    F::C("produzido", 1),
    F::N("idMotivoCanc", 2),
    F::N("idOpeCanc", 2),
    F::N("idDesconto", 2),
    F::N("descontoManual", 5, 2),
    F::C("operDesc", 20),
    F::C("viagem", 1),
    F::C("operBaixa", 20),
    F::C("reservado", 20),
});

const Layout movMesaItemObs("mov_MesaItemObs", {
    F::N("idItemObs", 11),
    F::N("idItem", 11),
    F::N("idObs", 6),
    F::N("idMesa", 5),
    F::C("tipo", 1),
});

// Written by the kitchen module. The closing reads hrPronto (ready),
// baixaGarHora (collected by the waiter) and hrEntrega (at the table) to
// compute the waiting minutes of each sale item, and copies idCozinheiro.
const Layout movCozinha("mov_Cozinha", {
    F::N("idItem", 11),
    F::C("tipo", 1),
    F::N("idPedMesa", 3),
    F::N("idProduto", 6),
    F::C("descricao", 20),
    F::C("hrPedido", 8),
    F::N("quantidade", 3),
    F::C("hrPronto", 8),
    F::C("situacao", 1),
    F::C("impresso", 1),
    F::N("idCozinheiro", 2),
    F::C("baixaGarHora", 8),
    F::C("baixaGarOper", 20),
    F::C("hrEntrega", 8),
    F::N("idComanda", 11),
});

const Layout movVendas("mov_Vendas", {
    F::N("idVenda", 11),
    F::C("tipo", 1),
    F::C("data", 8),            // business date, YYYYMMDD
    F::N("turno", 1),
    F::N("nrCaixa", 1),
    F::N("idCliente", 6),
    F::N("nrSenha", 3),
    F::N("nrMesa", 3),          // table number (idMesa DIV 100)
    F::N("pontoMesa", 2),       // position at the table (idMesa MOD 100)
    F::N("qtdPessoas", 3),
    F::N("idGarcon", 2),
    F::C("horaAbertura", 8),
    F::C("horaFechamento", 8),
    F::C("recebimento", 350),   // receipt details from the payment module
    F::N("valorRepique", 5, 2),
    F::N("valorProdutos", 5, 2),
    F::N("idDesconto", 2),
    F::N("descontoManual", 5, 2),
    F::C("operDesc", 20),
    F::N("valorServico", 5, 2),
    F::N("valorTotal", 5, 2),
    F::C("horaEntrega", 8),
    F::C("cancelada", 1),
    F::C("cpfCliente", 11),
});

const Layout movVendasItem("mov_VendasItem", {
    F::N("idVenda", 11),
    F::N("sequencia", 3),
    F::N("idProduto", 6),
    F::N("valorUnitario", 5, 2),
    F::N("idOperador", 2),
    F::N("idDesconto", 2),
    F::N("descontoManual", 5, 2),
    F::C("operDesc", 20),
    F::C("viagem", 1),
    F::C("cancelado", 1),       // 'S' for items cancelled on the table
    F::C("produzido", 1),
    F::N("idMotivoCanc", 2),
    F::N("idOpeCanc", 2),
    F::N("idCozinheiro", 2),
    F::N("minutosRetirada", 3), // ready -> collected by the waiter
    F::N("minutosEntrega", 3),  // collected (or ready) -> at the table
    F::C("operBaixa", 20),
});

const Layout movVendasItemObs("mov_VendasItemObs", {
    F::N("idVenda", 11),
    F::N("sequencia", 3),
    F::N("idObs", 6),
    F::N("idItemOrigem", 11),
    F::C("tipo", 1),
});

// valorVenda is charged when the product is launched by code; valorCardapio
// is what the description search lists.
const Layout cadProdutos("cad_Produtos", {
    F::N("idProduto", 6),
    F::C("descricao", 40),
    F::C("unidade", 3),
    F::C("codigoBarras", 13),
    F::N("valorVenda", 5, 2),
    F::N("valorCardapio", 5, 2),
    F::N("valorCusto", 5, 2),
    F::C("controlaEstoque", 1),
    F::C("inativo", 1),         // 'S' refuses the product by code
    F::C("descricaoCozinha", 20),
    F::C("descricaoCupom", 20),
    F::N("idGrupoProd", 6),
    F::N("idSubgrupo", 6),
    F::N("idFornecedor", 6),
    F::N("estoqueMinimo", 6),
    F::C("sobremesa", 1),       // 'S' makes the table a dessert table
    F::C("bebida", 1),
    F::C("permiteJa", 1),       // 'N' disables the "Já" key
    F::C("pratoPrincipal", 1),  // 'S' counts in the main-course total
    F::C("imprimeComanda", 1),
    F::N("idGrupoObs01", 3),
    F::N("idGrupoObs02", 3),
    F::N("idGrupoObs03", 3),
    F::N("idGrupoObs04", 3),
    F::N("idGrupoObs05", 3),
    F::N("idGrupoObs06", 3),
    F::N("idGrupoObs07", 3),
    F::N("idGrupoObs08", 3),
    F::N("idGrupoObs09", 3),
    F::N("idGrupoObs10", 3),
    F::N("idGrupoObs11", 3),
    F::N("idGrupoObs12", 3),
    F::N("idGrupoObs13", 3),
    F::N("idGrupoObs14", 3),
    F::N("idGrupoObs15", 3),
});

const Layout cadCardapioProd("cad_CardapioProd", {
    F::N("idCardapio", 2),
    F::N("idGrupo", 3),
    F::N("idProduto", 6),
    F::C("dataInicio", 10),
    F::C("dataFim", 10),
    F::C("horaInicio", 6),
    F::C("horaFim", 6),
});

const Layout tabOperador("tab_Operador", {
    F::N("idOperador", 2),
    F::C("nome", 20),
    F::C("situacao", 1),
    F::C("reservado", 50),
    F::C("direito1", 1),
    F::C("direito2", 1),
    F::C("direito3", 1),
    F::C("direito4", 1),
    F::C("direito5", 1),        // management screen
    F::C("direito6", 1),
    F::C("direito7", 1),        // counters and reports
    F::C("direito8", 1),        // delivery acknowledgement
    F::C("direito9", 1),
    F::C("direito10", 1),
    F::C("direito11", 1),
});

// Only taxaServicoParam and idObsJa matter to this screen; the rest belongs
// to the other modules but is read with the row.
const Layout tabParametros("tab_Parametros", {
    F::N("idParam", 1),
    F::C("usaComanda", 1),
    F::C("cobraServico", 1),
    F::N("taxaServicoParam", 2, 2),
    F::N("taxaEntrega", 2, 2),
    F::C("imprimeConta", 1),
    F::C("imprimeCozinha", 1),
    F::C("controlaEstoque", 1),
    F::C("horaVirada", 8),
    F::N("idObsJa", 3),
    F::N("qtdCaixas", 2),
    F::N("qtdViasConta", 2),
    F::C("modoCozinha", 1),
    F::C("cabecalho1", 20),
    F::C("cabecalho2", 20),
    F::C("cabecalho3", 20),
    F::C("cabecalho4", 20),
    F::N("idProdutoCouvert", 6),
    F::C("telefone", 15),
    F::C("cidade", 20),
    F::N("caixa1Impressora", 2),
    F::C("caixa1Gaveta", 1),
    F::C("caixa1Terminal", 15),
    F::C("caixa1Porta", 20),
    F::N("caixa2Impressora", 2),
    F::C("caixa2Gaveta", 1),
    F::C("caixa2Terminal", 15),
    F::C("caixa2Porta", 20),
    F::N("caixa3Impressora", 2),
    F::C("caixa3Gaveta", 1),
    F::C("caixa3Terminal", 15),
    F::C("caixa3Porta", 20),
    F::N("caixa4Impressora", 2),
    F::C("caixa4Gaveta", 1),
    F::C("caixa4Terminal", 15),
    F::C("caixa4Porta", 20),
    F::N("caixa5Impressora", 2),
    F::C("caixa5Gaveta", 1),
    F::C("caixa5Terminal", 15),
    F::C("caixa5Porta", 20),
    F::N("idImpressoraEntrega", 2),
    F::C("imprimeEntrega", 1),
    F::C("rodape01", 20),
    F::C("rodape02", 20),
    F::C("rodape03", 20),
    F::C("rodape04", 20),
    F::C("rodape05", 20),
    F::C("rodape06", 20),
    F::C("rodape07", 20),
    F::C("rodape08", 20),
    F::C("rodape09", 20),
    F::C("rodape10", 20),
    F::C("rodape11", 20),
    F::C("rodape12", 20),
    F::C("rodape13", 20),
    F::C("rodape14", 20),
    F::C("rodape15", 20),
});

const Layout tabDesconto("tab_Desconto", {
    F::N("idDesconto", 2),
    F::C("descricao", 20),
    F::N("percentual", 3, 2),
});

const Layout tabObservacao("tab_Observacao", {
    F::N("idObs", 6),
    F::C("descricao", 20),
    F::N("valorCom", 3, 2),
    F::N("valorSem", 3, 2),
    F::N("valorObs", 3, 2),
    F::N("valorEntregaCom", 3, 2),
    F::N("valorEntregaSem", 3, 2),
    F::N("valorEntregaObs", 3, 2),
});

const Layout tabImpressoras("tab_Impressoras", {
    F::N("idImpressora", 2),
    F::C("nome", 20),
});

const Layout tabMotivoCancelamento("tab_MotivoCancelamento", {
    F::N("idMotivo", 2),
    F::C("descricao", 30),
});

// clang-format on

} // namespace qv::tables
