#!/usr/bin/env bash
# Builds the libraries the Windows game links (zlib, libpng, FreeType, SDL2,
# libxlsxwriter with the minizip, MD5 and temporary-file code its Debian
# source carries) from Debian's own bookworm source packages, statically,
# with mingw-w64, into one prefix with pkg-config files.
#
# The prefix is QORA_WIN_PREFIX (default build-win/prefix). It is kept between
# runs, keyed by the source versions below; a finished prefix is also kept in
# ${XDG_CACHE_HOME:-~/.cache}/qora-win/<key> and copied from there into a
# fresh clone. Sources come through apt-get source from a private deb-src list
# of Debian's main suite, pinned to the versions below, and nowhere else.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" windows

sources=(zlib=1:1.2.13.dfsg-1 libpng1.6=1.6.39-2+deb12u5 freetype=2.12.1+dfsg-5+deb12u4
         libsdl2=2.26.5+dfsg-1 libxlsxwriter=1.1.4-2)
recipe=2   # raise when the build steps below change
key_of() {
  (printf '%s\n' "$@" "recipe $recipe" "$(x86_64-w64-mingw32-gcc-posix -dumpversion)") | sha256sum | cut -c1-16
}
prefix=${QORA_WIN_PREFIX:-$root/build-win/prefix}
caches=${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/qora-win
stamp=.qora-win-key

# pkg-config files name the folder they were built in; point them at where
# the prefix now is.
relocate() {
  local from
  from=$(cat "$1/.qora-win-built-in")
  sed -i "s|$from|$2|g" "$1"/lib/pkgconfig/*.pc
  echo "$2" > "$1/.qora-win-built-in"
}

work=$(dirname "$prefix")/win-deps-work
# Done when the prefix, or a kept copy, was built from these sources.
ready() {
  local key=$1 cache=$caches/$1
  if [ -f "$prefix/$stamp" ] && [ "$(cat "$prefix/$stamp")" = "$key" ]; then
    rm -rf "$work"
    exit 0
  fi
  if [ -f "$cache/$stamp" ] && [ "$(cat "$cache/$stamp")" = "$key" ]; then
    rm -rf "$prefix" "$prefix.tmp"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$cache" "$prefix.tmp"
    relocate "$prefix.tmp" "$prefix"
    mv "$prefix.tmp" "$prefix"
    rm -rf "$work"
    echo "Windows libraries: reused $cache"
    exit 0
  fi
}
ready "$(key_of "${sources[@]}")"

rm -rf "$work"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
cat > "$work/apt/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
LIST
apt=(-o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
     -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache"
     -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)")
apt-get "${apt[@]}" -qq update
# A point release of Debian replaces a pinned version in the suite: then the
# suite's own version is built (and the prefix is keyed by it).
resolved=()
for pin in "${sources[@]}"; do
  name=${pin%%=*}
  have=$(apt-cache "${apt[@]}" showsrc "$name" | sed -n 's/^Version: //p')
  if grep -qxF "${pin#*=}" <<<"$have"; then
    resolved+=("$pin")
  else
    newest=$(sort -V <<<"$have" | tail -n1)
    echo "Windows libraries: $pin is no longer in Debian's suite; building $name=$newest" >&2
    resolved+=("$name=$newest")
  fi
done
key=$(key_of "${resolved[@]}")
ready "$key"
cache=$caches/$key

# Built beside the prefix and put in its place when complete, so that a
# failed or interrupted build leaves the old prefix as it was.
final=$prefix
prefix=$final.new
rm -rf "$prefix"
mkdir -p "$work/src" "$prefix"
(cd "$work/src" && apt-get "${apt[@]}" -qq source "${resolved[@]}" >/dev/null)

host=x86_64-w64-mingw32
jobs=${QORA_WIN_JOBS:-2}
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-gcc-ar-posix RANLIB=$host-gcc-ranlib-posix
export RC=$host-windres WINDRES=$host-windres
export CFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
cmake_cross=(-G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
             -DQORA_WIN_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
             -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF)
src() { find "$work/src" -maxdepth 1 -type d -name "$1-*" | head -1; }
# Each step's output goes to one log, shown only when a step fails.
log=$work/build.log
step() {
  echo "Windows libraries: $1"
  shift
  if ! ( "$@" ) >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "Windows libraries: failed; the whole log is $log" >&2
    exit 1
  fi
}

zlib() {
  cd "$(src zlib)" && ./configure --static --prefix="$prefix" && make -j"$jobs" libz.a && make install
}
libpng() {
  cd "$(src libpng1.6)" && ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static &&
    make -j"$jobs" && make install
}
freetype() {
  cd "$(src freetype)" && ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --with-zlib=yes --with-png=yes --with-bzip2=no --with-brotli=no --with-harfbuzz=no &&
    make -j"$jobs" && make install
}
sdl2() {
  cmake -S "$(src libsdl2)" -B "$work/sdl2" "${cmake_cross[@]}" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF &&
    cmake --build "$work/sdl2" -j"$jobs" && cmake --install "$work/sdl2"
}
# Debian's own build links the system's minizip and OpenSSL's MD5; the source
# package also carries minizip, an MD5 and tmpfileplus of its own, which the
# Windows build uses.
xlsxwriter() {
  cmake -S "$(src libxlsxwriter)" -B "$work/xlsxwriter" "${cmake_cross[@]}" -DUSE_SYSTEM_MINIZIP=OFF \
    -DZLIB_ROOT="$prefix" && cmake --build "$work/xlsxwriter" -j"$jobs" && cmake --install "$work/xlsxwriter"
}
# The programs link these statically, so their licences ship with them.
licences() {
  local name
  for name in zlib libpng1.6 freetype libsdl2 libxlsxwriter; do
    mkdir -p "$prefix/share/licenses/$name" && cp "$(src "$name")/debian/copyright" "$prefix/share/licenses/$name/"
  done
}
step "building zlib" zlib
step "building libpng" libpng
step "building FreeType" freetype
step "building SDL2" sdl2
step "building libxlsxwriter" xlsxwriter
step "collecting the licences" licences

rm -f "$prefix"/lib/*.la "$prefix"/lib/*.dll.a
echo "$prefix" > "$prefix/.qora-win-built-in"
relocate "$prefix" "$final"
echo "$key" > "$prefix/$stamp"
rm -rf "$work" "$final"
mv "$prefix" "$final"
prefix=$final
# Keep a copy for later clones; a half-copied cache never carries the stamp.
if mkdir -p "$(dirname "$cache")" 2>/dev/null; then
  rm -rf "$cache.tmp.$$" && cp -a "$prefix" "$cache.tmp.$$" && rm -f "$cache.tmp.$$/$stamp" &&
    rm -rf "$cache" && mv "$cache.tmp.$$" "$cache" && echo "$key" > "$cache/$stamp" || true
fi
echo "Windows libraries: built in $prefix"
