-- The entries' history: every action of every login is written by the database, with the
-- session's login, and no login can change or remove it; notifications name what changed.
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

-- No login changes or removes history, nor writes it directly; every login reads it.
CREATE TEMP TABLE attempts (stmt text);
INSERT INTO attempts VALUES
    ('UPDATE accounts_dep.smena_history SET login = ''x'''),
    ('DELETE FROM accounts_dep.smena_history'),
    ('TRUNCATE accounts_dep.smena_history'),
    ('INSERT INTO accounts_dep.smena_history (id_smena, action) VALUES (1, ''insert'')'),
    ('SELECT setval(''accounts_dep.smena_history_id_seq'', 1)');
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
END
$$;

ROLLBACK;
