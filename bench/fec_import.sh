#!/usr/bin/env bash
# ondrel-admin import-actuals of a FEC of 1,000,000 postings (or the count given) on a
# demo database: records postings a second and peak memory (maximum resident set size,
# from GNU time), then the same with ten times fewer postings, to show memory flat.
set -euo pipefail
build=${1:-build}
postings=${2:-1000000}
admin=$build/ondrel-admin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Pairs of postings over the twelve months of 2027: a charge or a produit on one of 400
# accounts of classes 6 and 7, balanced by a third-party account, some amounts with the
# sign after.
fec() {
  awk -v n="$1" 'BEGIN {
    OFS = "\t"
    print "JournalCode", "JournalLib", "EcritureNum", "EcritureDate", "CompteNum", "CompteLib", "CompAuxNum",
          "CompAuxLib", "PieceRef", "PieceDate", "EcritureLib", "Debit", "Credit", "EcritureLet", "DateLet",
          "ValidDate", "Montantdevise", "Idevise"
    for (i = 0; i < n; i += 2) {
      k = i / 2
      date = sprintf("2027%02d%02d", k % 12 + 1, k % 28 + 1)
      account = (k % 2 == 0 ? 6 : 7) sprintf("%05d", 10000 + k % 400)
      amount = sprintf("%d,%02d", i % 9973, i % 100)
      charge = substr(account, 1, 1) == "6"
      print "AC", "Achats", i, date, account, "Compte", "", "", "P" i, date, "Écriture", charge ? amount : "", charge ? "" : amount, "", "", date, "", ""
      print "AC", "Achats", i, date, "401000", "Tiers", "", "", "P" i, date, "Écriture", charge ? "" : amount "-", charge ? amount : "", "", "", date, "", ""
    }
  }'
}

measure() {   # postings
  fec "$1" > "$work/fec.txt"
  rm -f "$work/demo.db"
  "$admin" init-demo "$work/demo.db" > /dev/null
  local start end peak
  start=$(date +%s.%N)
  /usr/bin/time -v "$admin" import-actuals "$work/demo.db" "$work/fec.txt" --entity 001 > /dev/null 2> "$work/time"
  end=$(date +%s.%N)
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
  awk -v n="$1" -v s="$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" -v p="$peak" \
    'BEGIN { printf "%9d postings  %6.1f s  %8.0f postings/s  peak %6.1f MB\n", n, s, n / s, p / 1024 }'
}

measure $((postings / 10))
measure "$postings"
