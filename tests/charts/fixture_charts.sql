-- Charts fixture, loaded over the base fixture: March 2026 with the end of February before it.
--   24 more workers, codes 201..224 ('Работник 01' … 'Работник 24'), so that the pay chart names
--   twenty and puts four together; 'Работник 23' and 'Работник 24' earn the same.
--   Operation 7: a blank (Заготовки) by the kind rule though its kind number is 2.
--   Entries 201.. in March on days 1..31 with prices of many decimals (1.03125, 0.3333, 2.675,
--   1.2375, 0.7), fractions and defects; 301 pays 2,675 exactly (2,68 printed); 302 is worker
--   999, whom nobody knows (out of every report); 303 is in April; 304..306 are in February
--   (days 2, 27 and 28).
--   Hours: 201 and 202 work 8 h on the 31st in shift 2; worker 999's 8 h and February's 8 h do
--   not count.
INSERT INTO cmn_contractor.person (id, s_code, s_caption, b_employee)
SELECT 10 + i, (200 + i)::text, format('Работник %s', lpad(i::text, 2, '0')), true
FROM generate_series(1, 24) i;

INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena, cena_new, i_id_old) VALUES
    (7, 2, 2, 3, 0.7, 0.7, NULL);

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color,
                                time, ok, prize, id_doc, id_doc_item)
SELECT 200 + (i - 1) * 3 + k, date '2026-03-01' + (i * 3 + k) % 31, 1 + (i + k) % 4,
       200 + i, o.i_id, o.id,
       CASE WHEN i >= 23 THEN 1.5 ELSE (ARRAY[1.03125, 0.3333, 2.675, 1.2375, 0.7])[1 + (i + k) % 5] END,
       CASE WHEN i >= 23 THEN 10 ELSE i + k * 0.5 END,
       CASE WHEN i < 23 AND (i + k) % 3 = 0 THEN 1 ELSE 0 END,
       0, 4, 'no', 0, 0, 0
FROM generate_series(1, 24) i
CROSS JOIN generate_series(1, 3) k
JOIN accounts_dep.oper o ON o.id = CASE WHEN i >= 23 THEN 1
                                        ELSE (ARRAY[1, 2, 4, 6, 7])[1 + (i * k) % 5] END;

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color,
                                time, ok, prize, id_doc, id_doc_item) VALUES
    (301, '2026-03-31', 1, 201, 1, 1, 2.675, 1, 0, 0, 1, 'no', 0, 0, 0),
    (302, '2026-03-10', 1, 999, 1, 1, 5, 100, 0, 0, 8, 'no', 0, 0, 0),
    (303, '2026-04-01', 1, 202, 1, 1, 5, 100, 0, 0, 8, 'no', 0, 0, 0),
    (304, '2026-02-02', 1, 101, 1, 1, 1.25, 80, 1, 0, 8, 'no', 0, 0, 0),
    (305, '2026-02-27', 2, 102, 3, 4, 1.6, 12.5, 0, 0, 8, 'no', 0, 0, 0),
    (306, '2026-02-28', 1, 103, 2, 3, 0.3333, 3, 0, 0, 8, 'no', 0, 0, 0);

INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d31, d5) VALUES
    (201, 2, 3, 2026, 8, 0),
    (202, 2, 3, 2026, 8, 0),
    (999, 1, 3, 2026, 0, 8),
    (201, 1, 2, 2026, 0, 8);

SELECT setval('accounts_dep.smena_id_seq', 400);
SELECT setval('accounts_dep.oper_id_seq', 7);
