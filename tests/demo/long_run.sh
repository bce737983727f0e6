#!/usr/bin/env bash
# 10,000 frames of the sample game, headless: the tour, then the game left
# running with scene changes every 400 frames (back to the title and
# continuing the saved game, through the door and back), while the
# villagers, birds and leaves go on.  The game logs its resident memory
# every 1,000 frames; from frame 2,000 (everything loaded, every cache warm)
# to frame 10,000 it must not grow by more than 2 MB.  In a sanitizer build
# LeakSanitizer checks at exit that nothing leaked (a leak fails the run),
# and ASan's quarantine of freed blocks is switched off so that the figures
# show the game's own memory.
#
#   long_run.sh DATA_TOOL DEMO MAPS_DIR TEST_DIR
set -euo pipefail
data_tool=$(realpath "$1") demo=$(realpath "$2") maps=$(realpath "$3") here=$(realpath "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$data_tool" "$work/data" --maps "$maps" >/dev/null
{
  grep -v ' quit$' "$here/tour.txt"
  for ((f = 1000; f < 10000; f += 400)); do
    echo "$f click 752 20"           # the menu bar's "title"
    echo "$((f + 60)) click 400 372"  # "continue"
    echo "$((f + 120)) click 352 250" # toward the elder's door
    echo "$((f + 300)) click 400 456" # and out again when inside
  done
  echo "10000 quit"
} >"$work/script"
# Whatever options the caller gives ASan, its quarantine stays off here.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:quarantine_size_mb=0"
"$demo" --headless --data "$work/data" --script "$work/script" --log "$work/log" >/dev/null 2>"$work/err" || {
  echo "long run: the game failed" >&2
  tail -40 "$work/err" >&2
  exit 1
}
grep -qx "frames 10001" "$work/log" || { echo "long run: did not run 10,000 frames" >&2; exit 1; }
grep "memory" "$work/log"
at() { sed -n "s/^frame $1 memory \([0-9]*\) kB$/\1/p" "$work/log"; }
start=$(at 2000) end=$(at 10000)
[ -n "$start" ] && [ -n "$end" ] || { echo "long run: no memory figures" >&2; exit 1; }
scenes=$(grep -c " scene " "$work/log")
echo "long run: $scenes scene changes; resident memory $start kB at frame 2000, $end kB at frame 10000"
if ((end - start > 2048)); then
  echo "long run: memory grew by $((end - start)) kB" >&2
  exit 1
fi
