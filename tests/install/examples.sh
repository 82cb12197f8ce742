#!/usr/bin/env bash
# examples.sh <source folder> <prefix> <scratch folder> <same-picture> <C++ compiler>
# The installed engine as a user builds on it, moved first to another folder (the install must
# not name its own prefix): the examples built as a project of their own through
# find_package(tepple), and again with nothing but the compiler and pkg-config. Both builds of
# cube-png draw the same frames as the references in tests/install/reference at 640 x 480 and at
# 333 x 251, pixel for pixel; the window examples start and run on SDL's dummy drivers.
set -euo pipefail

source=$1 installed=$2 work=$3 same_picture=$4 cxx=$5
references=$source/tests/install/reference
frames=3
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$work/moved-prefix
cp -a "$installed" "$prefix"
if grep -rlF "$installed" "$prefix" >"$work/naming"; then
  fail "installed files name the prefix they were installed into: $(tr '\n' ' ' <"$work/naming")"
fi

# Through the CMake package.
cmake -S "$source/examples" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; fail "the examples do not configure against the installed package"; }
cmake --build "$work/cmake" -j2 >"$work/build.log" 2>&1 ||
  { cat "$work/build.log" >&2; fail "the examples do not build against the installed package"; }

# Through pkg-config, as a Makefile would.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
mkdir -p "$work/pkg-config"
flags=(-std=c++17 -O2 -ffp-contract=off -Wall -Wextra)
read -r -a engine <<<"$(pkg-config --cflags --libs tepple libpng)"
read -r -a window <<<"$(pkg-config --cflags --libs tepple-sdl)"
# A window program gets SDL2's compile flags and nothing of what the library uses inside.
if grep -qE 'glib|dbus|opus|_XOPEN_SOURCE|mixer' <<<"$(pkg-config --cflags tepple-sdl)"; then
  fail "pkg-config --cflags tepple-sdl passes on the flags of the libraries tepple_sdl uses inside: $(pkg-config --cflags tepple-sdl)"
fi
"$cxx" "${flags[@]}" "$source/examples/cube-png.cpp" -o "$work/pkg-config/cube-png" "${engine[@]}" ||
  fail "cube-png does not build with pkg-config --cflags --libs tepple libpng"
for program in cube-sdl lsb-viewer; do
  "$cxx" "${flags[@]}" "$source/examples/$program.cpp" -o "$work/pkg-config/$program" "${window[@]}" ||
    fail "$program does not build with pkg-config --cflags --libs tepple-sdl"
done

# The pictures, from both builds.
for build in cmake pkg-config; do
  for size in "640 480" "333 251"; do
    read -r width height <<<"$size"
    out=$work/pictures/$build/${width}x$height
    "$work/$build/cube-png" "$width" "$height" "$out" "$frames" >/dev/null || fail "$build/cube-png $size failed"
    for ((frame = 0; frame < frames; ++frame)); do
      name=cube-$(printf '%03d' "$frame").png
      "$same_picture" "$references/${width}x$height/$name" "$out/$name" ||
        fail "$build/cube-png at $width x $height, frame $frame, differs from its reference"
    done
  done
done
echo "cube-png through find_package and through pkg-config draws every reference frame at 640 x 480 and 333 x 251"

# The window examples run on SDL's dummy drivers until stopped.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
run_for_a_moment() {
  local name=$1
  shift
  "$@" >"$work/stdout" 2>"$work/stderr" &
  local pid=$!
  sleep 1.5
  kill -0 "$pid" 2>/dev/null || { cat "$work/stderr" >&2; fail "$name stopped at once"; }
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { cat "$work/stderr" >&2; fail "$name ended with status $status on SIGTERM"; }
}
for build in cmake pkg-config; do
  run_for_a_moment "$build/cube-sdl" "$work/$build/cube-sdl"
  run_for_a_moment "$build/lsb-viewer" "$work/$build/lsb-viewer" "$prefix/share/tepple/kelvo.LSB"
done
status=0
"$work/cmake/lsb-viewer" "$work/no-such.LSB" 2>"$work/stderr" || status=$?
[ "$status" -eq 1 ] && grep -qF "$work/no-such.LSB" "$work/stderr" ||
  fail "lsb-viewer on a missing file: status $status, not 1 with the file named: $(cat "$work/stderr")"
echo "cube-sdl and lsb-viewer run in a window until stopped"
