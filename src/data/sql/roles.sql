-- Login roles and their rights. Roles belong to the cluster: they are created only when
-- missing, and an existing role keeps its password. A new login gets no password (and so
-- cannot connect) until the administrator gives it one.
--
--   tabel_read     reads everything; records a newer program's build through ver_stamp
--   tabel_accept   tabel_read + accepting entries through smena__accept_row_hwo (clerks)
--   tabel_write    tabel_read + entries that are not accepted, their materials and brigade,
--                  the hours table and the operation kinds, operations and norms (foremen)
--   tabel_service  everything, accepted entries and the products included (sys)
--
-- Nobody writes accounts_dep.ver directly. The rules about accepted entries and norms are
-- triggers (schema.sql), so they hold for any tool.
DO $$
DECLARE
    v_role text;
BEGIN
    FOREACH v_role IN ARRAY ARRAY['tabel_read', 'tabel_accept', 'tabel_write', 'tabel_service'] LOOP
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

GRANT tabel_read TO tabel_accept, tabel_write;
GRANT tabel_accept, tabel_write TO tabel_service;
GRANT tabel_service TO sys;
GRANT tabel_accept TO clerk_a, clerk_b, clerk_c;
GRANT tabel_write TO master;
GRANT tabel_read TO econom;

-- Start from nothing, so that a reload also takes back rights given by an older version.
REVOKE ALL ON ALL TABLES IN SCHEMA accounts_dep
    FROM PUBLIC, tabel_read, tabel_accept, tabel_write, tabel_service;
REVOKE ALL ON ALL SEQUENCES IN SCHEMA accounts_dep
    FROM PUBLIC, tabel_read, tabel_accept, tabel_write, tabel_service;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA accounts_dep
    FROM PUBLIC, tabel_read, tabel_accept, tabel_write, tabel_service;

-- Reading: the program's relations and every plant relation it joins.
GRANT USAGE ON SCHEMA accounts_dep, cmn_contractor, hrms_staffpos, hrms_movement, cmn_gds,
    stk_stock, stk_consignment, stk_remainder, mnf_doc, cmn_doc, mnf_operation TO tabel_read;
GRANT SELECT ON ALL TABLES IN SCHEMA accounts_dep, cmn_contractor, hrms_staffpos, hrms_movement,
    cmn_gds, stk_stock, stk_consignment, stk_remainder, mnf_doc, cmn_doc, mnf_operation
    TO tabel_read;
GRANT EXECUTE ON FUNCTION accounts_dep.get_gds_from_by_smena(integer),
    accounts_dep.show_consignment(t_id),
    accounts_dep.get_doc_item_caption_by_smena(integer),
    accounts_dep.worker_code(text),
    accounts_dep.ver_stamp(integer, integer),
    -- called by the triggers, which run as the writer
    accounts_dep.acts_as_service(oid),
    accounts_dep.is_accepted(text) TO tabel_read;

GRANT EXECUTE ON FUNCTION accounts_dep.smena__accept_row_hwo(integer) TO tabel_accept;

GRANT INSERT, UPDATE, DELETE ON accounts_dep.smena, accounts_dep.smena_gds_use,
    accounts_dep.person_temp, accounts_dep.h_tabel, accounts_dep.vid_oper, accounts_dep.oper,
    accounts_dep.norm TO tabel_write;
GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA accounts_dep TO tabel_write;
GRANT EXECUTE ON FUNCTION accounts_dep.divide_between_person(integer) TO tabel_write;

GRANT INSERT, UPDATE, DELETE ON accounts_dep.izdel TO tabel_service;
GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA accounts_dep TO tabel_service;
GRANT EXECUTE ON FUNCTION accounts_dep.post_hours(integer, integer, date),
    accounts_dep.lock_hours_month(integer, integer, boolean),
    accounts_dep.lock_hours_day(integer, integer, date),
    accounts_dep.smena_save(integer, integer, integer, integer, double precision,
                            double precision, integer, date, integer, integer, bigint, bigint),
    accounts_dep.smena_delete(integer) TO tabel_write;
GRANT EXECUTE ON FUNCTION accounts_dep.h_tabel_rebuild(integer, integer) TO tabel_write;
