#!/bin/sh
# Checks the help in a built play folder: every page copied as it stands, in
# valid UTF-8 that says so, its local links leading to shipped files; and,
# when the machine has the CHM compiler, the compiled help holding every page,
# its index page read back as the source in Windows-1251.
#   help_check.sh PLAYDIR HELPSRC CHMCMD CHMLS
# CHMCMD and CHMLS are the paths of the CHM compiler and lister, or empty /
# "...-NOTFOUND" when the machine lacks them.
set -u
play=$1 src=$2 chmcmd=$3 chmls=$4
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
found() { [ -n "$1" ] && [ "${1%-NOTFOUND}" = "$1" ]; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for page in "$src"/*.html; do
  name=$(basename "$page")
  built="$play/help/$name"
  cmp -s "$page" "$built" || { fail "$name not copied as it stands"; continue; }
  iconv -f UTF-8 -t UTF-8 "$built" >/dev/null 2>&1 || fail "$name is not valid UTF-8"
  grep -q '<meta charset="utf-8">' "$built" || fail "$name lacks <meta charset=\"utf-8\">"
  for link in $(grep -o 'href="[^"]*"' "$built" | sed 's/^href="//; s/"$//; s/#.*//'); do
    case $link in
      ''|http:*|https:*|mailto:*) ;;
      *) [ -f "$play/help/$link" ] || fail "$name links to missing $link" ;;
    esac
  done
done

chm=$play/qora.chm
if ! found "$chmcmd"; then
  [ ! -e "$chm" ] || fail "qora.chm present although chmcmd is missing"
elif [ "$(head -c 4 "$chm" 2>/dev/null)" != ITSF ]; then
  fail "chmcmd is installed but qora.chm is missing or does not start with ITSF"
elif found "$chmls"; then
  list=$("$chmls" -n list "$chm" 2>/dev/null)
  for page in "$src"/*.html "$src"/style.css; do
    echo "$list" | grep -qx "/$(basename "$page")" || fail "qora.chm lacks $(basename "$page")"
  done
  (cd "$tmp" && "$chmls" extract "$chm" /index.html index.html >/dev/null 2>&1)
  sed 's|<meta charset="utf-8">|<meta http-equiv="Content-Type" content="text/html; charset=windows-1251">|' \
    "$src/index.html" | iconv -f UTF-8 -t WINDOWS-1251 | cmp -s "$tmp/index.html" - ||
    fail "index.html in qora.chm does not match its source"
fi
[ "$fails" -eq 0 ] && echo "help OK"
