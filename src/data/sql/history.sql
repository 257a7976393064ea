-- The history of every entry, written by the database itself, and the notifications that let
-- every open window follow what other workstations (or psql) change. Loaded after
-- functions.sql and before roles.sql, which gives every role of the program SELECT on the
-- history and nobody any other right on it.

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

-- The columns that differ between two row images, as {"column": {"old": …, "new": …}};
-- either image may be null (insert, deletion). `p_skip` names columns left out.
CREATE OR REPLACE FUNCTION accounts_dep.row_changes(p_old jsonb, p_new jsonb, p_skip text[])
RETURNS jsonb
LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT coalesce(jsonb_object_agg(k.key,
               jsonb_strip_nulls(jsonb_build_object('old', p_old -> k.key, 'new', p_new -> k.key))),
               '{}')
    FROM (SELECT key FROM jsonb_object_keys(coalesce(p_new, p_old)) AS key) k
    WHERE k.key <> ALL (p_skip)
      AND (p_old -> k.key) IS DISTINCT FROM (p_new -> k.key)
      AND NOT (p_old IS NULL AND p_new -> k.key = 'null')
      AND NOT (p_new IS NULL AND p_old -> k.key = 'null')
$$;

-- Writers have no right on the history: the trigger writes it as its owner, and records the
-- login of the session (session_user), which a SECURITY DEFINER caller does not change.
CREATE OR REPLACE FUNCTION accounts_dep.smena_history_write()
RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_old     jsonb := CASE WHEN TG_OP <> 'INSERT' THEN to_jsonb(OLD) END;
    v_new     jsonb := CASE WHEN TG_OP <> 'DELETE' THEN to_jsonb(NEW) END;
    v_changes jsonb;
    v_action  text;
BEGIN
    -- row_changes written out: a statement of the trigger itself keeps its plan for the
    -- session, a call of the SQL function is planned again in every transaction (every save).
    SELECT coalesce(jsonb_object_agg(k.key,
               jsonb_strip_nulls(jsonb_build_object('old', v_old -> k.key, 'new', v_new -> k.key))),
               '{}')
    INTO v_changes
    FROM jsonb_object_keys(coalesce(v_new, v_old)) AS k (key)
    WHERE k.key <> 'id'
      AND (v_old -> k.key) IS DISTINCT FROM (v_new -> k.key)
      AND NOT (v_old IS NULL AND v_new -> k.key = 'null')
      AND NOT (v_new IS NULL AND v_old -> k.key = 'null');
    IF TG_OP = 'UPDATE' AND v_changes = '{}' THEN
        RETURN NULL;  -- rewritten with the same values: nothing happened to the entry
    END IF;
    v_action := CASE TG_OP
        WHEN 'INSERT' THEN 'insert'
        WHEN 'DELETE' THEN 'delete'
        ELSE CASE WHEN NOT accounts_dep.is_accepted(OLD.ok) AND accounts_dep.is_accepted(NEW.ok)
                  THEN 'accept' ELSE 'update' END END;
    INSERT INTO accounts_dep.smena_history (id_smena, login, action, changes, data, smena)
    VALUES (coalesce(NEW.id, OLD.id), session_user, v_action, v_changes,
            coalesce(NEW.data, OLD.data), coalesce(NEW.smena, OLD.smena));
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER smena_history AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_history_write();

-- Materials (smena_gds_use) and brigade (person_temp) of an entry: one history row of the
-- entry per added, changed or removed line.
CREATE OR REPLACE FUNCTION accounts_dep.smena_part_history_write()
RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_old     jsonb := CASE WHEN TG_OP <> 'INSERT' THEN to_jsonb(OLD) END;
    v_new     jsonb := CASE WHEN TG_OP <> 'DELETE' THEN to_jsonb(NEW) END;
    v_entry   integer := CASE WHEN TG_OP = 'DELETE' THEN OLD.id_smena ELSE NEW.id_smena END;
    v_changes jsonb;
    v_data    date;
    v_smena   smallint;
BEGIN
    v_changes := accounts_dep.row_changes(v_old, v_new, ARRAY['id', 'id_smena']);
    IF TG_OP = 'UPDATE' AND v_changes = '{}' THEN
        RETURN NULL;
    END IF;
    SELECT s.data, s.smena INTO v_data, v_smena FROM accounts_dep.smena s WHERE s.id = v_entry;
    INSERT INTO accounts_dep.smena_history (id_smena, login, action, changes, data, smena)
    VALUES (v_entry, session_user,
            CASE TG_TABLE_NAME WHEN 'smena_gds_use' THEN 'material_' ELSE 'brigade_' END
                || CASE TG_OP WHEN 'INSERT' THEN 'add' WHEN 'DELETE' THEN 'delete'
                              ELSE 'change' END,
            v_changes, v_data, v_smena);
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER smena_gds_use_history
    AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena_gds_use
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_part_history_write();
CREATE OR REPLACE TRIGGER person_temp_history
    AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.person_temp
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_part_history_write();

-- Live refresh: every change is announced on the channel "tabel_changes" with a small JSON
-- payload; the program listens on a second connection and re-reads only what it names.
--   {"t":"smena","a":"I|U|D","id":…,"d":"YYYY-MM-DD","s":…[,"od":…,"os":…]}  od/os: the
--      date and shift the entry had before an update that moved it
--   {"t":"vid_oper|oper|izdel","id":…}, {"t":"norm","id":…,"o":operation}
--   {"t":"h_tabel","m":month,"y":year}  one per month a statement touched
-- Delivered at commit, never for a rolled-back change; identical payloads of one transaction
-- are delivered once.
CREATE OR REPLACE FUNCTION accounts_dep.smena_notify()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_payload jsonb;
BEGIN
    IF TG_OP = 'DELETE' THEN
        v_payload := jsonb_build_object('t', 'smena', 'a', 'D', 'id', OLD.id, 'd', OLD.data,
                                        's', OLD.smena);
    ELSE
        v_payload := jsonb_build_object('t', 'smena', 'a', left(TG_OP, 1), 'id', NEW.id,
                                        'd', NEW.data, 's', NEW.smena);
        IF TG_OP = 'UPDATE' AND (OLD.data, OLD.smena) IS DISTINCT FROM (NEW.data, NEW.smena) THEN
            v_payload := v_payload || jsonb_build_object('od', OLD.data, 'os', OLD.smena);
        END IF;
    END IF;
    PERFORM pg_notify('tabel_changes', v_payload::text);
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER smena_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_notify();

CREATE OR REPLACE FUNCTION accounts_dep.reference_notify()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_row jsonb := to_jsonb(CASE WHEN TG_OP = 'DELETE' THEN OLD ELSE NEW END);
    v_payload jsonb := jsonb_build_object('t', TG_TABLE_NAME, 'id', v_row -> 'id');
BEGIN
    IF TG_TABLE_NAME = 'norm' THEN
        v_payload := v_payload || jsonb_build_object('o', v_row -> 'o_id');
        IF TG_OP = 'UPDATE' AND OLD.o_id IS DISTINCT FROM NEW.o_id THEN
            PERFORM pg_notify('tabel_changes', (jsonb_build_object('t', 'norm', 'id', OLD.id,
                                                                   'o', OLD.o_id))::text);
        END IF;
    END IF;
    PERFORM pg_notify('tabel_changes', v_payload::text);
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER vid_oper_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.vid_oper
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.reference_notify();
CREATE OR REPLACE TRIGGER oper_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.oper
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.reference_notify();
CREATE OR REPLACE TRIGGER norm_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.norm
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.reference_notify();
CREATE OR REPLACE TRIGGER izdel_notify AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.izdel
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.reference_notify();

-- The hours table: one notification per month and shift a statement touched, naming its
-- workers (an update names where the rows were as well), at most 500 to a notification so a
-- month rebuild stays far below the 8000-byte payload limit.
--   {"t":"h_tabel","m":month,"y":year,"s":shift,"w":[w_id,…]}
CREATE OR REPLACE FUNCTION accounts_dep.h_tabel_notify()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_page record;
    v_from integer;
BEGIN
    -- Transition tables are seen by dynamic statements too; only an update has both images.
    FOR v_page IN EXECUTE
        'SELECT r.month, r.year, r.smena, array_agg(DISTINCT r.w_id ORDER BY r.w_id) AS workers '
        'FROM (SELECT h.month, h.year, h.smena, h.w_id FROM changed_rows h'
        || CASE WHEN TG_OP = 'UPDATE'
                THEN ' UNION ALL SELECT h.month, h.year, h.smena, h.w_id FROM old_rows h'
                ELSE '' END
        || ') r GROUP BY r.month, r.year, r.smena'
    LOOP
        FOR v_from IN 1 .. cardinality(v_page.workers) BY 500 LOOP
            PERFORM pg_notify('tabel_changes', (jsonb_build_object(
                't', 'h_tabel', 'm', v_page.month, 'y', v_page.year, 's', v_page.smena,
                'w', to_jsonb(v_page.workers[v_from:v_from + 499])))::text);
        END LOOP;
    END LOOP;
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER h_tabel_notify_insert AFTER INSERT ON accounts_dep.h_tabel
    REFERENCING NEW TABLE AS changed_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.h_tabel_notify();
CREATE OR REPLACE TRIGGER h_tabel_notify_update AFTER UPDATE ON accounts_dep.h_tabel
    REFERENCING OLD TABLE AS old_rows NEW TABLE AS changed_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.h_tabel_notify();
CREATE OR REPLACE TRIGGER h_tabel_notify_delete AFTER DELETE ON accounts_dep.h_tabel
    REFERENCING OLD TABLE AS changed_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.h_tabel_notify();
