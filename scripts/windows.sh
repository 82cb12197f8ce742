#!/usr/bin/env bash
# Builds the demo for 64-bit Windows on this machine and packs it into build-windows/tepple-windows.zip:
# tepple.exe, the DLL of its MP3 decoder, its eleven data files and a README.txt.
#   scripts/windows.sh           build and pack
#   scripts/windows.sh --test    the same, then test it under Wine (tests/windows/run-tests.sh)
# Debian has the compiler (MinGW-w64) and Wine but no SDL2, SDL2_mixer or mpg123 for Windows: their
# Debian sources are fetched with apt and cross-built once into build-windows/deps/prefix, which
# later runs reuse (delete the folder to build them again). The data generator is not built for
# Windows: the data files come from the native build in build/ (made first), or from the run folder
# TEPPLE_DATA_FROM names. Installs what it needs first (scripts/install-deps.sh --cross windows).
# Prints how long each part took.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

mode=build
case "${1:-}" in
"") ;;
--test) mode=test ;;
*)
  echo "usage: scripts/windows.sh [--test]" >&2
  exit 2
  ;;
esac

started=$SECONDS
part() { echo "== $1 ($((SECONDS - started)) s so far)"; }
jobs=$(nproc)
build=$PWD/build-windows
deps=$build/deps
prefix=$deps/prefix
host=x86_64-w64-mingw32
toolchain=$PWD/cmake/x86_64-w64-mingw32.cmake

part "the packages"
./scripts/install-deps.sh --cross windows

# The libraries, at the versions Debian 12 has, with Debian's patches. The prefix counts as built
# once its stamp names these versions; an interrupted build leaves no stamp and starts again.
sdl_version=2.26.5+dfsg
mixer_version=2.6.2+dfsg
mpg123_version=1.31.2
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
stamp="SDL2 $sdl_version, SDL2_mixer $mixer_version, mpg123 $mpg123_version, GoogleTest $gtest_version"

# Unpacks a source package fetched by apt into $deps/src/NAME, checking each file against the .dsc
# (whose own checksum apt checked against the signed archive index) and applying Debian's patches.
# mpg123's .dsc names an upstream signature the archive no longer serves, so dpkg-source cannot be
# used for it; nothing of what it unpacks depends on that signature.
unpack() {
  local name=$1 dsc orig debian
  dsc=$(ls "$deps"/download/"$name"_*.dsc)
  (cd "$deps/download" && sed -n '/^Checksums-Sha256:/,/^[^ ]/p' "$dsc" |
    sed -n 's/^ \([0-9a-f]\{64\}\) [0-9]* \(.*\)$/\1  \2/p' | grep -v '\.asc$' | sha256sum --quiet -c -)
  orig=$(ls "$deps"/download/"$name"_*.orig.tar.*)
  debian=$(ls "$deps"/download/"$name"_*.debian.tar.*)
  rm -rf "$deps/src/$name"
  mkdir -p "$deps/src/$name"
  tar -xf "$orig" -C "$deps/src/$name" --strip-components=1
  tar -xf "$debian" -C "$deps/src/$name"
  local patches=$deps/src/$name/debian/patches
  if [ -f "$patches/series" ]; then
    sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$patches/series" |
      while read -r patch _; do patch -s -p1 -d "$deps/src/$name" <"$patches/$patch"; done
  fi
}

cmake_deps() {
  local source=$1 dir=$2
  shift 2
  cmake -S "$source" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs" >/dev/null
  cmake --install "$dir" >/dev/null
}

if [ "$(cat "$prefix/built" 2>/dev/null || true)" != "$stamp" ]; then
  part "fetching the libraries' sources with apt"
  rm -rf "$deps"
  mkdir -p "$deps/download" "$deps/src"
  (cd "$deps/download" && apt-get source -q --download-only "libsdl2=$sdl_version-1" \
    "libsdl2-mixer=$mixer_version-2" >/dev/null)
  (cd "$deps/download" && apt-get source -q --download-only mpg123 >/dev/null 2>&1 || true)
  for name in libsdl2 libsdl2-mixer mpg123; do unpack "$name"; done

  part "building mpg123 for Windows"
  # The decoder library alone, as a DLL: the demo checks its soundtrack with it and SDL2_mixer
  # plays MP3 through it, as on Debian.
  mkdir -p "$deps/build/mpg123"
  (cd "$deps/build/mpg123" &&
    "$deps/src/mpg123/configure" --host=$host --prefix="$prefix" --enable-shared --disable-static \
      --disable-modules --disable-network --with-audio=dummy --with-cpu=x86-64 \
      CC=$host-gcc-posix >/dev/null &&
    make -j"$jobs" src/libmpg123/libmpg123.la >/dev/null &&
    make install-libLTLIBRARIES install-includeHEADERS install-nodist_includeHEADERS install-pkgconfigDATA \
      lib_LTLIBRARIES=src/libmpg123/libmpg123.la nodist_include_HEADERS=src/libmpg123/mpg123.h \
      pkgconfig_DATA=libmpg123.pc >/dev/null)

  part "building SDL2 for Windows"
  # Static, and without the parts the demo does not use (joysticks, haptics, sensors...).
  cmake_deps "$deps/src/libsdl2" "$deps/build/sdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF \
    -DSDL_LOCALE=OFF -DSDL_MISC=OFF

  part "building SDL2_mixer for Windows"
  # MP3 only, decoded by mpg123; every other format is left out.
  cmake_deps "$deps/src/libsdl2-mixer" "$deps/build/mixer" -DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_MPG123=ON \
    -DSDL2MIXER_MP3_DRMP3=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF \
    -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_WAVPACK=OFF -DSDL2MIXER_CMD=OFF

  part "building GoogleTest for Windows"
  cmake_deps /usr/src/googletest "$deps/build/googletest" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF

  echo "$stamp" >"$prefix/built"
fi

data=${TEPPLE_DATA_FROM:-}
if [ -z "$data" ]; then
  part "the data files, from the native build"
  ./scripts/install-deps.sh --system-only
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$jobs" --target tepple_data
  data=$PWD/build/run
fi

part "building tepple.exe"
targets=(tepple tepple_data)
[ "$mode" = test ] && targets+=(tepple_windows_tests tepple_frame_hash_tests tepple_window_request)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_PREFIX_PATH="$prefix" -DTEPPLE_DATA_FROM="$data" >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"
cp "$prefix/bin/libmpg123-0.dll" "$build/run/"

part "packing tepple-windows.zip"
pack=$build/pack/tepple-windows
rm -rf "$build/pack"
mkdir -p "$pack"
cp "$build/run/tepple.exe" "$build/run/libmpg123-0.dll" "$pack/"
# Without their symbols, which only a debugger of the build itself would read.
$host-strip --strip-unneeded "$pack/tepple.exe" "$pack/libmpg123-0.dll"
# The data files by the names the manifest lists (the name before size and checksum).
names=$(sed -n 's/^\([^#][^ ]*\) [0-9]* [0-9a-f]*$/\1/p' "$build/run/tepple-assets.manifest")
(cd "$build/run" && cp --parents $names "$pack/")
[ "$(find "$pack" -type f | wc -l)" -eq 13 ] || { echo "windows.sh: the pack lacks data files" >&2; exit 1; }
# Windows' own editors expect CRLF line ends.
sed 's/$/\r/' docs/windows-readme.txt >"$pack/README.txt"
for licence in "libsdl2 SDL2" "libsdl2-mixer SDL2_mixer" "mpg123 mpg123"; do
  set -- $licence
  sed 's/$/\r/' "$deps/src/$1/debian/copyright" >"$pack/licence-$2.txt"
done
# mpg123's copyright file names its licence, whose text goes with the DLL.
{ printf '\n'; cat /usr/share/common-licenses/LGPL-2.1; } | sed 's/$/\r/' >>"$pack/licence-mpg123.txt"
rm -f "$build/tepple-windows.zip.part"
(cd "$build/pack" && zip -q -r -X "$build/tepple-windows.zip.part" tepple-windows)
mv "$build/tepple-windows.zip.part" "$build/tepple-windows.zip"
echo "wrote $build/tepple-windows.zip"

if [ "$mode" = test ]; then
  part "testing under Wine"
  tests/windows/run-tests.sh "$build" "$pack"
fi
part "done"
