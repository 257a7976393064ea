-- Takes back what planted_public.sql planted.
DO $$
DECLARE
    v_object text;
BEGIN
    FOR v_object IN
        SELECT o.oid::regoperator::text FROM pg_operator o
        WHERE o.oprnamespace = 'public'::regnamespace AND o.oprowner = 'master'::regrole
    LOOP
        EXECUTE 'DROP OPERATOR ' || v_object;
    END LOOP;
    FOR v_object IN
        SELECT p.oid::regprocedure::text FROM pg_proc p
        WHERE p.pronamespace = 'public'::regnamespace AND p.proowner = 'master'::regrole
    LOOP
        EXECUTE 'DROP FUNCTION ' || v_object;
    END LOOP;
END
$$;
DROP TABLE IF EXISTS public.planted_ran;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
