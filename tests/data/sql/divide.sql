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

-- Splits by coefficient (КТУ) and by hours: a table of entries of worker 9001 with members
-- from 9002 on (and maybe a line of his own), divided and compared row by row: pieces, defects,
-- pay to the kopeck and the hours of every member's day. Rows are in the order owner, then by
-- worker code.
INSERT INTO cmn_contractor.person (id, s_code, s_caption, b_employee)
VALUES (900005, '9005', 'Тестов Пятый', true);
DO $$
DECLARE
    c record;
    d date;
    i integer;
    got record;
    hours integer;
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            -- one member, coefficients without remainders
            (1, 'ktu', 10::float8, 0, 2.5, 8, NULL::numeric, NULL::integer,
             ARRAY[9002], ARRAY[1.5], ARRAY[NULL::integer],
             ARRAY[4, 6]::float8[], ARRAY[0, 0], ARRAY[10, 15]::numeric[], ARRAY[8, 8]),
            -- remainders: the largest takes the piece left, for good pieces and defects alike
            (2, 'ktu', 10, 1, 1.1, 8, 1.0, NULL,
             ARRAY[9002, 9003], ARRAY[1.2, 0.8], ARRAY[NULL::integer, NULL],
             ARRAY[3, 5, 2], ARRAY[0, 1, 0], ARRAY[3.3, 4.4, 2.2], ARRAY[8, 8, 8]),
            -- equal remainders: the entry's worker first, then by worker code
            (3, 'ktu', 10, 0, 2, 6, NULL, NULL,
             ARRAY[9004, 9002, 9003], ARRAY[1, 1, 1], ARRAY[NULL::integer, NULL, NULL],
             ARRAY[3, 3, 2, 2], ARRAY[0, 0, 0, 0], ARRAY[6, 6, 4, 4], ARRAY[6, 6, 6, 6]),
            -- five members, prices of four places
            (4, 'ktu', 23, 3, 3.3333, 8, 1, NULL,
             ARRAY[9002, 9003, 9004, 9005], ARRAY[0.5, 2.5, 1.25, 0.75],
             ARRAY[NULL::integer, NULL, NULL, NULL],
             ARRAY[4, 2, 9, 5, 3], ARRAY[1, 0, 1, 1, 0],
             ARRAY[9.9999, 6.6666, 26.6664, 13.3332, 9.9999], ARRAY[8, 8, 8, 8, 8]),
            -- no whole good piece: the fraction stays with the entry's worker
            (5, 'ktu', 0.6, 0, 2, 4, NULL, NULL,
             ARRAY[9002, 9003], ARRAY[2, 2], ARRAY[NULL::integer, NULL],
             ARRAY[0.6, 0, 0], ARRAY[0, 0, 0], ARRAY[1.2, 0, 0], ARRAY[4, 4, 4]),
            -- defects only
            (6, 'ktu', 4, 4, 2, 8, NULL, NULL,
             ARRAY[9002], ARRAY[3], ARRAY[NULL::integer],
             ARRAY[1, 3], ARRAY[1, 3], ARRAY[0, 0], ARRAY[8, 8]),
            -- by hours: the entry's worker with the entry's hours, every member his own
            (7, 'hours', 20, 2, 0.125, 8, NULL, NULL,
             ARRAY[9002, 9003], ARRAY[1, 1], ARRAY[4, 6],
             ARRAY[9, 4, 7], ARRAY[1, 0, 1], ARRAY[1, 0.5, 0.75], ARRAY[8, 4, 6]),
            -- by hours, the entry's worker listed with hours of his own
            (8, 'hours', 7, 0, 3, 8, 1, 5,
             ARRAY[9002], ARRAY[1], ARRAY[3],
             ARRAY[4, 3], ARRAY[0, 0], ARRAY[12, 9], ARRAY[5, 3]),
            -- even, whatever the coefficients say: what does not divide stays with the worker
            (9, 'even', 10, 0, 2, 8, 3, NULL,
             ARRAY[9002, 9003, 9004], ARRAY[2, 0.5, 1], ARRAY[NULL::integer, NULL, NULL],
             ARRAY[4, 2, 2, 2], ARRAY[0, 0, 0, 0], ARRAY[8, 4, 4, 4], ARRAY[8, 8, 8, 8])
        ) AS t (n, split, kol_vo, brak, cena, time, own_ktu, own_hours, codes, ktus, hours,
                want_kol_vo, want_brak, want_pay, want_time)
    LOOP
        d := date '2031-06-01' + c.n;
        INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak,
                                        color, time, ok, id_doc, id_doc_item)
        VALUES (900600 + c.n, d, 1, 9001, 900001, 900001, c.cena, c.kol_vo, c.brak, 0, c.time,
                'no', 900001, 900011);
        IF c.own_ktu IS NOT NULL THEN
            INSERT INTO accounts_dep.person_temp (id_smena, id_person, ktu, hours, split)
            VALUES (900600 + c.n, 900001, c.own_ktu, c.own_hours, c.split);
        END IF;
        INSERT INTO accounts_dep.person_temp (id_smena, id_person, ktu, hours, split)
        SELECT 900600 + c.n, 900000 + m.code - 9000, m.ktu, m.hours, c.split
        FROM unnest(c.codes, c.ktus, c.hours) AS m (code, ktu, hours);

        ASSERT accounts_dep.divide_between_person(900600 + c.n) = cardinality(c.codes),
            format('case %s: divided with another number of people', c.n);

        i := 0;
        FOR got IN
            SELECT s.w_id, s.kol_vo, s.brak, s.time,
                   (s.kol_vo::numeric - s.brak) * s.cena::numeric AS pay
            FROM accounts_dep.smena s WHERE s.data = d
            ORDER BY s.w_id <> 9001, s.w_id
        LOOP
            i := i + 1;
            ASSERT (got.kol_vo, got.brak, got.pay, got.time)
                 = (c.want_kol_vo[i], c.want_brak[i], c.want_pay[i], c.want_time[i]),
                format('case %s: worker %s got %s/%s, pay %s, %s h; expected %s/%s, %s, %s h',
                       c.n, got.w_id, got.kol_vo, got.brak, got.pay, got.time,
                       c.want_kol_vo[i], c.want_brak[i], c.want_pay[i], c.want_time[i]);
            EXECUTE format('SELECT d%s FROM accounts_dep.h_tabel WHERE w_id = $1 AND smena = 1'
                           ' AND month = 6 AND year = 2031', extract(day FROM d)::int)
                INTO hours USING got.w_id;
            ASSERT hours = c.want_time[i],
                format('case %s: worker %s has %s hours in the timesheet', c.n, got.w_id, hours);
        END LOOP;
        ASSERT i = cardinality(c.want_kol_vo), format('case %s: %s rows', c.n, i);
        ASSERT (SELECT (sum(s.kol_vo::numeric), sum(s.brak),
                        sum((s.kol_vo::numeric - s.brak) * s.cena::numeric))
                FROM accounts_dep.smena s WHERE s.data = d)
             = (c.kol_vo::numeric, c.brak::bigint, (c.kol_vo::numeric - c.brak) * c.cena),
            format('case %s: the totals changed', c.n);
        ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.person_temp WHERE id_smena = 900600 + c.n),
            format('case %s: brigade not cleared', c.n);
        -- The history keeps the split with each member's coefficient and hours.
        ASSERT (SELECT count(*) FROM accounts_dep.smena_history h
                WHERE h.id_smena = 900600 + c.n AND h.action = 'brigade_delete'
                  AND h.changes -> 'split' ->> 'old' = c.split
                  AND h.changes ? 'ktu')
             = cardinality(c.codes) + (c.own_ktu IS NOT NULL)::integer,
            format('case %s: the history lacks the split', c.n);
    END LOOP;
END
$$;

-- An even split writes exactly what the division always wrote: the old formula, over a range of
-- quantities, defects and brigades.
DO $$
DECLARE
    v_kol_vo float8;
    v_brak integer;
    v_k integer;
    v_id integer := 900700;
    v_people integer;
    v_good_share float8;
    v_defect_share integer;
    d date;
BEGIN
    FOREACH v_kol_vo IN ARRAY ARRAY[0, 1, 2.5, 7, 10, 10.5, 13, 0.3, 101.25]::float8[] LOOP
        FOREACH v_brak IN ARRAY ARRAY[0, 1, 3, 7] LOOP
            CONTINUE WHEN v_brak > v_kol_vo;
            FOR v_k IN 1..4 LOOP
                v_id := v_id + 1;
                d := date '2031-07-01' + (v_id - 900700);
                INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo,
                                                brak, time, id_doc, id_doc_item)
                VALUES (v_id, d, 3, 9001, 900001, 900001, 1.5, v_kol_vo, v_brak, 1, 900001,
                        900011);
                INSERT INTO accounts_dep.person_temp (id_smena, id_person, ktu)
                SELECT v_id, 900001 + g, 0.5 * g FROM generate_series(1, v_k) g;
                PERFORM accounts_dep.divide_between_person(v_id);

                v_people := v_k + 1;
                v_good_share := floor(greatest(floor(v_kol_vo - v_brak), 0) / v_people);
                v_defect_share := v_brak / v_people;
                ASSERT (SELECT array_agg((s.w_id, s.kol_vo, s.brak, s.time)::text ORDER BY s.w_id)
                        FROM accounts_dep.smena s WHERE s.data = d)
                     = ARRAY[(9001, v_kol_vo - v_k * (v_good_share + v_defect_share),
                              v_brak - v_k * v_defect_share, 1)::text]
                       || ARRAY(SELECT (9001 + g, v_good_share + v_defect_share, v_defect_share,
                                        1)::text
                                FROM generate_series(1, v_k) g ORDER BY g),
                    format('%s pieces, %s defects, %s members: another split', v_kol_vo, v_brak,
                           v_k);
            END LOOP;
        END LOOP;
    END LOOP;
END
$$;

-- Refusals change nothing: a member without hours when dividing by hours, lines split
-- differently; the table itself refuses coefficients and hours out of range and unknown splits.
DO $$
DECLARE
    c record;
    err text;
BEGIN
    INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time)
    VALUES (910001, '2032-01-10', 1, 9001, 900001, 900001, 2, 10, 8);
    FOR c IN
        SELECT * FROM (VALUES
            ('INSERT INTO accounts_dep.person_temp (id_smena, id_person, hours, split) '
             'VALUES (910001, 900002, 4, ''hours''), (910001, 900003, NULL, ''hours'')',
             'Не заданы часы: Тестов Третий'),
            ('INSERT INTO accounts_dep.person_temp (id_smena, id_person, split) '
             'VALUES (910001, 900002, ''ktu''), (910001, 900003, ''even'')',
             'разделены по-разному'),
            ('INSERT INTO accounts_dep.person_temp (id_smena, id_person, ktu) '
             'VALUES (910001, 900002, 0)', 'person_temp_ktu_check'),
            ('INSERT INTO accounts_dep.person_temp (id_smena, id_person, ktu) '
             'VALUES (910001, 900002, 10)', 'person_temp_ktu_check'),
            ('INSERT INTO accounts_dep.person_temp (id_smena, id_person, hours) '
             'VALUES (910001, 900002, 25)', 'person_temp_hours_check'),
            ('INSERT INTO accounts_dep.person_temp (id_smena, id_person, split) '
             'VALUES (910001, 900002, ''kto'')', 'person_temp_split_check')
        ) AS t (lines, refusal)
    LOOP
        err := NULL;
        BEGIN
            EXECUTE c.lines;
            PERFORM accounts_dep.divide_between_person(910001);
        EXCEPTION WHEN OTHERS THEN
            err := SQLERRM;
        END;
        ASSERT err LIKE '%' || c.refusal || '%', format('%s: %s', c.refusal, err);
        ASSERT (SELECT array_agg((w_id, kol_vo, time)::text) FROM accounts_dep.smena
                WHERE data = '2032-01-10') = ARRAY['(9001,10,8)'], c.refusal;
        DELETE FROM accounts_dep.person_temp WHERE id_smena = 910001;
    END LOOP;
END
$$;

ROLLBACK;
