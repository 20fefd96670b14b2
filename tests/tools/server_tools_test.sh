#!/usr/bin/env bash
# The tools on a server database, beside the file they come from: copy there and back,
# the history of a line, roles and their rights, a server that is down or refuses the
# login. Needs the server of scripts/test (ONDREL_TEST_POSTGRES).
set -u
admin=$1 script=$2
[ -n "${ONDREL_TEST_POSTGRES:-}" ] || { echo "FAIL: no test server (scripts/test starts one)"; exit 1; }
dir=$(mktemp -d)
name="tools_$$"
trap 'psql -qX "$ONDREL_TEST_POSTGRES" -c "DROP DATABASE IF EXISTS $name" -c "DROP DATABASE IF EXISTS ${name}_import" \
  -c "DROP ROLE IF EXISTS lea_$$" >/dev/null 2>&1; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
sql() { psql -qX -v ON_ERROR_STOP=1 "$ONDREL_TEST_POSTGRES" -c "$1" >/dev/null || fail "psql: $1"; }

sql "CREATE DATABASE $name"
server=${ONDREL_TEST_POSTGRES/\/ondrel\?//$name?}
lea=${server/user=ondrel/user=lea_$$}

# A file copied to the server and back holds the same records and rights.
"$admin" init-demo "$dir/demo.db" >/dev/null || fail "init-demo"
"$admin" export "$dir/demo.db" > "$dir/file.jsonl"
out=$("$admin" copy "$dir/demo.db" "$server") || fail "copy to the server"
case "$out" in "$(wc -l < "$dir/file.jsonl") records copied from"*) ;; *) fail "copy said: $out";; esac
"$admin" copy "$dir/demo.db" "$server" 2>/dev/null && fail "a copy went over a database"
"$admin" export "$server" > "$dir/server.jsonl" || fail "export from the server"
cmp -s "$dir/file.jsonl" "$dir/server.jsonl" || fail "the server holds other records than the file"
"$admin" copy "$server" "$dir/back.db" >/dev/null || fail "copy back to a file"
"$admin" export "$dir/back.db" > "$dir/back.jsonl"
cmp -s "$dir/file.jsonl" "$dir/back.jsonl" || fail "the file copied back differs"
[ "$("$admin" select "$dir/back.db" 'SSELECT BUDGET AVEC 1 = "fourn]" 0 1 PAR 1' BUDGET '0 1')" = \
  "$("$admin" select "$server" 'SSELECT BUDGET AVEC 1 = "fourn]" 0 1 PAR 1' BUDGET '0 1')" ] ||
  fail "a select answers differently on the server"

# import makes the tables on an empty server database, as init does.
sql "CREATE DATABASE ${name}_import"
imported=${server/\/$name?//${name}_import?}
"$admin" import "$imported" "$dir/file.jsonl" >/dev/null || fail "import into an empty server database"
"$admin" export "$imported" > "$dir/imported.jsonl"
cmp -s "$dir/file.jsonl" "$dir/imported.jsonl" || fail "the imported server database differs"
"$admin" init "$imported" 2>/dev/null && fail "init went over a database"

# A role's rights: what it may read and write, whatever user a program claims.
sql "CREATE ROLE lea_$$ LOGIN"
"$admin" show "$lea" ASSOCIATION 001 >/dev/null 2>&1 && fail "a role without rights read the records"
"$admin" rights "$server" "lea_$$" ONDREL 0 >/dev/null || fail "rights 0"
"$admin" show "$lea" ASSOCIATION 001 >/dev/null || fail "a reader cannot read"
printf '%s\n' 'init' 'type Txt_CodAssoc "1"' 'key Txt_CodAssoc Enter' 'type Txt_Cpte "6064000000"' 'dump Cmd_OkBudget' > "$dir/show.script"
out=$("$script" --db "$lea" --user ondrel "$dir/show.script") || fail "the script as a reader"
case "$out" in *'{"zone":"Cmd_OkBudget","enabled":true,"visible":false}'*) ;; *) fail "--user claimed the owner's rights: $out";; esac
err=$("$admin" rights "$lea" "lea_$$" ONDREL 2 2>&1) && fail "a role raised its own level"
case "$err" in "ondrel-admin: Vos droits sur la base ne permettent pas"*) ;; *) fail "raising its own level said: $err";; esac
err=$("$admin" import "$lea" "$dir/file.jsonl" 2>&1) && fail "a reader imported"

# At full rights the role saves a line, and the history names it.
"$admin" rights "$server" "lea_$$" ONDREL 2 >/dev/null || fail "rights 2"
cat > "$dir/save.script" <<'SCRIPT'
init
type Txt_CodAssoc "1"
key Txt_CodAssoc Enter
type Txt_Cpte "6064000000"
caret Txt_ValBud 0 7
type Txt_ValBud "2000"
focus Txt_Eclat
focus Cmd_OkBudget
click Cmd_OkBudget
SCRIPT
"$script" --db "$lea" "$dir/save.script" > "$dir/save.out" || fail "the script as a writer: $(cat "$dir/save.out")"
out=$("$admin" history "$server" BUDGET N00016064000000) || fail "history"
echo "$out" | grep -q "^revision 1 .* ondrel$" || fail "the copy is not revision 1 by its owner: $out"
echo "$out" | grep -q "^revision 2 .* lea_$$$" || fail "the saved line is not revision 2 by lea: $out"
echo "$out" | grep -q '^  field 3: .* -> "200000"$' || fail "the history does not show the new amount: $out"

# The history only grows, whatever a writer does with psql; a level on another screen
# key changes no grant.
as_lea() { psql -qX -v ON_ERROR_STOP=1 "$lea" -c "$1" >/dev/null 2>&1; }
as_lea "UPDATE history SET author = 'personne'" && fail "a writer rewrote the history"
as_lea "DELETE FROM history_field" && fail "a writer erased the history"
as_lea "SELECT count(*) FROM history" || fail "a writer cannot read the history"
line="file = 'BUDGET' AND key = 'N00016064000000'"
as_lea "UPDATE field SET whole = 'Falsifié' WHERE $line AND num = 1" && fail "a field changed without a revision"
as_lea "UPDATE record SET revision = revision + 1 WHERE $line" && fail "a record changed without a revision"
as_lea "DELETE FROM record WHERE $line" && fail "a record deleted without a revision"
as_lea "INSERT INTO history VALUES('BUDGET', 'N00016064000000', -5, 'ondrel', '2020-01-01 00:00:00', 0)" &&
  fail "a revision was forged"
as_lea "INSERT INTO history_field VALUES('BUDGET', 'N00016064000000', 1, 9, 'Ajouté')" &&
  fail "a field was added to a revision of the past"
as_lea "BEGIN; UPDATE record SET revision = revision + 1 WHERE $line;
  INSERT INTO history SELECT file, key, revision, 'ondrel', '2020-01-01 00:00:00', 0 FROM record WHERE $line;
  INSERT INTO history_field SELECT file, key, r.revision, num, 'Falsifié' FROM field JOIN record r USING(file, key)
    WHERE $line; COMMIT" && fail "a revision whose fields are not the record's was written"
# A key is checked once a transaction, at its commit; asked for at once, a check comes
# after each statement, and a key touched again is checked again. Whatever author a
# writer claims, the revision names the role.
revise="WITH r AS (UPDATE record SET revision = revision + 1 WHERE $line RETURNING file, key, revision),
    h AS (INSERT INTO history SELECT file, key, revision, 'ondrel', '2020-01-01 00:00:00', 0 FROM r),
    v AS (INSERT INTO history_field SELECT f.file, f.key, r.revision, f.num, f.whole FROM field f JOIN r USING(file, key))
  SELECT 1"
as_lea "BEGIN; SET CONSTRAINTS ALL IMMEDIATE; $revise; COMMIT" || fail "a whole revision in one statement was refused"
out=$("$admin" history "$server" BUDGET N00016064000000)
case "$(echo "$out" | grep '^revision' | tail -n 1)" in *"lea_$$"*) ;; *) fail "a revision kept the author its writer claimed: $out";; esac
as_lea "BEGIN; SET CONSTRAINTS ALL IMMEDIATE; $revise;
  UPDATE field SET whole = 'Falsifié' WHERE $line AND num = 1; COMMIT" &&
  fail "a field changed after the check of its revision"
# Tables of the same names among the session's own temporary tables hide nothing from
# the check.
as_lea "BEGIN; CREATE TEMP TABLE history(file text, key text, revision bigint, deleted integer, at text, author text);
  CREATE TEMP TABLE history_field(file text, key text, revision bigint, num integer, whole text);
  INSERT INTO history SELECT file, key, revision, 0, '', '' FROM record WHERE $line;
  UPDATE field SET whole = 'Falsifié' WHERE $line AND num = 1;
  INSERT INTO history_field SELECT f.file, f.key, r.revision, f.num, f.whole FROM field f JOIN record r USING(file, key)
    WHERE f.$line; COMMIT" && fail "a field changed without a revision behind temporary tables"
"$admin" rights "$server" "lea_$$" AUTRE 0 >/dev/null || fail "rights 0 on another key"
as_lea "UPDATE record SET revision = revision WHERE false" || fail "a level on another key revoked writing"
"$admin" rights "$server" "lea_$$" ONDREL 0 >/dev/null || fail "rights 0"
"$admin" rights "$server" "lea_$$" AUTRE 2 >/dev/null || fail "rights 2 on another key"
as_lea "UPDATE record SET revision = revision WHERE false" && fail "a level on another key granted writing"
"$admin" rights "$server" "lea_$$" ONDREL 2 >/dev/null || fail "rights 2 again"

# No password is ever shown: not in a message, not in the process list.
err=$("$admin" show "postgresql://ondrel:s3cret@/nothing?host=$dir/nowhere&password=0ther" ASSOCIATION 001 2>&1) &&
  fail "a down server answered"
case "$err" in *s3cret*|*0ther*) fail "a message showed the password: $err";; esac
case "$err" in *[Cc]ould*|*failed*|*connection\ to*) fail "a message is not in French: $err";; esac
mkfifo "$dir/stdin"
"$script" --db "$server&password=Hunter22" < "$dir/stdin" > /dev/null 2>&1 &
pid=$!
exec 3> "$dir/stdin"
for _ in $(seq 50); do
  args=$(tr '\0' ' ' < "/proc/$pid/cmdline")
  case "$args" in *ondrel-script*) case "$args" in *Hunter22*) ;; *) break;; esac;; esac
  sleep 0.1
done
args=$(tr '\0' ' ' < "/proc/$pid/cmdline")
exec 3>&-
wait $pid
case "$args" in *Hunter22*) fail "the process list shows the password: $args";; *ondrel-script*) ;;
  *) fail "the script was not seen running: $args";; esac

# A server that is down, or refuses the login: one line, nothing written.
err=$("$admin" show "postgresql:///nothing?host=$dir/nowhere" ASSOCIATION 001 2>&1) && fail "a down server answered"
[ "$(echo "$err" | wc -l)" = 1 ] || fail "a down server took more than one line: $err"
case "$err" in "ondrel-admin: Le serveur de la base"*"ne répond pas"*) ;; *) fail "a down server said: $err";; esac
err=$("$admin" init "${server/user=ondrel/user=nobody_$$}" 2>&1) && fail "an unknown role logged in"
case "$err" in "ondrel-admin: Le serveur de la base"*) ;; *) fail "a refused login said: $err";; esac
echo "server tools: all checks passed"
