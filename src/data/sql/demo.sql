-- Demo data: a small metalworking shop. Entries cover the previous and the current month up to
-- today (today always has entries in every shift), so every window shows something at once.
-- The pseudo-random choices are hashes of the date and worker, so a load repeated on the same
-- day gives the same data. Rows of the shapes the scale generator makes too come from its
-- builders (bench_gen, dropped at the end).
\ir generate.sql

CREATE FUNCTION pg_temp.rnd(p_key text) RETURNS integer
LANGUAGE sql IMMUTABLE AS $$ SELECT (hashtext(p_key)::bigint & 2147483647)::integer $$;

SELECT bench_gen.add_positions_and_kinds(10);

INSERT INTO cmn_contractor.person (id, s_code, s_caption, b_employee) VALUES
    (1, '101', 'Смирнов Алексей Викторович', true),
    (2, '102', 'Кузнецов Дмитрий Сергеевич', true),
    (3, '103', 'Попов Андрей Николаевич', true),
    (4, '104', 'Васильев Игорь Петрович', true),
    (5, '105', 'Соколов Михаил Юрьевич', true),
    (6, '106', 'Михайлов Сергей Александрович', true),
    (7, '107', 'Новиков Владимир Иванович', true),
    (8, '108', 'Фёдоров Николай Степанович', true),
    (9, '109', 'Морозов Евгений Олегович', true),
    (10, '110', 'Волкова Наталья Андреевна', true),
    (11, '111', 'Алексеев Павел Геннадьевич', true),
    (12, '112', 'Лебедев Роман Анатольевич', true),
    (13, '113', 'Семёнов Артём Дмитриевич', true),
    (14, '114', 'Егоров Константин Львович', true),
    (15, '115', 'Павлова Ольга Викторовна', true),
    (16, '116', 'Козлов Виктор Михайлович', true),
    (17, '117', 'Степанов Юрий Борисович', true),
    (18, '118', 'Николаев Григорий Ильич', true),
    (19, '119', 'Орлова Татьяна Сергеевна', true),
    (20, '120', 'Андреев Денис Валерьевич', true),
    (21, '121', 'Макаров Илья Романович', true),
    (22, '122', 'Захаров Антон Евгеньевич', true),
    (23, '123', 'О''Коннор Дмитрий Павлович', true),
    (24, '124', '  Зайцева Мария Игоревна ', true),
    (25, '125', 'Борисов Станислав Олегович', true),
    (26, '126', 'Тихонов Пётр Андреевич', true),
    (27, NULL, 'ООО "Металлснаб"', false),
    (28, NULL, 'Гаврилов Олег Петрович (подрядчик)', false),
    (29, NULL, 'ИП Романов А. В.', false);

-- Current positions; Тихонов left last year, so he has none now.
INSERT INTO hrms_movement.movement (id, id_employee, id_staffpos, d_begin, d_end)
SELECT p.id, p.id, pos.staffpos, current_date - 700 - p.id::int * 13, NULL
FROM cmn_contractor.person p
JOIN (VALUES (1, 1), (2, 1), (3, 2), (4, 2), (5, 3), (6, 3), (7, 4), (8, 4), (9, 5), (10, 5),
             (11, 6), (12, 2), (13, 1), (14, 7), (15, 8), (16, 9), (17, 9), (18, 1), (19, 5),
             (20, 3), (21, 2), (22, 1), (23, 2), (24, 8), (25, 10)) AS pos (person, staffpos)
  ON pos.person = p.id;
INSERT INTO hrms_movement.movement (id, id_employee, id_staffpos, d_begin, d_end) VALUES
    (101, 3, 8, current_date - 1500, current_date - 900),
    (102, 26, 2, current_date - 1200, current_date - 300);

INSERT INTO accounts_dep.izdel (id, marka, nom, massa) VALUES
    (1, 'КР-12', 'Кронштейн настенный', 0.85),
    (2, 'КР-16', 'Кронштейн усиленный', 1.35),
    (3, 'ПР-40х20', 'Профиль гнутый 40х20', 1.12),
    (4, 'ПР-60х30', 'Профиль гнутый 60х30', 1.86),
    (5, 'СТ-100', 'Стойка опорная', 4.2),
    (6, 'ОП-3', 'Опора регулируемая', 2.75),
    (7, 'РМ-1200', 'Рама сварная 1200', 18.4),
    (8, 'ЛС-2', 'Лестница приставная', 12.6),
    (9, 'ПЛ-5', 'Пластина монтажная', 0.42),
    (10, 'УГ-50', 'Уголок крепёжный 50', 0.31),
    (11, 'ХМ-8', 'Хомут трубный', 0.12),
    (12, 'ЗГ-25', 'Заглушка 25х25', 0.03),
    (13, 'ДР-3', 'Держатель кабельный', 0.56),
    (14, 'КН-2,5', 'Консоль 2,5 м', 9.8),
    (15, 'ФЛ-150', 'Фланец 150', 3.35);

-- Goods: the materials (the products come with the requisitions' headers).
INSERT INTO cmn_gds.gds (id, s_gds_mc, s_caption, s_unit) VALUES
    (1001, 'ЛСТ-3', 'Лист г/к 3 мм Ст3', 'кг'),
    (1002, 'ЛСТ-2', 'Лист х/к 2 мм 08пс', 'кг'),
    (1003, 'ТРП-40', 'Труба профильная 40х20х2', 'м'),
    (1004, 'ТРП-60', 'Труба профильная 60х30х2,5', 'м'),
    (1005, 'УГЛ-50', 'Уголок 50х50х5', 'м'),
    (1006, 'КРГ-12', 'Круг 12 мм Ст3', 'м'),
    (1007, 'ПРВ-12', 'Проволока сварочная Св-08Г2С 1,2 мм', 'кг'),
    (1008, 'ЭЛ-3', 'Электроды МР-3 3 мм', 'кг'),
    (1009, 'ПК-9005', 'Порошковая краска RAL 9005 чёрная', 'кг'),
    (1010, 'ПК-7035', 'Порошковая краска RAL 7035 светло-серая', 'кг'),
    (1011, 'ПК-3020', 'Порошковая краска RAL 3020 красная', 'кг'),
    (1012, 'ПК-5015', 'Порошковая краска RAL 5015 синяя', 'кг'),
    (1013, 'ГФ-021', 'Грунт-краска ГФ-021 серая', 'кг'),
    (1014, 'БЛТ-10', 'Болт М10х30 оцинкованный', 'шт.'),
    (1015, 'ГК-10', 'Гайка М10 оцинкованная', 'шт.'),
    (1016, 'РСТ-646', 'Растворитель 646', 'л'),
    (1017, 'ПЛН-500', 'Плёнка стрейч 500 мм', 'кг');

-- Operations with their base price and norm; the last two have no norms yet.
CREATE TEMP TABLE demo_oper (id int, vid int, naimen int, i_id int, price float8, norma int);
INSERT INTO demo_oper VALUES
    (1, 1, 1, 1, 0.45, 400), (2, 2, 1, 1, 0.38, 500), (3, 3, 0, 1, 1.2, 150),
    (4, 7, 0, 1, 0.65, 300), (5, 1, 1, 2, 0.55, 350), (6, 3, 0, 2, 1.6, 120),
    (7, 8, 0, 2, 0.4, 300), (8, 2, 0, 3, 0.9, 250), (9, 1, 1, 3, 0.3, 600),
    (10, 2, 0, 4, 1.25, 200), (11, 1, 1, 5, 0.7, 300), (12, 3, 0, 5, 2.8, 60),
    (13, 5, 0, 5, 0.9, 150), (14, 10, 1, 6, 1.1, 120), (15, 4, 0, 6, 1.5, 100),
    (16, 3, 0, 7, 12.5, 12), (17, 5, 0, 7, 4.2, 25), (18, 7, 0, 7, 6.8, 30),
    (19, 3, 0, 8, 9.6, 15), (20, 4, 0, 8, 5.5, 20), (21, 1, 0, 9, 0.25, 800),
    (22, 6, 0, 9, 0.3, 600), (23, 1, 1, 10, 0.12, 1200), (24, 6, 0, 10, 0.15, 1000),
    (25, 2, 0, 11, 0.2, 900), (26, 4, 0, 11, 0.35, 500), (27, 10, 0, 12, 0.18, 1000),
    (28, 6, 0, 13, 0.28, 700), (29, 2, 0, 13, 0.33, 600), (30, 3, 0, 14, 7.4, 20),
    (31, 7, 0, 14, 3.9, 40), (32, 10, 0, 15, 2.6, 60), (33, 6, 0, 15, 0.8, 200),
    (34, 9, 0, 1, 0.05, 2000), (35, 9, 0, 7, 1.5, 60), (36, 9, 0, 8, 1.2, 60),
    (37, 5, 0, 1, 0.2, 800), (38, 4, 0, 14, 3.2, 30),
    (39, 10, 0, 5, 1.9, NULL), (40, 8, 0, 15, 0.9, NULL);

INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena, cena_new, i_id_old)
SELECT id, vid, naimen, i_id, NULL, price, NULL FROM demo_oper;

-- A norm ladder of one to three steps: more pieces, more bonus, lower piece price.
INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
SELECT o.id, round(o.norma * (1 + 0.25 * s))::int, 10 * s, round((o.price * (1 - 0.08 * s))::numeric, 4)
FROM demo_oper o
CROSS JOIN generate_series(0, 2) s
WHERE o.norma IS NOT NULL AND s <= o.id % 3
ORDER BY o.id, s;

INSERT INTO stk_stock.stock (id, s_caption) VALUES
    (1, 'Центральный склад'),
    (2, 'Склад цеха №2');

-- Requisitions dated back from today; requisition 4 draws on the shop's own stock.
INSERT INTO mnf_doc.doc (id, s_number, d_date, id_type, id_stock_from) VALUES
    (1, '118', current_date - 40, 1, 1),
    (2, '119', current_date - 32, 1, 1),
    (3, '121', current_date - 25, 1, 1),
    (4, '124', current_date - 15, 1, 2),
    (5, '127', current_date - 8, 1, 1),
    (6, '130', current_date - 2, 1, 1);
SELECT bench_gen.add_goods_and_headers(100);
INSERT INTO mnf_doc.doc_item (id, id_doc, n_pos, id_gds, f_qty) VALUES
    (11, 1, 1, 1, 500), (12, 1, 2, 3, 300), (13, 1, 3, 9, 1000),
    (21, 2, 1, 7, 40), (22, 2, 2, 8, 25),
    (31, 3, 1, 2, 200), (32, 3, 2, 5, 80), (33, 3, 3, 6, 150), (34, 3, 4, 4, 0),
    (41, 4, 1, 10, 2000), (42, 4, 2, 11, 1500),
    (51, 5, 1, 13, 600), (52, 5, 2, 14, 30), (53, 5, 3, 15, 60),
    (61, 6, 1, 1, 300), (62, 6, 2, 7, 20);

-- Consumption norms: material per piece of product.
INSERT INTO mnf_operation.operation (id, id_gds_from, id_gds_to, id_operation_type, n_count, f_qty_from)
SELECT row_number() OVER (ORDER BY t.i_id, t.pos), t.gds, t.i_id, 1, 1, t.qty
FROM (VALUES
    (1, 1, 1001, 0.9), (1, 2, 1007, 0.02), (1, 3, 1009, 0.03),
    (2, 1, 1001, 1.4), (2, 2, 1007, 0.03), (2, 3, 1013, 0.05),
    (3, 1, 1002, 1.15),
    (4, 1, 1002, 1.9),
    (5, 1, 1004, 1.6), (5, 2, 1008, 0.05),
    (6, 1, 1006, 0.35), (6, 2, 1014, 1), (6, 3, 1015, 1),
    (7, 1, 1003, 4.8), (7, 2, 1007, 0.12), (7, 3, 1010, 0.4), (7, 4, 1017, 0.2),
    (8, 1, 1003, 6.5), (8, 2, 1008, 0.15),
    (9, 1, 1001, 0.45),
    (10, 1, 1005, 0.1),
    (11, 1, 1002, 0.13), (11, 2, 1014, 2), (11, 3, 1015, 2),
    (12, 1, 1002, 0.035),
    (13, 1, 1001, 0.6),
    (14, 1, 1004, 2.6), (14, 2, 1008, 0.2), (14, 3, 1011, 0.25),
    (15, 1, 1001, 3.5)
) AS t (i_id, pos, gds, qty);

-- One consignment of every material at the central stock (none of the solvent), and a second
-- one of sheet and tube at the shop's stock.
INSERT INTO stk_consignment.consignment (id, id_gds, id_stock, s_number, d_date)
SELECT g.id - 1000, g.id, 1, (2300 + g.id - 1000)::text, current_date - 50 - (g.id - 1000)::int
FROM cmn_gds.gds g WHERE g.id BETWEEN 1001 AND 1015 OR g.id = 1017;
INSERT INTO stk_consignment.consignment (id, id_gds, id_stock, s_number, d_date) VALUES
    (101, 1001, 2, '2401', current_date - 20),
    (102, 1002, 2, '2402', current_date - 18),
    (103, 1003, 2, '2403', current_date - 16);

INSERT INTO stk_remainder.remainder (id, id_stock, id_gds, id_cons, f_qty)
SELECT c.id, c.id_stock, c.id_gds, c.id,
       CASE g.s_unit WHEN 'шт.' THEN 2000 WHEN 'м' THEN 350.5 ELSE 120 + c.id * 7.25 END
FROM stk_consignment.consignment c JOIN cmn_gds.gds g ON g.id = c.id_gds;

-- Stock reserved for some requisition items: half of the first material they need.
INSERT INTO stk_remainder.remainder (id, id_stock, id_gds, id_cons, f_qty, id_reserved_doc,
                                     id_reserved_doc_item)
SELECT 200 + row_number() OVER (ORDER BY item.id), doc.id_stock_from, op.id_gds_from,
       cons.id, round(item.f_qty * op.f_qty_from / 2, 3), cd.id, item.id
FROM mnf_doc.doc_item item
JOIN mnf_doc.doc doc ON doc.id = item.id_doc
JOIN cmn_doc.doc cd ON cd.id_reference = doc.id AND cd.id_type = doc.id_type
JOIN LATERAL (SELECT * FROM mnf_operation.operation o WHERE o.id_gds_to = item.id_gds
              ORDER BY o.id LIMIT 1) op ON true
LEFT JOIN LATERAL (SELECT c.id FROM stk_consignment.consignment c
                   WHERE c.id_gds = op.id_gds_from AND c.id_stock = doc.id_stock_from
                   ORDER BY c.id LIMIT 1) cons ON true
WHERE item.id IN (11, 21, 31, 41, 51, 61);

-- Who works in which shift and which kinds of operations they do.
CREATE TEMP TABLE demo_worker (code int, shift int, vids int[]);
INSERT INTO demo_worker VALUES
    (101, 1, '{3}'), (102, 1, '{3}'), (103, 1, '{4,5}'), (104, 1, '{4}'), (105, 1, '{1}'),
    (107, 1, '{2}'), (109, 1, '{7}'), (110, 1, '{7,8}'), (111, 1, '{6}'), (112, 1, '{4,5}'),
    (114, 1, '{5}'), (115, 1, '{9}'), (116, 1, '{10}'), (123, 1, '{4}'), (124, 1, '{9}'),
    (106, 2, '{1}'), (108, 2, '{2}'), (113, 2, '{3}'), (117, 2, '{10}'), (119, 2, '{7,8}'),
    (121, 2, '{4,5}'),
    (118, 3, '{3}'), (120, 3, '{1}'), (122, 3, '{3}');

-- Working days: weekdays of the previous and the current month up to today, and today itself.
CREATE TEMP TABLE demo_day AS
SELECT d::date AS d
FROM generate_series(date_trunc('month', current_date) - interval '1 month', current_date,
                     interval '1 day') d
WHERE extract(isodow FROM d) < 6 OR d::date = current_date;

-- Slots: one or two entries a day for a present worker (8 hours in all); overtime (shift 4)
-- for two shift-1 workers on some days, always today.
CREATE TEMP TABLE demo_slot AS
SELECT dd.d, w.code, w.shift, w.vids, e.n,
       CASE WHEN pg_temp.rnd(dd.d || '/' || w.code || '/two') % 3 = 0 THEN 4 ELSE 8 END AS time
FROM demo_day dd
CROSS JOIN demo_worker w
CROSS JOIN generate_series(1, 2) e (n)
WHERE (dd.d = current_date OR pg_temp.rnd(dd.d || '/' || w.code || '/away') % 10 <> 0)
  AND (e.n = 1 OR pg_temp.rnd(dd.d || '/' || w.code || '/two') % 3 = 0)
UNION ALL
SELECT dd.d, w.code, 4, w.vids, 1, 2 + pg_temp.rnd(dd.d || '/' || w.code || '/ot') % 3
FROM demo_day dd
JOIN demo_worker w ON w.shift = 1
WHERE (dd.d = current_date OR pg_temp.rnd(dd.d::text || '/ot') % 3 = 0)
  AND pg_temp.rnd(dd.d || '/' || w.code || '/ot') % 15 < 2;

CREATE TEMP TABLE demo_entry AS
SELECT s.d, s.code, s.shift, s.time, o.id AS o_id, o.i_id, o.vid, o.norma, o.price,
       pg_temp.rnd(s.d || '/' || s.code || '/' || s.shift || '/' || s.n) AS r
FROM demo_slot s
CROSS JOIN LATERAL (
    SELECT c.*, count(*) OVER () AS cnt, row_number() OVER (ORDER BY c.id) - 1 AS k
    FROM demo_oper c WHERE c.vid = ANY (s.vids) AND c.norma IS NOT NULL
) o
WHERE o.k = pg_temp.rnd(s.d || '/' || s.code || '/' || s.shift || '/' || s.n || '/op') % o.cnt;

INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time,
                                ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use,
                                id_cons_use)
SELECT e.d, e.shift, e.code, e.i_id, e.o_id,
       round((n.min_price
              * CASE WHEN extract(isodow FROM e.d) >= 6 THEN 2 ELSE 1 END
              * CASE e.shift WHEN 3 THEN 1.2 WHEN 4 THEN 1.5 ELSE 1 END)::numeric, 4),
       greatest(1, round(e.norma * e.time / 8.0 * (0.7 + (e.r % 60) / 100.0)))
           + CASE WHEN e.r % 20 = 0 THEN 0.5 ELSE 0 END,
       CASE WHEN e.r % 12 = 0 THEN 1 + e.r % 3 ELSE 0 END,
       CASE e.vid WHEN 7 THEN (ARRAY[9005, 7035, 3020, 5015])[1 + e.r % 4] WHEN 8 THEN 1 ELSE 0 END,
       e.time,
       CASE WHEN e.d < current_date - 3 AND e.r % 10 <> 0 THEN
                CASE WHEN e.d < date_trunc('month', current_date) AND e.r % 25 = 0 THEN 'да' ELSE 'ok' END
            WHEN e.d = current_date AND e.r % 4 = 0 THEN 'ok'
            ELSE 'no' END,
       e.d + interval '8 hours' * e.shift + interval '1 minute' * (e.r % 240),
       0,
       coalesce(item.id_doc, 0), coalesce(item.id, 0), 0, 0, 0
FROM demo_entry e
JOIN (SELECT o_id, min(price) AS min_price FROM accounts_dep.norm GROUP BY o_id) n
  ON n.o_id = e.o_id
LEFT JOIN LATERAL (
    SELECT i.id, i.id_doc
    FROM mnf_doc.doc_item i JOIN mnf_doc.doc doc ON doc.id = i.id_doc
    WHERE i.id_gds = e.i_id AND i.f_qty > 0 AND doc.d_date <= e.d
    ORDER BY doc.d_date DESC, i.id LIMIT 1
) item ON true
ORDER BY e.d, e.shift, e.code, e.r;

-- Materials: every accepted entry has them (acceptance requires it) and so do some open ones.
-- Paint work uses the paint of its colour, the rest the product's first material.
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use, id_cons_use)
SELECT s.id, m.gds, round((s.kol_vo * m.qty)::numeric, 3),
       CASE WHEN s.id % 2 = 0 THEN (SELECT c.id FROM stk_consignment.consignment c
                                    WHERE c.id_gds = m.gds ORDER BY c.id LIMIT 1) END
FROM accounts_dep.smena s
JOIN accounts_dep.oper o ON o.id = s.o_id
CROSS JOIN LATERAL (
    SELECT CASE o.vid WHEN 7 THEN CASE s.color WHEN 9005 THEN 1009 WHEN 7035 THEN 1010
                                                WHEN 3020 THEN 1011 ELSE 1012 END
                      WHEN 8 THEN 1013
                      ELSE (SELECT op.id_gds_from FROM mnf_operation.operation op
                            WHERE op.id_gds_to = s.i_id ORDER BY op.id LIMIT 1) END AS gds,
           CASE WHEN o.vid IN (7, 8) THEN 0.04
                ELSE (SELECT op.f_qty_from FROM mnf_operation.operation op
                      WHERE op.id_gds_to = s.i_id ORDER BY op.id LIMIT 1) END AS qty
) m
WHERE accounts_dep.is_accepted(s.ok) OR pg_temp.rnd('mat/' || s.id) % 5 = 0;

-- Hours: a worker's day in a shift is the sum of his entries' hours.
SELECT bench_gen.add_hours_and_numbering();

DROP TABLE demo_oper, demo_worker, demo_day, demo_slot, demo_entry;
DROP SCHEMA bench_gen CASCADE;
