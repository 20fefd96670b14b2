#!/usr/bin/env bash
# The Debian package as a person installs it: lintian finds no error, the menu entry
# is valid, and the programs unpacked into a temporary root make the demo, print the
# report and find their help and Qt's French there, with no source folder in sight.
#   package_test.sh build-release/ondrel_<version>_amd64.deb
set -uo pipefail
deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

[[ $(basename "$deb") =~ ^ondrel_[0-9]+\.[0-9]+\.[0-9]+_amd64\.deb$ ]] || fail "the file is not named ondrel_<version>_amd64.deb"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in qt6-translations-l10n libqt6widgets6 libsqlite3-0 libpqxx; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed: $depends"
done
lintian --fail-on error "$deb" 2>/dev/null || fail "lintian finds errors"

dpkg -x "$deb" "$root" || fail "dpkg -x"
bin=$root/usr/bin

# Free software under the GPL, with the notices of the libraries compiled in.
copyright=$root/usr/share/doc/ondrel/copyright
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" || fail "the copyright is not DEP-5"
grep -qi 'proprietary' "$copyright" && fail "the copyright still says proprietary"
for stanza in '^Files: \*$' '^Files: \*/SQLiteCpp/\*$' '^Files: \*/nlohmann/\*$' '^Files: \*/CLI/\*$' \
              '^License: GPL-3+$' '^License: Expat$' '^License: BSD-3-clause$'; do
  grep -q "$stanza" "$copyright" || fail "the copyright lacks $stanza"
done
# Built with Debian's hardening: bound at start, read-only relocations, fortified calls.
for program in ondrel ondrel-admin ondrel-script; do
  # Read whole first: grep -q would end readelf early, which pipefail counts as a failure.
  elf=$(readelf -W -d -l --dyn-syms "$bin/$program")
  grep -q 'FLAGS.*NOW' <<<"$elf" || fail "$program is not linked with bind-now"
  grep -q 'GNU_RELRO' <<<"$elf" || fail "$program has no read-only relocations"
  grep -q '__[a-z_]*_chk' <<<"$elf" || fail "$program calls no fortified function"
done
desktop-file-validate "$root/usr/share/applications/ondrel.desktop" || fail "the menu entry is not valid"
grep -qx 'Name=Ondrel — budget' "$root/usr/share/applications/ondrel.desktop" || fail "the menu entry's name"
[ -s "$root/usr/share/icons/hicolor/scalable/apps/ondrel.svg" ] || fail "no icon"
for size in 16 24 32 48 64 128 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/ondrel.png" | grep -q "PNG image data, $size x $size" ||
    fail "no icon of $size pixels"
done
appstreamcli validate --no-net "$root/usr/share/metainfo/example.ondrel.Ondrel.metainfo.xml" >/dev/null ||
  fail "the AppStream metainfo is not valid"
for page in ondrel ondrel-admin ondrel-script; do
  warnings=$(LC_ALL=C man -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null) || fail "the man page of $page does not read"
  [ -z "$warnings" ] || fail "the man page of $page warns without a UTF-8 locale: $warnings"
  text=$(LC_ALL=C man -l "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null)
  for section in FILES ENVIRONMENT; do
    grep -q "^$section" <<<"$text" || fail "the man page of $page has no $section section"
  done
done
LC_ALL=C man -l "$root/usr/share/man/man1/ondrel-script.1.gz" 2>/dev/null | grep -q '^SCRIPT LANGUAGE' ||
  fail "the man page of ondrel-script does not describe its script language"
man -l "$root/usr/share/man/man1/ondrel-admin.1.gz" 2>/dev/null | grep -q "copy-budget" ||
  fail "the man page of ondrel-admin lacks its commands"

# The installed programs, away from the build: the help beside them, Qt's French from Qt.
cd "$root"
version=$("$bin/ondrel" --version) || fail "ondrel --version"
grep -qx "help pages: $root/usr/share/ondrel/help" <<<"$version" || fail "the help is not found where installed: $version"
grep -q "^Qt's French translations: /.*qtbase_fr.qm$" <<<"$version" || fail "Qt's French is not found: $version"
out=$("$bin/ondrel-admin" init-demo "$root/demo.db") || fail "ondrel-admin init-demo"
grep -q "^Demo database created" <<<"$out" || fail "init-demo said: $out"
out=$("$bin/ondrel" --db "$root/demo.db" --report "$root/budget.pdf" --entity 001 --year N 2>&1) ||
  fail "ondrel --report: $out"
pdfinfo "$root/budget.pdf" | grep -q '^Pages: *[1-9]' || fail "the report has no page"
"$bin/ondrel-script" --version | grep -q "^ondrel-script [0-9]" || fail "ondrel-script --version"

# Started with nothing, the window makes the user's demo and stays open on it.
HOME=$root/home XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen timeout 5 "$bin/ondrel" >/dev/null 2>&1
[ $? = 124 ] || fail "ondrel did not stay open on the demo"
[ -s "$root/home/.local/share/ondrel/demo.db" ] || fail "ondrel made no demo database"
echo "package: $(basename "$deb") installs and runs"
