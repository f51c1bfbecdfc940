#!/bin/sh
# The Debian package as a school installs it and a pupil starts it: built
# with cpack, checked by lintian, unpacked with dpkg-deb into a temporary
# root, and run from there in a folder without the game's tables, as the
# desktop menu starts it in the home folder.
# Usage: install_check.sh BUILD_DIR SOURCE_DIR CPACK
set -u
build=$(cd "$1" && pwd) src=$(cd "$2" && pwd) cpack=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
quiet() { "$@" >"$tmp/log" 2>&1 || { cat "$tmp/log"; fail "$*"; }; }  # a check whose output shows only on failure

# The package: the libraries it links and the two packages it names.
(cd "$build" && "$cpack" --config CPackConfig.cmake -G DEB -B "$tmp/pkg") >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$tmp"/pkg/qora_*_amd64.deb 2>/dev/null)
[ -f "$deb" ] || { ls "$tmp/pkg"; echo "FAIL: no qora_VERSION_amd64.deb"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-liberation2 xdg-utils libsdl2 libc6; do
  case $depends in *"$d"*) ;; *) fail "Depends lacks $d: $depends" ;; esac
done
quiet lintian --fail-on error "$deb"

root=$tmp/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin
listing() { (cd "$root" && find . -printf '%p %s %m %T@\n' | sort); }
listing >"$tmp/before"

# The desktop entry, the metadata, the icons.
entry=$root/usr/share/applications/org.example.qora.desktop
quiet desktop-file-validate "$entry"
quiet appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.qora.metainfo.xml"
for s in 48 128 256; do
  size=$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${s}x${s}/apps/qora.png" 2>&1)
  [ "$size" = "${s}x${s}" ] || fail "icon ${s}x${s}: $size"
done

# Where the records tool says the game works (the choice itself is tested
# in datafiles_test.cpp); asking creates nothing.
mkdir "$tmp/start" "$tmp/teacher"
cp "$src/data/001" "$src/data/002" "$tmp/teacher/"
cd "$tmp/start" || exit 1
class=$tmp/school/7b
got=$(QORA_HOME=$class "$bin/qora-records" where 2>&1 | head -n 1)
[ "$got" = "$class" ] || fail "where: $got"
got=$(env -u QORA_HOME XDG_DATA_HOME="$tmp/xdg" "$bin/qora-records" where 2>&1 | head -n 1)
[ "$got" = "$tmp/xdg/qora" ] || fail "where with XDG_DATA_HOME: $got"
[ -e "$class" ] && fail "where created the game folder"
QORA_HOME=$class "$bin/qora-records" where 2>&1 | sed -n 2p | grep -q "lease" || fail "where names no lock"

# The game in a folder, with the environment and the program's arguments
# after it, headless, played by the script in $tmp/script.txt.
play() { (cd "$1" && shift && env QORA_VIDEO=headless QORA_CLOCK=virtual QORA_SCREEN=800x600 \
           QORA_SCRIPT="$tmp/script.txt" "$@") 2>&1; }
# The installed game started in the start folder with the class folder as
# its game folder must end with status 0 and show what the build's own game
# shows from a folder with the tables; the script's picture is kept as NAME.png.
#   both NAME SCRIPT ARGS...
both() {
  name=$1
  printf "$2" "$tmp/shot.png" >"$tmp/script.txt"
  shift 2
  out=$(play "$tmp/start" QORA_HOME="$class" timeout 60 "$bin/qora" "$@") || fail "the installed $name: $out"
  mv "$tmp/shot.png" "$tmp/$name.png"
  play "$tmp/teacher" timeout 60 "$build/qora" "$@" >/dev/null || fail "the build's $name"
  cmp -s "$tmp/$name.png" "$tmp/shot.png" || fail "the installed $name differs from the build's"
}
# The menu, then Esc: the class folder is created and the groups file written
# there, and nothing in the start folder or the root.
both menu 'wait 3000\nshot %s\nkey 27\n' f s
[ -f "$class/group.qora" ] || fail "no group.qora in the class folder"
[ -z "$(ls -A "$tmp/start")" ] || fail "written in the start folder: $(ls -A "$tmp/start")"
colours=$(identify -format '%k' "$tmp/menu.png")
[ "$colours" -ge 3 ] || fail "the menu picture has $colours colours"
# The menu entry's action: the group editor's introduction where the menu
# showed, any key, Esc to leave the editor, Esc to leave the menu.
action=$(sed -n '/^\[Desktop Action groups\]/,$ s/^Exec=//p' "$entry")
[ "$action" = "qora g" ] || fail "the group editor's action runs '$action'"
both editor 'wait 3000\nshot %s\nkey 32\nwait 3000\nkey 27\nwait 3000\nkey 27\n' "${action#qora }" f s
cmp -s "$tmp/editor.png" "$tmp/menu.png" && fail "qora g shows the menu, not the group editor"

# A game folder that cannot be created: status 1 and the reason.
: >"$tmp/plain"
out=$(play "$tmp/start" QORA_HOME="$tmp/plain/class" timeout 60 "$bin/qora" f s)
status=$?
[ "$status" -eq 1 ] && case $out in *"cannot use the game folder $tmp/plain/class"*) ;; *) false ;; esac ||
  fail "unusable QORA_HOME: status $status: $out"

# The records tool finds a bare file name in the game folder, and the tables
# in the installed data folder.
: >"$class/1player.qora"
head -c 95 /dev/zero >"$class/Result.qora"
export QORA_HOME="$class"
quiet "$bin/qora-records" top5 1player.qora
quiet "$bin/qora-records" results Result.qora
quiet "$bin/qora-records" export Result.qora "$tmp/book.xlsx"
QORA_HOME=$tmp/empty "$bin/qora-records" top5 1player.qora >/dev/null 2>&1 && fail "top5 found a file it should not"

listing >"$tmp/after"
cmp -s "$tmp/before" "$tmp/after" || { diff "$tmp/before" "$tmp/after"; fail "written under the unpacked root"; }
[ "$fails" -eq 0 ] && echo ok
exit "$fails"
