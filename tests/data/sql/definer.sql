-- The functions that run with rights other than the caller's cannot be hijacked, on a
-- database where every login may create objects in public (the default before PostgreSQL 15,
-- kept across upgrades). A clerk plants operators and functions there that shadow the built-in
-- ones for the argument types the program's functions use, then calls every function he may
-- execute; a foreman then calls the invoker functions that name their search path. The planted
-- code records the role it runs as: it must never run as anyone but the clerk himself.
BEGIN;
\ir _data.sql
SET client_min_messages = warning;

-- Every SECURITY DEFINER function belongs to the owner role, which cannot log in and bypasses
-- no right, and finds unqualified names in pg_catalog alone.
DO $$
DECLARE
    v_function record;
BEGIN
    ASSERT (SELECT NOT rolsuper AND NOT rolcanlogin AND NOT rolbypassrls AND NOT rolcreaterole
            FROM pg_roles WHERE rolname = 'tabel_owner'), 'tabel_owner may log in or is privileged';
    ASSERT EXISTS (SELECT 1 FROM pg_proc p WHERE p.prosecdef
                   AND p.pronamespace = 'accounts_dep'::regnamespace);
    FOR v_function IN
        SELECT p.oid::regprocedure AS name, pg_get_userbyid(p.proowner) AS owner, p.proconfig
        FROM pg_proc p WHERE p.prosecdef AND p.pronamespace = 'accounts_dep'::regnamespace
    LOOP
        ASSERT v_function.owner = 'tabel_owner',
            format('%s belongs to %s', v_function.name, v_function.owner);
        ASSERT 'search_path=pg_catalog, pg_temp' = ANY (v_function.proconfig),
            format('%s runs with %s', v_function.name, v_function.proconfig);
    END LOOP;
    -- The relations, views and sequences of the program's schema belong to it as well.
    ASSERT NOT EXISTS (SELECT 1 FROM pg_class c
                       WHERE c.relnamespace = 'accounts_dep'::regnamespace
                         AND c.relkind IN ('r', 'v', 'S', 'm')
                         AND c.relowner <> 'tabel_owner'::regrole), 'a relation of another owner';
END
$$;

INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, ok,
                                id_doc, id_doc_item)
VALUES (900101, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 8, 'no', 900001, 900011),
       (900102, '2031-05-14', 1, 9002, 900002 - 1, 900002, 2, 10, 8, 'no', 0, 0),
       (900103, '2031-05-14', 1, 9003, 900001, 900001, 2, 10, 8, 'no', 0, 0);
INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)
VALUES (900101, 901001, 1), (900102, 901001, 1);
INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (900103, 900002);
INSERT INTO accounts_dep.ver (d, t) VALUES (20200101, 0);

GRANT CREATE ON SCHEMA public TO PUBLIC;
SET LOCAL ROLE clerk_a;

CREATE FUNCTION public.planted() RETURNS boolean LANGUAGE plpgsql AS $$
BEGIN
    PERFORM pg_catalog.set_config('tabel.planted_ran_as',
        pg_catalog.concat_ws(' ', pg_catalog.current_setting('tabel.planted_ran_as', true),
                             current_user), false);
    RETURN true;
END
$$;
DO $$
DECLARE
    v_types text[];
BEGIN
    -- Operators for every pair of argument types without an exact built-in match.
    FOREACH v_types SLICE 1 IN ARRAY ARRAY[
        ['varchar', 'varchar'], ['varchar', 'text'], ['text', 'varchar'],
        ['public.t_id', 'public.t_id'], ['public.t_id', 'numeric'], ['numeric', 'public.t_id'],
        ['public.t_id', 'integer'], ['integer', 'public.t_id'], ['public.t_id', 'bigint'],
        ['double precision', 'integer'], ['double precision', 'smallint'],
        ['integer', 'double precision'], ['smallint', 'double precision'], ['date', 'integer']]
    LOOP
        EXECUTE format('CREATE FUNCTION public.planted_op(%s, %s) RETURNS boolean'
                       ' LANGUAGE sql AS ''SELECT public.planted()''', v_types[1], v_types[2]);
        EXECUTE format('CREATE OPERATOR public.= (LEFTARG = %1$s, RIGHTARG = %2$s,'
                       ' FUNCTION = public.planted_op)', v_types[1], v_types[2]);
        EXECUTE format('CREATE OPERATOR public.<> (LEFTARG = %1$s, RIGHTARG = %2$s,'
                       ' FUNCTION = public.planted_op)', v_types[1], v_types[2]);
        EXECUTE format('CREATE OPERATOR public.< (LEFTARG = %1$s, RIGHTARG = %2$s,'
                       ' FUNCTION = public.planted_op)', v_types[1], v_types[2]);
    END LOOP;
END
$$;
-- Functions more specific than the built-in ones for the same call.
CREATE FUNCTION public.format(text, integer) RETURNS text LANGUAGE sql
    AS 'SELECT public.planted()::text';
CREATE FUNCTION public.format(text, text) RETURNS text LANGUAGE sql
    AS 'SELECT public.planted()::text';
CREATE FUNCTION public.to_char(date, text) RETURNS text LANGUAGE sql
    AS 'SELECT public.planted()::text';
CREATE FUNCTION public.upper(varchar) RETURNS text LANGUAGE sql
    AS 'SELECT public.planted()::text';
CREATE FUNCTION public.pg_has_role(name, text, text) RETURNS boolean LANGUAGE sql
    AS 'SELECT public.planted()';

-- Every function of the program the clerk may execute, called; a new one must be added here.
CREATE TEMP TABLE calls (signature text, call text);
INSERT INTO calls VALUES
    ('accounts_dep.smena__accept_row_hwo(integer)',
     'SELECT accounts_dep.smena__accept_row_hwo(900101)'),
    ('accounts_dep.smena__accept_row_hwo(integer,text)',
     'SELECT accounts_dep.smena__accept_row_hwo(900102,'
     ' (SELECT s.row_version::text FROM accounts_dep.smena s WHERE s.id = 900102))'),
    ('accounts_dep.is_accepted(text)', 'SELECT accounts_dep.is_accepted(''ok'')'),
    ('accounts_dep.acts_as_service(oid)',
     'SELECT accounts_dep.acts_as_service(''accounts_dep.smena''::regclass)'),
    ('accounts_dep.worker_code(text)', 'SELECT accounts_dep.worker_code(''9001'')'),
    ('accounts_dep.get_gds_from_by_smena(integer)',
     'SELECT * FROM accounts_dep.get_gds_from_by_smena(900101)'),
    ('accounts_dep.show_consignment(t_id)', 'SELECT * FROM accounts_dep.show_consignment(901001)'),
    ('accounts_dep.get_doc_item_caption_by_smena(integer)',
     'SELECT * FROM accounts_dep.get_doc_item_caption_by_smena(900101)');

DO $$
DECLARE
    v_missing text;
    v_call record;
BEGIN
    SELECT string_agg(p.oid::regprocedure::text, ', ') INTO v_missing
    FROM pg_proc p
    WHERE p.pronamespace = 'accounts_dep'::regnamespace
      AND p.prorettype <> 'trigger'::regtype
      AND has_function_privilege('clerk_a', p.oid, 'EXECUTE')
      AND p.oid::regprocedure::text NOT IN (SELECT signature FROM calls);
    ASSERT v_missing IS NULL, 'the clerk may execute functions this test does not call: ' || v_missing;
    FOR v_call IN SELECT * FROM calls LOOP
        CONTINUE WHEN to_regprocedure(v_call.signature) IS NULL;
        EXECUTE v_call.call;
    END LOOP;
    -- Raising the recorded version is refused before any of its code runs.
    BEGIN
        PERFORM accounts_dep.ver_stamp(20991231, 0);
        ASSERT false, 'the clerk stamped a version';
    EXCEPTION WHEN insufficient_privilege THEN
        NULL;
    END;
END
$$;

-- The acceptances went through, written by the owner, with the clerk's planted objects in place.
RESET ROLE;
DO $$
BEGIN
    -- (the comparison on text: this session has public on its path too)
    ASSERT (SELECT count(*) FROM accounts_dep.smena
            WHERE id IN (900101, 900102) AND ok::text = 'ok') >= 1, 'nothing was accepted';
END
$$;

-- A foreman calls the functions that run with his rights and name their search path.
SET LOCAL ROLE master;
DO $$
BEGIN
    PERFORM accounts_dep.divide_between_person(900103);
    PERFORM accounts_dep.post_hours(9001, 1, '2031-05-14');
    PERFORM accounts_dep.h_tabel_rebuild(5, 2031);
    PERFORM accounts_dep.smena_delete(900103);
END
$$;
RESET ROLE;

DO $$
DECLARE
    v_ran_as text := coalesce(current_setting('tabel.planted_ran_as', true), '');
BEGIN
    ASSERT NOT EXISTS (SELECT 1 FROM regexp_split_to_table(v_ran_as, ' ') AS r
                       WHERE r <> '' AND r <> 'clerk_a'),
        'the clerk''s planted code ran as: ' || v_ran_as;
END
$$;

ROLLBACK;
