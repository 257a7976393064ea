-- Loading the roles script into a database that has its logins already (a plant's real one)
SET client_min_messages = warning;
-- never touches a password; a login it has to create gets none.
BEGIN;

ALTER ROLE master PASSWORD 'set by the plant administrator';
DROP ROLE econom;
CREATE TEMP TABLE before AS
    SELECT rolname, rolpassword FROM pg_authid
    WHERE rolname IN ('sys', 'master', 'clerk_a', 'clerk_b', 'clerk_c');

\ir ../../../src/data/sql/roles.sql

DO $$
DECLARE
    changed text;
BEGIN
    SELECT string_agg(b.rolname, ', ') INTO changed
    FROM before b JOIN pg_authid a USING (rolname)
    WHERE a.rolpassword IS DISTINCT FROM b.rolpassword;
    ASSERT changed IS NULL, 'passwords changed by roles.sql: ' || changed;
    ASSERT (SELECT rolcanlogin AND rolpassword IS NULL FROM pg_authid WHERE rolname = 'econom'),
        'a new login must be created without a password';
    ASSERT pg_has_role('econom', 'tabel_read', 'MEMBER'), 'a new login gets its rights';
    ASSERT NOT has_table_privilege('econom', 'accounts_dep.smena', 'INSERT');
END
$$;

ROLLBACK;
