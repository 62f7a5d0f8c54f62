-- Quorvel demo restaurant: catalogue, staff and settings of a mid-size
-- restaurant with 80 tables, and a dinner service in progress (a few tables
-- open with orders, kitchen records, a blocked table and a table whose bill
-- was requested). Load after schema.sql into the same, empty database:
--
--   mariadb DBNAME < db/schema.sql && mariadb DBNAME < db/demo.sql
--
-- Times are fixed (an evening service from 19:00); the open tables therefore
-- show a long or "after midnight" time open when the demo is loaded at
-- another hour, which the screen handles.

SET NAMES utf8mb4;

-- ---------------------------------------------------------------------------
-- Reference tables
-- ---------------------------------------------------------------------------

-- Service fee 10 %; observation 99 is the "Já" (serve at once) observation.
INSERT INTO tab_Parametros VALUES (
    1, 'S', 'S', 10.00, 0.00, 'S', 'S', 'N', '04:00:00', 99, 3, 1, 'T',
    'RESTAURANTE BOA MESA', 'R. DAS PALMEIRAS 120', 'CENTRO - CAMPINAS/SP',
    'CNPJ 12345678000190',
    0, '(19) 3232-4545', 'CAMPINAS',
    3, 'S', 'CAIXA01', 'LPT1',
    3, 'S', 'CAIXA02', 'LPT1',
    3, 'N', 'CAIXA03', 'USB001',
    0, 'N', '', '',
    0, 'N', '', '',
    3, 'N',
    'OBRIGADO PELA VISITA', 'VOLTE SEMPRE!', '', '', '',
    '', '', '', '', '', '', '', '', '', '');

-- Staff. Rights: direito5 management screen, direito7 counters and reports,
-- direito8 delivery acknowledgement; the others belong to other modules.
-- Operator 1 is the demo cashier with every right; 10 has left ('E').
INSERT INTO tab_Operador (idOperador, nome, situacao, reservado,
        direito1, direito2, direito3, direito4, direito5, direito6,
        direito7, direito8, direito9, direito10, direito11) VALUES
    ( 1, 'MARIANA SOUZA',   'A', 'Caixa',           'X','X','X','X','X','X','X','X','X','X','X'),
    ( 2, 'ROBERTO LIMA',    'A', 'Gerente',         'X','X','X','X','X','X','X','X','X','X','X'),
    ( 3, 'PAULO SANTOS',    'A', 'Caixa',           'X','X','X','X',' ',' ','X','X',' ',' ',' '),
    ( 4, 'JOAO PEREIRA',    'A', 'Garçom',          'X','X',' ',' ',' ',' ',' ',' ',' ',' ',' '),
    ( 5, 'ANTONIO SILVA',   'A', 'Garçom',          'X','X',' ',' ',' ',' ',' ','X',' ',' ',' '),
    ( 6, 'CARLOS OLIVEIRA', 'A', 'Garçom',          'X','X',' ',' ',' ',' ',' ',' ',' ',' ',' '),
    ( 7, 'FRANCISCO ALVES', 'A', 'Garçom',          'X',' ',' ',' ',' ',' ',' ',' ',' ',' ',' '),
    ( 8, 'JOSE RODRIGUES',  'A', 'Garçom',          'X','X',' ',' ',' ',' ',' ','X',' ',' ',' '),
    ( 9, 'LUCAS FERREIRA',  'A', 'Garçom',          'X',' ',' ',' ',' ',' ',' ',' ',' ',' ',' '),
    (10, 'RAFAEL COSTA',    'E', 'Garçom (desligado)', 'X',' ',' ',' ',' ',' ',' ',' ',' ',' ',' '),
    (11, 'MARCOS GOMES',    'A', 'Garçom',          'X','X',' ',' ',' ',' ',' ',' ',' ',' ',' '),
    (12, 'ANDRE MARTINS',   'A', 'Maître',          'X','X','X',' ','X',' ',' ','X',' ',' ',' '),
    (13, 'FERNANDA ROCHA',  'A', 'Garçonete',       'X','X',' ',' ',' ',' ',' ','X',' ',' ',' '),
    (14, 'TIAGO BARBOSA',   'A', 'Cumim',           ' ',' ',' ',' ',' ',' ',' ',' ',' ',' ',' '),
    (15, 'PEDRO CARDOSO',   'A', 'Garçom',          'X','X',' ',' ',' ',' ',' ','X',' ',' ',' ');

INSERT INTO tab_Desconto VALUES
    (1, 'Funcionário',      10.00),
    (2, 'Cortesia',        100.00),
    (3, 'Cliente VIP',      15.00),
    (4, 'Convênio Empresa', 12.50),
    (5, 'Aniversário',       5.00);

-- One text serves as Com, Sem or free observation; the value of the kind
-- used applies (extra bacon costs 4,00, a dish without rice is 4,00 less).
INSERT INTO tab_Observacao VALUES
    ( 1, 'Cebola',              1.50, 0.00, 0.00, 1.50, 0.00, 0.00),
    ( 2, 'Bacon',               4.00, 0.00, 0.00, 4.00, 0.00, 0.00),
    ( 3, 'Queijo',              3.50, 0.00, 0.00, 3.50, 0.00, 0.00),
    ( 4, 'Ovo',                 3.00, 0.00, 0.00, 3.00, 0.00, 0.00),
    ( 5, 'Tomate',              1.00, 0.00, 0.00, 1.00, 0.00, 0.00),
    ( 6, 'Maionese',            0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    ( 7, 'Gelo',                0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    ( 8, 'Limão',               1.00, 0.00, 0.00, 1.00, 0.00, 0.00),
    ( 9, 'Açúcar',              0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    (10, 'Sal',                 0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    (11, 'Molho à parte',       0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    (12, 'Bem passado',         0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    (13, 'Ao ponto',            0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    (14, 'Mal passado',         0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    (15, 'Arroz',               6.00, 4.00, 0.00, 6.00, 4.00, 0.00),
    (16, 'Farofa',              3.00, 2.00, 0.00, 3.00, 2.00, 0.00),
    (17, 'Batata frita',        8.00, 5.00, 0.00, 8.00, 5.00, 0.00),
    (18, 'Embalagem viagem',    0.00, 0.00, 2.00, 0.00, 0.00, 2.00),
    (19, 'Calda de chocolate',  3.00, 0.00, 0.00, 3.00, 0.00, 0.00),
    (20, 'Sem glúten',          0.00, 0.00, 0.00, 0.00, 0.00, 0.00),
    (99, 'Já',                  0.00, 0.00, 0.00, 0.00, 0.00, 0.00);

INSERT INTO tab_MotivoCancelamento VALUES
    (1, 'Lançamento errado'),
    (2, 'Cliente desistiu'),
    (3, 'Demora no preparo'),
    (4, 'Produto em falta'),
    (5, 'Item veio errado da cozinha'),
    (6, 'Reclamação do cliente');

INSERT INTO tab_Impressoras VALUES
    (1, 'COZINHA'),
    (2, 'BAR'),
    (3, 'CAIXA');

-- ---------------------------------------------------------------------------
-- Catalogue
-- ---------------------------------------------------------------------------

-- Groups: 1 pratos, 2 porções e acompanhamentos, 3 bebidas, 4 sobremesas.
-- 114 is off the menu (inativo); bottled drinks do not take the "Já"
-- observation (permiteJa 'N'); the caipirinha is on a happy-hour price, so
-- the price charged (valorVenda) differs from the menu price.
INSERT INTO cad_Produtos (idProduto, descricao, unidade, codigoBarras,
        valorVenda, valorCardapio, valorCusto, controlaEstoque, inativo,
        descricaoCozinha, descricaoCupom, idGrupoProd, idSubgrupo,
        idFornecedor, estoqueMinimo, sobremesa, bebida, permiteJa,
        pratoPrincipal, imprimeComanda) VALUES
    (101, 'PICANHA NA CHAPA',                 'UN', '',  89.90,  89.90, 38.00, 'S', 'N', 'PICANHA CHAPA',      'PICANHA CHAPA',      1, 1, 12, 10, 'N', 'N', 'S', 'S', 'S'),
    (102, 'FILÉ MIGNON AO MOLHO MADEIRA',     'UN', '',  79.90,  79.90, 33.00, 'S', 'N', 'FILE MADEIRA',       'FILE MADEIRA',       1, 1, 12, 10, 'N', 'N', 'S', 'S', 'S'),
    (103, 'FRANGO GRELHADO',                  'UN', '',  42.90,  42.90, 14.00, 'S', 'N', 'FRANGO GRELHADO',    'FRANGO GRELHADO',    1, 2, 13, 10, 'N', 'N', 'S', 'S', 'S'),
    (104, 'SALMÃO GRELHADO',                  'UN', '',  74.90,  74.90, 31.00, 'S', 'N', 'SALMAO GRELHADO',    'SALMAO GRELHADO',    1, 3, 14,  5, 'N', 'N', 'S', 'S', 'S'),
    (105, 'FEIJOADA COMPLETA',                'UN', '',  59.90,  59.90, 21.00, 'N', 'N', 'FEIJOADA',           'FEIJOADA COMPLETA',  1, 4,  0,  0, 'N', 'N', 'S', 'S', 'S'),
    (106, 'MOQUECA DE PEIXE',                 'UN', '',  98.00,  98.00, 40.00, 'N', 'N', 'MOQUECA PEIXE',      'MOQUECA DE PEIXE',   1, 3, 14,  0, 'N', 'N', 'S', 'S', 'S'),
    (107, 'RISOTO DE CAMARÃO',                'UN', '',  82.50,  82.50, 35.00, 'N', 'N', 'RISOTO CAMARAO',     'RISOTO DE CAMARAO',  1, 3, 14,  0, 'N', 'N', 'S', 'S', 'S'),
    (108, 'LASANHA À BOLONHESA',              'UN', '',  46.90,  46.90, 15.00, 'N', 'N', 'LASANHA BOLONHESA',  'LASANHA BOLONHESA',  1, 5,  0,  0, 'N', 'N', 'S', 'S', 'S'),
    (109, 'PARMEGIANA DE CARNE',              'UN', '',  54.90,  54.90, 19.00, 'N', 'N', 'PARMEGIANA CARNE',   'PARMEGIANA CARNE',   1, 1, 12,  0, 'N', 'N', 'S', 'S', 'S'),
    (110, 'BACALHAU À GOMES DE SÁ',           'UN', '', 112.00, 112.00, 52.00, 'S', 'N', 'BACALHAU GOMES SA',  'BACALHAU GOMES SA',  1, 3, 15,  4, 'N', 'N', 'S', 'S', 'S'),
    (111, 'ESPAGUETE AO SUGO',                'UN', '',  36.90,  36.90, 10.00, 'N', 'N', 'ESPAGUETE SUGO',     'ESPAGUETE AO SUGO',  1, 5,  0,  0, 'N', 'N', 'S', 'S', 'S'),
    (112, 'HAMBÚRGUER DA CASA',               'UN', '',  38.50,  38.50, 13.00, 'N', 'N', 'HAMBURGUER CASA',    'HAMBURGUER DA CASA', 1, 6,  0,  0, 'N', 'N', 'S', 'S', 'S'),
    (113, 'STROGONOFF DE FRANGO',             'UN', '',  44.90,  44.90, 14.50, 'N', 'N', 'STROGONOFF FRANGO',  'STROGONOFF FRANGO',  1, 2, 13,  0, 'N', 'N', 'S', 'S', 'S'),
    (114, 'COSTELA NO BAFO',                  'UN', '',  69.90,  69.90, 28.00, 'N', 'S', 'COSTELA BAFO',       'COSTELA NO BAFO',    1, 1, 12,  0, 'N', 'N', 'S', 'S', 'S'),
    (201, 'BATATA FRITA',                     'UN', '',  28.00,  28.00,  7.00, 'N', 'N', 'BATATA FRITA',       'BATATA FRITA',       2, 7,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (202, 'MANDIOCA FRITA',                   'UN', '',  26.00,  26.00,  6.00, 'N', 'N', 'MANDIOCA FRITA',     'MANDIOCA FRITA',     2, 7,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (203, 'CALABRESA ACEBOLADA',              'UN', '',  34.00,  34.00, 11.00, 'N', 'N', 'CALABRESA ACEBOL',   'CALABRESA ACEBOLADA',2, 7,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (204, 'PASTEL DE QUEIJO (6 UNIDADES)',    'UN', '',  24.00,  24.00,  6.50, 'N', 'N', 'PASTEL QUEIJO 6UN',  'PASTEL QUEIJO 6UN',  2, 7,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (205, 'BOLINHO DE BACALHAU (8 UNIDADES)', 'UN', '',  39.90,  39.90, 14.00, 'N', 'N', 'BOLINHO BACALHAU',   'BOLINHO BACALHAU',   2, 7,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (206, 'SALADA CAESAR',                    'UN', '',  32.00,  32.00,  9.00, 'N', 'N', 'SALADA CAESAR',      'SALADA CAESAR',      2, 8,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (207, 'CALDO VERDE',                      'UN', '',  18.00,  18.00,  4.50, 'N', 'N', 'CALDO VERDE',        'CALDO VERDE',        2, 8,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (208, 'ARROZ BRANCO',                     'UN', '',  12.00,  12.00,  2.00, 'N', 'N', 'ARROZ BRANCO',       'ARROZ BRANCO',       2, 9,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (209, 'FAROFA DE OVOS',                   'UN', '',  14.00,  14.00,  3.00, 'N', 'N', 'FAROFA OVOS',        'FAROFA DE OVOS',     2, 9,  0,  0, 'N', 'N', 'S', 'N', 'S'),
    (301, 'ÁGUA MINERAL SEM GÁS 500ML',       'UN', '7891234560011',  5.00,  5.00, 1.20, 'S', 'N', 'AGUA SEM GAS',  'AGUA SEM GAS',  3, 10, 21, 48, 'N', 'S', 'N', 'N', 'N'),
    (302, 'ÁGUA MINERAL COM GÁS 500ML',       'UN', '7891234560028',  5.50,  5.50, 1.40, 'S', 'N', 'AGUA COM GAS',  'AGUA COM GAS',  3, 10, 21, 48, 'N', 'S', 'N', 'N', 'N'),
    (303, 'COCA-COLA LATA 350ML',             'UN', '7894900011517',  7.00,  7.00, 2.60, 'S', 'N', 'COCA LATA',     'COCA-COLA LATA',3, 11, 22, 48, 'N', 'S', 'N', 'N', 'N'),
    (304, 'GUARANÁ ANTARCTICA LATA 350ML',    'UN', '7891991000833',  6.50,  6.50, 2.30, 'S', 'N', 'GUARANA LATA',  'GUARANA LATA',  3, 11, 22, 48, 'N', 'S', 'N', 'N', 'N'),
    (305, 'SUCO DE LARANJA NATURAL',          'UN', '',              12.00, 12.00, 3.00, 'N', 'N', 'SUCO LARANJA',  'SUCO LARANJA',  3, 12,  0,  0, 'N', 'S', 'S', 'N', 'S'),
    (306, 'SUCO DE MARACUJÁ',                 'UN', '',              12.00, 12.00, 3.20, 'N', 'N', 'SUCO MARACUJA', 'SUCO MARACUJA', 3, 12,  0,  0, 'N', 'S', 'S', 'N', 'S'),
    (307, 'CERVEJA LONG NECK',                'UN', '7891149103102', 11.00, 11.00, 4.50, 'S', 'N', 'LONG NECK',     'CERVEJA LONG NECK', 3, 13, 23, 72, 'N', 'S', 'N', 'N', 'N'),
    (308, 'CHOPP 300ML',                      'UN', '',              12.90, 12.90, 3.80, 'N', 'N', 'CHOPP 300',     'CHOPP 300ML',   3, 13,  0,  0, 'N', 'S', 'S', 'N', 'S'),
    (309, 'CAIPIRINHA DE LIMÃO',              'UN', '',              19.90, 22.00, 5.00, 'N', 'N', 'CAIPIRINHA LIMAO', 'CAIPIRINHA LIMAO', 3, 14, 0, 0, 'N', 'S', 'S', 'N', 'S'),
    (310, 'VINHO TINTO TAÇA',                 'UN', '',              26.00, 26.00, 9.00, 'S', 'N', 'VINHO TINTO TACA', 'VINHO TINTO TACA', 3, 15, 24, 6, 'N', 'S', 'S', 'N', 'S'),
    (311, 'CAFÉ EXPRESSO',                    'UN', '',               6.00,  6.00, 0.90, 'N', 'N', 'CAFE EXPRESSO', 'CAFE EXPRESSO', 3, 16,  0,  0, 'N', 'S', 'S', 'N', 'S'),
    (312, 'REFRIGERANTE ZERO LATA 350ML',     'UN', '7894900701517',  7.00,  7.00, 2.60, 'S', 'N', 'REFRI ZERO LATA', 'REFRI ZERO LATA', 3, 11, 22, 48, 'N', 'S', 'N', 'N', 'N'),
    (401, 'PUDIM DE LEITE',                   'UN', '',  16.00,  16.00,  3.50, 'N', 'N', 'PUDIM',              'PUDIM DE LEITE',     4, 17,  0,  0, 'S', 'N', 'S', 'N', 'S'),
    (402, 'PETIT GATEAU COM SORVETE',         'UN', '',  29.90,  29.90,  8.00, 'N', 'N', 'PETIT GATEAU',       'PETIT GATEAU',       4, 17,  0,  0, 'S', 'N', 'S', 'N', 'S'),
    (403, 'MOUSSE DE MARACUJÁ',               'UN', '',  15.00,  15.00,  3.00, 'N', 'N', 'MOUSSE MARACUJA',    'MOUSSE MARACUJA',    4, 17,  0,  0, 'S', 'N', 'S', 'N', 'S'),
    (404, 'SORVETE 2 BOLAS',                  'UN', '',  18.00,  18.00,  4.00, 'N', 'N', 'SORVETE 2 BOLAS',    'SORVETE 2 BOLAS',    4, 18,  0,  0, 'S', 'N', 'S', 'N', 'S'),
    (405, 'TORTA DE LIMÃO',                   'UN', '',  17.50,  17.50,  4.20, 'N', 'N', 'TORTA LIMAO',        'TORTA DE LIMAO',     4, 17,  0,  0, 'S', 'N', 'S', 'N', 'S'),
    (406, 'ROMEU E JULIETA',                  'UN', '',  14.00,  14.00,  3.00, 'N', 'N', 'ROMEU E JULIETA',    'ROMEU E JULIETA',    4, 17,  0,  0, 'S', 'N', 'S', 'N', 'S'),
    (407, 'BRIGADEIRO DE COLHER',             'UN', '',   9.00,   9.00,  1.80, 'N', 'N', 'BRIGADEIRO COLHER',  'BRIGADEIRO COLHER',  4, 17,  0,  0, 'S', 'N', 'S', 'N', 'S'),
    -- share of a split account, launched on the receiving positions
    (999999, 'CONTA DIVIDIDA',                'UN', '',   0.00,   0.00,  0.00, 'N', 'N', 'CONTA DIVIDIDA',     'CONTA DIVIDIDA',     0, 0,  0,  0, 'N', 'N', 'N', 'N', 'N');

-- Dinner menu (1); side dishes, coffee, the inactive product and the split
-- share are not on it and are launched with idCardapio/idGrupo 0.
INSERT INTO cad_CardapioProd (idCardapio, idGrupo, idProduto, dataInicio, dataFim, horaInicio, horaFim)
    SELECT 1,
           CASE idGrupoProd WHEN 1 THEN 10 WHEN 2 THEN 20 WHEN 3 THEN 30 ELSE 40 END,
           idProduto, '01/01/2024', '31/12/2099', '11:00', '23:59'
      FROM cad_Produtos
     WHERE inativo <> 'S' AND idProduto NOT IN (208, 209, 311, 999999);

-- ---------------------------------------------------------------------------
-- Tables: 80 tables with positions 01 to 04, all free
-- ---------------------------------------------------------------------------

INSERT INTO mov_Mesa (idMesa, descricao, status, qtdPessoas, idGarcon,
        horaAbertura, idDesconto, descontoManual, operDesc, taxaServico, dividida)
    WITH RECURSIVE mesa(t) AS (SELECT 1 UNION ALL SELECT t + 1 FROM mesa WHERE t < 80),
                   posicao(p) AS (SELECT 1 UNION ALL SELECT p + 1 FROM posicao WHERE p < 4)
    SELECT t * 100 + p,
           CONCAT('Mesa ', LPAD(t, 2, '0'), ' - Posição ', LPAD(p, 2, '0')),
           'F', 0, 0, '00:00:00', 0, 0.00, ' ', 0.00, 'N'
      FROM mesa CROSS JOIN posicao;

-- ---------------------------------------------------------------------------
-- Dinner in progress
-- ---------------------------------------------------------------------------
--  3   0301 open, orders; kitchen: one dish collected, one waiting
--  5   0501 open, main course served, dessert ordered
--  7   0701 open, every kitchen order collected by the waiter
-- 12   1201 and 1202 open (two accounts at one table), one take-away item
-- 15   1501 blocked for closing: table discount, one cancelled item
-- 18   1801 bill requested ('I')
-- 21   2101 just opened, nothing ordered
-- 25   2501 open without service fee, manual discount

UPDATE mov_Mesa SET status = 'A', qtdPessoas = 4, idGarcon = 4,
       horaAbertura = '19:30:00', taxaServico = 10.00 WHERE idMesa = 301;
UPDATE mov_Mesa SET status = 'A', qtdPessoas = 2, idGarcon = 5,
       horaAbertura = '19:45:00', taxaServico = 10.00 WHERE idMesa = 501;
UPDATE mov_Mesa SET status = 'A', qtdPessoas = 3, idGarcon = 6,
       horaAbertura = '20:00:00', taxaServico = 10.00 WHERE idMesa = 701;
UPDATE mov_Mesa SET status = 'A', qtdPessoas = 2, idGarcon = 8,
       horaAbertura = '20:10:00', taxaServico = 10.00 WHERE idMesa = 1201;
UPDATE mov_Mesa SET status = 'A', qtdPessoas = 2, idGarcon = 8,
       horaAbertura = '20:12:00', taxaServico = 10.00 WHERE idMesa = 1202;
UPDATE mov_Mesa SET status = 'B', qtdPessoas = 5, idGarcon = 11,
       horaAbertura = '19:00:00', idDesconto = 5, operDesc = 'MARIANA SOUZA',
       taxaServico = 10.00 WHERE idMesa = 1501;
UPDATE mov_Mesa SET status = 'I', qtdPessoas = 2, idGarcon = 13,
       horaAbertura = '19:15:00', taxaServico = 10.00 WHERE idMesa = 1801;
UPDATE mov_Mesa SET status = 'A', qtdPessoas = 2, idGarcon = 15,
       horaAbertura = '20:45:00', taxaServico = 10.00 WHERE idMesa = 2101;
UPDATE mov_Mesa SET status = 'A', qtdPessoas = 1, idGarcon = 9,
       horaAbertura = '20:25:00', descontoManual = 5.00, operDesc = 'ANDRE MARTINS',
       taxaServico = 0.00 WHERE idMesa = 2501;

-- Items carry fixed ids so that observations and kitchen records can point
-- at them; new items continue numbering after the highest.
INSERT INTO mov_MesaItem (idItem, idMesa, idCardapio, idGrupo, idProduto,
        valorUnitario, idOperador, status, idComanda, horaPedido, produzido,
        idMotivoCanc, idOpeCanc, idDesconto, descontoManual, operDesc, viagem,
        operBaixa, reservado) VALUES
    -- table 3
    ( 1,  301, 1, 10, 101, 89.90,  4, 'E',   1001, '19:35:12', 'N', 0, 0, 0, 0.00, '',             'N', 'JOAO PEREIRA',   ''),
    ( 2,  301, 1, 20, 201, 28.00,  4, 'E',   1001, '19:35:12', 'N', 0, 0, 0, 0.00, '',             'N', 'JOAO PEREIRA',   ''),
    ( 3,  301, 1, 30, 303,  7.00,  4, 'E',   1001, '19:35:12', 'N', 0, 0, 0, 0.00, '',             'N', 'JOAO PEREIRA',   ''),
    ( 4,  301, 1, 30, 303,  7.00,  4, 'E',   1001, '19:35:12', 'N', 0, 0, 0, 0.00, '',             'N', 'JOAO PEREIRA',   ''),
    ( 5,  301, 1, 30, 308, 12.90,  4, 'I', 999999, '20:05:40', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    ( 6,  301, 1, 30, 308, 12.90,  4, 'I', 999999, '20:05:40', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    -- table 5
    ( 7,  501, 1, 10, 104, 74.90,  5, 'E',   1002, '19:50:03', 'N', 0, 0, 0, 0.00, '',             'N', 'ANTONIO SILVA',  ''),
    ( 8,  501, 1, 10, 107, 82.50,  5, 'E',   1002, '19:50:03', 'N', 0, 0, 0, 0.00, '',             'N', 'ANTONIO SILVA',  ''),
    ( 9,  501, 1, 30, 310, 26.00,  5, 'E',   1002, '19:50:03', 'N', 0, 0, 0, 0.00, '',             'N', 'ANTONIO SILVA',  ''),
    (10,  501, 1, 30, 310, 26.00,  5, 'E',   1002, '19:50:03', 'N', 0, 0, 0, 0.00, '',             'N', 'ANTONIO SILVA',  ''),
    (11,  501, 1, 40, 402, 29.90,  5, 'I', 999999, '20:55:10', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    (12,  501, 1, 40, 401, 16.00,  5, 'I', 999999, '20:55:10', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    -- table 7 (the parmegiana has a VIP discount)
    (13,  701, 1, 10, 105, 59.90,  6, 'E',   1003, '20:04:30', 'N', 0, 0, 0, 0.00, '',             'N', 'CARLOS OLIVEIRA', ''),
    (14,  701, 1, 10, 105, 59.90,  6, 'E',   1003, '20:04:30', 'N', 0, 0, 0, 0.00, '',             'N', 'CARLOS OLIVEIRA', ''),
    (15,  701, 1, 10, 109, 54.90,  6, 'E',   1003, '20:04:30', 'N', 0, 0, 3, 0.00, 'ROBERTO LIMA', 'N', 'CARLOS OLIVEIRA', ''),
    (16,  701, 1, 30, 309, 19.90,  6, 'E',   1003, '20:04:30', 'N', 0, 0, 0, 0.00, '',             'N', 'CARLOS OLIVEIRA', ''),
    (17,  701, 1, 30, 305, 12.00,  6, 'E',   1003, '20:04:30', 'N', 0, 0, 0, 0.00, '',             'N', 'CARLOS OLIVEIRA', ''),
    (18,  701, 1, 30, 301,  5.00,  6, 'I', 999999, '20:40:00', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    -- table 12, position 01
    (19, 1201, 1, 10, 112, 38.50,  8, 'I',   1004, '20:15:00', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    (20, 1201, 1, 20, 201, 28.00,  8, 'I',   1004, '20:15:00', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    (21, 1201, 1, 30, 304,  6.50,  8, 'I',   1004, '20:15:00', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    -- table 12, position 02 (the lasanha is to take away)
    (22, 1202, 1, 10, 113, 44.90,  8, 'I',   1005, '20:16:30', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    (23, 1202, 1, 30, 306, 12.00,  8, 'I',   1005, '20:16:30', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    (24, 1202, 1, 10, 108, 46.90,  8, 'I', 999999, '20:20:00', 'N', 0, 0, 0, 0.00, '',             'S', '',               ''),
    -- table 15 (one beer cancelled: launched twice by mistake)
    (25, 1501, 1, 10, 106, 98.00, 11, 'E',   1006, '19:08:00', 'N', 0, 0, 0, 0.00, '',             'N', 'MARCOS GOMES',   ''),
    (26, 1501, 0,  0, 208, 12.00, 11, 'E',   1006, '19:08:00', 'N', 0, 0, 0, 0.00, '',             'N', 'MARCOS GOMES',   ''),
    (27, 1501, 0,  0, 209, 14.00, 11, 'E',   1006, '19:08:00', 'N', 0, 0, 0, 0.00, '',             'N', 'MARCOS GOMES',   ''),
    (28, 1501, 1, 30, 307, 11.00, 11, 'E',   1006, '19:08:00', 'N', 0, 0, 0, 0.00, '',             'N', 'MARCOS GOMES',   ''),
    (29, 1501, 1, 30, 307, 11.00, 11, 'E',   1006, '19:08:00', 'N', 0, 0, 0, 0.00, '',             'N', 'MARCOS GOMES',   ''),
    (30, 1501, 1, 30, 307, 11.00, 11, 'C',   1006, '19:08:00', 'N', 1, 1, 0, 0.00, '',             'N', '',               ''),
    (31, 1501, 1, 30, 309, 19.90, 11, 'E',   1006, '19:08:00', 'N', 0, 0, 0, 0.00, '',             'N', 'MARCOS GOMES',   ''),
    (32, 1501, 1, 40, 401, 16.00, 11, 'E',   1007, '20:10:00', 'N', 0, 0, 0, 0.00, '',             'N', 'MARCOS GOMES',   ''),
    -- table 18
    (33, 1801, 1, 10, 102, 79.90, 13, 'E',   1008, '19:20:00', 'N', 0, 0, 0, 0.00, '',             'N', 'FERNANDA ROCHA', ''),
    (34, 1801, 1, 10, 103, 42.90, 13, 'E',   1008, '19:20:00', 'N', 0, 0, 0, 0.00, '',             'N', 'FERNANDA ROCHA', ''),
    (35, 1801, 1, 30, 302,  5.50, 13, 'E',   1008, '19:20:00', 'N', 0, 0, 0, 0.00, '',             'N', 'FERNANDA ROCHA', ''),
    (36, 1801, 0,  0, 311,  6.00, 13, 'I', 999999, '20:30:00', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    -- table 25
    (37, 2501, 1, 10, 111, 36.90,  9, 'I',   1009, '20:28:00', 'N', 0, 0, 0, 0.00, '',             'N', '',               ''),
    (38, 2501, 1, 30, 301,  5.00,  9, 'I',   1009, '20:28:00', 'N', 0, 0, 0, 0.00, '',             'N', '',               '');

INSERT INTO mov_MesaItemObs (idItemObs, idItem, idObs, idMesa, tipo) VALUES
    ( 1,  1, 13,  301, 'O'),   -- picanha ao ponto
    ( 2,  7,  1,  501, 'S'),   -- salmão sem cebola
    ( 3,  8,  3,  501, 'C'),   -- risoto com queijo (+3,50)
    ( 4, 12, 19,  501, 'C'),   -- pudim com calda (+3,00)
    ( 5, 13, 16,  701, 'S'),   -- feijoada sem farofa (-2,00)
    ( 6, 15, 12,  701, 'O'),   -- parmegiana bem passada
    ( 7, 16,  9,  701, 'S'),   -- caipirinha sem açúcar
    ( 8, 17,  7,  701, 'S'),   -- suco sem gelo
    ( 9, 19,  2, 1201, 'C'),   -- hambúrguer com bacon (+4,00)
    (10, 19,  5, 1201, 'S'),   -- ... e sem tomate
    (11, 24, 18, 1202, 'O'),   -- lasanha para viagem (+2,00)
    (12, 25, 11, 1501, 'O'),   -- moqueca com molho à parte
    (13, 33, 14, 1801, 'O'),   -- filé mal passado
    (14, 34, 15, 1801, 'S'),   -- frango sem arroz (-4,00)
    (15, 36, 99, 1801, 'O'),   -- café "Já"
    (16, 37, 20, 2501, 'O');   -- espaguete sem glúten

-- Kitchen records of the dishes (drinks go through the bar and have none).
-- idPedMesa is the table number.
INSERT INTO mov_Cozinha (idItem, tipo, idPedMesa, idProduto, descricao,
        hrPedido, quantidade, hrPronto, situacao, impresso, idCozinheiro,
        baixaGarHora, baixaGarOper, hrEntrega, idComanda) VALUES
    -- table 3: picanha collected, fries ready and still at the pass
    ( 1, 'M',  3, 101, 'PICANHA CHAPA',     '19:35:12', 1, '19:58:40', 'P', 'S', 1, '20:01:05', 'JOAO PEREIRA',    '20:02:30',   1001),
    ( 2, 'M',  3, 201, 'BATATA FRITA',      '19:35:12', 1, '19:49:10', 'P', 'S', 2, '00:00:00', '',                '00:00:00',   1001),
    -- table 5: main course collected, desserts not ready yet
    ( 7, 'M',  5, 104, 'SALMAO GRELHADO',   '19:50:03', 1, '20:12:00', 'P', 'S', 1, '20:13:20', 'ANTONIO SILVA',   '20:14:00',   1002),
    ( 8, 'M',  5, 107, 'RISOTO CAMARAO',    '19:50:03', 1, '20:15:30', 'P', 'S', 1, '20:16:10', 'ANTONIO SILVA',   '20:17:00',   1002),
    (11, 'M',  5, 402, 'PETIT GATEAU',      '20:55:10', 1, '00:00:00', 'R', 'S', 3, '00:00:00', '',                '00:00:00', 999999),
    (12, 'M',  5, 401, 'PUDIM',             '20:55:10', 1, '00:00:00', 'R', 'S', 3, '00:00:00', '',                '00:00:00', 999999),
    -- table 7: everything collected
    (13, 'M',  7, 105, 'FEIJOADA',          '20:04:30', 1, '20:10:00', 'P', 'S', 2, '20:11:30', 'CARLOS OLIVEIRA', '20:12:10',   1003),
    (14, 'M',  7, 105, 'FEIJOADA',          '20:04:30', 1, '20:10:00', 'P', 'S', 2, '20:11:30', 'CARLOS OLIVEIRA', '20:12:10',   1003),
    (15, 'M',  7, 109, 'PARMEGIANA CARNE',  '20:04:30', 1, '20:26:45', 'P', 'S', 1, '20:28:00', 'CARLOS OLIVEIRA', '20:29:15',   1003),
    -- table 12: orders received, nothing ready
    (19, 'M', 12, 112, 'HAMBURGUER CASA',   '20:15:00', 1, '00:00:00', 'R', 'S', 1, '00:00:00', '',                '00:00:00',   1004),
    (20, 'M', 12, 201, 'BATATA FRITA',      '20:15:00', 1, '00:00:00', 'R', 'S', 2, '00:00:00', '',                '00:00:00',   1004),
    (22, 'M', 12, 113, 'STROGONOFF FRANGO', '20:16:30', 1, '00:00:00', 'R', 'S', 1, '00:00:00', '',                '00:00:00',   1005),
    (24, 'M', 12, 108, 'LASANHA BOLONHESA', '20:20:00', 1, '00:00:00', 'R', 'S', 2, '00:00:00', '',                '00:00:00', 999999),
    -- table 15: served
    (25, 'M', 15, 106, 'MOQUECA PEIXE',     '19:08:00', 1, '19:40:00', 'P', 'S', 1, '19:42:10', 'MARCOS GOMES',    '19:43:00',   1006),
    (26, 'M', 15, 208, 'ARROZ BRANCO',      '19:08:00', 1, '19:30:00', 'P', 'S', 2, '19:42:10', 'MARCOS GOMES',    '19:43:00',   1006),
    (27, 'M', 15, 209, 'FAROFA OVOS',       '19:08:00', 1, '19:31:00', 'P', 'S', 2, '19:42:10', 'MARCOS GOMES',    '19:43:00',   1006),
    (32, 'M', 15, 401, 'PUDIM',             '20:10:00', 1, '20:12:00', 'P', 'S', 3, '20:13:00', 'MARCOS GOMES',    '20:13:30',   1007),
    -- table 18: served
    (33, 'M', 18, 102, 'FILE MADEIRA',      '19:20:00', 1, '19:41:00', 'P', 'S', 1, '19:42:30', 'FERNANDA ROCHA',  '19:43:10',   1008),
    (34, 'M', 18, 103, 'FRANGO GRELHADO',   '19:20:00', 1, '19:38:00', 'P', 'S', 1, '19:42:30', 'FERNANDA ROCHA',  '19:43:10',   1008),
    -- table 25: ready, waiting at the pass
    (37, 'M', 25, 111, 'ESPAGUETE SUGO',    '20:28:00', 1, '20:44:00', 'P', 'S', 2, '00:00:00', '',                '00:00:00',   1009),
    -- a counter take-away order (its own numbering) whose number happens to
    -- be 7; only table records ('M') count for table 7
    (900001, 'V', 7, 112, 'HAMBURGUER CASA',  '20:31:00', 1, '00:00:00', 'R', 'S', 1, '00:00:00', '',                '00:00:00',      0);
