-- Two sessions deleting the last two norms of an operation at the same time: the second waits
-- for the first and is then refused, so the operation keeps a norm.
SET client_min_messages = warning;
CREATE EXTENSION IF NOT EXISTS dblink;

INSERT INTO accounts_dep.izdel (id, marka, nom) VALUES (900201, 'ГНК-1', 'Гонка');
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (900201, 'Гоночная резка');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id) VALUES (900201, 900201, 0, 900201);
INSERT INTO accounts_dep.norm (id, o_id, norma, prize, price)
VALUES (900201, 900201, 10, 0, 1), (900202, 900201, 20, 0, 2);

SELECT dblink_connect('other', format('host=%s port=5432 dbname=tabel user=master password=master',
                                      current_setting('unix_socket_directories'))) \gset

BEGIN;
SET LOCAL ROLE master;
DELETE FROM accounts_dep.norm WHERE id = 900201;
SELECT dblink_send_query('other', 'DELETE FROM accounts_dep.norm WHERE id = 900202') \gset
DO $$
DECLARE
    tries integer := 0;
BEGIN
    WHILE NOT EXISTS (SELECT 1 FROM pg_locks WHERE NOT granted) AND tries < 100 LOOP
        PERFORM pg_sleep(0.05);
        tries := tries + 1;
    END LOOP;
    ASSERT tries < 100, 'the second deletion did not wait for the first';
END
$$;
COMMIT;

DO $$
DECLARE
    state text;
    message text;
BEGIN
    BEGIN
        PERFORM * FROM dblink_get_result('other') AS r (status text);
    EXCEPTION WHEN OTHERS THEN
        state := SQLSTATE;
        message := SQLERRM;
    END;
    ASSERT state = 'P0001', format('second deletion: %s %s', state, message);
    ASSERT message LIKE '%хотя бы одна норма%', message;
    ASSERT (SELECT array_agg(id) FROM accounts_dep.norm WHERE o_id = 900201) = ARRAY[900202];
END
$$;

SELECT dblink_disconnect('other') \gset
DELETE FROM accounts_dep.oper WHERE id = 900201;
DELETE FROM accounts_dep.vid_oper WHERE id = 900201;
DELETE FROM accounts_dep.izdel WHERE id = 900201;
DROP EXTENSION dblink;
