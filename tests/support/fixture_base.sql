-- Base fixture of the C++ tests: empties the program's relations and the plant stand-in, then
-- loads a small known data set. Applied before each suite; safe to apply again.
--
-- Working date 2026-03-02 (a Monday), month 3, year 2026. Ids are fixed; sequences continue
-- after the highest id.
--
-- Persons (cmn_contractor.person; worker code = s_code):
--   id 1 '101' 'Иванов Иван Иванович'    Слесарь-сборщик
--   id 2 '102' 'Ивашов Пётр'             Электросварщик
--   id 3 '103' 'Петров Пётр Петрович'    Маляр
--   id 4 '104' '  Сидоров С.С. '         Резчик металла (blanks kept)
--   id 5 '105' 'Д''Артаньян Шарль'       Электросварщик
--   id 6 '106' 'Кузнецова Анна Сергеевна' no current position (movement ended 2020-12-31)
--   id 7 ' 107 ' 'Орлов Олег Олегович'   code with blanks (reads as 107), no entries
--   id 8 NULL  'ООО "Металлснаб"'        not an employee
--   The lists join people through accounts_dep.v_worker, which leaves out non-numeric codes
--   and keeps one person per code.
--
-- Products (izdel) = goods 1..4:  1 'КР-1' Кронштейн 1.25   2 'КР-2' Кронштейн усиленный 2.5
--                                 3 'ПР-1' Профиль 0.75     4 ' ТР-1 ' Труба 3.125
-- Materials (goods): 1001 'Лист стальной 2 мм' кг, 1002 'Проволока сварочная 1,2 мм' кг,
--                    1003 'Порошковая краска RAL 9005' кг
-- Operation kinds (vid_oper): 1 'Резка', 2 'Сварка', 3 'Покраска', 4 'Гибка ''Г'''
-- Operations (oper: id kind naimen product -> norms norma/prize/price):
--   1 Резка    0 КР-1   -> 100/0/1.5, 150/10/1.25          (listed cena 1.25, norma 2)
--   2 Сварка   1 КР-1   -> 50/0/3                          (Заготовки)
--   3 Покраска 0 КР-2   -> 200/0/0.5
--   4 Гибка 'Г' 0 ПР-1  -> 80/0/2, 120/5/1.8, 160/10/1.6   (listed cena 1.6, norma 3)
--   5 Резка    0  ТР-1  -> no norms, so not in the operations list
--   6 Сварка   0 КР-2   -> 60/0/1.03125
-- Requisitions (mnf_doc.doc, all issue from stock 1 'Центральный склад'):
--   1 № 15 от 20.02.2026 (cmn_doc 101): items 11 КР-1 f_qty 100, 12 ПР-1 f_qty 50
--   2 № 16 от 25.02.2026 (cmn_doc 102): items 13 КР-2 f_qty 5, 14  ТР-1  f_qty 0
-- Stock of goods 1001 at stock 1: free 10, reserved 2.5 for requisition 1 item 11; goods 1003
-- free 4. Consumption norms (mnf_operation): 1001->КР-1 0.25, 1002->КР-1 0.02, 1003->КР-2 0.05.
-- Consignments: 1 № 77 (goods 1001), 2 № 78 (goods 1003).
--
-- Entries (smena), date 2026-03-02 unless noted:
--   id shift worker product oper  cena    kol_vo brak time ok    doc/item  materials
--   1  1     101    КР-1    1     1.25    100    2    4    'no'  1/11
--   2  1     101    КР-1    2     3       10     0    4    'ok'  1/11      1001: 2.5
--   3  1     103    КР-2    3     0.5     200    0    8    'да'  2/13      1003: 10  color 9005
--   4  1     104    ПР-1    4     1.6     12.5   1    8    NULL  1/12      (in no shift list)
--   5  1     105    ПР-1    4     1.6     30     0    8    'ta'  1/12      (in no shift list)
--   6  2     102    КР-1    1     1.25    40     0    8    'no'  1/11
--   7  3     106    КР-2    6     1.2375  30     0    8    'no'  0/0
--   8  4     101    КР-1    1     1.875   20     0    2    'no'  0/0
--   9  1     102    КР-1    1     1.25    16     0    8    'no'  1/11      date 2026-03-03
-- Hours (h_tabel, month 3 year 2026; the sum of the entries' time):
--   101/1 d2=8, 103/1 d2=8, 104/1 d2=8, 105/1 d2=8, 102/2 d2=8, 106/3 d2=8, 101/4 d2=2,
--   102/1 d3=8
-- accounts_dep.ver is left empty.

TRUNCATE accounts_dep.smena_gds_use, accounts_dep.person_temp, accounts_dep.smena,
         accounts_dep.h_tabel, accounts_dep.norm, accounts_dep.oper, accounts_dep.vid_oper,
         accounts_dep.izdel, accounts_dep.ver, accounts_dep.month_close,
         accounts_dep.month_close_history,
         cmn_contractor.person, hrms_staffpos.staffpos, hrms_movement.movement, cmn_gds.gds,
         stk_stock.stock, stk_consignment.consignment, stk_remainder.remainder,
         mnf_doc.doc, mnf_doc.doc_item, cmn_doc.doc, mnf_operation.operation
    RESTART IDENTITY CASCADE;

INSERT INTO cmn_contractor.person (id, s_code, s_caption, b_employee) VALUES
    (1, '101', 'Иванов Иван Иванович', true),
    (2, '102', 'Ивашов Пётр', true),
    (3, '103', 'Петров Пётр Петрович', true),
    (4, '104', '  Сидоров С.С. ', true),
    (5, '105', 'Д''Артаньян Шарль', true),
    (6, '106', 'Кузнецова Анна Сергеевна', true),
    (7, ' 107 ', 'Орлов Олег Олегович', true),
    (8, NULL, 'ООО "Металлснаб"', false);

INSERT INTO hrms_staffpos.staffpos (id, s_caption) VALUES
    (1, 'Слесарь-сборщик'), (2, 'Электросварщик'), (3, 'Маляр'), (4, 'Резчик металла');

INSERT INTO hrms_movement.movement (id, id_employee, id_staffpos, d_begin, d_end) VALUES
    (1, 1, 1, '2020-01-01', NULL),
    (2, 2, 2, '2020-01-01', NULL),
    (3, 3, 3, '2020-01-01', NULL),
    (4, 4, 4, '2020-01-01', NULL),
    (5, 5, 2, '2020-01-01', NULL),
    (6, 6, 1, '2019-01-01', '2020-12-31'),
    (7, 7, 1, '2020-01-01', NULL);

INSERT INTO accounts_dep.izdel (id, marka, nom, massa) VALUES
    (1, 'КР-1', 'Кронштейн', 1.25),
    (2, 'КР-2', 'Кронштейн усиленный', 2.5),
    (3, 'ПР-1', 'Профиль', 0.75),
    (4, ' ТР-1 ', 'Труба', 3.125);

INSERT INTO cmn_gds.gds (id, s_gds_mc, s_caption, s_unit) VALUES
    (1, 'КР-1', 'Кронштейн', 'шт.'),
    (2, 'КР-2', 'Кронштейн усиленный', 'шт.'),
    (3, 'ПР-1', 'Профиль', 'шт.'),
    (4, 'ТР-1', 'Труба', 'шт.'),
    (1001, 'ЛСТ-2', 'Лист стальной 2 мм', 'кг'),
    (1002, 'ПРВ-12', 'Проволока сварочная 1,2 мм', 'кг'),
    (1003, 'ПК-9005', 'Порошковая краска RAL 9005', 'кг');

INSERT INTO accounts_dep.vid_oper (id, vid) VALUES
    (1, 'Резка'), (2, 'Сварка'), (3, 'Покраска'), (4, 'Гибка ''Г''');

INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena, cena_new, i_id_old) VALUES
    (1, 1, 0, 1, 1.5, 1.5, NULL),
    (2, 2, 1, 1, 3, 3, NULL),
    (3, 3, 0, 2, 0.5, 0.5, NULL),
    (4, 4, 0, 3, 2, 2, NULL),
    (5, 1, 0, 4, NULL, 4, NULL),
    (6, 2, 0, 2, NULL, 1.03125, NULL);

INSERT INTO accounts_dep.norm (id, o_id, norma, prize, price) VALUES
    (1, 1, 100, 0, 1.5),
    (2, 1, 150, 10, 1.25),
    (3, 2, 50, 0, 3),
    (4, 3, 200, 0, 0.5),
    (5, 4, 80, 0, 2),
    (6, 4, 120, 5, 1.8),
    (7, 4, 160, 10, 1.6),
    (8, 6, 60, 0, 1.03125);

INSERT INTO stk_stock.stock (id, s_caption) VALUES (1, 'Центральный склад');

INSERT INTO mnf_doc.doc (id, s_number, d_date, id_type, id_stock_from) VALUES
    (1, '15', '2026-02-20', 1, 1),
    (2, '16', '2026-02-25', 1, 1);
INSERT INTO cmn_doc.doc (id, id_reference, id_type) VALUES (101, 1, 1), (102, 2, 1);
INSERT INTO mnf_doc.doc_item (id, id_doc, n_pos, id_gds, f_qty) VALUES
    (11, 1, 1, 1, 100),
    (12, 1, 2, 3, 50),
    (13, 2, 1, 2, 5),
    (14, 2, 2, 4, 0);

INSERT INTO stk_consignment.consignment (id, id_gds, id_stock, s_number, d_date) VALUES
    (1, 1001, 1, '77', '2026-01-10'),
    (2, 1003, 1, '78', '2026-01-12');
INSERT INTO stk_remainder.remainder
    (id, id_stock, id_gds, id_cons, f_qty, id_reserved_doc, id_reserved_doc_item) VALUES
    (1, 1, 1001, 1, 10, NULL, NULL),
    (2, 1, 1001, 1, 2.5, 101, 11),
    (3, 1, 1003, 2, 4, NULL, NULL);

INSERT INTO mnf_operation.operation
    (id, id_gds_from, id_gds_to, id_operation_type, n_count, f_qty_from) VALUES
    (1, 1001, 1, 1, 1, 0.25),
    (2, 1002, 1, 2, 1, 0.02),
    (3, 1003, 2, 3, 1, 0.05);

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color,
                                time, ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use,
                                id_gds_use, id_cons_use) VALUES
    (1, '2026-03-02', 1, 101, 1, 1, 1.25, 100, 2, 0, 4, 'no', '2026-03-02', 0, 1, 11, 0, 0, 0),
    (2, '2026-03-02', 1, 101, 1, 2, 3, 10, 0, 0, 4, 'ok', '2026-03-02', 0, 1, 11, 0, 0, 0),
    (3, '2026-03-02', 1, 103, 2, 3, 0.5, 200, 0, 9005, 8, 'да', '2026-03-02', 0, 2, 13, 0, 0, 0),
    (4, '2026-03-02', 1, 104, 3, 4, 1.6, 12.5, 1, 0, 8, NULL, '2026-03-02', 0, 1, 12, 0, 0, 0),
    (5, '2026-03-02', 1, 105, 3, 4, 1.6, 30, 0, 0, 8, 'ta', '2026-03-02', 0, 1, 12, 0, 0, 0),
    (6, '2026-03-02', 2, 102, 1, 1, 1.25, 40, 0, 0, 8, 'no', '2026-03-02', 0, 1, 11, 0, 0, 0),
    (7, '2026-03-02', 3, 106, 2, 6, 1.2375, 30, 0, 0, 8, 'no', '2026-03-03', 0, 0, 0, 0, 0, 0),
    (8, '2026-03-02', 4, 101, 1, 1, 1.875, 20, 0, 0, 2, 'no', '2026-03-02', 0, 0, 0, 0, 0, 0),
    (9, '2026-03-03', 1, 102, 1, 1, 1.25, 16, 0, 0, 8, 'no', '2026-03-03', 0, 1, 11, 0, 0, 0);

INSERT INTO accounts_dep.smena_gds_use (id, id_smena, id_gds_use, f_qty_use, id_cons_use) VALUES
    (1, 2, 1001, 2.5, NULL),
    (2, 3, 1003, 10, NULL);

INSERT INTO accounts_dep.h_tabel (id, w_id, smena, month, year, d2, d3) VALUES
    (1, 101, 1, 3, 2026, 8, 0),
    (2, 103, 1, 3, 2026, 8, 0),
    (3, 104, 1, 3, 2026, 8, 0),
    (4, 105, 1, 3, 2026, 8, 0),
    (5, 102, 2, 3, 2026, 8, 0),
    (6, 106, 3, 3, 2026, 8, 0),
    (7, 101, 4, 3, 2026, 2, 0),
    (8, 102, 1, 3, 2026, 0, 8);

DO $$
BEGIN
    PERFORM setval('accounts_dep.izdel_id_seq', 4);
    PERFORM setval('accounts_dep.vid_oper_id_seq', 4);
    PERFORM setval('accounts_dep.oper_id_seq', 6);
    PERFORM setval('accounts_dep.norm_id_seq', 8);
    PERFORM setval('accounts_dep.smena_id_seq', 9);
    PERFORM setval('accounts_dep.smena_gds_use_id_seq', 2);
    PERFORM setval('accounts_dep.h_tabel_id_seq', 8);
    PERFORM setval('accounts_dep.person_temp_id_seq', 1, false);
END
$$;
