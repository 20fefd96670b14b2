#!/usr/bin/env bash
# The admin tool end to end: demo, show, select, import all-or-nothing, export round trip.
set -u
admin=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$admin" init-demo "$dir/demo.db" >/dev/null || fail "init-demo"
"$admin" init-demo "$dir/demo.db" 2>/dev/null && fail "init-demo overwrote a database"

out=$("$admin" show "$dir/demo.db" ASSOCIATION 001) || fail "show"
[ "$out" = '{"file":"ASSOCIATION","key":"001","fields":[["Association des Amis du Livre"]]}' ] || fail "show printed $out"
"$admin" show "$dir/demo.db" ASSOCIATION 999 2>/dev/null; [ $? = 1 ] || fail "absent key must exit 1"
"$admin" show "$dir/demo.db" 2>/dev/null; [ $? = 2 ] || fail "usage error must exit 2"

out=$("$admin" select "$dir/demo.db" 'SSELECT BUDGETCLES AVEC 0 = "001]" 0 1 PAR 1' BUDGETCLES '0 1') || fail "select"
[ "$out" = $'["001003","Ancienne clé (section retirée)"]\n["001001","Répartition égale"]\n["001002","Siège uniquement"]' ] || fail "select printed $out"
"$admin" select "$dir/demo.db" 'SSELECT ASSOCIATION 0' ASSOCIATION '0' 2>/dev/null; [ $? = 1 ] || fail "bad sentence must exit 1"

"$admin" export "$dir/demo.db" > "$dir/all.jsonl" || fail "export"
"$admin" import "$dir/copy.db" "$dir/all.jsonl" >/dev/null || fail "import"
"$admin" export "$dir/copy.db" > "$dir/again.jsonl" || fail "export of the copy"
cmp -s "$dir/all.jsonl" "$dir/again.jsonl" || fail "export, import, export differs"

printf '%s\n' '{"file":"BUDGET","key":"N0NEW","fields":[["Nouveau"]]}' '{"file":"BUDGET","key":"N0BAD","fields":[1]}' > "$dir/bad.jsonl"
err=$("$admin" import "$dir/copy.db" "$dir/bad.jsonl" 2>&1); [ $? = 1 ] || fail "bad import must exit 1"
case "$err" in *"line 2"*) ;; *) fail "bad import must name line 2: $err";; esac
"$admin" show "$dir/copy.db" BUDGET N0NEW >/dev/null 2>&1 && fail "a refused import wrote a record"

printf '%s\n' '{"file":"BUDGET","key":"N0NEW","fields":[["Nouveau"]]}' '{"file":"BUDGET","key":"N0BIG","fields":[[1e400]]}' > "$dir/big.jsonl"
err=$("$admin" import "$dir/copy.db" "$dir/big.jsonl" 2>&1); [ $? = 1 ] || fail "an out-of-range number must exit 1"
case "$err" in *"line 2"*"nothing was imported"*) ;; *) fail "an out-of-range number must name line 2: $err";; esac

# A database made by import holds the nine files, and bytes that are not UTF-8 survive a round trip.
printf '%s\n' '{"file":"BUDGET","key":"N00016022000000","fields":[[{"bytes":"4143484154e9"}]]}' > "$dir/bytes.jsonl"
"$admin" import "$dir/small.db" "$dir/bytes.jsonl" >/dev/null || fail "import into a new database"
files=$("$admin" select "$dir/small.db" 'SSELECT ASSOCIATION 0 PAR 0' ASSOCIATION '0') || fail "the new database has no ASSOCIATION file"
[ -z "$files" ] || fail "ASSOCIATION must be empty: $files"
"$admin" export "$dir/small.db" > "$dir/small.jsonl" || fail "export of bytes that are not UTF-8"
cmp -s "$dir/bytes.jsonl" "$dir/small.jsonl" || fail "bytes that are not UTF-8 changed on export: $(cat "$dir/small.jsonl")"
"$admin" show "$dir/small.db" BUDGET N00016022000000 >/dev/null || fail "show of bytes that are not UTF-8"

# A refused import into a new database leaves no database behind.
"$admin" import "$dir/never.db" "$dir/big.jsonl" 2>/dev/null && fail "a bad import into a new database must fail"
[ -e "$dir/never.db" ] && fail "a refused import left a database behind"

# A budget as a spreadsheet: numbers, formulas for the totals, the header row frozen.
"$admin" export-budget "$dir/demo.db" --entity 001 --year N --format xlsx --output "$dir/budget.xlsx" >/dev/null ||
  fail "export-budget xlsx"
sheet=$(unzip -p "$dir/budget.xlsx" xl/worksheets/sheet1.xml) || fail "the XLSX is no zip of a sheet"
case "$sheet" in *'<pane xSplit="4" ySplit="1"'*'state="frozen"'*) ;; *) fail "the header row and the label are not frozen";; esac
case "$sheet" in *'<c r="F2" s="2"><f>SUM(G2:R2)</f><v>1200</v></c>'*) ;; *) fail "the total of line 2 is not a formula";; esac
case "$sheet" in *'<c r="M3" s="2"><v>350.5</v></c>'*) ;; *) fail "July of line 3 is not the number 350.5";; esac
# Below the lines, the totals the overview shows, as formulas: class 6, sub-class 61,
# the charges, the produits (none) and the result, never charges and produits added.
case "$sheet" in *'<c r="C5" t="s">'*'<f>SUMIF($C$2:$C$3,"6*",F$2:F$3)</f><v>2750.5</v>'*) ;; *) fail "no subtotal of class 6";; esac
case "$sheet" in *'<f>SUMIF($C$2:$C$3,"61*",M$2:M$3)</f><v>350.5</v>'*) ;; *) fail "no subtotal of sub-class 61 in July";; esac
case "$sheet" in *'<f>SUMIF($C$2:$C$3,"7*",F$2:F$3)</f><v>0</v>'*) ;; *) fail "no total of the produits";; esac
case "$sheet" in *'<c r="F10" s="3"><f>F9-F8</f><v>-2750.5</v>'*) ;; *) fail "the result is not produits minus charges";; esac
# Wide enough to read a label of forty characters; A4 landscape, one page wide.
case "$sheet" in *'<col min="4" max="4" width="42'*) ;; *) fail "the label column is too narrow";; esac
case "$sheet" in *'<pageSetup paperSize="9" fitToHeight="0" orientation="landscape"/>'*) ;; *) fail "not set up for A4 landscape";; esac
# The XLSX imports back as the CSV does.
"$admin" import-budget "$dir/demo.db" "$dir/budget.xlsx" | grep -q "0 ligne(s) nouvelle(s), 0 modifiée(s), 2 inchangée(s)" ||
  fail "the XLSX export did not import back unchanged"
# An export imports back unchanged, and a second export is the same to the byte.
"$admin" export-budget "$dir/demo.db" --entity 001 --year N --output "$dir/b1.csv" >/dev/null || fail "export-budget csv"
"$admin" import-budget "$dir/demo.db" "$dir/b1.csv" | grep -q "0 ligne(s) nouvelle(s), 0 modifiée(s), 2 inchangée(s)" ||
  fail "an export did not import back unchanged"
"$admin" export-budget "$dir/demo.db" --entity 001 --year N --output "$dir/b2.csv" >/dev/null || fail "second export"
cmp -s "$dir/b1.csv" "$dir/b2.csv" || fail "export, import, export differs"
"$admin" export-budget "$dir/demo.db" --entity 009 --year N --output "$dir/none.csv" 2>/dev/null && fail "an unknown entity was exported"

# The actuals of a FEC, tab separated, for entity "1" as a spreadsheet leaves it.
printf 'JournalCode\tEcritureDate\tCompteNum\tDebit\tCredit\nAC\t20270115\t606400\t120,50\t\nAC\t20270115\t401000\t\t120,50\n' > "$dir/fec.txt"
out=$("$admin" import-actuals "$dir/demo.db" "$dir/fec.txt" --entity 1) || fail "import-actuals"
[ "$out" = "2 ligne(s) d'écriture lue(s), dont 1 de classe 6 ou 7 ; exercice N remplacé : 1 compte(s)" ] || fail "import-actuals said: $out"
"$admin" show "$dir/demo.db" REALISE N00016064000000 | grep -q '"fields":\[\["0"\],\["12050"\]\]' || fail "the actuals of 6064"
printf 'JournalCode\tEcritureDate\tCompteNum\tDebit\tCredit\nAC\t20271315\t606400\t1,00\t\n' > "$dir/bad.txt"
err=$("$admin" import-actuals "$dir/demo.db" "$dir/bad.txt" --entity 001 2>&1) && fail "a bad FEC was imported"
case "$err" in *"ligne 2 : EcritureDate « 20271315 »"*"rien n'a été écrit"*) ;; *) fail "a bad FEC said: $err";; esac

# A group's alerts for a nightly task: 001 spent 120,50 of January's 100,00 on supplies.
out=$("$admin" alerts "$dir/demo.db" --group "Réseau du Livre" --through 2027-01) && fail "an overspend did not exit 1"
case "$out" in *$'\n"=""001""";6064000000;Fournitures administratives;100,00;120,50;120,50 %;100,00 %;Dépassement'*) ;;
  *) fail "alerts printed: $out";; esac
"$admin" threshold "$dir/demo.db" --entity 1 --account 6064 --warning 110 --over 130 >/dev/null || fail "threshold"
out=$("$admin" alerts "$dir/demo.db" --group "Réseau du Livre" --through 2027-01) && fail "a watch did not exit 1"
case "$out" in *"120,50 %;110,00 %;Vigilance"*) ;; *) fail "the line's own thresholds were not taken: $out";; esac
"$admin" alerts "$dir/demo.db" --group "Réseau du Livre" --through 2031-01 2>/dev/null && fail "alerts past any year"

# A group: made from the command line, refused with the reason, exported with its flow.
out=$("$admin" group "$dir/demo.db" Nord --entities 1,3) || fail "group"
[ "$out" = "groupe « Nord » créé : 001 003" ] || fail "group said: $out"
err=$("$admin" group "$dir/demo.db" Sud --entities 1,9 2>&1) && fail "a group of an unknown entity was made"
[ "$err" = "ondrel-admin: L'entité 009 n'existe pas." ] || fail "group refused with: $err"
"$admin" export-budget "$dir/demo.db" --group "Réseau du Livre" --year N+1 --output "$dir/group.csv" >/dev/null ||
  fail "export-budget --group"
grep -q '^Réseau du Livre;N+1;7560000000;Cotisations;600,00;600,00;.*;600,00;0,00;600,00;' "$dir/group.csv" ||
  fail "the flow is not eliminated: $(cat "$dir/group.csv")"
grep -q '^Réseau du Livre;N+1;;Résultat;-1500,00;' "$dir/group.csv" || fail "the flow is in the result"
"$admin" export-budget "$dir/demo.db" --group "Réseau du Livre" --year N+1 --format xlsx --output "$dir/group.xlsx" >/dev/null ||
  fail "export-budget --group --format xlsx"
sheet=$(unzip -p "$dir/group.xlsx" xl/worksheets/sheet1.xml) || fail "the group's XLSX is no zip of a sheet"
# The fee of row 4 eliminated by a formula, out of its total and of the produits' sum.
case "$sheet" in *'<c r="C4" s="2"><f>SUM(P4:Q4)-N(R4)</f><v>0</v></c>'*) ;; *) fail "the group's total is not a formula";; esac
case "$sheet" in *'<c r="R4" s="2"><f>SUM(P4:Q4)</f><v>600</v></c>'*) ;; *) fail "the elimination is not a formula";; esac
case "$sheet" in *'SUMIFS(C$2:C$4,$A$2:$A$4,"7*",$R$2:$R$4,"")'*) ;; *) fail "the produits do not leave the flow out";; esac

# The group's lines by entity go out and come back as one file, in one transaction.
"$admin" export-budget "$dir/demo.db" --group "Réseau du Livre" --year N --by-entity --output "$dir/lines.csv" >/dev/null ||
  fail "export-budget --group --by-entity"
out=$("$admin" group-import "$dir/demo.db" "$dir/lines.csv" --group "Réseau du Livre" --dry-run) || fail "group-import"
[ "$out" = $'001 : 0 ligne(s) nouvelle(s), 0 modifiée(s), 2 inchangée(s)\n003 : 0 ligne(s) nouvelle(s), 0 modifiée(s), 1 inchangée(s)\nà blanc, rien n\'a été écrit' ] ||
  fail "group-import said: $out"
"$admin" group "$dir/demo.db" Seule --entities 1 >/dev/null || fail "group of one entity"
"$admin" group-import "$dir/demo.db" "$dir/lines.csv" --group Seule 2>/dev/null && fail "lines of 003 went into a group without it"

# A seasonal profile, and a copy to N+1 spread by it: 1 200,00 as 20 % in January.
"$admin" profile "$dir/demo.db" --entity 001 --name Hiver --shares "20;20;10;5;5;5;0;0;5;10;10;10" >/dev/null || fail "profile"
"$admin" profile "$dir/demo.db" --entity 001 --name Faux --shares "50;40" 2>/dev/null && fail "a profile of 90 % was kept"
"$admin" copy-budget "$dir/demo.db" --entity 001 --from N --to N+1 --profile Hiver >/dev/null || fail "copy-budget --profile"
"$admin" show "$dir/demo.db" BUDGET N10016130000000 | grep -q '\["0","1","2","3","4","5","6","7","8","9","10","11"\],\["31010","31010","15505","7752","7752","7752","0","0","7752","15505","15505","15507"\]' ||
  fail "the copy was not spread by the profile: $("$admin" show "$dir/demo.db" BUDGET N10016130000000)"
"$admin" profile "$dir/demo.db" --entity 001 --name Saison --from-actuals N | grep -q "+100,00 %" || fail "a profile from the actuals"

# The budget cycle from the command line: each refusal exits 1 with its reason in French.
user=$(id -un)
"$admin" version save "$dir/demo.db" --entity 001 --year N --name "Budget primitif 2027" >/dev/null || fail "version save"
err=$("$admin" version save "$dir/demo.db" --entity 001 --year N --name "budget primitif 2027" 2>&1) && fail "a name was taken twice"
case "$err" in *"s'appelle déjà « Budget primitif 2027 »"*) ;; *) fail "a taken name said: $err";; esac
# The demo lets its creator validate: without that right, the validation is refused.
"$admin" rights "$dir/demo.db" "$user" ONDREL_VALIDATION 0 >/dev/null || fail "rights taken away"
err=$("$admin" version validate "$dir/demo.db" --entity 001 --year N --name "Budget primitif 2027" 2>&1) &&
  fail "validated without the right"
case "$err" in *"Vos droits ne permettent pas de valider"*) ;; *) fail "validating without the right said: $err";; esac
"$admin" rights "$dir/demo.db" "$user" ONDREL_VALIDATION 1 >/dev/null || fail "rights to validate"
"$admin" version validate "$dir/demo.db" --entity 001 --year N --name "Budget primitif 2027" >/dev/null || fail "validate"
out=$("$admin" version list "$dir/demo.db" --entity 001 --year N) || fail "version list"
case "$out" in "N0001.001  Budget primitif 2027 (validée le "*" par $user)"*"[verrouille l'exercice]") ;; *) fail "version list said: $out";; esac
err=$("$admin" copy-budget "$dir/demo.db" --entity 001 --from N+1 --to N --replace 2>&1) && fail "a copy went into a locked year"
case "$err" in *"Ce budget est validé (version « Budget primitif 2027 »"*) ;; *) fail "a copy into a locked year said: $err";; esac
"$admin" version delete "$dir/demo.db" --entity 001 --year N --name "Budget primitif 2027" 2>/dev/null && fail "a validated version was deleted"
"$admin" version revise "$dir/demo.db" --entity 001 --year N >/dev/null || fail "version revise"
"$admin" copy-budget "$dir/demo.db" --entity 001 --from N+1 --to N --replace --percent 10 >/dev/null || fail "copy after the revision"
out=$("$admin" version compare "$dir/demo.db" --entity 001 --year N --name "Budget primitif 2027") || fail "version compare"
echo "$out" | grep -q '^"=""001""";N;6064000000;Fournitures administratives;;1200,00;1650,00;450,00;+37,5 %;' ||
  fail "version compare printed: $(echo "$out" | head -n 3)"
"$admin" version compare "$dir/demo.db" --entity 001 --year N --name "Nulle part" 2>/dev/null && fail "compared with no version"
err=$("$admin" forecast "$dir/demo.db" --entity 001 --year N --through 2027-13 --name "Atterrissage" 2>&1) && fail "a forecast through no month"
case "$err" in *"n'est pas un mois de l'exercice"*) ;; *) fail "a forecast through no month said: $err";; esac
out=$("$admin" forecast "$dir/demo.db" --entity 001 --year N --through 2027-06 --remainder even --name "Atterrissage fin juin 2027") ||
  fail "forecast: $out"
case "$out" in *"Réalisé jusqu'à juin 2027, puis le reste du budget réparti également"*"comparé à « Budget primitif 2027 »"*"Total des charges : 2750,50 → 3355,56 (écart 605,06)"*) ;;
  *) fail "forecast said: $out";; esac

"$admin" rights "$dir/demo.db" marie ONDREL 2 >/dev/null || fail "rights"
echo "admin tool: all checks passed"
