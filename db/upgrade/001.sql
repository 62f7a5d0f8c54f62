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
