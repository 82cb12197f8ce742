#!/usr/bin/env bash
# subproject.sh <source folder> <scratch folder> <same-picture>
# The tree inside another project, as FetchContent and add_subdirectory take it:
#  1. the whole tree configures inside a consumer, giving it tepple::engine and tepple::sdl and no
#     tests of its own;
#  2. with TEPPLE_ENGINE_ONLY, and every package the tree could look for made unfindable (SDL2,
#     SDL2_mixer, LAME, libmpg123, ALSA, libpng, zlib, GoogleTest, benchmark, pkg-config itself),
#     the engine builds there and a program linking tepple::engine draws the cube; installed, it
#     gives the engine's libraries, headers and package files and nothing else, and cube-png built
#     on that install draws its reference frames.
set -euo pipefail

source=$1 work=$2 same_picture=$3
rm -rf "$work"
mkdir -p "$work/consumer"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A consumer of its own: fetches the tree, checks the targets it promises, and draws the cube of
# the examples with the engine into a surface (no file written: nothing but the engine is used).
cat >"$work/consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.16)
project(consumer LANGUAGES CXX)
include(FetchContent)
FetchContent_Declare(tepple SOURCE_DIR "$source")
FetchContent_MakeAvailable(tepple)
foreach(target tepple::engine \${WANTED})
  if(NOT TARGET \${target})
    message(FATAL_ERROR "no \${target} after FetchContent_MakeAvailable(tepple)")
  endif()
endforeach()
add_executable(draws draws.cpp)
target_include_directories(draws PRIVATE "$source/examples")
target_link_libraries(draws PRIVATE tepple::engine)
CMAKE
cat >"$work/consumer/draws.cpp" <<'CPP'
// Exit 0 when the cube leaves at least a thousand pixels of a 333 x 251 picture lit.
#include "cube.h"
int main()
{
    Renderer renderer(Viewport::forTarget(333, 251));
    Surface picture(333, 251);
    CubeScene scene(renderer);
    scene.draw(picture, 0.4f);
    int lit = 0;
    for (int i = 0; i < 333 * 251; ++i) lit += picture.pixels()[i] != 0;
    return lit >= 1000 ? 0 : 1;
}
CPP

# 1. The whole tree, configured only.
cmake -S "$work/consumer" -B "$work/whole" -DWANTED=tepple::sdl >"$work/whole.log" 2>&1 ||
  { cat "$work/whole.log" >&2; fail "the whole tree does not configure inside another project"; }
[ ! -e "$work/whole/_deps/tepple-build/tests" ] || fail "inside another project, the tree configures its tests"
echo "the whole tree configures inside another project"

# 2. The engine alone, with nothing found.
unfindable=()
for package in SDL2 SDL2_mixer PkgConfig ALSA PNG ZLIB GTest benchmark; do
  unfindable+=("-DCMAKE_DISABLE_FIND_PACKAGE_$package=ON")
done
cmake -S "$work/consumer" -B "$work/engine" -DTEPPLE_ENGINE_ONLY=ON -DCMAKE_BUILD_TYPE=Release \
      -DPKG_CONFIG_EXECUTABLE="$work/no-pkg-config" "${unfindable[@]}" >"$work/engine.log" 2>&1 ||
  { cat "$work/engine.log" >&2; fail "the engine alone does not configure with no package to be found"; }
cmake --build "$work/engine" -j2 >>"$work/engine.log" 2>&1 ||
  { cat "$work/engine.log" >&2; fail "the engine alone does not build inside another project"; }
"$work/engine/draws" || fail "a program linking tepple::engine in the same build draws no cube"

prefix=$work/prefix
cmake --install "$work/engine" --prefix "$prefix" >/dev/null || fail "the engine alone does not install"
for wanted in lib/libtepple_geometry.a lib/libtepple_pixels.a lib/libtepple_render.a lib/libtepple_media.a \
              include/tepple/tepple.h include/tepple/render/Renderer.h lib/cmake/tepple/teppleConfig.cmake \
              lib/pkgconfig/tepple.pc; do
  [ -f "$prefix/$wanted" ] || fail "the engine alone does not install $wanted"
done
for unwanted in bin share lib/libtepple_sdl.a lib/cmake/tepple/teppleSdlTargets.cmake lib/pkgconfig/tepple-sdl.pc \
                include/tepple/platform; do
  [ ! -e "$prefix/$unwanted" ] || fail "the engine alone installs $unwanted"
done

# Asking that install for what it does not have says what is missing and why.
probe() {
  mkdir -p "$work/probe-$1"
  printf 'cmake_minimum_required(VERSION 3.16)\nproject(probe LANGUAGES CXX)\nfind_package(tepple REQUIRED COMPONENTS %s)\n' \
    "$1" >"$work/probe-$1/CMakeLists.txt"
  ! cmake -S "$work/probe-$1" -B "$work/probe-$1/build" -DCMAKE_PREFIX_PATH="$prefix" >"$work/probe-$1.log" 2>&1 ||
    fail "find_package(tepple COMPONENTS $1) succeeded on the engine alone"
  tr -s ' \n' '  ' <"$work/probe-$1.log" | grep -q "$2" || { cat "$work/probe-$1.log" >&2; fail "find_package(tepple COMPONENTS $1) did not say '$2'"; }
}
probe sdl "tepple::sdl .* is not in this install: it was built with TEPPLE_ENGINE_ONLY"
probe windows "tepple has no component 'windows'"

# The examples on that install: cube-png alone, as there is no tepple::sdl.
cmake -S "$source/examples" -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" >"$work/examples.log" 2>&1 ||
  { cat "$work/examples.log" >&2; fail "the examples do not configure against the engine alone"; }
cmake --build "$work/examples" -j2 >>"$work/examples.log" 2>&1 ||
  { cat "$work/examples.log" >&2; fail "cube-png does not build against the engine alone"; }
"$work/examples/cube-png" 333 251 "$work/pictures" 3 >/dev/null || fail "cube-png failed"
for frame in 000 001 002; do
  "$same_picture" "$source/tests/install/reference/333x251/cube-$frame.png" "$work/pictures/cube-$frame.png" ||
    fail "cube-png on the engine alone, frame $frame, differs from its reference"
done
echo "the engine alone built inside another project with no package found, and installed;" \
     "cube-png on it draws its references"
