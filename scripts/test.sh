#!/usr/bin/env bash
# The project's one test command, run by CI as it is. Installs what is missing, then:
#  1. builds everything (Release) in build/ and runs every test: unit tests, and the real program
#     under a virtual X server, its full 150-second run included;
#  2. builds the whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer in
#     build-asan/ and runs it, the full 150-second run and the browser test (whose WebAssembly build
#     is not sanitized) excepted; any finding fails;
#  3. fuzzes each libFuzzer target for 30 seconds (scripts/fuzz.sh; run it longer by hand).
# Locally, `ctest --test-dir build -LE slow` skips the 150-second run.
set -euo pipefail
# The tests read and print decimal numbers (timings, times of the timeline): the C locale for all.
export LC_ALL=C
cd "$(dirname "$0")/.."

# build/ is the demo's: a cache left there by an engine-only configure would build no demo.
if grep -qs '^TEPPLE_ENGINE_ONLY:BOOL=ON' build/CMakeCache.txt; then
  echo "test.sh: build/ is configured for the engine alone (TEPPLE_ENGINE_ONLY=ON); remove build/ (or give the engine a build folder of its own) and run this again" >&2
  exit 1
fi

./scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DTEPPLE_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j2 -LE 'slow|web'

./scripts/fuzz.sh 30
