#!/bin/sh
# Checks the help in a built play folder.
#   help_check.sh PLAYDIR HELPSRC CHMCMD CHMLS
# CHMCMD and CHMLS are the paths of the CHM compiler and lister, or empty /
# "...-NOTFOUND" when the machine lacks them.
set -u
play=$1 src=$2 chmcmd=$3 chmls=$4
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
found() { [ -n "$1" ] && [ "${1%-NOTFOUND}" = "$1" ]; }

[ -f "$play/help/index.html" ] || fail "no help/index.html in $play"

# Every page: valid UTF-8 that says so, and every local link leads to a
# shipped file.
for page in "$src"/*.html; do
  name=$(basename "$page")
  built="$play/help/$name"
  if [ ! -f "$built" ]; then fail "$name not copied"; continue; fi
  cmp -s "$page" "$built" || fail "$name differs from its source"
  iconv -f UTF-8 -t UTF-8 "$built" >/dev/null 2>&1 || fail "$name is not valid UTF-8"
  grep -q '<meta charset="utf-8">' "$built" || fail "$name lacks <meta charset=\"utf-8\">"
  for link in $(grep -o 'href="[^"]*"' "$built" | sed 's/^href="//; s/"$//; s/#.*//'); do
    case $link in
      ''|http:*|https:*|mailto:*) ;;
      *) [ -f "$play/help/$link" ] || fail "$name links to missing $link" ;;
    esac
  done
done

if found "$chmcmd"; then
  chm="$play/qora.chm"
  if [ ! -f "$chm" ]; then
    fail "chmcmd is installed but $chm was not built"
  else
    [ "$(head -c 4 "$chm")" = ITSF ] || fail "qora.chm does not start with ITSF"
    if found "$chmls"; then
      list=$("$chmls" -n list "$chm" 2>/dev/null)
      for page in "$src"/*.html "$src"/style.css; do
        name=$(basename "$page")
        echo "$list" | grep -qx "/$name" || fail "qora.chm lacks $name"
      done
      # The compiled page reads back as the source, in Windows-1251.
      tmp=$(mktemp -d)
      (cd "$tmp" && "$chmls" extract "$chm" /index.html index.html >/dev/null 2>&1)
      if [ -f "$tmp/index.html" ]; then
        sed 's|<meta charset="utf-8">|<meta http-equiv="Content-Type" content="text/html; charset=windows-1251">|' \
          "$src/index.html" | iconv -f UTF-8 -t WINDOWS-1251 >"$tmp/expected.html"
        cmp -s "$tmp/index.html" "$tmp/expected.html" ||
          fail "index.html in qora.chm does not match its source"
      else
        fail "index.html cannot be extracted from qora.chm"
      fi
      rm -rf "$tmp"
    fi
  fi
else
  [ ! -e "$play/qora.chm" ] || fail "qora.chm present although chmcmd is missing"
fi

[ "$fails" -eq 0 ] && echo "help OK" && exit 0
exit 1
