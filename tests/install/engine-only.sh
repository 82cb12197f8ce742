#!/usr/bin/env bash
# engine-only.sh <source folder> <scratch folder> <same-picture>
# With TEPPLE_ENGINE_ONLY the tree configures, builds and installs with every package it could
# look for made unfindable (SDL2, SDL2_mixer, LAME, libmpg123, ALSA, libpng, zlib, GoogleTest,
# benchmark, pkg-config itself): the engine libraries, headers and package files are installed and
# nothing else; cube-png built on that install draws its reference frames.
set -euo pipefail

source=$1 work=$2 same_picture=$3
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

unfindable=()
for package in SDL2 SDL2_mixer PkgConfig ALSA PNG ZLIB GTest benchmark; do
  unfindable+=("-DCMAKE_DISABLE_FIND_PACKAGE_$package=ON")
done
cmake -S "$source" -B "$work/build" -DTEPPLE_ENGINE_ONLY=ON -DCMAKE_BUILD_TYPE=Release \
      -DPKG_CONFIG_EXECUTABLE="$work/no-pkg-config" "${unfindable[@]}" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; fail "the engine alone does not configure without the packages"; }
cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "the engine alone does not build"; }
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null || fail "the engine alone does not install"

prefix=$work/prefix
for wanted in lib/libtepple_geometry.a lib/libtepple_pixels.a lib/libtepple_render.a lib/libtepple_media.a \
              include/tepple/tepple.h include/tepple/render/Renderer.h lib/cmake/tepple/teppleConfig.cmake \
              lib/pkgconfig/tepple.pc; do
  [ -f "$prefix/$wanted" ] || fail "the engine alone does not install $wanted"
done
for unwanted in bin share lib/libtepple_sdl.a lib/cmake/tepple/teppleSdlTargets.cmake lib/pkgconfig/tepple-sdl.pc \
                include/tepple/platform; do
  [ ! -e "$prefix/$unwanted" ] || fail "the engine alone installs $unwanted"
done
[ ! -e "$work/build/tests" ] || fail "the engine alone configures the tests"

# A program on that install: the examples project builds cube-png alone.
cmake -S "$source/examples" -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" >"$work/examples.log" 2>&1 ||
  { cat "$work/examples.log" >&2; fail "the examples do not configure against the engine alone"; }
cmake --build "$work/examples" -j2 >>"$work/examples.log" 2>&1 ||
  { cat "$work/examples.log" >&2; fail "cube-png does not build against the engine alone"; }
"$work/examples/cube-png" 333 251 "$work/pictures" 3 >/dev/null || fail "cube-png failed"
for frame in 000 001 002; do
  "$same_picture" "$source/tests/install/reference/333x251/cube-$frame.png" "$work/pictures/cube-$frame.png" ||
    fail "cube-png on the engine alone, frame $frame, differs from its reference"
done
echo "the engine alone built and installed with no package found; cube-png on it draws its references"
