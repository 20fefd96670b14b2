#!/bin/sh
# Writes the man page of one of the programs, gzipped as Debian wants it, from what the
# program itself says: its --help, then the --help of each of its subcommands and of
# theirs ("version save"). The page so never tells another story than the program.
# The sections that no --help holds (its files, its environment, a script's language)
# come from SECTIONS, in roff.
#   man-page.sh PROGRAM VERSION SUMMARY SECTIONS OUTPUT.gz
set -eu
program=$1 version=$2 summary=$3 sections=$4 output=$5
name=$(basename "$program")

# Preformatted roff: a backslash is written \e, a leading dot or quote is escaped, a
# hyphen is a minus sign.
roff() {
  sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/" -e 's/-/\\-/g'
}

# Every character past ASCII as troff's own escape, so that man renders it (an
# accented letter, a quote) in any locale without a warning; an ellipsis, which troff
# has no glyph for in ASCII, as three dots.
ascii_roff() {
  perl -CS -pe 's/\x{2026}/.../g; s/([^\x00-\x7f])/sprintf("\\[u%04X]", ord($1))/ge'
}

subcommandsOf() {
  "$program" "$@" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }'
}
subcommands=$(subcommandsOf)
{
  printf '.TH %s 1 "" "ondrel %s" "User Commands"\n' "$(echo "$name" | tr a-z A-Z)" "$version"
  printf '.SH NAME\n%s \\- %s\n' "$name" "$summary"
  printf '.SH SYNOPSIS\n.nf\n'
  "$program" --help | sed -n 's/^Usage: //p' | roff
  printf '.fi\n.SH DESCRIPTION\n.nf\n'
  "$program" --help | sed '/^Usage:/d' | roff
  printf '.fi\n'
  if [ -n "$subcommands" ]; then
    printf '.SH COMMANDS\n'
    for sub in $subcommands; do
      printf '.SS %s\n.nf\n' "$sub"
      "$program" "$sub" --help | sed '/^Usage:/d' | roff
      printf '.fi\n'
      for inner in $(subcommandsOf "$sub"); do
        printf '.SS %s %s\n.nf\n' "$sub" "$inner"
        "$program" "$sub" "$inner" --help | sed '/^Usage:/d' | roff
        printf '.fi\n'
      done
    done
  fi
  cat "$sections"
  printf '.SH SEE ALSO\nondrel(1), ondrel\\-admin(1), ondrel\\-script(1); the README of the sources.\n'
} | ascii_roff | gzip -9n > "$output"
