#!/usr/bin/env bash
# Checks the Debian package scripts/package.sh built (or the .deb given):
# its file list against tests/package/contents.txt, lintian, the programs run
# from an unpacked copy, the manual pages, the desktop entry, the icons and
# the udev rule. Prints each step; exits 1 at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
expected_list=tests/package/contents.txt

deb=${1:-}
if [ -z "$deb" ]; then
  debs=(build/package/orvalis_*_amd64.deb)
  [ -e "${debs[0]}" ] || { echo "check-package: no package; run scripts/package.sh" >&2; exit 1; }
  deb=${debs[0]}
fi
[ -f "$deb" ] || { echo "check-package: $deb: no such file" >&2; exit 1; }

fail() {
  echo "check-package: $*" >&2
  exit 1
}
step() { echo "== $*"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

step "contents of $deb"
# Files and links only (directories follow from them), as absolute paths.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | LC_ALL=C sort >"$work/actual"
grep -v -e '^#' -e '^[[:space:]]*$' "$expected_list" | LC_ALL=C sort >"$work/expected"
if ! diff -u "$work/expected" "$work/actual"; then
  fail "the package's files differ from $expected_list (- expected, + in the package)"
fi

step "lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

step "unpacked programs"
root=$work/root
dpkg -x "$deb" "$root"
"$root/usr/bin/orvalis" --version || fail "orvalis --version failed"
"$root/usr/bin/orvalis-log" --help >"$work/log-help" || fail "orvalis-log --help failed"
head -n 1 "$work/log-help"

step "manual pages"
# Every page the expected list names must be there and render without a
# warning; so must any other page the package holds.
pages=()
while IFS= read -r page; do pages+=("$page"); done < <(grep '^/usr/share/man/' "$work/expected" || true)
while IFS= read -r page; do
  case " ${pages[*]-} " in *" ${page#"$root"} "*) ;; *) pages+=("${page#"$root"}") ;; esac
done < <(find "$root/usr/share/man" -type f 2>/dev/null | sort)
for page in "${pages[@]}"; do
  [ -f "$root$page" ] || fail "$page is listed but not in the package"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
  echo "$page"
done
[ ${#pages[@]} -gt 0 ] || echo "(none in the package)"

step "desktop entry"
desktop-file-validate "$root/usr/share/applications/orvalis.desktop" || fail "the desktop entry is not valid"

step "icons"
for png in "$root"/usr/share/icons/hicolor/*/apps/orvalis.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  want="${size%x*} x ${size#*x}"
  file -b "$png" | grep -q "^PNG image data, $want," || fail "$png is not a $want PNG"
done

step "udev rule"
rule=$root/usr/lib/udev/rules.d/60-orvalis.rules
[ -f "$rule" ] || fail "no udev rule"
# No serial port may become writable (or readable) for every user: the last
# digit of each mode, the one for others, must be 0.
while IFS= read -r mode; do
  case "$mode" in *0) ;; *) fail "$rule gives every user access ($mode)" ;; esac
done < <(grep -Eo 'MODE[:]?="[0-7]+"' "$rule" | tr -d '"')

echo "check-package: $deb is good"
