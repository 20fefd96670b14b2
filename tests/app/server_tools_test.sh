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
  -c "DROP DATABASE IF EXISTS ${name}_demo" -c "DROP DATABASE IF EXISTS ${name}_demo2" -c "DROP ROLE IF EXISTS lea_$$" -c "DROP ROLE IF EXISTS lecteur" >/dev/null 2>&1
  rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; [ -s "$dir/psql.err" ] && tail -n 3 "$dir/psql.err"; exit 1; }
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

# The demo on a server: its reader reads, once the server has the role; a role it
# lacks is named.
sql "CREATE DATABASE ${name}_demo"
demo=${server/\/$name?//${name}_demo?}
out=$("$admin" init-demo "$demo") || fail "init-demo on a server"
case "$out" in *"the server has no role lecteur"*) ;; *) fail "init-demo did not name the missing reader: $out";; esac
sql "CREATE ROLE lecteur LOGIN"
sql "CREATE DATABASE ${name}_demo2"
demo=${server/\/$name?//${name}_demo2?}
"$admin" init-demo "$demo" >/dev/null || fail "init-demo on a server that has the reader"
printf '%s\n' 'init' 'type Txt_CodAssoc "1"' 'key Txt_CodAssoc Enter' 'dump Cbo_Assoc Cmd_OkBudget' > "$dir/reader.script"
out=$("$script" --db "${demo/user=ondrel/user=lecteur}" "$dir/reader.script" 2>&1) || fail "the demo's reader: $out"
case "$out" in *'"zone":"Cbo_Assoc"'*'Association des Amis du Livre'*'"visible":false'*) ;;
  *) fail "the demo's reader did not read: $out";; esac

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

# With psql a budgeter writes no table: only the rules' functions write, and they
# refuse what the screen would never write.
as_lea() { psql -qX -v ON_ERROR_STOP=1 "$lea" -c "$1" >/dev/null 2>>"$dir/psql.err"; }
refused() { # why, statement
  as_lea "$2" && fail "$1"
  "$admin" show "$server" BUDGET N00016064000000 > "$dir/after.json" || fail "the line went: $1"
  cmp -s "$dir/before.json" "$dir/after.json" || fail "the line changed: $1"
}
"$admin" show "$server" BUDGET N00016064000000 > "$dir/before.json"
line="file = 'BUDGET' AND key = 'N00016064000000'"
phantom="'BUDGET', 'N00016068000000', 'n00016068000000', 1, '{FANTOME,0,999900,001}', 'fantome'"
refused "a record was written without its revision" "INSERT INTO record VALUES($phantom)"
printf 'BUDGET\tN00016068000000\tn00016068000000\t1\t{FANTOME,0,999900,001}\tfantome\n' |
  psql -qX -v ON_ERROR_STOP=1 "$lea" -c "COPY record FROM stdin" >/dev/null 2>&1 && fail "COPY wrote a record"
refused "a file was deleted" "DELETE FROM file WHERE name = 'BUDGETCLES'"
refused "a field changed without a revision" "UPDATE record SET fields[1] = 'Falsifié' WHERE $line"
refused "a revision was forged" "UPDATE record SET revision = 9223372036854775807 WHERE $line"
refused "a record was deleted by hand" "DELETE FROM record WHERE $line"
refused "the history was rewritten" "UPDATE history SET author = 'personne'"
refused "the history was erased" "UPDATE history SET fields = '{}'"
refused "a revision was added by hand" "INSERT INTO history VALUES('BUDGET', 'N00016064000000', 99, 'ondrel', '2020-01-01 00:00:00', 0, '{}')"
refused "a table was emptied" "TRUNCATE history"
as_lea "SELECT count(*) FROM history" || fail "a budgeter cannot read the history"
# Nor does the owner's own psql: the tables take the rules' writes alone, so the
# history stays whole and a validated year locked, whoever signs in.
as_owner() { psql -qX -v ON_ERROR_STOP=1 "$server" -c "$1" >/dev/null 2>"$dir/owner.err"; }
for statement in "UPDATE record SET fields[1] = 'Falsifié' WHERE $line" "DELETE FROM history" \
                 "TRUNCATE record, history" "INSERT INTO file VALUES ('FANTOME')" "INSERT INTO record VALUES($phantom)"; do
  as_owner "$statement" && fail "the owner wrote raw: $statement"
  grep -q "ne s'écrit que par les fonctions de la base" "$dir/owner.err" || fail "the owner's refusal: $(cat "$dir/owner.err")"
done
printf 'BUDGET\tN00016068000000\tn00016068000000\t1\t{FANTOME,0,999900,001}\tfantome\n' |
  psql -qX -v ON_ERROR_STOP=1 "$server" -c "COPY record FROM stdin" >/dev/null 2>&1 && fail "the owner's COPY wrote a record"
"$admin" show "$server" BUDGET N00016064000000 > "$dir/after.json" || fail "the line went"
cmp -s "$dir/before.json" "$dir/after.json" || fail "the line changed under the owner's psql"
# Through the function: what the screen would never write.
write() { # key seen fields: ('{"label","periods","amounts","key code"}')
  echo "SELECT ondrel_write('{BUDGET}', '{$1}', '{$(echo "$1" | tr 'N' 'n')}', '{$2}', '{$3}', '{$(echo "$3" | tr 'A-Z' 'a-z')}')"
}
good='{"Fournitures","0","100000","001"}'
refused "a revision was claimed at the top of the range" "$(write N00016064000000 9223372036854775807 "$good")"
refused "a chart account was written" \
  "SELECT ondrel_write('{PLANCOMPTABLE}', '{0016064000000}', '{0016064000000}', '{-1}', '{{\"Faux\"}}', '{{\"faux\"}}')"
refused "an entity was deleted" "SELECT ondrel_remove('ASSOCIATION', '001', -1)"
refused "a file was made" "SELECT ondrel_make_file('FANTOME')"
for bad in '{"Fournitures","0","100000","001","de trop"}' '{"","0","100000","001"}' \
           '{"Un libellé bien trop long pour tenir dans la zone","0","100000","001"}' '{"Fournitures","0","-5","001"}' \
           '{"Fournitures","0;1","100000","001"}' '{"Fournitures","12","100000","001"}' '{"Fournitures","0","100000","999"}' \
           '{"Fournitures","0","100000",NULL}'; do
  refused "the line $bad was written" "$(write N00016064000000 -1 "$bad" | sed 's/;/\x1e/g')"
done
refused "a line was written for an entity that does not exist" "$(write N09996064000000 0 "$good")"
refused "a line was written under a grouping line" "$(write N00016135000000 0 "$good")"
refused "a search text was forged" \
  "SELECT ondrel_write('{BUDGET}', '{N00016064000000}', '{n00016064000000}', '{-1}', '{$good}', '{{\"loyer\",\"0\",\"100000\",\"001\"}}')"
# Functions and tables of the session's own hide nothing from the rules.
refused "a function of the session let a chart account through" "CREATE FUNCTION pg_temp.ondrel_budgeting_file(text)
  RETURNS boolean LANGUAGE sql AS 'SELECT true';
  SELECT ondrel_write('{PLANCOMPTABLE}', '{0016064000000}', '{0016064000000}', '{-1}', '{{\"Faux\"}}', '{{\"faux\"}}')"
# What the screen writes goes through, signed with the role whatever it claims.
as_lea "SET ROLE NONE; $(write N00016064000000 -1 "$good")" || fail "a line the screen would write was refused"
out=$("$admin" history "$server" BUDGET N00016064000000)
case "$(echo "$out" | grep '^revision' | tail -n 1)" in *"lea_$$"*) ;; *) fail "the revision does not name lea: $out";; esac
"$admin" rights "$server" "lea_$$" AUTRE 0 >/dev/null || fail "rights 0 on another key"
as_lea "$(write N00016064000000 -1 "$good")" || fail "a level on another key revoked writing"
"$admin" rights "$server" "lea_$$" ONDREL 0 >/dev/null || fail "rights 0"
"$admin" rights "$server" "lea_$$" AUTRE 2 >/dev/null || fail "rights 2 on another key"
as_lea "$(write N00016064000000 -1 "$good")" && fail "a reader wrote through the function"
"$admin" rights "$server" "lea_$$" ONDREL 2 >/dev/null || fail "rights 2 again"

# The budget cycle: only a validator validates; a validated year is the server's to
# keep locked, and its version frozen, whatever a budgeter sends.
err=$("$admin" version validate "$lea" --entity 001 --year N --name "Budget primitif" 2>&1) && fail "a budgeter validated"
case "$err" in *"ONDREL_VALIDATION"*) ;; *) fail "a budgeter's validation said: $err";; esac
"$admin" version save "$lea" --entity 001 --year N --name "Projet" >/dev/null || fail "a budgeter cannot save a version"
as_lea "SELECT ondrel_write('{VERSIONS}', '{N0001.001}', '{n0001.001}', '{-1}', '{{\"Projet\",\"budget\",\"validée\",\"\"}}', '{{\"projet\",\"budget\",\"validée\",\"\"}}')" &&
  fail "a budgeter validated with psql"
as_lea "SELECT ondrel_write('{VERROUS}', '{N0001}', '{n0001}', '{0}', '{{\"N0001.001\",\"Projet\"}}', '{{\"n0001.001\",\"projet\"}}')" &&
  fail "a budgeter locked a year with psql"
"$admin" rights "$server" ondrel ONDREL_VALIDATION 1 >/dev/null || fail "rights to validate"
"$admin" version validate "$server" --entity 001 --year N --name "Projet" >/dev/null || fail "the owner cannot validate"
"$admin" show "$server" BUDGET N00016064000000 > "$dir/before.json"
refused "a budgeter wrote a locked year through the function" "$(write N00016064000000 -1 "$good")"
refused "a budgeter deleted a line of a locked year" "SELECT ondrel_remove('BUDGET', 'N00016064000000', -1)"
refused "a budgeter unlocked a year" "SELECT ondrel_remove('VERROUS', 'N0001', -1)"
refused "a budgeter changed a frozen version" "SELECT ondrel_write('{VERSIONLIGNES}', '{N0001.0016064000000}',
  '{n0001.0016064000000}', '{-1}', '{{\"Faux\",\"0\",\"100\",\"001\",\"\"}}', '{{\"faux\",\"0\",\"100\",\"001\",\"\"}}')"
refused "a budgeter deleted a frozen version" "SELECT ondrel_remove('VERSIONS', 'N0001.001', -1)"
"$script" --db "$lea" "$dir/save.script" > "$dir/locked.out" 2>&1
grep -q "est validé" "$dir/locked.out" || fail "the screen did not say the year is validated: $(cat "$dir/locked.out")"
"$admin" export-budget "$server" --entity 001 --year N --output "$dir/locked.csv" >/dev/null || fail "export of a locked year"
err=$("$admin" import-budget "$lea" "$dir/locked.csv" 2>&1) && fail "an import wrote into a locked year"
case "$err" in *"Ce budget est validé (version « Projet »"*) ;; *) fail "the import into a locked year said: $err";; esac
"$admin" version revise "$lea" --entity 001 --year N 2>/dev/null && fail "a budgeter opened a revision"
"$admin" version revise "$server" --entity 001 --year N >/dev/null || fail "the revision"
as_lea "$(write N00016064000000 -1 "$good")" || fail "a line was refused after the revision"
# A budgeter's save under way when the year is validated: the validation waits for it,
# finds the working budget changed, and is refused whole.
( psql -qX -v ON_ERROR_STOP=1 "$lea" -c "BEGIN" -c "$(write N00016064000000 -1 '{"Fournitures","0","200000","001"}')" \
    -c "SELECT pg_sleep(2)" -c "COMMIT" >/dev/null 2>>"$dir/psql.err" ) &
sleep 0.5
err=$("$admin" version validate "$server" --entity 001 --year N --name "DM 1" 2>&1) && fail "validated over a save under way"
wait
case "$err" in *"n'est plus la version « DM 1 »"*) ;; *) fail "the validation over a save said: $err";; esac
"$admin" show "$server" BUDGET N00016064000000 | grep -q '"200000"' || fail "the budgeter's save was lost"
"$admin" version list "$server" --entity 001 --year N | grep -q "DM 1" && fail "the refused validation left its version"

# No password is ever shown, in any form that libpq takes: not in a message, not in the
# process list.
for down in "postgresql://ondrel:s3cret@/nothing?host=$dir/nowhere&password=0ther" \
            "postgresql://ondrel:S3cr#t@/nothing?host=$dir/nowhere" "postgresql://ondrel:pa?ss@/nothing?host=$dir/nowhere" \
            "postgresql://ondrel:pa ss@/nothing?host=$dir/nowhere" "host=$dir/nowhere password='two words'" \
            "host=$dir/nowhere password = spaced"; do
  err=$("$admin" show "$down" ASSOCIATION 001 2>&1) && fail "a down server answered"
  case "$err" in *s3cret*|*0ther*|*S3cr*|*pa?ss*|*"pa ss"*|*two*|*words*|*spaced*) fail "a message showed the password: $err";; esac
  case "$err" in *[Cc]ould*|*failed*|*connection\ to*) fail "a message is not in French: $err";; esac
done
mkfifo "$dir/stdin"
for db in "$server&password=Hunter22" "${server/postgresql:\/\//postgresql://ondrel:Hun#ter22@}"; do
  "$script" --db "$db" < "$dir/stdin" > /dev/null 2>&1 &
  pid=$!
  exec 3> "$dir/stdin"
  for _ in $(seq 50); do
    args=$(tr '\0' ' ' < "/proc/$pid/cmdline")
    case "$args" in *ondrel-script*) case "$args" in *Hun*ter22*) ;; *) break;; esac;; esac
    sleep 0.1
  done
  args=$(tr '\0' ' ' < "/proc/$pid/cmdline")
  exec 3>&-
  wait $pid
  case "$args" in *Hun*ter22*) fail "the process list shows the password: $args";; *ondrel-script*) ;;
    *) fail "the script was not seen running: $args";; esac
done

# A server that is down, or refuses the login: one line, nothing written.
err=$("$admin" show "postgresql:///nothing?host=$dir/nowhere" ASSOCIATION 001 2>&1) && fail "a down server answered"
[ "$(echo "$err" | wc -l)" = 1 ] || fail "a down server took more than one line: $err"
case "$err" in "ondrel-admin: Le serveur de la base"*"ne répond pas"*) ;; *) fail "a down server said: $err";; esac
err=$("$admin" init "${server/user=ondrel/user=nobody_$$}" 2>&1) && fail "an unknown role logged in"
case "$err" in "ondrel-admin: Le serveur de la base"*) ;; *) fail "a refused login said: $err";; esac
echo "server tools: all checks passed"
