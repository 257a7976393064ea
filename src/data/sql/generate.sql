-- Scale generator for the benchmarks (not part of a normal database):
--
--   SELECT bench_gen.generate(workers, days, entries_per_day);
--
-- Empties the program's relations and the plant stand-in, then fills them in the shape of the
-- demo data: `workers` employees, products and operations in proportion, and
-- `entries_per_day` entries on each of the `days` days ending today (about 60 % in shift 1,
-- 20 % in shift 2, 10 % each in shift 3 and overtime), with materials for accepted entries
-- and the hours table built from the entries. Returns the number of entries made.
CREATE SCHEMA IF NOT EXISTS bench_gen;

-- The rows the demo data has in the same shapes come from the builders below: demo.sql
-- includes this file for them and drops the schema when it is done.

-- The shop's lists: the first p_positions of its ten staff positions and its ten operation
-- kinds (the seventh is the paint work).
CREATE OR REPLACE FUNCTION bench_gen.add_positions_and_kinds(p_positions integer)
RETURNS void
LANGUAGE sql
SET search_path = pg_catalog, public
AS $$
    INSERT INTO hrms_staffpos.staffpos (id, s_caption)
    SELECT p.id, p.s_caption
    FROM (VALUES
        (1, 'Электросварщик'),
        (2, 'Слесарь-сборщик'),
        (3, 'Резчик металла'),
        (4, 'Оператор листогибочного пресса'),
        (5, 'Маляр'),
        (6, 'Сверловщик'),
        (7, 'Шлифовщик'),
        (8, 'Упаковщик'),
        (9, 'Токарь'),
        (10, 'Мастер участка')) AS p (id, s_caption)
    WHERE p.id <= p_positions;
    INSERT INTO accounts_dep.vid_oper (id, vid) VALUES
        (1, 'Резка'),
        (2, 'Гибка'),
        (3, 'Сварка'),
        (4, 'Сборка'),
        (5, 'Зачистка'),
        (6, 'Сверловка'),
        (7, 'Покраска (краска порошковая)'),
        (8, 'Грунтовка'),
        (9, 'Упаковка'),
        (10, 'Токарная обработка');
$$;

-- What the plant keeps beside the products and requisitions: every product as a goods item
-- under its own id (products and goods share one key space), and every requisition's common
-- header, numbered p_header_offset + its id.
CREATE OR REPLACE FUNCTION bench_gen.add_goods_and_headers(p_header_offset integer)
RETURNS void
LANGUAGE sql
SET search_path = pg_catalog, public
AS $$
    INSERT INTO cmn_gds.gds (id, s_gds_mc, s_caption, s_unit)
    SELECT i.id, i.marka, i.nom, 'шт.' FROM accounts_dep.izdel i;
    INSERT INTO cmn_doc.doc (id, id_reference, id_type)
    SELECT p_header_offset + d.id, d.id, d.id_type FROM mnf_doc.doc d;
$$;

-- Once the entries are in: the hours table from them, a worker's day in a shift the sum of his
-- entries' hours (at most what a day's cell holds), rows by month, shift and worker; and new
-- products, kinds and operations numbered on from the highest id.
CREATE OR REPLACE FUNCTION bench_gen.add_hours_and_numbering()
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, public
AS $$
BEGIN
    EXECUTE format(
        'INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, %s)'
        ' SELECT w_id, smena, extract(month FROM data), extract(year FROM data), %s'
        ' FROM accounts_dep.smena GROUP BY 1, 2, 3, 4 ORDER BY 3, 2, 1',
        (SELECT string_agg('d' || i, ', ' ORDER BY i) FROM generate_series(1, 31) i),
        (SELECT string_agg(format('least(coalesce(sum(time) FILTER (WHERE extract(day FROM data) = %s), 0), 32767)', i),
                           ', ' ORDER BY i)
         FROM generate_series(1, 31) i));
    PERFORM setval('accounts_dep.izdel_id_seq', (SELECT max(id) FROM accounts_dep.izdel)),
            setval('accounts_dep.vid_oper_id_seq', (SELECT max(id) FROM accounts_dep.vid_oper)),
            setval('accounts_dep.oper_id_seq', (SELECT max(id) FROM accounts_dep.oper));
END
$$;

CREATE OR REPLACE FUNCTION bench_gen.generate(p_workers integer, p_days integer, p_entries_per_day integer)
RETURNS bigint
LANGUAGE plpgsql
SET search_path = pg_catalog, public
AS $$
DECLARE
    v_products CONSTANT integer := 10 + p_workers / 5;
    v_docs CONSTANT integer := greatest(1, p_days / 5);
    v_first_day CONSTANT date := current_date - (p_days - 1);
    v_surnames CONSTANT text[] := ARRAY['Смирнов', 'Кузнецов', 'Попов', 'Васильев', 'Петров',
        'Соколов', 'Михайлов', 'Новиков', 'Фёдоров', 'Морозов', 'Волков', 'Алексеев', 'Лебедев',
        'Семёнов', 'Егоров', 'Павлов', 'Козлов', 'Степанов', 'Николаев', 'Орлов', 'Андреев',
        'Макаров', 'Никитин', 'Захаров', 'Зайцев', 'Соловьёв', 'Борисов', 'Яковлев', 'Григорьев',
        'Романов'];
    v_names CONSTANT text[] := ARRAY['Алексей', 'Дмитрий', 'Андрей', 'Игорь', 'Михаил', 'Сергей',
        'Владимир', 'Николай', 'Евгений', 'Павел', 'Роман', 'Артём', 'Константин', 'Виктор',
        'Юрий', 'Григорий', 'Денис', 'Илья', 'Антон', 'Олег'];
    v_patronymics CONSTANT text[] := ARRAY['Викторович', 'Сергеевич', 'Николаевич', 'Петрович',
        'Юрьевич', 'Александрович', 'Иванович', 'Степанович', 'Олегович', 'Андреевич',
        'Геннадьевич', 'Анатольевич', 'Дмитриевич', 'Львович', 'Михайлович'];
    v_made bigint;
BEGIN
    IF p_workers < 1 OR p_days < 1 OR p_entries_per_day < 0 THEN
        RAISE EXCEPTION 'bench_gen.generate: workers and days must be positive';
    END IF;

    TRUNCATE accounts_dep.smena_gds_use, accounts_dep.person_temp, accounts_dep.smena,
             accounts_dep.h_tabel, accounts_dep.norm, accounts_dep.oper, accounts_dep.vid_oper,
             accounts_dep.izdel, accounts_dep.ver,
             cmn_contractor.person, hrms_staffpos.staffpos, hrms_movement.movement, cmn_gds.gds,
             stk_stock.stock, stk_consignment.consignment, stk_remainder.remainder,
             mnf_doc.doc, mnf_doc.doc_item, cmn_doc.doc, mnf_operation.operation
        RESTART IDENTITY CASCADE;

    PERFORM bench_gen.add_positions_and_kinds(5);

    INSERT INTO cmn_contractor.person (id, s_code, s_caption, b_employee)
    SELECT i, (1000 + i)::text,
           format('%s %s %s', v_surnames[1 + i % 30], v_names[1 + (i / 30) % 20],
                  v_patronymics[1 + (i / 600) % 15]),
           true
    FROM generate_series(1, p_workers) i;
    INSERT INTO hrms_movement.movement (id, id_employee, id_staffpos, d_begin, d_end)
    SELECT i, i, 1 + i % 5, v_first_day - 365, NULL FROM generate_series(1, p_workers) i;

    INSERT INTO accounts_dep.izdel (id, marka, nom, massa)
    SELECT i, format('ИЗД-%s', i), format('Изделие %s', i), round((0.1 + (i % 97) * 0.37)::numeric, 3)
    FROM generate_series(1, v_products) i;
    INSERT INTO cmn_gds.gds (id, s_gds_mc, s_caption, s_unit)
    SELECT 1000000 + i, format('М-%s', i),
           CASE WHEN i % 5 = 0 THEN format('Порошковая краска RAL %s', 1000 + i * 7)
                ELSE format('Материал %s', i) END,
           'кг'
    FROM generate_series(1, 20) i;

    -- Four operations per product; every tenth product's last one has no norms.
    INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new)
    SELECT (p - 1) * 4 + k, 1 + (p + k * 3) % 10, CASE WHEN k = 1 THEN 1 ELSE 0 END, p,
           round((0.2 + (p * k) % 50 * 0.13)::numeric, 2)
    FROM generate_series(1, v_products) p CROSS JOIN generate_series(1, 4) k;
    INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
    SELECT o.id, 50 + o.id % 200 + s * 25, s * 10, round((o.cena_new * (1 - 0.08 * s))::numeric, 4)
    FROM accounts_dep.oper o CROSS JOIN generate_series(0, 1) s
    WHERE NOT (o.i_id % 10 = 0 AND o.id % 4 = 0);

    INSERT INTO mnf_operation.operation (id, id_gds_from, id_gds_to, id_operation_type, n_count, f_qty_from)
    SELECT (p - 1) * 2 + k, 1000000 + 1 + (p * k) % 20, p, 1, 1, round((0.05 + (p % 13) * 0.11)::numeric, 6)
    FROM generate_series(1, v_products) p CROSS JOIN generate_series(1, 2) k;

    INSERT INTO stk_stock.stock (id, s_caption) VALUES (1, 'Центральный склад');
    INSERT INTO stk_consignment.consignment (id, id_gds, id_stock, s_number, d_date)
    SELECT i, 1000000 + i, 1, (5000 + i)::text, v_first_day - 30 FROM generate_series(1, 20) i;
    INSERT INTO stk_remainder.remainder (id, id_stock, id_gds, id_cons, f_qty)
    SELECT i, 1, 1000000 + i, i, 10000 FROM generate_series(1, 20) i;

    INSERT INTO mnf_doc.doc (id, s_number, d_date, id_type, id_stock_from)
    SELECT i, (1000 + i)::text, v_first_day + (i - 1) * 5, 1, 1 FROM generate_series(1, v_docs) i;
    PERFORM bench_gen.add_goods_and_headers(1000000);
    INSERT INTO mnf_doc.doc_item (id, id_doc, n_pos, id_gds, f_qty)
    SELECT (d - 1) * 10 + k, d, k, 1 + (d * 7 + k) % v_products, 100 * k
    FROM generate_series(1, v_docs) d CROSS JOIN generate_series(1, 10) k;

    -- The scale's entries are spread over workers by hash, so some workers' days pass the 24
    -- hours a save refuses: the day check stays off while they are made. The versions start at
    -- their default, 1, which is what their trigger would write, and a new entry's materials
    -- need not touch it: nobody saw it without them.
    ALTER TABLE accounts_dep.smena DISABLE TRIGGER smena_day_hours_insert;
    ALTER TABLE accounts_dep.smena DISABLE TRIGGER smena_versions;
    INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time,
                                    ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use,
                                    id_gds_use, id_cons_use)
    SELECT e.data, e.shift, 1000 + 1 + (e.h % p_workers), o.i_id, o.id,
           coalesce(n.price, o.cena_new) * CASE e.shift WHEN 3 THEN 1.2 WHEN 4 THEN 1.5 ELSE 1 END,
           10 + e.h % 190 + CASE WHEN e.h % 17 = 0 THEN 0.5 ELSE 0 END,
           CASE WHEN e.h % 11 = 0 THEN 1 ELSE 0 END,
           CASE WHEN o.vid = 7 THEN 9005 ELSE 0 END,
           CASE WHEN e.shift = 4 THEN 2 WHEN e.h % 3 = 0 THEN 4 ELSE 8 END,
           CASE WHEN e.data < current_date - 3 AND e.h % 10 <> 0 THEN 'ok' ELSE 'no' END,
           e.data + interval '9 hours', 0,
           coalesce(item.id_doc, 0), coalesce(item.id, 0), 0, 0, 0
    FROM (
        SELECT v_first_day + dd AS data, j,
               CASE WHEN j % 10 < 6 THEN 1 WHEN j % 10 < 8 THEN 2 WHEN j % 10 = 8 THEN 3 ELSE 4 END AS shift,
               (hashint4(dd * 100003 + j)::bigint & 2147483647) AS h
        FROM generate_series(0, p_days - 1) dd CROSS JOIN generate_series(0, p_entries_per_day - 1) j
    ) e
    JOIN accounts_dep.oper o ON o.id = 1 + e.h % (v_products * 4)
    JOIN LATERAL (SELECT min(price) AS price FROM accounts_dep.norm nm WHERE nm.o_id = o.id) n ON true
    LEFT JOIN mnf_doc.doc_item item ON item.id_gds = o.i_id AND item.n_pos = 1 + e.h % 10
                                    AND item.id_doc = 1 + (e.data - v_first_day) / 5;
    GET DIAGNOSTICS v_made = ROW_COUNT;
    ALTER TABLE accounts_dep.smena ENABLE TRIGGER smena_day_hours_insert;
    ALTER TABLE accounts_dep.smena ENABLE TRIGGER smena_versions;

    ALTER TABLE accounts_dep.smena_gds_use DISABLE TRIGGER smena_gds_use_version;
    INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use, id_cons_use)
    SELECT s.id, op.id_gds_from, round((s.kol_vo * op.f_qty_from)::numeric, 3), NULL
    FROM accounts_dep.smena s
    JOIN mnf_operation.operation op ON op.id_gds_to = s.i_id AND op.id % 2 = 1
    WHERE s.ok = 'ok';
    ALTER TABLE accounts_dep.smena_gds_use ENABLE TRIGGER smena_gds_use_version;

    PERFORM bench_gen.add_hours_and_numbering();
    ANALYZE accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.oper, accounts_dep.norm,
            accounts_dep.smena_gds_use, cmn_contractor.person;
    RETURN v_made;
END
$$;
