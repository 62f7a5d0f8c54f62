-- Quorvel: tables shared by the cashier's table screen, the waiters'
-- terminals, the kitchen and the payment screen.
--
-- The table screen reads whole rows with SELECT* and inserts whole rows with
-- INSERT ... VALUES(?,...), binding every column by position. Column order and
-- widths below are therefore fixed: src/data/Tables.cpp mirrors them column
-- for column, and the two must change together.
--
-- Width conventions: an N(p) number of the record layout becomes the smallest
-- integer type that holds p digits with a sign, as the program's records do
-- (the waiting minutes of a sale item come from a time difference); N(p,s)
-- becomes DECIMAL(p+s,s); C(n) becomes CHAR(n). Times of day are CHAR(8) 'HH:MM:SS'
-- with '00:00:00' meaning "none". Every column is NOT NULL: the screen has no
-- notion of NULL, a missing value is a zero or blanks.
--
-- Load into an empty database: mariadb DBNAME < db/schema.sql

SET NAMES utf8mb4;

-- ---------------------------------------------------------------------------
-- Movements
-- ---------------------------------------------------------------------------

-- One row per table position (table * 100 + position). The rows are created
-- with the restaurant layout and only ever updated.
CREATE TABLE mov_Mesa (
    idMesa          INT           NOT NULL,
    descricao       CHAR(20)      NOT NULL DEFAULT '',
    status          CHAR(1)       NOT NULL DEFAULT 'F',
    qtdPessoas      SMALLINT      NOT NULL DEFAULT 0,
    idGarcon        TINYINT       NOT NULL DEFAULT 0,
    horaAbertura    CHAR(8)       NOT NULL DEFAULT '00:00:00',
    idDesconto      TINYINT       NOT NULL DEFAULT 0,
    descontoManual  DECIMAL(7,2)  NOT NULL DEFAULT 0,
    operDesc        CHAR(20)      NOT NULL DEFAULT ' ',
    taxaServico     DECIMAL(4,2)  NOT NULL DEFAULT 0,
    dividida        CHAR(1)       NOT NULL DEFAULT 'N',
    PRIMARY KEY (idMesa)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- One row per unit launched on a position. idItem is inserted as 0 so the
-- database numbers it.
CREATE TABLE mov_MesaItem (
    idItem          BIGINT        NOT NULL AUTO_INCREMENT,
    idMesa          INT           NOT NULL DEFAULT 0,
    idCardapio      TINYINT       NOT NULL DEFAULT 0,
    idGrupo         SMALLINT      NOT NULL DEFAULT 0,
    idProduto       INT           NOT NULL DEFAULT 0,
    valorUnitario   DECIMAL(7,2)  NOT NULL DEFAULT 0,
    idOperador      TINYINT       NOT NULL DEFAULT 0,
    status          CHAR(1)       NOT NULL DEFAULT 'I',
    idComanda       BIGINT        NOT NULL DEFAULT 999999,
    horaPedido      CHAR(8)       NOT NULL DEFAULT '00:00:00',
    produzido       CHAR(1)       NOT NULL DEFAULT 'N',
    idMotivoCanc    TINYINT       NOT NULL DEFAULT 0,
    idOpeCanc       TINYINT       NOT NULL DEFAULT 0,
    idDesconto      TINYINT       NOT NULL DEFAULT 0,
    descontoManual  DECIMAL(7,2)  NOT NULL DEFAULT 0,
    operDesc        CHAR(20)      NOT NULL DEFAULT '',
    viagem          CHAR(1)       NOT NULL DEFAULT 'N',
    operBaixa       CHAR(20)      NOT NULL DEFAULT '',
    reservado       CHAR(20)      NOT NULL DEFAULT '',
    PRIMARY KEY (idItem),
    -- every list, board test and closing selects a position's items; the
    -- board's item test (status and product) is answered from the index
    -- alone, and idItem second keeps a position's items in launch order for
    -- the reads that have no ORDER BY (the closing copies them that way)
    KEY idx_mesaitem_mesa (idMesa, idItem, status, idProduto),
    -- reprint of a whole order ticket
    KEY idx_mesaitem_comanda (idComanda)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Com / Sem / Obs observations of an item. idMesa is repeated here so that
-- closing a position can drop all its observations with one statement.
CREATE TABLE mov_MesaItemObs (
    idItemObs       BIGINT        NOT NULL AUTO_INCREMENT,
    idItem          BIGINT        NOT NULL DEFAULT 0,
    idObs           INT           NOT NULL DEFAULT 0,
    idMesa          INT           NOT NULL DEFAULT 0,
    tipo            CHAR(1)       NOT NULL DEFAULT 'O',
    PRIMARY KEY (idItemObs),
    KEY idx_mesaitemobs_item (idItem),
    KEY idx_mesaitemobs_mesa (idMesa)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Kitchen production records, written by the kitchen module. idPedMesa is the
-- table number (not the position). The life of a record: the kitchen receives
-- the order (hrPedido), finishes it (hrPronto), the waiter collects it at the
-- pass (baixaGarHora, '00:00:00' until then, with baixaGarOper) and it reaches
-- the table (hrEntrega). The closing turns those times into waiting minutes
-- per sale item.
CREATE TABLE mov_Cozinha (
    idItem          BIGINT        NOT NULL DEFAULT 0,
    tipo            CHAR(1)       NOT NULL DEFAULT 'M',
    idPedMesa       SMALLINT      NOT NULL DEFAULT 0,
    idProduto       INT           NOT NULL DEFAULT 0,
    descricao       CHAR(20)      NOT NULL DEFAULT '',
    hrPedido        CHAR(8)       NOT NULL DEFAULT '00:00:00',
    quantidade      SMALLINT      NOT NULL DEFAULT 0,
    hrPronto        CHAR(8)       NOT NULL DEFAULT '00:00:00',
    situacao        CHAR(1)       NOT NULL DEFAULT '',
    impresso        CHAR(1)       NOT NULL DEFAULT 'N',
    idCozinheiro    TINYINT       NOT NULL DEFAULT 0,
    baixaGarHora    CHAR(8)       NOT NULL DEFAULT '00:00:00',
    baixaGarOper    CHAR(20)      NOT NULL DEFAULT '',
    hrEntrega       CHAR(8)       NOT NULL DEFAULT '00:00:00',
    idComanda       BIGINT        NOT NULL DEFAULT 0,
    -- one production record per launched item and origin ('M' = table);
    -- the key also serves the look-up by idItem
    PRIMARY KEY (idItem, tipo),
    -- board counts (both answered from the index alone)
    KEY idx_cozinha_pedmesa (idPedMesa, tipo, baixaGarHora),
    -- the table's latest ready time, read once per item a closing copies:
    -- the maximum is the last entry of the table's range, no row is read
    KEY idx_cozinha_pronto (idPedMesa, tipo, hrPronto)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Closed accounts. Written once per closing; data is the business date of the
-- period as YYYYMMDD text.
CREATE TABLE mov_Vendas (
    idVenda         BIGINT        NOT NULL AUTO_INCREMENT,
    tipo            CHAR(1)       NOT NULL DEFAULT 'M',
    data            CHAR(8)       NOT NULL DEFAULT '',
    turno           TINYINT       NOT NULL DEFAULT 0,
    nrCaixa         TINYINT       NOT NULL DEFAULT 0,
    idCliente       INT           NOT NULL DEFAULT 0,
    nrSenha         SMALLINT      NOT NULL DEFAULT 0,
    nrMesa          SMALLINT      NOT NULL DEFAULT 0,
    pontoMesa       TINYINT       NOT NULL DEFAULT 0,
    qtdPessoas      SMALLINT      NOT NULL DEFAULT 0,
    idGarcon        TINYINT       NOT NULL DEFAULT 0,
    horaAbertura    CHAR(8)       NOT NULL DEFAULT '00:00:00',
    horaFechamento  CHAR(8)       NOT NULL DEFAULT '00:00:00',
    -- receipt details handed back by the payment module
    recebimento     VARCHAR(350)  NOT NULL DEFAULT '',
    valorRepique    DECIMAL(7,2)  NOT NULL DEFAULT 0,
    valorProdutos   DECIMAL(7,2)  NOT NULL DEFAULT 0,
    idDesconto      TINYINT       NOT NULL DEFAULT 0,
    descontoManual  DECIMAL(7,2)  NOT NULL DEFAULT 0,
    operDesc        CHAR(20)      NOT NULL DEFAULT '',
    valorServico    DECIMAL(7,2)  NOT NULL DEFAULT 0,
    valorTotal      DECIMAL(7,2)  NOT NULL DEFAULT 0,
    horaEntrega     CHAR(8)       NOT NULL DEFAULT '00:00:00',
    cancelada       CHAR(1)       NOT NULL DEFAULT 'N',
    cpfCliente      CHAR(11)      NOT NULL DEFAULT '',
    PRIMARY KEY (idVenda),
    -- closed-table counter of the board, per business date and period
    KEY idx_vendas_periodo (tipo, data, turno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Items of a closed account, numbered 1, 2, 3... within the sale. Cancelled
-- items are kept, flagged, for the cancellation reports.
CREATE TABLE mov_VendasItem (
    idVenda         BIGINT        NOT NULL DEFAULT 0,
    sequencia       SMALLINT      NOT NULL DEFAULT 0,
    idProduto       INT           NOT NULL DEFAULT 0,
    valorUnitario   DECIMAL(7,2)  NOT NULL DEFAULT 0,
    idOperador      TINYINT       NOT NULL DEFAULT 0,
    idDesconto      TINYINT       NOT NULL DEFAULT 0,
    descontoManual  DECIMAL(7,2)  NOT NULL DEFAULT 0,
    operDesc        CHAR(20)      NOT NULL DEFAULT '',
    viagem          CHAR(1)       NOT NULL DEFAULT 'N',
    cancelado       CHAR(1)       NOT NULL DEFAULT 'N',
    produzido       CHAR(1)       NOT NULL DEFAULT 'N',
    idMotivoCanc    TINYINT       NOT NULL DEFAULT 0,
    idOpeCanc       TINYINT       NOT NULL DEFAULT 0,
    idCozinheiro    TINYINT       NOT NULL DEFAULT 0,
    -- minutes from ready to collected by the waiter
    minutosRetirada SMALLINT      NOT NULL DEFAULT 0,
    -- minutes from collected (or ready, if never collected) to the table
    minutosEntrega  SMALLINT      NOT NULL DEFAULT 0,
    operBaixa       CHAR(20)      NOT NULL DEFAULT '',
    PRIMARY KEY (idVenda, sequencia)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Observations of the sale items, addressed by sale and item sequence.
-- idItemOrigem is left 0 by the table screen.
CREATE TABLE mov_VendasItemObs (
    idVenda         BIGINT        NOT NULL DEFAULT 0,
    sequencia       SMALLINT      NOT NULL DEFAULT 0,
    idObs           INT           NOT NULL DEFAULT 0,
    idItemOrigem    BIGINT        NOT NULL DEFAULT 0,
    tipo            CHAR(1)       NOT NULL DEFAULT 'O',
    -- An item may carry the same observation twice, so there is no natural
    -- unique key. A cluster replicates by primary key, so the table gets a
    -- surrogate one, invisible: SELECT* and INSERT ... VALUES(?,...) see the
    -- five columns above and nothing else.
    idVendaItemObs  BIGINT        NOT NULL AUTO_INCREMENT INVISIBLE,
    PRIMARY KEY (idVendaItemObs),
    KEY idx_vendasitemobs_item (idVenda, sequencia)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Payments under way: the cash desk that took a position's account to the
-- payment module, so that no second desk collects the same bill. Written by
-- the cashier's table screen only (other modules never read it); a claim
-- ends with the sale, when the payment is abandoned, or once renovada is
-- older than the desks' bound (a desk that died). horaAbertura names the
-- account (the opening of the position) and desde is shown to the cashier
-- who finds the claim. A replicated row, not a user-level lock, so it holds
-- across the nodes of a cluster.
CREATE TABLE IF NOT EXISTS mov_MesaCobranca (
    idMesa          INT           NOT NULL,
    horaAbertura    CHAR(8)       NOT NULL DEFAULT '00:00:00',
    nrCaixa         SMALLINT      NOT NULL DEFAULT 0,
    idOperador      INT           NOT NULL DEFAULT 0,
    chave           BIGINT        NOT NULL DEFAULT 0,
    desde           CHAR(8)       NOT NULL DEFAULT '00:00:00',
    renovada        DATETIME      NOT NULL,
    PRIMARY KEY (idMesa)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- ---------------------------------------------------------------------------
-- Catalogues
-- ---------------------------------------------------------------------------

-- Products. valorVenda is the price charged when a product is launched by
-- code; valorCardapio is the price printed on the menu and shown in the
-- description search. inativo = 'S' refuses the product by code; permiteJa
-- = 'N' disables the "Já" observation (drinks that are served at once
-- anyway); pratoPrincipal = 'S' counts the item in the main-course total.
CREATE TABLE cad_Produtos (
    idProduto        INT           NOT NULL,
    descricao        CHAR(40)      NOT NULL DEFAULT '',
    unidade          CHAR(3)       NOT NULL DEFAULT 'UN',
    codigoBarras     CHAR(13)      NOT NULL DEFAULT '',
    valorVenda       DECIMAL(7,2)  NOT NULL DEFAULT 0,
    valorCardapio    DECIMAL(7,2)  NOT NULL DEFAULT 0,
    valorCusto       DECIMAL(7,2)  NOT NULL DEFAULT 0,
    controlaEstoque  CHAR(1)       NOT NULL DEFAULT 'N',
    inativo          CHAR(1)       NOT NULL DEFAULT 'N',
    descricaoCozinha CHAR(20)      NOT NULL DEFAULT '',
    descricaoCupom   CHAR(20)      NOT NULL DEFAULT '',
    idGrupoProd      INT           NOT NULL DEFAULT 0,
    idSubgrupo       INT           NOT NULL DEFAULT 0,
    idFornecedor     INT           NOT NULL DEFAULT 0,
    estoqueMinimo    INT           NOT NULL DEFAULT 0,
    sobremesa        CHAR(1)       NOT NULL DEFAULT 'N',
    bebida           CHAR(1)       NOT NULL DEFAULT 'N',
    permiteJa        CHAR(1)       NOT NULL DEFAULT 'S',
    pratoPrincipal   CHAR(1)       NOT NULL DEFAULT 'N',
    imprimeComanda   CHAR(1)       NOT NULL DEFAULT 'S',
    -- observation groups offered with the product by the waiters' terminals
    idGrupoObs01     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs02     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs03     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs04     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs05     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs06     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs07     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs08     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs09     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs10     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs11     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs12     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs13     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs14     SMALLINT      NOT NULL DEFAULT 0,
    idGrupoObs15     SMALLINT      NOT NULL DEFAULT 0,
    PRIMARY KEY (idProduto),
    -- description search (LIKE with a leading wildcard still sorts by it)
    KEY idx_produtos_descricao (descricao)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Menu composition: which menu and group a product belongs to, and when it
-- is offered (dates DD/MM/YYYY, hours HH:MM).
CREATE TABLE cad_CardapioProd (
    idCardapio      TINYINT       NOT NULL DEFAULT 0,
    idGrupo         SMALLINT      NOT NULL DEFAULT 0,
    idProduto       INT           NOT NULL DEFAULT 0,
    dataInicio      CHAR(10)      NOT NULL DEFAULT '',
    dataFim         CHAR(10)      NOT NULL DEFAULT '',
    horaInicio      CHAR(6)       NOT NULL DEFAULT '',
    horaFim         CHAR(6)       NOT NULL DEFAULT '',
    PRIMARY KEY (idCardapio, idGrupo, idProduto),
    KEY idx_cardapioprod_produto (idProduto)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- ---------------------------------------------------------------------------
-- Reference tables
-- ---------------------------------------------------------------------------

-- Operators (cashiers and waiters). situacao 'E' = no longer working here,
-- left out of the lists. Rights are 'X' when granted.
CREATE TABLE tab_Operador (
    idOperador      TINYINT       NOT NULL,
    nome            CHAR(20)      NOT NULL DEFAULT '',
    situacao        CHAR(1)       NOT NULL DEFAULT 'A',
    reservado       CHAR(50)      NOT NULL DEFAULT '',
    direito1        CHAR(1)       NOT NULL DEFAULT '',
    direito2        CHAR(1)       NOT NULL DEFAULT '',
    direito3        CHAR(1)       NOT NULL DEFAULT '',
    direito4        CHAR(1)       NOT NULL DEFAULT '',
    direito5        CHAR(1)       NOT NULL DEFAULT '',
    direito6        CHAR(1)       NOT NULL DEFAULT '',
    direito7        CHAR(1)       NOT NULL DEFAULT '',
    direito8        CHAR(1)       NOT NULL DEFAULT '',
    direito9        CHAR(1)       NOT NULL DEFAULT '',
    direito10       CHAR(1)       NOT NULL DEFAULT '',
    direito11       CHAR(1)       NOT NULL DEFAULT '',
    PRIMARY KEY (idOperador),
    -- the open-table dialog finds the waiter by name
    KEY idx_operador_nome (nome)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Restaurant settings, one row (idParam = 1). Most columns belong to the
-- other modules of the suite: bill header and footer lines, the printer and
-- cash drawer of each of the five cash desks, delivery settings.
CREATE TABLE tab_Parametros (
    idParam            TINYINT       NOT NULL,
    usaComanda         CHAR(1)       NOT NULL DEFAULT 'S',
    cobraServico       CHAR(1)       NOT NULL DEFAULT 'S',
    -- service fee percent put on a table when it is opened
    taxaServicoParam   DECIMAL(4,2)  NOT NULL DEFAULT 0,
    taxaEntrega        DECIMAL(4,2)  NOT NULL DEFAULT 0,
    imprimeConta       CHAR(1)       NOT NULL DEFAULT 'S',
    imprimeCozinha     CHAR(1)       NOT NULL DEFAULT 'S',
    controlaEstoque    CHAR(1)       NOT NULL DEFAULT 'N',
    horaVirada         CHAR(8)       NOT NULL DEFAULT '00:00:00',
    -- observation attached by the "Já" key of the item dialog
    idObsJa            SMALLINT      NOT NULL DEFAULT 0,
    qtdCaixas          TINYINT       NOT NULL DEFAULT 0,
    qtdViasConta       TINYINT       NOT NULL DEFAULT 0,
    modoCozinha        CHAR(1)       NOT NULL DEFAULT '',
    cabecalho1         CHAR(20)      NOT NULL DEFAULT '',
    cabecalho2         CHAR(20)      NOT NULL DEFAULT '',
    cabecalho3         CHAR(20)      NOT NULL DEFAULT '',
    cabecalho4         CHAR(20)      NOT NULL DEFAULT '',
    idProdutoCouvert   INT           NOT NULL DEFAULT 0,
    telefone           CHAR(15)      NOT NULL DEFAULT '',
    cidade             CHAR(20)      NOT NULL DEFAULT '',
    caixa1Impressora   TINYINT       NOT NULL DEFAULT 0,
    caixa1Gaveta       CHAR(1)       NOT NULL DEFAULT 'N',
    caixa1Terminal     CHAR(15)      NOT NULL DEFAULT '',
    caixa1Porta        CHAR(20)      NOT NULL DEFAULT '',
    caixa2Impressora   TINYINT       NOT NULL DEFAULT 0,
    caixa2Gaveta       CHAR(1)       NOT NULL DEFAULT 'N',
    caixa2Terminal     CHAR(15)      NOT NULL DEFAULT '',
    caixa2Porta        CHAR(20)      NOT NULL DEFAULT '',
    caixa3Impressora   TINYINT       NOT NULL DEFAULT 0,
    caixa3Gaveta       CHAR(1)       NOT NULL DEFAULT 'N',
    caixa3Terminal     CHAR(15)      NOT NULL DEFAULT '',
    caixa3Porta        CHAR(20)      NOT NULL DEFAULT '',
    caixa4Impressora   TINYINT       NOT NULL DEFAULT 0,
    caixa4Gaveta       CHAR(1)       NOT NULL DEFAULT 'N',
    caixa4Terminal     CHAR(15)      NOT NULL DEFAULT '',
    caixa4Porta        CHAR(20)      NOT NULL DEFAULT '',
    caixa5Impressora   TINYINT       NOT NULL DEFAULT 0,
    caixa5Gaveta       CHAR(1)       NOT NULL DEFAULT 'N',
    caixa5Terminal     CHAR(15)      NOT NULL DEFAULT '',
    caixa5Porta        CHAR(20)      NOT NULL DEFAULT '',
    idImpressoraEntrega TINYINT      NOT NULL DEFAULT 0,
    imprimeEntrega     CHAR(1)       NOT NULL DEFAULT 'N',
    rodape01           CHAR(20)      NOT NULL DEFAULT '',
    rodape02           CHAR(20)      NOT NULL DEFAULT '',
    rodape03           CHAR(20)      NOT NULL DEFAULT '',
    rodape04           CHAR(20)      NOT NULL DEFAULT '',
    rodape05           CHAR(20)      NOT NULL DEFAULT '',
    rodape06           CHAR(20)      NOT NULL DEFAULT '',
    rodape07           CHAR(20)      NOT NULL DEFAULT '',
    rodape08           CHAR(20)      NOT NULL DEFAULT '',
    rodape09           CHAR(20)      NOT NULL DEFAULT '',
    rodape10           CHAR(20)      NOT NULL DEFAULT '',
    rodape11           CHAR(20)      NOT NULL DEFAULT '',
    rodape12           CHAR(20)      NOT NULL DEFAULT '',
    rodape13           CHAR(20)      NOT NULL DEFAULT '',
    rodape14           CHAR(20)      NOT NULL DEFAULT '',
    rodape15           CHAR(20)      NOT NULL DEFAULT '',
    PRIMARY KEY (idParam)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Discount kinds; percentual is a percent (10.00 = 10 %).
CREATE TABLE tab_Desconto (
    idDesconto      TINYINT       NOT NULL,
    descricao       CHAR(20)      NOT NULL DEFAULT '',
    percentual      DECIMAL(5,2)  NOT NULL DEFAULT 0,
    PRIMARY KEY (idDesconto)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Observation texts. One text serves as "Com", "Sem" or free observation;
-- the value of the kind used applies (Com and Obs add, Sem subtracts). The
-- delivery module has its own three values.
CREATE TABLE tab_Observacao (
    idObs           INT           NOT NULL,
    descricao       CHAR(20)      NOT NULL DEFAULT '',
    valorCom        DECIMAL(5,2)  NOT NULL DEFAULT 0,
    valorSem        DECIMAL(5,2)  NOT NULL DEFAULT 0,
    valorObs        DECIMAL(5,2)  NOT NULL DEFAULT 0,
    valorEntregaCom DECIMAL(5,2)  NOT NULL DEFAULT 0,
    valorEntregaSem DECIMAL(5,2)  NOT NULL DEFAULT 0,
    valorEntregaObs DECIMAL(5,2)  NOT NULL DEFAULT 0,
    PRIMARY KEY (idObs)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Printers by code (1..30); nome is the printer's name on the workstation.
CREATE TABLE tab_Impressoras (
    idImpressora    TINYINT       NOT NULL,
    nome            CHAR(20)      NOT NULL DEFAULT '',
    PRIMARY KEY (idImpressora)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Reasons offered when an item is cancelled (codes 1..60).
CREATE TABLE tab_MotivoCancelamento (
    idMotivo        TINYINT       NOT NULL,
    descricao       CHAR(30)      NOT NULL DEFAULT '',
    PRIMARY KEY (idMotivo)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- ---------------------------------------------------------------------------
-- Quorvel's own
-- ---------------------------------------------------------------------------

-- The versions of this schema the database went through, one row each. The
-- highest is the database's version: quorvel-admin compares the database
-- with this file's version and applies db/upgrade/NNN.sql (NNN = each
-- later version, in turn) to bring an older one up. A change to this file
-- raises the version below and adds the upgrade script that makes the
-- same change to a database of the version before.
CREATE TABLE tab_VersaoEsquema (
    versao          SMALLINT      NOT NULL,
    aplicada        DATETIME      NOT NULL DEFAULT CURRENT_TIMESTAMP,
    origem          CHAR(40)      NOT NULL DEFAULT '',
    PRIMARY KEY (versao)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

INSERT INTO tab_VersaoEsquema (versao, origem) VALUES (2, 'schema.sql');
