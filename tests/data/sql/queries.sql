-- The program's statements over the views, functions and plant relations.
BEGIN;
\ir _data.sql

INSERT INTO stk_consignment.consignment (id, id_gds, id_stock, s_number, d_date) VALUES
    (900001, 901001, 900001, 'П-5', '2031-04-01');
INSERT INTO stk_remainder.remainder (id, id_stock, id_gds, id_cons, f_qty, id_reserved_doc,
                                     id_reserved_doc_item) VALUES
    (900001, 900001, 901001, 900001, 10, NULL, NULL),
    (900002, 900001, 901001, 900001, 2.5, 900101, 900011),
    (900003, 900002, 901001, NULL, 100, NULL, NULL);
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok,
                                id_doc, id_doc_item) VALUES
    (900101, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 1, 8, 'no', 900001, 900011),
    (900102, '2031-05-14', 1, 9002, 900001, 900001, 2, 10, 0, 8, 'ok', 0, 0),
    (900103, '2031-05-14', 1, 9003, 900001, 900001, 2, 10, 0, 8, 'да', 0, 0),
    (900104, '2031-05-14', 1, 9004, 900001, 900001, 2, 10, 0, 8, 'ta', 0, 0),
    (900105, '2031-05-14', 1, 9004, 900001, 900001, 2, 10, 0, 8, NULL, 0, 0),
    (900106, '2031-05-14', 2, 9001, 900001, 900002, 1, 5, 0, 4, 'no', 900001, 900011);
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use, id_cons_use) VALUES
    (900101, 901001, 2.5, NULL),
    (900102, 901001, 1, 900001);

-- Shift list of shift 1: 'ta' and a NULL mark are left out.
DO $$
BEGIN
    ASSERT (SELECT array_agg(smena.id ORDER BY smena.id)
            FROM cmn_contractor.person person, accounts_dep.izdel, accounts_dep.oper,
                 accounts_dep.smena, accounts_dep.vid_oper
            WHERE smena.i_id = izdel.id AND smena.o_id = oper.id
              AND w_id = person.s_code::t_integer AND oper.vid = vid_oper.id
              AND smena.smena = 1 AND smena.data = '2031-05-14' AND ok != 'ta')
         = ARRAY[900101, 900102, 900103];
END
$$;

-- Operations list: only operations with norms, with their number and lowest price.
DO $$
BEGIN
    ASSERT (SELECT array_agg((id, norma, cena)::text) FROM (
                SELECT oper.id, count(o_id) norma, min(price)::numeric cena
                FROM accounts_dep.norm, accounts_dep.OPER, accounts_dep.IZDEL, accounts_dep.VID_OPER
                WHERE OPER.i_id = IZDEL.id AND norm.o_id = oper.id AND oper.vid = vid_oper.id
                  AND izdel.id = 900001
                GROUP BY izdel.MARKA, vid_oper.VID, oper.NAIMEN, oper.id, oper.i_id, oper.VID) o)
         = ARRAY['(900001,2,1.75)'];
END
$$;

-- Requisition views and the entry's item.
DO $$
BEGIN
    ASSERT (SELECT s_caption FROM accounts_dep.v_mnf_requisition WHERE id = 900001)
         = 'Заявка № ТСТ-77 от 14.05.2031';
    ASSERT (SELECT (id_doc, id_gds, f_qty, s_gds_mc)::text FROM accounts_dep.v_mnf_requisition_item
            WHERE id = 900011) = '(900001,900001,40,900001)';
    ASSERT (SELECT s_caption FROM accounts_dep.v_mnf_requisition_item WHERE id = 900011)
         LIKE '%Тестовое изделие%40%';
    ASSERT (SELECT array_agg(id) FROM accounts_dep.get_doc_item_caption_by_smena(900101))
         = ARRAY[900011]::t_id[];
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.get_doc_item_caption_by_smena(900102)),
        'an entry without an item has no item caption';
END
$$;

-- Goods for an entry: the inputs of its product; a paint operation adds every paint.
DO $$
BEGIN
    ASSERT (SELECT array_agg(id::numeric ORDER BY id) FROM accounts_dep.get_gds_from_by_smena(900101))
         = ARRAY[901001]::numeric[];
    ASSERT (SELECT array_agg(id::numeric ORDER BY id) FROM accounts_dep.get_gds_from_by_smena(900106))
         @> ARRAY[901001, 901002]::numeric[];
    ASSERT (SELECT s_caption FROM accounts_dep.v_cmn_gds_in WHERE id = 901002) LIKE '%краска%';
END
$$;

-- Consignments and the material list, with and without a consignment.
DO $$
DECLARE
    r record;
BEGIN
    SELECT * INTO r FROM accounts_dep.show_consignment(901001);
    ASSERT r.id = 900001 AND r.s_caption = 'Партия № П-5 от 01.04.2031'
       AND r.stock_s_caption = 'Тестовый склад' AND r.s_full_caption LIKE '%остаток 10 кг%',
        format('consignment %s', r);

    ASSERT (SELECT array_agg((sgu.id_smena, vcgi.s_caption, cons_use.stock_s_caption,
                              cons_use.s_caption, sgu.f_qty_use)::text ORDER BY sgu.id_smena)
            FROM accounts_dep.smena_gds_use sgu
            INNER JOIN accounts_dep.v_cmn_gds_in vcgi ON vcgi.id = sgu.id_gds_use
            LEFT JOIN accounts_dep.show_consignment(sgu.id_gds_use) cons_use
                   ON cons_use.id = sgu.id_cons_use
            WHERE sgu.id_smena IN (900101, 900102))
         = ARRAY['(900101,"Тестовый лист",,,2.5)',
                 '(900102,"Тестовый лист","Тестовый склад","Партия № П-5 от 01.04.2031",1)'];
END
$$;

-- Free and reserved stock of an entry's goods at its requisition's issuing stock.
DO $$
DECLARE
    free numeric;
    reserved numeric;
BEGIN
    SELECT coalesce(sum(rem.f_qty), 0) INTO free
    FROM accounts_dep.smena smena
    INNER JOIN mnf_doc.doc mnf_doc ON mnf_doc.id = smena.id_doc
    INNER JOIN cmn_doc.doc cmn_doc ON cmn_doc.id_reference = mnf_doc.id
                                  AND cmn_doc.id_type = mnf_doc.id_type
    INNER JOIN stk_remainder.remainder rem ON rem.id_stock = mnf_doc.id_stock_from
                                          AND rem.id_reserved_doc IS NULL
                                          AND rem.id_reserved_doc_item IS NULL
    WHERE smena.id = 900101 AND rem.id_gds = 901001;

    SELECT coalesce(sum(rem.f_qty), 0) INTO reserved
    FROM accounts_dep.smena smena
    INNER JOIN mnf_doc.doc mnf_doc ON mnf_doc.id = smena.id_doc
    INNER JOIN cmn_doc.doc cmn_doc ON cmn_doc.id_reference = mnf_doc.id
                                  AND cmn_doc.id_type = mnf_doc.id_type
    INNER JOIN stk_remainder.remainder rem ON rem.id_reserved_doc = cmn_doc.id
                                          AND rem.id_reserved_doc_item = smena.id_doc_item
                                          AND rem.id_stock = mnf_doc.id_stock_from
    WHERE smena.id = 900101 AND rem.id_gds = 901001;

    ASSERT free = 10 AND reserved = 2.5, format('free %s, reserved %s', free, reserved);
END
$$;


-- Worker codes: a code that is not a whole number reads as none instead of failing.
DO $$
DECLARE
    c record;
BEGIN
    FOR c IN SELECT * FROM (VALUES
        ('101', 101), (' 107 ', 107), ('0042', 42), ('+5', 5), ('999999999', 999999999),
        ('A-1', NULL), ('', NULL), (NULL, NULL), ('1 2', NULL), ('1.5', NULL),
        ('9999999999', NULL), ('１２', NULL)
    ) AS t (code, expected) LOOP
        ASSERT accounts_dep.worker_code(c.code) IS NOT DISTINCT FROM c.expected,
            format('%L reads as %s', c.code, accounts_dep.worker_code(c.code));
    END LOOP;
END
$$;

-- The person standing for a worker code: of those sharing it, who holds a position today,
-- then an employee, then the lowest id, in whatever form the code is written.
INSERT INTO hrms_staffpos.staffpos (id, s_caption) VALUES (900001, 'Тестовая должность');
INSERT INTO cmn_contractor.person (id, s_code, s_caption, b_employee) VALUES
    (900101, '9101', 'Один', true),
    (900102, ' 9102', 'На должности', false), (900103, '9102', 'Без должности', true),
    (900104, '09103', 'Работник', true), (900105, '9103', 'Не работник', false),
    (900106, '9104', 'Уволен вчера', true), (900107, '+9104', 'Принят сегодня', true),
    (900108, '9105', 'Первый', true), (900109, '9105', 'Второй', true),
    (900110, 'x9106', 'Без номера', true);
INSERT INTO hrms_movement.movement (id, id_employee, id_staffpos, d_begin, d_end) VALUES
    (900101, 900102, 900001, current_date - 10, NULL),
    (900102, 900106, 900001, current_date - 10, current_date - 1),
    (900103, 900107, 900001, current_date, current_date);
DO $$
DECLARE
    v_workers text := (SELECT string_agg(w.s_code || ':' || w.id, ' ' ORDER BY w.s_code)
                       FROM accounts_dep.v_worker w WHERE w.s_code BETWEEN 9101 AND 9106);
BEGIN
    ASSERT v_workers = '9101:900101 9102:900102 9103:900104 9104:900107 9105:900108', v_workers;
END
$$;

-- The version stamp only ever goes up; an empty table gets one row.
DO $$
DECLARE
    c record;
    today CONSTANT integer := to_char(current_date, 'YYYYMMDD')::integer;
BEGIN
    DELETE FROM accounts_dep.ver;
    FOR c IN SELECT * FROM (VALUES
        (20200101, 100, '20200101.100'),
        (20200101, 99, '20200101.100'),
        (20191231, 86399, '20200101.100'),
        (20200101, 101, '20200101.101'),
        (today, 0, today || '.0')
    ) AS t (d, t, after) LOOP
        PERFORM accounts_dep.ver_stamp(c.d, c.t);
        ASSERT (SELECT string_agg(d || '.' || t, ',') FROM accounts_dep.ver) = c.after,
            format('after %s.%s: %s', c.d, c.t,
                   (SELECT string_agg(d || '.' || t, ',') FROM accounts_dep.ver));
    END LOOP;
END
$$;

ROLLBACK;
