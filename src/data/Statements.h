#pragma once

#include <string_view>

namespace qv::stmt {

// Every statement the program sends, each text written once and sent
// exactly as written (spacing included): the server sees no other SQL.
// Values always travel as positional parameters.

inline constexpr std::string_view kTableRows = "SELECT*FROM mov_Mesa ORDER BY idMesa";
inline constexpr std::string_view kTableById = "SELECT*FROM mov_Mesa WHERE idMesa=?";
inline constexpr std::string_view kOpenPositions = "SELECT*FROM mov_Mesa WHERE(status<>'F')AND(idMesa>? AND idMesa<?)";
inline constexpr std::string_view kPositionsByStatus =
    "SELECT*FROM mov_Mesa WHERE(status=? OR ?='*')AND(idMesa>? AND idMesa<?)";
inline constexpr std::string_view kSplitCandidates = "SELECT*FROM mov_Mesa WHERE(status<>'I'AND status<>'F'AND "
                                                     "status<>'B')AND(idMesa>? AND idMesa<?)";
inline constexpr std::string_view kCountBusyPositions =
    "SELECT COUNT(*)FROM mov_Mesa WHERE status<>\"F\"AND(idMesa>? AND idMesa<?)";
inline constexpr std::string_view kCountBusyTables =
    "SELECT COUNT(DISTINCT(idMesa DIV 100))FROM mov_Mesa WHERE status<>\"F\"";
inline constexpr std::string_view kTableSplitFlag = "SELECT dividida FROM mov_Mesa WHERE idMesa=?";
inline constexpr std::string_view kTableDiscountPercent =
    "SELECT dc.percentual FROM mov_Mesa AS me LEFT JOIN tab_Desconto AS dc ON "
    "dc.idDesconto=me.idDesconto WHERE me.idMesa=?";
inline constexpr std::string_view kResetTable =
    "UPDATE mov_Mesa SET "
    "status='F',qtdPessoas=0,idGarcon=0,horaAbertura='00:00:00',idDesconto=0,descontoManual=0,operDesc=' "
    "',taxaServico=0,dividida='N'WHERE idMesa=?";
inline constexpr std::string_view kSetTableDiscount = "UPDATE mov_Mesa SET idDesconto=? WHERE idMesa=?";
inline constexpr std::string_view kSetTableDiscountOperator = "UPDATE mov_Mesa SET operDesc=? WHERE idMesa=?";
inline constexpr std::string_view kSetManualDiscount = "UPDATE mov_Mesa SET descontoManual=? WHERE idMesa=?";
inline constexpr std::string_view kSetService = "UPDATE mov_Mesa SET taxaServico=? WHERE idMesa=?";
inline constexpr std::string_view kMarkSplit = "UPDATE mov_Mesa SET dividida='S',taxaServico=0 WHERE idMesa=?";
inline constexpr std::string_view kSetWaiter = "UPDATE mov_Mesa SET idGarcon=? WHERE idMesa=?";
inline constexpr std::string_view kMarkBillRequested = "UPDATE mov_Mesa SET status='I'WHERE idMesa=?";
inline constexpr std::string_view kBlock = "UPDATE mov_Mesa SET status='B'WHERE idMesa=?";
inline constexpr std::string_view kUnblock = "UPDATE mov_Mesa SET status='A',dividida='N'WHERE idMesa=?";
inline constexpr std::string_view kSetPeople = "UPDATE mov_Mesa SET qtdPessoas=? WHERE idMesa=?";
inline constexpr std::string_view kLockTable = "SELECT status FROM mov_Mesa WHERE idMesa=? FOR UPDATE";
// What a write on a shown position must still find, read under the row's
// lock so nobody changes it before the write is stored.
inline constexpr std::string_view kLockShownPosition =
    "SELECT status,horaAbertura,dividida FROM mov_Mesa WHERE idMesa=? FOR UPDATE";
// The position read again after a write lost to another desk's: on a
// cluster node the winner's change may still be on its way here, so the
// read waits until this node has applied everything certified before it
// (outside a cluster the setting changes nothing).
inline constexpr std::string_view kTableAfterConflict =
    "SET STATEMENT wsrep_sync_wait=1 FOR SELECT*FROM mov_Mesa WHERE idMesa=?";
inline constexpr std::string_view kLockShownItem = "SELECT idMesa,status FROM mov_MesaItem WHERE idItem=? FOR UPDATE";
inline constexpr std::string_view kOpenFreeTable =
    "UPDATE mov_Mesa SET "
    "status='A',qtdPessoas=?,idGarcon=?,horaAbertura=?,idDesconto=0,descontoManual=0,operDesc=' "
    "',taxaServico=?,dividida='N'WHERE idMesa=? AND status='F'";
// The payment under way of a position's account (mov_MesaCobranca): one
// row per position, taken by the desk that opens the payment module.
inline constexpr std::string_view kLockPaymentClaim =
    "SELECT horaAbertura,nrCaixa,idOperador,chave,desde,TIMESTAMPDIFF(SECOND,renovada,NOW())FROM "
    "mov_MesaCobranca WHERE idMesa=? FOR UPDATE";
// Read after two claims met: waits for the winner's claim on a cluster node.
inline constexpr std::string_view kPaymentClaim =
    "SET STATEMENT wsrep_sync_wait=1 FOR SELECT "
    "horaAbertura,nrCaixa,idOperador,chave,desde,TIMESTAMPDIFF(SECOND,renovada,NOW())FROM "
    "mov_MesaCobranca WHERE idMesa=?";
inline constexpr std::string_view kTakePaymentClaim = "REPLACE INTO mov_MesaCobranca VALUES(?,?,?,?,?,CURTIME(),NOW())";
inline constexpr std::string_view kRenewPaymentClaim =
    "UPDATE mov_MesaCobranca SET renovada=NOW()WHERE idMesa=? AND chave=?";
inline constexpr std::string_view kDropPaymentClaim = "DELETE FROM mov_MesaCobranca WHERE idMesa=? AND chave=?";
inline constexpr std::string_view kDropPaymentClaims = "DELETE FROM mov_MesaCobranca WHERE idMesa=?";
inline constexpr std::string_view kLiveItems =
    "SELECT*FROM mov_MesaItem WHERE idMesa=? AND status<>\"C\"AND status<>\"K\"ORDER "
    "BY idComanda";
inline constexpr std::string_view kTableItems = "SELECT*FROM mov_MesaItem WHERE idMesa=?";
inline constexpr std::string_view kItemById = "SELECT*FROM mov_MesaItem WHERE idItem=?";
inline constexpr std::string_view kLiveItemProduct =
    "SELECT pr.idProduto FROM mov_MesaItem AS mi LEFT JOIN cad_Produtos AS pr ON "
    "pr.idProduto=mi.idProduto WHERE mi.idMesa=? AND mi.status<>'C'AND mi.status<>'K'";
inline constexpr std::string_view kLiveDessertProduct =
    "SELECT pr.idProduto FROM mov_MesaItem AS mi LEFT JOIN cad_Produtos AS pr ON "
    "pr.idProduto=mi.idProduto WHERE mi.idMesa=? AND mi.status<>'C'AND "
    "mi.status<>'K'AND pr.sobremesa='S'";
inline constexpr std::string_view kInsertItem =
    "INSERT INTO mov_MesaItem VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
inline constexpr std::string_view kSetItemDiscount =
    "UPDATE mov_MesaItem SET idDesconto=?,operDesc=?,descontoManual=? WHERE idItem=?";
inline constexpr std::string_view kCancelItem = "UPDATE mov_MesaItem SET "
                                                "produzido=?,idMotivoCanc=?,idOpeCanc=?,status=\"C\"WHERE idItem=?";
inline constexpr std::string_view kAcknowledgeItem =
    "UPDATE mov_MesaItem SET status=\"E\",operBaixa=? WHERE idItem=? AND status=\"I\"";
inline constexpr std::string_view kReprintItem = "UPDATE mov_MesaItem SET status=\"R\"WHERE idItem=?";
inline constexpr std::string_view kReprintComanda =
    "UPDATE mov_MesaItem SET status=\"R\"WHERE idComanda=? AND status='I'";
inline constexpr std::string_view kReprintComandaOfTable =
    "UPDATE mov_MesaItem SET status=\"R\"WHERE idComanda=? AND status='I'AND idMesa=?";
inline constexpr std::string_view kReprintProduct = "UPDATE mov_MesaItem SET status=\"P\"WHERE idItem=?";
inline constexpr std::string_view kClearComanda = "UPDATE mov_MesaItem SET idComanda=999999 WHERE idItem=?";
inline constexpr std::string_view kMoveItem = "UPDATE mov_MesaItem SET idMesa=? WHERE idItem=?";
inline constexpr std::string_view kDeleteTableItems = "DELETE FROM mov_MesaItem WHERE idMesa=?";
inline constexpr std::string_view kDeleteItem = "DELETE FROM mov_MesaItem WHERE idItem=?";
inline constexpr std::string_view kLockTableItems = "SELECT idItem FROM mov_MesaItem WHERE idMesa=? FOR UPDATE";
inline constexpr std::string_view kItemObservations = "SELECT*FROM mov_MesaItemObs WHERE idItem=?";
inline constexpr std::string_view kInsertItemObservation = "INSERT INTO mov_MesaItemObs VALUES(?,?,?,?,?)";
inline constexpr std::string_view kDeleteItemObservations = "DELETE FROM mov_MesaItemObs WHERE idItem=?";
inline constexpr std::string_view kDeleteTableObservations = "DELETE FROM mov_MesaItemObs WHERE idMesa=?";
inline constexpr std::string_view kMoveItemObservations = "UPDATE mov_MesaItemObs SET idMesa=? WHERE idItem=?";
inline constexpr std::string_view kLockTableObservations =
    "SELECT idItemObs FROM mov_MesaItemObs WHERE idMesa=? FOR UPDATE";
inline constexpr std::string_view kCountKitchenOrders =
    "SELECT COUNT(*)FROM mov_Cozinha WHERE idPedMesa=? AND tipo=\"M\"";
inline constexpr std::string_view kCountKitchenWaiting =
    "SELECT COUNT(*)FROM mov_Cozinha WHERE idPedMesa=? AND tipo=\"M\"AND "
    "baixaGarHora='00:00:00'";
inline constexpr std::string_view kKitchenOrders = "SELECT idItem FROM mov_Cozinha WHERE idPedMesa=? AND tipo=\"M\"";
inline constexpr std::string_view kKitchenWaiting =
    "SELECT idItem FROM mov_Cozinha WHERE idPedMesa=? AND tipo=\"M\"AND "
    "baixaGarHora='00:00:00'";
inline constexpr std::string_view kKitchenByItem = "SELECT*FROM mov_Cozinha WHERE idItem=?";
inline constexpr std::string_view kLatestReady = "SELECT max(hrPronto)FROM mov_Cozinha WHERE idPedMesa=? AND tipo='M'";
inline constexpr std::string_view kMoveKitchen = "UPDATE mov_Cozinha SET idPedMesa=? WHERE idItem=?";
inline constexpr std::string_view kCountTableSales =
    "SELECT count(*)FROM mov_Vendas WHERE tipo=\"M\"AND data=? AND turno=? AND "
    "pontoMesa=1";
inline constexpr std::string_view kInsertSale =
    "INSERT INTO mov_Vendas VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
inline constexpr std::string_view kInsertSaleItem =
    "INSERT INTO mov_VendasItem VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
inline constexpr std::string_view kInsertSaleObservation = "INSERT INTO mov_VendasItemObs VALUES(?,?,?,?,?)";
inline constexpr std::string_view kLastInsertId = "SELECT LAST_INSERT_ID()";
inline constexpr std::string_view kProductById = "SELECT*FROM cad_Produtos WHERE idProduto=?";
inline constexpr std::string_view kProductsLike = "SELECT*FROM cad_Produtos WHERE descricao LIKE ? ORDER BY descricao";
inline constexpr std::string_view kMenuEntry = "SELECT*FROM cad_CardapioProd WHERE idProduto=?";
inline constexpr std::string_view kOperatorById = "SELECT*FROM tab_Operador WHERE idOperador=?";
inline constexpr std::string_view kOperatorByName = "SELECT*FROM tab_Operador WHERE nome=?";
inline constexpr std::string_view kOperatorName = "SELECT nome FROM tab_Operador WHERE idOperador=?";
inline constexpr std::string_view kParameters = "SELECT*FROM tab_Parametros WHERE idParam=1";
inline constexpr std::string_view kDiscountById = "SELECT*FROM tab_Desconto WHERE idDesconto=?";
inline constexpr std::string_view kObservations = "SELECT*FROM tab_Observacao";
inline constexpr std::string_view kObservationById = "SELECT*FROM tab_Observacao WHERE idObs=?";
inline constexpr std::string_view kReasonById = "SELECT*FROM tab_MotivoCancelamento WHERE idMotivo=?";
inline constexpr std::string_view kPrinterName = "SELECT nome FROM tab_Impressoras WHERE idImpressora=?";
inline constexpr std::string_view kServerTime = "SELECT CURTIME()";
inline constexpr std::string_view kClock = "SELECT TIME_FORMAT(CURTIME(),'%h:%i')";
inline constexpr std::string_view kToday = "SELECT DATE_FORMAT(CURDATE(),'%d%m%Y')";
// The connection dialog's check that the database holds the tables and
// columns this program uses (rows of the account's visible tables only).
inline constexpr std::string_view kSchemaColumns =
    "SELECT TABLE_NAME,COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE()";
inline constexpr std::string_view kTimeDiff = "SELECT TIMEDIFF(?,?)";
inline constexpr std::string_view kDiscountKinds = "SELECT*FROM tab_Desconto ORDER BY idDesconto";
inline constexpr std::string_view kProductCatalogue = "SELECT*FROM cad_Produtos ORDER BY descricao";
inline constexpr std::string_view kManagementTables =
    "SELECT me.idMesa,me.status,me.qtdPessoas,op.nome,me.horaAbertura FROM mov_Mesa "
    "AS me LEFT JOIN tab_Operador AS op ON op.idOperador=me.idGarcon WHERE "
    "me.status<>'F'ORDER BY me.idMesa";
inline constexpr std::string_view kManagementSales =
    "SELECT COUNT(*),SUM(valorTotal)FROM mov_Vendas WHERE tipo='M'AND data=? AND "
    "turno=? AND cancelada<>'S'AND recebimento<>REPEAT('0',350)";
inline constexpr std::string_view kReportClosedTables =
    "SELECT "
    "ve.nrMesa,ve.pontoMesa,ve.qtdPessoas,op.nome,ve.horaAbertura,ve.horaFechamento,ve.valorTotal,"
    "ve.recebimento=REPEAT('0',350)FROM mov_Vendas AS ve LEFT JOIN tab_Operador AS op ON "
    "op.idOperador=ve.idGarcon "
    "WHERE ve.tipo='M'AND ve.data=? AND ve.turno=? AND ve.nrCaixa=? AND "
    "ve.cancelada<>'S'ORDER BY ve.horaFechamento,ve.idVenda";
inline constexpr std::string_view kReportCommissions =
    "SELECT ve.idGarcon,op.nome,COUNT(*),SUM(ve.valorServico)FROM mov_Vendas AS ve "
    "LEFT JOIN tab_Operador AS op ON op.idOperador=ve.idGarcon WHERE ve.tipo='M'AND "
    "ve.data=? AND ve.turno=? AND ve.nrCaixa=? AND ve.cancelada<>'S'AND "
    "ve.recebimento<>REPEAT('0',350)GROUP BY ve.idGarcon,op.nome ORDER BY op.nome,ve.idGarcon";
inline constexpr std::string_view kReportMenuMix =
    "SELECT vi.idProduto,pr.descricao,COUNT(*),SUM(vi.valorUnitario)FROM "
    "mov_VendasItem AS vi JOIN mov_Vendas AS ve ON ve.idVenda=vi.idVenda LEFT JOIN "
    "cad_Produtos AS pr ON pr.idProduto=vi.idProduto WHERE ve.data=? AND ve.turno=? "
    "AND ve.cancelada<>'S'AND vi.cancelado<>'S'AND vi.idProduto<>999999 GROUP BY "
    "vi.idProduto,pr.descricao "
    "ORDER BY pr.descricao,vi.idProduto";

// The restaurant server's administration (quorvel-admin), run by its
// administrator, never by a desk. Statements that name a database, a table
// or an account cannot take those names as parameters: their texts carry
// %1, %2... placeholders that are filled only with names checked against a
// strict pattern first (letters, digits and a few signs, never a quote or a
// backtick) or with the tool's own table and privilege names. A password
// never enters a statement text: the server computes its hash from a bound
// value, and the account is given the hash.
namespace admin {
inline constexpr std::string_view kCreateDatabase =
    "CREATE DATABASE IF NOT EXISTS `%1` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci";
inline constexpr std::string_view kDropDatabase = "DROP DATABASE IF EXISTS `%1`";
inline constexpr std::string_view kDatabaseExists =
    "SELECT COUNT(*)FROM information_schema.SCHEMATA WHERE SCHEMA_NAME=?";
inline constexpr std::string_view kTableNames =
    "SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA=? ORDER BY TABLE_NAME";
// What a schema is made of, to compare a database with the packaged schema.
inline constexpr std::string_view kColumns =
    "SELECT TABLE_NAME,ORDINAL_POSITION,COLUMN_NAME,COLUMN_TYPE,IS_NULLABLE,IFNULL(COLUMN_DEFAULT,'(none)'),"
    "IFNULL(COLLATION_NAME,''),EXTRA FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=? ORDER BY "
    "TABLE_NAME,ORDINAL_POSITION";
inline constexpr std::string_view kIndexes =
    "SELECT TABLE_NAME,INDEX_NAME,SEQ_IN_INDEX,COLUMN_NAME,NON_UNIQUE FROM information_schema.STATISTICS WHERE "
    "TABLE_SCHEMA=? ORDER BY TABLE_NAME,INDEX_NAME,SEQ_IN_INDEX";
inline constexpr std::string_view kSchemaVersion = "SELECT IFNULL(MAX(versao),0)FROM tab_VersaoEsquema";
inline constexpr std::string_view kRecordVersion = "INSERT IGNORE INTO tab_VersaoEsquema(versao,origem)VALUES(?,?)";
// The base data a desk needs.
inline constexpr std::string_view kParametersRow = "SELECT COUNT(*)FROM tab_Parametros WHERE idParam=1";
inline constexpr std::string_view kPositionIds = "SELECT idMesa FROM mov_Mesa ORDER BY idMesa";
inline constexpr std::string_view kInsertPosition = "INSERT INTO mov_Mesa(idMesa,descricao)VALUES(?,?)";
inline constexpr std::string_view kActiveOperators = "SELECT COUNT(*)FROM tab_Operador WHERE situacao<>'E'";
inline constexpr std::string_view kProductCount = "SELECT COUNT(*)FROM cad_Produtos";
inline constexpr std::string_view kProductExists = "SELECT COUNT(*)FROM cad_Produtos WHERE idProduto=?";
// The cashier's account.
inline constexpr std::string_view kPasswordHash = "SELECT PASSWORD(?)";
inline constexpr std::string_view kAccountExists = "SELECT COUNT(*)FROM mysql.user WHERE User=? AND Host=?";
inline constexpr std::string_view kCreateAccount = "CREATE USER '%1'@'%2' IDENTIFIED BY PASSWORD '%3'";
inline constexpr std::string_view kSetAccountPassword = "ALTER USER '%1'@'%2' IDENTIFIED BY PASSWORD '%3'";
inline constexpr std::string_view kGrant = "GRANT %1 ON `%2`.%3 TO '%4'@'%5'";
inline constexpr std::string_view kRevoke = "REVOKE %1 ON `%2`.%3 FROM '%4'@'%5'";
// Rights as the server lists them; the grantee is written 'user'@'host'.
inline constexpr std::string_view kGlobalRights =
    "SELECT PRIVILEGE_TYPE,IS_GRANTABLE FROM information_schema.USER_PRIVILEGES WHERE GRANTEE=?";
inline constexpr std::string_view kDatabaseRights =
    "SELECT PRIVILEGE_TYPE,IS_GRANTABLE FROM information_schema.SCHEMA_PRIVILEGES WHERE GRANTEE=? AND "
    "TABLE_SCHEMA=?";
inline constexpr std::string_view kTableRights =
    "SELECT TABLE_NAME,PRIVILEGE_TYPE,IS_GRANTABLE FROM information_schema.TABLE_PRIVILEGES WHERE GRANTEE=? AND "
    "TABLE_SCHEMA=?";
inline constexpr std::string_view kColumnRights =
    "SELECT TABLE_NAME,COLUMN_NAME,PRIVILEGE_TYPE FROM information_schema.COLUMN_PRIVILEGES WHERE GRANTEE=? AND "
    "TABLE_SCHEMA=?";
} // namespace admin

} // namespace qv::stmt
