-- Login roles and their rights. Roles belong to the cluster: they are created only when
-- missing, and an existing role keeps its password. A new login gets no password (and so
-- cannot connect) until the administrator gives it one.
--
--   tabel_read     reads the program's relations and the plant relations it shows
--   tabel_accept   tabel_read + accepting entries through smena__accept_row_hwo (clerks)
--   tabel_write    tabel_read + entries that are not accepted, their materials and brigade,
--                  the hours table and the operation kinds, operations and norms (foremen)
--   tabel_service  everything, accepted entries and the products included (sys); the only
--                  role that records a newer program's build (ver_stamp) and that opens a
--                  closed month again (reopen_month)
--   tabel_close    tabel_read + closing a month (close_month): economists; the service
--                  account is a member
--   tabel_owner    owns the schema accounts_dep, its relations and functions; no login, no
--                  superuser, so a SECURITY DEFINER function reaches no further than the
--                  program's own schema and the plant relations its views read
--
-- Nobody writes accounts_dep.ver directly. The rules about accepted entries and norms are
-- triggers (schema.sql), so they hold for any tool.
DO $$
DECLARE
    v_role text;
BEGIN
    FOREACH v_role IN ARRAY ARRAY['tabel_read', 'tabel_accept', 'tabel_write', 'tabel_service',
                                  'tabel_close', 'tabel_owner'] LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = v_role) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN', v_role);
        END IF;
    END LOOP;
    FOREACH v_role IN ARRAY ARRAY['sys', 'master', 'clerk_a', 'clerk_b', 'clerk_c', 'econom'] LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = v_role) THEN
            EXECUTE format('CREATE ROLE %I LOGIN', v_role);
        END IF;
    END LOOP;
END
$$;

GRANT tabel_read TO tabel_accept, tabel_write, tabel_close;
GRANT tabel_accept, tabel_write, tabel_close TO tabel_service;
GRANT tabel_service TO sys;
GRANT tabel_accept TO clerk_a, clerk_b, clerk_c;
GRANT tabel_write TO master;
GRANT tabel_read, tabel_close TO econom;
-- Whatever an older version or a hand made of it, the owner never logs in nor bypasses rights.
ALTER ROLE tabel_owner NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS;

-- Everything in accounts_dep belongs to tabel_owner, whoever ran the scripts: the SECURITY
-- DEFINER functions run as their owner. A sequence owned by a column follows its table.
DO $$
DECLARE
    v_object record;
BEGIN
    IF (SELECT n.nspowner FROM pg_namespace n WHERE n.nspname = 'accounts_dep')
       <> 'tabel_owner'::regrole THEN
        ALTER SCHEMA accounts_dep OWNER TO tabel_owner;
    END IF;
    FOR v_object IN
        SELECT c.oid::regclass AS name,
               CASE c.relkind WHEN 'v' THEN 'VIEW' WHEN 'm' THEN 'MATERIALIZED VIEW'
                              WHEN 'f' THEN 'FOREIGN TABLE' WHEN 'S' THEN 'SEQUENCE'
                              ELSE 'TABLE' END AS kind
        FROM pg_class c
        WHERE c.relnamespace = 'accounts_dep'::regnamespace
          AND c.relkind IN ('r', 'p', 'v', 'm', 'f', 'S')
        ORDER BY c.relkind = 'S'
    LOOP
        IF (SELECT c.relowner FROM pg_class c WHERE c.oid = v_object.name)
           <> 'tabel_owner'::regrole THEN
            EXECUTE format('ALTER %s %s OWNER TO tabel_owner', v_object.kind, v_object.name);
        END IF;
    END LOOP;
    FOR v_object IN
        SELECT p.oid::regprocedure AS name FROM pg_proc p
        WHERE p.pronamespace = 'accounts_dep'::regnamespace
          AND p.proowner <> 'tabel_owner'::regrole
    LOOP
        EXECUTE format('ALTER ROUTINE %s OWNER TO tabel_owner', v_object.name);
    END LOOP;
END
$$;

-- Start from nothing, so that a reload also takes back rights given by an older version.
REVOKE ALL ON ALL TABLES IN SCHEMA accounts_dep
    FROM PUBLIC, tabel_read, tabel_accept, tabel_write, tabel_service, tabel_close;
REVOKE ALL ON ALL SEQUENCES IN SCHEMA accounts_dep
    FROM PUBLIC, tabel_read, tabel_accept, tabel_write, tabel_service, tabel_close;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA accounts_dep
    FROM PUBLIC, tabel_read, tabel_accept, tabel_write, tabel_service, tabel_close;

-- Reading: the program's own relations, and of the plant's exactly those it reads
-- (accounts_dep.plant_relations_read, schema.sql). An older version granted every relation of
-- those plant schemas: the program's roles keep nothing there beyond the list. The owner reads
-- the same list, for the views.
GRANT USAGE ON SCHEMA accounts_dep TO tabel_read;
GRANT SELECT ON ALL TABLES IN SCHEMA accounts_dep TO tabel_read;
DO $$
DECLARE
    v_schema text;
    v_relation text;
BEGIN
    FOR v_schema IN
        SELECT DISTINCT split_part(r, '.', 1) FROM unnest(accounts_dep.plant_relations_read()) AS r
    LOOP
        EXECUTE format('REVOKE ALL ON ALL TABLES IN SCHEMA %I'
                       ' FROM tabel_read, tabel_accept, tabel_write, tabel_service, tabel_owner',
                       v_schema);
        EXECUTE format('GRANT USAGE ON SCHEMA %I TO tabel_read, tabel_owner', v_schema);
    END LOOP;
    FOREACH v_relation IN ARRAY accounts_dep.plant_relations_read() LOOP
        EXECUTE format('GRANT SELECT ON %s TO tabel_read, tabel_owner', v_relation::regclass);
    END LOOP;
END
$$;
GRANT EXECUTE ON FUNCTION accounts_dep.get_gds_from_by_smena(integer),
    accounts_dep.show_consignment(public.t_id),
    accounts_dep.get_doc_item_caption_by_smena(integer),
    accounts_dep.worker_code(text),
    -- called by the triggers, which run as the writer
    accounts_dep.acts_as_service(oid),
    accounts_dep.is_accepted(text) TO tabel_read;

GRANT EXECUTE ON FUNCTION accounts_dep.smena__accept_row_hwo(integer),
    accounts_dep.smena__accept_row_hwo(integer, text) TO tabel_accept;

GRANT INSERT, UPDATE, DELETE ON accounts_dep.smena, accounts_dep.smena_gds_use,
    accounts_dep.person_temp, accounts_dep.h_tabel, accounts_dep.vid_oper, accounts_dep.oper,
    accounts_dep.norm TO tabel_write;
GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA accounts_dep TO tabel_write;
GRANT EXECUTE ON FUNCTION accounts_dep.divide_between_person(integer) TO tabel_write;

GRANT INSERT, UPDATE, DELETE ON accounts_dep.izdel TO tabel_service;
GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA accounts_dep TO tabel_service;
-- Raising the recorded version ends every older program: the service account's alone.
GRANT EXECUTE ON FUNCTION accounts_dep.ver_stamp(integer, integer) TO tabel_service;
GRANT EXECUTE ON FUNCTION accounts_dep.post_hours(integer, integer, date),
    accounts_dep.lock_hours_month(integer, integer, boolean),
    accounts_dep.lock_hours_day(integer, integer, date),
    accounts_dep.smena_save(integer, integer, integer, integer, double precision,
                            double precision, integer, date, integer, integer, bigint, bigint,
                            text),
    accounts_dep.smena_check(double precision, integer, integer),
    accounts_dep.refuse_day_hours(bigint, date),
    accounts_dep.refuse_changed_row(),
    accounts_dep.smena_delete(integer),
    accounts_dep.smena_delete(integer, text),
    accounts_dep.lock_hours_days(integer[], integer[], date[]) TO tabel_write;
-- The hours postings lock rows of these (SELECT ... FOR UPDATE needs UPDATE): writers alone.
GRANT INSERT, UPDATE ON accounts_dep.hours_month_lock, accounts_dep.hours_worker_lock
    TO tabel_write;
GRANT EXECUTE ON FUNCTION accounts_dep.h_tabel_rebuild(integer, integer) TO tabel_write;
-- A month's writers lock it and find it open (month_close.sql); closing and reopening run as
-- the owner, the close recording the login that called it.
GRANT EXECUTE ON FUNCTION accounts_dep.refuse_closed_month(integer, integer),
    accounts_dep.refuse_closed_months(date[]) TO tabel_write;
GRANT EXECUTE ON FUNCTION accounts_dep.close_month(integer, integer),
    accounts_dep.close_month(integer, integer, integer) TO tabel_close;
GRANT EXECUTE ON FUNCTION accounts_dep.reopen_month(integer, integer, text) TO tabel_service;

-- The entries' history, the change log with its pruning mark (history.sql) and the months'
-- closes (month_close.sql) are read by every role above and written only by their triggers
-- and functions: no role keeps a right on their numbering either.
REVOKE ALL ON SEQUENCE accounts_dep.smena_history_id_seq, accounts_dep.change_log_id_seq,
    accounts_dep.month_close_history_id_seq FROM tabel_write, tabel_service;

-- A session left idle inside a transaction holds its locks and keeps the notification queue
-- from being cleaned (a full queue fails every commit that notifies, every save among them):
-- every login of the program's roles is ended after five idle minutes in a transaction. A role
-- setting applies to the login itself, so each one is set; a login added later gets it when
-- tabel-dbsetup runs again.
DO $$
DECLARE
    v_login text;
BEGIN
    FOR v_login IN
        SELECT r.rolname FROM pg_catalog.pg_roles r
        WHERE r.rolcanlogin AND NOT r.rolsuper
          AND pg_catalog.pg_has_role(r.oid, 'tabel_read', 'MEMBER')
        ORDER BY r.rolname
    LOOP
        EXECUTE format('ALTER ROLE %I SET idle_in_transaction_session_timeout = %L',
                       v_login, '5min');
    END LOOP;
END
$$;
