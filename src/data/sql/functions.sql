-- Views and functions in accounts_dep that stand between the program and the plant relations.

-- A person's code (person.s_code) read as a worker code: the one place that says which codes
-- are numbers. NULL when it is not a whole number, so that one mistyped code cannot fail a
-- statement over all persons. The test sits in a CASE, which the planner never evaluates out
-- of order.
CREATE OR REPLACE FUNCTION accounts_dep.worker_code(p_code text)
RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT CASE WHEN p_code ~ '^\s*[+-]?0*[0-9]{1,9}\s*$' THEN btrim(p_code)::integer END
$$;

-- Workers by code, for the lists that join entries and hours with people: every person with a
-- numeric code, one row per code, whether the plant marks him an employee or not (his entries
-- and hours count all the same). A code that is not a number is left out (its entries drop out
-- of the lists rather than failing them for everyone). Where persons share a code, the one with
-- a current staff position, then an employee, then the lowest id, stands for it, so no entry is
-- listed twice. The code column keeps the plant's name, s_code, so the lists' joins stay as
-- they are.
-- Read with every shift list, so kept cheap: a plain code ("123") is read in place and only
-- other forms go through worker_code (a call each), and the position, which depends on today's
-- date and so is never stored, is looked up only for persons who share a code.
CREATE OR REPLACE VIEW accounts_dep.v_worker AS
SELECT DISTINCT ON (w.s_code) w.s_code, w.s_caption, w.id
FROM (
    SELECT c.s_code, p.s_caption, p.id, p.b_employee,
           count(*) OVER (PARTITION BY c.s_code) AS sharing
    FROM cmn_contractor.person p
    CROSS JOIN LATERAL (
        SELECT CASE WHEN p.s_code ~ '^[1-9][0-9]{0,8}$' THEN p.s_code::integer
                    ELSE accounts_dep.worker_code(p.s_code) END AS s_code) c
    WHERE c.s_code IS NOT NULL
) w
ORDER BY w.s_code,
         CASE WHEN w.sharing > 1 THEN
             EXISTS (SELECT 1 FROM hrms_movement.movement m
                     WHERE m.id_employee = w.id
                       AND now()::date BETWEEN m.d_begin AND coalesce(m.d_end, now()::date))
         END DESC,
         w.b_employee DESC, w.id;

-- Records the build stamp of a program newer than the one recorded: raises it, never lowers
-- it. The only way to write accounts_dep.ver, and only the service account (and tabel-dbsetup,
-- with the package's build) may call it: a raised stamp ends every older program, so no other
-- login may lock the workstations out. A build date after tomorrow cannot come from a real
-- build and is refused.
CREATE OR REPLACE FUNCTION accounts_dep.ver_stamp(p_date integer, p_time integer)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
SET lock_timeout = '3s'
AS $$
BEGIN
    IF p_date IS NULL OR p_time IS NULL
       OR p_date > to_char(current_date + 1, 'YYYYMMDD')::integer
       OR p_time NOT BETWEEN 0 AND 86399 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = 'Неверная версия программы';
    END IF;
    -- Stamps run one at a time, so an empty table gets exactly one row.
    LOCK TABLE accounts_dep.ver IN SHARE ROW EXCLUSIVE MODE;
    IF EXISTS (SELECT 1 FROM accounts_dep.ver) THEN
        UPDATE accounts_dep.ver v SET d = p_date, t = p_time
        WHERE (coalesce(v.d, 0), coalesce(v.t, 0)) < (p_date, p_time);
    ELSE
        INSERT INTO accounts_dep.ver (d, t) VALUES (p_date, p_time);
    END IF;
END
$$;

CREATE OR REPLACE VIEW accounts_dep.v_mnf_requisition AS
SELECT doc.id::public.t_id AS id,
       format('Заявка № %s от %s', doc.s_number, to_char(doc.d_date, 'dd.mm.yyyy')) AS s_caption
FROM mnf_doc.doc doc;

CREATE OR REPLACE VIEW accounts_dep.v_mnf_requisition_item AS
SELECT item.id::public.t_id AS id,
       item.id_doc::public.t_id AS id_doc,
       format('%s. %s, %s %s', item.n_pos,
              concat_ws(' ', nullif(btrim(gds.s_gds_mc), ''),
                        coalesce(gds.s_caption, 'ТМЦ ' || item.id_gds)),
              -- A quantity in the caption as the windows write numbers: with the decimal comma.
              replace(trim_scale(item.f_qty)::text, '.', ','), coalesce(gds.s_unit, 'шт.'))
           AS s_caption,
       item.id_gds::public.t_id AS id_gds,
       item.f_qty::double precision AS f_qty,
       -- The goods code the program matches against an operation's product: products and
       -- goods share one key space.
       item.id_gds::text AS s_gds_mc
FROM mnf_doc.doc_item item
LEFT JOIN cmn_gds.gds gds ON gds.id = item.id_gds;

CREATE OR REPLACE VIEW accounts_dep.v_cmn_gds_in AS
SELECT gds.id::public.t_id AS id, gds.s_caption
FROM cmn_gds.gds gds;

-- Goods that may be consumed for an entry: the inputs of the manufacturing operations that
-- make its product (or its requisition item's goods); a paint operation may also use any paint.
CREATE OR REPLACE FUNCTION accounts_dep.get_gds_from_by_smena(p_id_smena integer)
RETURNS TABLE (id public.t_id, s_caption text)
LANGUAGE sql STABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT g.id, g.s_caption
    FROM accounts_dep.smena s
    LEFT JOIN mnf_doc.doc_item item ON item.id = s.id_doc_item
    JOIN mnf_operation.operation op ON op.id_gds_to = s.i_id OR op.id_gds_to = item.id_gds
    JOIN cmn_gds.gds g ON g.id = op.id_gds_from
    WHERE s.id = p_id_smena
    UNION
    SELECT g.id, g.s_caption
    FROM accounts_dep.smena s
    JOIN accounts_dep.oper o ON o.id = s.o_id
    JOIN accounts_dep.vid_oper v ON v.id = o.vid
    JOIN cmn_gds.gds g ON g.s_caption LIKE '%краска%'
    WHERE s.id = p_id_smena AND upper(v.vid) LIKE '%КРАСКА%'
    ORDER BY 2, 1
$$;

-- Consignments of a goods item with their free remainder and their stock.
CREATE OR REPLACE FUNCTION accounts_dep.show_consignment(p_id_gds public.t_id)
RETURNS TABLE (id public.t_id, s_caption text, s_full_caption text, stock_s_caption text)
LANGUAGE sql STABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT c.id,
           format('Партия № %s от %s', c.s_number, to_char(c.d_date, 'dd.mm.yyyy')),
           format('%s, партия № %s от %s, остаток %s %s', g.s_caption, c.s_number,
                  to_char(c.d_date, 'dd.mm.yyyy'),
                  replace(trim_scale(coalesce(sum(r.f_qty) FILTER (WHERE r.id_reserved_doc IS NULL),
                                              0))::text, '.', ','),
                  g.s_unit),
           st.s_caption
    FROM stk_consignment.consignment c
    JOIN cmn_gds.gds g ON g.id = c.id_gds
    LEFT JOIN stk_stock.stock st ON st.id = c.id_stock
    LEFT JOIN stk_remainder.remainder r ON r.id_cons = c.id
    WHERE c.id_gds = p_id_gds
    GROUP BY c.id, c.s_number, c.d_date, g.s_caption, g.s_unit, st.s_caption
    ORDER BY c.d_date, c.id
$$;

-- The requisition item of an entry with its caption (none when the entry has no item).
CREATE OR REPLACE FUNCTION accounts_dep.get_doc_item_caption_by_smena(p_id_smena integer)
RETURNS TABLE (id public.t_id, s_caption text)
LANGUAGE sql STABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT item.id, item.s_caption
    FROM accounts_dep.smena s
    JOIN accounts_dep.v_mnf_requisition_item item ON item.id = s.id_doc_item
    WHERE s.id = p_id_smena
$$;

-- Accepts an entry as it is now: the versioned acceptance below, with the version read under
-- the entry's lock (which keeps its materials from changing too), so it never finds a change.
-- Clerks call it without any write right on smena, hence SECURITY DEFINER.
CREATE OR REPLACE FUNCTION accounts_dep.smena__accept_row_hwo(p_id integer)
RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER
-- Runs as tabel_owner: nothing outside pg_catalog may be found by an unqualified name.
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    PERFORM 1 FROM accounts_dep.smena s WHERE s.id = p_id FOR UPDATE;
    -- A missing entry gives no version; the versioned acceptance refuses it by its number.
    RETURN accounts_dep.smena__accept_row_hwo(p_id,
        (SELECT s.row_version::text FROM accounts_dep.smena s WHERE s.id = p_id));
END
$$;

-- Accepts an entry as the clerk saw it: p_version is the entry's version his list showed
-- (smena.row_version, as text); when the entry or its materials changed since, nothing is
-- accepted (accounts_dep.refuse_changed_row). Clerks call it without any write right on smena,
-- hence SECURITY DEFINER, with every name qualified.
CREATE OR REPLACE FUNCTION accounts_dep.smena__accept_row_hwo(p_id integer, p_version text)
RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_ok      varchar(2);
    v_version text;
BEGIN
    -- The row lock keeps materials from changing until the end (their guard shares it).
    SELECT s.ok, s.row_version::text INTO v_ok, v_version
    FROM accounts_dep.smena s WHERE s.id = p_id FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = pg_catalog.format('Позиция %s не найдена', p_id);
    END IF;
    IF accounts_dep.is_accepted(v_ok) THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = pg_catalog.format('Позиция %s уже принята', p_id);
    END IF;
    -- Read again under the lock: a change committed while this call waited shows now.
    SELECT s.row_version::text INTO v_version
    FROM accounts_dep.smena s WHERE s.id = p_id;
    IF p_version IS NULL OR v_version OPERATOR(pg_catalog.<>) p_version THEN
        PERFORM accounts_dep.refuse_changed_row();
    END IF;
    IF NOT EXISTS (SELECT 1 FROM accounts_dep.smena_gds_use u WHERE u.id_smena = p_id) THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = 'Не заведен расход ТМЦ!';
    END IF;
    UPDATE accounts_dep.smena s SET ok = 'ok' WHERE s.id = p_id;
    RETURN p_id;
END
$$;

-- Divides an entry between its worker and the brigade listed in person_temp, by the split
-- stored with the lines (the same on every line): 'even' as it always was (every member the
-- whole pieces that divide evenly; the rest, and any fraction, stays with the entry's own
-- worker), 'ktu' by each member's participation coefficient, 'hours' by his hours. By
-- coefficient or hours, good pieces and defects are each shared in whole pieces by largest
-- remainder: everyone gets the whole part of his quota, and the pieces left go one each to the
-- largest remainders, ties to the entry's worker, then by worker code; a fraction of a piece
-- stays with the entry's worker. So the totals do not change and the pay (price times good
-- pieces) adds up to the entry's. The entry's worker takes the coefficient or hours of his own
-- line when he is listed, otherwise 1 or the entry's hours. By hours each member's entry
-- carries his own hours, otherwise the entry's. The day's hours of each of them are recomputed
-- in h_tabel as the sum of their entries of that date and shift. The listed people are removed
-- afterwards (their removal, with the split and coefficients, stays in the entry's history),
-- so a second call does nothing. Returns the number of people the entry was divided with.
-- The entry dialog's preview (src/core/brigade_split.cpp) computes the same.
CREATE OR REPLACE FUNCTION accounts_dep.divide_between_person(p_id_smena integer)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_entry         accounts_dep.smena%ROWTYPE;
    v_unnumbered    text;
    v_splits        text[];
    v_split         text;
    v_unhoured      text;
    v_codes         integer[];  -- the entry's worker first, then the others by code
    v_weights       bigint[];
    v_hours         integer[];
    v_shared        integer;
    v_good_shares   numeric[];
    v_defect_shares numeric[];
    v_code          integer;
BEGIN
    SELECT * INTO v_entry FROM accounts_dep.smena s WHERE s.id = p_id_smena FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'Позиция % не найдена', p_id_smena;
    END IF;

    SELECT string_agg(p.s_caption, ', ' ORDER BY pt.id) INTO v_unnumbered
    FROM accounts_dep.person_temp pt
    JOIN cmn_contractor.person p ON p.id = pt.id_person
    WHERE pt.id_smena = v_entry.id AND accounts_dep.worker_code(p.s_code) IS NULL;
    IF v_unnumbered IS NOT NULL THEN
        RAISE EXCEPTION 'Нет табельного номера: %', v_unnumbered;
    END IF;

    v_splits := ARRAY(SELECT DISTINCT pt.split FROM accounts_dep.person_temp pt
                      WHERE pt.id_smena = v_entry.id);
    IF cardinality(v_splits) > 1 THEN
        RAISE EXCEPTION 'Строки бригады позиции % разделены по-разному', v_entry.id;
    END IF;
    v_split := coalesce(v_splits[1], 'even');

    -- A person listed twice counts once, with his first line; the entry's own worker takes
    -- no extra share.
    WITH lines AS (
        SELECT DISTINCT ON (accounts_dep.worker_code(p.s_code))
               accounts_dep.worker_code(p.s_code) AS code, p.s_caption, pt.ktu, pt.hours
        FROM accounts_dep.person_temp pt
        JOIN cmn_contractor.person p ON p.id = pt.id_person
        WHERE pt.id_smena = v_entry.id
        ORDER BY accounts_dep.worker_code(p.s_code), pt.id),
    members AS (
        SELECT v_entry.w_id AS code, 0 AS ord, NULL::text AS s_caption,
               coalesce(o.ktu, 1) AS ktu, coalesce(o.hours::integer, v_entry.time) AS hours
        FROM (SELECT 1) AS one
        LEFT JOIN lines o ON o.code = v_entry.w_id
        UNION ALL
        SELECT l.code, 1, l.s_caption, l.ktu, l.hours FROM lines l WHERE l.code <> v_entry.w_id)
    SELECT array_agg(m.code ORDER BY m.ord, m.code),
           array_agg(CASE v_split WHEN 'ktu' THEN (m.ktu * 100)::bigint
                                  WHEN 'hours' THEN m.hours ELSE 1 END ORDER BY m.ord, m.code),
           array_agg(m.hours ORDER BY m.ord, m.code),
           string_agg(m.s_caption, ', ' ORDER BY m.code) FILTER (WHERE m.hours IS NULL)
    INTO v_codes, v_weights, v_hours, v_unhoured
    FROM members m;
    v_shared := cardinality(v_codes) - 1;

    IF v_shared > 0 THEN
        IF v_split = 'hours' AND v_unhoured IS NOT NULL THEN
            RAISE EXCEPTION 'Не заданы часы: %', v_unhoured;
        END IF;
        -- Good pieces (whole ones) and defects, each over the members' weights.
        WITH m AS (
            SELECT t.weight, t.ord
            FROM unnest(v_weights) WITH ORDINALITY AS t (weight, ord)),
        p AS (
            SELECT * FROM (VALUES
                (1, greatest(floor(v_entry.kol_vo::numeric - v_entry.brak), 0)),
                (2, greatest(v_entry.brak, 0)::numeric)) AS p (kind, pieces)),
        q AS (
            SELECT p.kind, p.pieces, m.ord,
                   div(p.pieces * m.weight, w.total) AS base,
                   mod(p.pieces * m.weight, w.total) AS rest
            FROM p CROSS JOIN m CROSS JOIN (SELECT sum(t.weight) AS total FROM m t) AS w),
        r AS (
            SELECT q.kind, q.ord, q.base + CASE
                WHEN v_split = 'even' THEN
                    CASE WHEN q.ord = 1 THEN q.pieces - sum(q.base) OVER k ELSE 0 END
                WHEN row_number() OVER (PARTITION BY q.kind ORDER BY q.rest DESC, q.ord)
                     <= q.pieces - sum(q.base) OVER k THEN 1
                ELSE 0 END AS share
            FROM q
            WINDOW k AS (PARTITION BY q.kind))
        SELECT array_agg(r.share ORDER BY r.ord) FILTER (WHERE r.kind = 1),
               array_agg(r.share ORDER BY r.ord) FILTER (WHERE r.kind = 2)
        INTO v_good_shares, v_defect_shares
        FROM r;

        INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color,
                                        time, ok, vvod, prize, id_doc, id_doc_item,
                                        f_gds_qty_use, id_gds_use, id_cons_use)
        SELECT v_entry.data, v_entry.smena, t.code, v_entry.i_id, v_entry.o_id, v_entry.cena,
               t.good + t.defects, t.defects, v_entry.color,
               CASE WHEN v_split = 'hours' THEN t.hours ELSE v_entry.time END, 'no',
               now(), 0, v_entry.id_doc, v_entry.id_doc_item, 0, 0, 0
        FROM unnest(v_codes, v_good_shares, v_defect_shares, v_hours)
             WITH ORDINALITY AS t (code, good, defects, hours, ord)
        WHERE t.ord > 1
        ORDER BY t.ord;

        -- What the others took comes off the entry's own row, as a double the way it always
        -- did, so an even split writes what it wrote before.
        UPDATE accounts_dep.smena s
        SET kol_vo = v_entry.kol_vo - (SELECT sum(t.good + t.defects)
                                       FROM unnest(v_good_shares[2:], v_defect_shares[2:])
                                            AS t (good, defects))::double precision,
            brak = v_entry.brak - (SELECT sum(t.defects)
                                   FROM unnest(v_defect_shares[2:]) AS t (defects))::integer,
            time = CASE WHEN v_split = 'hours' THEN v_hours[1] ELSE v_entry.time END
        WHERE s.id = v_entry.id;

        -- Through the one locked posting, in ascending worker order like every other
        -- posting of several days, so a save of one of these days elsewhere waits for this
        -- division and then sums its entries too.
        FOREACH v_code IN ARRAY ARRAY(SELECT DISTINCT c FROM unnest(v_codes) AS c
                                      ORDER BY c) LOOP
            PERFORM accounts_dep.post_hours(v_code, v_entry.smena, v_entry.data);
        END LOOP;
    END IF;

    DELETE FROM accounts_dep.person_temp pt WHERE pt.id_smena = v_entry.id;
    RETURN v_shared;
END
$$;

-- The locks of the hours table are rows of tables of their own, not advisory locks: any login
-- may take an advisory key, while locking a row needs UPDATE on its table, which only writers
-- have, and lasts only to the end of the writer's own transaction. A month is locked shared by
-- every hours posting and alone by its rebuild, so a rebuild never interleaves with postings;
-- a posting also locks its worker's month in its shift alone, so two postings of one worker's
-- day run one after the other. A month is always locked before a worker's row.
CREATE TABLE IF NOT EXISTS accounts_dep.hours_month_lock (
    year  smallint NOT NULL,
    month smallint NOT NULL,
    PRIMARY KEY (year, month)
);
CREATE TABLE IF NOT EXISTS accounts_dep.hours_worker_lock (
    w_id  integer NOT NULL,
    smena smallint NOT NULL,
    year  smallint NOT NULL,
    month smallint NOT NULL,
    PRIMARY KEY (w_id, smena, year, month)
);

CREATE OR REPLACE FUNCTION accounts_dep.lock_hours_month(p_year integer, p_month integer,
                                                         p_alone boolean)
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    INSERT INTO accounts_dep.hours_month_lock AS l (year, month) VALUES (p_year, p_month)
    ON CONFLICT DO NOTHING;
    IF p_alone THEN
        PERFORM 1 FROM accounts_dep.hours_month_lock l
        WHERE l.year = p_year AND l.month = p_month FOR UPDATE;
    ELSE
        PERFORM 1 FROM accounts_dep.hours_month_lock l
        WHERE l.year = p_year AND l.month = p_month FOR SHARE;
    END IF;
END
$$;

CREATE OR REPLACE FUNCTION accounts_dep.lock_hours_day(p_w_id integer, p_smena integer,
                                                       p_data date)
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_year  CONSTANT integer := extract(year FROM p_data)::integer;
    v_month CONSTANT integer := extract(month FROM p_data)::integer;
BEGIN
    INSERT INTO accounts_dep.hours_worker_lock AS l (w_id, smena, year, month)
    VALUES (p_w_id, p_smena, v_year, v_month)
    ON CONFLICT DO NOTHING;
    PERFORM 1 FROM accounts_dep.hours_worker_lock l
    WHERE l.w_id = p_w_id AND l.smena = p_smena AND l.year = v_year AND l.month = v_month
    FOR UPDATE;
END
$$;

-- The days of entries that changed, locked as a posting locks them: months first, then the
-- workers' rows, each in ascending order, so sessions changing several days at once never wait
-- on each other in a circle.
CREATE OR REPLACE FUNCTION accounts_dep.lock_hours_days(p_w_ids integer[], p_smenas integer[],
                                                        p_datas date[])
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_key record;
BEGIN
    FOR v_key IN
        SELECT DISTINCT extract(year FROM k.data)::integer AS year,
                        extract(month FROM k.data)::integer AS month
        FROM unnest(p_datas) AS k (data) ORDER BY 1, 2
    LOOP
        PERFORM accounts_dep.lock_hours_month(v_key.year, v_key.month, false);
    END LOOP;
    FOR v_key IN
        SELECT DISTINCT k.w_id, k.smena, date_trunc('month', k.data)::date AS first_day
        FROM unnest(p_w_ids, p_smenas, p_datas) AS k (w_id, smena, data) ORDER BY 1, 2, 3
    LOOP
        PERFORM accounts_dep.lock_hours_day(v_key.w_id, v_key.smena, v_key.first_day);
    END LOOP;
END
$$;

-- Writes one day's hours of a worker in a shift: the sum of the time of every entry of that
-- worker, date and shift (0 when none is left), into that day of his row of the month,
-- inserting the row when the month has none yet. Postings share the month's lock; the month
-- rebuild takes it alone. The worker's lock makes a second posting of the same day wait until
-- the first commits, so its sum sees the other's entry and no posting overwrites a newer one.
-- A row left with no hours and no entry of its month and shift goes, as the rebuild would not
-- make it. Every write of h_tabel but the rebuild comes through here.
CREATE OR REPLACE FUNCTION accounts_dep.post_hours(p_w_id integer, p_smena integer,
                                                   p_data date)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_year  CONSTANT integer := extract(year FROM p_data)::integer;
    v_month CONSTANT integer := extract(month FROM p_data)::integer;
    v_first CONSTANT date := date_trunc('month', p_data)::date;
    v_hours integer;
BEGIN
    PERFORM accounts_dep.lock_hours_month(v_year, v_month, false);
    PERFORM accounts_dep.lock_hours_day(p_w_id, p_smena, p_data);
    EXECUTE format(
        'INSERT INTO accounts_dep.h_tabel AS h (w_id, smena, month, year, d%1$s)'
        ' SELECT $1, $2, $3, $4, coalesce(sum(s.time), 0) FROM accounts_dep.smena s'
        '  WHERE s.w_id = $1 AND s.smena = $2 AND s.data = $5'
        ' ON CONFLICT (w_id, smena, month, year) DO UPDATE SET d%1$s = excluded.d%1$s'
        ' RETURNING h.d%1$s',
        extract(day FROM p_data)::integer)
    INTO v_hours
    USING p_w_id, p_smena, v_month, v_year, p_data;
    IF v_hours = 0 AND NOT EXISTS (
            SELECT 1 FROM accounts_dep.smena s
            WHERE s.w_id = p_w_id AND s.smena = p_smena
              AND s.data >= v_first AND s.data < (v_first + interval '1 month')::date) THEN
        DELETE FROM accounts_dep.h_tabel h
        WHERE h.w_id = p_w_id AND h.smena = p_smena AND h.month = v_month AND h.year = v_year
          AND ARRAY[h.d1, h.d2, h.d3, h.d4, h.d5, h.d6, h.d7, h.d8, h.d9, h.d10, h.d11, h.d12,
                    h.d13, h.d14, h.d15, h.d16, h.d17, h.d18, h.d19, h.d20, h.d21, h.d22,
                    h.d23, h.d24, h.d25, h.d26, h.d27, h.d28, h.d29, h.d30, h.d31]
              <@ ARRAY[0::smallint];
    END IF;
    RETURN v_hours;
END
$$;

-- An entry's version with its materials is kept on the entry (smena.row_version); the function
-- that worked it out from the rows' xmin, once a row of every list, is gone.
DROP FUNCTION IF EXISTS accounts_dep.smena_version(integer, xid);

-- The version check of a save: the row a user started from has not changed since.
-- SQLSTATE P0T01, of the program's own, tells the program it is this refusal: 40001 is the
-- server's serialization failure, which a retry may cure, and P0000-P0004 are PL/pgSQL's.
CREATE OR REPLACE FUNCTION accounts_dep.refuse_changed_row()
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    RAISE EXCEPTION USING ERRCODE = 'P0T01',
        MESSAGE = 'Запись изменена другим пользователем';
END
$$;

-- What no dialog can produce is refused here as well, for any tool: a quantity that is no
-- finite number or is negative, negative defects or hours, more defects than pieces, more
-- than 24 hours of one worker in one shift on one day.
CREATE OR REPLACE FUNCTION accounts_dep.smena_check(p_kol_vo double precision, p_brak integer,
                                                    p_time integer)
RETURNS void
LANGUAGE plpgsql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    IF p_kol_vo IS NULL OR p_kol_vo NOT BETWEEN 0 AND 1e15 THEN  -- NaN and infinity too
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Количество "%s" не является числом!', p_kol_vo);
    END IF;
    IF p_brak IS NULL OR p_brak < 0 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Брак "%s" не является целым числом!', p_brak);
    END IF;
    IF p_brak > p_kol_vo THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = 'Брак не может быть больше количества!';
    END IF;
    IF p_time IS NOT NULL AND p_time NOT BETWEEN 0 AND 24 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'Время за день не может быть больше 24 часов!';
    END IF;
END
$$;

-- The refusal of a day whose entries add up to more than 24 hours, naming what the worker
-- already has that day in that shift without the entry being saved (an entry over 24 hours
-- alone is refused by smena_check as a figure).
CREATE OR REPLACE FUNCTION accounts_dep.refuse_day_hours(p_already bigint, p_data date)
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    RAISE EXCEPTION USING ERRCODE = 'P0001',
        MESSAGE = format('Время за день не может быть больше 24 часов! У рабочего уже %s ч за %s '
                         'в этой смене.', p_already, to_char(p_data, 'DD.MM.YYYY'));
END
$$;

-- The figures of an entry hold for every tool, not only for smena_save: checked when an entry
-- is made and whenever one of them changes, so an old row that breaks a rule stays readable
-- and can still be accepted (tabel-dbsetup lists such rows). An entry's number never changes:
-- its history and materials find it by that number.
CREATE OR REPLACE FUNCTION accounts_dep.smena_check_row()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    IF TG_OP = 'UPDATE' AND NEW.id IS DISTINCT FROM OLD.id THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = 'Номер позиции изменить нельзя';
    END IF;
    IF TG_OP = 'UPDATE'
       AND (NEW.kol_vo, NEW.brak, NEW.time, NEW.smena, NEW.cena)
           IS NOT DISTINCT FROM (OLD.kol_vo, OLD.brak, OLD.time, OLD.smena, OLD.cena) THEN
        RETURN NEW;
    END IF;
    PERFORM accounts_dep.smena_check(NEW.kol_vo, NEW.brak, NEW.time);
    IF NEW.smena IS NULL OR NEW.smena NOT BETWEEN 1 AND 4 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Смена "%s" должна быть от 1 до 4!', NEW.smena);
    END IF;
    IF NEW.cena IS NULL OR NEW.cena NOT BETWEEN 0 AND 1e9 THEN  -- NaN and infinity too
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Цена "%s" не является допустимой ценой!', NEW.cena);
    END IF;
    RETURN NEW;
END
$$;
CREATE OR REPLACE TRIGGER smena_check_row BEFORE INSERT OR UPDATE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.smena_check_row();

-- No worker has more than 24 hours in one shift on one day, whatever tool writes the entries.
-- The days are locked as an hours posting locks them, so two sessions adding to one day see
-- each other's entries; checked once per statement, over the days it touched.
CREATE OR REPLACE FUNCTION accounts_dep.smena_day_hours()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_w_ids  integer[];
    v_smenas integer[];
    v_datas  date[];
    v_times  integer[];
    v_in     boolean[];
    v_over   record;
BEGIN
    -- Only the entries whose hours or day changed: an accept or a price change adds no hours.
    -- (Kept in arrays: a temporary table could be one the session's login planted.)
    IF TG_OP = 'INSERT' THEN
        SELECT array_agg(n.w_id), array_agg(n.smena), array_agg(n.data), array_agg(n.time),
               array_agg(true)
        INTO v_w_ids, v_smenas, v_datas, v_times, v_in
        FROM new_rows n;
    ELSE
        -- An entry moved away frees its old day, which is locked too, in the same order.
        SELECT array_agg(c.w_id), array_agg(c.smena), array_agg(c.data), array_agg(c.time),
               array_agg(c.moved_in)
        INTO v_w_ids, v_smenas, v_datas, v_times, v_in
        FROM new_rows n
        JOIN old_rows o ON o.id = n.id
        CROSS JOIN LATERAL (VALUES (n.w_id, n.smena, n.data, n.time, true),
                                   (o.w_id, o.smena, o.data, o.time, false))
            AS c (w_id, smena, data, time, moved_in)
        WHERE (n.w_id, n.smena, n.data, n.time) IS DISTINCT FROM (o.w_id, o.smena, o.data, o.time);
    END IF;
    IF v_w_ids IS NULL THEN
        RETURN NULL;
    END IF;
    PERFORM accounts_dep.lock_hours_days(v_w_ids, v_smenas, v_datas);
    SELECT d.data, d.total, d.total - d.added AS already INTO v_over
    FROM (SELECT r.w_id, r.smena, r.data, sum(r.time) AS added
          FROM unnest(v_w_ids, v_smenas, v_datas, v_times, v_in)
              AS r (w_id, smena, data, time, moved_in)
          WHERE r.moved_in
          GROUP BY r.w_id, r.smena, r.data) k
    CROSS JOIN LATERAL (
        SELECT k.data, sum(s.time) AS total, k.added
        FROM accounts_dep.smena s
        WHERE s.w_id = k.w_id AND s.smena = k.smena AND s.data = k.data) d
    WHERE d.total > 24
    ORDER BY d.data
    LIMIT 1;
    IF FOUND THEN
        PERFORM accounts_dep.refuse_day_hours(v_over.already, v_over.data);
    END IF;
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER smena_day_hours_insert AFTER INSERT ON accounts_dep.smena
    REFERENCING NEW TABLE AS new_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.smena_day_hours();
CREATE OR REPLACE TRIGGER smena_day_hours_update AFTER UPDATE ON accounts_dep.smena
    REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows
    FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.smena_day_hours();

DROP FUNCTION IF EXISTS accounts_dep.smena_save(integer, integer, integer, integer,
    double precision, double precision, integer, date, integer, integer, bigint, bigint);

-- Saves an entry and posts its hours in one transaction: a new entry when p_id is 0 or null,
-- otherwise a change of entry p_id (its acceptance mark stays), refused when the entry's own
-- version (smena.entry_version, as text; its materials do not count) is no longer p_version. A
-- change that moves the entry to another worker, date or shift posts the day it left as well.
-- Returns the entry's id.
CREATE OR REPLACE FUNCTION accounts_dep.smena_save(
    p_id integer, p_w_id integer, p_i_id integer, p_o_id integer, p_cena double precision,
    p_kol_vo double precision, p_brak integer, p_data date, p_smena integer, p_time integer,
    p_id_doc bigint, p_id_doc_item bigint, p_version text DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_id    integer;
    v_old   record;
BEGIN
    PERFORM accounts_dep.smena_check(p_kol_vo, p_brak, p_time);
    IF coalesce(p_id, 0) = 0 THEN
        INSERT INTO accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena,
                                        color, time, vvod, ok, prize, id_doc, id_doc_item,
                                        f_gds_qty_use, id_gds_use, id_cons_use)
        VALUES (p_w_id, p_i_id, p_o_id, p_cena, p_kol_vo, p_brak, p_data, p_smena, 0,
                coalesce(p_time, 0), current_date, 'no', 0, p_id_doc, p_id_doc_item, 0, 0, 0)
        RETURNING id INTO v_id;
        -- More than 24 hours a day was refused by the insert (smena_day_hours).
        PERFORM accounts_dep.post_hours(p_w_id, p_smena, p_data);
        RETURN v_id;
    END IF;

    SELECT s.w_id, s.smena, s.data, s.entry_version::text AS version INTO v_old
    FROM accounts_dep.smena s WHERE s.id = p_id FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'Позиция удалена с другого рабочего места.';
    END IF;
    IF p_version IS NOT NULL AND v_old.version <> p_version THEN
        PERFORM accounts_dep.refuse_changed_row();
    END IF;
    UPDATE accounts_dep.smena s
    SET w_id = p_w_id, i_id = p_i_id, o_id = p_o_id, cena = p_cena, kol_vo = p_kol_vo,
        brak = p_brak, data = p_data, smena = p_smena, time = coalesce(p_time, 0),
        vvod = current_date, id_doc = p_id_doc, id_doc_item = p_id_doc_item
    WHERE s.id = p_id;  -- the colour, premium and material use are not in the dialog: kept
    -- Both days in one order, so two workstations moving entries cannot wait on each other.
    IF (v_old.w_id, v_old.smena, v_old.data) = (p_w_id, p_smena, p_data) THEN
        PERFORM accounts_dep.post_hours(p_w_id, p_smena, p_data);
    ELSIF (v_old.w_id, v_old.smena, v_old.data) < (p_w_id, p_smena, p_data) THEN
        PERFORM accounts_dep.post_hours(v_old.w_id, v_old.smena, v_old.data);
        PERFORM accounts_dep.post_hours(p_w_id, p_smena, p_data);
    ELSE
        PERFORM accounts_dep.post_hours(p_w_id, p_smena, p_data);
        PERFORM accounts_dep.post_hours(v_old.w_id, v_old.smena, v_old.data);
    END IF;
    RETURN p_id;
END
$$;

-- Deletes an entry and posts the day's hours of its worker and shift again: the entries left
-- that day, or 0, in that one day; the other days of the row stay. With p_version, the
-- entry's version as the list showed it (smena.row_version), nothing is deleted when
-- the entry or its materials changed since. Returns the deleted id.
CREATE OR REPLACE FUNCTION accounts_dep.smena_delete(p_id integer, p_version text)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_old record;
BEGIN
    SELECT s.w_id, s.smena, s.data, s.row_version::text AS version
    INTO v_old
    FROM accounts_dep.smena s WHERE s.id = p_id FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'Позиция уже удалена с другого рабочего места.';
    END IF;
    -- Read again under the lock: a change committed while this call waited shows now.
    SELECT s.row_version::text INTO v_old.version
    FROM accounts_dep.smena s WHERE s.id = p_id;
    IF p_version IS NOT NULL AND v_old.version <> p_version THEN
        PERFORM accounts_dep.refuse_changed_row();
    END IF;
    DELETE FROM accounts_dep.smena s WHERE s.id = p_id;
    PERFORM accounts_dep.post_hours(v_old.w_id, v_old.smena, v_old.data);
    RETURN p_id;
END
$$;

-- Without a version, for the plant's own callers: deletes the entry as it is now.
CREATE OR REPLACE FUNCTION accounts_dep.smena_delete(p_id integer)
RETURNS integer
LANGUAGE sql
SET search_path = pg_catalog, pg_temp
AS $$ SELECT accounts_dep.smena_delete(p_id, NULL::text) $$;

-- Rebuilds the hours table of one month from the entries: the month's rows of every shift are
-- replaced by one row per shift and worker with entries, each day the sum of its hours (an
-- entry without hours adds nothing). Holds the month's lock alone, so an hours
-- posting (which takes it shared) or a second rebuild of the month waits instead of
-- interleaving. Runs with the caller's rights: only who may write h_tabel may rebuild.
-- Returns the number of rows made.
CREATE OR REPLACE FUNCTION accounts_dep.h_tabel_rebuild(p_month integer, p_year integer)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_first_day date;
    v_made      integer;
BEGIN
    IF p_month IS NULL OR p_month NOT BETWEEN 1 AND 12 OR p_year IS NULL
       OR p_year NOT BETWEEN 1900 AND 9999 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Неверный месяц табеля: %s.%s', p_month, p_year);
    END IF;
    v_first_day := make_date(p_year, p_month, 1);
    PERFORM accounts_dep.lock_hours_month(p_year, p_month, true);
    -- A closed month keeps its hours as they were paid, even where a rebuild would change none.
    PERFORM accounts_dep.refuse_closed_month(p_year, p_month);

    DELETE FROM accounts_dep.h_tabel h WHERE h.month = p_month AND h.year = p_year;

    INSERT INTO accounts_dep.h_tabel (smena, w_id, month, year,
        d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
        d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
    SELECT e.smena, e.w_id, p_month, p_year,
        coalesce(sum(e.time) FILTER (WHERE e.d = 1), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 2), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 3), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 4), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 5), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 6), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 7), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 8), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 9), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 10), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 11), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 12), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 13), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 14), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 15), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 16), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 17), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 18), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 19), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 20), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 21), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 22), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 23), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 24), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 25), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 26), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 27), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 28), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 29), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 30), 0),
        coalesce(sum(e.time) FILTER (WHERE e.d = 31), 0)
    -- The day number once per entry (OFFSET 0 keeps the planner from repeating it per day).
    FROM (SELECT s.smena, s.w_id, s.time, s.data - v_first_day + 1 AS d
          FROM accounts_dep.smena s
          WHERE s.data >= v_first_day AND s.data < (v_first_day + interval '1 month')::date
          OFFSET 0) e
    GROUP BY e.smena, e.w_id;
    GET DIAGNOSTICS v_made = ROW_COUNT;
    RETURN v_made;
END
$$;
