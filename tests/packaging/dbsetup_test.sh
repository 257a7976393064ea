#!/usr/bin/env bash
# tabel-dbsetup as the package installs it, against databases of its own in the test cluster:
# a fresh plant database (stand-in relations only) set up twice, the demo database set up once,
# a failure halfway that must leave nothing behind, and bad calls. The reference schema is the
# cluster's database "tabel", loaded from the source tree by dbctl.
set -euo pipefail
root=$1
cluster=$2
src=$3
dbsetup=$root/usr/bin/tabel-dbsetup
sql=$src/src/data/sql
fresh=tabel_setup_fresh
demo=tabel_setup_demo
broken=tabel_setup_broken
dup=tabel_setup_dup
hijack=tabel_setup_hijack

export PGPASSWORD
PGPASSWORD=$(cat "$cluster/admin_password")
export PGCLIENTENCODING=UTF8 PGOPTIONS="-c client_min_messages=warning"
unset PGPORT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

q() { # q DB [psql args...]
  local db=$1
  shift
  psql -X -q -A -t -v ON_ERROR_STOP=1 -h "$cluster" -U tabel_admin -d "$db" "$@"
}

drop_databases() {
  q postgres -c "drop database if exists $fresh" -c "drop database if exists $demo" \
    -c "drop database if exists $broken" -c "drop database if exists $dup" \
    -c "drop database if exists $hijack"
}
trap drop_databases EXIT
drop_databases
for db in $fresh $demo $broken $dup $hijack; do
  q postgres -c "create database $db encoding 'UTF8' template template0"
done

load() { # load DB FILE...
  local db=$1 f
  shift
  for f in "$@"; do q "$db" -1 -f "$sql/$f.sql" >/dev/null; done
}

# Everything a set-up creates, definitions and rights included.
schema_of() {
  q "$1" <<'SQL'
WITH ns AS (
    SELECT oid, nspname, nspacl FROM pg_namespace
    WHERE nspname NOT IN ('pg_catalog', 'information_schema') AND nspname NOT LIKE 'pg\_%'
)
SELECT line FROM (
    SELECT 'schema ' || nspname || ' ' || coalesce(nspacl::text, '') AS line FROM ns
    UNION ALL
    SELECT 'relation ' || c.oid::regclass || ' ' || c.relkind::text || ' ' || coalesce(c.relacl::text, '') ||
           coalesce(' ' || pg_get_viewdef(c.oid), '')
    FROM pg_class c JOIN ns ON ns.oid = c.relnamespace
    WHERE c.relkind IN ('r', 'v', 'm', 'S', 'p', 'f')
    UNION ALL
    SELECT 'column ' || a.attrelid::regclass || '.' || a.attname || ' ' ||
           format_type(a.atttypid, a.atttypmod) || ' ' || a.attnotnull || ' ' ||
           coalesce(pg_get_expr(d.adbin, d.adrelid), '') || ' ' || coalesce(a.attacl::text, '')
    FROM pg_attribute a
    JOIN pg_class c ON c.oid = a.attrelid JOIN ns ON ns.oid = c.relnamespace
    LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum
    WHERE a.attnum > 0 AND NOT a.attisdropped AND c.relkind IN ('r', 'v', 'p', 'f')
    UNION ALL
    SELECT 'index ' || pg_get_indexdef(i.indexrelid)
    FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid JOIN ns ON ns.oid = c.relnamespace
    UNION ALL
    SELECT 'constraint ' || c.conrelid::regclass || ' ' || c.conname || ' ' ||
           pg_get_constraintdef(c.oid)
    FROM pg_constraint c JOIN ns ON ns.oid = c.connamespace
    UNION ALL
    SELECT 'trigger ' || pg_get_triggerdef(t.oid)
    FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid JOIN ns ON ns.oid = c.relnamespace
    WHERE NOT t.tgisinternal
    UNION ALL
    SELECT 'function ' || p.oid::regprocedure || ' ' || md5(pg_get_functiondef(p.oid)) || ' ' ||
           coalesce(p.proacl::text, '')
    FROM pg_proc p JOIN ns ON ns.oid = p.pronamespace
    WHERE p.prokind IN ('f', 'p')
    UNION ALL
    SELECT 'domain ' || t.oid::regtype || ' ' || format_type(t.typbasetype, t.typtypmod)
    FROM pg_type t JOIN ns ON ns.oid = t.typnamespace
    WHERE t.typtype = 'd'
) lines
ORDER BY line;
SQL
}

# Every row of every relation and every sequence's position.
data_of() {
  q "$1" <<'SQL'
SELECT CASE c.relkind
         WHEN 'r' THEN format('SELECT %L || '' '' || count(*) || '' '' || '
                              'coalesce(md5(string_agg(t::text, '','' ORDER BY t::text)), '''') '
                              'FROM %s t', c.oid::regclass, c.oid::regclass)
         ELSE format('SELECT %L || '' '' || last_value || '' '' || is_called FROM %s',
                     c.oid::regclass, c.oid::regclass)
       END
FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
WHERE c.relkind IN ('r', 'S') AND n.nspname NOT IN ('pg_catalog', 'information_schema')
  AND n.nspname NOT LIKE 'pg\_%'
ORDER BY c.oid::regclass::text
\gexec
SQL
}

# Roles belong to the cluster: their passwords (salted hashes: any reset changes them), logins
# and memberships.
roles_of() {
  q postgres <<'SQL'
SELECT a.rolname || ' ' || a.rolcanlogin || ' ' || coalesce(a.rolpassword, '-') || ' ' ||
       coalesce((SELECT string_agg(g.rolname, ',' ORDER BY g.rolname)
                 FROM pg_auth_members m JOIN pg_authid g ON g.oid = m.roleid
                 WHERE m.member = a.oid), '')
FROM pg_authid a WHERE a.rolname NOT LIKE 'pg\_%' ORDER BY 1;
SQL
}

setup() { # setup DB: runs tabel-dbsetup, output in $out; fails the test on a non-zero exit
  if ! out=$("$dbsetup" --admin tabel_admin "$cluster" "$1" </dev/null 2>&1); then
    fail "tabel-dbsetup on $1 failed: $out"
  fi
}

expect_same() { # expect_same WHAT BEFORE AFTER
  [ "$2" = "$3" ] || fail "$1 changed: $(diff <(echo "$2") <(echo "$3") | head -20)"
}

reference=$(schema_of tabel)
nothing_to_do="Всё уже на месте"

# A plant database with its own relations only.
load $fresh domains plant
roles=$(roles_of)
setup $fresh
for created in "создано: схема accounts_dep" "создано: таблица accounts_dep.smena" \
  "создано: функция accounts_dep.divide_between_person(integer)"; do
  grep -qF "$created" <<<"$out" || fail "the first set-up does not report '$created': $out"
done
grep -qF "$nothing_to_do" <<<"$out" && fail "the first set-up reports nothing done: $out"
expect_same "schema of the set-up database against the reference" "$reference" "$(schema_of $fresh)"
expect_same "roles after the first set-up" "$roles" "$(roles_of)"

# The build of the program in the package is the database's version now (the program marks
# its file with the compiler's date and time, counted as the program counts them).
marker=$(LC_ALL=C grep -aom1 '@(#)tabel build [A-Z][a-z][a-z] [ 0-9][0-9] [0-9]\{4\} [0-9:]\{8\}' \
  "$root/usr/bin/tabel" || true)
[ -n "$marker" ] || fail "the packaged program carries no build marker"
stamp=$(q $fresh -c "select d || '.' || t from accounts_dep.ver")
read -r _ _ mon day year clock <<<"$marker"
expected_date=$(date -d "$mon $day $year" +%Y%m%d)
IFS=: read -r hh mm ss <<<"$clock"
expected_stamp="$expected_date.$((10#$hh * 3600 + 10#$mm * 60 + 10#$ss))"
[ "$stamp" = "$expected_stamp" ] || fail "the recorded version is '$stamp', not the package's $expected_stamp"
grep -qF "записана версия программы: $expected_stamp" <<<"$out" ||
  fail "the set-up does not report the version it recorded: $out"
# Neither do the logins keep the right to raise it.
for login in econom master clerk_a; do
  [ "$(q $fresh -c "select has_function_privilege('$login', 'accounts_dep.ver_stamp(integer,integer)', 'EXECUTE')")" = f ] ||
    fail "$login may raise the recorded version"
done

# Again, now with data in it: nothing to create, nothing changed.
load $fresh demo
data=$(data_of $fresh)
setup $fresh
grep -qF "$nothing_to_do" <<<"$out" || fail "the second set-up did something: $out"
expect_same "schema after the second set-up" "$reference" "$(schema_of $fresh)"
expect_same "data after the second set-up" "$data" "$(data_of $fresh)"
expect_same "roles after the second set-up" "$roles" "$(roles_of)"

# A newer program's version, recorded meanwhile, is never lowered by an older package.
q $fresh -c "update accounts_dep.ver set d = 20991231, t = 0"
setup $fresh
[ "$(q $fresh -c "select d || '.' || t from accounts_dep.ver")" = 20991231.0 ] ||
  fail "the set-up lowered a newer recorded version"
q $fresh -c "update accounts_dep.ver set d = ${expected_stamp%.*}, t = ${expected_stamp#*.}"

# A database set up by an older version, which let every role read every relation of the
# plant schemas: what goes beyond the program's list is taken back and reported.
q $fresh -c "create table cmn_gds.gds_cost (id integer, cost numeric)" \
  -c "grant select on all tables in schema cmn_gds, hrms_staffpos to tabel_read"
setup $fresh
grep -qF "отозвано чтение: tabel_read больше не читает cmn_gds.gds_cost" <<<"$out" ||
  fail "the set-up does not report the read it took back: $out"
[ "$(q $fresh -c "select has_table_privilege('econom', 'cmn_gds.gds_cost', 'SELECT')")" = f ] ||
  fail "econom still reads a plant relation the program does not read"
[ "$(q $fresh -c "select has_table_privilege('econom', 'cmn_gds.gds', 'SELECT')")" = t ] ||
  fail "econom lost a plant relation the program reads"
q $fresh -c "drop table cmn_gds.gds_cost"

# What a plant login could have planted to be run with the administrator's or the owner's
# rights: the set-up refuses before changing anything, lists each finding with the statement
# that mends it, and passes once that is done. Each case: what is planted | what the refusal
# says | the mend.
rights_of_master() {
  q $fresh -c "select rolsuper::text || rolcreaterole::text || rolcreatedb::text
               from pg_roles where rolname = 'master'"
}
master_rights=$(rights_of_master)
while IFS='|' read -r plant expected mend; do
  q $fresh -c "$plant"
  before=$(schema_of $fresh)
  if out=$("$dbsetup" --admin tabel_admin "$cluster" $fresh </dev/null 2>&1); then
    fail "the set-up ran after: $plant"
  fi
  grep -qF "$expected" <<<"$out" || fail "the refusal after '$plant' does not say '$expected': $out"
  grep -qF "$mend" <<<"$out" || fail "the refusal after '$plant' does not give '$mend': $out"
  expect_same "schema after the refusal of '$plant'" "$before" "$(schema_of $fresh)"
  q $fresh -c "$mend"
  setup $fresh
done <<'CASES'
grant create on schema public to public|в схеме public может создавать объекты любой вход (PUBLIC)|REVOKE CREATE ON SCHEMA public FROM PUBLIC;
grant create on schema accounts_dep to public|в схеме accounts_dep может создавать объекты любой вход (PUBLIC)|REVOKE CREATE ON SCHEMA accounts_dep FROM PUBLIC;
grant create on schema public to master|в схеме public может создавать объекты роль master|REVOKE CREATE ON SCHEMA public FROM master;
create function accounts_dep.is_accepted(varchar) returns boolean language sql as 'select true'; alter function accounts_dep.is_accepted(varchar) owner to master|функция accounts_dep.is_accepted(character varying) не входит в программу|DROP ROUTINE accounts_dep.is_accepted(character varying);
create rule keep_quiet as on insert to accounts_dep.smena_history do instead nothing|правило keep_quiet на accounts_dep.smena_history не входит в программу|DROP RULE keep_quiet ON accounts_dep.smena_history;
create trigger planted before insert on accounts_dep.smena for each row execute function accounts_dep.smena_guard()|триггер planted на accounts_dep.smena не входит в программу|DROP TRIGGER planted ON accounts_dep.smena;
create view accounts_dep.v_planted as select 1 as one; alter view accounts_dep.v_planted owner to master|представление accounts_dep.v_planted не входит в программу|DROP VIEW accounts_dep.v_planted;
alter function accounts_dep.is_accepted(text) owner to master|функция accounts_dep.is_accepted(text) принадлежит роли master|ALTER ROUTINE accounts_dep.is_accepted(text) OWNER TO tabel_owner;
grant tabel_owner to master|роль master входит в tabel_owner|REVOKE tabel_owner FROM master;
CASES
expect_same "master's rights after the refused set-ups" "$master_rights" "$(rights_of_master)"

# A function planted in public while it was open, with the name of a built-in the scripts
# call (format(text, text) beats pg_catalog's variadic one), never runs as the administrator.
q $fresh <<'SQL'
create function public.format(text, text) returns text language plpgsql as $$
begin
    alter role master superuser;
    return pg_catalog.format($1, $2);
end
$$;
alter function public.format(text, text) owner to master;
SQL
setup $fresh
[ "$(rights_of_master)" = "$master_rights" ] || fail "the set-up ran master's public.format"
q $fresh -c "alter role master nosuperuser" -c "drop function public.format(text, text)"

# A schema accounts_dep made beforehand by a plant login is not adopted.
load $hijack domains plant
q $hijack -c "create schema accounts_dep authorization master"
if out=$("$dbsetup" --admin tabel_admin "$cluster" $hijack </dev/null 2>&1); then
  fail "the set-up adopted a schema accounts_dep of master's"
fi
grep -qF "ALTER SCHEMA accounts_dep OWNER TO tabel_owner;" <<<"$out" ||
  fail "the refusal of master's accounts_dep does not give the mend: $out"
[ "$(q $hijack -c "select count(*) from pg_class where relnamespace = 'accounts_dep'::regnamespace")" = 0 ] ||
  fail "the refused set-up created relations in master's schema"
q $hijack -c "alter schema accounts_dep owner to tabel_owner"
setup $hijack

# A reader holding a lock the set-up needs: it stops after its lock timeout and names him.
q $fresh -c "select count(*) from accounts_dep.v_worker, pg_sleep(30)" >/dev/null 2>&1 &
reader=$!
sleep 1
if out=$(TABEL_SETUP_LOCK_TIMEOUT=1s "$dbsetup" --admin tabel_admin "$cluster" $fresh </dev/null 2>&1); then
  fail "the set-up ran past a reader's lock"
fi
grep -qF "блокировку не получить" <<<"$out" || fail "a lock wait does not say so: $out"
grep -qE "сеанс [0-9]+: вход tabel_admin, программа psql" <<<"$out" ||
  fail "a lock wait does not name the session holding it: $out"
q $fresh -c "select pg_terminate_backend(pid) from pg_stat_activity
             where datname = current_database() and pid <> pg_backend_pid()" >/dev/null
wait $reader 2>/dev/null || true

# The demo database as dbctl makes it.
load $demo domains plant schema functions history month_close roles demo
q $demo -c "insert into accounts_dep.ver values (${expected_stamp%.*}, ${expected_stamp#*.})"
data=$(data_of $demo)
roles=$(roles_of)
setup $demo
grep -qF "$nothing_to_do" <<<"$out" || fail "the set-up of the demo database did something: $out"
expect_same "schema of the demo database" "$reference" "$(schema_of $demo)"
expect_same "data of the demo database" "$data" "$(data_of $demo)"
expect_same "roles after the demo set-up" "$roles" "$(roles_of)"

# A plant relation lacking a column the views read: the functions script fails after the
# schema script ran, and the one transaction leaves nothing behind.
load $broken domains plant
q $broken -c "alter table cmn_gds.gds drop column s_unit"
before=$(schema_of $broken)
if out=$("$dbsetup" --admin tabel_admin "$cluster" $broken </dev/null 2>&1); then
  fail "tabel-dbsetup succeeded on a database lacking cmn_gds.gds.s_unit"
else
  [ $? -eq 1 ] || fail "a failed set-up does not exit with 1"
fi
grep -qF "s_unit" <<<"$out" || fail "the failure does not name the missing column: $out"
expect_same "schema after a failed set-up" "$before" "$(schema_of $broken)"

# A plant's own hours table from before, without the unique key the hours posting relies on and
# with two rows for one worker, shift and month: refused before anything is changed, with the
# rows to merge; once merged, the key is added and saving hours works.
load $dup domains plant
days=$(for i in $(seq 1 31); do printf ', d%s smallint NOT NULL DEFAULT 0' "$i"; done)
q $dup -c "create schema accounts_dep" \
  -c "create table accounts_dep.h_tabel (id serial primary key, w_id integer NOT NULL,
        smena smallint NOT NULL, month smallint NOT NULL, year smallint NOT NULL $days)" \
  -c "insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) values
        (7001, 1, 3, 2026, 8), (7001, 1, 3, 2026, 4), (7002, 1, 3, 2026, 8)"
before=$(schema_of $dup)
if out=$("$dbsetup" --admin tabel_admin "$cluster" $dup </dev/null 2>&1); then
  fail "tabel-dbsetup succeeded on an hours table with duplicate rows"
fi
for expected in "accounts_dep.h_tabel" "(7001, 1, 3, 2026)" "строки id 1, 2" "Объедините"; do
  grep -qF "$expected" <<<"$out" || fail "the refusal does not say '$expected': $out"
done
expect_same "schema after the refused set-up" "$before" "$(schema_of $dup)"
q $dup -c "update accounts_dep.h_tabel set d1 = 12 where id = 1" \
  -c "delete from accounts_dep.h_tabel where id = 2"
setup $dup
[ "$(q $dup -c "select count(*) from pg_constraint
                 where conname = 'h_tabel_w_id_smena_month_year_key'")" = 1 ] ||
  fail "the set-up did not add the hours table's key: $out"
q $dup -c "select accounts_dep.post_hours(7001, 1, '2026-03-01')" >/dev/null ||
  fail "posting hours fails on the set-up plant hours table"

# Without the plant's relations it refuses before creating anything.
q $broken -c "drop schema mnf_operation cascade"
out=$("$dbsetup" --admin tabel_admin "$cluster" $broken </dev/null 2>&1) && fail "set-up without plant relations succeeded"
grep -qF "mnf_operation.operation" <<<"$out" || fail "the refusal does not name the missing relation: $out"

# Bad calls exit with 2 and touch nothing; a wrong password fails with 1.
while IFS='|' read -r expected args; do
  read -ra argv <<<"$args"
  set +e
  "$dbsetup" "${argv[@]}" </dev/null >/dev/null 2>&1
  status=$?
  set -e
  [ "$status" -eq "$expected" ] || fail "tabel-dbsetup $args exits with $status, not $expected"
done <<EOF
2|
2|$cluster
2|$cluster $fresh extra
2|--admin
2|--frobnicate $cluster $fresh
0|--help
EOF
status=0
PGPASSWORD=wrong "$dbsetup" --admin tabel_admin "$cluster" $fresh </dev/null >/dev/null 2>&1 ||
  status=$?
[ "$status" -eq 1 ] || fail "a wrong password exits with $status, not 1"

[ "$failures" -eq 0 ] && echo "tabel-dbsetup: all checks passed"
[ "$failures" -eq 0 ]
