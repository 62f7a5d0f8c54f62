-- Version 1: a database loaded from a schema.sql that did not yet record
-- its version (its tables are those of version 1 otherwise) gets the table
-- of versions. quorvel-admin upgrade records the version after this script
-- runs; every statement here may run twice without harm.
CREATE TABLE IF NOT EXISTS tab_VersaoEsquema (
    versao          SMALLINT      NOT NULL,
    aplicada        DATETIME      NOT NULL DEFAULT CURRENT_TIMESTAMP,
    origem          CHAR(40)      NOT NULL DEFAULT '',
    PRIMARY KEY (versao)
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
