#!/usr/bin/env bash
# Runs one scenario on a fresh demo database and compares what the person sees with
# the expected JSON Lines beside it. A line "# options: …" gives ondrel-script more
# options; a NAME.jsonl file beside the script is imported first; a NAME.records file
# lists "FILE KEY" pairs whose stored records are printed after the script.
set -u
script_tool=$1 admin_tool=$2 scenario=$3
base=${scenario%.script}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$admin_tool" init-demo "$dir/demo.db" >/dev/null || exit 1
[ -f "$base.jsonl" ] && { "$admin_tool" import "$dir/demo.db" "$base.jsonl" >/dev/null || exit 1; }
options=$(sed -n 's/^# options: //p' "$scenario")
# shellcheck disable=SC2086
"$script_tool" --db "$dir/demo.db" $options "$scenario" > "$dir/out.jsonl"
echo "exit $?" >> "$dir/out.jsonl"
if [ -f "$base.records" ]; then
  while read -r file key; do
    [ -n "$file" ] && { "$admin_tool" show "$dir/demo.db" "$file" "$key" >> "$dir/out.jsonl" 2>/dev/null || echo "absent $file $key" >> "$dir/out.jsonl"; }
  done < "$base.records"
fi
if [ "${UPDATE_EXPECTED:-}" = 1 ]; then
  cp "$dir/out.jsonl" "$base.expected"
fi
diff -u "$base.expected" "$dir/out.jsonl"
