-- Login roles and their rights. Roles belong to the cluster, so they are created only when
-- missing; the passwords are set on every load.
--
--   tabel_read    reads everything; stamps accounts_dep.ver (every login runs the version check)
--   tabel_accept  tabel_read + accepting entries (clerks, sys)
--   tabel_write   tabel_read + writing every relation of accounts_dep (foremen, sys)
DO $$
DECLARE
    r text;
BEGIN
    FOREACH r IN ARRAY ARRAY['tabel_read', 'tabel_accept', 'tabel_write'] LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN', r);
        END IF;
    END LOOP;
    FOREACH r IN ARRAY ARRAY['sys', 'master', 'clerk_a', 'clerk_b', 'clerk_c', 'econom'] LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN
            EXECUTE format('CREATE ROLE %I LOGIN', r);
        END IF;
        EXECUTE format('ALTER ROLE %I LOGIN PASSWORD %L', r, r);
    END LOOP;
END
$$;

GRANT tabel_read TO tabel_accept, tabel_write;
GRANT tabel_accept TO sys, clerk_a, clerk_b, clerk_c;
GRANT tabel_write TO sys, master;
GRANT tabel_read TO econom;

-- Reading: the program's relations and every plant relation it joins.
GRANT USAGE ON SCHEMA accounts_dep, cmn_contractor, hrms_staffpos, hrms_movement, cmn_gds,
    stk_stock, stk_consignment, stk_remainder, mnf_doc, cmn_doc, mnf_operation TO tabel_read;
GRANT SELECT ON ALL TABLES IN SCHEMA accounts_dep, cmn_contractor, hrms_staffpos, hrms_movement,
    cmn_gds, stk_stock, stk_consignment, stk_remainder, mnf_doc, cmn_doc, mnf_operation
    TO tabel_read;
GRANT SELECT, INSERT, UPDATE ON accounts_dep.ver TO tabel_read;

REVOKE EXECUTE ON ALL FUNCTIONS IN SCHEMA accounts_dep FROM PUBLIC;
GRANT EXECUTE ON FUNCTION accounts_dep.get_gds_from_by_smena(integer),
    accounts_dep.show_consignment(t_id),
    accounts_dep.get_doc_item_caption_by_smena(integer) TO tabel_read;

GRANT EXECUTE ON FUNCTION accounts_dep.smena__accept_row_hwo(integer) TO tabel_accept;

GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA accounts_dep TO tabel_write;
GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA accounts_dep TO tabel_write;
GRANT EXECUTE ON FUNCTION accounts_dep.divide_between_person(integer) TO tabel_write;
GRANT EXECUTE ON FUNCTION accounts_dep.h_tabel_rebuild(integer, integer) TO tabel_write;
