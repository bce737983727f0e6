#!/usr/bin/env bash
# The sample game end to end, headless: build the data set (the Tiled maps
# imported by tessera-map), play the whole quest from tour.txt, and check
# the frames the tour asks to hash against tour.expected, the events on the
# way and the end state.
#
#   scripted_tour.sh DATA_TOOL DEMO MAPS_DIR TEST_DIR [--update]
#
# --update writes the hashes of this run into tour.expected (after a change
# meant to alter the pictures; look at the frames first: the tour's "shot"
# lines can save them).
set -euo pipefail
data_tool=$(realpath "$1") demo=$(realpath "$2") maps=$(realpath "$3") here=$(realpath "$4") update=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$data_tool" "$work/data" --maps "$maps" >/dev/null
"$demo" --headless --data "$work/data" --script "$here/tour.txt" --screenshot "$work/end.png" \
        --log "$work/log" >/dev/null 2>"$work/err"

fail() { echo "scripted tour: $*" >&2; echo "--- log" >&2; grep -v '^music' "$work/log" >&2; exit 1; }

hashes=$(sed -n 's/^frame [0-9]* hash \([a-z]*\) \([0-9a-f]*\).*/\1 \2/p' "$work/log")
if [ "$update" = --update ]; then
  printf '%s\n' "$hashes" >"$here/tour.expected"
  echo "scripted tour: wrote $(wc -l <"$here/tour.expected") hashes"
  exit 0
fi
[ "$hashes" = "$(cat "$here/tour.expected")" ] ||
  fail "key frames differ:"$'\n'"$(diff <(printf '%s\n' "$hashes") "$here/tour.expected")"

# The quest, step by step, as the game logged it.
for line in "tessera-demo: headless" "title: entry 0" "click elder" "answer A" "door to house" \
            "picked pendant" "door to village" "reward 100" "chat 18 bytes" "ate an apple, life 100" \
            "save ok" "scene title map 0" "continue: map 0 quest 3" "display full screen" "display window"; do
  grep -q "^frame [0-9]* $line\$\|^$line\$" "$work/log" || fail "no '$line'"
done
grep -qx "end: map 0 cell 13 11 quest 3 gold 100 items 2" "$work/log" || fail "wrong end state"
grep -qx "frames 871" "$work/log" || fail "wrong frame count"
# Sounds were played and the music followed the scenes.
grep -q "^frame [0-9]* sound reward 0 0$" "$work/log" || fail "no reward sound"
grep -q "^music: open .*village.mid" "$work/log" && grep -q "^music: open .*house.mid" "$work/log" ||
  fail "no music per map"
# The last frame as an 800 x 600 PNG.
python3 - "$work/end.png" <<'PY'
import struct, sys
b = open(sys.argv[1], 'rb').read(24)
assert b[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
assert struct.unpack('>II', b[16:24]) == (800, 600), struct.unpack('>II', b[16:24])
PY

# A bad script is refused with the line that is wrong; a missing one with
# its full path.
printf '3 jump\n' >"$work/bad"
if "$demo" --headless --data "$work/data" --script "$work/bad" 2>"$work/err"; then fail "bad script taken"; fi
grep -q "bad:1: expected" "$work/err" || fail "bad script message: $(cat "$work/err")"
if (cd "$work" && "$demo" --headless --data data --script nothere.txt 2>"$work/err"); then fail "missing script taken"; fi
grep -q "^tessera-demo: $work/nothere.txt: cannot open" "$work/err" || fail "missing script message: $(cat "$work/err")"
# Missing data is a clear error, not a crash.
if "$demo" --headless --data "$work/none" --frames 1 2>"$work/err"; then fail "missing data taken"; fi
grep -q "$work/none" "$work/err" || fail "missing data message: $(cat "$work/err")"
echo "scripted tour: ok"
