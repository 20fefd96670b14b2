#!/usr/bin/env bash
# The printed budget of a year, written without a window: its pages, its header row
# repeated on each page of the table, its page numbers and the chart on the last page.
set -u
ondrel=$1 admin=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$admin" init-demo "$dir/demo.db" >/dev/null || fail "init-demo"
for i in $(seq 100 219); do
  printf '{"file":"BUDGET","key":"N0001605%03d0000","fields":[["Ligne %d"],["0"],["10000"],["001"]]}\n' "$i" "$i"
done > "$dir/lines.jsonl"
"$admin" import "$dir/demo.db" "$dir/lines.jsonl" >/dev/null || fail "import of 120 lines"

"$ondrel" --db "$dir/demo.db" --report "$dir/budget.pdf" --entity 001 --year N >/dev/null 2>&1 || fail "the report"
pages=$(pdfinfo "$dir/budget.pdf" | sed -n 's/^Pages: *//p')
[ "$pages" -ge 3 ] || fail "122 lines and their totals need at least two pages of table and one of chart, not $pages"
pdfinfo "$dir/budget.pdf" | grep -q 'Page size: *842 x 595' || fail "the report is not A4 landscape"
first=$(pdftotext -f 1 -l 1 "$dir/budget.pdf" -)
case "$first" in *"Budget N — 001 Association des Amis du Livre"*"Exercice du 01/01/2027 au 31/12/2027"*) ;;
  *) fail "the header of page 1";; esac
second=$(pdftotext -f 2 -l 2 "$dir/budget.pdf" -)
case "$second" in *Compte*janvier*"Page 2 / $pages"*) ;; *) fail "page 2 repeats no header row or has no number";; esac
last=$(pdftotext -f "$pages" -l "$pages" "$dir/budget.pdf" -)
case "$last" in *"Charges et produits par mois"*) ;; *) fail "the chart is not on the last page";; esac
all=$(pdftotext "$dir/budget.pdf" -)
case "$all" in *"Total des charges"*"Résultat"*) ;; *) fail "the totals are missing";; esac

# A year of fifteen months: each heading reads apart from its neighbours.
"$ondrel" --db "$dir/demo.db" --report "$dir/long.pdf" --entity 003 --year N >/dev/null 2>&1 || fail "the long year's report"
long=$(pdftotext "$dir/long.pdf" -)
case "$long" in *"aoûtseptembre"*|*"septembreoctobre"*) fail "the month headings run together";; esac
case "$long" in *"septembre"*"2027"*) ;; *) fail "the long year's headings are missing";; esac

# With the entity's actuals, each row has its actual and its variance under it, and a
# whole account number.
printf 'JournalCode|EcritureDate|CompteNum|Debit|Credit\nAC|20270115|606400|120,50|\n' > "$dir/fec.txt"
"$admin" import-actuals "$dir/demo.db" "$dir/fec.txt" --entity 001 >/dev/null || fail "import-actuals"
"$ondrel" --db "$dir/demo.db" --report "$dir/actuals.pdf" --entity 001 --year N >/dev/null 2>&1 || fail "the report with actuals"
actuals=$(pdftotext -layout "$dir/actuals.pdf" -)
case "$actuals" in *"6064000000"*"Fournitures administratives"*"réalisé"*"120,50"*"écart"*"-1 079,50"*"▲ 20,50"*) ;;
  *) fail "the actuals are not under their line";; esac

# A validated year says so on every page; a note is a footnote of its line; a version
# compared with another gives both totals and the differences.
"$admin" export-budget "$dir/demo.db" --entity 001 --year N --output "$dir/notes.csv" >/dev/null || fail "export"
sed -i '/;6064000000;/s/;\r$/;Hausse du papier prévue\r/' "$dir/notes.csv"
"$admin" import-budget "$dir/demo.db" "$dir/notes.csv" >/dev/null || fail "import of a note"
"$admin" version save "$dir/demo.db" --entity 001 --year N --name "Budget primitif 2027" >/dev/null || fail "version save"
"$admin" rights "$dir/demo.db" "$(id -un)" ONDREL_VALIDATION 1 >/dev/null
"$admin" version validate "$dir/demo.db" --entity 001 --year N --name "Budget primitif 2027" >/dev/null || fail "validate"
"$ondrel" --db "$dir/demo.db" --report "$dir/validated.pdf" --entity 001 --year N >/dev/null 2>&1 || fail "the validated report"
validated=$(pdftotext -layout "$dir/validated.pdf" -)
case "$validated" in *"Validé le "*" par $(id -un) : « Budget primitif 2027 »"*) ;; *) fail "the validation is not in the header";; esac
case "$validated" in *"6064000000"*"(1)"*"(1)"*"Hausse du papier prévue"*) ;; *) fail "the note is not a footnote";; esac
"$admin" version revise "$dir/demo.db" --entity 001 --year N >/dev/null || fail "revise"
"$admin" export-budget "$dir/demo.db" --entity 001 --year N --output "$dir/raised.csv" >/dev/null
sed -i '/;6064000000;/s/;1200,00;100,00;/;1210,00;110,00;/' "$dir/raised.csv"
"$admin" import-budget "$dir/demo.db" "$dir/raised.csv" >/dev/null 2>&1 || fail "import of a raise"
"$ondrel" --db "$dir/demo.db" --report "$dir/compared.pdf" --entity 001 --year N --compare-with "Budget primitif 2027" \
  >/dev/null 2>&1 || fail "the compared report"
compared=$(pdftotext -layout "$dir/compared.pdf" -)
case "$compared" in *"travail"*"6064000000"*"1 200,00"*"1 210,00"*"10,00"*"+0,8 %"*"10,00"*) ;;
  *) fail "the comparison is not in the report";; esac
case "$compared" in *"-0,0 %"*) fail "a nil difference reads -0,0 %";; esac

err=$("$ondrel" --db "$dir/demo.db" --report "$dir/none.pdf" --entity 009 --year N 2>&1 >/dev/null); [ $? = 1 ] ||
  fail "an unknown entity must exit 1"
case "$err" in *"n'existe pas"*) ;; *) fail "an unknown entity must be said in French: $err";; esac
echo "report: all checks passed"
