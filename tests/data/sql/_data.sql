-- Small data set shared by the SQL tests (included with \ir inside their transaction).
-- Ids from 900001 and dates in 2031 keep it apart from whatever else the test database holds.
INSERT INTO cmn_contractor.person (id, s_code, s_caption, b_employee) VALUES
    (900001, '9001', 'Тестов Первый', true),
    (900002, '9002', 'Тестов Второй', true),
    (900003, '9003', 'Тестов Третий', true),
    (900004, '9004', 'Тестов Четвёртый', true);

INSERT INTO accounts_dep.izdel (id, marka, nom, massa) VALUES
    (900001, 'ТСТ-1', 'Тестовое изделие', 1.5),
    (900002, 'ТСТ-2', 'Тестовое изделие без операций', 2);
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES
    (900001, 'Тестовая резка'),
    (900002, 'Тестовая покраска');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES
    (900001, 900001, 0, 900001, 2),
    (900002, 900002, 0, 900001, 1);
INSERT INTO accounts_dep.norm (id, o_id, norma, prize, price) VALUES
    (900001, 900001, 100, 0, 2),
    (900002, 900001, 150, 10, 1.75);

-- Requisition 900001 (№ ТСТ-77 of 14.05.2031) asks for 40 pieces of product 900001.
INSERT INTO cmn_gds.gds (id, s_gds_mc, s_caption, s_unit) VALUES
    (900001, 'ТСТ-1', 'Тестовое изделие', 'шт.'),
    (901001, 'ТЛ-1', 'Тестовый лист', 'кг'),
    (901002, 'ТКР-1', 'Тестовая краска серая', 'кг');
INSERT INTO stk_stock.stock (id, s_caption) VALUES (900001, 'Тестовый склад');
INSERT INTO mnf_doc.doc (id, s_number, d_date, id_type, id_stock_from) VALUES
    (900001, 'ТСТ-77', '2031-05-14', 1, 900001);
INSERT INTO cmn_doc.doc (id, id_reference, id_type) VALUES (900101, 900001, 1);
INSERT INTO mnf_doc.doc_item (id, id_doc, n_pos, id_gds, f_qty) VALUES
    (900011, 900001, 1, 900001, 40);
INSERT INTO mnf_operation.operation (id, id_gds_from, id_gds_to, id_operation_type, n_count,
                                     f_qty_from) VALUES
    (900001, 901001, 900001, 1, 1, 0.25);

-- Whatever rows the C++ tests left with ids of their own, new rows here take numbers after them.
DO $$
BEGIN
    PERFORM setval('accounts_dep.smena_id_seq',
                   greatest((SELECT max(id) FROM accounts_dep.smena), 1));
    PERFORM setval('accounts_dep.smena_gds_use_id_seq',
                   greatest((SELECT max(id) FROM accounts_dep.smena_gds_use), 1));
    PERFORM setval('accounts_dep.h_tabel_id_seq',
                   greatest((SELECT max(id) FROM accounts_dep.h_tabel), 1));
    PERFORM setval('accounts_dep.person_temp_id_seq',
                   greatest((SELECT max(id) FROM accounts_dep.person_temp)::bigint, 1));
END
$$;
