-- The program's own relations. This is all a plant database needs besides the domains,
-- the views and functions (functions.sql) and the roles (roles.sql). Loading it again creates
-- only what is missing; a column added later goes in as ALTER TABLE ... ADD COLUMN IF NOT EXISTS
-- so that databases set up before get it too.
-- Names stay lower case and unquoted: some statements spell them in upper case.
CREATE SCHEMA IF NOT EXISTS accounts_dep;

-- The plant relations the program reads, named once: the set-up refuses a database without
-- them, and roles.sql lets the program's roles read these and no other plant relation.
CREATE OR REPLACE FUNCTION accounts_dep.plant_relations_read()
RETURNS text[]
LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT ARRAY['cmn_contractor.person', 'hrms_staffpos.staffpos', 'hrms_movement.movement',
                 'cmn_gds.gds', 'stk_stock.stock', 'stk_consignment.consignment',
                 'stk_remainder.remainder', 'mnf_doc.doc', 'mnf_doc.doc_item', 'cmn_doc.doc',
                 'mnf_operation.operation']
$$;
DO $$
DECLARE
    v_missing text;
BEGIN
    SELECT string_agg(r, ', ') INTO v_missing
    FROM unnest(accounts_dep.plant_relations_read()) AS r
    WHERE to_regclass(r) IS NULL;
    IF v_missing IS NOT NULL THEN
        RAISE EXCEPTION 'В базе нет отношений учётной системы завода: %', v_missing;
    END IF;
END
$$;

CREATE TABLE IF NOT EXISTS accounts_dep.izdel (
    id    serial PRIMARY KEY,
    marka text NOT NULL,
    nom   text,
    massa double precision
);

CREATE TABLE IF NOT EXISTS accounts_dep.vid_oper (
    id  serial PRIMARY KEY,
    vid varchar(50) NOT NULL  -- the kind editor's field holds as much (data/column_lengths.h)
);
-- The kind editor compares names with upper(vid); the index makes the same rule binding.
CREATE UNIQUE INDEX IF NOT EXISTS vid_oper_vid_upper_key ON accounts_dep.vid_oper (upper(vid));

CREATE TABLE IF NOT EXISTS accounts_dep.oper (
    id       serial PRIMARY KEY,
    vid      integer NOT NULL REFERENCES accounts_dep.vid_oper (id),
    naimen   smallint NOT NULL DEFAULT 0,
    i_id     integer NOT NULL REFERENCES accounts_dep.izdel (id),
    cena     numeric,
    cena_new double precision,
    i_id_old integer,
    CONSTRAINT oper_vid_naimen_i_id_key UNIQUE (vid, naimen, i_id)
);
CREATE INDEX IF NOT EXISTS oper_i_id_idx ON accounts_dep.oper (i_id);

CREATE TABLE IF NOT EXISTS accounts_dep.norm (
    id    serial PRIMARY KEY,
    o_id  integer NOT NULL REFERENCES accounts_dep.oper (id) ON DELETE CASCADE,
    norma integer,
    prize integer,
    price double precision
);
CREATE INDEX IF NOT EXISTS norm_o_id_idx ON accounts_dep.norm (o_id);

CREATE TABLE IF NOT EXISTS accounts_dep.smena (
    id            serial PRIMARY KEY,
    data          date NOT NULL,
    smena         smallint NOT NULL,
    w_id          integer NOT NULL,
    i_id          integer NOT NULL REFERENCES accounts_dep.izdel (id),
    o_id          integer NOT NULL REFERENCES accounts_dep.oper (id),
    cena          double precision NOT NULL DEFAULT 0,
    kol_vo        double precision NOT NULL DEFAULT 0,
    brak          smallint NOT NULL DEFAULT 0,
    color         integer NOT NULL DEFAULT 0,
    time          integer NOT NULL DEFAULT 0,
    ok            varchar(2) DEFAULT 'no',
    vvod          timestamp DEFAULT now(),
    prize         double precision DEFAULT 0,
    id_doc        public.t_id DEFAULT 0,
    id_doc_item   public.t_id DEFAULT 0,
    f_gds_qty_use double precision DEFAULT 0,
    id_gds_use    public.t_id DEFAULT 0,
    id_cons_use   public.t_id DEFAULT 0
);
-- Shift lists (date and shift), hours sums (worker and date); (data, smena) also serves the
-- period reports, which select a range of dates.
CREATE INDEX IF NOT EXISTS smena_data_smena_idx ON accounts_dep.smena (data, smena);
CREATE INDEX IF NOT EXISTS smena_w_id_data_idx ON accounts_dep.smena (w_id, data);
-- Keep the in-use checks of an operation or product deletion from scanning every entry.
CREATE INDEX IF NOT EXISTS smena_o_id_idx ON accounts_dep.smena (o_id);
CREATE INDEX IF NOT EXISTS smena_i_id_idx ON accounts_dep.smena (i_id);
-- The versions the optimistic checks compare, kept by the triggers smena_versions and
-- smena_gds_use_version whoever writes: entry_version changes with the entry's own columns (the
-- entry dialog's save), row_version with the entry or any of its material lines (accept,
-- delete, the shift lists). Kept on the row, so a list reads them as they are.
ALTER TABLE accounts_dep.smena
    ADD COLUMN IF NOT EXISTS entry_version bigint NOT NULL DEFAULT 1,
    ADD COLUMN IF NOT EXISTS row_version bigint NOT NULL DEFAULT 1;

CREATE TABLE IF NOT EXISTS accounts_dep.smena_gds_use (
    id          serial PRIMARY KEY,
    id_smena    integer NOT NULL REFERENCES accounts_dep.smena (id) ON DELETE CASCADE,
    id_gds_use  public.t_id NOT NULL,
    f_qty_use   double precision NOT NULL,
    id_cons_use public.t_id
);
CREATE INDEX IF NOT EXISTS smena_gds_use_id_smena_idx ON accounts_dep.smena_gds_use (id_smena);

CREATE SEQUENCE IF NOT EXISTS accounts_dep.person_temp_id_seq;
CREATE TABLE IF NOT EXISTS accounts_dep.person_temp (
    id        public.t_id PRIMARY KEY DEFAULT nextval('accounts_dep.person_temp_id_seq'),
    id_smena  integer NOT NULL REFERENCES accounts_dep.smena (id) ON DELETE CASCADE,
    id_person public.t_id NOT NULL
);
ALTER SEQUENCE accounts_dep.person_temp_id_seq OWNED BY accounts_dep.person_temp.id;
CREATE INDEX IF NOT EXISTS person_temp_id_smena_idx ON accounts_dep.person_temp (id_smena);
-- How divide_between_person shares the entry out (the same split on every line of an entry):
-- 'even', 'ktu' by each member's participation coefficient, 'hours' by his hours.
ALTER TABLE accounts_dep.person_temp
    ADD COLUMN IF NOT EXISTS ktu numeric(4,2) NOT NULL DEFAULT 1
        CONSTRAINT person_temp_ktu_check CHECK (ktu BETWEEN 0.01 AND 9.99),
    ADD COLUMN IF NOT EXISTS hours smallint
        CONSTRAINT person_temp_hours_check CHECK (hours BETWEEN 1 AND 24),
    ADD COLUMN IF NOT EXISTS split text NOT NULL DEFAULT 'even'
        CONSTRAINT person_temp_split_check CHECK (split IN ('even', 'ktu', 'hours'));

-- Rows are inserted with one day set, and totals add all 31 days: every day defaults to 0.
CREATE TABLE IF NOT EXISTS accounts_dep.h_tabel (
    id    serial PRIMARY KEY,
    w_id  integer NOT NULL,
    smena smallint NOT NULL,
    month smallint NOT NULL,
    year  smallint NOT NULL,
    d1  smallint NOT NULL DEFAULT 0, d2  smallint NOT NULL DEFAULT 0,
    d3  smallint NOT NULL DEFAULT 0, d4  smallint NOT NULL DEFAULT 0,
    d5  smallint NOT NULL DEFAULT 0, d6  smallint NOT NULL DEFAULT 0,
    d7  smallint NOT NULL DEFAULT 0, d8  smallint NOT NULL DEFAULT 0,
    d9  smallint NOT NULL DEFAULT 0, d10 smallint NOT NULL DEFAULT 0,
    d11 smallint NOT NULL DEFAULT 0, d12 smallint NOT NULL DEFAULT 0,
    d13 smallint NOT NULL DEFAULT 0, d14 smallint NOT NULL DEFAULT 0,
    d15 smallint NOT NULL DEFAULT 0, d16 smallint NOT NULL DEFAULT 0,
    d17 smallint NOT NULL DEFAULT 0, d18 smallint NOT NULL DEFAULT 0,
    d19 smallint NOT NULL DEFAULT 0, d20 smallint NOT NULL DEFAULT 0,
    d21 smallint NOT NULL DEFAULT 0, d22 smallint NOT NULL DEFAULT 0,
    d23 smallint NOT NULL DEFAULT 0, d24 smallint NOT NULL DEFAULT 0,
    d25 smallint NOT NULL DEFAULT 0, d26 smallint NOT NULL DEFAULT 0,
    d27 smallint NOT NULL DEFAULT 0, d28 smallint NOT NULL DEFAULT 0,
    d29 smallint NOT NULL DEFAULT 0, d30 smallint NOT NULL DEFAULT 0,
    d31 smallint NOT NULL DEFAULT 0,
    CONSTRAINT h_tabel_w_id_smena_month_year_key UNIQUE (w_id, smena, month, year)
);
CREATE INDEX IF NOT EXISTS h_tabel_year_month_idx ON accounts_dep.h_tabel (year, month, smena);

-- A plant that had these tables before may lack the keys the functions rely on (the hours
-- posting's ON CONFLICT, the locks and references by id). Each missing one is added; rows that
-- would break it stop the set-up before anything is changed, with the groups to merge.
DO $$
DECLARE
    v_key       record;
    v_columns   text;
    v_groups    bigint;
    v_listed    text;
    v_problems  text[] := '{}';
    v_additions text[] := '{}';
BEGIN
    FOR v_key IN
        SELECT k.tbl::regclass AS tbl, k.name, k.cols
        FROM (VALUES
            ('accounts_dep.h_tabel', 'h_tabel_w_id_smena_month_year_key',
             ARRAY['w_id', 'smena', 'month', 'year']),
            ('accounts_dep.oper', 'oper_vid_naimen_i_id_key', ARRAY['vid', 'naimen', 'i_id']),
            ('accounts_dep.smena', 'smena_id_key', ARRAY['id']),
            ('accounts_dep.h_tabel', 'h_tabel_id_key', ARRAY['id'])
        ) AS k (tbl, name, cols)
    LOOP
        -- Any unique, non-partial index on exactly these columns serves.
        CONTINUE WHEN EXISTS (
            SELECT 1 FROM pg_catalog.pg_index i
            WHERE i.indrelid = v_key.tbl AND i.indisunique AND i.indpred IS NULL
              AND i.indexprs IS NULL AND i.indnkeyatts = cardinality(v_key.cols)
              AND (SELECT array_agg(a.attname::text ORDER BY a.attname)
                   FROM pg_catalog.pg_attribute a
                   WHERE a.attrelid = i.indrelid
                     AND a.attnum = ANY (i.indkey::smallint[]))
                  = (SELECT array_agg(c ORDER BY c) FROM unnest(v_key.cols) AS c));
        SELECT string_agg(format('%I', c), ', ') INTO v_columns FROM unnest(v_key.cols) AS c;
        EXECUTE format(
            'SELECT count(*), string_agg(g.line, E''\n'' ORDER BY g.line) FILTER (WHERE g.n <= 20)'
            ' FROM (SELECT format(''  (%%s) = (%%s): строки id %%s'', %L, concat_ws('', '', %s),'
            '              string_agg(t.id::text, '', '' ORDER BY t.id)) AS line,'
            '              row_number() OVER (ORDER BY min(t.id)) AS n'
            '       FROM %s t GROUP BY %s HAVING count(*) > 1) g',
            v_columns, v_columns, v_key.tbl, v_columns)
        INTO v_groups, v_listed;
        IF v_groups > 0 THEN
            v_problems := v_problems || format(
                E'%s: %s групп(ы) строк с одинаковыми (%s)%s:\n%s', v_key.tbl, v_groups,
                v_columns, CASE WHEN v_groups > 20 THEN ', первые 20' ELSE '' END, v_listed);
        ELSE
            v_additions := v_additions || format('ALTER TABLE %s ADD CONSTRAINT %I UNIQUE (%s)',
                                                 v_key.tbl, v_key.name, v_columns);
        END IF;
    END LOOP;
    IF cardinality(v_problems) > 0 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = format(
            E'Нельзя добавить ключи, на которые опираются функции программы:\n%s\n'
            'Объедините строки каждой группы в одну (у accounts_dep.h_tabel: часы каждого дня '
            'сложите в строке с меньшим id, остальные строки группы удалите) и запустите '
            'tabel-dbsetup снова. Ничего не изменено.',
            array_to_string(v_problems, E'\n'));
    END IF;
    FOREACH v_columns IN ARRAY v_additions LOOP
        EXECUTE v_columns;
    END LOOP;
END
$$;

-- One row at most: the build stamp of the newest program that ran against the database.
CREATE TABLE IF NOT EXISTS accounts_dep.ver (
    d integer,
    t integer
);

-- Parameters are named p_…, locals v_…. CREATE OR REPLACE cannot rename a parameter, so a
-- function an older setup made with other parameter names is dropped here and made again
-- below and in functions.sql; roles.sql grants its rights again.
DO $$
DECLARE
    v_function regprocedure;
BEGIN
    FOR v_function IN
        SELECT f.oid::regprocedure
        FROM pg_catalog.pg_proc f
        WHERE f.pronamespace = 'accounts_dep'::regnamespace
          AND EXISTS (SELECT 1
                      FROM unnest(f.proargnames, coalesce(f.proargmodes,
                                  array_fill('i'::"char",
                                             ARRAY[coalesce(cardinality(f.proargnames), 0)])))
                          AS a (name, mode)
                      WHERE a.mode IN ('i', 'b') AND a.name NOT LIKE 'p\_%')
    LOOP
        EXECUTE format('DROP FUNCTION %s', v_function);
    END LOOP;
END
$$;

-- Rules the database keeps whoever writes: the program, psql or another ODBC tool.
-- Refusals are raised as P0001 with a message the program shows as it is.

-- The service account (tabel_service) may do anything; so may the owner of the relations,
-- which is who the accept function runs as and who carries out cascaded deletions.
CREATE OR REPLACE FUNCTION accounts_dep.acts_as_service(p_relation oid)
RETURNS boolean
LANGUAGE sql STABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT pg_has_role(current_user, 'tabel_service', 'MEMBER')
        OR pg_has_role(current_user, c.relowner, 'MEMBER')
    FROM pg_catalog.pg_class c
    WHERE c.oid = p_relation
$$;

-- The one test of an entry's acceptance mark: "ok" or "да".
CREATE OR REPLACE FUNCTION accounts_dep.is_accepted(p_mark text)
RETURNS boolean
LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$ SELECT coalesce(p_mark IN ('ok', 'да'), false) $$;

-- An accepted entry is final; the accepted mark is set only by the accept function.
CREATE OR REPLACE FUNCTION accounts_dep.smena_guard()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    IF accounts_dep.acts_as_service(TG_RELID) THEN
        RETURN CASE TG_OP WHEN 'DELETE' THEN OLD ELSE NEW END;
    END IF;
    IF TG_OP <> 'INSERT' AND accounts_dep.is_accepted(OLD.ok) THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = CASE TG_OP
            WHEN 'DELETE' THEN 'Позиция принята, удалить её нельзя'
            ELSE 'Позиция принята, изменить её нельзя' END;
    END IF;
    IF TG_OP <> 'DELETE' AND accounts_dep.is_accepted(NEW.ok) THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'Принять позицию может только учётчик, кнопкой «Принять»';
    END IF;
    RETURN CASE TG_OP WHEN 'DELETE' THEN OLD ELSE NEW END;
END
$$;
CREATE OR REPLACE TRIGGER smena_guard BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_guard();

-- Materials and brigade of an accepted entry are final too. The entry row is locked while
-- it is checked, so an acceptance running at the same time waits for this change or refuses
-- it, never accepting an entry whose materials are being removed.
CREATE OR REPLACE FUNCTION accounts_dep.smena_part_guard()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_entry integer;
    v_mark  text;
BEGIN
    IF accounts_dep.acts_as_service(TG_RELID) THEN
        RETURN CASE TG_OP WHEN 'DELETE' THEN OLD ELSE NEW END;
    END IF;
    FOREACH v_entry IN ARRAY CASE TG_OP
        WHEN 'INSERT' THEN ARRAY[NEW.id_smena]
        WHEN 'DELETE' THEN ARRAY[OLD.id_smena]
        ELSE ARRAY[OLD.id_smena, NEW.id_smena] END
    LOOP
        -- The lock the line's own version update (smena_gds_use_version) takes: two writers
        -- of one entry's lines queue here rather than deadlock upgrading a shared lock.
        SELECT s.ok INTO v_mark FROM accounts_dep.smena s WHERE s.id = v_entry
        FOR NO KEY UPDATE;
        IF accounts_dep.is_accepted(v_mark) THEN
            RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = CASE TG_TABLE_NAME
                WHEN 'smena_gds_use' THEN 'Позиция принята, изменить её расход ТМЦ нельзя'
                ELSE 'Позиция принята, изменить её бригаду нельзя' END;
        END IF;
    END LOOP;
    RETURN CASE TG_OP WHEN 'DELETE' THEN OLD ELSE NEW END;
END
$$;
CREATE OR REPLACE TRIGGER smena_gds_use_guard BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.smena_gds_use
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_part_guard();
CREATE OR REPLACE TRIGGER person_temp_guard BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.person_temp
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_part_guard();

-- The entry's versions are the triggers' alone: whatever a statement writes into them, an
-- insert starts both at 1 and an update counts on from the old values, entry_version when one
-- of the entry's own columns differs, row_version always (a material line's change touches its
-- entry). Runs last of the BEFORE triggers (by name), after the others have shaped the row.
CREATE OR REPLACE FUNCTION accounts_dep.smena_versions()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    IF TG_OP = 'INSERT' THEN
        NEW.entry_version := 1;
        NEW.row_version := 1;
        RETURN NEW;
    END IF;
    NEW.entry_version := OLD.entry_version;
    NEW.row_version := OLD.row_version;
    IF NEW IS DISTINCT FROM OLD THEN
        NEW.entry_version := OLD.entry_version + 1;
    END IF;
    NEW.row_version := OLD.row_version + 1;
    RETURN NEW;
END
$$;
CREATE OR REPLACE TRIGGER smena_versions BEFORE INSERT OR UPDATE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_versions();

-- A material line added, changed or removed, by any tool, moves its entry's row_version (and
-- both entries' when a line moves). A line removed with its entry finds no entry to touch.
CREATE OR REPLACE FUNCTION accounts_dep.smena_gds_use_version()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    UPDATE accounts_dep.smena s SET row_version = s.row_version
    WHERE s.id IN (CASE WHEN TG_OP <> 'INSERT' THEN OLD.id_smena END,
                   CASE WHEN TG_OP <> 'DELETE' THEN NEW.id_smena END);
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER smena_gds_use_version
    AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena_gds_use
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_gds_use_version();

-- Every operation keeps at least one norm: an operation without norms drops out of the
-- operations list. The operation row is locked first, so two sessions deleting its last two
-- norms at once are taken one after the other and the second one is refused.
CREATE OR REPLACE FUNCTION accounts_dep.norm_keep_one()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    IF TG_OP = 'UPDATE' AND NEW.o_id IS NOT DISTINCT FROM OLD.o_id THEN
        RETURN NULL;
    END IF;
    -- A deleted operation takes its norms with it.
    PERFORM 1 FROM accounts_dep.oper o WHERE o.id = OLD.o_id FOR NO KEY UPDATE;
    IF FOUND AND NOT EXISTS (SELECT 1 FROM accounts_dep.norm n WHERE n.o_id = OLD.o_id) THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'У операции должна остаться хотя бы одна норма';
    END IF;
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER norm_keep_one AFTER DELETE OR UPDATE OF o_id ON accounts_dep.norm
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.norm_keep_one();
