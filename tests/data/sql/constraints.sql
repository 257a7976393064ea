-- Keys and references of the program's own relations.
BEGIN;
\ir _data.sql

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time)
VALUES (900101, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 8);
INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d14) VALUES (9001, 1, 5, 2031, 8);

-- Each statement runs on its own and must fail with the given SQLSTATE (NULL: must succeed).
DO $$
DECLARE
    c record;
    state text;
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            ('h_tabel row twice',
             'INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1) VALUES (9001, 1, 5, 2031, 4)',
             '23505'),
            ('h_tabel other shift',
             'INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1) VALUES (9001, 2, 5, 2031, 4)',
             NULL),
            ('kind differing in case only',
             'INSERT INTO accounts_dep.vid_oper (vid) VALUES (''ТЕСТОВАЯ РЕЗКА'')', '23505'),
            ('kind with another name',
             'INSERT INTO accounts_dep.vid_oper (vid) VALUES (''Тестовая резка 2'')', NULL),
            ('operation triple twice',
             'INSERT INTO accounts_dep.oper (vid, naimen, i_id) VALUES (900001, 0, 900001)', '23505'),
            ('operation with another product kind',
             'INSERT INTO accounts_dep.oper (vid, naimen, i_id) VALUES (900001, 1, 900001)', NULL),
            ('operation of a missing kind',
             'INSERT INTO accounts_dep.oper (vid, naimen, i_id) VALUES (-1, 0, 900001)', '23503'),
            ('entry of a missing operation',
             'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo) VALUES (''2031-05-14'', 1, 9001, 900001, -1, 1)',
             '23503'),
            ('operation in use', 'DELETE FROM accounts_dep.oper WHERE id = 900001', '23503'),
            ('product in use', 'DELETE FROM accounts_dep.izdel WHERE id = 900001', '23503'),
            ('kind in use', 'DELETE FROM accounts_dep.vid_oper WHERE id = 900001', '23503'),
            ('material of a missing entry',
             'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (-1, 901001, 1)',
             '23503')
        ) AS t (label, stmt, expected)
    LOOP
        state := NULL;
        BEGIN
            EXECUTE c.stmt;
        EXCEPTION WHEN OTHERS THEN
            state := SQLSTATE;
        END;
        ASSERT state IS NOT DISTINCT FROM c.expected,
            format('%s: SQLSTATE %s, expected %s', c.label, state, c.expected);
    END LOOP;
END
$$;

-- A new hours row has 0 on every day it was not given.
DO $$
DECLARE
    h record;
BEGIN
    SELECT * INTO h FROM accounts_dep.h_tabel WHERE w_id = 9001 AND smena = 1 AND month = 5 AND year = 2031;
    ASSERT h.d14 = 8 AND h.d1 = 0 AND h.d31 = 0
       AND (h.d1+h.d2+h.d3+h.d4+h.d5+h.d6+h.d7+h.d8+h.d9+h.d10+h.d11+h.d12+h.d13+h.d14+h.d15
            +h.d16+h.d17+h.d18+h.d19+h.d20+h.d21+h.d22+h.d23+h.d24+h.d25+h.d26+h.d27+h.d28
            +h.d29+h.d30+h.d31) = 8,
        'days default to 0';
END
$$;

-- Deleting an entry takes its materials and brigade with it; deleting an unused operation
-- takes its norms.
DO $$
BEGIN
    INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (900101, 901001, 2.5);
    INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900101, 900002);
    DELETE FROM accounts_dep.smena WHERE id = 900101;
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.smena_gds_use WHERE id_smena = 900101), 'materials left';
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.person_temp WHERE id_smena = 900101), 'brigade left';

    DELETE FROM accounts_dep.oper WHERE id = 900001;
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.norm WHERE o_id = 900001), 'norms left';
END
$$;

ROLLBACK;
