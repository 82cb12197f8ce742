#!/usr/bin/env bash
# run.sh <source folder> <scratch folder> <C++ compiler>
# Builds the engine alone with ThreadSanitizer, as another project takes it (add_subdirectory), and
# runs ConcurrentDraws against it: any data race the sanitizer sees fails the test.
set -euo pipefail
source=$1 work=$2 cxx=$3
mkdir -p "$work/consumer"
cat >"$work/consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.16)
project(concurrent_draws LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 17)
set(TEPPLE_ENGINE_ONLY ON CACHE BOOL "" FORCE)
add_compile_options(-fsanitize=thread -g)
add_link_options(-fsanitize=thread)
add_subdirectory("$source" tepple)
add_executable(concurrent-draws "$source/tests/render/concurrent/ConcurrentDraws.cpp")
target_link_libraries(concurrent-draws PRIVATE tepple::engine)
CMAKE
cmake -S "$work/consumer" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; echo "FAIL: configuring" >&2; exit 1; }
cmake --build "$work/build" -j2 --target concurrent-draws >"$work/build.log" 2>&1 ||
  { tail -40 "$work/build.log" >&2; echo "FAIL: building with ThreadSanitizer" >&2; exit 1; }
TSAN_OPTIONS="halt_on_error=1 exitcode=66" "$work/build/concurrent-draws"
