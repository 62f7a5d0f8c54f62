-- Version 2: the table's latest ready time (the maximum of mov_Cozinha's
-- hrPronto for a table's orders), which a closing reads once per item it
-- copies, is answered from an index instead of the table's kitchen rows.
-- quorvel-admin upgrade records the version after this script runs; it may
-- run twice without harm.
CREATE INDEX IF NOT EXISTS idx_cozinha_pronto ON mov_Cozinha (idPedMesa, tipo, hrPronto);
