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
    -c "drop database if exists $broken"
}
trap drop_databases EXIT
drop_databases
for db in $fresh $demo $broken; do
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

# Again, now with data in it: nothing to create, nothing changed.
load $fresh demo
data=$(data_of $fresh)
setup $fresh
grep -qF "$nothing_to_do" <<<"$out" || fail "the second set-up did something: $out"
expect_same "schema after the second set-up" "$reference" "$(schema_of $fresh)"
expect_same "data after the second set-up" "$data" "$(data_of $fresh)"
expect_same "roles after the second set-up" "$roles" "$(roles_of)"

# The demo database as dbctl makes it.
load $demo domains plant schema functions roles demo
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
