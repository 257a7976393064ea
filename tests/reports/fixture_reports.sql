-- Period reports fixture, loaded over the base fixture: April 2026 (01.04.2026 to 01.05.2026).
--   id  date        worker       product oper          cena kol_vo brak color prize doc
--   101 2026-04-10  101 Иванов   КР-1    1 Резка        10   100    0    0     10    1 (№ 15)
--   102 2026-04-01  103 Петров   КР-2    3 Покраска     0.5  200    0    3020  0     2 (№ 16)
--   103 2026-04-20  103 Петров   ПР-1    4 Гибка 'Г'    2    10     1    1     0     2
--   104 2026-04-30  999 (none)   КР-1    2 Сварка       3    5      0    0     0     2
--   105 2026-04-15  102 Ивашов   КР-1    1 Резка        1    7      0    0     0     0 (none)
--   106 2026-05-01  102 Ивашов   КР-1    1 Резка        1    1000   0    0     0     1 (the "по" day)
-- Иванов earns 1000,00 with a premium of 100,00; worker 999 has no person; Петров has two
-- products; requisitions 15 and 16 follow each other with the same product КР-1.
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color,
                                time, ok, prize, id_doc, id_doc_item) VALUES
    (101, '2026-04-10', 1, 101, 1, 1, 10, 100, 0, 0, 8, 'no', 10, 1, 11),
    (102, '2026-04-01', 1, 103, 2, 3, 0.5, 200, 0, 3020, 8, 'no', 0, 2, 13),
    (103, '2026-04-20', 1, 103, 3, 4, 2, 10, 1, 1, 8, 'no', 0, 2, 13),
    (104, '2026-04-30', 1, 999, 1, 2, 3, 5, 0, 0, 8, 'no', 0, 2, 13),
    (105, '2026-04-15', 2, 102, 1, 1, 1, 7, 0, 0, 8, 'no', 0, 0, 0),
    (106, '2026-05-01', 1, 102, 1, 1, 1, 1000, 0, 0, 8, 'no', 0, 1, 11);
-- Their hours (h_tabel, the entries' time): April 101/1 d10=8, 103/1 d1=8 d20=8, 102/2 d15=8,
-- 999/1 d30=8; May 102/1 d1=8.
INSERT INTO accounts_dep.h_tabel (id, w_id, smena, month, year, d1, d10, d15, d20, d30) VALUES
    (201, 101, 1, 4, 2026, 0, 8, 0, 0, 0),
    (202, 103, 1, 4, 2026, 8, 0, 0, 8, 0),
    (203, 102, 2, 4, 2026, 0, 0, 8, 0, 0),
    (204, 999, 1, 4, 2026, 0, 0, 0, 0, 8),
    (205, 102, 1, 5, 2026, 8, 0, 0, 0, 0);
-- New rows, those of the SQL tests too, continue after the ids above.
SELECT setval('accounts_dep.smena_id_seq', (SELECT max(id) FROM accounts_dep.smena));
SELECT setval('accounts_dep.h_tabel_id_seq', (SELECT max(id) FROM accounts_dep.h_tabel));
