-- What each login may do. Every statement runs under the login's role on its own and must
-- fail with the given SQLSTATE (NULL: must succeed).
BEGIN;
\ir _data.sql

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, ok)
VALUES (900101, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 8, 'no'),
       (900102, '2031-05-14', 1, 9002, 900001, 900001, 2, 10, 8, 'no');
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)
VALUES (900101, 901001, 1), (900102, 901001, 1);

DO $$
DECLARE
    c record;
    state text;
    login text;
    read_all CONSTANT text :=
        'SELECT 1 FROM accounts_dep.smena, accounts_dep.h_tabel, cmn_contractor.person,'
        ' hrms_movement.movement, hrms_staffpos.staffpos, accounts_dep.v_mnf_requisition_item,'
        ' accounts_dep.v_cmn_gds_in, stk_remainder.remainder, mnf_operation.operation,'
        ' cmn_doc.doc, accounts_dep.show_consignment(901001) LIMIT 1';
    add_entry CONSTANT text :=
        'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo)'
        ' VALUES (''2031-05-15'', 1, 9001, 900001, 900001, 1)';
    post_hours CONSTANT text :=
        'INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1) VALUES (9001, 1, 5, 2031, 8)';
    add_kind CONSTANT text := 'INSERT INTO accounts_dep.vid_oper (vid) VALUES (''Тестовая гибка'')';
    accept CONSTANT text := 'SELECT accounts_dep.smena__accept_row_hwo(900101)';
    divide CONSTANT text := 'SELECT accounts_dep.divide_between_person(900102)';
    rebuild CONSTANT text := 'SELECT accounts_dep.h_tabel_rebuild(5, 2031)';
    stamp CONSTANT text := 'INSERT INTO accounts_dep.ver (d, t) VALUES (20310514, 1);'
                           ' UPDATE accounts_dep.ver SET t = 2';
BEGIN
    FOREACH login IN ARRAY ARRAY['sys', 'master', 'clerk_a', 'clerk_b', 'clerk_c', 'econom'] LOOP
        ASSERT (SELECT rolcanlogin FROM pg_roles WHERE rolname = login), login || ' cannot log in';
    END LOOP;

    FOR c IN
        SELECT * FROM (VALUES
            ('econom',  read_all,   NULL),
            ('econom',  stamp,      NULL),
            ('econom',  add_entry,  '42501'),
            ('econom',  accept,     '42501'),
            ('econom',  rebuild,    '42501'),
            ('clerk_b', read_all,   NULL),
            ('clerk_b', stamp,      NULL),
            ('clerk_b', add_entry,  '42501'),
            ('clerk_b', 'UPDATE accounts_dep.smena SET ok = ''ok'' WHERE id = 900101', '42501'),
            ('clerk_b', accept,     NULL),
            ('clerk_b', rebuild,    '42501'),
            ('master',  read_all,   NULL),
            ('master',  add_entry,  NULL),
            ('master',  post_hours, NULL),
            ('master',  add_kind,   NULL),
            ('master',  divide,     NULL),
            ('master',  rebuild,    NULL),
            ('master',  stamp,      NULL),
            ('master',  accept,     '42501'),
            ('master',  'UPDATE cmn_contractor.person SET s_caption = ''x'' WHERE id = 900001', '42501'),
            ('sys',     add_entry,  NULL),
            ('sys',     post_hours, NULL),
            ('sys',     'DELETE FROM accounts_dep.smena_gds_use WHERE id_smena = 900102', NULL),
            ('sys',     accept,     NULL),
            ('sys',     rebuild,    NULL),
            ('sys',     stamp,      NULL)
        ) AS t (login, stmt, expected)
    LOOP
        state := NULL;
        BEGIN
            EXECUTE format('SET LOCAL ROLE %I', c.login);
            EXECUTE c.stmt;
            -- Undo the statement's effect so that the next case starts from the same data.
            RAISE SQLSTATE 'TBL00';
        EXCEPTION WHEN SQLSTATE 'TBL00' THEN
            NULL;
        WHEN OTHERS THEN
            state := SQLSTATE;
        END;
        ASSERT current_user = session_user, 'role not reset';
        ASSERT state IS NOT DISTINCT FROM c.expected,
            format('%s: %s gave SQLSTATE %s, expected %s', c.login, c.stmt, state, c.expected);
    END LOOP;
END
$$;

ROLLBACK;
