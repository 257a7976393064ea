-- Dividing an entry among its brigade.
BEGIN;
\ir _data.sql

-- Create an entry of worker 9001 with a brigade of the first k of 9002..9004, divide it and
-- compare every row with the expected whole-piece split; totals must not change.
DO $$
DECLARE
    c record;
    d date;
    n_added integer;
    tot record;
    own record;
    other record;
    hours integer;
    snapshot text[];
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            -- kol_vo, brak, k | each other's kol_vo, brak | own kol_vo, brak
            (1, 10::float8, 1, 1, 4::float8, 0,  6::float8, 1),
            (2, 12,         3, 2, 4,         1,  4,         1),
            (3, 10.5,       0, 1, 5,         0,  5.5,       0),
            (4, 7,          0, 3, 1,         0,  4,         0),
            (5, 2,          0, 3, 0,         0,  2,         0),
            (6, 9,          9, 2, 3,         3,  3,         3)
        ) AS t (n, kol_vo, brak, k, other_kol_vo, other_brak, own_kol_vo, own_brak)
    LOOP
        d := date '2031-05-01' + c.n;
        INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak,
                                        color, time, ok, id_doc, id_doc_item)
        VALUES (900200 + c.n, d, 2, 9001, 900001, 900001, 2.5, c.kol_vo, c.brak, 7035, 6, 'no',
                900001, 900011);
        INSERT INTO accounts_dep.person_temp (id_smena, id_person)
        SELECT 900200 + c.n, 900001 + g FROM generate_series(1, c.k) g;

        n_added := accounts_dep.divide_between_person(900200 + c.n);
        ASSERT n_added = c.k, format('case %s: divided with %s, expected %s', c.n, n_added, c.k);

        SELECT sum(kol_vo) AS kol_vo, sum(brak) AS brak INTO tot
        FROM accounts_dep.smena WHERE data = d;
        ASSERT tot.kol_vo = c.kol_vo AND tot.brak = c.brak,
            format('case %s: totals %s/%s, expected %s/%s', c.n, tot.kol_vo, tot.brak,
                   c.kol_vo, c.brak);

        SELECT * INTO own FROM accounts_dep.smena WHERE id = 900200 + c.n;
        ASSERT own.kol_vo = c.own_kol_vo AND own.brak = c.own_brak,
            format('case %s: own row %s/%s', c.n, own.kol_vo, own.brak);

        FOR other IN SELECT * FROM accounts_dep.smena WHERE data = d AND id <> 900200 + c.n LOOP
            ASSERT other.kol_vo = c.other_kol_vo AND other.brak = c.other_brak,
                format('case %s: worker %s got %s/%s', c.n, other.w_id, other.kol_vo, other.brak);
            ASSERT (other.smena, other.i_id, other.o_id, other.cena, other.color, other.time,
                    other.ok, other.prize, other.id_doc, other.id_doc_item)
                 = (own.smena, own.i_id, own.o_id, own.cena, own.color, own.time,
                    'no'::varchar, 0::float8, own.id_doc, own.id_doc_item),
                format('case %s: copied fields differ for worker %s', c.n, other.w_id);
        END LOOP;
        ASSERT (SELECT array_agg(w_id ORDER BY w_id) FROM accounts_dep.smena WHERE data = d)
             = (SELECT array_agg(9001 + g ORDER BY g) FROM generate_series(0, c.k) g),
            format('case %s: wrong workers', c.n);

        FOR other IN SELECT w_id FROM accounts_dep.smena WHERE data = d LOOP
            EXECUTE format('SELECT d%s FROM accounts_dep.h_tabel WHERE w_id = $1 AND smena = 2'
                           ' AND month = 5 AND year = 2031', extract(day FROM d)::int)
                INTO hours USING other.w_id;
            ASSERT hours = 6, format('case %s: worker %s has %s hours', c.n, other.w_id, hours);
        END LOOP;

        ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.person_temp WHERE id_smena = 900200 + c.n),
            format('case %s: brigade not cleared', c.n);
        snapshot := (SELECT array_agg((w_id, kol_vo, brak)::text ORDER BY id)
                     FROM accounts_dep.smena WHERE data = d);
        ASSERT accounts_dep.divide_between_person(900200 + c.n) = 0,
            format('case %s: second call divided again', c.n);
        ASSERT snapshot = (SELECT array_agg((w_id, kol_vo, brak)::text ORDER BY id)
                           FROM accounts_dep.smena WHERE data = d),
            format('case %s: second call changed the entries', c.n);
    END LOOP;
END
$$;

-- A member's day is the sum of all his entries of that date and shift; his other days stay.
DO $$
DECLARE
    h record;
BEGIN
    INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1, d20) VALUES (9002, 1, 5, 2031, 8, 3);
    INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time)
    VALUES (900301, '2031-05-20', 1, 9002, 900001, 900001, 2, 5, 3),
           (900302, '2031-05-20', 1, 9001, 900001, 900001, 2, 10, 4);
    INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900302, 900002);

    PERFORM accounts_dep.divide_between_person(900302);

    SELECT * INTO h FROM accounts_dep.h_tabel WHERE w_id = 9002 AND smena = 1 AND month = 5 AND year = 2031;
    ASSERT h.d20 = 7 AND h.d1 = 8, format('member hours d20=%s d1=%s', h.d20, h.d1);
    SELECT * INTO h FROM accounts_dep.h_tabel WHERE w_id = 9001 AND smena = 1 AND month = 5 AND year = 2031;
    ASSERT h.d20 = 4, format('own hours d20=%s', h.d20);
END
$$;

-- The entry's own worker or a person listed twice gets no extra share.
DO $$
BEGIN
    INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time)
    VALUES (900401, '2031-05-21', 1, 9001, 900001, 900001, 2, 10, 8);
    INSERT INTO accounts_dep.person_temp (id_smena, id_person)
    VALUES (900401, 900001), (900401, 900002), (900401, 900002);

    ASSERT accounts_dep.divide_between_person(900401) = 1;
    ASSERT (SELECT array_agg(kol_vo ORDER BY w_id) FROM accounts_dep.smena
            WHERE data = '2031-05-21') = ARRAY[5, 5]::float8[];
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.person_temp WHERE id_smena = 900401);
END
$$;

-- A member without a numeric worker code stops the division and changes nothing.
DO $$
DECLARE
    err text;
BEGIN
    INSERT INTO cmn_contractor.person (id, s_code, s_caption) VALUES (900009, 'Б/Н', 'Без Номера');
    INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time)
    VALUES (900501, '2031-05-22', 1, 9001, 900001, 900001, 2, 10, 8);
    INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900501, 900002), (900501, 900009);
    BEGIN
        PERFORM accounts_dep.divide_between_person(900501);
    EXCEPTION WHEN raise_exception THEN
        err := SQLERRM;
    END;
    ASSERT err LIKE '%Без Номера%', format('error: %s', err);
    ASSERT (SELECT array_agg((w_id, kol_vo)::text) FROM accounts_dep.smena
            WHERE data = '2031-05-22') = ARRAY['(9001,10)'];
    ASSERT (SELECT array_agg(id_person::numeric ORDER BY id_person) FROM accounts_dep.person_temp
            WHERE id_smena = 900501) = ARRAY[900002, 900009]::numeric[];
END
$$;

ROLLBACK;
