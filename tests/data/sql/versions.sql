-- The versions kept on an entry: entry_version follows the entry's own columns, row_version the
-- entry and its material lines, whoever writes and however; nobody sets either by hand.
BEGIN;
\ir _data.sql

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, ok) VALUES
    (900201, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 4, 'no'),
    (900202, '2031-05-14', 1, 9002, 900001, 900001, 2, 10, 4, 'no');
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)
VALUES (900201, 901001, 1);

-- Each statement as a login runs it, with what it must do to the versions of entries 900201 (a)
-- and 900202 (b): how far each moves (the trigger counts every update of a row once).
DO $$
DECLARE
    c       record;
    v_a     record;
    v_b     record;
    v_a_now record;
    v_b_now record;
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            ('master', 'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)'
                       ' VALUES (900201, 901002, 2)', 0, 1, 0, 0),
            ('master', 'UPDATE accounts_dep.smena_gds_use SET f_qty_use = 3'
                       ' WHERE id_smena = 900201 AND id_gds_use = 901002', 0, 1, 0, 0),
            ('master', 'UPDATE accounts_dep.smena_gds_use SET id_smena = 900202'
                       ' WHERE id_smena = 900201 AND id_gds_use = 901002', 0, 1, 0, 1),
            ('master', 'DELETE FROM accounts_dep.smena_gds_use WHERE id_smena = 900202', 0, 0, 0, 1),
            ('sys', 'INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)'
                    ' VALUES (900202, 901001, 5)', 0, 0, 0, 1),
            ('master', 'UPDATE accounts_dep.smena SET kol_vo = 11 WHERE id = 900201', 1, 1, 0, 0),
            -- Rewritten as it is: the entry's own version stays, the other still moves.
            ('master', 'UPDATE accounts_dep.smena SET kol_vo = kol_vo WHERE id = 900201', 0, 1, 0, 0),
            -- Set by hand: a version never goes back nor jumps, for the service account too.
            ('master', 'UPDATE accounts_dep.smena SET row_version = 1, entry_version = 1'
                       ' WHERE id = 900201', 0, 1, 0, 0),
            ('master', 'UPDATE accounts_dep.smena SET kol_vo = 12, row_version = row_version,'
                       ' entry_version = entry_version WHERE id = 900201', 1, 1, 0, 0),
            ('sys', 'UPDATE accounts_dep.smena SET row_version = row_version + 100,'
                    ' entry_version = entry_version + 100 WHERE id = 900202', 0, 0, 0, 1),
            -- The line goes with its entry; the entry left is not touched.
            ('master', 'DELETE FROM accounts_dep.smena WHERE id = 900202', 0, 0, NULL, NULL)
        ) AS t (login, statement, a_entry, a_row, b_entry, b_row)
    LOOP
        SELECT s.entry_version, s.row_version INTO v_a FROM accounts_dep.smena s WHERE s.id = 900201;
        SELECT s.entry_version, s.row_version INTO v_b FROM accounts_dep.smena s WHERE s.id = 900202;
        EXECUTE format('SET LOCAL ROLE %I', c.login);
        EXECUTE c.statement;
        RESET ROLE;
        SELECT s.entry_version, s.row_version INTO v_a_now
        FROM accounts_dep.smena s WHERE s.id = 900201;
        SELECT s.entry_version, s.row_version INTO v_b_now
        FROM accounts_dep.smena s WHERE s.id = 900202;
        ASSERT (v_a_now.entry_version - v_a.entry_version, v_a_now.row_version - v_a.row_version,
                v_b_now.entry_version - v_b.entry_version, v_b_now.row_version - v_b.row_version)
               IS NOT DISTINCT FROM (c.a_entry::bigint, c.a_row::bigint, c.b_entry::bigint,
                                     c.b_row::bigint),
            format('%s: %s moved a by %s/%s and b by %s/%s', c.login, c.statement,
                   v_a_now.entry_version - v_a.entry_version, v_a_now.row_version - v_a.row_version,
                   v_b_now.entry_version - v_b.entry_version, v_b_now.row_version - v_b.row_version);
    END LOOP;
END
$$;

-- A new entry starts at 1 whatever the insert says.
SET LOCAL ROLE master;
INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, kol_vo, time, entry_version,
                                row_version)
VALUES (900203, '2031-05-14', 1, 9003, 900001, 900001, 1, 1, 77, -5);
RESET ROLE;
DO $$
BEGIN
    ASSERT (SELECT (s.entry_version, s.row_version) = (1::bigint, 1::bigint)
            FROM accounts_dep.smena s WHERE s.id = 900203), 'an insert set the versions';
END
$$;

-- A clerk writes no entry at all, the versions included.
DO $$
DECLARE
    v_error text;
BEGIN
    SET LOCAL ROLE clerk_a;
    BEGIN
        UPDATE accounts_dep.smena SET row_version = 1 WHERE id = 900201;
    EXCEPTION WHEN insufficient_privilege THEN
        v_error := SQLERRM;
    END;
    RESET ROLE;
    ASSERT v_error IS NOT NULL, 'a clerk set a version';
END
$$;

-- A material changed by plain SQL after the clerk's list was read: the acceptance as of the
-- list is refused, as is a deletion; the version read again accepts. The line's change leaves
-- its own history row, and the touch of its entry none.
DO $$
DECLARE
    v_seen    text := (SELECT s.row_version::text FROM accounts_dep.smena s WHERE s.id = 900201);
    v_history bigint := (SELECT count(*) FROM accounts_dep.smena_history h
                         WHERE h.id_smena = 900201);
    v_error   text;
BEGIN
    SET LOCAL ROLE master;
    UPDATE accounts_dep.smena_gds_use SET f_qty_use = 7 WHERE id_smena = 900201;
    BEGIN
        PERFORM accounts_dep.smena_delete(900201, v_seen);
    EXCEPTION WHEN OTHERS THEN
        v_error := SQLERRM;
    END;
    ASSERT v_error = 'Запись изменена другим пользователем', coalesce(v_error, 'deleted');
    RESET ROLE;
    ASSERT (SELECT count(*) FROM accounts_dep.smena_history h WHERE h.id_smena = 900201)
           = v_history + 1, 'the touch of the entry was written into its history';
    v_error := NULL;
    SET LOCAL ROLE clerk_a;
    BEGIN
        PERFORM accounts_dep.smena__accept_row_hwo(900201, v_seen);
    EXCEPTION WHEN OTHERS THEN
        v_error := SQLERRM;
    END;
    ASSERT v_error = 'Запись изменена другим пользователем', coalesce(v_error, 'accepted');
    PERFORM accounts_dep.smena__accept_row_hwo(900201,
        (SELECT s.row_version::text FROM accounts_dep.smena s WHERE s.id = 900201));
    RESET ROLE;
    ASSERT (SELECT s.ok FROM accounts_dep.smena s WHERE s.id = 900201) = 'ok', 'not accepted';
END
$$;

ROLLBACK;
