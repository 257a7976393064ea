-- A closed month: who may close and reopen it, and nothing of it changes through any tool or
-- role while it is closed, the service account's and the owner's writes included.
BEGIN;
\ir _data.sql
SET client_min_messages = warning;

-- May 2031: two entries not accepted (one with materials, one with a brigade line), one
-- accepted; June 2031: one entry. Hours posted for both months.
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, ok)
VALUES (900101, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 8, 'no'),
       (900102, '2031-05-20', 1, 9002, 900001, 900001, 2, 10, 8, 'no'),
       (900103, '2031-05-20', 1, 9003, 900001, 900001, 2, 10, 8, 'ok'),
       (900104, '2031-06-02', 1, 9001, 900001, 900001, 2, 10, 8, 'no');
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)
VALUES (900101, 901001, 1), (900104, 901001, 1);
INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900102, 900004);
SELECT accounts_dep.post_hours(w_id, smena, data) FROM accounts_dep.smena WHERE id >= 900101;

-- Who may close: the members of tabel_close (econom, and sys through the service role).
CREATE TEMP TABLE closers (login text, may boolean) ON COMMIT DROP;
INSERT INTO closers VALUES ('econom', true), ('sys', true), ('master', false),
                           ('clerk_a', false);
DO $$
DECLARE
    c record;
    v_state text;
    v_count integer;
BEGIN
    FOR c IN SELECT * FROM closers LOOP
        v_state := NULL;
        BEGIN
            EXECUTE format('SET LOCAL ROLE %I', c.login);
            SELECT accounts_dep.close_month(2031, 5) INTO v_count;
            RESET ROLE;
            ASSERT v_count = 2, format('%s closed with %s not accepted', c.login, v_count);
            RAISE SQLSTATE 'TBL00';
        EXCEPTION WHEN SQLSTATE 'TBL00' THEN
            NULL;
        WHEN OTHERS THEN
            v_state := SQLSTATE;
        END;
        ASSERT current_user = session_user, 'role not reset';
        ASSERT (v_state IS NULL) = c.may, format('%s closing: %s', c.login, v_state);
        ASSERT c.may OR v_state = '42501', format('%s closing: %s', c.login, v_state);
    END LOOP;
END
$$;

-- Only the service account reopens; the month and the reason are checked.
DO $$
DECLARE
    c record;
    v_message text;
BEGIN
    FOR c IN SELECT * FROM (VALUES
            ('econom', 2031, 5, 'ошибка', 'permission denied%'),
            ('master', 2031, 5, 'ошибка', 'permission denied%'),
            ('sys', 2031, 5, '  ', 'Укажите причину, по которой месяц открывается снова'),
            ('sys', 2031, 5, NULL, 'Укажите причину, по которой месяц открывается снова'),
            ('sys', 2031, 13, 'ошибка', 'Неверный месяц: 13.2031'),
            ('sys', 2031, 7, 'ошибка', 'Месяц 07.2031 не закрыт')
        ) AS t (login, year, month, reason, refusal)
    LOOP
        BEGIN
            EXECUTE format('SET LOCAL ROLE %I', c.login);
            PERFORM accounts_dep.reopen_month(c.year, c.month, c.reason);
            ASSERT false, format('%s reopened %s.%s', c.login, c.month, c.year);
        EXCEPTION WHEN insufficient_privilege OR raise_exception THEN
            v_message := SQLERRM;
        END;
        RESET ROLE;
        ASSERT v_message LIKE c.refusal, format('%s: %s', c.login, v_message);
    END LOOP;
END
$$;

-- A close over a count of entries not accepted other than the one shown is refused.
DO $$
BEGIN
    SET LOCAL ROLE econom;
    PERFORM accounts_dep.close_month(2031, 5, 1);
    ASSERT false, 'closed over a stale count';
EXCEPTION WHEN raise_exception THEN
    ASSERT SQLERRM = 'В месяце 05.2031 уже не приняты 2 позиций (было 1): месяц не закрыт, '
                     'посмотрите его снова', SQLERRM;
END
$$;
RESET ROLE;

SET LOCAL ROLE econom;
SELECT accounts_dep.close_month(2031, 5, 2);
RESET ROLE;
DO $$
BEGIN
    ASSERT (SELECT count(*) FROM accounts_dep.month_close c
            WHERE (c.year, c.month, c.unaccepted) = (2031, 5, 2)) = 1, 'May not closed';
    ASSERT (SELECT count(*) FROM accounts_dep.change_log l
            WHERE (l.subject, l.year, l.month) = ('month_close', 2031, 5)) = 1, 'close not logged';
    BEGIN
        SET LOCAL ROLE sys;
        PERFORM accounts_dep.close_month(2031, 5);
        ASSERT false, 'closed twice';
    EXCEPTION WHEN raise_exception THEN
        ASSERT SQLERRM = 'Месяц 05.2031 уже закрыт', SQLERRM;
    END;
    RESET ROLE;
END
$$;

-- Every write of the closed month, as the foreman, the service account and the administrator
-- (the owner's functions included): each refused, and the same kind of write in June passes.
CREATE TEMP TABLE writes (action text, may text, june text) ON COMMIT DROP;
INSERT INTO writes VALUES
    ('add an entry',
     'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, time) VALUES (''2031-05-21'', 1, 9004, 900001, 900001, 2, 1, 1)',
     'INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, time) VALUES (''2031-06-21'', 1, 9004, 900001, 900001, 2, 1, 1)'),
    ('save an entry',
     'SELECT accounts_dep.smena_save(0, 9004, 900001, 900001, 2, 1, 0, ''2031-05-21'', 1, 1, 0, 0)',
     'SELECT accounts_dep.smena_save(0, 9004, 900001, 900001, 2, 1, 0, ''2031-06-21'', 1, 1, 0, 0)'),
    ('change an entry', 'UPDATE accounts_dep.smena SET kol_vo = 9 WHERE id = 900101',
     'UPDATE accounts_dep.smena SET kol_vo = 9 WHERE id = 900104'),
    ('change an entry''s colour', 'UPDATE accounts_dep.smena SET color = 3 WHERE id = 900102',
     'UPDATE accounts_dep.smena SET color = 3 WHERE id = 900104'),
    ('move an entry out', 'UPDATE accounts_dep.smena SET data = ''2031-06-03'' WHERE id = 900101',
     NULL),
    ('move an entry in', 'UPDATE accounts_dep.smena SET data = ''2031-05-03'' WHERE id = 900104',
     NULL),
    ('delete an entry', 'DELETE FROM accounts_dep.smena WHERE id = 900101',
     'DELETE FROM accounts_dep.smena WHERE id = 900104'),
    ('delete through the program', 'SELECT accounts_dep.smena_delete(900101)',
     'SELECT accounts_dep.smena_delete(900104)'),
    ('add a material',
     'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (900102, 901001, 1)',
     'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) VALUES (900104, 901001, 2)'),
    ('change a material',
     'UPDATE accounts_dep.smena_gds_use SET f_qty_use = 3 WHERE id_smena = 900101',
     'UPDATE accounts_dep.smena_gds_use SET f_qty_use = 3 WHERE id_smena = 900104'),
    ('move a material into May',
     'UPDATE accounts_dep.smena_gds_use SET id_smena = 900102 WHERE id_smena = 900104', NULL),
    ('delete a material', 'DELETE FROM accounts_dep.smena_gds_use WHERE id_smena = 900101',
     'DELETE FROM accounts_dep.smena_gds_use WHERE id_smena = 900104'),
    ('add to a brigade',
     'INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900101, 900004)',
     'INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900104, 900004)'),
    ('remove from a brigade', 'DELETE FROM accounts_dep.person_temp WHERE id_smena = 900102',
     NULL),
    ('divide a brigade', 'SELECT accounts_dep.divide_between_person(900102)', NULL),
    ('post hours', 'SELECT accounts_dep.post_hours(9001, 1, ''2031-05-14'')',
     'SELECT accounts_dep.post_hours(9001, 1, ''2031-06-02'')'),
    ('add an hours row',
     'INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1) VALUES (9004, 2, 5, 2031, 8)',
     'INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1) VALUES (9004, 2, 6, 2031, 8)'),
    ('change an hours row', 'UPDATE accounts_dep.h_tabel SET d2 = 1 WHERE month = 5 AND year = 2031',
     'UPDATE accounts_dep.h_tabel SET d2 = 1 WHERE month = 6 AND year = 2031'),
    ('delete hours rows', 'DELETE FROM accounts_dep.h_tabel WHERE month = 5 AND year = 2031',
     'DELETE FROM accounts_dep.h_tabel WHERE month = 6 AND year = 2031'),
    ('rebuild the month', 'SELECT accounts_dep.h_tabel_rebuild(5, 2031)',
     'SELECT accounts_dep.h_tabel_rebuild(6, 2031)');

DO $$
DECLARE
    c record;
    v_login text;
    v_statement text;
    v_message text;
BEGIN
    FOREACH v_login IN ARRAY ARRAY['master', 'sys', session_user::text] LOOP
        FOR c IN SELECT * FROM writes LOOP
            FOREACH v_statement IN ARRAY ARRAY[c.may, c.june] LOOP
                CONTINUE WHEN v_statement IS NULL;
                v_message := NULL;
                BEGIN
                    EXECUTE format('SET LOCAL ROLE %I', v_login);
                    EXECUTE v_statement;
                    RAISE SQLSTATE 'TBL00';
                EXCEPTION WHEN SQLSTATE 'TBL00' THEN
                    NULL;
                WHEN OTHERS THEN
                    v_message := SQLERRM;
                END;
                RESET ROLE;
                IF v_statement = c.may THEN
                    ASSERT v_message IS NOT DISTINCT FROM
                           'Месяц 05.2031 закрыт, изменения запрещены',
                        format('%s may %s: %s', v_login, c.action, v_message);
                ELSE
                    ASSERT v_message IS NULL,
                        format('%s may not %s in June: %s', v_login, c.action, v_message);
                END IF;
            END LOOP;
        END LOOP;
    END LOOP;
END
$$;

-- A clerk's accept of a May entry is refused as well.
DO $$
BEGIN
    SET LOCAL ROLE clerk_a;
    PERFORM accounts_dep.smena__accept_row_hwo(900101);
    ASSERT false, 'accepted in a closed month';
EXCEPTION WHEN raise_exception THEN
    ASSERT SQLERRM = 'Месяц 05.2031 закрыт, изменения запрещены', SQLERRM;
END
$$;
RESET ROLE;

-- Nobody writes the closes but the functions.
DO $$
DECLARE
    v_login text;
BEGIN
    FOREACH v_login IN ARRAY ARRAY['econom', 'sys', 'master'] LOOP
        BEGIN
            EXECUTE format('SET LOCAL ROLE %I', v_login);
            DELETE FROM accounts_dep.month_close;
            ASSERT false, v_login || ' deleted a close';
        EXCEPTION WHEN insufficient_privilege THEN
            NULL;
        END;
        RESET ROLE;
        BEGIN
            EXECUTE format('SET LOCAL ROLE %I', v_login);
            INSERT INTO accounts_dep.month_close_history (year, month, action, login)
            VALUES (2031, 5, 'reopen', 'x');
            ASSERT false, v_login || ' wrote the history of closes';
        EXCEPTION WHEN insufficient_privilege THEN
            NULL;
        END;
        RESET ROLE;
    END LOOP;
END
$$;

-- Reopened by the service account with a reason: May takes writes again, and the history
-- keeps the close and the reopen with the reason.
SET LOCAL ROLE sys;
SELECT accounts_dep.reopen_month(2031, 5, '  перерасчёт премии ');
RESET ROLE;
DO $$
BEGIN
    ASSERT NOT EXISTS (SELECT 1 FROM accounts_dep.month_close), 'still closed';
    ASSERT (SELECT array_agg(h.action || ':' || coalesce(h.reason, '-') || ':'
                             || coalesce(h.unaccepted::text, '-') ORDER BY h.id)
            FROM accounts_dep.month_close_history h WHERE (h.year, h.month) = (2031, 5))
           = ARRAY['close:-:2', 'reopen:перерасчёт премии:-'], 'history of closes';
    SET LOCAL ROLE master;
    UPDATE accounts_dep.smena SET kol_vo = 9 WHERE id = 900101;
    PERFORM accounts_dep.h_tabel_rebuild(5, 2031);
    RESET ROLE;
END
$$;

ROLLBACK;
