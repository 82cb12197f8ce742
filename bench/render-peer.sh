#!/usr/bin/env bash
# tepple-render beside f3d (Debian's package, VTK on Mesa's llvmpipe, under xvfb-run for the
# display it needs) on the same files to the same 512 x 512 PNG, whole process, both warm:
#   bench/render-peer.sh [runs, default 5]
# The files come from tepple-models: a 1,002,528-triangle binary STL sphere, a 100,352-triangle
# textured GLB and a 10,082-triangle OBJ. Each tool runs once on each file unmeasured (the files in
# the page cache, the programs' libraries loaded), then `runs` times alternating with the other;
# the table gives the medians of wall time, of processor time (user + system, all threads and
# child processes) and of peak memory (the largest process's resident set), and tepple-render's
# own loading, drawing and writing times (--timings). Needs a build with tepple-render
# ($TEPPLE_BUILD_DIR, default build/) and `apt-get install f3d xvfb`. Run it on a quiet machine:
# other work on the same cores shows in the wall times, far less in the processor times.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

runs=${1-5}
if ! [[ "$runs" =~ ^[1-9][0-9]{0,2}$ ]]; then
  echo "render-peer.sh: runs must be a whole number from 1 to 999, not '$runs'" >&2
  exit 2
fi
build=${TEPPLE_BUILD_DIR:-build}
render=$build/run/tepple-render
models=$build/tools/tepple-models
for tool in "$render" "$models"; do
  [ -x "$tool" ] || { echo "render-peer.sh: $tool is missing; build tepple-render and tepple-models" >&2; exit 2; }
done
for program in f3d xvfb-run; do
  command -v "$program" >/dev/null || { echo "render-peer.sh: $program is missing (apt-get install f3d xvfb)" >&2; exit 2; }
done

work=$build/render-peer
mkdir -p "$work"
[ -f "$work/sphere-1m.stl" ] || "$models" --sphere 708 "$work/sphere-1m.stl"
[ -f "$work/sphere-100k.glb" ] || "$models" --sphere 224 "$work/sphere-100k.glb"
[ -f "$work/sphere-10k.obj" ] || "$models" --sphere 71 "$work/sphere-10k.obj"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One measured run: "wall cpu peakKB" on the last line of the file given.
measure() {
  local out=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$out.time" "$@" >/dev/null 2>"$out.err"
  awk '{ printf "%s %.3f %s\n", $1, $2 + $3, $4 }' "$out.time"
}

ours() { "$render" "$1" -o "$work/ours.png" --size 512x512 --aa 2 --timings; }
peer() { xvfb-run -a f3d --output="$work/f3d.png" --resolution=512,512 "$1"; }

printf '%-16s %-13s %8s %8s %9s   %s\n' file program "wall s" "cpu s" "peak MB" "loading / drawing / writing s"
for file in sphere-1m.stl sphere-100k.glb sphere-10k.obj; do
  path=$work/$file
  ours "$path" >/dev/null 2>&1
  peer "$path" >/dev/null 2>&1
  : >"$work/ours.runs"
  : >"$work/peer.runs"
  : >"$work/ours.parts"
  for _ in $(seq "$runs"); do
    measure "$work/ours" "$render" "$path" -o "$work/ours.png" --size 512x512 --aa 2 --timings >>"$work/ours.runs"
    sed -n 's/.*loading \([0-9.]*\) s, drawing \([0-9.]*\) s, writing \([0-9.]*\) s/\1 \2 \3/p' "$work/ours.err" \
      >>"$work/ours.parts"
    measure "$work/peer" xvfb-run -a f3d --output="$work/f3d.png" --resolution=512,512 "$path" >>"$work/peer.runs"
  done
  for side in ours peer; do
    wall=$(cut -d' ' -f1 "$work/$side.runs" | median)
    cpu=$(cut -d' ' -f2 "$work/$side.runs" | median)
    peak=$(cut -d' ' -f3 "$work/$side.runs" | median)
    parts=""
    if [ "$side" = ours ]; then
      parts="$(cut -d' ' -f1 "$work/ours.parts" | median) / $(cut -d' ' -f2 "$work/ours.parts" | median) / $(cut -d' ' -f3 "$work/ours.parts" | median)"
    fi
    name=tepple-render
    [ "$side" = peer ] && name=f3d
    printf '%-16s %-13s %8.2f %8.2f %9.0f   %s\n' "$file" "$name" "$wall" "$cpu" "$((peak / 1024))" "$parts"
  done
done
