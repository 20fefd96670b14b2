#!/usr/bin/env bash
# ondrel-admin copy and import-budget into a new server database, beside the server's
# own COPY of the rows the copy loaded. Runs beside the throwaway server:
#   scripts/with-test-server bench/server_load.sh build 20000
set -euo pipefail
build=${1:-build} n=${2:-20000}
admin=$build/ondrel-admin
[ -n "${ONDREL_TEST_POSTGRES:-}" ] || { echo "server_load: run it under scripts/with-test-server" >&2; exit 1; }
work=$(mktemp -d)
name="load_$$"
trap 'psql -qX "$ONDREL_TEST_POSTGRES" -c "DROP DATABASE IF EXISTS $name" >/dev/null 2>&1; rm -rf "$work"' EXIT
uri=${ONDREL_TEST_POSTGRES/\/ondrel\?//$name?}

# A chart of n accounts of entity 001, and a CSV of a new line on each.
awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) printf "{\"file\":\"PLANCOMPTABLE\",\"key\":\"0016%08d1\",\"fields\":[[\"Compte %d\"]]}\n", i, i }' \
  > "$work/chart.jsonl"
awk -v n="$n" 'BEGIN { print "Entité;Exercice;Compte;Libellé;Clé;Total";
  for (i = 0; i < n; i++) printf "001;N;6%08d1;Compte %d;001;1200,00\n", i, i }' > "$work/lines.csv"
"$admin" init-demo "$work/d.db" >/dev/null
"$admin" import "$work/d.db" "$work/chart.jsonl" >/dev/null
psql -qX "$ONDREL_TEST_POSTGRES" -c "CREATE DATABASE $name" >/dev/null

timed() {   # what, command...
  local what=$1 start end; shift
  start=$(date +%s.%N); "$@" > "$work/out.txt"; end=$(date +%s.%N)
  awk -v w="$what" -v a="$start" -v b="$end" 'BEGIN { printf "%-62s %8.2f s\n", w, b - a }'
}
# The server's own COPY of rows, dumped where the tool wrote them, into tables of the
# same definition and indexes: what loading them costs the server without any check.
copy_of() {   # what, suffix, condition
  local what=$1 suffix=$2 condition=$3 t copies=()
  for t in record history; do
    psql -qX "$uri" -c "\\copy (SELECT * FROM $t WHERE $condition) TO '$work/$t$suffix.tsv'" \
      -c "CREATE TABLE $t$suffix (LIKE $t INCLUDING ALL)"
    copies+=(-c "\\copy $t$suffix FROM '$work/$t$suffix.tsv'")
  done
  timed "COPY of $(wc -l < "$work/record$suffix.tsv") records and their rows, $what" psql -qX "$uri" -c BEGIN "${copies[@]}" -c COMMIT
}

timed "copy to the server" "$admin" copy "$work/d.db" "$uri"
copy_of "as the copy" _copied true
timed "import-budget, $n lines, server" "$admin" import-budget "$uri" "$work/lines.csv"
copy_of "as the import" _imported "file = 'BUDGET' AND key >= 'N00016000' AND key < 'N00016001'"
timed "import-budget, $n lines, SQLite" "$admin" import-budget "$work/d.db" "$work/lines.csv"
