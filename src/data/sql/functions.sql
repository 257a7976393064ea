-- Views and functions in accounts_dep that stand between the program and the plant relations.

-- A person's code read as a worker code; NULL when it is not a whole number, so that one
-- mistyped code cannot fail a statement over all persons. The test sits in a CASE, which the
-- planner never evaluates out of order.
CREATE OR REPLACE FUNCTION accounts_dep.worker_code(s_code text)
RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$
    SELECT CASE WHEN s_code ~ '^\s*[+-]?0*[0-9]{1,9}\s*$' THEN btrim(s_code)::integer END
$$;

-- Workers by code, for the lists that join entries and hours with people: employees only,
-- one row per code. A code that is not a number is left out (its entries drop out of the lists
-- rather than failing them for everyone). Where employees share a code, the one with a current
-- staff position, then the lowest id, stands for it, so no entry is listed twice.
-- The code column keeps the plant's name, s_code, so the lists' joins stay as they are.
CREATE OR REPLACE VIEW accounts_dep.v_worker AS
SELECT DISTINCT ON (w.s_code) w.s_code, w.s_caption, w.id
FROM (
    SELECT CASE WHEN p.s_code ~ '^\s*[+-]?0*[0-9]{1,9}\s*$' THEN btrim(p.s_code)::integer END
               AS s_code,
           p.s_caption, p.id,
           EXISTS (SELECT 1 FROM hrms_movement.movement m
                   WHERE m.id_employee = p.id
                     AND now()::date BETWEEN m.d_begin AND coalesce(m.d_end, now()::date))
               AS placed
    FROM cmn_contractor.person p
    WHERE p.b_employee
) w
WHERE w.s_code IS NOT NULL
ORDER BY w.s_code, w.placed DESC, w.id;

-- Records the build stamp of a program newer than the one recorded: raises it, never lowers
-- it. The only way to write accounts_dep.ver, so no login can lock the other workstations out
-- with a lower or an invented stamp, nor keep the row locked. A build date after tomorrow
-- cannot come from a real build and is refused.
CREATE OR REPLACE FUNCTION accounts_dep.ver_stamp(d integer, t integer)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog
SET lock_timeout = '3s'
AS $$
BEGIN
    IF $1 IS NULL OR $2 IS NULL OR $1 > to_char(current_date + 1, 'YYYYMMDD')::integer
       OR $2 NOT BETWEEN 0 AND 86399 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = 'Неверная версия программы';
    END IF;
    -- Stamps run one at a time, so an empty table gets exactly one row.
    LOCK TABLE accounts_dep.ver IN SHARE ROW EXCLUSIVE MODE;
    IF EXISTS (SELECT 1 FROM accounts_dep.ver) THEN
        UPDATE accounts_dep.ver v SET d = $1, t = $2
        WHERE (coalesce(v.d, 0), coalesce(v.t, 0)) < ($1, $2);
    ELSE
        INSERT INTO accounts_dep.ver (d, t) VALUES ($1, $2);
    END IF;
END
$$;

CREATE OR REPLACE VIEW accounts_dep.v_mnf_requisition AS
SELECT doc.id::t_id AS id,
       format('Заявка № %s от %s', doc.s_number, to_char(doc.d_date, 'dd.mm.yyyy')) AS s_caption
FROM mnf_doc.doc doc;

CREATE OR REPLACE VIEW accounts_dep.v_mnf_requisition_item AS
SELECT item.id::t_id AS id,
       item.id_doc::t_id AS id_doc,
       format('%s. %s, %s %s', item.n_pos,
              concat_ws(' ', nullif(btrim(gds.s_gds_mc), ''),
                        coalesce(gds.s_caption, 'ТМЦ ' || item.id_gds)),
              trim_scale(item.f_qty), coalesce(gds.s_unit, 'шт.')) AS s_caption,
       item.id_gds::t_id AS id_gds,
       item.f_qty::double precision AS f_qty,
       -- The goods code the program matches against an operation's product: products and
       -- goods share one key space.
       item.id_gds::text AS s_gds_mc
FROM mnf_doc.doc_item item
LEFT JOIN cmn_gds.gds gds ON gds.id = item.id_gds;

CREATE OR REPLACE VIEW accounts_dep.v_cmn_gds_in AS
SELECT gds.id::t_id AS id, gds.s_caption
FROM cmn_gds.gds gds;

-- Goods that may be consumed for an entry: the inputs of the manufacturing operations that
-- make its product (or its requisition item's goods); a paint operation may also use any paint.
CREATE OR REPLACE FUNCTION accounts_dep.get_gds_from_by_smena(id_smena integer)
RETURNS TABLE (id t_id, s_caption text)
LANGUAGE sql STABLE
AS $$
    SELECT g.id, g.s_caption
    FROM accounts_dep.smena s
    LEFT JOIN mnf_doc.doc_item item ON item.id = s.id_doc_item
    JOIN mnf_operation.operation op ON op.id_gds_to = s.i_id OR op.id_gds_to = item.id_gds
    JOIN cmn_gds.gds g ON g.id = op.id_gds_from
    WHERE s.id = $1
    UNION
    SELECT g.id, g.s_caption
    FROM accounts_dep.smena s
    JOIN accounts_dep.oper o ON o.id = s.o_id
    JOIN accounts_dep.vid_oper v ON v.id = o.vid
    JOIN cmn_gds.gds g ON g.s_caption LIKE '%краска%'
    WHERE s.id = $1 AND upper(v.vid) LIKE '%КРАСКА%'
    ORDER BY 2, 1
$$;

-- Consignments of a goods item with their free remainder and their stock.
CREATE OR REPLACE FUNCTION accounts_dep.show_consignment(id_gds t_id)
RETURNS TABLE (id t_id, s_caption text, s_full_caption text, stock_s_caption text)
LANGUAGE sql STABLE
AS $$
    SELECT c.id,
           format('Партия № %s от %s', c.s_number, to_char(c.d_date, 'dd.mm.yyyy')),
           format('%s, партия № %s от %s, остаток %s %s', g.s_caption, c.s_number,
                  to_char(c.d_date, 'dd.mm.yyyy'),
                  trim_scale(coalesce(sum(r.f_qty) FILTER (WHERE r.id_reserved_doc IS NULL), 0)),
                  g.s_unit),
           st.s_caption
    FROM stk_consignment.consignment c
    JOIN cmn_gds.gds g ON g.id = c.id_gds
    LEFT JOIN stk_stock.stock st ON st.id = c.id_stock
    LEFT JOIN stk_remainder.remainder r ON r.id_cons = c.id
    WHERE c.id_gds = $1
    GROUP BY c.id, c.s_number, c.d_date, g.s_caption, g.s_unit, st.s_caption
    ORDER BY c.d_date, c.id
$$;

-- The requisition item of an entry with its caption (none when the entry has no item).
CREATE OR REPLACE FUNCTION accounts_dep.get_doc_item_caption_by_smena(id_smena integer)
RETURNS TABLE (id t_id, s_caption text)
LANGUAGE sql STABLE
AS $$
    SELECT item.id, item.s_caption
    FROM accounts_dep.smena s
    JOIN accounts_dep.v_mnf_requisition_item item ON item.id = s.id_doc_item
    WHERE s.id = $1
$$;

-- Accepts an entry. Clerks call it without any write right on smena, hence SECURITY DEFINER.
CREATE OR REPLACE FUNCTION accounts_dep.smena__accept_row_hwo(id integer)
RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public
AS $$
DECLARE
    v_id CONSTANT integer := $1;
    v_ok varchar(2);
BEGIN
    SELECT s.ok INTO v_ok FROM accounts_dep.smena s WHERE s.id = v_id FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'Позиция % не найдена', v_id;
    END IF;
    IF coalesce(v_ok, '') IN ('ok', 'да') THEN
        RAISE EXCEPTION 'Позиция % уже принята', v_id;
    END IF;
    IF NOT EXISTS (SELECT 1 FROM accounts_dep.smena_gds_use u WHERE u.id_smena = v_id) THEN
        RAISE EXCEPTION 'Не заведен расход ТМЦ!';
    END IF;
    UPDATE accounts_dep.smena s SET ok = 'ok' WHERE s.id = v_id;
    RETURN v_id;
END
$$;

-- Divides an entry evenly between its worker and the brigade listed in person_temp.
-- Good pieces and defects are shared out in whole pieces; what does not divide evenly (and
-- any fraction) stays with the entry's own worker, so the totals do not change. Everyone gets
-- the entry's hours, and the day's hours of each of them are recomputed in h_tabel as the sum
-- of their entries of that date and shift. The listed people are removed afterwards, so a
-- second call does nothing. Returns the number of people the entry was divided with.
CREATE OR REPLACE FUNCTION accounts_dep.divide_between_person(s_id integer)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, public
AS $$
DECLARE
    e       accounts_dep.smena%ROWTYPE;
    codes   integer[];
    bad     text;
    k       integer;
    n       integer;
    good    double precision;
    share_g double precision;
    share_b integer;
    code    integer;
BEGIN
    SELECT * INTO e FROM accounts_dep.smena s WHERE s.id = $1 FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'Позиция % не найдена', $1;
    END IF;

    SELECT string_agg(p.s_caption, ', ') INTO bad
    FROM accounts_dep.person_temp pt
    JOIN cmn_contractor.person p ON p.id = pt.id_person
    WHERE pt.id_smena = e.id AND accounts_dep.worker_code(p.s_code) IS NULL;
    IF bad IS NOT NULL THEN
        RAISE EXCEPTION 'Нет табельного номера: %', bad;
    END IF;

    -- A person listed twice, or the entry's own worker, takes no extra share.
    codes := ARRAY(
        SELECT DISTINCT accounts_dep.worker_code(p.s_code)
        FROM accounts_dep.person_temp pt
        JOIN cmn_contractor.person p ON p.id = pt.id_person
        WHERE pt.id_smena = e.id AND accounts_dep.worker_code(p.s_code) <> e.w_id
        ORDER BY 1);
    k := coalesce(array_length(codes, 1), 0);

    IF k > 0 THEN
        n := k + 1;
        good := e.kol_vo - e.brak;
        share_g := floor(greatest(floor(good), 0) / n);
        share_b := greatest(e.brak, 0) / n;

        INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color,
                                        time, ok, vvod, prize, id_doc, id_doc_item,
                                        f_gds_qty_use, id_gds_use, id_cons_use)
        SELECT e.data, e.smena, c, e.i_id, e.o_id, e.cena, share_g + share_b, share_b, e.color,
               e.time, 'no', now(), 0, e.id_doc, e.id_doc_item, 0, 0, 0
        FROM unnest(codes) AS c;

        UPDATE accounts_dep.smena s
        SET kol_vo = e.kol_vo - k * (share_g + share_b),
            brak = e.brak - k * share_b
        WHERE s.id = e.id;

        FOREACH code IN ARRAY codes || e.w_id LOOP
            EXECUTE format(
                'INSERT INTO accounts_dep.h_tabel AS h (w_id, smena, month, year, d%1$s)'
                ' SELECT $1, $2, $3, $4, coalesce(sum(s.time), 0) FROM accounts_dep.smena s'
                '  WHERE s.w_id = $1 AND s.smena = $2 AND s.data = $5'
                ' ON CONFLICT (w_id, smena, month, year) DO UPDATE SET d%1$s = excluded.d%1$s',
                extract(day FROM e.data)::integer)
            USING code, e.smena, extract(month FROM e.data)::integer,
                  extract(year FROM e.data)::integer, e.data;
        END LOOP;
    END IF;

    DELETE FROM accounts_dep.person_temp pt WHERE pt.id_smena = e.id;
    RETURN k;
END
$$;

-- Writes one day's hours of a worker in a shift: the sum of the time of every entry of that
-- worker, date and shift (0 when none is left), into that day of his row of the month,
-- inserting the row when the month has none yet. Postings share the month's lock; the month
-- rebuild takes it alone. The per-day lock makes a second posting of the same day wait until
-- the first commits, so its sum sees the other's entry and no posting overwrites a newer one.
CREATE OR REPLACE FUNCTION accounts_dep.post_hours(p_w_id integer, p_smena integer,
                                                   p_data date)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, public
AS $$
DECLARE
    v_year  CONSTANT integer := extract(year FROM p_data)::integer;
    v_month CONSTANT integer := extract(month FROM p_data)::integer;
    v_hours integer;
BEGIN
    PERFORM pg_advisory_xact_lock_shared(20101, v_year * 100 + v_month);
    PERFORM pg_advisory_xact_lock(p_w_id::bigint * 1000000 + p_smena * 100000
                                  + (p_data - date '2000-01-01'));
    EXECUTE format(
        'INSERT INTO accounts_dep.h_tabel AS h (w_id, smena, month, year, d%1$s)'
        ' SELECT $1, $2, $3, $4, coalesce(sum(s.time), 0) FROM accounts_dep.smena s'
        '  WHERE s.w_id = $1 AND s.smena = $2 AND s.data = $5'
        ' ON CONFLICT (w_id, smena, month, year) DO UPDATE SET d%1$s = excluded.d%1$s'
        ' RETURNING h.d%1$s',
        extract(day FROM p_data)::integer)
    INTO v_hours
    USING p_w_id, p_smena, v_month, v_year, p_data;
    RETURN v_hours;
END
$$;

-- Saves an entry and posts its hours in one transaction: a new entry when p_id is 0 or null,
-- otherwise a change of entry p_id (its acceptance mark stays). A change that moves the entry
-- to another worker, date or shift posts the day it left as well. Returns the entry's id.
CREATE OR REPLACE FUNCTION accounts_dep.smena_save(
    p_id integer, p_w_id integer, p_i_id integer, p_o_id integer, p_cena double precision,
    p_kol_vo double precision, p_brak integer, p_data date, p_smena integer, p_time integer,
    p_id_doc bigint, p_id_doc_item bigint)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, public
AS $$
DECLARE
    v_id  integer;
    v_old record;
BEGIN
    IF coalesce(p_id, 0) = 0 THEN
        INSERT INTO accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena,
                                        color, time, vvod, ok, prize, id_doc, id_doc_item,
                                        f_gds_qty_use, id_gds_use, id_cons_use)
        VALUES (p_w_id, p_i_id, p_o_id, p_cena, p_kol_vo, p_brak, p_data, p_smena, 0,
                coalesce(p_time, 0), current_date, 'no', 0, p_id_doc, p_id_doc_item, 0, 0, 0)
        RETURNING id INTO v_id;
        PERFORM accounts_dep.post_hours(p_w_id, p_smena, p_data);
        RETURN v_id;
    END IF;

    SELECT s.w_id, s.smena, s.data INTO v_old
    FROM accounts_dep.smena s WHERE s.id = p_id FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'Позиция удалена с другого рабочего места.';
    END IF;
    UPDATE accounts_dep.smena s
    SET w_id = p_w_id, i_id = p_i_id, o_id = p_o_id, cena = p_cena, kol_vo = p_kol_vo,
        brak = p_brak, data = p_data, smena = p_smena, color = 0, time = coalesce(p_time, 0),
        vvod = current_date, prize = 0, id_doc = p_id_doc, id_doc_item = p_id_doc_item,
        f_gds_qty_use = 0, id_gds_use = 0, id_cons_use = 0
    WHERE s.id = p_id;
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
-- that day, or 0, in that one day; the other days of the row stay. Returns the deleted id.
CREATE OR REPLACE FUNCTION accounts_dep.smena_delete(p_id integer)
RETURNS integer
LANGUAGE plpgsql
SET search_path = pg_catalog, public
AS $$
DECLARE
    v_old record;
BEGIN
    DELETE FROM accounts_dep.smena s WHERE s.id = p_id
    RETURNING s.w_id, s.smena, s.data INTO v_old;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'Позиция уже удалена с другого рабочего места.';
    END IF;
    PERFORM accounts_dep.post_hours(v_old.w_id, v_old.smena, v_old.data);
    RETURN p_id;
END
$$;
