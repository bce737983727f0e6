#!/usr/bin/env bash
# The sample game end to end, headless: build the data set, run a scripted
# session, and check its log and its screenshot.
set -euo pipefail
data_tool=$1 demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$data_tool" "$work/data" >/dev/null
printf '# frame event\n3 click 100 300\n\n7 click 400 420\n12 quit\n' >"$work/script"
"$demo" --headless --data "$work/data" --script "$work/script" --frames 100 \
        --screenshot "$work/shot.png" --log "$work/log" >/dev/null
grep -qx "tessera-demo: headless" "$work/log"
grep -qx "frame 3 click 100 300 sound" "$work/log"
grep -qx "frame 7 click 400 420 sound" "$work/log"
grep -qx "frames 13" "$work/log"
grep -q "^music: play MUSIC from 0 notify$" "$work/log"
# An 800 x 600 PNG.
python3 - "$work/shot.png" <<'PY'
import struct, sys
b = open(sys.argv[1], 'rb').read(24)
assert b[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
assert struct.unpack('>II', b[16:24]) == (800, 600), struct.unpack('>II', b[16:24])
PY
# A bad script is refused with the line that is wrong.
printf '3 jump\n' >"$work/bad"
if "$demo" --headless --data "$work/data" --script "$work/bad" 2>"$work/err"; then exit 1; fi
grep -q "bad:1: expected" "$work/err"
# Missing data is a clear error, not a crash.
if "$demo" --headless --data "$work/none" --frames 1 2>"$work/err2"; then exit 1; fi
grep -q "cannot load" "$work/err2"
echo "demo scripted run: ok"
