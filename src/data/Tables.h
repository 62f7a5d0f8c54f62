#pragma once

#include "platform/Record.h"

// Record layouts of the shared database tables, column for column in table
// order. The all-column selects and the insertions bind by position, so each
// layout must match db/schema.sql exactly: a column added, dropped or moved on
// one side silently shifts every value after it on the other.
namespace qv::tables {

// Movements
extern const Layout movMesa;          // mov_Mesa, 11 columns
extern const Layout movMesaItem;      // mov_MesaItem, 19 columns
extern const Layout movMesaItemObs;   // mov_MesaItemObs, 5 columns
extern const Layout movCozinha;       // mov_Cozinha, 15 columns
extern const Layout movVendas;        // mov_Vendas, 24 columns
extern const Layout movVendasItem;    // mov_VendasItem, 17 columns
extern const Layout movVendasItemObs; // mov_VendasItemObs, 5 columns

// Catalogues
extern const Layout cadProdutos;     // cad_Produtos, 35 columns
extern const Layout cadCardapioProd; // cad_CardapioProd, 7 columns

// Reference tables
extern const Layout tabOperador;           // tab_Operador, 15 columns
extern const Layout tabParametros;         // tab_Parametros, 57 columns
extern const Layout tabDesconto;           // tab_Desconto, 3 columns
extern const Layout tabObservacao;         // tab_Observacao, 8 columns
extern const Layout tabImpressoras;        // tab_Impressoras, 2 columns
extern const Layout tabMotivoCancelamento; // tab_MotivoCancelamento, 2 columns

} // namespace qv::tables
