-- The history of every entry, written by the database itself, and the change log that lets
-- every open window follow what other workstations (or psql) change. Loaded after
-- functions.sql and before roles.sql, which gives every role of the program SELECT on both
-- and nobody any other right on them.

CREATE TABLE IF NOT EXISTS accounts_dep.smena_history (
    id       bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    id_smena integer NOT NULL,  -- no foreign key: the history outlives a deleted entry
    at       timestamptz NOT NULL DEFAULT clock_timestamp(),
    login    text NOT NULL DEFAULT session_user,
    -- insert, update, accept, delete; material_add, material_change, material_delete;
    -- brigade_add, brigade_change, brigade_delete
    action   text NOT NULL,
    -- {"column": {"old": …, "new": …}}; an insert has only "new", a deletion only "old"
    changes  jsonb NOT NULL DEFAULT '{}',
    -- The entry's date and shift when it was written, to find deleted entries by the day.
    data     date,
    smena    smallint
);
CREATE INDEX IF NOT EXISTS smena_history_id_smena_at_idx
    ON accounts_dep.smena_history (id_smena, at);
CREATE INDEX IF NOT EXISTS smena_history_at_idx ON accounts_dep.smena_history (at);
CREATE INDEX IF NOT EXISTS smena_history_deleted_idx
    ON accounts_dep.smena_history (data, smena) WHERE action = 'delete';

-- History rows are final for everyone, the owner included; only the triggers below add them.
CREATE OR REPLACE FUNCTION accounts_dep.smena_history_final()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = 'История позиций не изменяется';
END
$$;
CREATE OR REPLACE TRIGGER smena_history_final
    BEFORE UPDATE OR DELETE ON accounts_dep.smena_history
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_history_final();
CREATE OR REPLACE TRIGGER smena_history_final_truncate
    BEFORE TRUNCATE ON accounts_dep.smena_history
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.smena_history_final();

-- Writers have no right on the history: the trigger writes it as its owner, and records the
-- login of the session (session_user), which a SECURITY DEFINER caller does not change.
-- One function for the entry and its parts: materials (smena_gds_use) and brigade
-- (person_temp) give one history row of their entry per added, changed or removed line.
CREATE OR REPLACE FUNCTION accounts_dep.smena_history_write()
RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_old     jsonb := CASE WHEN TG_OP <> 'INSERT' THEN pg_catalog.to_jsonb(OLD) END;
    v_new     jsonb := CASE WHEN TG_OP <> 'DELETE' THEN pg_catalog.to_jsonb(NEW) END;
    v_part    boolean := TG_TABLE_NAME <> 'smena';
    v_changes jsonb;
    v_entry   integer;
    v_data    date;
    v_smena   smallint;
    v_action  text;
BEGIN
    -- {"column": {"old": …, "new": …}} of the columns that differ; a statement of the trigger
    -- itself keeps its plan for the session. The versions are no part of the history: an
    -- update that moved only them (a material line's touch) leaves no row.
    SELECT coalesce(pg_catalog.jsonb_object_agg(k.key, pg_catalog.jsonb_strip_nulls(
               pg_catalog.jsonb_build_object('old', v_old -> k.key, 'new', v_new -> k.key))),
               '{}')
    INTO v_changes
    FROM pg_catalog.jsonb_object_keys(coalesce(v_new, v_old)) AS k (key)
    WHERE k.key NOT IN ('id', 'entry_version', 'row_version')
      AND NOT (v_part AND k.key = 'id_smena')
      AND (v_old -> k.key) IS DISTINCT FROM (v_new -> k.key)
      AND NOT (v_old IS NULL AND v_new -> k.key = 'null')
      AND NOT (v_new IS NULL AND v_old -> k.key = 'null');
    IF TG_OP = 'UPDATE' AND v_changes = '{}' THEN
        RETURN NULL;  -- rewritten with the same values: nothing happened to the entry
    END IF;
    IF v_part THEN
        v_entry := (coalesce(v_new, v_old) ->> 'id_smena')::integer;
        SELECT s.data, s.smena INTO v_data, v_smena
        FROM accounts_dep.smena s WHERE s.id = v_entry;
        v_action := CASE TG_TABLE_NAME WHEN 'smena_gds_use' THEN 'material_' ELSE 'brigade_' END
                    || CASE TG_OP WHEN 'INSERT' THEN 'add' WHEN 'DELETE' THEN 'delete'
                                  ELSE 'change' END;
    ELSE
        v_entry := (coalesce(v_new, v_old) ->> 'id')::integer;
        v_data := (coalesce(v_new, v_old) ->> 'data')::date;
        v_smena := (coalesce(v_new, v_old) ->> 'smena')::smallint;
        v_action := CASE TG_OP
            WHEN 'INSERT' THEN 'insert'
            WHEN 'DELETE' THEN 'delete'
            ELSE CASE WHEN NOT accounts_dep.is_accepted(v_old ->> 'ok')
                           AND accounts_dep.is_accepted(v_new ->> 'ok')
                      THEN 'accept' ELSE 'update' END END;
    END IF;
    INSERT INTO accounts_dep.smena_history (id_smena, login, action, changes, data, smena)
    VALUES (v_entry, session_user, v_action, v_changes, v_data, v_smena);
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER smena_history AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_history_write();
CREATE OR REPLACE TRIGGER smena_gds_use_history
    AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena_gds_use
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_history_write();
CREATE OR REPLACE TRIGGER person_temp_history
    AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.person_temp
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_history_write();

-- Live refresh: every change other sessions must see is a row of the change log, written by
-- the triggers below; the program reads the rows after the last one it applied (by id, through
-- the primary key). NOTIFY "tabel_changes" with an empty payload only wakes the readers: any
-- login may send one, and a notice carries nothing a reader believes.
--   subject   key_id         other keys
--   smena     entry id       data, smena (where it is; a deletion: where it was), old_data,
--                            old_smena (where an update moved it from); a material or brigade
--                            line changed gives its entry's row, action 'U'
--   vid_oper, oper, izdel    the row's id
--   norm      norm id        o_id: its operation (an update that moves it: a row per operation)
--   h_tabel   —              w_id, smena, year, month: one row per worker's row of a page
--   month_close  —           year, month: a month closed (I) or opened again (D)
CREATE TABLE IF NOT EXISTS accounts_dep.change_log (
    id        bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    subject   text NOT NULL,
    action    char(1) NOT NULL,  -- I, U, D
    key_id    integer,
    o_id      integer,
    w_id      integer,
    data      date,
    smena     smallint,
    old_data  date,
    old_smena smallint,
    year      smallint,
    month     smallint,
    at        timestamptz NOT NULL DEFAULT pg_catalog.now()
);

-- The highest number pruned from the log: a reader whose last applied row is below it may have
-- missed rows that are gone, and re-reads its lists whole. Its one row is also what pruning
-- calls serialise on (only the owner may lock it).
CREATE TABLE IF NOT EXISTS accounts_dep.change_log_pruned (
    one   boolean PRIMARY KEY DEFAULT true CHECK (one),
    up_to bigint NOT NULL DEFAULT 0
);
INSERT INTO accounts_dep.change_log_pruned (one) VALUES (true) ON CONFLICT DO NOTHING;

-- Rows older than `p_keep` go, at most those among the oldest 10,000 numbers a call. Called by
-- the triggers whenever the numbering passes a thousand; while another call prunes, a call
-- does nothing, so concurrent writers never wait on each other here.
CREATE OR REPLACE FUNCTION accounts_dep.change_log_prune(p_keep interval DEFAULT '7 days')
RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_deleted integer;
    v_up_to   bigint;
BEGIN
    PERFORM 1 FROM accounts_dep.change_log_pruned p FOR UPDATE SKIP LOCKED;
    IF NOT FOUND THEN
        RETURN 0;
    END IF;
    WITH gone AS (
        DELETE FROM accounts_dep.change_log c
        WHERE c.id <= (SELECT pg_catalog.min(f.id) FROM accounts_dep.change_log f) + 10000
          AND c.at < pg_catalog.clock_timestamp() - p_keep
        RETURNING c.id)
    SELECT pg_catalog.count(*), pg_catalog.max(g.id) INTO v_deleted, v_up_to FROM gone g;
    IF v_up_to IS NOT NULL THEN
        UPDATE accounts_dep.change_log_pruned p SET up_to = greatest(p.up_to, v_up_to);
    END IF;
    RETURN v_deleted;
END
$$;

-- After rows numbered p_from … p_to were logged: the wake-up (identical notices of one
-- transaction are delivered once), and now and then the pruning.
CREATE OR REPLACE FUNCTION accounts_dep.change_log_logged(p_from bigint, p_to bigint)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    PERFORM pg_catalog.pg_notify('tabel_changes', '');
    IF p_to / 1000 <> (p_from - 1) / 1000 THEN
        PERFORM accounts_dep.change_log_prune();
    END IF;
END
$$;

-- Entries, their materials and brigade, operation kinds, operations, norms and products: one
-- row of the log per changed row (a material or brigade line: its entry's row).
CREATE OR REPLACE FUNCTION accounts_dep.change_log_write()
RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_old    jsonb := CASE WHEN TG_OP <> 'INSERT' THEN pg_catalog.to_jsonb(OLD) END;
    v_new    jsonb := CASE WHEN TG_OP <> 'DELETE' THEN pg_catalog.to_jsonb(NEW) END;
    v_row    jsonb := coalesce(v_new, v_old);
    v_action char(1) := pg_catalog.left(TG_OP, 1);
    v_moved  boolean;
    v_from   bigint;
    v_to     bigint;
BEGIN
    IF TG_TABLE_NAME = 'smena_gds_use' THEN
        -- The line's entry is touched (smena_gds_use_version), and that update logs it.
        RETURN NULL;
    ELSIF TG_TABLE_NAME = 'person_temp' THEN
        -- The entry's row shows its lines: it is read again. A line moved to another entry
        -- names both; a line removed with its entry names nothing more.
        WITH logged AS (
            INSERT INTO accounts_dep.change_log (subject, action, key_id, data, smena)
            SELECT 'smena', 'U', s.id, s.data, s.smena
            FROM accounts_dep.smena s
            WHERE s.id IN ((v_old ->> 'id_smena')::integer, (v_new ->> 'id_smena')::integer)
            RETURNING id)
        SELECT pg_catalog.min(l.id), pg_catalog.max(l.id) INTO v_from, v_to FROM logged l;
    ELSIF TG_TABLE_NAME = 'smena' THEN
        v_moved := TG_OP = 'UPDATE' AND (v_old -> 'data', v_old -> 'smena')
                                        IS DISTINCT FROM (v_new -> 'data', v_new -> 'smena');
        INSERT INTO accounts_dep.change_log (subject, action, key_id, data, smena, old_data,
                                             old_smena)
        VALUES ('smena', v_action, (v_row ->> 'id')::integer, (v_row ->> 'data')::date,
                (v_row ->> 'smena')::smallint,
                CASE WHEN v_moved THEN (v_old ->> 'data')::date END,
                CASE WHEN v_moved THEN (v_old ->> 'smena')::smallint END)
        RETURNING id INTO v_from;
        v_to := v_from;
    ELSE
        INSERT INTO accounts_dep.change_log (subject, action, key_id, o_id)
        VALUES (TG_TABLE_NAME, v_action, (v_row ->> 'id')::integer, (v_row ->> 'o_id')::integer)
        RETURNING id INTO v_from;
        v_to := v_from;
        IF TG_OP = 'UPDATE' AND (v_old -> 'o_id') IS DISTINCT FROM (v_new -> 'o_id') THEN
            -- A norm moved to another operation: the operation it left changes too.
            INSERT INTO accounts_dep.change_log (subject, action, key_id, o_id)
            VALUES (TG_TABLE_NAME, v_action, (v_old ->> 'id')::integer,
                    (v_old ->> 'o_id')::integer)
            RETURNING id INTO v_to;
        END IF;
    END IF;
    IF v_from IS NOT NULL THEN
        PERFORM accounts_dep.change_log_logged(v_from, v_to);
    END IF;
    RETURN NULL;
END
$$;

-- The hours table: one row per worker's row of a page (year, month, shift) a statement
-- touched, where an update's rows were as well; a month rebuild logs thousands at once.
CREATE OR REPLACE FUNCTION accounts_dep.h_tabel_change_log_write()
RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_from bigint;
    v_to   bigint;
BEGIN
    -- Only an update has both images; each trigger sees its own transition tables.
    IF TG_OP = 'UPDATE' THEN
        WITH logged AS (
            INSERT INTO accounts_dep.change_log (subject, action, w_id, smena, year, month)
            SELECT 'h_tabel', 'U', r.w_id, r.smena, r.year, r.month
            FROM (SELECT h.w_id, h.smena, h.year, h.month FROM changed_rows h
                  UNION
                  SELECT h.w_id, h.smena, h.year, h.month FROM old_rows h) r
            RETURNING id)
        SELECT pg_catalog.min(l.id), pg_catalog.max(l.id) INTO v_from, v_to FROM logged l;
    ELSE
        WITH logged AS (
            INSERT INTO accounts_dep.change_log (subject, action, w_id, smena, year, month)
            SELECT DISTINCT 'h_tabel', pg_catalog.left(TG_OP, 1), h.w_id, h.smena, h.year,
                   h.month
            FROM changed_rows h
            RETURNING id)
        SELECT pg_catalog.min(l.id), pg_catalog.max(l.id) INTO v_from, v_to FROM logged l;
    END IF;
    IF v_from IS NOT NULL THEN
        PERFORM accounts_dep.change_log_logged(v_from, v_to);
    END IF;
    RETURN NULL;
END
$$;

-- The notices of earlier versions carried JSON payloads; their triggers give way to the log.
DROP TRIGGER IF EXISTS smena_notify ON accounts_dep.smena;
DROP TRIGGER IF EXISTS vid_oper_notify ON accounts_dep.vid_oper;
DROP TRIGGER IF EXISTS oper_notify ON accounts_dep.oper;
DROP TRIGGER IF EXISTS norm_notify ON accounts_dep.norm;
DROP TRIGGER IF EXISTS izdel_notify ON accounts_dep.izdel;
DROP TRIGGER IF EXISTS h_tabel_notify_insert ON accounts_dep.h_tabel;
DROP TRIGGER IF EXISTS h_tabel_notify_update ON accounts_dep.h_tabel;
DROP TRIGGER IF EXISTS h_tabel_notify_delete ON accounts_dep.h_tabel;
DROP FUNCTION IF EXISTS accounts_dep.smena_notify();
DROP FUNCTION IF EXISTS accounts_dep.reference_notify();
DROP FUNCTION IF EXISTS accounts_dep.h_tabel_notify();
DROP FUNCTION IF EXISTS accounts_dep.smena_part_history_write();
DROP FUNCTION IF EXISTS accounts_dep.row_changes(jsonb, jsonb, text[]);

-- One row trigger per table the lists show, all named <table>_change_log.
DO $$
DECLARE
    v_table text;
BEGIN
    FOREACH v_table IN ARRAY ARRAY['smena', 'smena_gds_use', 'person_temp', 'vid_oper', 'oper',
                                   'norm', 'izdel'] LOOP
        EXECUTE format('CREATE OR REPLACE TRIGGER %I AFTER INSERT OR UPDATE OR DELETE '
                       'ON accounts_dep.%I FOR EACH ROW '
                       'EXECUTE FUNCTION accounts_dep.change_log_write()',
                       v_table || '_change_log', v_table);
    END LOOP;
END
$$;
CREATE OR REPLACE TRIGGER h_tabel_change_log_insert AFTER INSERT ON accounts_dep.h_tabel
    REFERENCING NEW TABLE AS changed_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.h_tabel_change_log_write();
CREATE OR REPLACE TRIGGER h_tabel_change_log_update AFTER UPDATE ON accounts_dep.h_tabel
    REFERENCING OLD TABLE AS old_rows NEW TABLE AS changed_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.h_tabel_change_log_write();
CREATE OR REPLACE TRIGGER h_tabel_change_log_delete AFTER DELETE ON accounts_dep.h_tabel
    REFERENCING OLD TABLE AS changed_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.h_tabel_change_log_write();
