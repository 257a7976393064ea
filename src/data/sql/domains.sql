-- Domains the program's statements cast to ("now()::t_date", "s_code::t_integer", "0::t_id").
-- A plant database already has them, so each one is created only when missing.
DO $$
BEGIN
    IF to_regtype('public.t_date') IS NULL THEN
        CREATE DOMAIN public.t_date AS date;
    END IF;
    IF to_regtype('public.t_integer') IS NULL THEN
        CREATE DOMAIN public.t_integer AS integer;
    END IF;
    IF to_regtype('public.t_id') IS NULL THEN
        CREATE DOMAIN public.t_id AS numeric(15, 0);
    END IF;
    IF to_regtype('public.t_float') IS NULL THEN
        CREATE DOMAIN public.t_float AS double precision;
    END IF;
    IF to_regtype('public.t_code') IS NULL THEN
        CREATE DOMAIN public.t_code AS text;
    END IF;
END
$$;
