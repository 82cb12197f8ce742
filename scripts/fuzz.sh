#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time under
# AddressSanitizer and UndefinedBehaviorSanitizer:
#   scripts/fuzz.sh [seconds per target, default 600] [target ...]   (targets: mesh tga raster models)
# With no target named, all but models: that one reaches assimp 5.2's own faults within seconds (PLY
# headers, glTF members of the wrong type), which tepple-render contains in its drawing process;
# name it to look for new ones.
# Seconds are a whole number from 1 up; anything else, or an unknown target, stops it with status 2.
# Each target starts from the seed corpus in fuzz/corpus/<target> plus what earlier runs found
# (build-fuzz/corpus/<target>). A crash, sanitizer report or failed check stops that target, leaves
# the input in build-fuzz/artifacts/ and makes the script fail; replay it with
#   build-fuzz/fuzz_<target> build-fuzz/artifacts/<file>
# The seed corpus is made by the project's own encoders: build-fuzz/tepple-fuzz-seeds fuzz/corpus
set -euo pipefail
# The fuzzers' logs are read for numbers: in the C locale whatever the user's.
export LC_ALL=C
cd "$(dirname "$0")/.."

known=(mesh tga raster models)
usage="usage: scripts/fuzz.sh [seconds per target, default 600] [target ...]   (targets: ${known[*]})"
case "${1-}" in
  -h|--help) echo "$usage"; exit 0 ;;
esac
seconds=${1-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(mesh tga raster)
# libFuzzer takes 0 seconds as no limit at all: the run would end only at the outer timeout.
if ! [[ "$seconds" =~ ^[0-9]{1,8}$ ]] || [ "$((10#$seconds))" -lt 1 ]; then
  echo "fuzz.sh: seconds must be a whole number from 1 to 99999999, not '$seconds'" >&2
  echo "$usage" >&2
  exit 2
fi
seconds=$((10#$seconds))
for target in "${targets[@]}"; do
  case " ${known[*]} " in
    *" $target "*) ;;
    *)
      echo "fuzz.sh: unknown target '$target' (the targets are: ${known[*]})" >&2
      exit 2
      ;;
  esac
done

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing; run scripts/install-deps.sh" >&2
  exit 2
fi
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Inputs larger than these only repeat what smaller ones already reach: whole rows of every
# surface width for the TGA loader, a few hundred corners for the rasterisers.
max_len() {
  case "$1" in
    tga) echo 16384 ;;
    raster) echo 16384 ;;
    models) echo 65536 ;;
    *) echo 4096 ;;
  esac
}

# assimp 5.2 leaks a few objects on some of its error paths (a whole scene's worth, never growing):
# the model fuzzer looks for crashes and sanitizer reports, not for the library's leaks.
extra_flags() {
  case "$1" in
    models) echo -detect_leaks=0 ;;
  esac
}

failed=()
summary=()
mkdir -p build-fuzz/artifacts
for target in "${targets[@]}"; do
  work=build-fuzz/corpus/$target
  log=build-fuzz/$target.log
  mkdir -p "$work"
  echo "fuzzing $target for $seconds s (log: $log)"
  status=0
  # The outer timeout only guards against a fuzzer that stops answering; -timeout flags a slow input.
  timeout $((seconds + 120)) "build-fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 \
    -max_len="$(max_len "$target")" $(extra_flags "$target") -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-" \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 || true)
  summary+=("$target: ${runs:-?} executions, ${coverage:-cov: ?}, corpus $(ls "$work" | wc -l) inputs, status $status")
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    echo "---- $target failed; end of its log:" >&2
    tail -n 60 "$log" >&2
  fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: failures in: ${failed[*]} (inputs in build-fuzz/artifacts/)" >&2
  exit 1
fi
