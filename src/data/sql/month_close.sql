-- Closed months. Once a month's pay is computed the month stays as it was paid: its entries,
-- their materials and brigade lines and its hours rows are refused to every tool and every
-- role, the service account included, until the service account opens it again with a reason.
-- Members of tabel_close close a month; every close and reopen is kept with who, when and why.

CREATE TABLE IF NOT EXISTS accounts_dep.month_close (
    year       smallint NOT NULL,
    month      smallint NOT NULL CHECK (month BETWEEN 1 AND 12),
    closed_at  timestamptz NOT NULL DEFAULT pg_catalog.now(),
    closed_by  text NOT NULL,
    unaccepted integer NOT NULL DEFAULT 0,  -- entries not accepted when it was closed
    PRIMARY KEY (year, month)
);

CREATE TABLE IF NOT EXISTS accounts_dep.month_close_history (
    id         bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    year       smallint NOT NULL,
    month      smallint NOT NULL,
    action     text NOT NULL CHECK (action IN ('close', 'reopen')),
    at         timestamptz NOT NULL DEFAULT pg_catalog.now(),
    login      text NOT NULL,
    reason     text,
    unaccepted integer
);

-- Raises the refusal when the month is closed; the caller holds the month's lock.
CREATE OR REPLACE FUNCTION accounts_dep.refuse_closed_month(p_year integer, p_month integer)
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    IF EXISTS (SELECT 1 FROM accounts_dep.month_close c
               WHERE c.year = p_year AND c.month = p_month) THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Месяц %s.%s закрыт, изменения запрещены',
                             lpad(p_month::text, 2, '0'), p_year);
    END IF;
END
$$;

-- The months of `p_days`, each locked shared as an hours posting locks it (ascending, months
-- before any worker's row), then refused when closed. A close takes the month's lock alone, so
-- it waits for every writer of the month in flight, and a writer that comes after it sees it.
CREATE OR REPLACE FUNCTION accounts_dep.refuse_closed_months(p_days date[])
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_month record;
BEGIN
    FOR v_month IN
        SELECT DISTINCT extract(year FROM d.day)::integer AS year,
                        extract(month FROM d.day)::integer AS month
        FROM unnest(p_days) AS d (day) WHERE d.day IS NOT NULL ORDER BY 1, 2
    LOOP
        PERFORM accounts_dep.lock_hours_month(v_month.year, v_month.month, false);
        PERFORM accounts_dep.refuse_closed_month(v_month.year, v_month.month);
    END LOOP;
END
$$;

-- After each statement on the entries, their materials and brigade lines and the hours table:
-- the months its rows were and are in. Statement-level, so a bulk write locks each month once.
CREATE OR REPLACE FUNCTION accounts_dep.month_close_guard()
RETURNS trigger
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_new date[];
    v_old date[];
BEGIN
    IF TG_OP <> 'DELETE' THEN
        IF TG_TABLE_NAME = 'smena' THEN
            SELECT array_agg(DISTINCT date_trunc('month', n.data)::date) INTO v_new
            FROM new_rows n;
        ELSIF TG_TABLE_NAME = 'h_tabel' THEN
            SELECT array_agg(DISTINCT make_date(n.year, n.month, 1)) INTO v_new FROM new_rows n;
        ELSE
            SELECT array_agg(DISTINCT date_trunc('month', s.data)::date) INTO v_new
            FROM new_rows n JOIN accounts_dep.smena s ON s.id = n.id_smena;
        END IF;
    END IF;
    IF TG_OP <> 'INSERT' THEN
        IF TG_TABLE_NAME = 'smena' THEN
            SELECT array_agg(DISTINCT date_trunc('month', o.data)::date) INTO v_old
            FROM old_rows o;
        ELSIF TG_TABLE_NAME = 'h_tabel' THEN
            SELECT array_agg(DISTINCT make_date(o.year, o.month, 1)) INTO v_old FROM old_rows o;
        ELSE
            -- A line removed with its entry has no entry left; the entry's own delete is
            -- refused in a closed month.
            SELECT array_agg(DISTINCT date_trunc('month', s.data)::date) INTO v_old
            FROM old_rows o JOIN accounts_dep.smena s ON s.id = o.id_smena;
        END IF;
    END IF;
    PERFORM accounts_dep.refuse_closed_months(coalesce(v_new, '{}') || coalesce(v_old, '{}'));
    RETURN NULL;
END
$$;

DO $$
DECLARE
    v_table text;
BEGIN
    FOREACH v_table IN ARRAY ARRAY['smena', 'smena_gds_use', 'person_temp', 'h_tabel'] LOOP
        EXECUTE format('CREATE OR REPLACE TRIGGER %I AFTER INSERT ON accounts_dep.%I '
                       'REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT '
                       'EXECUTE FUNCTION accounts_dep.month_close_guard()',
                       v_table || '_month_close_insert', v_table);
        EXECUTE format('CREATE OR REPLACE TRIGGER %I AFTER UPDATE ON accounts_dep.%I '
                       'REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows '
                       'FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.month_close_guard()',
                       v_table || '_month_close_update', v_table);
        EXECUTE format('CREATE OR REPLACE TRIGGER %I AFTER DELETE ON accounts_dep.%I '
                       'REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT '
                       'EXECUTE FUNCTION accounts_dep.month_close_guard()',
                       v_table || '_month_close_delete', v_table);
    END LOOP;
END
$$;

-- A month and year the close functions accept.
CREATE OR REPLACE FUNCTION accounts_dep.check_close_month(p_year integer, p_month integer)
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    IF p_month IS NULL OR p_month NOT BETWEEN 1 AND 12 OR p_year IS NULL
       OR p_year NOT BETWEEN 1900 AND 9999 THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Неверный месяц: %s.%s', p_month, p_year);
    END IF;
END
$$;

-- Writes the close or reopen to the change log, so every workstation's buttons follow.
CREATE OR REPLACE FUNCTION accounts_dep.month_close_logged(p_year integer, p_month integer,
                                                           p_action char)
RETURNS void
LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_id bigint;
BEGIN
    INSERT INTO accounts_dep.change_log (subject, action, year, month)
    VALUES ('month_close', p_action, p_year, p_month)
    RETURNING id INTO v_id;
    PERFORM accounts_dep.change_log_logged(v_id, v_id);
END
$$;

-- Closes a month, as the login that called it (session_user: who logged in). With
-- p_unaccepted, the count of entries not accepted that the caller was shown: a close is
-- refused when another workstation changed it meanwhile, so nobody closes over what he did
-- not see. Returns the count of entries not accepted, which the close records.
CREATE OR REPLACE FUNCTION accounts_dep.close_month(p_year integer, p_month integer,
                                                    p_unaccepted integer)
RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
SET lock_timeout = '10s'
AS $$
DECLARE
    v_first      date;
    v_unaccepted integer;
BEGIN
    PERFORM accounts_dep.check_close_month(p_year, p_month);
    v_first := make_date(p_year, p_month, 1);
    -- Alone: every writer of the month in flight commits first.
    PERFORM accounts_dep.lock_hours_month(p_year, p_month, true);
    IF EXISTS (SELECT 1 FROM accounts_dep.month_close c
               WHERE c.year = p_year AND c.month = p_month) THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = format('Месяц %s уже закрыт', to_char(v_first, 'MM.YYYY'));
    END IF;
    SELECT count(*) INTO v_unaccepted
    FROM accounts_dep.smena s
    WHERE s.data >= v_first AND s.data < (v_first + interval '1 month')::date
      AND NOT accounts_dep.is_accepted(s.ok);
    IF p_unaccepted IS NOT NULL AND p_unaccepted <> v_unaccepted THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = format(
            'В месяце %s уже не приняты %s позиций (было %s): месяц не закрыт, посмотрите его '
            'снова', to_char(v_first, 'MM.YYYY'), v_unaccepted, p_unaccepted);
    END IF;
    INSERT INTO accounts_dep.month_close (year, month, closed_at, closed_by, unaccepted)
    VALUES (p_year, p_month, now(), session_user, v_unaccepted);
    INSERT INTO accounts_dep.month_close_history (year, month, action, at, login, unaccepted)
    VALUES (p_year, p_month, 'close', now(), session_user, v_unaccepted);
    PERFORM accounts_dep.month_close_logged(p_year, p_month, 'I');
    RETURN v_unaccepted;
END
$$;

-- For the plant's callers: closes the month as it is now.
CREATE OR REPLACE FUNCTION accounts_dep.close_month(p_year integer, p_month integer)
RETURNS integer
LANGUAGE sql
SET search_path = pg_catalog, pg_temp
AS $$ SELECT accounts_dep.close_month(p_year, p_month, NULL::integer) $$;

-- Opens a closed month again: the service account's alone, and only with a reason.
CREATE OR REPLACE FUNCTION accounts_dep.reopen_month(p_year integer, p_month integer,
                                                     p_reason text)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, pg_temp
SET lock_timeout = '10s'
AS $$
BEGIN
    PERFORM accounts_dep.check_close_month(p_year, p_month);
    IF coalesce(btrim(p_reason), '') = '' THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001',
            MESSAGE = 'Укажите причину, по которой месяц открывается снова';
    END IF;
    PERFORM accounts_dep.lock_hours_month(p_year, p_month, true);
    DELETE FROM accounts_dep.month_close c WHERE c.year = p_year AND c.month = p_month;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = 'P0001', MESSAGE = format(
            'Месяц %s не закрыт', to_char(make_date(p_year, p_month, 1), 'MM.YYYY'));
    END IF;
    INSERT INTO accounts_dep.month_close_history (year, month, action, at, login, reason)
    VALUES (p_year, p_month, 'reopen', now(), session_user, btrim(p_reason));
    PERFORM accounts_dep.month_close_logged(p_year, p_month, 'D');
END
$$;
