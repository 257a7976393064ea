-- A database where every login may create objects in public (the default before PostgreSQL
-- 15, kept across upgrades), and a foreman who planted there operators and functions that beat
-- the built-in ones for the program's own argument types. Each records the login it ran as in
-- public.planted_ran and then does what the built-in would, so that nothing else gives it away.
GRANT CREATE ON SCHEMA public TO PUBLIC;
CREATE TABLE public.planted_ran (login text, what text);
GRANT INSERT, SELECT ON public.planted_ran TO PUBLIC;

SET ROLE master;
CREATE FUNCTION public.planted(p_what text) RETURNS boolean LANGUAGE sql AS
$$ INSERT INTO public.planted_ran VALUES (current_user, p_what) RETURNING true $$;
DO $$
DECLARE
    v_types  text[];
    v_op     text;
    v_name   text;
BEGIN
    FOREACH v_types SLICE 1 IN ARRAY ARRAY[
        ['integer', 'public.t_integer', 'integer'], ['public.t_integer', 'integer', 'integer'],
        ['smallint', 'public.t_integer', 'integer'], ['public.t_id', 'public.t_id', 'numeric'],
        ['numeric', 'public.t_id', 'numeric'], ['public.t_id', 'numeric', 'numeric'],
        ['integer', 'public.t_id', 'numeric'], ['public.t_id', 'integer', 'numeric'],
        ['bigint', 'public.t_id', 'numeric'], ['public.t_id', 'bigint', 'numeric'],
        ['date', 'public.t_date', 'date'], ['public.t_date', 'date', 'date'],
        ['varchar', 'varchar', 'text'], ['varchar', 'text', 'text'], ['text', 'varchar', 'text']]
    LOOP
        FOREACH v_op IN ARRAY ARRAY['=', '<>', '<'] LOOP
            v_name := 'planted_' || md5(v_op || v_types[1] || v_types[2]);
            EXECUTE format('CREATE FUNCTION public.%I(a %s, b %s) RETURNS boolean LANGUAGE sql'
                           ' AS $f$ SELECT public.planted(%L) AND a::%s OPERATOR(pg_catalog.%s)'
                           ' b::%s $f$', v_name, v_types[1], v_types[2],
                           format('%s %s %s', v_types[1], v_op, v_types[2]), v_types[3], v_op,
                           v_types[3]);
            EXECUTE format('CREATE OPERATOR public.%s (LEFTARG = %s, RIGHTARG = %s,'
                           ' FUNCTION = public.%I)', v_op, v_types[1], v_types[2], v_name);
        END LOOP;
    END LOOP;
END
$$;
CREATE FUNCTION public.upper(varchar) RETURNS text LANGUAGE sql
AS $$ SELECT CASE WHEN public.planted('upper') THEN pg_catalog.upper($1::text) END $$;
CREATE FUNCTION public.format(text, text) RETURNS text LANGUAGE sql
AS $$ SELECT CASE WHEN public.planted('format') THEN pg_catalog.format($1, $2) END $$;
CREATE FUNCTION public.to_char(date, text) RETURNS text LANGUAGE sql
AS $$ SELECT CASE WHEN public.planted('to_char') THEN pg_catalog.to_char($1::timestamp, $2) END $$;
CREATE FUNCTION public.round(double precision, integer) RETURNS numeric LANGUAGE sql
AS $$ SELECT CASE WHEN public.planted('round') THEN pg_catalog.round($1::numeric, $2) END $$;
CREATE FUNCTION public.btrim(varchar) RETURNS text LANGUAGE sql
AS $$ SELECT CASE WHEN public.planted('btrim') THEN pg_catalog.btrim($1::text) END $$;
RESET ROLE;
