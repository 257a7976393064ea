-- Accepting an entry: only a not yet accepted entry with recorded materials.
BEGIN;
\ir _data.sql

DO $$
DECLARE
    c record;
    err text;
    ok_after text;
BEGIN
    FOR c IN
        SELECT * FROM (VALUES
            (900101, 'no', false, 'Не заведен расход ТМЦ', 'no'),
            (900102, 'no', true,  NULL,                    'ok'),
            (900103, NULL, true,  NULL,                    'ok'),
            (900104, 'ok', true,  'уже принята',           'ok'),
            (900105, 'да', true,  'уже принята',           'да'),
            (900106, 'ta', false, 'Не заведен расход ТМЦ', 'ta')
        ) AS t (id, ok_before, with_material, error_like, expected_ok)
    LOOP
        INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, time, ok)
        VALUES (c.id, '2031-05-14', 1, 9001, 900001, 900001, 2, 10, 4, c.ok_before);
        IF c.with_material THEN
            INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use)
            VALUES (c.id, 901001, 2.5);
        END IF;

        err := NULL;
        BEGIN
            PERFORM accounts_dep.smena__accept_row_hwo(c.id);
        EXCEPTION WHEN raise_exception THEN
            err := SQLERRM;
        END;

        IF c.error_like IS NULL THEN
            ASSERT err IS NULL, format('entry %s: unexpected error %s', c.id, err);
        ELSE
            ASSERT err LIKE '%' || c.error_like || '%',
                format('entry %s: expected "%s", got %s', c.id, c.error_like, err);
        END IF;
        SELECT s.ok INTO ok_after FROM accounts_dep.smena s WHERE s.id = c.id;
        ASSERT ok_after IS NOT DISTINCT FROM c.expected_ok,
            format('entry %s: ok is %s, expected %s', c.id, ok_after, c.expected_ok);
    END LOOP;
END
$$;

-- A second acceptance of the entry just accepted is refused.
DO $$
BEGIN
    PERFORM accounts_dep.smena__accept_row_hwo(900102);
    ASSERT false, 'accepting twice must fail';
EXCEPTION WHEN raise_exception THEN
    ASSERT SQLERRM LIKE '%уже принята%', SQLERRM;
END
$$;

DO $$
BEGIN
    PERFORM accounts_dep.smena__accept_row_hwo(-1);
    ASSERT false, 'a missing entry must be refused';
EXCEPTION WHEN raise_exception THEN
    ASSERT SQLERRM LIKE '%не найдена%', SQLERRM;
END
$$;

ROLLBACK;
