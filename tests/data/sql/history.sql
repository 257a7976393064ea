-- The entries' history: every action of every login is written by the database, with the
-- session's login, and no login can change or remove it; the change log names what changed.
-- Everything runs in one transaction that is rolled back at the end.
BEGIN;
\ir _data.sql

-- master adds an entry, changes it and gives it a material and a brigade member.
SET SESSION AUTHORIZATION master;
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time)
VALUES (900201, '2031-05-14', 1, 9001, 900001, 900001, 2, 16, 8);
UPDATE accounts_dep.smena SET kol_vo = 30 WHERE id = 900201;
UPDATE accounts_dep.smena SET kol_vo = 30 WHERE id = 900201;  -- same value: no history row
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (900201, 901001, 1.5);
UPDATE accounts_dep.smena_gds_use SET f_qty_use = 2 WHERE id_smena = 900201;
INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900201, 900004);
DELETE FROM accounts_dep.person_temp WHERE id_smena = 900201;
RESET SESSION AUTHORIZATION;

-- clerk_a accepts it through the SECURITY DEFINER function: the history names the clerk.
SET SESSION AUTHORIZATION clerk_a;
DO $$ BEGIN PERFORM accounts_dep.smena__accept_row_hwo(900201); END $$;
RESET SESSION AUTHORIZATION;

-- sys deletes it.
SET SESSION AUTHORIZATION sys;
DELETE FROM accounts_dep.smena WHERE id = 900201;
RESET SESSION AUTHORIZATION;

DO $$
DECLARE
    v_actual text;
BEGIN
    SELECT string_agg(h.login || ':' || h.action, ' ' ORDER BY h.id) INTO v_actual
    FROM accounts_dep.smena_history h WHERE h.id_smena = 900201;
    ASSERT v_actual = 'master:insert master:update master:material_add master:material_change '
                      'master:brigade_add master:brigade_delete clerk_a:accept sys:delete '
                      'sys:material_delete',
        'history of the entry: ' || coalesce(v_actual, '(none)');

    ASSERT (SELECT h.changes FROM accounts_dep.smena_history h
            WHERE h.id_smena = 900201 AND h.action = 'update')
           = '{"kol_vo": {"old": 16, "new": 30}}'::jsonb, 'update records old and new value';
    ASSERT (SELECT h.changes -> 'ok' FROM accounts_dep.smena_history h
            WHERE h.id_smena = 900201 AND h.action = 'accept')
           = '{"old": "no", "new": "ok"}'::jsonb, 'acceptance records the mark';
    ASSERT (SELECT h.changes -> 'kol_vo' FROM accounts_dep.smena_history h
            WHERE h.id_smena = 900201 AND h.action = 'insert')
           = '{"new": 16}'::jsonb, 'insert records the new values';
    ASSERT (SELECT h.changes -> 'kol_vo' FROM accounts_dep.smena_history h
            WHERE h.id_smena = 900201 AND h.action = 'delete')
           = '{"old": 30}'::jsonb, 'deletion records the old values';
    ASSERT (SELECT h.changes FROM accounts_dep.smena_history h
            WHERE h.id_smena = 900201 AND h.action = 'material_change')
           = '{"f_qty_use": {"old": 1.5, "new": 2}}'::jsonb, 'material change';
    ASSERT (SELECT count(*) FROM accounts_dep.smena_history h
            WHERE h.id_smena = 900201 AND h.action = 'delete'
              AND h.data = '2031-05-14' AND h.smena = 1) = 1,
        'a deleted entry is found by its date and shift';
END
$$;

-- The change log holds a row per change of the entry, its materials and brigade included
-- (a line removed with its entry adds nothing to the entry's deletion); a rewrite with the same
-- values changes the row's version, so it is logged too.
DO $$
DECLARE
    v_actual text;
BEGIN
    SELECT string_agg(c.action, ' ' ORDER BY c.id) INTO v_actual
    FROM accounts_dep.change_log c WHERE c.subject = 'smena' AND c.key_id = 900201;
    ASSERT v_actual = 'I U U U U U U U D', 'log of the entry: ' || coalesce(v_actual, '(none)');
    ASSERT (SELECT count(*) FROM accounts_dep.change_log c
            WHERE c.subject = 'smena' AND c.key_id = 900201
              AND (c.data, c.smena) IS DISTINCT FROM ('2031-05-14'::date, 1::smallint)) = 0,
        'every row of the entry names its date and shift';
END
$$;

-- An entry moved to another day and shift names where it was; a norm moved to another
-- operation names both; hours give a row per worker's row of a page, an update's old page
-- too, and a month rebuild logs every row it deletes and writes in one statement each.
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time)
VALUES (900202, '2031-05-14', 1, 9001, 900001, 900001, 2, 16, 8);
CREATE TEMP TABLE log_mark AS SELECT max(c.id) AS id FROM accounts_dep.change_log c;
UPDATE accounts_dep.smena SET data = '2031-05-15', smena = 2 WHERE id = 900202;
UPDATE accounts_dep.norm SET o_id = 900002 WHERE id = 900001;
INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1)
VALUES (9001, 1, 5, 2031, 8), (9002, 1, 5, 2031, 8), (9003, 3, 5, 2031, 8);
UPDATE accounts_dep.h_tabel SET smena = 2 WHERE w_id = 9003 AND year = 2031;
DO $$
DECLARE
    v_actual text;
    v_rows bigint;
BEGIN
    SELECT string_agg(concat_ws(':', c.subject, c.action, c.key_id, c.o_id, c.w_id, c.data,
                                c.smena, c.old_data, c.old_smena, c.year, c.month), ' '
                      ORDER BY c.id)
    INTO v_actual
    FROM accounts_dep.change_log c WHERE c.id > (SELECT m.id FROM log_mark m);
    ASSERT v_actual = 'smena:U:900202:2031-05-15:2:2031-05-14:1 norm:U:900001:900002 '
                      'norm:U:900001:900001 h_tabel:I:9001:1:2031:5 h_tabel:I:9002:1:2031:5 '
                      'h_tabel:I:9003:3:2031:5 h_tabel:U:9003:2:2031:5 h_tabel:U:9003:3:2031:5',
        'log: ' || coalesce(v_actual, '(none)');

    UPDATE log_mark SET id = (SELECT max(c.id) FROM accounts_dep.change_log c);
    SELECT count(*) INTO v_rows FROM accounts_dep.h_tabel h WHERE h.month = 5 AND h.year = 2031;
    PERFORM accounts_dep.h_tabel_rebuild(5, 2031);
    SELECT v_rows + count(*) INTO v_rows
    FROM accounts_dep.h_tabel h WHERE h.month = 5 AND h.year = 2031;
    ASSERT (SELECT count(*) FROM accounts_dep.change_log c
            WHERE c.id > (SELECT m.id FROM log_mark m)
              AND c.subject = 'h_tabel' AND c.year = 2031 AND c.month = 5) = v_rows,
        'a rebuild logs each row it deletes and writes';
END
$$;

-- No login changes or removes history or the change log, nor writes them directly, nor prunes
-- the log; every login reads both.
CREATE TEMP TABLE attempts (stmt text);
INSERT INTO attempts VALUES
    ('UPDATE accounts_dep.smena_history SET login = ''x'''),
    ('DELETE FROM accounts_dep.smena_history'),
    ('TRUNCATE accounts_dep.smena_history'),
    ('INSERT INTO accounts_dep.smena_history (id_smena, action) VALUES (1, ''insert'')'),
    ('SELECT setval(''accounts_dep.smena_history_id_seq'', 1)'),
    ('UPDATE accounts_dep.change_log SET key_id = 1'),
    ('DELETE FROM accounts_dep.change_log'),
    ('TRUNCATE accounts_dep.change_log'),
    ('INSERT INTO accounts_dep.change_log (subject, action, key_id) VALUES (''smena'', ''U'', 1)'),
    ('SELECT setval(''accounts_dep.change_log_id_seq'', 1)'),
    ('UPDATE accounts_dep.change_log_pruned SET up_to = 0'),
    ('SELECT 1 FROM accounts_dep.change_log_pruned FOR UPDATE'),
    ('SELECT accounts_dep.change_log_prune(''0'')');
GRANT SELECT ON attempts TO PUBLIC;

DO $$
DECLARE
    v_login text;
    v_stmt text;
    v_state text;
BEGIN
    FOREACH v_login IN ARRAY ARRAY['sys', 'master', 'clerk_a', 'econom'] LOOP
        EXECUTE format('SET LOCAL ROLE %I', v_login);
        PERFORM 1 FROM accounts_dep.smena_history LIMIT 1;  -- reading is allowed
        PERFORM 1 FROM accounts_dep.change_log, accounts_dep.change_log_pruned LIMIT 1;
        RESET ROLE;
        FOR v_stmt IN SELECT stmt FROM attempts LOOP
            v_state := NULL;
            BEGIN
                EXECUTE format('SET LOCAL ROLE %I', v_login);
                EXECUTE v_stmt;
                RAISE SQLSTATE 'TBL00';
            EXCEPTION WHEN SQLSTATE 'TBL00' THEN
                NULL;
            WHEN OTHERS THEN
                v_state := SQLSTATE;
            END;
            ASSERT v_state = '42501', format('%s: %s gave %s', v_login, v_stmt,
                                             coalesce(v_state, 'success'));
        END LOOP;
    END LOOP;
    RESET ROLE;
    -- Not even the owner changes it.
    FOR v_stmt IN SELECT stmt FROM attempts LIMIT 3 LOOP
        v_state := NULL;
        BEGIN
            EXECUTE v_stmt;
        EXCEPTION WHEN OTHERS THEN
            v_state := SQLSTATE;
        END;
        ASSERT v_state = 'P0001', format('owner: %s gave %s', v_stmt, coalesce(v_state, 'success'));
    END LOOP;
END
$$;

-- The history of an entry is read through the index.
SET LOCAL enable_seqscan = off;
DO $$
DECLARE
    v_plan text := '';
    v_line text;
BEGIN
    FOR v_line IN EXECUTE
        'EXPLAIN SELECT * FROM accounts_dep.smena_history WHERE id_smena = 900201 ORDER BY at'
    LOOP
        v_plan := v_plan || v_line || E'\n';
    END LOOP;
    ASSERT v_plan LIKE '%smena_history_id_smena_at_idx%', 'history by entry uses its index: ' || v_plan;
    -- A reader's page of the log after its last row is one range of the primary key.
    v_plan := '';
    FOR v_line IN EXECUTE
        'EXPLAIN SELECT * FROM accounts_dep.change_log c WHERE c.id > 1 ORDER BY c.id LIMIT 1000'
    LOOP
        v_plan := v_plan || v_line || E'\n';
    END LOOP;
    ASSERT v_plan LIKE '%change_log_pkey%',
        'the log after an id is read through its key: ' || v_plan;
END
$$;
RESET enable_seqscan;

-- Pruning by age: recent rows stay; past the age, the oldest go (10,000 numbers a call at most)
-- and the highest number gone is recorded for the readers.
DO $$
DECLARE
    v_min bigint := (SELECT min(c.id) FROM accounts_dep.change_log c);
    v_max bigint := (SELECT max(c.id) FROM accounts_dep.change_log c);
    v_rows bigint := (SELECT count(*) FROM accounts_dep.change_log c);
    v_oldest_last bigint;
    v_deleted integer;
BEGIN
    SELECT max(c.id) INTO v_oldest_last FROM accounts_dep.change_log c WHERE c.id <= v_min + 10000;
    ASSERT accounts_dep.change_log_prune('1 day') = 0, 'recent rows were pruned';
    v_deleted := accounts_dep.change_log_prune('0');
    ASSERT v_deleted = (SELECT v_rows - count(*) FROM accounts_dep.change_log c), 'count';
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.change_log c WHERE c.id <= v_min + 10000),
        'old rows are kept';
    ASSERT (SELECT count(*) FROM accounts_dep.change_log c) = v_rows - v_deleted,
        'more than one call''s share was pruned';
    ASSERT (SELECT p.up_to FROM accounts_dep.change_log_pruned p) = v_oldest_last,
        'the highest number pruned is recorded';
END
$$;

ROLLBACK;
