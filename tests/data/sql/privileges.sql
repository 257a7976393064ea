-- What each login may do, tried directly in SQL as every demo login: a table of actions with
-- the outcome for each kind of login. NULL: allowed; 42501: no right; P0001: refused by a rule
-- of the database with a message of its own. Every statement runs on its own and is undone.
BEGIN;
\ir _data.sql

-- 900101, 900102: not accepted, with materials; 900103: accepted, with material and brigade;
-- operation 900002 has a single norm.
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, ok)
VALUES (900101, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 8, 'no'),
       (900102, '2031-05-14', 1, 9002, 900001, 900001, 2, 10, 8, 'no'),
       (900103, '2031-05-14', 1, 9003, 900001, 900001, 2, 10, 8, 'ok');
INSERT INTO accounts_dep.smena_gds_use (id, id_smena, id_gds_use, f_qty_use)
VALUES (900101, 900101, 901001, 1), (900102, 900102, 901001, 1), (900103, 900103, 901001, 1);
INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900102, 900004), (900103, 900004);
INSERT INTO accounts_dep.norm (id, o_id, norma, prize, price) VALUES (900003, 900002, 10, 0, 1);
INSERT INTO accounts_dep.ver (d, t) VALUES (20200101, 0);

-- Plant relations the program never reads, one of them granted to every login as an older
-- set-up did; the roles script is then loaded again, as tabel-dbsetup does on an update.
CREATE TABLE cmn_gds.gds_cost (id integer, cost numeric);
CREATE TABLE hrms_staffpos.salary (id integer, amount numeric);
GRANT SELECT ON ALL TABLES IN SCHEMA cmn_gds, hrms_staffpos TO tabel_read;
SET client_min_messages = warning;
\ir ../../../src/data/sql/roles.sql
RESET client_min_messages;

-- Of the plant's relations, every program role (and the owner, for the views) reads exactly
-- the list, and writes none.
DO $$
DECLARE
    v_role text;
    v_readable text[];
BEGIN
    FOREACH v_role IN ARRAY ARRAY['econom', 'clerk_a', 'master', 'sys', 'tabel_owner'] LOOP
        SELECT array_agg(c.oid::regclass::text ORDER BY c.oid::regclass::text) INTO v_readable
        FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
        WHERE n.nspname IN (SELECT split_part(r, '.', 1)
                            FROM unnest(accounts_dep.plant_relations_read()) AS r)
          AND c.relkind IN ('r', 'v', 'm', 'p', 'f')
          AND has_table_privilege(v_role, c.oid, 'SELECT');
        ASSERT v_readable = (SELECT array_agg(r ORDER BY r)
                             FROM unnest(accounts_dep.plant_relations_read()) AS r),
            format('%s reads the plant relations %s', v_role, v_readable);
        ASSERT NOT EXISTS (
            SELECT 1 FROM unnest(accounts_dep.plant_relations_read()) AS r
            WHERE has_table_privilege(v_role, r, 'INSERT, UPDATE, DELETE, TRUNCATE')),
            v_role || ' may write a plant relation';
    END LOOP;
END
$$;

CREATE TEMP TABLE rights (action text, stmt text, econom text, clerk text, master text, sys text);
INSERT INTO rights VALUES
    ('read every relation the program reads',
     'SELECT 1 FROM accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.v_worker,'
     ' cmn_contractor.person, hrms_movement.movement, hrms_staffpos.staffpos,'
     ' accounts_dep.v_mnf_requisition_item, accounts_dep.v_cmn_gds_in, stk_remainder.remainder,'
     ' mnf_operation.operation, cmn_doc.doc, accounts_dep.show_consignment(901001),'
     ' accounts_dep.get_gds_from_by_smena(900101), accounts_dep.ver LIMIT 1',
     NULL, NULL, NULL, NULL),
    ('stamp a newer build',
     'SELECT accounts_dep.ver_stamp(to_char(current_date, ''YYYYMMDD'')::integer, 5)',
     '42501', '42501', '42501', NULL),
    ('stamp tomorrow''s build (locks every workstation out)',
     'SELECT accounts_dep.ver_stamp(to_char(current_date + 1, ''YYYYMMDD'')::integer, 5)',
     '42501', '42501', '42501', NULL),
    ('stamp a build from the future',
     'SELECT accounts_dep.ver_stamp(to_char(current_date + 5, ''YYYYMMDD'')::integer, 5)',
     '42501', '42501', '42501', 'P0001'),
    ('read a plant relation the program does not read', 'SELECT 1 FROM cmn_gds.gds_cost',
     '42501', '42501', '42501', '42501'),
    ('read a plant relation granted by an older set-up', 'SELECT 1 FROM hrms_staffpos.salary',
     '42501', '42501', '42501', '42501'),
    ('write the version row directly', 'UPDATE accounts_dep.ver SET d = 20990101',
     '42501', '42501', '42501', '42501'),
    ('add a version row', 'INSERT INTO accounts_dep.ver (d, t) VALUES (20990101, 0)',
     '42501', '42501', '42501', '42501'),
    ('lock the version row', 'SELECT 1 FROM accounts_dep.ver FOR UPDATE',
     '42501', '42501', '42501', '42501'),
    ('add an entry',
     'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo)'
     ' VALUES (''2031-05-15'', 1, 9001, 900001, 900001, 1)',
     '42501', '42501', NULL, NULL),
    ('add an entry marked accepted',
     'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo, ok)'
     ' VALUES (''2031-05-15'', 1, 9001, 900001, 900001, 1, ''ok'')',
     '42501', '42501', 'P0001', NULL),
    ('edit an entry', 'UPDATE accounts_dep.smena SET kol_vo = 11 WHERE id = 900101',
     '42501', '42501', NULL, NULL),
    ('delete an entry', 'DELETE FROM accounts_dep.smena WHERE id = 900101',
     '42501', '42501', NULL, NULL),
    ('mark an entry accepted directly', 'UPDATE accounts_dep.smena SET ok = ''ok'' WHERE id = 900101',
     '42501', '42501', 'P0001', NULL),
    ('mark an entry "да" directly', 'UPDATE accounts_dep.smena SET ok = ''да'' WHERE id = 900101',
     '42501', '42501', 'P0001', NULL),
    ('accept an entry', 'SELECT accounts_dep.smena__accept_row_hwo(900101)',
     '42501', NULL, '42501', NULL),
    ('edit an accepted entry', 'UPDATE accounts_dep.smena SET kol_vo = 11 WHERE id = 900103',
     '42501', '42501', 'P0001', NULL),
    ('take back an acceptance', 'UPDATE accounts_dep.smena SET ok = ''no'' WHERE id = 900103',
     '42501', '42501', 'P0001', NULL),
    ('delete an accepted entry', 'DELETE FROM accounts_dep.smena WHERE id = 900103',
     '42501', '42501', 'P0001', NULL),
    ('add a material',
     'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (900101, 901001, 1)',
     '42501', '42501', NULL, NULL),
    ('add a material to an accepted entry',
     'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (900103, 901001, 1)',
     '42501', '42501', 'P0001', NULL),
    ('change a material of an accepted entry',
     'UPDATE accounts_dep.smena_gds_use SET f_qty_use = 5 WHERE id = 900103',
     '42501', '42501', 'P0001', NULL),
    ('move a material onto an accepted entry',
     'UPDATE accounts_dep.smena_gds_use SET id_smena = 900103 WHERE id = 900101',
     '42501', '42501', 'P0001', NULL),
    ('delete a material of an accepted entry',
     'DELETE FROM accounts_dep.smena_gds_use WHERE id = 900103',
     '42501', '42501', 'P0001', NULL),
    ('add to the brigade of an accepted entry',
     'INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900103, 900002)',
     '42501', '42501', 'P0001', NULL),
    ('remove from the brigade of an accepted entry',
     'DELETE FROM accounts_dep.person_temp WHERE id_smena = 900103',
     '42501', '42501', 'P0001', NULL),
    ('divide an entry among its brigade', 'SELECT accounts_dep.divide_between_person(900102)',
     '42501', '42501', NULL, NULL),
    ('post hours',
     'INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1) VALUES (9001, 1, 5, 2031, 8)',
     '42501', '42501', NULL, NULL),
    ('rebuild a month of hours', 'SELECT accounts_dep.h_tabel_rebuild(5, 2031)',
     '42501', '42501', NULL, NULL),
    ('add an operation kind', 'INSERT INTO accounts_dep.vid_oper (vid) VALUES (''Тестовая гибка'')',
     '42501', '42501', NULL, NULL),
    ('change an operation', 'UPDATE accounts_dep.oper SET cena_new = 3 WHERE id = 900001',
     '42501', '42501', NULL, NULL),
    ('add a norm',
     'INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES (900001, 200, 0, 1)',
     '42501', '42501', NULL, NULL),
    ('delete one of two norms', 'DELETE FROM accounts_dep.norm WHERE id = 900002',
     '42501', '42501', NULL, NULL),
    ('delete the last norm', 'DELETE FROM accounts_dep.norm WHERE id = 900003',
     '42501', '42501', 'P0001', 'P0001'),
    ('move the last norm away', 'UPDATE accounts_dep.norm SET o_id = 900001 WHERE id = 900003',
     '42501', '42501', 'P0001', 'P0001'),
    ('delete an unused operation with its norms', 'DELETE FROM accounts_dep.oper WHERE id = 900002',
     '42501', '42501', NULL, NULL),
    ('change a product', 'UPDATE accounts_dep.izdel SET nom = ''x'' WHERE id = 900001',
     '42501', '42501', '42501', NULL),
    ('change a plant person', 'UPDATE cmn_contractor.person SET s_caption = ''x'' WHERE id = 900001',
     '42501', '42501', '42501', '42501'),
    ('empty the entries', 'TRUNCATE accounts_dep.smena CASCADE',
     '42501', '42501', '42501', '42501');

DO $$
DECLARE
    c record;
    state text;
    message text;
    expected text;
    login text;
BEGIN
    FOREACH login IN ARRAY ARRAY['sys', 'master', 'clerk_a', 'clerk_b', 'clerk_c', 'econom'] LOOP
        ASSERT (SELECT rolcanlogin FROM pg_roles WHERE rolname = login), login || ' cannot log in';
        FOR c IN SELECT * FROM rights LOOP
            expected := CASE login WHEN 'econom' THEN c.econom WHEN 'master' THEN c.master
                                   WHEN 'sys' THEN c.sys ELSE c.clerk END;
            state := NULL;
            message := NULL;
            BEGIN
                EXECUTE format('SET LOCAL ROLE %I', login);
                EXECUTE c.stmt;
                -- Undo the statement's effect so that the next case starts from the same data.
                RAISE SQLSTATE 'TBL00';
            EXCEPTION WHEN SQLSTATE 'TBL00' THEN
                NULL;
            WHEN OTHERS THEN
                state := SQLSTATE;
                message := SQLERRM;
            END;
            ASSERT current_user = session_user, 'role not reset';
            ASSERT state IS NOT DISTINCT FROM expected,
                format('%s may %s: SQLSTATE %s (%s), expected %s', login, c.action, state,
                       message, coalesce(expected, 'success'));
            -- A rule's refusal is a message for the user, in Russian.
            ASSERT state IS DISTINCT FROM 'P0001' OR message ~ '[А-Яа-я]',
                format('%s: %s', c.action, message);
        END LOOP;
    END LOOP;
END
$$;

ROLLBACK;
