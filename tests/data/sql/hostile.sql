-- A plant login trying to get above its role or to stop the others, with nothing but psql:
-- temporary relations named after the catalog and the program's relations, locks on the keys
-- the program uses, and figures the dialogs never send.
BEGIN;
\ir _data.sql
SET client_min_messages = warning;

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, ok)
VALUES (900101, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 8, 'ok'),
       (900102, '2031-05-14', 1, 9002, 900001, 900001, 2, 10, 8, 'no'),
       (900103, '2031-05-15', 1, 9002, 900001, 900001, 2, 10, 8, 'no');
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)
VALUES (900102, 901001, 1);

-- Every function and trigger function of the program's schema finds unqualified names in
-- pg_catalog first and in the session's temporary schema never before it.
DO $$
DECLARE
    v_function record;
BEGIN
    FOR v_function IN
        SELECT p.oid::regprocedure AS name, p.proconfig
        FROM pg_proc p WHERE p.pronamespace = 'accounts_dep'::regnamespace
    LOOP
        ASSERT 'search_path=pg_catalog, pg_temp' = ANY (v_function.proconfig),
            format('%s runs with %s', v_function.name, v_function.proconfig);
    END LOOP;
END
$$;

-- A foreman's temporary relations shadow the catalog and the program's relations by name,
-- with rows saying he owns every relation; his own path even puts them first.
SET LOCAL ROLE master;
DO $$
DECLARE
    v_name text;
BEGIN
    FOREACH v_name IN ARRAY ARRAY['pg_class', 'pg_roles', 'pg_namespace', 'pg_proc',
                                  'pg_auth_members', 'pg_authid', 'pg_database'] LOOP
        EXECUTE format('CREATE TEMP TABLE %I (oid oid, relowner oid, relname name, '
                       'rolname name, nspname name, proname name, roleid oid, member oid)',
                       v_name);
        EXECUTE format('INSERT INTO pg_temp.%I SELECT c.oid, ''master''::regrole, c.relname, '
                       '''tabel_service'', ''accounts_dep'', ''x'', ''tabel_service''::regrole, '
                       '''master''::regrole FROM pg_catalog.pg_class c', v_name);
    END LOOP;
    FOREACH v_name IN ARRAY ARRAY['smena', 'smena_gds_use', 'person_temp', 'h_tabel', 'oper',
                                  'norm', 'vid_oper', 'izdel', 'ver', 'change_log',
                                  'smena_history', 'hours_month_lock', 'hours_worker_lock'] LOOP
        EXECUTE format('CREATE TEMP TABLE %I (id integer, ok text, id_smena integer)', v_name);
    END LOOP;
END
$$;
SET LOCAL search_path = pg_temp, public, pg_catalog;

DO $$
DECLARE
    c record;
    v_error text;
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            ('change an accepted entry',
             'UPDATE accounts_dep.smena SET kol_vo = 99 WHERE id = 900101',
             'Позиция принята, изменить её нельзя'),
            ('accept by hand',
             'UPDATE accounts_dep.smena SET ok = ''ok'' WHERE id = 900102',
             'Принять позицию может только учётчик'),
            ('delete an accepted entry',
             'DELETE FROM accounts_dep.smena WHERE id = 900101',
             'Позиция принята, удалить её нельзя'),
            ('materials of an accepted entry',
             'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) '
             'VALUES (900101, 901001, 5)',
             'Позиция принята, изменить её расход ТМЦ нельзя'),
            ('the clerk''s accept',
             'SELECT accounts_dep.smena__accept_row_hwo(900102)', 'permission denied')
        ) AS t (what, statement, refusal)
    LOOP
        v_error := NULL;
        BEGIN
            EXECUTE c.statement;
        EXCEPTION WHEN OTHERS THEN
            v_error := SQLERRM;
        END;
        ASSERT v_error LIKE '%' || c.refusal || '%',
            format('%s: expected "%s", got %s', c.what, c.refusal, coalesce(v_error, 'success'));
    END LOOP;
END
$$;
DO $$
DECLARE
    v_name text;
BEGIN
    FOR v_name IN SELECT c.relname FROM pg_catalog.pg_class c
                  WHERE c.relnamespace = pg_catalog.pg_my_temp_schema() AND c.relkind = 'r' LOOP
        EXECUTE format('DROP TABLE pg_temp.%I', v_name);
    END LOOP;
END
$$;
RESET search_path;
RESET ROLE;
DO $$
BEGIN
    ASSERT (SELECT s.ok FROM accounts_dep.smena s WHERE s.id = 900102) = 'no',
        'the foreman accepted an entry';
    ASSERT (SELECT s.kol_vo FROM accounts_dep.smena s WHERE s.id = 900101) = 10,
        'the foreman changed an accepted entry';
END
$$;

-- The hours postings lock rows only a writer may lock, within his own transaction: no
-- advisory key that any login could hold, and no reader can lock the rows.
SET LOCAL ROLE master;
SELECT accounts_dep.post_hours(9002, 1, '2031-05-14');
SELECT accounts_dep.h_tabel_rebuild(5, 2031);
RESET ROLE;
DO $$
BEGIN
    ASSERT NOT EXISTS (SELECT 1 FROM pg_locks l
                       WHERE l.pid = pg_backend_pid() AND l.locktype = 'advisory'),
        'the hours posting takes advisory locks';
END
$$;
DO $$
DECLARE
    c record;
    v_error text;
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            ('econom', 'SELECT 1 FROM accounts_dep.hours_month_lock FOR SHARE'),
            ('econom', 'SELECT 1 FROM accounts_dep.hours_worker_lock FOR UPDATE'),
            ('clerk_a', 'SELECT 1 FROM accounts_dep.hours_month_lock FOR KEY SHARE'),
            ('econom', 'SELECT accounts_dep.lock_hours_month(2031, 5, true)'),
            ('clerk_a', 'SELECT accounts_dep.lock_hours_day(9001, 1, ''2031-05-14'')')
        ) AS t (login, statement)
    LOOP
        v_error := NULL;
        EXECUTE format('SET LOCAL ROLE %I', c.login);
        BEGIN
            EXECUTE c.statement;
        EXCEPTION WHEN insufficient_privilege THEN
            v_error := SQLERRM;
        END;
        RESET ROLE;
        ASSERT v_error IS NOT NULL, format('%s may run: %s', c.login, c.statement);
    END LOOP;
END
$$;

-- Every login of the program's roles at its set-up ends an idle transaction after five
-- minutes (one added since gets it when the set-up runs again).
DO $$
DECLARE
    v_login text;
BEGIN
    FOREACH v_login IN ARRAY ARRAY['sys', 'master', 'clerk_a', 'clerk_b', 'clerk_c', 'econom']
    LOOP
        ASSERT EXISTS (SELECT 1 FROM pg_db_role_setting s
                       WHERE s.setrole = v_login::regrole AND s.setdatabase = 0
                         AND 'idle_in_transaction_session_timeout=5min' = ANY (s.setconfig)),
            format('%s keeps an idle transaction open for ever', v_login);
    END LOOP;
END
$$;

-- Figures no dialog sends, written directly by a foreman: each refused in Russian.
SET LOCAL ROLE master;
DO $$
DECLARE
    c record;
    v_error text;
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            ('quantity NaN', 'UPDATE accounts_dep.smena SET kol_vo = ''NaN'' WHERE id = 900102',
             'Количество "NaN" не является числом'),
            ('quantity -Infinity',
             'UPDATE accounts_dep.smena SET kol_vo = ''-Infinity'' WHERE id = 900102',
             'не является числом'),
            ('negative quantity', 'UPDATE accounts_dep.smena SET kol_vo = -1 WHERE id = 900102',
             'не является числом'),
            ('negative defects', 'UPDATE accounts_dep.smena SET brak = -5 WHERE id = 900102',
             'Брак "-5" не является целым числом'),
            ('defects over pieces', 'UPDATE accounts_dep.smena SET brak = 11 WHERE id = 900102',
             'Брак не может быть больше количества'),
            ('999 hours', 'UPDATE accounts_dep.smena SET time = 999 WHERE id = 900102',
             'Время за день не может быть больше 24 часов'),
            ('negative hours', 'UPDATE accounts_dep.smena SET time = -1 WHERE id = 900102',
             'Время за день не может быть больше 24 часов'),
            ('price 1e12', 'UPDATE accounts_dep.smena SET cena = 1e12 WHERE id = 900102',
             'не является допустимой ценой'),
            ('price NaN', 'UPDATE accounts_dep.smena SET cena = ''NaN'' WHERE id = 900102',
             'не является допустимой ценой'),
            ('negative price', 'UPDATE accounts_dep.smena SET cena = -2 WHERE id = 900102',
             'не является допустимой ценой'),
            ('shift 9', 'UPDATE accounts_dep.smena SET smena = 9 WHERE id = 900102',
             'Смена "9" должна быть от 1 до 4'),
            ('shift 0 on insert',
             'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo) '
             'VALUES (''2031-05-14'', 0, 9003, 900001, 900001, 1)',
             'Смена "0" должна быть от 1 до 4'),
            ('another number', 'UPDATE accounts_dep.smena SET id = 777777 WHERE id = 900102',
             'Номер позиции изменить нельзя'),
            ('a second entry past 24 hours',
             'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo, time) '
             'VALUES (''2031-05-14'', 1, 9002, 900001, 900001, 1, 17)',
             'У рабочего уже 8 ч за 14.05.2031 в этой смене'),
            ('two entries at once past 24 hours',
             'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo, time) '
             'VALUES (''2031-05-16'', 1, 9003, 900001, 900001, 1, 13), '
             '(''2031-05-16'', 1, 9003, 900001, 900001, 1, 12)',
             'Время за день не может быть больше 24 часов'),
            ('an entry moved onto a full day',
             'UPDATE accounts_dep.smena SET data = ''2031-05-14'', time = 20 WHERE id = 900103',
             'У рабочего уже 8 ч за 14.05.2031 в этой смене')
        ) AS t (what, statement, refusal)
    LOOP
        v_error := NULL;
        BEGIN
            EXECUTE c.statement;
        EXCEPTION WHEN raise_exception THEN
            v_error := SQLERRM;
        END;
        ASSERT v_error LIKE '%' || c.refusal || '%',
            format('%s: expected "%s", got %s', c.what, c.refusal, coalesce(v_error, 'success'));
    END LOOP;
    -- What stays allowed: other shifts and days, a day of exactly 24 hours.
    INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo, time)
    VALUES ('2031-05-14', 2, 9002, 900001, 900001, 1, 16),
           ('2031-05-14', 1, 9002, 900001, 900001, 1, 16);
    UPDATE accounts_dep.smena SET kol_vo = 12.5, brak = 2, cena = 3.25 WHERE id = 900102;
END
$$;

-- A deletion carries the version the list showed.
DO $$
DECLARE
    v_seen  text := (SELECT s.row_version::text FROM accounts_dep.smena s WHERE s.id = 900103);
    v_error text;
BEGIN
    -- (One transaction: a change shows in the version by its materials.)
    INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)
    VALUES (900103, 901001, 2);
    BEGIN
        PERFORM accounts_dep.smena_delete(900103, v_seen);
    EXCEPTION WHEN OTHERS THEN
        v_error := SQLERRM;
    END;
    ASSERT v_error = 'Запись изменена другим пользователем', coalesce(v_error, 'deleted');
    PERFORM accounts_dep.smena_delete(900103, (SELECT s.row_version::text
                                               FROM accounts_dep.smena s WHERE s.id = 900103));
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.smena s WHERE s.id = 900103);
END
$$;
RESET ROLE;

-- An old row that breaks a rule stays readable and can still be accepted.
ALTER TABLE accounts_dep.smena DISABLE TRIGGER smena_check_row;
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok)
VALUES (900104, '2031-05-17', 1, 9004, 900001, 900001, 2, 3, 5, 8, 'no');
ALTER TABLE accounts_dep.smena ENABLE TRIGGER smena_check_row;
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (900104, 901001, 1);
SET LOCAL ROLE clerk_a;
SELECT accounts_dep.smena__accept_row_hwo(900104);
RESET ROLE;

ROLLBACK;
