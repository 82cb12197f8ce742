# Sourced by the scripts that test another processor's or system's build under an emulator
# (scripts/cross-test.sh, tests/windows/run-tests.sh); each defines run, which runs one program
# of that build through its emulator.
#   frame_hashes PROGRAM LANES THREADS
# The frame hashes of the whole timeline at one lane width and thread count, against the committed
# list. A width the build cannot run is a failure here, not a skip: each width asked for is one the
# processor's lane table has.
frame_hashes() {
  local program=$1 lanes=$2 threads=$3 output
  echo "-- frame hashes, lane width $lanes, $threads thread(s)"
  output=$(run "$program" --lanes "$lanes" --threads "$threads" 2>&1) ||
    { echo "$output"; echo "FAIL: frame hashes at lane width $lanes, $threads thread(s)" >&2; exit 1; }
  if grep -q "cannot run here" <<<"$output"; then
    echo "$output"
    echo "FAIL: lane width $lanes was not drawn" >&2
    exit 1
  fi
  grep -E '^\[  PASSED  \]' <<<"$output"
}
